// SPDX-License-Identifier: GPL-3.0-or-later
// Renaming a directory entry without ever taking the place of another one.
#pragma once

#include <string>

namespace sheafpad::platform {

// Renames the entry from to the name to, in one step, and flushes the
// folder. Fails with EEXIST, changing nothing, when an entry already stands
// at to. Returns 0 or the errno.
int RenameWithoutReplacing(const std::string& from, const std::string& to);

} // namespace sheafpad::platform
