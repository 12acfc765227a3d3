// SPDX-License-Identifier: GPL-3.0-or-later
#include "textview/text_view_accessible.h"

#include "textview/accessible_text.h"
#include "textview/text_view.h"

#include <QAccessible>
#include <algorithm>
#include <climits>
#include <optional>

namespace sheafpad {

namespace {

// A piece of a long line ends after the last space this close to its cut.
constexpr qsizetype kPieceSlack = 256;
// A change event carries its text up to this size; a bigger change (a whole
// file loaded or deleted) is left to the caret event and the tool's reading:
// megabytes of text in one event would choke the bus it travels on.
constexpr qsizetype kMaxEventText = qsizetype(1) << 20;

int ToInt(qsizetype value) {
    return ToAccessibleOffset(value);
}

using Span = TextSpan;

// Where piece k of a long line [start, contentEnd) begins: near k *
// kLinePiece, after a space when one is close. The last piece ends at end
// (after the line's '\n').
qsizetype PieceStart(const TextView& view, qsizetype start, qsizetype contentEnd, qsizetype end,
                     qsizetype k) {
    if (k == 0) {
        return start;
    }
    const qsizetype cut = start + k * TextViewAccessible::kLinePiece;
    if (cut >= contentEnd) {
        return end;
    }
    const QString near = view.Text(cut - kPieceSlack, kPieceSlack + 1);
    const qsizetype space = near.lastIndexOf(QLatin1Char(' '), kPieceSlack - 1);
    if (space >= 0) {
        return cut - kPieceSlack + space + 1;
    }
    return near.back().isLowSurrogate() ? cut - 1 : cut;
}

// The line at pos, or its piece when the line is long.
Span LineAt(const TextView& view, qsizetype pos, bool whole) {
    const TextBuffer& buffer = view.Buffer();
    const size_t line = buffer.LineOfPosition(size_t(pos));
    const qsizetype start = qsizetype(buffer.LineStart(line));
    const qsizetype contentEnd = start + qsizetype(buffer.LineLength(line));
    const qsizetype end = line + 1 < buffer.LineCount() ? contentEnd + 1 : contentEnd;
    if (whole || contentEnd - start <= TextViewAccessible::kLinePiece) {
        return {start, end};
    }
    const qsizetype lastPiece = (contentEnd - start - 1) / TextViewAccessible::kLinePiece;
    qsizetype k = std::min((pos - start) / TextViewAccessible::kLinePiece, lastPiece);
    Span piece{PieceStart(view, start, contentEnd, end, k),
               PieceStart(view, start, contentEnd, end, k + 1)};
    if (pos >= piece.end && piece.end < contentEnd) { // the next one began before its cut
        piece = {piece.end, PieceStart(view, start, contentEnd, end, k + 2)};
    }
    return piece;
}

Span LineItem(const TextView& view, qsizetype pos, bool whole, int side) {
    const Span at = LineAt(view, pos, whole);
    if (side < 0) {
        return at.start == 0 ? Span{} : LineAt(view, at.start - 1, whole);
    }
    if (side > 0) {
        return at.end >= view.Length() ? Span{} : LineAt(view, at.end, whole);
    }
    return at;
}

// The view as the common item finder reads it.
class ViewSource final : public AccessibleTextSource {
public:
    explicit ViewSource(const TextView& view) : view_(view) {}
    qsizetype Length() const override { return view_.Length(); }
    QString Text(qsizetype from, qsizetype count) const override { return view_.Text(from, count); }
    qsizetype Caret() const override { return view_.CaretPosition(); }
    TextSpan Line(qsizetype pos, bool whole, int side) const override {
        return LineItem(view_, pos, whole, side);
    }

private:
    const TextView& view_;
};

} // namespace

TextViewAccessible::TextViewAccessible(TextView* view)
    : QAccessibleWidget(view, QAccessible::EditableText) {}

TextView* TextViewAccessible::View() const {
    return static_cast<TextView*>(widget());
}

QAccessible::State TextViewAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.multiLine = true;
    state.selectableText = true;
    if (View()->isReadOnly()) {
        state.readOnly = true;
    } else {
        state.editable = true;
    }
    return state;
}

void* TextViewAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface) {
        return static_cast<QAccessibleTextInterface*>(this);
    }
    if (type == QAccessible::EditableTextInterface) {
        return static_cast<QAccessibleEditableTextInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

qsizetype TextViewAccessible::Position(int offset) const {
    if (offset == -2) {
        return View()->CaretPosition();
    }
    const qsizetype length = View()->Length();
    return offset == -1 ? length : std::clamp<qsizetype>(offset, 0, length);
}

QString TextViewAccessible::text(int startOffset, int endOffset) const {
    const qsizetype start = Position(startOffset);
    const qsizetype end = Position(endOffset);
    return end > start ? View()->Text(start, end - start) : QString();
}

QString TextViewAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType type,
                                             int* startOffset, int* endOffset) const {
    return AccessibleTextItem(ViewSource(*View()), TextSide::Before, offset, type, startOffset,
                              endOffset);
}

QString TextViewAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType type,
                                         int* startOffset, int* endOffset) const {
    return AccessibleTextItem(ViewSource(*View()), TextSide::At, offset, type, startOffset,
                              endOffset);
}

QString TextViewAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType type,
                                            int* startOffset, int* endOffset) const {
    return AccessibleTextItem(ViewSource(*View()), TextSide::After, offset, type, startOffset,
                              endOffset);
}

int TextViewAccessible::characterCount() const {
    return ToInt(View()->Length());
}

int TextViewAccessible::cursorPosition() const {
    return ToInt(View()->CaretPosition());
}

void TextViewAccessible::setCursorPosition(int position) {
    View()->SetCaret(Position(position));
}

int TextViewAccessible::selectionCount() const {
    return View()->HasSelection() ? 1 : 0;
}

void TextViewAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex == 0 && View()->HasSelection()) {
        *startOffset = ToInt(View()->SelectionStart());
        *endOffset = ToInt(View()->SelectionEnd());
    }
}

void TextViewAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset); // one selection only: it is replaced
}

void TextViewAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0) {
        View()->SetCaret(View()->CaretPosition());
    }
}

void TextViewAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0) {
        View()->SetSelection(Position(startOffset), Position(endOffset));
    }
}

QRect TextViewAccessible::characterRect(int offset) const {
    const TextView& view = *View();
    const QRect rect = view.PositionRect(Position(offset));
    if (rect.isEmpty()) {
        return QRect();
    }
    return QRect(view.viewport()->mapToGlobal(rect.topLeft()), rect.size());
}

int TextViewAccessible::offsetAtPoint(const QPoint& point) const {
    const TextView& view = *View();
    const QPoint local = view.viewport()->mapFromGlobal(point);
    if (!view.viewport()->rect().contains(local)) {
        return -1;
    }
    return ToInt(view.PositionAt(local));
}

void TextViewAccessible::scrollToSubstring(int startIndex, int endIndex) {
    // The end first, then the start: as much of the range as fits, its start
    // surely.
    View()->ScrollToPosition(Position(endIndex));
    View()->ScrollToPosition(Position(startIndex));
}

QString TextViewAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    // Plain text: no attributes, over the whole text.
    Q_UNUSED(offset);
    *startOffset = 0;
    *endOffset = characterCount();
    return QString();
}

void TextViewAccessible::deleteText(int startOffset, int endOffset) {
    replaceText(startOffset, endOffset, QString());
}

void TextViewAccessible::insertText(int offset, const QString& text) {
    replaceText(offset, offset, text);
}

void TextViewAccessible::replaceText(int startOffset, int endOffset, const QString& text) {
    TextView& view = *View();
    if (view.isReadOnly()) {
        return;
    }
    const qsizetype start = Position(startOffset);
    const qsizetype end = std::max(start, Position(endOffset));
    if (end > start || !text.isEmpty()) {
        view.Replace(start, end - start, text, TextView::Origin::User);
    }
}

