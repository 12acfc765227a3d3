// SPDX-License-Identifier: GPL-3.0-or-later
// Lines of text read from a file: a line ends at CR LF, a lone LF or a lone
// CR, the same rule wherever the program splits a file's bytes into lines.
#pragma once

#include <cstddef>
#include <string_view>

namespace sheafpad {

// One line of a text: [begin, end) is its content, [end, next) its line end
// (empty for a last line without one).
struct LineSpan {
    size_t begin = 0;
    size_t end = 0;
    size_t next = 0;
};

// The line that starts at begin (at most text.size()).
inline LineSpan LineAt(std::string_view text, size_t begin) {
    LineSpan line;
    line.begin = begin;
    line.end = text.find_first_of("\r\n", begin);
    if (line.end == std::string_view::npos) {
        line.end = text.size();
        line.next = text.size();
        return line;
    }
    const bool crLf =
        text[line.end] == '\r' && line.end + 1 < text.size() && text[line.end + 1] == '\n';
    line.next = line.end + (crLf ? 2 : 1);
    return line;
}

} // namespace sheafpad
