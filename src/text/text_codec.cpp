// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/text_codec.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sheafpad {

namespace {

using Byte = unsigned char;

constexpr uint64_t kHighBits = 0x8080808080808080ull;

// True when the 8 bytes at p are all ASCII.
inline bool AsciiWord(const Byte* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return (word & kHighBits) == 0;
}

inline bool IsContinuation(Byte b) {
    return (b & 0xC0) == 0x80;
}

// The characters that the editor's document uses for its own structure
// (paragraph and line separators, frame markers): a file holding them could
// not come back byte for byte, so such a file is read as Latin-1.
inline bool IsReservedThreeByte(Byte b0, Byte b1, Byte b2) {
    return (b0 == 0xE2 && b1 == 0x80 && (b2 == 0xA8 || b2 == 0xA9)) ||
           (b0 == 0xEF && b1 == 0xB7 && (b2 == 0x90 || b2 == 0x91));
}

// Widens [p, end) one unit per byte.
inline char16_t* WidenLatin1(const Byte* p, const Byte* end, char16_t* out) {
    for (; p < end; ++p) {
        *out++ = char16_t(*p);
    }
    return out;
}

// Decodes the UTF-8 of [p, end). The input is expected to be valid; anything
// else still decodes without reading or writing out of bounds (each bad byte
// gives one U+FFFD), so the output never exceeds one unit per byte.
char16_t* DecodeUtf8(const Byte* p, const Byte* end, char16_t* out) {
    while (p < end) {
        // Plain ASCII runs, the bulk of typical files, 8 bytes at a time.
        while (end - p >= 8 && AsciiWord(p)) {
            for (int i = 0; i < 8; ++i) {
                out[i] = char16_t(p[i]);
            }
            p += 8;
            out += 8;
        }
        if (p == end) {
            break;
        }
        const Byte b0 = *p;
        const ptrdiff_t left = end - p;
        if (b0 < 0x80) {
            *out++ = char16_t(b0);
            p += 1;
        } else if (b0 >= 0xC2 && b0 < 0xE0 && left >= 2 && IsContinuation(p[1])) {
            *out++ = char16_t(((b0 & 0x1F) << 6) | (p[1] & 0x3F));
            p += 2;
        } else if (b0 >= 0xE0 && b0 < 0xF0 && left >= 3 && IsContinuation(p[1]) &&
                   IsContinuation(p[2])) {
            *out++ = char16_t(((b0 & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
            p += 3;
        } else if (b0 >= 0xF0 && b0 < 0xF5 && left >= 4 && IsContinuation(p[1]) &&
                   IsContinuation(p[2]) && IsContinuation(p[3])) {
            const uint32_t code = ((b0 & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) |
                                  ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
            if (code >= 0x10000 && code <= 0x10FFFF) {
                *out++ = char16_t(0xD800 + ((code - 0x10000) >> 10));
                *out++ = char16_t(0xDC00 + ((code - 0x10000) & 0x3FF));
            } else {
                *out++ = u'\uFFFD';
            }
            p += 4;
        } else {
            *out++ = u'\uFFFD';
            p += 1;
        }
    }
    return out;
}

// The length of the run at the start of [p, p + n) of units that are written
// as one byte each: no line break and no bit of highMask set (0xFF80 for
// UTF-8, 0xFF00 for Latin-1). May stop short of the run's true end.
size_t PlainRun(const char16_t* p, size_t n, uint16_t highMask) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i high = _mm_set1_epi16(short(highMask));
    const __m128i lineFeed = _mm_set1_epi16(u'\n');
    const __m128i zero = _mm_setzero_si128();
    for (; i + 8 <= n; i += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i bad = _mm_or_si128(
            _mm_cmpeq_epi16(units, lineFeed),
            _mm_xor_si128(_mm_cmpeq_epi16(_mm_and_si128(units, high), zero), _mm_set1_epi8(-1)));
        if (_mm_movemask_epi8(bad) != 0) {
            break;
        }
    }
#endif
    while (i < n && (p[i] & highMask) == 0 && p[i] != u'\n') {
        ++i;
    }
    return i;
}

// Writes the n units at p, a run that PlainRun accepted, one byte each.
char* NarrowRun(const char16_t* p, size_t n, char* out) {
    size_t i = 0;
#if defined(__SSE2__)
    for (; i + 8 <= n; i += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(units, units));
    }
#endif
    for (; i < n; ++i) {
        out[i] = char(Byte(p[i]));
    }
    return out + n;
}

// Bytes that EncodeText writes for text, or false with *badIndex set.
bool MeasureLatin1(std::u16string_view text, LineBreak lineBreak, size_t* size, size_t* badIndex) {
    const size_t extra = BreakBytes(lineBreak).size() - 1;
    size_t total = text.size();
    for (size_t i = 0; i < text.size(); ++i) {
        i += PlainRun(text.data() + i, text.size() - i, 0xFF00);
        if (i == text.size()) {
            break;
        }
        const char16_t unit = text[i];
        if (unit == u'\n' || unit == u'\u2029') {
            total += extra;
        } else if (unit > 0xFF) {
            *badIndex = i;
            return false;
        }
    }
    *size = total;
    return true;
}

bool MeasureUtf8(std::u16string_view text, LineBreak lineBreak, size_t* size, size_t* badIndex) {
    const size_t breakSize = BreakBytes(lineBreak).size();
    size_t total = 0;
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        const size_t run = PlainRun(text.data() + i, n - i, 0xFF80);
        total += run;
        i += run;
        if (i == n) {
            break;
        }
        const char16_t unit = text[i];
        if (unit == u'\n' || unit == u'\u2029') {
            total += breakSize;
        } else if (unit < 0x80) {
            total += 1;
        } else if (unit < 0x800) {
            total += 2;
        } else if (unit < 0xD800 || unit > 0xDFFF) {
            total += 3;
        } else if (unit < 0xDC00 && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            total += 4;
            ++i;
        } else {
            *badIndex = i;
            return false;
        }
    }
    *size = total;
    return true;
}

// Writes text, already measured and checked, at out.
void WriteLatin1(std::u16string_view text, std::string_view lineBreak, char* out) {
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        const size_t run = PlainRun(text.data() + i, n - i, 0xFF00);
        out = NarrowRun(text.data() + i, run, out);
        i += run;
        if (i == n) {
            break;
        }
        const char16_t unit = text[i];
        if (unit == u'\n' || unit == u'\u2029') {
            out = std::copy(lineBreak.begin(), lineBreak.end(), out);
        } else {
            *out++ = char(Byte(unit));
        }
    }
}

void WriteUtf8(std::u16string_view text, std::string_view lineBreak, char* out) {
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        const size_t run = PlainRun(text.data() + i, n - i, 0xFF80);
        out = NarrowRun(text.data() + i, run, out);
        i += run;
        if (i == n) {
            break;
        }
        const char16_t unit = text[i];
        if (unit == u'\n' || unit == u'\u2029') {
            out = std::copy(lineBreak.begin(), lineBreak.end(), out);
        } else if (unit < 0x80) {
            *out++ = char(unit);
        } else if (unit < 0x800) {
            *out++ = char(0xC0 | (unit >> 6));
            *out++ = char(0x80 | (unit & 0x3F));
        } else if (unit < 0xD800 || unit > 0xDFFF) {
            *out++ = char(0xE0 | (unit >> 12));
            *out++ = char(0x80 | ((unit >> 6) & 0x3F));
            *out++ = char(0x80 | (unit & 0x3F));
        } else {
            const uint32_t code =
                0x10000 + ((uint32_t(unit) - 0xD800) << 10) + (text[++i] - 0xDC00);
            *out++ = char(0xF0 | (code >> 18));
            *out++ = char(0x80 | ((code >> 12) & 0x3F));
            *out++ = char(0x80 | ((code >> 6) & 0x3F));
            *out++ = char(0x80 | (code & 0x3F));
        }
    }
}

} // namespace

