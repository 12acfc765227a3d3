// SPDX-License-Identifier: GPL-3.0-or-later
// The colours of a script or style sheet too big to keep its syntax tree
// (tree-sitter's trees take 20 to 70 bytes a character): only what is
// wanted (what is shown and a margin around it) is coloured, a stretch at a
// time, each stretch parsed as a text of its own.
//
// A stretch runs from one boundary that the scan found (ScriptScan) to
// another past what it has to colour; when the parse shows an error at
// either end (the scan took a ';' for an end that the grammar does not), it
// grows to the next boundary. Where no boundary lies within reach (one
// statement of megabytes) it begins at a statement start nearby, and its
// colours are those of its tokens.
//
// The tree of the last stretch parsed is kept while the text is edited
// inside it: each edit parses it again incrementally, and only what the
// parse changed, and what was typed, is coloured again. An edit elsewhere
// makes its stretch uncoloured until it is wanted.
#pragma once

#include "syntax/colour_store.h"
#include "syntax/script_scan.h"
#include "syntax/syntax_parser.h"

#include <atomic>
#include <memory>
#include <vector>

namespace sheafpad::syntax {

class SegmentedColours {
public:
    // language has no embedded languages (a script or a style sheet).
    explicit SegmentedColours(Language language);

    // What one stretch colours at most beyond its start.
    static constexpr size_t kStretch = 128 * 1024;
    // How far before what it colours a stretch may begin at a boundary;
    // farther, it begins at a statement start.
    static constexpr size_t kMostLead = 256 * 1024;

    // A new text of length characters, none of it coloured.
    void Reset(size_t length);
    // The text was changed.
    void Edit(const SyntaxEdit& edit);
    // Whether every character of wanted has its final colour.
    bool Done(TextRange wanted) const;
    // Colours what is shown, or else what is wanted, in the next stretch
    // that needs it: its final colours go to patches.
    ParseOutcome Step(const TextSnapshot& text, TextRange shown, TextRange wanted,
                      const std::atomic<size_t>* cancel, const ParseLimits& limits,
                      std::vector<ColourPatch>& patches);
    // Whether a stretch's tree is kept for the next edit; DropTree frees it.
    bool KeepsTree() const { return !parser_->Trees().Empty(); }
    void DropTree();

    // For tests: the scan, and the characters the last Step parsed anew
    // (an incremental parse counts what it read).
    const ScriptScan& Scan() const { return scan_; }
    size_t LastParsed() const { return lastParsed_; }

private:
    // The stretch whose tree the parser holds.
    struct Stretch {
        size_t start = 0, end = 0; // the text parsed
        size_t colouredEnd = 0;    // its colours are right up to here
        TSPoint startPoint{};      // of start, for telling the tree of edits
        bool edited = false;       // edits were told to the tree since it was parsed
        bool fromBoundary = true;  // it starts at a boundary, not at a statement
    };
    bool IsBoundary(size_t pos, size_t length) const;
    // Parses [start, end) anew as the kept stretch.
    ParseOutcome ParseFresh(const TextSnapshot& text, size_t start, size_t end,
                            const std::atomic<size_t>* cancel, const ParseLimits& limits);
    // Parses the kept stretch again after edits; what changed is uncoloured.
    ParseOutcome ParseEdited(const TextSnapshot& text, const std::atomic<size_t>* cancel,
                             const ParseLimits& limits);
    // A fresh stretch that colours from pos on.
    ParseOutcome ParseAround(const TextSnapshot& text, size_t pos, size_t to,
                             const std::atomic<size_t>* cancel, const ParseLimits& limits);
    // The colours of what is uncoloured in [from, to), inside the stretch.
    void Colour(const TextSnapshot& text, size_t from, size_t to,
                std::vector<ColourPatch>& patches);

    ScriptScan scan_;
    // The parser of the kept stretch, and one for the stretches of the
    // margin, so that the tree of what is shown (where the edits are) stays.
    std::unique_ptr<SyntaxParser> parser_, spare_;
    SyntaxHighlighter highlighter_;
    Stretch stretch_;
    // Where colours may be wrong or missing, sorted and disjoint.
    std::vector<TextRange> dirty_;
    // Edits outside the kept stretch: their stretches are uncoloured once
    // the scan has found them.
    std::vector<TextRange> unplaced_;
    size_t length_ = 0;
    size_t lastParsed_ = 0;
};

} // namespace sheafpad::syntax
