// SPDX-License-Identifier: GPL-3.0-or-later
// The order of the file list, as the desktop's file managers show names:
// letter case ignored, numbers by their value (page2 before page10), and
// names that still tie (a.htm and A.htm, 01 and 1) by their bytes, so that
// the order is total and the same on every run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sheafpad {

// The key whose byte order is the names' order, before the tie-break: each
// letter folded to lower case (ASCII, Latin-1, Latin Extended-A, Greek and
// Cyrillic; other characters as they are), each run of digits as the count
// of its digits without leading zeros, then those digits. Bytes that are not
// UTF-8 are kept.
std::string NameSortKey(std::string_view name);

// True when a comes before b in the list.
bool NameBefore(std::string_view a, std::string_view b);

// The indices of names in the list's order.
std::vector<uint32_t> NameOrder(const std::vector<std::string_view>& names);

} // namespace sheafpad
