// SPDX-License-Identifier: GPL-3.0-or-later
// The items (characters, words, sentences, lines) that an accessible text
// interface gives out, for any text control: the item at, before or after an
// offset, looked for in a window of a few thousand positions around it, so
// that no question costs more than that however long the text.
#pragma once

#include <QAccessible>
#include <QString>

namespace sheafpad {

struct TextSpan {
    qsizetype start = -1; // -1: no item
    qsizetype end = -1;
};

// What a control's items are read from.
class AccessibleTextSource {
public:
    virtual qsizetype Length() const = 0;
    virtual QString Text(qsizetype from, qsizetype count) const = 0;
    virtual qsizetype Caret() const = 0;
    // The line at pos (side 0), the one before it (-1) or after it (+1);
    // whole: a paragraph, else a long line may be given in pieces.
    virtual TextSpan Line(qsizetype pos, bool whole, int side) const = 0;

protected:
    ~AccessibleTextSource() = default;
};

enum class TextSide { Before, At, After };

// The item of type at, before or after offset (-1: the end, -2: the caret),
// with its offsets; an empty text and offsets of -1 when there is none.
QString AccessibleTextItem(const AccessibleTextSource& source, TextSide side, int offset,
                           QAccessible::TextBoundaryType type, int* startOffset, int* endOffset);

// A position as the int that accessibility interfaces carry.
int ToAccessibleOffset(qsizetype value);

} // namespace sheafpad