bool ContainsNul(std::string_view bytes) {
    return std::memchr(bytes.data(), 0, bytes.size()) != nullptr;
}

TextEncoding DetectEncoding(std::string_view bytes) {
    const Byte* p = reinterpret_cast<const Byte*>(bytes.data());
    const Byte* const end = p + bytes.size();
    while (p < end) {
        // Skip ASCII 32 bytes at a time, then 8 at a time.
        while (end - p >= 32) {
            uint64_t w[4];
            std::memcpy(w, p, sizeof w);
            if (((w[0] | w[1] | w[2] | w[3]) & kHighBits) != 0) {
                break;
            }
            p += 32;
        }
        while (end - p >= 8 && AsciiWord(p)) {
            p += 8;
        }
        if (p == end) {
            break;
        }
        const Byte b0 = *p;
        const ptrdiff_t left = end - p;
        if (b0 < 0x80) {
            p += 1;
        } else if (b0 < 0xC2) {
            return TextEncoding::Latin1; // a stray continuation, or an overlong form
        } else if (b0 < 0xE0) {
            if (left < 2 || !IsContinuation(p[1])) {
                return TextEncoding::Latin1;
            }
            p += 2;
        } else if (b0 < 0xF0) {
            if (left < 3 || !IsContinuation(p[1]) || !IsContinuation(p[2])) {
                return TextEncoding::Latin1;
            }
            if ((b0 == 0xE0 && p[1] < 0xA0) ||  // overlong
                (b0 == 0xED && p[1] >= 0xA0) || // a surrogate
                IsReservedThreeByte(b0, p[1], p[2])) {
                return TextEncoding::Latin1;
            }
            p += 3;
        } else if (b0 < 0xF5) {
            if (left < 4 || !IsContinuation(p[1]) || !IsContinuation(p[2]) ||
                !IsContinuation(p[3])) {
                return TextEncoding::Latin1;
            }
            if ((b0 == 0xF0 && p[1] < 0x90) ||  // overlong
                (b0 == 0xF4 && p[1] >= 0x90)) { // above U+10FFFF
                return TextEncoding::Latin1;
            }
            p += 4;
        } else {
            return TextEncoding::Latin1;
        }
    }
    return TextEncoding::Utf8;
}

