// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/link_follower.h"

#include "app/links_controller.h"
#include "links/link_check.h"
#include "widgets/error_display.h"
#include "widgets/rich_edit.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace sheafpad {

namespace {

QString Quoted(const std::string& path) {
    return '"' + QString::fromUtf8(path.data(), qsizetype(path.size())) + '"';
}

} // namespace

LinkFollower::LinkFollower(LinksController* links, TRichEdit* pane, Window window, QObject* parent)
    : QObject(parent), links_(links), pane_(pane), window_(std::move(window)) {
    pane_->installEventFilter(this);
    pane_->viewport()->installEventFilter(this);
}

LinkFollower::Place LinkFollower::Here() const {
    return {window_.openPath(), pane_->CaretPosition()};
}

bool LinkFollower::Go(const std::string& path, qsizetype caret) {
    if (window_.openPath() != path) {
        window_.open(path);
        if (window_.openPath() != path) {
            return false; // not opened: the reason was shown
        }
    }
    pane_->SetCaret(std::min(caret, pane_->Length()));
    pane_->setFocus();
    return true;
}

bool LinkFollower::GoToAnchor(const std::string& fragment) {
    if (const std::optional<qsizetype> at = links_->PaneAnchor(fragment)) {
        pane_->SetCaret(*at);
        return true;
    }
    window_.say(tr("No element has the id %1 here").arg(Quoted(fragment)));
    return false;
}

bool LinkFollower::FollowAt(qsizetype pos) {
    const std::string from = window_.openPath();
    if (from.empty()) {
        return false;
    }
    const LinksController::PaneLink* found = nullptr;
    for (const LinksController::PaneLink& link : links_->PaneLinks()) {
        if (link.start <= pos && pos <= link.end) {
            found = &link;
            break;
        }
    }
    if (found == nullptr) {
        return false;
    }
    const links::ValueParts parts = links::SplitValue(found->link.value, found->link.kind);
    const links::Target target = links::Resolve(from, parts.path);
    switch (target.kind) {
    case links::TargetKind::None:
        if (parts.hasFragment) {
            const Place here = Here();
            if (GoToAnchor(parts.fragment)) {
                back_.push_back(here);
                forward_.clear();
            }
        }
        return true;
    case links::TargetKind::External:
        window_.say(tr("%1 is on another site").arg(Quoted(found->link.value)));
        return true;
    case links::TargetKind::Outside:
        window_.say(tr("%1 leads out of the folder").arg(Quoted(found->link.value)));
        return true;
    case links::TargetKind::Local:
        break;
    }
    links::DiskNames disk(window_.root());
    const std::optional<std::string> file = disk.FileOf(target);
    if (!file) {
        window_.say(tr("%1 does not exist").arg(Quoted(links::DiskNames::MissingName(target))));
        return true;
    }
    if (!window_.listed(*file)) {
        window_.say(tr("%1 is not in the list").arg(Quoted(*file)));
        return true;
    }
    const Place here = Here();
    if (!Go(*file, 0)) {
        return true;
    }
    back_.push_back(here);
    forward_.clear();
    if (parts.hasFragment && !parts.fragment.empty()) {
        GoToAnchor(parts.fragment);
    }
    return true;
}

void LinkFollower::Back() {
    if (back_.empty()) {
        return;
    }
    const Place here = Here();
    const Place there = back_.back();
    if (Go(there.path, there.caret)) {
        back_.pop_back();
        forward_.push_back(here);
    }
}

void LinkFollower::Forward() {
    if (forward_.empty()) {
        return;
    }
    const Place here = Here();
    const Place there = forward_.back();
    if (Go(there.path, there.caret)) {
        forward_.pop_back();
        back_.push_back(here);
    }
}

bool LinkFollower::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pane_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (key->key() == Qt::Key_F12 && modifiers == Qt::NoModifier) {
            ErrorDisplay::Guard([this] { FollowAt(pane_->CaretPosition()); });
            return true;
        }
        if ((key->key() == Qt::Key_Left || key->key() == Qt::Key_Right) &&
            modifiers == Qt::AltModifier) {
            ErrorDisplay::Guard([&] { key->key() == Qt::Key_Left ? Back() : Forward(); });
            return true;
        }
    }
    if (watched == pane_->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && mouse->modifiers() == Qt::ControlModifier) {
            bool followed = false;
            ErrorDisplay::Guard(
                [&] { followed = FollowAt(pane_->PositionAt(mouse->position().toPoint())); });
            return followed;
        }
    }
    return false;
}

} // namespace sheafpad
