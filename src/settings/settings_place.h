// SPDX-License-Identifier: GPL-3.0-or-later
// Where the settings file lives. Beside the program file, as a portable copy
// (an unpacked folder, a build tree) keeps it; an installed program's folder
// (/usr/bin, ~/.local/bin) is shared by every user, or is not one's own
// settings' place, so an installed copy keeps them in the user's config folder.
#pragma once

#include <string>

namespace sheafpad::settings {

// True when exeDir holds an installed copy: its menu entry lies in
// ../share/applications/ beside exeDir, as an install puts it.
bool IsInstalledCopy(const std::string& exeDir);

// For an installed copy, "Sheafpad.ini" in the user's config folder
// ($XDG_CONFIG_HOME/Sheafpad/, ~/.config/Sheafpad/ when unset), whatever
// lies beside the program (a file root left there is no other user's).
// For a portable copy, exeDir + "Sheafpad.ini" when that is a file of this
// user's that this user may write, or when there is no such entry and this
// user may make files in exeDir; else the config folder's. A copy in a
// shared folder so never reads another account's settings, nor fails to
// write them at every close. Beside the program, too, when no config folder
// can be told.
std::string SettingsFileFor(const std::string& exeDir);

// Before a write: makes the user's config folder (mode 0700, with missing
// parents) when path lies in it. A failure here shows as the failed write of
// the file.
void MakeSettingsFolder(const std::string& path);

} // namespace sheafpad::settings
