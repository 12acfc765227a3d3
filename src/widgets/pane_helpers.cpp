// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/pane_helpers.h"

#include "syntax/embedded_language.h"
#include "text/comment_toggle.h"
#include "text/text_pairs.h"
#include "textview/text_view.h"
#include "widgets/syntax_colouring.h"

#include <QInputDialog>
#include <QKeyEvent>
#include <QRegularExpression>

namespace sheafpad {

namespace {

GoToLine::AskHook& AskHookSlot() {
    static GoToLine::AskHook hook;
    return hook;
}

// Ctrl+key, Shift allowed (a slash is shifted on some keyboards).
bool IsCtrlKey(const QEvent* event, int key) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) {
        return false;
    }
    const auto* keyEvent = static_cast<const QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers =
        keyEvent->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    return keyEvent->key() == key && modifiers == Qt::ControlModifier;
}

// Takes a key before the view and the window's shortcuts: true when done.
bool TakeKey(QEvent* event, const std::function<void()>& act) {
    event->accept();
    if (event->type() == QEvent::KeyPress) {
        act();
    }
    return true;
}

} // namespace

// PairHighlighter -----------------------------------------------------------

PairHighlighter::PairHighlighter(TextView* view, SyntaxColouring* colours)
    : QObject(view), view_(view), colours_(colours) {
    pending_.setSingleShot(true);
    pending_.setInterval(0);
    connect(&pending_, &QTimer::timeout, this, &PairHighlighter::UpdateNow);
    auto later = [this] {
        if (!pending_.isActive()) {
            pending_.start();
        }
    };
    connect(view, &TextView::cursorPositionChanged, this, later);
    connect(view, &TextView::textChanged, this, later);
    if (colours) {
        connect(colours, &SyntaxColouring::coloured, this, later); // strings now known
    }
}

void PairHighlighter::UpdateNow() {
    pending_.stop();
    const TextBuffer& text = view_->Buffer();
    const size_t caret = size_t(view_->CaretPosition());
    SkipFn skip;
    syntax::Language language = syntax::Language::Plain;
    if (colours_ && colours_->Coloured()) {
        language = colours_->Language();
        skip = [this](size_t pos) {
            const syntax::Kind kind = colours_->KindAt(qsizetype(pos));
            return kind == syntax::Kind::String || kind == syntax::Kind::Comment;
        };
    }
    std::optional<TextPair> pair = MatchBracket(text, caret, skip);
    if (!pair && language == syntax::Language::Html) {
        // A tag first (a look a little way back), and only then whether it
        // stands in the page's markup, not in a script: a key in a big page
        // reads no more.
        pair = MatchTag(text, caret, skip);
        if (pair && syntax::LanguageAt(text, caret, language) != syntax::Language::Html) {
            pair.reset();
        }
    }
    std::vector<TextRange> ranges;
    if (pair && !pair->second.Empty()) {
        ranges = {
            std::min(pair->first, pair->second, [](auto a, auto b) { return a.start < b.start; }),
            std::max(pair->first, pair->second, [](auto a, auto b) { return a.start < b.start; })};
    }
    view_->SetHighlight(TextView::Highlight::Pair, std::move(ranges));
}

// CommentToggler ------------------------------------------------------------

CommentToggler::CommentToggler(TextView* view, std::function<syntax::Language()> language)
    : QObject(view), view_(view), language_(std::move(language)) {
    view->installEventFilter(this);
}

bool CommentToggler::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && IsCtrlKey(event, Qt::Key_Slash)) {
        return TakeKey(event, [this] { Toggle(); });
    }
    return QObject::eventFilter(watched, event);
}

