// SPDX-License-Identifier: GPL-3.0-or-later
// The initialization-file layout as text: finding a value and replacing or
// adding one entry, leaving every other byte of the file as it was. No file
// access here, so the parser can be exercised on any bytes.
//
// Lines end at CR LF, a lone LF or a lone CR. A line whose first non-blank
// character is "[" and which holds a "]" starts a section named by the text
// between them. A line holding "=" inside a section is an entry: the key is
// the text before the first "=", the value everything after it, up to the
// line end, blanks included. Section and key names are matched without
// regard to ASCII letter case, blanks around them ignored. Lines before the
// first section, comments and other lines are kept but never match. Where a
// section or key occurs twice, the first occurrence counts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sheafpad::ini {

// The value of key in section, or nothing when either is missing.
std::optional<std::string_view> FindValue(std::string_view content, std::string_view section,
                                          std::string_view key);

// content with key set to value: an existing entry is rewritten in its place
// (its key spelt as in the file), a missing key is added after the last
// non-blank line of its section, a missing section is added at the end of
// the file. New and rewritten lines end in CR LF; every other byte is kept.
// The caller makes sure that section, key and value cannot break a line.
std::string SetValue(std::string_view content, std::string_view section, std::string_view key,
                     std::string_view value);

// True when text can be stored on one line: it holds no CR, LF or NUL.
bool FitsOnOneLine(std::string_view text);

} // namespace sheafpad::ini
