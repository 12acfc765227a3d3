// SPDX-License-Identifier: GPL-3.0-or-later
// The text view: scrolling, geometry, painting and the caret's blink.
#include "textview/text_view.h"

#include "textview/text_view_accessible.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextLine>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace sheafpad {

TextView::TextView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_KeyCompression, false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setSingleStep(1);
    layout_.SetFont(font());
    basePointSize_ = PointSize();
    SetLineNumbers(true);
    AttachAccessibility(this); // screen readers follow the text and the caret
}

TextView::~TextView() = default;

int TextView::VisibleRows() const {
    return std::max(1, (viewport()->height() - kMargin) / layout_.RowHeight());
}

int TextView::TextWidth() const {
    return std::max(1, viewport()->width() - 2 * kMargin);
}

// Scrolling ---------------------------------------------------------------

void TextView::UpdateScrollBar() {
    const PrefixSums& rows = layout_.Estimates();
    const qint64 total = rows.Total();
    const int maximum = int(std::min<qint64>(std::max<qint64>(0, total - VisibleRows()), INT_MAX));
    int value = 0;
    if (EndShown()) {
        value = maximum;
    } else {
        const qsizetype line = qsizetype(buffer_.LineOfPosition(size_t(top_)));
        const qsizetype length = layout_.LineLength(line);
        const qsizetype offset = top_ - qsizetype(buffer_.LineStart(size_t(line)));
        const int lineRows = rows.At(size_t(line));
        const qint64 within =
            length == 0 ? 0 : std::min<qint64>(lineRows - 1, offset * lineRows / length);
        value = int(std::min<qint64>(rows.Before(size_t(line)) + within, maximum - 1));
        value = std::max(0, value);
    }
    // Showing or hiding the bar resizes the view, which comes back here.
    ++syncingScrollBar_;
    verticalScrollBar()->setRange(0, maximum);
    verticalScrollBar()->setPageStep(VisibleRows());
    verticalScrollBar()->setValue(value);
    --syncingScrollBar_;
    UpdateHorizontalBar();
}

void TextView::scrollContentsBy(int dx, int dy) {
    if (syncingScrollBar_ > 0) {
        return;
    }
    if (dx != 0 && dy == 0) {
        RepaintAll(); // sideways: the rows stay
        return;
    }
    // The scroll bar moved (dragged, clicked or by the wheel): its value is
    // an estimated row; the top becomes the real row at that place.
    const PrefixSums& rows = layout_.Estimates();
    const qint64 value = verticalScrollBar()->value();
    qsizetype top = 0;
    if (value >= verticalScrollBar()->maximum() && value > 0) {
        top = LastTop();
    } else if (value > 0) {
        const qsizetype line = qsizetype(rows.IndexOf(value));
        const qsizetype length = layout_.LineLength(line);
        const qint64 lineRows = rows.At(size_t(line));
        const qsizetype offset =
            qsizetype(std::max<qint64>(0, value - rows.Before(size_t(line))) * length / lineRows);
        top = ClampedTop(qsizetype(buffer_.LineStart(size_t(line))) + offset);
    }
    top_ = top;
    RepaintAll();
}

void TextView::SetTop(qsizetype pos) {
    const qsizetype top = ClampedTop(pos);
    if (top != top_) {
        top_ = top;
        RepaintAll();
    }
    UpdateScrollBar();
}

void TextView::ScrollRows(int rows) {
    Row row = layout_.RowOf(top_);
    for (; rows > 0 && layout_.NextRow(row); --rows) {
    }
    for (; rows < 0 && layout_.PreviousRow(row); ++rows) {
    }
    SetTop(layout_.RowStart(row));
}

void TextView::ScrollToPosition(qsizetype pos) {
    const Row target = layout_.RowOf(pos);
    const qsizetype start = layout_.RowStart(target);
    if (start < top_) {
        SetTop(start);
        return;
    }
    if (target.line + 1 == LineCount() && layout_.IsLastRowOfLine(target)) {
        // The last row is shown by the last top only (a report that grows
        // at the end follows it so without walking the rows).
        if (!EndShown()) {
            SetTop(start);
        }
        return;
    }
    Row row = layout_.RowOf(top_);
    for (int i = 0, rows = VisibleRows(); i < rows; ++i) {
        if (row == target) {
            return; // shown
        }
        if (!layout_.NextRow(row)) {
            break;
        }
    }
    row = target;
    for (int i = 1, rows = VisibleRows(); i < rows && layout_.PreviousRow(row); ++i) {
    }
    SetTop(layout_.RowStart(row));
}

void TextView::ensureCursorVisible() {
    ScrollToPosition(caret_);
    ScrollHorizontallyTo(caret_);
}

