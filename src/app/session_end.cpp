// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/session_end.h"

#include <QCoreApplication>
#include <QEvent>

namespace sheafpad {

void SessionEndClose::Arm() {
    if (!armed_) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    armed_ = true;
    quitRequested_ = false;
}

void SessionEndClose::Disarm() {
    if (armed_) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
    armed_ = false;
    quitRequested_ = false;
}

bool SessionEndClose::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
    case QEvent::Quit:
        quitRequested_ = true;
        break;
    // The session goes on: the user types, clicks, drops or composes text.
    // (Qt reports no cancelled log-off; the first input after it stands for it.)
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::InputMethod:
    case QEvent::Drop:
    case QEvent::TouchBegin:
        Disarm();
        break;
    default:
        break;
    }
    return false;
}

} // namespace sheafpad
