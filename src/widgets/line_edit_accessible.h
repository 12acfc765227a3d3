// SPDX-License-Identifier: GPL-3.0-or-later
// Screen-reader access to single-line fields (every QLineEdit of the
// program): text, caret, selection, geometry and edits, with the words and
// lines found as the text view finds them. Qt's own interface for the field
// can loop for ever when a word is asked of a text that begins with "/"
// (Qt 6.4), which a screen reader does as soon as the directory field gets
// the focus.
#pragma once

#include <QAccessibleWidget>

class QLineEdit;

namespace sheafpad {

class LineEditAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
public:
    explicit LineEditAccessible(QLineEdit* edit);

    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override; // Value: the field's text
    void* interface_cast(QAccessible::InterfaceType type) override;

    // Offsets: -1 is the end of the text, -2 the caret.
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                             int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                         int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                            int* endOffset) const override;
    int characterCount() const override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    int selectionCount() const override;
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    // Edits as the user's; none while the field is read-only.
    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

private:
    QLineEdit* Edit() const;
    int Position(int offset) const; // clamped; -1 the end, -2 the caret
};

// Makes Qt build a LineEditAccessible for every QLineEdit made from now on
// (a second call does nothing).
void InstallLineEditAccessibility();

} // namespace sheafpad
