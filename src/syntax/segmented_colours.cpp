// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntax/segmented_colours.h"

#include <algorithm>

namespace sheafpad::syntax {

namespace {

// At least this much is parsed at a time.
constexpr size_t kLeastStretch = 4096;
// Parsed past the item that ends at a known boundary, so that the item
// after it shows that it ended there.
constexpr size_t kPast = 1024;
// The end of a stretch cut short reads wrongly; provisional colours stop
// this far before it.
constexpr size_t kProvisionalMargin = 4096;

bool Clean(TSNode node) {
    return !ts_node_has_error(node) && !ts_node_is_missing(node);
}

} // namespace

SegmentedColours::SegmentedColours(Language language) : parser_(language) {}

void SegmentedColours::Reset(size_t length) {
    parser_.Drop();
    boundaries_.clear();
    dirty_.clear();
    suspect_.clear();
    verifying_ = false;
    if (length > 0) {
        dirty_.push_back({0, length});
    }
    provisional_ = 0;
}

void SegmentedColours::Edit(const TextChange& change) {
    parser_.Drop();
    const size_t pos = change.pos, removedEnd = change.pos + change.removed;
    auto move = [&](size_t mark) {
        return mark >= removedEnd ? mark - change.removed + change.inserted : std::min(mark, pos);
    };
    // Parsed again from the boundary before the edit: the item after it may
    // now reach back (an `else` typed after an `if`).
    const auto after = std::lower_bound(boundaries_.begin(), boundaries_.end(), pos);
    const size_t from = after == boundaries_.begin() ? 0 : *std::prev(after);
    std::vector<size_t> boundaries;
    for (const size_t b : boundaries_) {
        if (b <= pos || b >= removedEnd) {
            boundaries.push_back(move(b));
        }
    }
    boundaries_ = std::move(boundaries);
    MoveRanges(dirty_, change);
    MoveRanges(suspect_, change);
    if (verifying_) { // the new edit comes first; the check goes on after it
        for (const UnitRange& r : dirty_) {
            AddRange(suspect_, r);
        }
        dirty_.clear();
        verifying_ = false;
    }
    // A removal, too, is parsed again: at least the character after it.
    AddRange(dirty_, {from, pos + change.inserted + 1});
    provisional_ = move(provisional_);
}

ParseOutcome SegmentedColours::ParseStretch(const TextSnapshot& text, size_t start, size_t end,
                                            const std::atomic<size_t>* cancel,
                                            const ParseLimits& limits) {
    // Anew each time: reusing the tree of the stretch before (told of the
    // text it lost and gained) saves no time.
    parser_.Drop();
    parsedFrom_ = start;
    lastParsed_ += end - start;
    return parser_.ParseRange(text, start, end, cancel, limits);
}

std::vector<size_t> SegmentedColours::StretchBoundaries(bool atEnd, bool strict,
                                                        bool& pastError) const {
    std::vector<size_t> found;
    const TSNode root = ts_tree_root_node(parser_.Trees().tree.get());
    const uint32_t count = ts_node_child_count(root);
    // Where the stretch was cut short, the parse gave up at its end: what
    // it had begun shows as the last items, in an error, or (when the root
    // is an error) as the pieces of an unfinished item, the first of them a
    // sign or a keyword, and the items inside it as if at the top. No
    // boundary is taken there.
    //
    // An error before clean items is most often the text's own (a statement
    // being typed), and the items after it end where they did: boundaries
    // are taken there at first, or every key that breaks a statement would
    // parse the rest of the text. But an error may also reach to the end of
    // the text (an unclosed string), which only a parse past it shows: while
    // verifying, no boundary is taken after an error.
    uint32_t limit = count, strictLimit = count;
    if (!atEnd) {
        limit = count - std::min<uint32_t>(count, 1);
        for (uint32_t i = 0; i < limit; ++i) {
            if (!ts_node_is_named(ts_node_child(root, i))) {
                limit = i;
            }
        }
        strictLimit = limit;
        while (limit > 0 && !Clean(ts_node_child(root, limit - 1))) {
            --limit;
        }
        for (uint32_t i = limit; i-- > 0;) {
            if (!Clean(ts_node_child(root, i))) {
                strictLimit = i;
                break;
            }
        }
        strictLimit = std::min(strictLimit, limit);
    }
    if (strict) {
        limit = strictLimit;
    }
    pastError = false;
    for (uint32_t i = 0; i + 1 < limit; ++i) {
        const TSNode item = ts_node_child(root, i), next = ts_node_child(root, i + 1);
        if (Clean(item) && Clean(next)) {
            found.push_back(parsedFrom_ + ts_node_end_byte(item) / 2);
            pastError = pastError || i + 1 >= strictLimit;
        }
    }
    return found;
}

std::vector<Kind> SegmentedColours::StretchKinds(const TextSnapshot& text, size_t from, size_t to) {
    const size_t base = parsedFrom_;
    return highlighter_.Kinds(
        parser_.Trees(), [&](size_t pos, size_t count) { return text.Text(base + pos, count); },
        from - base, to - base);
}

ParseOutcome SegmentedColours::Step(const TextSnapshot& text, const std::atomic<size_t>* cancel,
                                    const ParseLimits& limits, std::vector<ColourPatch>& patches) {
    lastParsed_ = 0;
    if (dirty_.empty()) {
        // What was coloured past an error is checked once all else is.
        dirty_.swap(suspect_);
        verifying_ = !dirty_.empty();
    }
    if (dirty_.empty()) {
        return ParseOutcome::Parsed;
    }
    const size_t length = text.Length();
    const size_t start = dirty_.front().start;
    // Far enough that the item ending at the first boundary known past the
    // dirty stretch is followed by a whole one.
    const auto known = std::upper_bound(boundaries_.begin(), boundaries_.end(),
                                        std::max(dirty_.front().end, start + 1) - 1);
    size_t end = start + kStretch;
    if (known != boundaries_.end() && std::next(known) != boundaries_.end()) {
        end = std::min(end, *std::next(known) + kPast);
    }
    end = std::min(length, std::max(end, start + kLeastStretch));
    std::vector<size_t> found;
    bool pastError = false;
    for (;;) {
        const ParseOutcome outcome = ParseStretch(text, start, end, cancel, limits);
        if (outcome != ParseOutcome::Parsed) {
            parser_.Drop();
            return outcome;
        }
        found = StretchBoundaries(end >= length, verifying_, pastError);
        if (found.empty() && verifying_ && end - start >= kMostChecked) {
            // Checked this far: what lies beyond keeps the colours it has.
            found = StretchBoundaries(end >= length, false, pastError);
        }
        if (end >= length || !found.empty()) {
            break;
        }
        // No boundary yet: what is shown of a text never coloured gets the
        // colours of this first look meanwhile.
        if (end > provisional_ + kProvisionalMargin) {
            const size_t from = std::max(start, provisional_);
            patches.push_back(
                ColourPatch{from, StretchKinds(text, from, end - kProvisionalMargin)});
            provisional_ = end - kProvisionalMargin;
        }
        end = std::min(length, start + 2 * (end - start));
    }
    const size_t cut = end >= length ? length : found.back();
    if (pastError && !verifying_) {
        AddRange(suspect_, {start, start + 1});
    }
    patches.push_back(ColourPatch{start, StretchKinds(text, start, cut)});
    parser_.Drop(); // the stretch's tree is done with
    provisional_ = std::max(provisional_, cut);

    // Past the edit, a boundary known from before: the colours after it stay.
    UnitRange& dirty = dirty_.front();
    const bool resync = std::any_of(found.begin(), found.end(), [&](size_t b) {
        return b >= dirty.end && std::binary_search(boundaries_.begin(), boundaries_.end(), b);
    });
    const auto first = std::upper_bound(boundaries_.begin(), boundaries_.end(), start);
    const auto last = std::upper_bound(first, boundaries_.end(), cut);
    boundaries_.insert(boundaries_.erase(first, last), found.begin(), found.end());
    if (cut >= length || (resync && cut >= dirty.end)) {
        dirty_.erase(dirty_.begin());
        return ParseOutcome::Parsed;
    }
    dirty.start = cut;
    if (dirty.end <= cut) { // until the parse meets a boundary known from before
        const auto next = std::upper_bound(boundaries_.begin(), boundaries_.end(), cut);
        dirty.end = next == boundaries_.end() ? length : *next;
    }
    while (dirty_.size() > 1 && dirty_[1].start <= dirty_[0].end) {
        dirty_[0].end = std::max(dirty_[0].end, dirty_[1].end);
        dirty_.erase(dirty_.begin() + 1);
    }
    return ParseOutcome::Parsed;
}

} // namespace sheafpad::syntax
