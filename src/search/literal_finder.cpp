// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/literal_finder.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define SHEAFPAD_AVX2 1
#endif

namespace sheafpad::search {

namespace {
bool IsAsciiLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
} // namespace

LiteralFinder::LiteralFinder(std::string needle, bool asciiCaseless)
    : needle_(std::move(needle)), masks_(needle_.size(), '\0') {
    for (size_t i = 0; i < needle_.size(); ++i) {
        if (asciiCaseless && IsAsciiLetter((unsigned char)needle_[i])) {
            needle_[i] = char(needle_[i] | 0x20);
            masks_[i] = 0x20;
        }
    }
}

bool LiteralFinder::EqualAt(const char* at) const {
    for (size_t i = 0; i < needle_.size(); ++i) {
        if (char(at[i] | masks_[i]) != needle_[i]) {
            return false;
        }
    }
    return true;
}

#if defined(SHEAFPAD_AVX2)
// Thirty-two candidate starts a step, where the processor can (most x86-64
// processors of the last ten years); i is where the steps stopped.
__attribute__((target("avx2"))) size_t LiteralFinder::FindWide(const char* h, size_t& i,
                                                               size_t lastStart) const {
    const size_t n = needle_.size();
    const __m256i first = _mm256_set1_epi8(needle_[0]);
    const __m256i last = _mm256_set1_epi8(needle_[n - 1]);
    const __m256i firstMask = _mm256_set1_epi8(masks_[0]);
    const __m256i lastMask = _mm256_set1_epi8(masks_[n - 1]);
    for (; i + 32 <= lastStart + 1; i += 32) {
        const __m256i a =
            _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(h + i)), firstMask);
        const __m256i b = _mm256_or_si256(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(h + i + n - 1)), lastMask);
        unsigned bits = unsigned(_mm256_movemask_epi8(
            _mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, last))));
        while (bits != 0) {
            const size_t at = i + size_t(__builtin_ctz(bits));
            if (EqualAt(h + at)) {
                return at;
            }
            bits &= bits - 1;
        }
    }
    return std::string_view::npos;
}
#endif

size_t LiteralFinder::Find(std::string_view hay, size_t from) const {
    const size_t n = needle_.size();
    if (n == 0 || hay.size() < n || from > hay.size() - n) {
        return std::string_view::npos;
    }
    const char* const h = hay.data();
    const size_t lastStart = hay.size() - n; // the last place a match may start
    size_t i = from;
#if defined(SHEAFPAD_AVX2)
    static const bool wide = __builtin_cpu_supports("avx2");
    if (wide) {
        if (const size_t at = FindWide(h, i, lastStart); at != std::string_view::npos) {
            return at;
        }
    }
#endif
#if defined(__SSE2__)
    // Sixteen candidate starts a step: those whose first and last bytes fit.
    const __m128i first = _mm_set1_epi8(needle_[0]);
    const __m128i last = _mm_set1_epi8(needle_[n - 1]);
    const __m128i firstMask = _mm_set1_epi8(masks_[0]);
    const __m128i lastMask = _mm_set1_epi8(masks_[n - 1]);
    for (; i + 16 <= lastStart + 1; i += 16) {
        const __m128i a =
            _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i)), firstMask);
        const __m128i b = _mm_or_si128(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i + n - 1)), lastMask);
        unsigned bits = unsigned(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
        while (bits != 0) {
            const size_t at = i + size_t(__builtin_ctz(bits));
            if (EqualAt(h + at)) {
                return at;
            }
            bits &= bits - 1;
        }
    }
#endif
    for (; i <= lastStart; ++i) {
        if (EqualAt(h + i)) {
            return i;
        }
    }
    return std::string_view::npos;
}

} // namespace sheafpad::search
