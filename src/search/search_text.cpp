#include "search/search_text.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
            run =
                cr == nullptr ? bytes.size() : size_t(static_cast<const char*>(cr) - bytes.data());
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

namespace {

// Counts of a stretch of a file's bytes: the pane's positions and line
// breaks in it. pendingCr: the byte before the stretch was a CR.
struct Tally {
    uint64_t units = 0, breaks = 0;
};

void Count(const unsigned char* p, size_t n, bool utf8, bool pendingCr, Tally& tally) {
    size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes a step: a UTF-8 continuation byte adds no position, a
    // four-byte character's lead adds two, an LF after a CR belongs to it.
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    const __m128i continuationTop = _mm_set1_epi8(char(0xC0)), zero = _mm_setzero_si128();
    const __m128i fourByteLead = _mm_set1_epi8(char(0xEF));
    unsigned carry = pendingCr ? 1 : 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const unsigned crs = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, cr)));
        const unsigned lfs = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)));
        const unsigned pairs = lfs & ((crs << 1) | carry);
        carry = crs >> 15;
        int units = 16 - __builtin_popcount(pairs);
        if (utf8) {
            const unsigned continuation =
                unsigned(_mm_movemask_epi8(_mm_cmplt_epi8(v, continuationTop)));
            const unsigned four = unsigned(_mm_movemask_epi8(
                _mm_and_si128(_mm_cmpgt_epi8(v, fourByteLead), _mm_cmplt_epi8(v, zero))));
            units += __builtin_popcount(four) - __builtin_popcount(continuation);
        }
        tally.units += uint64_t(units);
        tally.breaks +=
            uint64_t(__builtin_popcount(crs) + __builtin_popcount(lfs) - __builtin_popcount(pairs));
    }
    pendingCr = carry != 0;
#endif
    for (; i < n; ++i) {
        const unsigned char c = p[i];
        const bool pair = c == '\n' && pendingCr;
        pendingCr = c == '\r';
        if (pair) {
            continue; // the CR counted the break
        }
        tally.breaks += c == '\n' || c == '\r' ? 1 : 0;
        tally.units += !utf8 ? 1 : (c & 0xC0) == 0x80 ? 0 : c >= 0xF0 ? 2 : 1;
    }
}

} // namespace

std::vector<PanePlace> PanePlaces(std::string_view bytes, TextEncoding encoding,
                                  const std::vector<size_t>& offsets) {
    std::vector<PanePlace> places;
    places.reserve(offsets.size());
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    Tally tally;
    size_t at = 0;
    for (size_t offset : offsets) {
        Count(data + at, offset - at, encoding == TextEncoding::Utf8,
              at > 0 && data[at - 1] == '\r', tally);
        at = offset;
        places.push_back(PanePlace{tally.units, tally.breaks});
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
