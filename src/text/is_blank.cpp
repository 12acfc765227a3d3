// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/is_blank.h"

namespace sheafpad {

bool IsBlank(std::string_view text) {
    for (char c : text) {
        if (c != ' ' && c != '\r' && c != '\n') {
            return false;
        }
    }
    return true;
}

} // namespace sheafpad
