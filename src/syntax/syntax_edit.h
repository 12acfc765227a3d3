// SPDX-License-Identifier: GPL-3.0-or-later
// An edit of the text as the syntax trees need it: where it starts and where
// the removed and the inserted text end, as positions and as (line, column).
#pragma once

#include "text/text_buffer.h"

#include <cstdint>
#include <tree_sitter/api.h>

namespace sheafpad::syntax {

struct SyntaxEdit {
    TextChange change;
    TSPoint start{}, oldEnd{}, newEnd{}; // columns in bytes of UTF-16, as the parser counts
};

// The edit that change was, now made to after; before is the text as it was.
// Costs a look-up in the line index and a pass over the removed text.
SyntaxEdit MakeSyntaxEdit(const TextBuffer& after, const TextSnapshot& before,
                          const TextChange& change);

// For the trees: positions in bytes of UTF-16.
TSInputEdit ToInputEdit(const SyntaxEdit& edit);

} // namespace sheafpad::syntax
