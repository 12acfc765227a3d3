// SPDX-License-Identifier: GPL-3.0-or-later
// The bytes of a text file and the editor's text, in both directions.
//
// Reading: CR LF, a lone CR and a lone LF each become one line break (u'\n').
// A file that is valid UTF-8 is decoded as UTF-8; any other file is taken one
// character per byte (Latin-1), so that every byte comes back as it was.
// Writing: every line break (u'\n' or U+2029, the editor's paragraph
// separator) becomes the line break asked for (CR LF unless told otherwise);
// nothing else is added or removed.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace sheafpad {

enum class TextEncoding { Utf8, Latin1 };

// The bytes that a line break of the editor's text becomes in a file.
enum class LineBreak { CrLf, Lf, Cr };

inline std::string_view BreakBytes(LineBreak lineBreak) {
    return lineBreak == LineBreak::CrLf ? "\r\n" : lineBreak == LineBreak::Lf ? "\n" : "\r";
}

// True when bytes hold a NUL byte (such files are not text and are refused).
bool ContainsNul(std::string_view bytes);

// UTF-8 when bytes are valid UTF-8 holding no character that the editor
// cannot keep as it is (U+2028, U+2029, U+FDD0, U+FDD1); Latin-1 otherwise.
TextEncoding DetectEncoding(std::string_view bytes);

// The most UTF-16 units that DecodeText writes for bytes.
inline size_t DecodedCapacity(std::string_view bytes) {
    return bytes.size();
}

// Decodes bytes into out, which has room for DecodedCapacity(bytes) units.
// Returns the number of units written. bytes must hold no NUL and, for
// Utf8, must be what DetectEncoding accepted as UTF-8.
size_t DecodeText(std::string_view bytes, TextEncoding encoding, char16_t* out);

// Whether every character that bytes decode to (as encoding) is below
// U+0100, so that the text can be kept one byte a unit (Latin-1).
bool DecodesNarrow(std::string_view bytes, TextEncoding encoding);
// DecodeText of bytes from offset from on, with one byte a unit (Latin-1),
// written over bytes from their start (the text is never longer than its
// bytes): the number of units. For bytes that DecodesNarrow accepts.
size_t DecodeNarrowInPlace(std::string& bytes, size_t from, TextEncoding encoding);

// DecodeText over bytes in parts of about partSize bytes, appending to text.
// After each part, decoded(n) tells that the first n bytes are done, so that
// a caller can give their memory back while a big file is decoded; text
// grows only as the parts arrive. Same result as DecodeText.
template <typename Decoded>
void DecodeTextInParts(std::string_view bytes, TextEncoding encoding, std::u16string& text,
                       size_t partSize, Decoded&& decoded);

// Where a part of bytes that should end near end may end: never inside a
// UTF-8 sequence, never between a CR and its LF. After start, and not after
// end unless the part would be empty.
size_t DecodePartEnd(std::string_view bytes, TextEncoding encoding, size_t start, size_t end);

// Encodes text for the file, appending to out. Returns false, with *badIndex
// set to the index of the first offending unit, when a character cannot be
// stored in the encoding (above U+00FF for Latin-1, a lone surrogate for
// UTF-8); out is then unspecified. badIndex may be null.
bool EncodeText(std::u16string_view text, TextEncoding encoding, std::string& out, size_t* badIndex,
                LineBreak lineBreak = LineBreak::CrLf);

// The most bytes that EncodeTextInto writes for a text of units UTF-16 units.
inline size_t EncodedCapacity(size_t units) {
    return units * 3;
}

// EncodeText in a single pass, into out, which has room for
// EncodedCapacity(text.size()) bytes: for pieces of a long text, encoded
// into one reused buffer. Returns the number of bytes written, or SIZE_MAX
// with *badIndex set (badIndex may be null) as EncodeText fails.
size_t EncodeTextInto(std::u16string_view text, TextEncoding encoding, char* out, size_t* badIndex,
                      LineBreak lineBreak = LineBreak::CrLf);

template <typename Decoded>
void DecodeTextInParts(std::string_view bytes, TextEncoding encoding, std::u16string& text,
                       size_t partSize, Decoded&& decoded) {
    const size_t at = text.size();
    if (bytes.size() <= partSize) { // one part: decoded in place
        text.resize(at + DecodedCapacity(bytes));
        text.resize(at + DecodeText(bytes, encoding, text.data() + at));
        if (!bytes.empty()) {
            decoded(bytes.size());
        }
        return;
    }
    text.reserve(at + DecodedCapacity(bytes));
    std::u16string part(partSize, u'\0');
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end =
            DecodePartEnd(bytes, encoding, start, std::min(start + partSize, bytes.size()));
        if (end - start > part.size()) { // a part that could not end sooner
            part.resize(end - start);
        }
        const size_t units = DecodeText(bytes.substr(start, end - start), encoding, part.data());
        text.append(part.data(), units);
        decoded(end);
        start = end;
    }
}

} // namespace sheafpad
