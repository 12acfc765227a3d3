// SPDX-License-Identifier: GPL-3.0-or-later
// Where the running program file is.
#pragma once

#include <string>

namespace sheafpad::platform {

// The directory of the running program file, with a trailing "/", as the
// bytes on disk (a name that is not valid UTF-8 keeps its bytes). Empty when
// the system cannot tell.
std::string ProgramDirectory();

} // namespace sheafpad::platform
