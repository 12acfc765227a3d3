// SPDX-License-Identifier: GPL-3.0-or-later
// The one name that ties the program to its installed menu entry, icon and
// catalogue entry (reverse-DNS, as the desktop standards ask; data/ installs
// the files under it).
#pragma once

namespace sheafpad {

inline constexpr const char* kAppId = "io.github.sheafpad.sheafpad";

} // namespace sheafpad