void TextView::SetColours(TextColours* colours) {
    colours_ = colours;
    RepaintAll();
}

void TextView::RecolourRange(qsizetype pos, qsizetype count) {
    // Colours are drawn, not laid out: the rows shown that hold the range
    // are painted again.
    pos = std::clamp<qsizetype>(pos, 0, Length());
    const qsizetype end = std::clamp<qsizetype>(pos + count, pos, Length());
    if (repaintAll_ || end < top_) {
        return;
    }
    int first = -1, last = -1;
    Row row = layout_.RowOf(top_);
    for (int i = 0, rows = VisibleRows(); i <= rows; ++i) {
        const qsizetype start = layout_.RowStart(row);
        if (start > end) {
            break;
        }
        Row next = row;
        const bool more = layout_.NextRow(next);
        if (!more || layout_.RowStart(next) >= pos) {
            first = first < 0 ? i : first;
            last = i;
        }
        if (!more) {
            break;
        }
        row = next;
    }
    if (first >= 0) {
        // A row more on each side, for glyphs that reach beyond their row.
        const int top = kMargin + (first - 1) * layout_.RowHeight();
        viewport()->update(
            QRect(0, top, viewport()->width(), (last - first + 3) * layout_.RowHeight()));
    }
}

void TextView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateGutterWidth();
    layout_.SetWidth(TextWidth());
    top_ = ClampedTop(top_);
    UpdateScrollBar();
}

void TextView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        layout_.SetFont(font());
        digitAdvance_ = 0;
        UpdateGutterWidth();
        if (zooming_) {
            return;
        }
        top_ = ClampedTop(top_);
        UpdateScrollBar();
    }
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ActivationChange) {
        RepaintAll();
    }
}

qsizetype TextView::LastTop() const {
    Row row = layout_.RowOf(Length());
    for (int i = 1, rows = VisibleRows(); i < rows && layout_.PreviousRow(row); ++i) {
    }
    return layout_.RowStart(row);
}

qsizetype TextView::ClampedTop(qsizetype pos) const {
    Row row = layout_.RowOf(pos);
    const int rows = VisibleRows();
    if (LineCount() - row.line >= rows) {
        return layout_.RowStart(row); // a row or more a line: the view is full
    }
    int below = 0;
    for (Row next = row; below < rows - 1 && layout_.NextRow(next); ++below) {
    }
    for (; below < rows - 1 && layout_.PreviousRow(row); ++below) {
    }
    return layout_.RowStart(row);
}

bool TextView::EndShown() const {
    Row row = layout_.RowOf(top_);
    const int rows = VisibleRows();
    if (LineCount() - row.line > rows) {
        return false;
    }
    for (int i = 0; i < rows; ++i) {
        if (!layout_.NextRow(row)) {
            return true;
        }
    }
    return false;
}

// Zoom --------------------------------------------------------------------

void TextView::SetBaseFont(const QFont& font) {
    setFont(font);
    basePointSize_ = PointSize();
}

qreal TextView::PointSize() const {
    return font().pointSizeF() > 0 ? font().pointSizeF() : QFontInfo(font()).pointSizeF();
}

void TextView::ZoomBy(int steps) {
    ZoomTo(steps == 0 ? basePointSize_ : std::round(PointSize()) + steps);
}

void TextView::ZoomTo(qreal pointSize) {
    pointSize = std::clamp(pointSize, kMinPointSize, kMaxPointSize);
    if (pointSize == PointSize()) {
        return;
    }
    // The caret's row stays where it is on the screen when it is shown,
    // else the top row's text stays at the top.
    const int caretRow = ScreenRowOf(caret_);
    const bool caretShown = caretRow >= 0 && caretRow < VisibleRows();
    QFont zoomed = font();
    zoomed.setPointSizeF(pointSize);
    zooming_ = true;
    setFont(zoomed);
    zooming_ = false;
    qsizetype top = top_;
    if (caretShown) {
        Row row = layout_.RowOf(caret_);
        for (int i = 0; i < std::min(caretRow, VisibleRows() - 1) && layout_.PreviousRow(row);
             ++i) {
        }
        top = layout_.RowStart(row);
    }
    top_ = -1; // so that SetTop repaints
    SetTop(top);
}

void TextView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        wheelZoom_ = 0;
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    // A notch is 120; touch pads send less at a time.
    wheelZoom_ += event->angleDelta().y();
    const int steps = wheelZoom_ / 120;
    wheelZoom_ -= steps * 120;
    if (steps != 0) {
        ZoomBy(steps);
    }
    event->accept();
}

// Geometry ----------------------------------------------------------------

