// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/content_hash.h"

#include <algorithm>
#include <cstring>

namespace sheafpad {
namespace {

constexpr uint64_t kPrime = 0x100000001b3u;

uint64_t Mix(uint64_t lane, uint64_t word) {
    lane = (lane ^ word) * kPrime;
    return lane ^ (lane >> 29);
}

} // namespace

void ContentHasher::MixBlock(const char* block) {
    for (int i = 0; i < 4; ++i) {
        uint64_t word;
        std::memcpy(&word, block + 8 * i, 8);
        lanes_[i] = Mix(lanes_[i], word);
    }
}

void ContentHasher::Add(std::string_view bytes) {
    size_t at = 0;
    const size_t filled = size_t(length_ % kBlock);
    length_ += bytes.size();
    if (filled != 0) {
        const size_t take = std::min(bytes.size(), kBlock - filled);
        std::memcpy(pending_ + filled, bytes.data(), take);
        at = take;
        if (filled + take < kBlock) {
            return;
        }
        MixBlock(reinterpret_cast<const char*>(pending_));
    }
    for (; at + kBlock <= bytes.size(); at += kBlock) {
        MixBlock(bytes.data() + at);
    }
    std::memcpy(pending_, bytes.data() + at, bytes.size() - at);
}

uint64_t ContentHasher::Value() const {
    uint64_t hash = length_ * 0x9e3779b97f4a7c15u;
    for (const uint64_t lane : lanes_) {
        hash = Mix(hash, lane);
    }
    for (size_t i = 0; i < size_t(length_ % kBlock); ++i) {
        hash = (hash ^ pending_[i]) * kPrime;
    }
    hash = Mix(hash, length_);
    return hash != 0 ? hash : 1;
}

} // namespace sheafpad
