// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

namespace sheafpad {

// The read-only note shown in the pane until a file is opened, one line per item.
QStringList IntroductionLines();

} // namespace sheafpad
