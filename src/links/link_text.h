// SPDX-License-Identifier: GPL-3.0-or-later
// A link as a file writes it: its value's place in the text, and what the
// value says once the escapes of its language and percent-encoding are
// undone; and a path written back in the same manner.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sheafpad::links {

// The language a value is written in: it decides its escapes.
enum class LinkKind : uint8_t {
    Html,   // an attribute value: character references
    Css,    // url(...) or an @import string: backslash escapes
    Script, // a JavaScript string: backslash escapes
};

// One reference as written.
struct RawLink {
    uint32_t start = 0, end = 0;   // the value's bytes in the text (no quotes), as its trees count
    uint32_t line = 0, column = 0; // of start, from 1; the column in UTF-16 units
    LinkKind kind = LinkKind::Html;
    std::string value; // the value as written, in UTF-8
    bool operator==(const RawLink&) const = default;
};

// A value taken apart: [0, pathEnd) of the value is the path, what follows
// (the query and the fragment) stays as written.
struct ValueParts {
    size_t pathStart = 0, pathEnd = 0; // in the value as written, blanks around it left out
    std::string path;                  // decoded: escapes, then percent-encoding
    std::string fragment;              // decoded, without '#'; empty when there is none
    bool hasFragment = false;
    bool hasQuery = false;
    bool encodedNonAscii = false; // the path spells a non-ASCII byte in percent-encoding
};
ValueParts SplitValue(std::string_view value, LinkKind kind);

// Appends code in UTF-8; a NUL, a lone surrogate or a value past U+10FFFF
// as U+FFFD.
void AppendUtf8(std::string& out, uint32_t code);

// The path written for a link of kind: percent-encoding for what a path
// cannot hold as it is (and, where the file cannot store other bytes or the
// link did so, for every non-ASCII byte); then "&" as "&amp;" in HTML.
std::string EncodePath(std::string_view path, LinkKind kind, bool encodeNonAscii);

// The candidates of a srcset value: each URL's [start, end) in it.
struct Piece {
    size_t start = 0, end = 0;
};
std::vector<Piece> SrcsetUrls(std::string_view value);
// The values of the url(...) of CSS text (their quotes left out), read as
// CSS reads them: nothing inside a comment or a string.
std::vector<Piece> CssUrls(std::string_view text);
// The URL of a <meta http-equiv="refresh"> content value ("5; url=a.html"),
// or nothing.
std::optional<Piece> RefreshUrl(std::string_view content);

} // namespace sheafpad::links
