// SPDX-License-Identifier: GPL-3.0-or-later
// The colours of a script or style sheet too big to keep its syntax tree
// (tree-sitter's trees take 20 to 70 bytes a character): the text is parsed
// a stretch at a time and each stretch's tree is dropped once its colours
// are taken, so that colouring megabytes holds the tree of one stretch.
//
// A stretch ends between two of the text's top-level items (statements,
// rules), where the parse of what follows does not depend on what came
// before: the next stretch is parsed from there as a text of its own. Such
// a place (a boundary) is taken after an item that parsed without errors
// and is followed by another one without errors that ends inside the
// stretch (the parse has gone past it: an `if` is never cut from its
// `else`). The boundaries are kept and moved with the edits: an edit is
// parsed again from the boundary before it until the parse comes to a
// boundary known from before, past the edit, beyond which the colours stay
// as they are.
//
// A text without two such items in a row (one statement of megabytes, or
// errors throughout) is parsed in one stretch, as a whole.
#pragma once

#include "syntax/colour_store.h"
#include "syntax/syntax_parser.h"

#include <atomic>
#include <vector>

namespace sheafpad::syntax {

class SegmentedColours {
public:
    // language has no embedded languages (a script or a style sheet).
    explicit SegmentedColours(Language language);

    // A stretch parsed at first: its tree takes some 10 MB.
    static constexpr size_t kStretch = 128 * 1024;
    // Colours taken past an error are checked by a parse this long at most
    // (its tree takes some 70 MB): an error that reaches further (an
    // unclosed string at the top of megabytes) is taken as it parsed.
    static constexpr size_t kMostChecked = 1024 * 1024;

    // A new text of length characters, none of it coloured.
    void Reset(size_t length);
    // The text was changed.
    void Edit(const TextChange& change);
    // Whether every character has its final colour.
    bool Done() const { return dirty_.empty() && suspect_.empty(); }
    // Whether the next Step checks colours taken past an error: a long
    // parse that an edit may cut short.
    bool Verifying() const { return verifying_ || (dirty_.empty() && !suspect_.empty()); }
    // Colours the first stretch that needs it: its final colours go to
    // patches, preceded by provisional ones of a first look at a text that
    // was never coloured when the stretch has to grow.
    ParseOutcome Step(const TextSnapshot& text, const std::atomic<size_t>* cancel,
                      const ParseLimits& limits, std::vector<ColourPatch>& patches);
    // For tests: the boundaries known now, in order, and the characters
    // the last Step parsed.
    const std::vector<size_t>& Boundaries() const { return boundaries_; }
    size_t LastParsed() const { return lastParsed_; }

private:
    // Parses [start, end) of text as a text of its own.
    ParseOutcome ParseStretch(const TextSnapshot& text, size_t start, size_t end,
                              const std::atomic<size_t>* cancel, const ParseLimits& limits);
    // The boundaries in the stretch parsed last; atEnd: it ends the text.
    // strict: none after an error; pastError: one of them comes after one.
    std::vector<size_t> StretchBoundaries(bool atEnd, bool strict, bool& pastError) const;
    // The kinds of [from, to), inside the stretch parsed last.
    std::vector<Kind> StretchKinds(const TextSnapshot& text, size_t from, size_t to);

    SyntaxParser parser_;
    SyntaxHighlighter highlighter_;
    std::vector<size_t> boundaries_;
    // Stretches whose colours may be wrong, in order, each from a boundary.
    std::vector<UnitRange> dirty_;
    // Stretches coloured past an error, each from a boundary, to be checked
    // (verifying_: the ones in dirty_ now are).
    std::vector<UnitRange> suspect_;
    bool verifying_ = false;
    size_t parsedFrom_ = 0;  // where the text of the parser's tree begins
    size_t provisional_ = 0; // colours were given before this
    size_t lastParsed_ = 0;
};

} // namespace sheafpad::syntax