namespace {

AccessibilityEventHook& EventHook() {
    static AccessibilityEventHook hook;
    return hook;
}

// Turns the view's signals into accessibility events, while someone listens.
class Notifier : public QObject {
public:
    explicit Notifier(TextView* view) : QObject(view), view_(view) {
        connect(view, &TextView::cursorPositionChanged, this, [this] { OnCaret(); });
        connect(view, &TextView::selectionChanged, this, [this] { OnSelection(); });
        connect(view, &TextView::contentsChange, this,
                [this](qsizetype pos, qsizetype removed, qsizetype added) {
                    OnChange(pos, removed, added);
                });
        if (Listening()) {
            before_ = view_->Snapshot();
        }
    }

private:
    static bool Listening() { return EventHook() || QAccessible::isActive(); }

    static void Send(QAccessibleEvent& event) {
        if (AccessibilityEventHook& hook = EventHook()) {
            hook(event);
        } else {
            QAccessible::updateAccessibility(&event);
        }
    }

    // The first signal heard while a tool listens keeps the text as it is,
    // for the removed text of the next change.
    void KeepText() {
        if (!before_) {
            before_ = view_->Snapshot();
        }
    }

    void OnCaret() {
        if (!Listening()) {
            return;
        }
        KeepText();
        QAccessibleTextCursorEvent event(view_, ToInt(view_->CaretPosition()));
        Send(event);
    }

    void OnSelection() {
        if (!Listening()) {
            return;
        }
        KeepText();
        QAccessibleTextSelectionEvent event(view_, ToInt(view_->SelectionStart()),
                                            ToInt(view_->SelectionEnd()));
        event.setCursorPosition(ToInt(view_->CaretPosition()));
        Send(event);
    }

    // A replacement goes out as a removal and an insertion, the pair every
    // bridge passes on (AT-SPI itself has no "replaced").
    void OnChange(qsizetype pos, qsizetype removed, qsizetype added) {
        if (!Listening()) {
            before_.reset(); // it would miss this change
            return;
        }
        const bool known = before_ && pos + removed <= qsizetype(before_->Length()) &&
                           qsizetype(before_->Length()) - removed + added == view_->Length();
        if (removed > 0 && removed <= kMaxEventText) {
            // Without the text from before, spaces stand for it, as in Qt's
            // own editors: the length is what tools count on.
            const QString old =
                known ? QString::fromStdU16String(before_->Text(size_t(pos), size_t(removed)))
                      : QString(removed, QLatin1Char(' '));
            QAccessibleTextRemoveEvent event(view_, ToInt(pos), old);
            Send(event);
        }
        if (added > 0 && added <= kMaxEventText) {
            QAccessibleTextInsertEvent event(view_, ToInt(pos), view_->Text(pos, added));
            Send(event);
        }
        before_ = view_->Snapshot();
    }

    TextView* view_;
    // The text as of the last change, while a tool listens: a shared
    // version of the buffer, not a copy.
    std::optional<TextSnapshot> before_;
};

void EnsureNotifier(TextView* view) {
    for (QObject* child : view->children()) {
        if (dynamic_cast<Notifier*>(child)) {
            return;
        }
    }
    new Notifier(view);
}

// A tool that asks for a view's interface also gets its events, whether or
// not the view was attached.
QAccessibleInterface* Factory(const QString&, QObject* object) {
    if (auto* view = qobject_cast<TextView*>(object)) {
        EnsureNotifier(view);
        return new TextViewAccessible(view);
    }
    return nullptr;
}

} // namespace

void InstallTextViewAccessibility() {
    QAccessible::installFactory(Factory); // a factory already there is not added again
}

void AttachAccessibility(TextView* view) {
    InstallTextViewAccessibility();
    // Qt keeps the first interface made for an object: one made before the
    // factory was there (a scroll area's) gives way to ours.
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(view);
    if (iface && !dynamic_cast<TextViewAccessible*>(iface)) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
    }
    EnsureNotifier(view);
}

void SetAccessibilityEventHook(AccessibilityEventHook hook) {
    EventHook() = std::move(hook);
}

} // namespace sheafpad
