// Where the settings file lives. Beside the program file, as a portable copy
// keeps it; but an installed program's folder (/usr/bin) is not the user's
// to write, and then the file goes to the user's own config folder.
#pragma once

#include <string>

namespace sheafpad::settings {

// exeDir + "Sheafpad.ini" when an entry of that name exists there or this
// user may make files in exeDir; otherwise "Sheafpad.ini" in the user's
// config folder ($XDG_CONFIG_HOME/Sheafpad/, ~/.config/Sheafpad/ when unset).
// Beside the program, too, when no config folder can be told.
std::string SettingsFileFor(const std::string& exeDir);

// Before a write: makes the user's config folder (mode 0700, with missing
// parents) when path lies in it. A failure here shows as the failed write of
// the file.
void MakeSettingsFolder(const std::string& path);

} // namespace sheafpad::settings
