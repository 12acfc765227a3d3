// SPDX-License-Identifier: GPL-3.0-or-later
// A fast hash of a file's content that stays the same from one build to the
// next: it tells whether a file still holds what the program read or wrote,
// in memory and in records kept across runs. Not for adversaries: it only
// has to tell one version of a file from another.
#pragma once

#include <cstdint>
#include <string_view>

namespace sheafpad {

// Fed a piece at a time; pieces of any size give the value of the whole.
// Four lanes mix alternate words, so that the multiplications do not wait on
// each other and the hash keeps up with reading the file.
class ContentHasher {
public:
    void Add(std::string_view bytes);
    // Never 0, so that 0 can stand for "not known".
    uint64_t Value() const;

private:
    static constexpr size_t kBlock = 32; // four lanes of 8 bytes
    void MixBlock(const char* block);

    uint64_t lanes_[4] = {0xcbf29ce484222325u, 0x84222325cbf29ce4u, 0x9e3779b97f4a7c15u,
                          0x7f4a7c159e3779b9u};
    uint64_t length_ = 0;
    unsigned char pending_[kBlock] = {}; // the bytes of an unfinished block
};

inline uint64_t ContentHash(std::string_view bytes) {
    ContentHasher hasher;
    hasher.Add(bytes);
    return hasher.Value();
}

} // namespace sheafpad
