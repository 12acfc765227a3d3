#include "search/search_text.h"

#include <algorithm>
#include <cstring>

namespace sheafpad::search {

void SearchText::Build(std::string_view bytes) {
    encoding_ = DetectEncoding(bytes);
    marks_.clear();
    const bool hasCr = std::memchr(bytes.data(), '\r', bytes.size()) != nullptr;
    if (encoding_ == TextEncoding::Utf8 && !hasCr) {
        text_ = bytes; // the common case: the file's bytes are the text
        return;
    }
    own_.clear();
    own_.reserve(encoding_ == TextEncoding::Utf8 ? bytes.size() : bytes.size() * 2);
    const bool widen = encoding_ == TextEncoding::Latin1;
    size_t i = 0;
    while (i < bytes.size()) {
        // A run that is copied as it is: no CR, and for Latin-1 no high byte.
        size_t run = i;
        if (widen) {
            while (run < bytes.size() && bytes[run] != '\r' && (unsigned char)bytes[run] < 0x80) {
                ++run;
            }
        } else {
            const void* cr = std::memchr(bytes.data() + i, '\r', bytes.size() - i);
            run = cr == nullptr ? bytes.size() : size_t(static_cast<const char*>(cr) - bytes.data());
        }
        own_.append(bytes.data() + i, run - i);
        i = run;
        if (i == bytes.size()) {
            break;
        }
        const unsigned char c = (unsigned char)bytes[i];
        if (c == '\r') {
            own_.push_back('\n');
            i += i + 1 < bytes.size() && bytes[i + 1] == '\n' ? 2 : 1;
            if (bytes[i - 1] == '\n') {
                marks_.emplace_back(own_.size(), i);
            }
        } else { // a Latin-1 character above 0x7F: two bytes of UTF-8
            own_.push_back(char(0xC0 | (c >> 6)));
            own_.push_back(char(0x80 | (c & 0x3F)));
            marks_.emplace_back(own_.size(), ++i);
        }
    }
    text_ = own_;
}

size_t SearchText::FileOffset(size_t textPos) const {
    auto after = std::upper_bound(marks_.begin(), marks_.end(), textPos,
                                  [](size_t pos, const auto& mark) { return pos < mark.first; });
    if (after == marks_.begin()) {
        return textPos;
    }
    --after;
    return after->second + (textPos - after->first);
}

std::vector<PanePlace> PanePlaces(std::string_view bytes, TextEncoding encoding,
                                  const std::vector<size_t>& offsets) {
    std::vector<PanePlace> places;
    places.reserve(offsets.size());
    PanePlace at;
    size_t i = 0;
    const bool utf8 = encoding == TextEncoding::Utf8;
    for (size_t offset : offsets) {
        for (; i < offset; ++i) {
            const unsigned char c = (unsigned char)bytes[i];
            if (c == '\n' && i > 0 && bytes[i - 1] == '\r') {
                continue; // the CR counted the break
            }
            if (c == '\n' || c == '\r') {
                ++at.line;
            }
            // A UTF-8 continuation byte adds nothing; a four-byte character
            // is two units.
            at.pos += !utf8 ? 1 : (c & 0xC0) == 0x80 ? 0 : c >= 0xF0 ? 2 : 1;
        }
        places.push_back(at);
    }
    return places;
}

std::string ToUtf8(std::string_view text, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf8) {
        return std::string(text);
    }
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const unsigned char c = (unsigned char)ch;
        if (c < 0x80) {
            out.push_back(ch);
        } else {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

} // namespace sheafpad::search
