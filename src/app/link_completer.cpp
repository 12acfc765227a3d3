// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/link_completer.h"

#include "app/links_controller.h"
#include "links/link_target.h"
#include "links/link_text.h"
#include "platform/file_io.h"
#include "widgets/completion_popup.h"
#include "widgets/error_display.h"
#include "widgets/rich_edit.h"
#include "widgets/utf8_text.h"

#include <QKeyEvent>
#include <QTimer>

namespace sheafpad {

namespace {} // namespace

LinkCompleter::LinkCompleter(LinksController* links, TRichEdit* pane, Window window,
                             QObject* parent)
    : QObject(parent), links_(links), pane_(pane), window_(std::move(window)),
      popup_(new CompletionPopup(pane)) {
    pane_->installEventFilter(this);
    connect(popup_, &CompletionPopup::chosen, this,
            [this](const QString& choice) { ErrorDisplay::Guard([&] { Take(choice); }); });
    // What is typed narrows the paths; a caret that leaves the value closes them.
    auto follow = [this] {
        if (IsOpen() && !updating_) {
            QTimer::singleShot(0, this, [this] {
                if (IsOpen()) {
                    Update();
                }
            });
        }
    };
    connect(pane_, &TextView::contentsChange, this, follow);
    connect(pane_, &TextView::cursorPositionChanged, this, follow);
}

bool LinkCompleter::IsOpen() const {
    return popup_->isVisible();
}

void LinkCompleter::Close() {
    popup_->hide();
    choices_.clear();
}

std::optional<LinkCompleter::Value> LinkCompleter::ValueAtCaret() {
    if (pane_->ReadOnly() || window_.openPath().empty()) {
        return std::nullopt;
    }
    const qsizetype caret = pane_->CaretPosition();
    for (const LinksController::PaneLink& link : links_->PaneLinks()) {
        if (link.start <= caret && caret <= link.end) {
            return Value{link.start, link.end, int(link.link.kind)};
        }
    }
    return std::nullopt;
}

bool LinkCompleter::Open() {
    return Update();
}

bool LinkCompleter::Update() {
    const std::optional<Value> value = ValueAtCaret();
    if (!value) {
        Close();
        return false;
    }
    const QString typed = pane_->Text(value->start, pane_->CaretPosition() - value->start);
    const std::string from = window_.openPath();
    const std::string root = platform::AbsolutePath(window_.root());
    const bool rooted = typed.startsWith('/');
    // A script's module is named from "./" (a bare name is a package's).
    const bool dotted = typed.startsWith(QStringLiteral("./")) ||
                        links::LinkKind(value->kind) == links::LinkKind::Script;
    QStringList choices;
    for (const std::string& path : window_.listed()) {
        if (path == from) {
            continue;
        }
        std::string relative =
            rooted ? "/" + path : links::RelativePath(links::FolderOf(from), path, root);
        if (dotted && !rooted && !relative.starts_with("../")) {
            relative = "./" + relative;
        }
        const QString choice = FromUtf8(relative);
        if (choice.startsWith(typed, Qt::CaseInsensitive)) {
            choices.push_back(choice);
        }
    }
    if (choices.isEmpty()) {
        Close();
        return false;
    }
    choices_ = choices;
    const QRect caret = pane_->cursorRect();
    popup_->ShowChoices(choices, pane_->viewport()->mapToGlobal(caret.bottomLeft()));
    return true;
}

void LinkCompleter::Take(const QString& choice) {
    const std::optional<Value> value = ValueAtCaret();
    Close();
    if (!value || choice.isEmpty()) {
        return;
    }
    // The value's path gives way, up to the caret and on to the path's end
    // (a query or a fragment after it stays). Where the value is not closed
    // yet, and so runs on into what follows, only up to the caret.
    const QString written = pane_->Text(value->start, value->end - value->start);
    qsizetype end = pane_->CaretPosition();
    for (qsizetype i = end - value->start; i < written.size(); ++i) {
        const QChar c = written[i];
        if (c == '?' || c == '#') {
            end = value->start + i;
            break;
        }
        if (c.isSpace() || c == '<' || c == '>' || c == '"' || c == '\'') {
            break;
        }
        if (i + 1 == written.size()) {
            end = value->end;
        }
    }
    const QString text =
        FromUtf8(links::EncodePath(ToUtf8(choice), links::LinkKind(value->kind), false));
    updating_ = true;
    pane_->Replace(value->start, end - value->start, text, TextView::Origin::User);
    pane_->SetCaret(value->start + text.size());
    updating_ = false;
}

bool LinkCompleter::eventFilter(QObject* watched, QEvent* event) {
    if (watched != pane_) {
        return false;
    }
    if (event->type() == QEvent::FocusOut) {
        Close();
        return false;
    }
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Space && key->modifiers() == Qt::ControlModifier) {
        ErrorDisplay::Guard([this] { Open(); });
        return true;
    }
    if (IsOpen()) {
        switch (key->key()) {
        case Qt::Key_Up:
            popup_->Step(-1);
            return true;
        case Qt::Key_Down:
            popup_->Step(1);
            return true;
        case Qt::Key_PageUp:
            popup_->Step(-CompletionPopup::kMostRows);
            return true;
        case Qt::Key_PageDown:
            popup_->Step(CompletionPopup::kMostRows);
            return true;
        case Qt::Key_Escape:
            Close();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
            ErrorDisplay::Guard([this] { Take(popup_->Current()); });
            return true;
        default:
            break;
        }
    }
    const QString text = key->text();
    if (!IsOpen() && (text == "/" || text == "\"" || text == "'")) {
        // Once the pane has typed it.
        QTimer::singleShot(0, this, [this] { ErrorDisplay::Guard([this] { Open(); }); });
    }
    return false;
}

} // namespace sheafpad
