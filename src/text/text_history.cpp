// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/text_history.h"

#include <algorithm>
#include <vector>

namespace sheafpad {

size_t MovePosition(size_t pos, const TextChange& change, Stick stick) {
    const size_t removedEnd = change.pos + change.removed;
    if (pos < change.pos || (pos == change.pos && stick == Stick::Before)) {
        return pos;
    }
    if (pos >= removedEnd) {
        return pos - change.removed + change.inserted;
    }
    // Inside the removed text (or at the insertion point, sticking after).
    return change.pos + (stick == Stick::After && pos == removedEnd ? change.inserted : 0);
}

TextRange MoveRange(TextRange range, const TextChange& change) {
    const size_t start = MovePosition(range.start, change, Stick::After);
    const size_t end = MovePosition(range.end, change, Stick::Before);
    return TextRange{start, std::max(start, end)};
}

void AddRange(std::vector<TextRange>& ranges, TextRange range) {
    if (range.Empty()) {
        return;
    }
    auto first = std::lower_bound(ranges.begin(), ranges.end(), range.start,
                                  [](const TextRange& r, size_t pos) { return r.end < pos; });
    auto last = first;
    for (; last != ranges.end() && last->start <= range.end; ++last) {
        range.start = std::min(range.start, last->start);
        range.end = std::max(range.end, last->end);
    }
    ranges.insert(ranges.erase(first, last), range);
}

void MoveRanges(std::vector<TextRange>& ranges, const TextChange& change) {
    std::vector<TextRange> moved;
    moved.reserve(ranges.size());
    for (const TextRange& r : ranges) {
        AddRange(moved, MoveRange(r, change));
    }
    ranges = std::move(moved);
}

void TextHistory::Add(const TextChange& change) {
    ++revision_;
    changes_.push_back(change);
    if (changes_.size() > kKeptChanges) {
        changes_.pop_front();
    }
}

void TextHistory::Reset() {
    ++revision_;
    resetAt_ = revision_;
    changes_.clear();
}

bool TextHistory::Reaches(uint64_t from) const {
    return from >= resetAt_ && from <= revision_ && revision_ - from <= changes_.size();
}

std::optional<size_t> TextHistory::Move(size_t pos, uint64_t from, Stick stick) const {
    if (!Reaches(from)) {
        return std::nullopt;
    }
    for (size_t i = changes_.size() - (revision_ - from); i < changes_.size(); ++i) {
        pos = MovePosition(pos, changes_[i], stick);
    }
    return pos;
}

std::optional<TextRange> TextHistory::Move(TextRange range, uint64_t from) const {
    if (!Reaches(from)) {
        return std::nullopt;
    }
    for (size_t i = changes_.size() - (revision_ - from); i < changes_.size(); ++i) {
        range = MoveRange(range, changes_[i]);
    }
    return range;
}

bool TextHistory::ForEachKeptPart(TextRange range, uint64_t from, const PartFn& fn) const {
    if (!Reaches(from)) {
        return false;
    }
    struct Part {
        size_t offset, now, length;
    };
    std::vector<Part> parts;
    if (!range.Empty()) {
        parts.push_back({0, range.start, range.end - range.start});
    }
    for (size_t i = changes_.size() - (revision_ - from); i < changes_.size() && !parts.empty();
         ++i) {
        const TextChange& c = changes_[i];
        const size_t removedEnd = c.pos + c.removed;
        std::vector<Part> moved;
        for (const Part& p : parts) {
            const size_t end = p.now + p.length;
            if (end <= c.pos) {
                moved.push_back(p);
                continue;
            }
            if (p.now >= removedEnd) {
                moved.push_back({p.offset, p.now - c.removed + c.inserted, p.length});
                continue;
            }
            // The change cuts into it: what lies before and after the removed text.
            if (p.now < c.pos) {
                moved.push_back({p.offset, p.now, c.pos - p.now});
            }
            if (end > removedEnd) {
                moved.push_back(
                    {p.offset + (removedEnd - p.now), c.pos + c.inserted, end - removedEnd});
            }
        }
        parts.swap(moved);
    }
    for (const Part& p : parts) {
        fn(p.offset, p.now, p.length);
    }
    return true;
}

} // namespace sheafpad
