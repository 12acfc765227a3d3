// SPDX-License-Identifier: GPL-3.0-or-later
// The process's working directory and simple questions about folders.
#pragma once

#include <string>

namespace sheafpad::platform {

// The working directory as the system reports it (no trailing "/" except the
// root); empty when it cannot be read, for example after it was removed.
std::string WorkingDir();

// Makes dir the working directory. Returns 0, or the errno value of the failure.
int SetWorkingDir(const std::string& dir);

// True when path names an existing directory (links followed); "" is not one.
bool IsDirectory(const std::string& path);

// True when both paths name the same existing file or directory.
bool SameFile(const std::string& a, const std::string& b);

} // namespace sheafpad::platform
