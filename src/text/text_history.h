// SPDX-License-Identifier: GPL-3.0-or-later
// Where a position or a range of an older version of a text is now.
//
// Each change of a text makes a new revision of it (a number, one more per
// change). Whoever keeps positions while the text goes on changing (colours
// found on an older revision, the matches of a search, marks in the view)
// notes the revision they belong to and asks the history to move them to
// the current one, rather than following every edit itself. The history
// keeps the changes of the last kKeptChanges revisions; a position older
// than that, or older than the last replacement of the whole text, cannot
// be moved any more (nullopt), and its keeper has to find it anew.
//
// The rule for a single change is MovePosition below: positions before the
// change stay, positions after it move by what it added or took, positions
// inside the removed text go to where it was. A position at the very place
// of an insertion sticks to the text before it or after it, as asked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace sheafpad {

// What changed, for repainting: removed units at pos were replaced by
// inserted units (positions of the text before the change at and before
// pos + removed, of the text after it from pos on).
struct TextChange {
    size_t pos = 0;
    size_t removed = 0;
    size_t inserted = 0;
    bool operator==(const TextChange&) const = default;
};

// [start, end) of a text; empty when end <= start.
struct TextRange {
    size_t start = 0, end = 0;
    bool Empty() const { return end <= start; }
    bool operator==(const TextRange&) const = default;
};

// A position where text is inserted: Before stays before the new text (an
// end of a range that should not grow), After goes after it (a caret that
// the typed text pushes on, a start of a range that should not grow).
enum class Stick { Before, After };

// Where pos is after change (pos counts in the text before it).
size_t MovePosition(size_t pos, const TextChange& change, Stick stick);

// Where range is after change: its start sticks After, its end Before, so
// that text inserted at either end stays outside it. A range inside the
// removed text shrinks to where that was.
TextRange MoveRange(TextRange range, const TextChange& change);

// Sets of ranges kept sorted and disjoint: AddRange joins range to those it
// touches; MoveRanges moves them all along change (each as MoveRange does,
// those that come to touch joined).
void AddRange(std::vector<TextRange>& ranges, TextRange range);
void MoveRanges(std::vector<TextRange>& ranges, const TextChange& change);

class TextHistory {
public:
    // Changes kept: some 1.5 MB, hours of typing.
    static constexpr size_t kKeptChanges = size_t(1) << 16;

    // The revision of the text now: 0 at first.
    uint64_t Revision() const { return revision_; }
    // The first revision of the present whole text (after the last Reset).
    uint64_t FirstRevision() const { return resetAt_; }
    // A change makes the next revision.
    void Add(const TextChange& change);
    // The whole text was replaced: positions of earlier revisions mean
    // nothing in it.
    void Reset();

    // Whether positions of revision from can be moved to the present one.
    bool Reaches(uint64_t from) const;
    // Where pos of revision from is now; nullopt when from is out of reach.
    std::optional<size_t> Move(size_t pos, uint64_t from, Stick stick) const;
    std::optional<TextRange> Move(TextRange range, uint64_t from) const;
    // The parts of [range.start, range.end) of revision from that no change
    // since has removed, in order: fn(offset, now, length) for each, where
    // offset counts from range.start and now is where the part is now.
    // False, calling nothing, when from is out of reach.
    using PartFn = std::function<void(size_t offset, size_t now, size_t length)>;
    bool ForEachKeptPart(TextRange range, uint64_t from, const PartFn& fn) const;

private:
    uint64_t revision_ = 0;
    uint64_t resetAt_ = 0;
    std::deque<TextChange> changes_; // those that made revisions revision_ - size() + 1 ..
};

} // namespace sheafpad
