#include "textview/text_view_accessible.h"

#include "textview/text_view.h"

#include <QAccessible>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <climits>
#include <optional>
#include <vector>

namespace sheafpad {

namespace {

// How far from the offset a word or sentence is looked for, each side; a
// longer one is given in parts cut at the window's edge.
constexpr qsizetype kWindow = 4096;
constexpr qsizetype kSmallWindow = 128; // tried first
constexpr qsizetype kCharWindow = 64;   // a character: a grapheme cluster
// A piece of a long line ends after the last space this close to its cut.
constexpr qsizetype kPieceSlack = 256;
// A change event carries its text up to this size; a bigger change (a whole
// file loaded or deleted) is left to the caret event and the tool's reading:
// megabytes of text in one event would choke the bus it travels on.
constexpr qsizetype kMaxEventText = qsizetype(1) << 20;

int ToInt(qsizetype value) {
    return int(std::clamp<qsizetype>(value, INT_MIN, INT_MAX));
}

struct Span {
    qsizetype start = -1;
    qsizetype end = -1;
};

// The starts of the items (words, sentences, grapheme clusters) in
// [from, to): the positions where the finder sees an item start or end, and
// both edges of the window. Never cuts a surrogate pair.
std::vector<qsizetype> ItemBounds(const TextView& view, qsizetype from, qsizetype to,
                                  QTextBoundaryFinder::BoundaryType type) {
    const QString text = view.Text(from, to - from);
    qsizetype lead = 0, length = text.size();
    if (from > 0 && length > 0 && text.front().isLowSurrogate()) {
        lead = 1;
        --length;
    }
    if (from + lead + length < view.Length() && length > 0 && text.back().isHighSurrogate()) {
        --length;
    }
    const qsizetype base = from + lead;
    std::vector<qsizetype> bounds{base};
    QTextBoundaryFinder finder(type, text.constData() + lead, length);
    for (qsizetype p = finder.toNextBoundary(); p > 0 && p < length; p = finder.toNextBoundary()) {
        if (finder.boundaryReasons() &
            (QTextBoundaryFinder::StartOfItem | QTextBoundaryFinder::EndOfItem)) {
            bounds.push_back(base + p);
        }
    }
    bounds.push_back(base + length);
    return bounds;
}

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

// Words, sentences and characters, as Qt's own text interfaces find them:
// the item at pos spans from the last bound at or before it to the next.
// reach: how far the window goes each side (twice that on the side asked).
Span FinderItem(const TextView& view, qsizetype pos, QTextBoundaryFinder::BoundaryType type,
                int side, qsizetype reach) {
    const qsizetype length = view.Length();
    const qsizetype from = std::max<qsizetype>(0, pos - (side < 0 ? 2 * reach : reach));
    const qsizetype to = std::min(length, pos + (side > 0 ? 2 * reach : reach));
    const std::vector<qsizetype> bounds = ItemBounds(view, from, to, type);
    // bounds[i - 1] <= pos < bounds[i]
    const size_t i = size_t(std::upper_bound(bounds.begin(), bounds.end(), pos) - bounds.begin());
    if (i == 0) {
        return {};
    }
    if (side < 0) {
        const qsizetype end = bounds[i - 1];
        if (end == 0) {
            return {};
        }
        // At the window's edge: the part before it.
        return {i >= 2 ? bounds[i - 2] : std::max<qsizetype>(0, end - reach), end};
    }
    if (i >= bounds.size()) {
        return {};
    }
    if (side > 0) {
        const qsizetype start = bounds[i];
        if (start >= length) {
            return {};
        }
        return {start, i + 1 < bounds.size() ? bounds[i + 1] : std::min(length, start + reach)};
    }
    return {bounds[i - 1], bounds[i]};
}

// Most items are short: a small window first, the wide one when the item
// reaches the small one's edge.
Span FinderItem(const TextView& view, qsizetype pos, QTextBoundaryFinder::BoundaryType type,
                int side) {
    const qsizetype wide = type == QTextBoundaryFinder::Grapheme ? kCharWindow : kWindow;
    const qsizetype small = std::min(wide, kSmallWindow);
    const Span span = FinderItem(view, pos, type, side, small);
    const qsizetype from = std::max<qsizetype>(0, pos - (side < 0 ? 2 * small : small));
    const qsizetype to = std::min(view.Length(), pos + (side > 0 ? 2 * small : small));
    // (a surrogate pair at an edge moves the edge by one)
    const bool cut = span.start >= 0 && ((from > 0 && span.start <= from + 1) ||
                                         (to < view.Length() && span.end >= to - 1));
    return cut ? FinderItem(view, pos, type, side, wide) : span;
}

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

QString TextViewAccessible::Item(Side side, int offset, QAccessible::TextBoundaryType type,
                                 int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = -1;
    const TextView& view = *View();
    const qsizetype length = view.Length();
    const qsizetype pos = offset == -2 ? view.CaretPosition() : offset == -1 ? length : offset;
    if (length == 0 || pos < 0 || pos > length || (side == Side::Before && pos == 0) ||
        (side == Side::After && pos == length)) {
        return QString();
    }
    const int sign = side == Side::Before ? -1 : side == Side::After ? 1 : 0;
    Span span;
    switch (type) {
    case QAccessible::LineBoundary:
    case QAccessible::ParagraphBoundary:
        span = LineItem(view, pos, type == QAccessible::ParagraphBoundary, sign);
        break;
    case QAccessible::NoBoundary:
        if (side == Side::At) {
            span = {0, length};
        }
        break;
    case QAccessible::CharBoundary:
    case QAccessible::WordBoundary:
    case QAccessible::SentenceBoundary:
        if (side == Side::At && pos == length) { // no item begins at the end
            *startOffset = *endOffset = ToInt(length);
            return QString();
        }
        span = FinderItem(view, pos,
                          type == QAccessible::CharBoundary   ? QTextBoundaryFinder::Grapheme
                          : type == QAccessible::WordBoundary ? QTextBoundaryFinder::Word
                                                              : QTextBoundaryFinder::Sentence,
                          sign);
        break;
    }
    if (span.start < 0) {
        return QString();
    }
    *startOffset = ToInt(span.start);
    *endOffset = ToInt(span.end);
    return view.Text(span.start, span.end - span.start);
}

QString TextViewAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType type,
                                             int* startOffset, int* endOffset) const {
    return Item(Side::Before, offset, type, startOffset, endOffset);
}

QString TextViewAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType type,
                                         int* startOffset, int* endOffset) const {
    return Item(Side::At, offset, type, startOffset, endOffset);
}

QString TextViewAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType type,
                                            int* startOffset, int* endOffset) const {
    return Item(Side::After, offset, type, startOffset, endOffset);
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
