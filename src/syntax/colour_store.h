// SPDX-License-Identifier: GPL-3.0-or-later
// The colours of a text as one kind a character (a byte each: a tree costs
// fifty times that), moved along with every edit, and the patches that
// bring them up to date: final colours of a stretch of one version of the
// text, which the colour worker hands over as it finds them.
#pragma once

#include "syntax/syntax_highlighter.h"
#include "text/text_buffer.h"

#include <cstddef>
#include <vector>

namespace sheafpad::syntax {

// The kinds of the characters from from on, of a version of the text.
struct ColourPatch {
    size_t from = 0;
    std::vector<Kind> kinds;
    size_t End() const { return from + kinds.size(); }
};

// Kept with a gap at the last edit, so that typing moves only the gap. A
// text none of whose characters is coloured takes no room: the first patch
// makes it (a file being opened does not wait for megabytes of nothing).
class ColourStore {
public:
    // A text of length characters, none coloured.
    void Reset(size_t length);
    void Clear() { Reset(0); }
    size_t Length() const {
        return kinds_.empty() ? uncoloured_ : kinds_.size() - (gapEnd_ - gapStart_);
    }
    // Whether no character has a colour yet (nor any room for one).
    bool Empty() const { return kinds_.empty(); }
    Kind At(size_t pos) const {
        return kinds_.empty() ? Kind::None
                              : kinds_[pos < gapStart_ ? pos : pos + gapEnd_ - gapStart_];
    }
    // The text was changed: inserted characters take the kind of the ones
    // around them when both sides have one (typed in a word or a string),
    // else none, until their colours come.
    void Edit(const TextChange& change);
    // Takes count kinds for the characters from at on (cut to the text);
    // returns the stretch whose colours changed, empty when none did.
    UnitRange Apply(size_t at, const Kind* kinds, size_t count);
    UnitRange Apply(const ColourPatch& patch) {
        return Apply(patch.from, patch.kinds.data(), patch.kinds.size());
    }
    // The coloured stretches of [from, to), as SyntaxHighlighter::Spans.
    std::vector<ColourSpan> Spans(size_t from, size_t to) const;
    size_t MemoryBytes() const { return kinds_.capacity(); }

private:
    void MoveGap(size_t pos);

    std::vector<Kind> kinds_;
    size_t gapStart_ = 0, gapEnd_ = 0;
    size_t uncoloured_ = 0; // the length, while kinds_ is empty
};

} // namespace sheafpad::syntax
