// SPDX-License-Identifier: GPL-3.0-or-later
// Prefix sums against a plain running total, through random changes and
// counts added and removed.
#include "text/prefix_sums.h"

#include <gtest/gtest.h>
#include <numeric>
#include <random>

namespace sheafpad {
namespace {

TEST(PrefixSumsTest, AgreesWithARunningTotalThroughRandomChanges) {
    std::mt19937 random(7);
    for (size_t size : {size_t(0), size_t(1), size_t(2), size_t(7), size_t(64), size_t(1000)}) {
        std::vector<int32_t> counts(size);
        for (int32_t& c : counts) {
            c = int32_t(random() % 5 + 1);
        }
        PrefixSums sums;
        sums.Assign(counts);
        for (int round = 0; round < 200 && size > 0; ++round) {
            const size_t i = random() % size;
            counts[i] = int32_t(random() % 9 + 1);
            sums.Set(i, counts[i]);
            // Counts replaced by others, fewer or more (lines removed, added).
            const size_t first = random() % size, gone = random() % 3 % (size - first + 1);
            const std::vector<int32_t> added(random() % 3, int32_t(random() % 9 + 1));
            counts.erase(counts.begin() + first, counts.begin() + first + gone);
            counts.insert(counts.begin() + first, added.begin(), added.end());
            sums.Replace(first, gone, added);
            size = counts.size();
            if (size == 0) {
                break;
            }
            const size_t at = random() % (size + 1);
            const int64_t before = std::accumulate(counts.begin(), counts.begin() + at, int64_t(0));
            ASSERT_EQ(sums.Before(at), before) << "size " << size << " index " << at;
            if (at < size) {
                // Every sum inside the span of index at finds at.
                ASSERT_EQ(sums.IndexOf(before), at);
                ASSERT_EQ(sums.IndexOf(before + counts[at] - 1), at);
            }
        }
        EXPECT_EQ(sums.Total(), std::accumulate(counts.begin(), counts.end(), int64_t(0)));
        EXPECT_EQ(sums.IndexOf(sums.Total() + 5), size == 0 ? 0 : size - 1);
    }
}

} // namespace
} // namespace sheafpad