bool CommentToggler::Toggle() {
    const TextBuffer& text = view_->Buffer();
    const size_t start = size_t(view_->SelectionStart());
    const syntax::Language language = syntax::LanguageAt(text, start, language_());
    CommentForm form;
    switch (language) {
    case syntax::Language::Html:
        form = {u"<!--", u"-->"};
        break;
    case syntax::Language::Css:
        form = {u"/*", u"*/"};
        break;
    case syntax::Language::JavaScript:
        form = {u"//", {}};
        break;
    case syntax::Language::Plain:
        return false;
    }
    if (view_->isReadOnly()) {
        return false;
    }
    size_t end = size_t(view_->SelectionEnd());
    // A selection that ends at a line's start leaves that line alone.
    if (end > start && text.At(end - 1) == u'\n') {
        --end;
    }
    const size_t first = text.LineOfPosition(start), last = text.LineOfPosition(end);
    const std::vector<TextEdit> edits = ToggleComment(text, first, last, form);
    if (edits.empty()) {
        return false;
    }
    // From the last edit back, so that the positions of the others hold.
    const bool selected = view_->HasSelection();
    const qsizetype caret = view_->CaretPosition();
    qsizetype caretShift = 0;
    view_->BeginEditStep();
    for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit) {
        view_->Replace(qsizetype(edit->pos), qsizetype(edit->removed),
                       QString::fromStdU16String(edit->text), TextView::Origin::User);
        if (qsizetype(edit->pos) < caret) {
            caretShift += qsizetype(edit->text.size()) -
                          std::min(qsizetype(edit->removed), caret - qsizetype(edit->pos));
        }
    }
    view_->EndEditStep();
    if (selected) {
        // The lines stay selected, whole.
        const size_t from = text.LineStart(first);
        const size_t to = text.LineStart(last) + text.LineLength(last);
        view_->SetSelection(qsizetype(from), qsizetype(to));
    } else {
        view_->SetCaret(caret + caretShift);
    }
    return true;
}

// GoToLine ------------------------------------------------------------------

GoToLine::GoToLine(TextView* view) : QObject(view), view_(view) {
    view->installEventFilter(this);
}

void GoToLine::SetAskHook(AskHook hook) {
    AskHookSlot() = std::move(hook);
}

bool GoToLine::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && IsCtrlKey(event, Qt::Key_G)) {
        return TakeKey(event, [this] { Ask(); });
    }
    return QObject::eventFilter(watched, event);
}

std::optional<std::pair<qsizetype, qsizetype>> GoToLine::Parse(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("^\\s*(\\d{1,12})\\s*(?::\\s*(\\d{1,12}))?\\s*$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const qsizetype line = match.captured(1).toLongLong();
    const qsizetype column = match.hasCaptured(2) ? match.captured(2).toLongLong() : 1;
    return std::pair{std::max<qsizetype>(1, line), std::max<qsizetype>(1, column)};
}

bool GoToLine::Go(const QString& text) {
    const auto place = Parse(text);
    if (!place) {
        return false;
    }
    const TextBuffer& buffer = view_->Buffer();
    const size_t line = size_t(std::min<qsizetype>(place->first, view_->LineCount()) - 1);
    const size_t start = buffer.LineStart(line);
    const size_t length = buffer.LineLength(line);
    // The column in characters: a pair of surrogates is one.
    size_t offset = 0;
    for (qsizetype column = 1; column < place->second && offset < length; ++column) {
        const bool pair = offset + 1 < length &&
                          QChar(buffer.At(start + offset)).isHighSurrogate() &&
                          QChar(buffer.At(start + offset + 1)).isLowSurrogate();
        offset += pair ? 2 : 1;
    }
    view_->SetCaret(qsizetype(start + offset));
    view_->CentreOn(qsizetype(start + offset));
    return true;
}

void GoToLine::Ask() {
    const QString prompt = tr("Line (1 to %1), or line:column:").arg(view_->LineCount());
    std::optional<QString> answer;
    if (AskHookSlot()) {
        answer = AskHookSlot()(prompt);
    } else {
        bool ok = false;
        const QString text = QInputDialog::getText(view_, tr("Go to Line"), prompt,
                                                   QLineEdit::Normal, QString(), &ok);
        if (ok) {
            answer = text;
        }
    }
    if (answer) {
        Go(*answer);
    }
    view_->setFocus();
}

} // namespace sheafpad
