// SPDX-License-Identifier: GPL-3.0-or-later
// Letter case of ASCII only. Names, keys and patterns are bytes as on disk:
// only A-Z fold, so a byte of a multi-byte character is never changed.
#pragma once

#include <string>
#include <string_view>

namespace sheafpad {

inline char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// The text with A-Z lower-cased; every other byte is left as it is.
inline std::string AsciiLower(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = LowerAscii(c);
    }
    return result;
}

// True when a and b differ at most in the case of ASCII letters.
inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace sheafpad
