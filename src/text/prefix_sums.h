// SPDX-License-Identifier: GPL-3.0-or-later
// Sums of the prefixes of a sequence of counts, kept up to date as single
// counts change (a Fenwick tree): the view's estimated rows before each
// line, which typing changes one line at a time in texts of a million lines.
// Changing a count and reading a sum take O(log n); Assign takes O(n).
// Replacing counts from index i on takes O(n - i).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sheafpad {

class PrefixSums {
public:
    void Assign(std::vector<int32_t> counts) {
        counts_ = std::move(counts);
        tree_.assign(counts_.size() + 1, 0);
        for (size_t i = 1; i <= counts_.size(); ++i) {
            tree_[i] += counts_[i - 1];
            const size_t parent = i + (i & (~i + 1));
            if (parent <= counts_.size()) {
                tree_[parent] += tree_[i];
            }
        }
    }
    size_t Size() const { return counts_.size(); }
    int32_t At(size_t i) const { return counts_[i]; }
    void Set(size_t i, int32_t count) {
        const int64_t delta = int64_t(count) - counts_[i];
        counts_[i] = count;
        for (size_t j = i + 1; j < tree_.size(); j += j & (~j + 1)) {
            tree_[j] += delta;
        }
    }
    // Replaces the count counts from index first by counts (lines added or
    // removed): O(Size() - first), so lines added at the end cost little.
    void Replace(size_t first, size_t count, const std::vector<int32_t>& counts) {
        counts_.erase(counts_.begin() + ptrdiff_t(first),
                      counts_.begin() + ptrdiff_t(first + count));
        counts_.insert(counts_.begin() + ptrdiff_t(first), counts.begin(), counts.end());
        // The entries up to first cover counts before it and stay; each later
        // one is the difference of two prefix sums.
        tree_.resize(counts_.size() + 1);
        std::vector<int64_t> sums(counts_.size() - first + 1); // sums[k]: before first + k
        sums[0] = Before(first);
        for (size_t i = first; i < counts_.size(); ++i) {
            sums[i - first + 1] = sums[i - first] + counts_[i];
        }
        for (size_t i = first + 1; i < tree_.size(); ++i) {
            const size_t from = i - (i & (~i + 1));
            tree_[i] = sums[i - first] - (from >= first ? sums[from - first] : Before(from));
        }
    }
    // The sum of the counts before index i.
    int64_t Before(size_t i) const {
        int64_t sum = 0;
        for (size_t j = i; j > 0; j -= j & (~j + 1)) {
            sum += tree_[j];
        }
        return sum;
    }
    int64_t Total() const { return Before(counts_.size()); }
    // The index whose span [Before(i), Before(i + 1)) holds sum, for counts
    // above 0; the last index for sums at or past the total.
    size_t IndexOf(int64_t sum) const {
        size_t pos = 0;
        for (size_t step = std::bit_floor(counts_.size()); step > 0; step >>= 1) {
            if (pos + step < tree_.size() && tree_[pos + step] <= sum) {
                pos += step;
                sum -= tree_[pos];
            }
        }
        return counts_.empty() ? 0 : std::min(pos, counts_.size() - 1);
    }

private:
    std::vector<int32_t> counts_;
    std::vector<int64_t> tree_; // tree_[i]: the sum of counts (i - lowbit(i), i]
};

} // namespace sheafpad
