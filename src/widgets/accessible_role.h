// SPDX-License-Identifier: GPL-3.0-or-later
// The role that assistive tools see for a plain widget. Qt shows a QWidget
// as a "filler" and a QFrame as a "frame", whatever they stand for; a
// top-level window must be a frame (so that a screen reader announces it
// when it opens) and a panel of controls a panel.
#pragma once

#include <QAccessible>

class QWidget;

namespace sheafpad {

// Call before the widget's accessible interface is first asked for (in the
// constructor that makes it). For plain QWidget and QFrame objects only:
// the widget gets Qt's generic interface, with this role.
void SetAccessibleRole(QWidget* widget, QAccessible::Role role);

} // namespace sheafpad
