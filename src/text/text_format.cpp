// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/text_format.h"

#include <cstring>

namespace sheafpad {

LineBreak FirstLineBreak(std::string_view bytes) {
    // Two scans that stop at the first find, rather than one that looks for
    // either byte: each is a vectorised memchr.
    const void* lf = std::memchr(bytes.data(), '\n', bytes.size());
    const size_t lfAt =
        lf == nullptr ? bytes.size() : size_t(static_cast<const char*>(lf) - bytes.data());
    const void* cr = std::memchr(bytes.data(), '\r', lfAt);
    if (cr == nullptr) {
        return LineBreak::Lf; // an LF first, or no break at all
    }
    const size_t crAt = size_t(static_cast<const char*>(cr) - bytes.data());
    return lf != nullptr && crAt + 1 == lfAt ? LineBreak::CrLf : LineBreak::Cr;
}

TextFormat DetectFormat(std::string_view bytes) {
    TextFormat format;
    format.encoding = DetectEncoding(bytes);
    format.bom = BomLength(bytes, format.encoding) != 0;
    format.lineBreak = FirstLineBreak(TextBytes(bytes, format));
    return format;
}

bool EncodeFile(std::u16string_view text, const TextFormat& format, std::string& out,
                size_t* badIndex) {
    if (format.bom) {
        out.append(kUtf8Bom);
    }
    return EncodeText(text, format.encoding, out, badIndex, format.lineBreak);
}

const char* EncodingLabel(TextEncoding encoding) {
    return encoding == TextEncoding::Latin1 ? "Latin-1" : "UTF-8";
}

const char* LineBreakLabel(LineBreak lineBreak) {
    switch (lineBreak) {
    case LineBreak::CrLf:
        return "CR LF";
    case LineBreak::Cr:
        return "CR";
    case LineBreak::Lf:
        break;
    }
    return "LF";
}

} // namespace sheafpad
