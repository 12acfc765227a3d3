// SPDX-License-Identifier: GPL-3.0-or-later
// The busy pointer for as long as an object of this class lives, also when
// the work fails: the guard is gone before the error is shown.
#pragma once

#include <QApplication>

namespace sheafpad {

class BusyPointer {
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

} // namespace sheafpad
