// SPDX-License-Identifier: GPL-3.0-or-later
// Where a big script or style sheet may be cut into stretches that parse on
// their own, found by reading its tokens as the grammar does (strings,
// template strings, comments, regular expressions, brackets) but without
// parsing it: megabytes take milliseconds, and after an edit only the text
// from a little before it until the scan falls in step with the last one
// is read again.
//
// A boundary lies at the top of the text between two items (statements,
// rules): after a ';' outside every bracket that no `else` follows, after a
// '}' that closes the last open bracket when a statement's word follows it
// (a function declaration's end), and in a style sheet after a top-level
// '}' or ';'. What follows a boundary parses the same whether or not the
// text before it is there.
//
// Where none lies near (a script that is one function call of megabytes,
// or broken throughout), a statement start inside a block serves, or a
// place in code: what is parsed from there is right as far as its tokens
// go, not as part of what encloses it.
#pragma once

#include "syntax/syntax_language.h"
#include "text/text_buffer.h"

#include <cstdint>
#include <vector>

namespace sheafpad::syntax {

class ScriptScan {
public:
    // language: JavaScript or Css.
    explicit ScriptScan(Language language);
    ~ScriptScan();

    static constexpr size_t kNone = size_t(-1);
    // A state of the scan is kept every this many characters.
    static constexpr size_t kCheckpoint = 4096;

    // A text of length characters, not yet scanned.
    void Reset(size_t length);
    // The text was changed: what is known moves with it, and the changed
    // text is scanned again at the next Update.
    void Edit(const TextChange& change);
    // Scans what needs it (text is the newest version).
    void Update(const TextSnapshot& text);

    // The boundaries, in order (0 and the text's end are not among them).
    const std::vector<size_t>& Boundaries() const { return boundaries_; }
    // The last boundary at or before pos, or 0.
    size_t BoundaryBefore(size_t pos) const;
    // The first boundary at or after pos, or kNone.
    size_t BoundaryAfter(size_t pos) const;
    // Where to begin a parse that is to read pos, when no boundary lies
    // near: the nearest statement start inside a block at or before pos, or
    // else a place in code (not in a string or comment) before it; kNone
    // when neither is within a few hundred thousand characters.
    size_t StartBefore(size_t pos) const;
    // For tests: the characters the last Update read.
    size_t LastScanned() const { return lastScanned_; }

    struct State;

private:
    struct Checkpoint;
    // Scans from checkpoint first on until past the end of what changed
    // and in step with the old scan.
    size_t Rescan(const TextSnapshot& text, size_t first, size_t staleEnd);

    Language language_;
    std::vector<Checkpoint> checkpoints_; // [0] at position 0, always
    std::vector<size_t> boundaries_;
    std::vector<TextRange> stale_; // to be scanned again
    size_t length_ = 0;
    size_t lastScanned_ = 0;
};

} // namespace sheafpad::syntax
