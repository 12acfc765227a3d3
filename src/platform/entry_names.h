// SPDX-License-Identifier: GPL-3.0-or-later
// Renaming a directory entry without ever taking the place of another one;
// making and removing the folders a move needs.
#pragma once

#include <string>

namespace sheafpad::platform {

// Renames the entry from to the name to, in one step, and flushes the
// folder. Fails with EEXIST, changing nothing, when an entry already stands
// at to. Returns 0 or the errno.
int RenameWithoutReplacing(const std::string& from, const std::string& to);

// Makes the folder path (its parent must exist), as the user's umask allows.
// Returns 0 or the errno (EEXIST when anything stands there).
int MakeFolder(const std::string& path);
// Removes the folder path when it is empty. Returns 0 or the errno
// (ENOTEMPTY when it is not).
int RemoveEmptyFolder(const std::string& path);

} // namespace sheafpad::platform
