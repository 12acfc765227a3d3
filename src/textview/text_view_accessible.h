// SPDX-License-Identifier: GPL-3.0-or-later
// Screen-reader access to the text view: its accessible interface (text,
// caret, selection, geometry, edits) and the change events assistive tools
// follow.
//
// The text may be 50 MB, or one line of 5 MB: nothing here copies the whole
// text unless a tool asks for all of it, and a word, sentence or line is
// looked for in a window of a few thousand positions around the offset.
// A "line" is a line of the text, its '\n' included; a longer line than
// kLinePiece is read in pieces of about that size that end after a space, so
// that a minified script is spoken in parts. A "paragraph" is the whole line.
#pragma once

#include <QAccessibleWidget>
#include <functional>

class QAccessibleEvent;

namespace sheafpad {

class TextView;

class TextViewAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
public:
    // The size of the pieces a long line is read in.
    static constexpr qsizetype kLinePiece = 4096;

    explicit TextViewAccessible(TextView* view);

    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // Offsets are positions of the view; characterRect and offsetAtPoint are
    // in screen coordinates. By convention an offset of -1 means the end of
    // the text and -2 the caret.
    QString text(int startOffset, int endOffset) const override;
    using QAccessibleWidget::text;
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

    // Edits made as the user's (undoable, userChangedText); none while the
    // view is read-only.
    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

private:
    TextView* View() const;
    // offset clamped to the text, -1 the end, -2 the caret.
    qsizetype Position(int offset) const;
};

// Makes Qt build a TextViewAccessible for every TextView (a second call does
// nothing); a view whose interface a tool asks for sends it events from then
// on, as AttachAccessibility makes it do.
void InstallTextViewAccessibility();

// Installs the interface and sends assistive tools the view's caret moves,
// selection changes and text changes from now on. Calling it again for the
// same view does nothing. While no tool listens, it costs a signal each.
void AttachAccessibility(TextView* view);

// For tests: receives every event the attached views send, instead of Qt,
// and makes them be sent even though no assistive tool listens (Qt drops
// them then). An empty hook gives the events back to Qt.
using AccessibilityEventHook = std::function<void(QAccessibleEvent& event)>;
void SetAccessibilityEventHook(AccessibilityEventHook hook);

} // namespace sheafpad
