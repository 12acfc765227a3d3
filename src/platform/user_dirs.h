// SPDX-License-Identifier: GPL-3.0-or-later
// The user's own folders for the program's files that are not the user's
// documents: settings that cannot sit beside the program, and state such as
// recovery copies. On Linux these follow the XDG base directory rules.
#pragma once

#include <string>

namespace sheafpad::platform {

// The user's home folder, without a trailing "/": $HOME when that is an
// absolute path, else the account's own entry. Empty when neither can be told.
std::string HomeDir();

// The folder for the program's settings, with a trailing "/":
// $XDG_CONFIG_HOME/Sheafpad/ when that is an absolute path, else
// $HOME/.config/Sheafpad/. Empty when neither can be told. Not created.
std::string UserConfigDir();

// The folder for the program's state, with a trailing "/":
// $XDG_STATE_HOME/Sheafpad/ when that is an absolute path, else
// $HOME/.local/state/Sheafpad/. Empty when neither can be told. Not created.
std::string UserStateDir();

// Creates path and its missing parents with the given mode for the folders
// that it makes (existing ones are left as they are). Returns 0 on success,
// else the errno of the step that failed.
int MakeDirectories(const std::string& path, unsigned mode);

} // namespace sheafpad::platform
