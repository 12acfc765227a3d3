// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/shown_text.h"

namespace sheafpad {

namespace {

using Byte = unsigned char;

// The length of the valid UTF-8 sequence at p (no overlong forms, no
// surrogates, nothing above U+10FFFF), or 0; code receives its value.
size_t SequenceAt(const Byte* p, size_t left, char32_t& code) {
    const Byte b0 = p[0];
    if (b0 < 0x80) {
        code = b0;
        return 1;
    }
    size_t length = 0;
    Byte low = 0x80;
    Byte high = 0xBF; // the range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        code = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        code = b0 & 0x0F;
        low = b0 == 0xE0 ? 0xA0 : 0x80;
        high = b0 == 0xED ? 0x9F : 0xBF;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        code = b0 & 0x07;
        low = b0 == 0xF0 ? 0x90 : 0x80;
        high = b0 == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (left < length || p[1] < low || p[1] > high) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (p[i] & 0x3F);
    }
    return length;
}

// Characters that reorder what stands around them: the embeddings,
// overrides and isolates, and the left-to-right and right-to-left marks.
bool IsBidiControl(char32_t code) {
    return (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069) ||
           code == 0x200E || code == 0x200F;
}

// The escape for a control character, or "" for any other. A backslash is
// doubled, so that a name holding a backslash and a t never reads as a tab.
std::u16string EscapeOf(char32_t code) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    switch (code) {
    case '\\':
        return u"\\\\";
    case '\n':
        return u"\\n";
    case '\r':
        return u"\\r";
    case '\t':
        return u"\\t";
    default:
        break;
    }
    if (code < 0x20 || code == 0x7F) {
        return {u'\\', u'x', kHex[code >> 4], kHex[code & 0xF]};
    }
    if ((code >= 0x80 && code <= 0x9F) || code == 0x2028 || code == 0x2029 || IsBidiControl(code)) {
        return {u'\\',
                u'u',
                kHex[code >> 12],
                kHex[(code >> 8) & 0xF],
                kHex[(code >> 4) & 0xF],
                kHex[code & 0xF]};
    }
    return {};
}

} // namespace

ShownText ShowBytes(std::string_view bytes, ControlChars controls) {
    ShownText shown;
    shown.text.reserve(bytes.size());
    shown.byteAt.reserve(bytes.size() + 1);
    const auto* p = reinterpret_cast<const Byte*>(bytes.data());
    for (size_t at = 0; at < bytes.size();) {
        char32_t code = 0;
        size_t length = SequenceAt(p + at, bytes.size() - at, code);
        if (length == 0) {
            code = 0xFFFD;
            length = 1;
        }
        const std::u16string escape =
            controls == ControlChars::Escape ? EscapeOf(code) : std::u16string();
        if (!escape.empty()) {
            shown.text += escape;
            shown.byteAt.insert(shown.byteAt.end(), escape.size(), at);
        } else if (code >= 0x10000) {
            shown.text += char16_t(0xD800 + ((code - 0x10000) >> 10));
            shown.text += char16_t(0xDC00 + ((code - 0x10000) & 0x3FF));
            shown.byteAt.push_back(at);
            shown.byteAt.push_back(at);
        } else {
            shown.text += char16_t(code);
            shown.byteAt.push_back(at);
        }
        at += length;
    }
    shown.byteAt.push_back(bytes.size());
    return shown;
}

} // namespace sheafpad