size_t DecodeText(std::string_view bytes, TextEncoding encoding, char16_t* out) {
    const Byte* p = reinterpret_cast<const Byte*>(bytes.data());
    const Byte* const end = p + bytes.size();
    char16_t* o = out;
    // A CR is never part of a multi-byte sequence, so the text is decoded in
    // runs between CRs; LF needs no change.
    while (p < end) {
        const Byte* cr = static_cast<const Byte*>(std::memchr(p, '\r', size_t(end - p)));
        const Byte* runEnd = cr != nullptr ? cr : end;
        o = encoding == TextEncoding::Latin1 ? WidenLatin1(p, runEnd, o) : DecodeUtf8(p, runEnd, o);
        if (cr == nullptr) {
            break;
        }
        *o++ = u'\n'; // CR LF or a lone CR: one line break
        p = cr + 1;
        if (p < end && *p == '\n') {
            ++p;
        }
    }
    return size_t(o - out);
}

bool DecodesNarrow(std::string_view bytes, TextEncoding encoding) {
    if (encoding == TextEncoding::Latin1) {
        return true;
    }
    // Valid UTF-8: a character from U+0100 on starts with 0xC4 or more.
    return std::none_of(bytes.begin(), bytes.end(), [](char c) { return Byte(c) >= 0xC4; });
}

size_t DecodeNarrowInPlace(std::string& bytes, size_t from, TextEncoding encoding) {
    Byte* const start = reinterpret_cast<Byte*>(bytes.data());
    const Byte* p = start + std::min(from, bytes.size());
    const Byte* const end = start + bytes.size();
    Byte* o = start;
    while (p < end) {
        // A run up to the next CR, or for UTF-8 the next two-byte character.
        const Byte* stop = p;
        while (stop < end && *stop != '\r' && (encoding == TextEncoding::Latin1 || *stop < 0x80)) {
            ++stop;
        }
        if (o != p) {
            std::memmove(o, p, size_t(stop - p));
        }
        o += stop - p;
        p = stop;
        if (p == end) {
            break;
        }
        if (*p == '\r') {
            *o++ = '\n'; // CR LF or a lone CR: one line break
            p += p + 1 < end && p[1] == '\n' ? 2 : 1;
        } else {
            *o++ = Byte(((p[0] & 0x1F) << 6) | (p[1] & 0x3F)); // C2 or C3 and one more
            p += 2;
        }
    }
    return size_t(o - start);
}

size_t DecodePartEnd(std::string_view bytes, TextEncoding encoding, size_t start, size_t end) {
    const auto cutOk = [&](size_t at) {
        if (at >= bytes.size()) {
            return true;
        }
        const auto byte = Byte(bytes[at]);
        const bool continuation = encoding == TextEncoding::Utf8 && IsContinuation(byte);
        return !continuation && !(byte == '\n' && bytes[at - 1] == '\r');
    };
    // A UTF-8 sequence has at most three continuation bytes, so this steps
    // back at most four places, or five before a CR LF; a part too short for
    // that ends after end instead.
    size_t at = end;
    while (at > start + 1 && !cutOk(at)) {
        --at;
    }
    if (!cutOk(at)) {
        at = end;
        while (!cutOk(at)) {
            ++at;
        }
    }
    return at;
}

