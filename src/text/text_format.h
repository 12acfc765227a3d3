// SPDX-License-Identifier: GPL-3.0-or-later
// How a text file stores its text, apart from the text itself: the encoding,
// the kind of line break and a UTF-8 byte-order mark. Found when a file is
// read and used when it is written, so that a save changes only the bytes of
// the characters that were edited.
#pragma once

#include "text/text_codec.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace sheafpad {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

struct TextFormat {
    TextEncoding encoding = TextEncoding::Utf8;
    // The file's first line break decides for the whole file; a file without
    // any, and a new one, get LF.
    LineBreak lineBreak = LineBreak::Lf;
    // The file starts with a UTF-8 byte-order mark. It is no part of the
    // text: never shown, searched or moved, and written back at the start.
    bool bom = false;

    size_t BomLength() const { return bom ? kUtf8Bom.size() : 0; }
    bool operator==(const TextFormat&) const = default;
};

// The format of a file of bytes (its whole content, holding no NUL). A
// byte-order mark counts only in a file that is UTF-8; in a Latin-1 file its
// three bytes are characters like any others.
TextFormat DetectFormat(std::string_view bytes);

// The length of the byte-order mark at the start of a file of bytes read as
// encoding: 3 for a UTF-8 file that starts with one, else 0.
inline size_t BomLength(std::string_view bytes, TextEncoding encoding) {
    return encoding == TextEncoding::Utf8 && bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom
               ? kUtf8Bom.size()
               : 0;
}

// The bytes of a file of that format that hold its text (without the mark).
inline std::string_view TextBytes(std::string_view bytes, const TextFormat& format) {
    return bytes.substr(std::min(format.BomLength(), bytes.size()));
}

// The kind of the first line break in bytes (CR LF, CR or LF), or LF when
// there is none.
LineBreak FirstLineBreak(std::string_view bytes);

// Appends the file's bytes for text (line breaks '\n' or U+2029) to out:
// the mark, then the text in the format's encoding and line break. Fails as
// EncodeText does, *badIndex being an index into text.
bool EncodeFile(std::u16string_view text, const TextFormat& format, std::string& out,
                size_t* badIndex);

// What a status line shows: "UTF-8" or "Latin-1"; "CR LF", "LF" or "CR".
const char* EncodingLabel(TextEncoding encoding);
const char* LineBreakLabel(LineBreak lineBreak);

} // namespace sheafpad
