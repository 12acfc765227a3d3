// SPDX-License-Identifier: GPL-3.0-or-later
// Reading many whole files one after another into one buffer, with as few
// system calls as a file allows (a search over thousands of small files).
#pragma once

#include <cstddef>
#include <string>

namespace sheafpad::platform {

// Reads the regular file at path into buffer, which grows as needed and is
// kept for the next file, and returns the file's size. Never waits on a FIFO
// or device. Throws EFOpenError (absolute path, system reason) when the file
// cannot be opened or read, or is not a regular file ("Is a directory" for a
// folder).
size_t ReadWholeFile(const std::string& path, std::string& buffer);

} // namespace sheafpad::platform