size_t EncodeTextInto(std::u16string_view text, TextEncoding encoding, char* out, size_t* badIndex,
                      LineBreak lineBreak) {
    const std::string_view breakBytes = BreakBytes(lineBreak);
    const bool latin1 = encoding == TextEncoding::Latin1;
    const uint16_t highMask = latin1 ? 0xFF00 : 0xFF80;
    const char16_t* p = text.data();
    const size_t n = text.size();
    char* o = out;
    // Writes the unit at i (and its pair's second half); false when the
    // encoding cannot hold it.
    const auto special = [&](size_t& i) {
        const char16_t unit = p[i];
        const bool pair = unit >= 0xD800 && unit < 0xDC00 && i + 1 < n && p[i + 1] >= 0xDC00 &&
                          p[i + 1] <= 0xDFFF;
        if ((unit & highMask) == 0 && unit != u'\n') {
            *o++ = char(unit);
        } else if (unit == u'\n' || unit == u'\u2029') {
            o = std::copy(breakBytes.begin(), breakBytes.end(), o);
        } else if (latin1 ? unit > 0xFF : (unit >= 0xD800 && unit <= 0xDFFF && !pair)) {
            return false;
        } else if (latin1) {
            *o++ = char(Byte(unit));
        } else if (unit < 0x800) {
            *o++ = char(0xC0 | (unit >> 6));
            *o++ = char(0x80 | (unit & 0x3F));
        } else if (!pair) {
            *o++ = char(0xE0 | (unit >> 12));
            *o++ = char(0x80 | ((unit >> 6) & 0x3F));
            *o++ = char(0x80 | (unit & 0x3F));
        } else {
            const uint32_t code = 0x10000 + ((uint32_t(unit) - 0xD800) << 10) + (p[++i] - 0xDC00);
            *o++ = char(0xF0 | (code >> 18));
            *o++ = char(0x80 | ((code >> 12) & 0x3F));
            *o++ = char(0x80 | ((code >> 6) & 0x3F));
            *o++ = char(0x80 | (code & 0x3F));
        }
        ++i;
        return true;
    };
    size_t i = 0;
#if defined(__SSE2__)
    // Eight units at a time, narrowed as they are checked; a block with a
    // special unit gives its plain start, then the special unit is written
    // alone. Writing 8 bytes is safe: the output has room for 3 per unit.
    const __m128i high = _mm_set1_epi16(short(highMask));
    const __m128i lineFeed = _mm_set1_epi16(u'\n');
    const __m128i zero = _mm_setzero_si128();
    while (i + 8 <= n) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i plain = _mm_andnot_si128(_mm_cmpeq_epi16(units, lineFeed),
                                               _mm_cmpeq_epi16(_mm_and_si128(units, high), zero));
        const unsigned mask = ~unsigned(_mm_movemask_epi8(plain)) & 0xFFFF;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(o), _mm_packus_epi16(units, units));
        if (mask == 0) {
            i += 8;
            o += 8;
            continue;
        }
        const unsigned run = unsigned(__builtin_ctz(mask)) / 2;
        i += run;
        o += run;
        if (!special(i)) {
            break;
        }
    }
#endif
    while (i < n && special(i)) {
    }
    if (i < n) {
        if (badIndex != nullptr) {
            *badIndex = i;
        }
        return SIZE_MAX;
    }
    return size_t(o - out);
}

bool EncodeText(std::u16string_view text, TextEncoding encoding, std::string& out, size_t* badIndex,
                LineBreak lineBreak) {
    size_t ignored = 0;
    size_t* bad = badIndex != nullptr ? badIndex : &ignored;
    size_t size = 0;
    const bool latin1 = encoding == TextEncoding::Latin1;
    // Measuring first checks the whole text before anything is written and
    // lets the output be sized once, then filled through a pointer.
    if (!(latin1 ? MeasureLatin1(text, lineBreak, &size, bad)
                 : MeasureUtf8(text, lineBreak, &size, bad))) {
        return false;
    }
    const size_t start = out.size();
    out.resize(start + size);
    char* dest = out.data() + start;
    if (latin1) {
        WriteLatin1(text, BreakBytes(lineBreak), dest);
    } else {
        WriteUtf8(text, BreakBytes(lineBreak), dest);
    }
    return true;
}

} // namespace sheafpad
