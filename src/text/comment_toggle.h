// SPDX-License-Identifier: GPL-3.0-or-later
// Commenting lines out and in again, in the comment form of a language.
#pragma once

#include "text/text_buffer.h"

#include <string>
#include <vector>

namespace sheafpad {

// How a language writes a comment: a line comment ("//") marks each line; a
// block comment ("/* */", "<!-- -->") encloses the lines as one.
struct CommentForm {
    std::u16string open;
    std::u16string close; // empty for a line comment
};

// One replacement of the text: removed units at pos give way to text.
struct TextEdit {
    size_t pos = 0;
    size_t removed = 0;
    std::u16string text;
    bool operator==(const TextEdit&) const = default;
};

// The edits that comment lines first..last (of text) out, or in again when
// they are all commented already: a line comment goes at the least indent of
// the lines that are not blank, followed by a space; a block comment opens
// at the first line's first non-blank character and closes at the end of
// the last line's text. Taking a comment out takes the space after the
// opening (and before a block's closing) with it. Edits in order of
// position, none overlapping; none for lines that are all blank.
std::vector<TextEdit> ToggleComment(const TextBuffer& text, size_t firstLine, size_t lastLine,
                                    const CommentForm& form);

} // namespace sheafpad
