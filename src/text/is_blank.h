// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace sheafpad {

// True when text is empty or holds only spaces, carriage returns and line
// feeds. A tab, or any other character, makes it non-blank.
bool IsBlank(std::string_view text);

} // namespace sheafpad
