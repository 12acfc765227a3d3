// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntax/segmented_colours.h"

#include <algorithm>

namespace sheafpad::syntax {

namespace {

// Characters around an edit coloured again with it: a word's colour may
// hang on its whole text.
constexpr size_t kAround = 256;
// A stretch cut where no boundary is parses this far past what it colours:
// the end of a text cut short reads wrongly.
constexpr size_t kPast = 4096;
// A stretch that begins at a statement start begins at least this far
// before what it colours.
constexpr size_t kLead = 2048;
// How far past what it colours a stretch may end at a boundary.
constexpr size_t kMostTail = 256 * 1024;
constexpr size_t kNone = ScriptScan::kNone;

bool Clean(TSNode node) {
    return !ts_node_has_error(node) && !ts_node_is_missing(node);
}

// Whether the first and the last item of a tree parsed without errors. The
// items are walked once (ts_node_child(root, i) walks from the first).
std::pair<bool, bool> CleanEnds(const Tree& tree) {
    const TSNode root = ts_tree_root_node(tree.get());
    if (Clean(root)) {
        return {true, true};
    }
    TSTreeCursor cursor = ts_tree_cursor_new(root);
    bool first = false, last = false;
    if (ts_tree_cursor_goto_first_child(&cursor)) {
        first = Clean(ts_tree_cursor_current_node(&cursor));
        TSNode item = ts_tree_cursor_current_node(&cursor);
        while (ts_tree_cursor_goto_next_sibling(&cursor)) {
            item = ts_tree_cursor_current_node(&cursor);
        }
        last = Clean(item);
    }
    ts_tree_cursor_delete(&cursor);
    return {first, last};
}

// The point (line, column in bytes of UTF-16) of pos in the text read from
// from on.
TSPoint PointIn(const TextSnapshot& text, size_t from, size_t pos) {
    uint32_t row = 0;
    size_t lineStart = from, at = from;
    text.ForEachChunk(from, pos - from, [&](std::u16string_view part) {
        for (auto feed = std::find(part.begin(), part.end(), u'\n'); feed != part.end();
             feed = std::find(feed + 1, part.end(), u'\n')) {
            ++row;
            lineStart = at + size_t(feed - part.begin()) + 1;
        }
        at += part.size();
        return true;
    });
    return TSPoint{row, uint32_t(2 * (pos - lineStart))};
}

// Where point, at or after the end of what edit removed, is after it.
TSPoint MovedPoint(TSPoint point, const SyntaxEdit& edit) {
    if (point.row == edit.oldEnd.row) {
        return TSPoint{edit.newEnd.row, edit.newEnd.column + point.column - edit.oldEnd.column};
    }
    return TSPoint{point.row - edit.oldEnd.row + edit.newEnd.row, point.column};
}

// point, of the text, as a point of the text read from origin on.
TSPoint RelativePoint(TSPoint point, TSPoint origin) {
    return point.row == origin.row ? TSPoint{0, point.column - origin.column}
                                   : TSPoint{point.row - origin.row, point.column};
}

} // namespace

SegmentedColours::SegmentedColours(Language language)
    : scan_(language), parser_(std::make_unique<SyntaxParser>(language)),
      spare_(std::make_unique<SyntaxParser>(language)) {}

void SegmentedColours::Reset(size_t length) {
    parser_->Drop();
    scan_.Reset(length);
    dirty_.clear();
    unplaced_.clear();
    AddRange(dirty_, TextRange{0, length});
    length_ = length;
    stretch_ = Stretch{};
}

void SegmentedColours::DropTree() {
    parser_->Drop();
}

bool SegmentedColours::IsBoundary(size_t pos, size_t length) const {
    return pos == 0 || pos >= length ||
           std::binary_search(scan_.Boundaries().begin(), scan_.Boundaries().end(), pos);
}

void SegmentedColours::Edit(const SyntaxEdit& edit) {
    const TextChange& c = edit.change;
    const size_t removedEnd = c.pos + c.removed;
    scan_.Edit(c);
    MoveRanges(dirty_, c);
    MoveRanges(unplaced_, c);
    AddRange(dirty_, TextRange{c.pos - std::min(c.pos, kAround), c.pos + c.inserted + kAround});
    length_ = length_ - c.removed + c.inserted;
    Stretch& s = stretch_;
    if (KeepsTree() && c.pos >= s.start && removedEnd <= s.end) {
        // Inside the kept stretch: its tree is told, and parsed again.
        SyntaxEdit inside = edit;
        inside.change.pos -= s.start;
        inside.start = RelativePoint(edit.start, s.startPoint);
        inside.oldEnd = RelativePoint(edit.oldEnd, s.startPoint);
        inside.newEnd = RelativePoint(edit.newEnd, s.startPoint);
        parser_->Edit(inside);
        // Coloured to its end, it stays so: what is typed there is its.
        s.colouredEnd = s.colouredEnd == s.end ? s.end - c.removed + c.inserted
                                               : MovePosition(s.colouredEnd, c, Stick::Before);
        s.end = s.end - c.removed + c.inserted;
        s.edited = true;
        if (KeepsTree()) {
            return;
        }
    } else if (KeepsTree() && removedEnd <= s.start) {
        // Before it: it moves along.
        s.start = s.start - c.removed + c.inserted;
        s.end = s.end - c.removed + c.inserted;
        s.colouredEnd = s.colouredEnd - c.removed + c.inserted;
        s.startPoint = MovedPoint(s.startPoint, edit);
    } else if (KeepsTree() && c.pos < s.end) {
        parser_->Drop(); // across one of its ends
    }
    AddRange(unplaced_, TextRange{c.pos, c.pos + c.inserted + 1});
}

bool SegmentedColours::Done(TextRange wanted) const {
    if (!unplaced_.empty() || (KeepsTree() && stretch_.edited)) {
        return false;
    }
    wanted.end = std::min(wanted.end, length_);
    return std::none_of(dirty_.begin(), dirty_.end(), [&](const TextRange& r) {
        return r.start < wanted.end && r.end > wanted.start;
    });
}

ParseOutcome SegmentedColours::ParseFresh(const TextSnapshot& text, size_t start, size_t end,
                                          const std::atomic<size_t>* cancel,
                                          const ParseLimits& limits) {
    parser_->Drop();
    stretch_ = Stretch{start, end, end, PointIn(text, 0, start), false, true};
    lastParsed_ += end - start;
    return parser_->ParseRange(text, start, end, cancel, limits);
}

ParseOutcome SegmentedColours::ParseEdited(const TextSnapshot& text,
                                           const std::atomic<size_t>* cancel,
                                           const ParseLimits& limits) {
    Stretch& s = stretch_;
    s.edited = false;
    const size_t length = text.Length();
    const bool cut = s.colouredEnd < s.end; // it ends where no boundary is
    size_t end = s.end;
    size_t affected = end; // colours past the stretch may change up to here
    if (!cut && end < length && !IsBoundary(end, length)) {
        // Its end is no longer one (a bracket or a string opened): it grows
        // to the next, as new text at the end of its tree.
        const size_t after = std::min(scan_.BoundaryAfter(end), length);
        end = after - end <= kMostTail ? after : std::min(length, end + kMostTail);
        affected = after;
        const TSPoint at = PointIn(text, s.start, s.end);
        const TSPoint grown = PointIn(text, s.start, end);
        SyntaxEdit growth;
        growth.change = TextChange{s.end - s.start, 0, end - s.end};
        growth.start = growth.oldEnd = at;
        growth.newEnd = grown;
        parser_->Edit(growth);
    }
    const SyntaxTrees old = parser_->Trees(); // shares its nodes
    const ParseOutcome outcome = parser_->ParseRange(text, s.start, end, cancel, limits);
    if (outcome != ParseOutcome::Parsed) {
        AddRange(dirty_, TextRange{s.start, end});
        return outcome;
    }
    for (const TextRange& r : ChangedRanges(old, parser_->Trees(), end - s.start)) {
        AddRange(dirty_, TextRange{s.start + r.start, s.start + r.end});
        lastParsed_ += r.end - r.start;
    }
    const bool grewToBoundary = end == length || IsBoundary(end, length);
    s.colouredEnd = cut || !grewToBoundary ? std::max(s.start, end - std::min(end, kPast)) : end;
    // What lies past a cut waits for a stretch of its own.
    AddRange(dirty_, TextRange{s.colouredEnd, std::max(end, affected)});
    s.end = end;
    return outcome;
}

ParseOutcome SegmentedColours::ParseAround(const TextSnapshot& text, size_t from, size_t to,
                                           const std::atomic<size_t>* cancel,
                                           const ParseLimits& limits) {
    const size_t length = text.Length();
    size_t start = scan_.BoundaryBefore(from);
    bool exact = true;
    if (from - start > kMostLead) {
        // No boundary near: a statement start, or a place in code, before it.
        const size_t lead = from - std::min(from, kLead);
        const size_t statement = scan_.StartBefore(lead);
        start = statement != kNone && from - statement <= kMostLead ? statement : lead;
        exact = false;
    }
    size_t end = std::min(scan_.BoundaryAfter(to), length);
    bool endExact = end - to <= kMostTail;
    if (!endExact) {
        end = std::min(length, to + kPast);
        endExact = end == length;
    }
    for (int tries = 0;; ++tries) {
        const ParseOutcome outcome = ParseFresh(text, start, end, cancel, limits);
        stretch_.fromBoundary = exact;
        if (outcome != ParseOutcome::Parsed || tries == 1) {
            if (outcome == ParseOutcome::Parsed && !endExact) {
                stretch_.colouredEnd = std::max(start, end - std::min(end, kPast));
            }
            return outcome;
        }
        // An error at an end: the scan's boundary is none to the grammar
        // (or the text is broken there); the stretch grows past it, once
        // (a text broken throughout would grow it at every try).
        const auto [firstClean, lastClean] = CleanEnds(parser_->Trees().tree);
        bool grow = false;
        if (exact && start > 0 && !firstClean) {
            const size_t before = scan_.BoundaryBefore(start - 1);
            if (from - before <= kMostLead) {
                start = before;
                grow = true;
            }
        }
        if (endExact && end < length && !lastClean) {
            const size_t after = std::min(scan_.BoundaryAfter(end + 1), length);
            if (after - to <= kMostTail) {
                end = after;
                grow = true;
            }
        }
        if (!grow) {
            if (!endExact) {
                stretch_.colouredEnd = std::max(start, end - std::min(end, kPast));
            }
            return outcome;
        }
    }
}

void SegmentedColours::Colour(const TextSnapshot& text, size_t from, size_t to,
                              std::vector<ColourPatch>& patches) {
    const size_t base = stretch_.start;
    std::vector<TextRange> rest;
    for (const TextRange& r : dirty_) {
        const size_t start = std::max(r.start, from), end = std::min(r.end, to);
        if (start < end) {
            patches.push_back(ColourPatch{
                start, highlighter_.Kinds(
                           parser_->Trees(),
                           [&](size_t pos, size_t count) { return text.Text(base + pos, count); },
                           start - base, end - base)});
        }
        AddRange(rest, TextRange{r.start, std::min(r.end, from)});
        AddRange(rest, TextRange{std::max(r.start, to), r.end});
    }
    dirty_ = std::move(rest);
}

ParseOutcome SegmentedColours::Step(const TextSnapshot& text, TextRange shown, TextRange wanted,
                                    const std::atomic<size_t>* cancel, const ParseLimits& limits,
                                    std::vector<ColourPatch>& patches) {
    lastParsed_ = 0;
    const size_t length = text.Length();
    length_ = length;
    scan_.Update(text);
    // An edit outside the kept stretch leaves its whole stretch uncoloured.
    for (const TextRange& r : unplaced_) {
        const size_t before = scan_.BoundaryBefore(std::min(r.start, length));
        const size_t from = std::max(before, r.start - std::min(r.start, kMostLead));
        const size_t after = std::min(scan_.BoundaryAfter(std::min(r.end, length)), length);
        AddRange(dirty_, TextRange{from, std::min(after, r.end + kMostTail)});
    }
    unplaced_.clear();
    std::erase_if(dirty_, [&](const TextRange& r) { return r.start >= length; });
    if (!dirty_.empty()) {
        dirty_.back().end = std::min(dirty_.back().end, length);
    }
    Stretch& s = stretch_;
    if (KeepsTree() && s.fromBoundary && !IsBoundary(s.start, length)) {
        // Its start is no longer a boundary: its colours may hang on the
        // text before it now.
        AddRange(dirty_, TextRange{scan_.BoundaryBefore(s.start), s.end});
        parser_->Drop();
    }
    if (KeepsTree() && s.edited) {
        const ParseOutcome outcome = ParseEdited(text, cancel, limits);
        if (outcome != ParseOutcome::Parsed) {
            return outcome;
        }
    }
    // What to colour next: of what is shown first, and only that, so that
    // its colours come as soon as the stretch is parsed.
    TextRange target, within;
    bool forShown = false;
    for (const bool inShown : {true, false}) {
        within = inShown ? shown : wanted;
        forShown = inShown;
        for (const TextRange& r : dirty_) {
            const size_t start = std::max(r.start, within.start);
            const size_t end = std::min({r.end, within.end, length});
            if (start < end) {
                target = TextRange{start, std::min(end, start + kStretch)};
                break;
            }
        }
        if (!target.Empty()) {
            break;
        }
    }
    if (target.Empty()) {
        return ParseOutcome::Parsed;
    }
    if (KeepsTree() && target.start >= s.start && target.start < s.colouredEnd) {
        Colour(text, std::max(s.start, within.start), std::min(s.colouredEnd, within.end), patches);
        return ParseOutcome::Parsed;
    }
    // A stretch of the margin is parsed aside: the tree of the one shown,
    // where the edits are, is kept.
    const bool aside = !forShown && KeepsTree() && s.start < shown.end && s.end > shown.start;
    const Stretch shownStretch = stretch_;
    if (aside) {
        std::swap(parser_, spare_);
    }
    const ParseOutcome outcome = ParseAround(text, target.start, target.end, cancel, limits);
    if (outcome == ParseOutcome::Parsed) {
        Colour(text, std::max(s.start, within.start), std::min(s.colouredEnd, within.end), patches);
    } else if (outcome == ParseOutcome::TooCostly) {
        // That part stays in one colour; the rest goes on.
        std::vector<TextRange> rest;
        for (const TextRange& r : dirty_) {
            AddRange(rest, TextRange{r.start, std::min(r.end, target.start)});
            AddRange(rest, TextRange{std::max(r.start, target.end), r.end});
        }
        dirty_ = std::move(rest);
    }
    if (aside) {
        parser_->Drop();
        std::swap(parser_, spare_);
        stretch_ = shownStretch;
    }
    return outcome == ParseOutcome::TooCostly ? ParseOutcome::Parsed : outcome;
}

} // namespace sheafpad::syntax
