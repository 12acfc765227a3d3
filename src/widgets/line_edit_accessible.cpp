// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/line_edit_accessible.h"

#include "textview/accessible_text.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <algorithm>

namespace sheafpad {

namespace {

// The field as the common item finder reads it: one line, never in pieces.
class EditSource final : public AccessibleTextSource {
public:
    explicit EditSource(const QLineEdit& edit)
        : text_(edit.displayText()), caret_(edit.cursorPosition()) {}
    qsizetype Length() const override { return text_.size(); }
    QString Text(qsizetype from, qsizetype count) const override { return text_.mid(from, count); }
    qsizetype Caret() const override { return caret_; }
    TextSpan Line(qsizetype, bool, int side) const override {
        return side == 0 ? TextSpan{0, text_.size()} : TextSpan{};
    }

private:
    QString text_;
    qsizetype caret_;
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
    if (auto* edit = qobject_cast<QLineEdit*>(object)) {
        return new LineEditAccessible(edit);
    }
    return nullptr;
}

} // namespace

LineEditAccessible::LineEditAccessible(QLineEdit* edit)
    : QAccessibleWidget(edit, QAccessible::EditableText) {}

QLineEdit* LineEditAccessible::Edit() const {
    return static_cast<QLineEdit*>(widget());
}

QAccessible::State LineEditAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.selectableText = true;
    if (Edit()->isReadOnly()) {
        state.readOnly = true;
    } else {
        state.editable = true;
    }
    if (Edit()->echoMode() != QLineEdit::Normal) {
        state.passwordEdit = true;
    }
    return state;
}

QString LineEditAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value) {
        return Edit()->displayText();
    }
    return QAccessibleWidget::text(t);
}

void* LineEditAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface) {
        return static_cast<QAccessibleTextInterface*>(this);
    }
    if (type == QAccessible::EditableTextInterface) {
        return static_cast<QAccessibleEditableTextInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

int LineEditAccessible::Position(int offset) const {
    if (offset == -2) {
        return Edit()->cursorPosition();
    }
    const int length = characterCount();
    return offset == -1 ? length : std::clamp(offset, 0, length);
}

QString LineEditAccessible::text(int startOffset, int endOffset) const {
    const int start = Position(startOffset);
    const int end = Position(endOffset);
    return end > start ? Edit()->displayText().mid(start, end - start) : QString();
}

QString LineEditAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType type,
                                             int* startOffset, int* endOffset) const {
    return AccessibleTextItem(EditSource(*Edit()), TextSide::Before, offset, type, startOffset,
                              endOffset);
}

QString LineEditAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType type,
                                         int* startOffset, int* endOffset) const {
    return AccessibleTextItem(EditSource(*Edit()), TextSide::At, offset, type, startOffset,
                              endOffset);
}

QString LineEditAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType type,
                                            int* startOffset, int* endOffset) const {
    return AccessibleTextItem(EditSource(*Edit()), TextSide::After, offset, type, startOffset,
                              endOffset);
}

int LineEditAccessible::characterCount() const {
    return ToAccessibleOffset(Edit()->displayText().size());
}

int LineEditAccessible::cursorPosition() const {
    return Edit()->cursorPosition();
}

void LineEditAccessible::setCursorPosition(int position) {
    Edit()->setCursorPosition(Position(position));
}

int LineEditAccessible::selectionCount() const {
    return Edit()->hasSelectedText() ? 1 : 0;
}

void LineEditAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex == 0 && Edit()->hasSelectedText()) {
        *startOffset = Edit()->selectionStart();
        *endOffset = Edit()->selectionEnd();
    }
}

void LineEditAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset); // one selection only: it is replaced
}

void LineEditAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0) {
        Edit()->deselect();
    }
}

void LineEditAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0) {
        const int start = Position(startOffset);
        Edit()->setSelection(start, Position(endOffset) - start);
    }
}

QRect LineEditAccessible::characterRect(int offset) const {
    // The field tells only the caret's place: a character's is the caret's
    // moved by the width of the text between them.
    const QLineEdit& edit = *Edit();
    const QString shown = edit.displayText();
    const int at = Position(offset);
    const int caret = edit.cursorPosition();
    if (at >= shown.size()) {
        return QRect();
    }
    const QRect caretRect = edit.inputMethodQuery(Qt::ImCursorRectangle).toRect();
    const QFontMetrics metrics(edit.font());
    const int x = caretRect.center().x() + metrics.horizontalAdvance(shown.left(at)) -
                  metrics.horizontalAdvance(shown.left(caret));
    const QRect local(x, caretRect.top(), metrics.horizontalAdvance(shown.mid(at, 1)),
                      caretRect.height());
    return QRect(edit.mapToGlobal(local.topLeft()), local.size());
}

int LineEditAccessible::offsetAtPoint(const QPoint& point) const {
    const QPoint local = Edit()->mapFromGlobal(point);
    return Edit()->rect().contains(local) ? Edit()->cursorPositionAt(local) : -1;
}

void LineEditAccessible::scrollToSubstring(int startIndex, int endIndex) {
    // The field scrolls to its caret: to the end, then the start, so that as
    // much of the range as fits is shown, its start surely.
    Edit()->setCursorPosition(Position(endIndex));
    Edit()->setCursorPosition(Position(startIndex));
}

QString LineEditAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    Q_UNUSED(offset);
    *startOffset = 0;
    *endOffset = characterCount();
    return QString();
}

void LineEditAccessible::deleteText(int startOffset, int endOffset) {
    replaceText(startOffset, endOffset, QString());
}

void LineEditAccessible::insertText(int offset, const QString& text) {
    replaceText(offset, offset, text);
}

void LineEditAccessible::replaceText(int startOffset, int endOffset, const QString& text) {
    QLineEdit& edit = *Edit();
    if (edit.isReadOnly()) {
        return;
    }
    // As typing over a selection: undoable, within the field's length limit.
    const int start = Position(startOffset);
    const int end = std::max(start, Position(endOffset));
    if (end > start) {
        edit.setSelection(start, end - start);
    } else {
        edit.setCursorPosition(start);
    }
    edit.insert(text);
}

void InstallLineEditAccessibility() {
    QAccessible::installFactory(Factory); // a factory already there is not added again
}

} // namespace sheafpad
