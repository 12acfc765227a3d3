// A fast hash of a file's content that stays the same from one build to the
// next: it tells whether a file still holds what the program wrote, in
// records kept across runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace sheafpad {

inline uint64_t ContentHash(std::string_view bytes) {
    uint64_t hash = 0xcbf29ce484222325u ^ bytes.size();
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        hash = (hash ^ word) * 0x100000001b3u;
        hash ^= hash >> 29;
    }
    for (; i < bytes.size(); ++i) {
        hash = (hash ^ (unsigned char)bytes[i]) * 0x100000001b3u;
    }
    return hash;
}

} // namespace sheafpad