int TextView::ScreenRowOf(qsizetype pos) const {
    const Row target = layout_.RowOf(pos);
    if (layout_.RowStart(target) < top_) {
        return -1;
    }
    Row row = layout_.RowOf(top_);
    for (int i = 0, rows = VisibleRows(); i <= rows; ++i) {
        if (row == target) {
            return i;
        }
        if (!layout_.NextRow(row)) {
            break;
        }
    }
    return VisibleRows() + 1;
}

QRect TextView::PositionRect(qsizetype pos) const {
    pos = std::clamp<qsizetype>(pos, 0, Length());
    const Row target = layout_.RowOf(pos);
    Row row = layout_.RowOf(top_);
    for (int i = 0, rows = VisibleRows(); i <= rows; ++i) {
        if (row == target) {
            const Row piece = layout_.Wraps() ? target : layout_.ChunkRowOf(pos);
            const Laid& laid = layout_.Layout(piece.line, piece.chunk);
            const QTextLine line = TextLayout::RowLine(laid, piece.index);
            const int offset = int(pos - layout_.ChunkPosition(piece.line, laid));
            const qreal x = line.cursorToX(offset);
            const int next = laid.layout->nextCursorPosition(offset);
            const qreal width = next > offset ? line.cursorToX(next) - x : 1;
            // Far to the side of a long row, out of the int range of a rectangle.
            const qreal left = std::clamp<qreal>(x + layout_.ChunkX(piece.line, piece.chunk) +
                                                     kMargin - HorizontalOffset(),
                                                 -(1 << 30), 1 << 30);
            return QRect(int(left), kMargin + i * layout_.RowHeight(), std::max(1, int(width)),
                         layout_.RowHeight());
        }
        if (!layout_.NextRow(row)) {
            break;
        }
    }
    return QRect();
}

QRect TextView::cursorRect() const {
    QRect rect = PositionRect(caret_);
    if (!rect.isNull()) {
        rect.setWidth(1);
    }
    return rect;
}

qsizetype TextView::PositionAt(QPoint point) const {
    Row row = layout_.RowOf(top_);
    int rows = (point.y() - kMargin) / layout_.RowHeight();
    if (point.y() < kMargin) {
        rows = -1 - (kMargin - point.y()) / layout_.RowHeight();
    }
    for (; rows > 0 && layout_.NextRow(row); --rows) {
    }
    for (; rows < 0 && layout_.PreviousRow(row); ++rows) {
    }
    return layout_.PositionInRow(row, point.x() - kMargin + HorizontalOffset());
}

void TextView::UpdateEditedRows(qsizetype line, qsizetype pos, int rows) {
    const int from = ScreenRowOf(pos);
    if (from > VisibleRows()) {
        return; // below the view
    }
    int to = VisibleRows() + 1;
    const qsizetype length = qsizetype(buffer_.LineLength(size_t(line)));
    if (rows >= 0) {
        // Unwrapped, a line is one row (and its first chunk need not be laid out).
        const Laid* laid = layout_.Wraps() ? &layout_.Layout(line, 0) : nullptr;
        if (!laid || (laid->last && laid->rows == rows)) {
            to = std::min(to, ScreenRowOf(qsizetype(buffer_.LineStart(size_t(line))) + length));
        }
    }
    const int top = kMargin + (std::max(0, from) - 1) * layout_.RowHeight();
    viewport()->update(QRect(0, top, viewport()->width(), (to - from + 3) * layout_.RowHeight()));
}

// The caret's blink -------------------------------------------------------

void TextView::RestartBlink() {
    caretShown_ = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flash > 0) {
        blink_.start(flash / 2, this);
    } else {
        blink_.stop();
    }
    UpdateCaret();
}

void TextView::RepaintAll() {
    repaintAll_ = true;
    viewport()->update();
    if (gutter_) {
        gutter_->update(); // the numbers shown follow the rows
    }
}

void TextView::UpdateCaret() {
    if (repaintAll_) {
        return; // painted with the rest; no need to find the caret's row
    }
    const QRect caret = cursorRect();
    if (!caret.isNull()) {
        viewport()->update(caret.adjusted(-2, -1, 2, 1));
    }
}

void TextView::timerEvent(QTimerEvent* event) {
    if (event->timerId() == blink_.timerId()) {
        caretShown_ = !caretShown_;
        UpdateCaret();
    } else if (event->timerId() == autoScroll_.timerId()) {
        AutoScroll();
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

void TextView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    RestartBlink();
    RepaintAll(); // the selection's colours
}

void TextView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    blink_.stop();
    caretShown_ = false;
    EndRun();
    RepaintAll();
}

} // namespace sheafpad
