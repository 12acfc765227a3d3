// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/search_text.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sheafpad::search {

void SearchText::Build(std::string_view bytes) {
    encoding_ = DetectEncoding(bytes);
    // A byte-order mark is no part of the text: never matched, never moved.
    base_ = BomLength(bytes, encoding_);
    bytes.remove_prefix(base_);
    marks_.clear();
    const bool hasCr = std::memchr(bytes.data(), '\r', bytes.size()) != nullptr;
    hasCr_ = hasCr;
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
        return base_ + textPos;
    }
    --after;
    return base_ + after->second + (textPos - after->first);
}

namespace {

// Counts of a stretch of a file's bytes: the pane's positions and line
// breaks in it. pendingCr: the byte before the stretch was a CR.
struct Tally {
    uint64_t units = 0, breaks = 0;
};

#if defined(__SSE2__)
// The sum of sixteen byte-wide counters.
uint64_t Sum(__m128i counts) {
    const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
    return uint64_t(_mm_cvtsi128_si64(sums)) +
           uint64_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
}

// Count for bytes that hold no CR: an LF is a break, and only UTF-8 needs
// more than the length for the positions. Returns the bytes counted.
size_t CountWithoutCr(const unsigned char* p, size_t n, bool utf8, Tally& tally) {
    const __m128i lf = _mm_set1_epi8('\n'), zero = _mm_setzero_si128();
    const __m128i continuationTop = _mm_set1_epi8(char(0xC0));
    const __m128i fourByteLead = _mm_set1_epi8(char(0xEF));
    size_t i = 0;
    while (i + 16 <= n) {
        __m128i less = zero, more = zero, breaks = zero;
        const size_t stop = std::min(n - 15, i + 255 * 16);
        const size_t start = i;
        for (; i < stop; i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            breaks = _mm_sub_epi8(breaks, _mm_cmpeq_epi8(v, lf));
            if (utf8) {
                less = _mm_sub_epi8(less, _mm_cmplt_epi8(v, continuationTop));
                more = _mm_sub_epi8(
                    more, _mm_and_si128(_mm_cmpgt_epi8(v, fourByteLead), _mm_cmplt_epi8(v, zero)));
            }
        }
        tally.units += (i - start) + Sum(more) - Sum(less);
        tally.breaks += Sum(breaks);
    }
    return i;
}
#endif

void Count(const unsigned char* p, size_t n, bool utf8, bool pendingCr, bool hasCr, Tally& tally) {
    size_t i = 0;
#if defined(__SSE2__)
    if (!hasCr) {
        i = CountWithoutCr(p, n, utf8, tally);
    }
    // Sixteen bytes a step, counted in byte-wide counters that are summed
    // before they can overflow: a UTF-8 continuation byte adds no position,
    // a four-byte character's lead adds two, an LF after a CR belongs to it.
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    const __m128i continuationTop = _mm_set1_epi8(char(0xC0)), zero = _mm_setzero_si128();
    const __m128i fourByteLead = _mm_set1_epi8(char(0xEF));
    __m128i carry = pendingCr ? _mm_cvtsi32_si128(0xFF) : zero; // a CR just before, in byte 0
    const auto sum = Sum;
    while (i + 16 <= n) {
        __m128i less = zero, more = zero, breaks = zero;
        const size_t stop = std::min(n - 15, i + 255 * 16);
        const size_t start = i;
        for (; i < stop; i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const __m128i crs = _mm_cmpeq_epi8(v, cr);
            const __m128i lfs = _mm_cmpeq_epi8(v, lf);
            const __m128i afterCr = _mm_or_si128(_mm_slli_si128(crs, 1), carry);
            carry = _mm_srli_si128(crs, 15);
            __m128i fewer = _mm_and_si128(lfs, afterCr); // an LF that ends a CR LF
            breaks = _mm_sub_epi8(breaks, _mm_or_si128(crs, _mm_andnot_si128(afterCr, lfs)));
            if (utf8) {
                fewer = _mm_or_si128(fewer, _mm_cmplt_epi8(v, continuationTop));
                more = _mm_sub_epi8(
                    more, _mm_and_si128(_mm_cmpgt_epi8(v, fourByteLead), _mm_cmplt_epi8(v, zero)));
            }
            less = _mm_sub_epi8(less, fewer);
        }
        tally.units += (i - start) + sum(more) - sum(less);
        tally.breaks += sum(breaks);
    }
    pendingCr = _mm_cvtsi128_si32(carry) != 0;
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
                                  const std::vector<size_t>& offsets, bool hasCr) {
    std::vector<PanePlace> places;
    places.reserve(offsets.size());
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    Tally tally;
    size_t at = BomLength(bytes, encoding); // the mark takes no place in the pane
    for (size_t offset : offsets) {
        offset = std::max(offset, at);
        Count(data + at, offset - at, encoding == TextEncoding::Utf8,
              at > 0 && data[at - 1] == '\r', hasCr, tally);
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
