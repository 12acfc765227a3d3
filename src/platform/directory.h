// SPDX-License-Identifier: GPL-3.0-or-later
// Directory enumeration: every entry of a directory, in the order the file
// system returns them, hidden entries and subdirectories included.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace sheafpad::platform {

// Calls visit(name) for each entry of dir except "." and "..". Returns false
// (having visited nothing) when dir cannot be opened; a read error part-way
// ends the enumeration.
bool ForEachEntry(const std::string& dir, const std::function<void(std::string_view)>& visit);

} // namespace sheafpad::platform
