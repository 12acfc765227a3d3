// SPDX-License-Identifier: GPL-3.0-or-later
#include "links/link_tracker.h"

#include <algorithm>

namespace sheafpad::links {

void LinkTracker::Forget() {
    known_ = false;
    links_.clear();
    touched_.clear();
}

void LinkTracker::Edit(const syntax::SyntaxEdit& edit) {
    if (!known_) {
        return;
    }
    // In bytes of UTF-16, as the trees count.
    const auto start = uint32_t(2 * edit.change.pos);
    const auto oldEnd = uint32_t(start + 2 * edit.change.removed);
    const auto newEnd = uint32_t(start + 2 * edit.change.inserted);
    const int64_t shift = int64_t(newEnd) - int64_t(oldEnd);
    const int64_t lines = int64_t(edit.newEnd.row) - int64_t(edit.oldEnd.row);
    const int64_t columns = (int64_t(edit.newEnd.column) - int64_t(edit.oldEnd.column)) / 2;
    // A link that began in the removed text is gone; its tag is read again.
    std::erase_if(links_,
                  [&](const RawLink& link) { return link.start >= start && link.start < oldEnd; });
    for (RawLink& link : links_) {
        if (link.start < oldEnd) {
            continue; // before the edit, or reaching into it: read again
        }
        if (link.line - 1 == edit.oldEnd.row) {
            link.column = uint32_t(link.column + columns); // the rest of the edit's last line
        }
        link.line = uint32_t(link.line + lines);
        link.start = uint32_t(link.start + shift);
        link.end = uint32_t(link.end + shift);
    }
    for (ByteRange& range : touched_) {
        if (range.end < start) {
            continue;
        }
        range.start =
            range.start >= oldEnd ? uint32_t(range.start + shift) : std::min(range.start, start);
        range.end = range.end >= oldEnd ? uint32_t(range.end + shift) : newEnd;
    }
    touched_.push_back({start, newEnd});
}

void LinkTracker::Update(LinkScanner& scanner, const syntax::SyntaxParser& parser,
                         const SnapshotText& text) {
    const syntax::SyntaxTrees& trees = parser.Trees();
    if (!known_ || !parser.Reused() || trees.language != syntax::Language::Html) {
        links_ = scanner.ScanTrees(trees, text);
        known_ = !trees.Empty();
        touched_.clear();
        return;
    }
    std::vector<ByteRange> ranges = std::move(touched_);
    touched_.clear();
    for (const TSRange& changed : parser.ChangedRanges()) {
        ranges.push_back({changed.start_byte, changed.end_byte});
    }
    if (ranges.empty()) {
        return;
    }
    ranges = LinkScanner::WholeUnits(trees, std::move(ranges));
    // Out with the links in the ranges, in with what they hold now.
    auto inRanges = [&](const RawLink& link) {
        const auto after = std::upper_bound(
            ranges.begin(), ranges.end(), link.start,
            [](uint32_t start, const ByteRange& range) { return start < range.start; });
        return after != ranges.begin() && link.start <= std::prev(after)->end;
    };
    std::erase_if(links_, inRanges);
    std::vector<RawLink> fresh = scanner.ScanRanges(trees, text, ranges);
    std::vector<RawLink> merged;
    merged.reserve(links_.size() + fresh.size());
    std::merge(std::make_move_iterator(links_.begin()), std::make_move_iterator(links_.end()),
               std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()),
               std::back_inserter(merged),
               [](const RawLink& a, const RawLink& b) { return a.start < b.start; });
    links_ = std::move(merged);
}

} // namespace sheafpad::links
