// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace sheafpad {

// The value of a hexadecimal digit, either case; -1 for any other byte.
inline int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace sheafpad
