// SPDX-License-Identifier: GPL-3.0-or-later
// The text shown for a byte string that the system hands over as it is (a
// file or folder name, a path): UTF-8 where the bytes are UTF-8, and one
// U+FFFD for each byte that is not, so that every shown unit can be traced
// back to the bytes it stands for.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sheafpad {

enum class ControlChars {
    Keep,   // control characters are shown as they are
    Escape, // as escapes that any font shows, on one line: \n, \r, \t, other
            // C0 controls and DEL as \xHH, C1 controls, the line and
            // paragraph separators and the bidirectional controls as
            // \uHHHH; a backslash itself as \\ (two backslashes)
};

struct ShownText {
    std::u16string text;
    // byteAt[i] is the offset in the bytes of what unit i shows (all units of
    // an escape or a surrogate pair have the same); byteAt[text.size()] is
    // the length.
    std::vector<size_t> byteAt;
};

ShownText ShowBytes(std::string_view bytes, ControlChars controls = ControlChars::Keep);

} // namespace sheafpad
