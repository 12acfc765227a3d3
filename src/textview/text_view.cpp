// The text view: scrolling, geometry, painting and the caret's blink.
#include "textview/text_view.h"

#include "textview/text_view_accessible.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextLine>
#include <algorithm>
#include <cmath>

namespace sheafpad {

namespace {

// The space between the text and the view's edges.
constexpr int kMargin = 4;

} // namespace

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
    changeEvent(nullptr); // font metrics
    UpdateLineLengths();
    AttachAccessibility(this); // screen readers follow the text and the caret
}

TextView::~TextView() = default;

int TextView::VisibleRows() const {
    return std::max(1, (viewport()->height() - kMargin) / rowHeight_);
}

int TextView::TextWidth() const {
    return std::max(1, viewport()->width() - 2 * kMargin);
}

// Scrolling ---------------------------------------------------------------

void TextView::UpdateScrollBar() {
    RebuildRowIndex();
    const qint64 total = rows_.Total();
    const int maximum = int(std::min<qint64>(std::max<qint64>(0, total - VisibleRows()), INT_MAX));
    int value = 0;
    const qsizetype last = LastTop();
    if (top_ >= last) {
        value = maximum;
    } else {
        const qsizetype line = qsizetype(buffer_.LineOfPosition(size_t(top_)));
        const qsizetype length = lineLength_[size_t(line)];
        const qsizetype offset = top_ - qsizetype(buffer_.LineStart(size_t(line)));
        const int rows = EstimatedRows(length);
        const qint64 within = length == 0 ? 0 : std::min<qint64>(rows - 1, offset * rows / length);
        value = int(std::min<qint64>(rows_.Before(size_t(line)) + within, maximum - 1));
        value = std::max(0, value);
    }
    // Showing or hiding the bar resizes the view, which comes back here.
    ++syncingScrollBar_;
    verticalScrollBar()->setRange(0, maximum);
    verticalScrollBar()->setPageStep(VisibleRows());
    verticalScrollBar()->setValue(value);
    --syncingScrollBar_;
}

void TextView::scrollContentsBy(int, int) {
    if (syncingScrollBar_ > 0) {
        return;
    }
    // The scroll bar moved (dragged, clicked or by the wheel): its value is
    // an estimated row; the top becomes the real row at that place.
    RebuildRowIndex();
    const qint64 value = verticalScrollBar()->value();
    qsizetype top = 0;
    if (value >= verticalScrollBar()->maximum() && value > 0) {
        top = LastTop();
    } else if (value > 0) {
        const qsizetype line = qsizetype(rows_.IndexOf(value));
        const qsizetype length = lineLength_[size_t(line)];
        const qint64 rows = EstimatedRows(length);
        const qsizetype offset =
            qsizetype(std::max<qint64>(0, value - rows_.Before(size_t(line))) * length / rows);
        top = std::min(RowStart(RowOf(qsizetype(buffer_.LineStart(size_t(line))) + offset)),
                       LastTop());
    }
    top_ = top;
    viewport()->update();
}

void TextView::SetTop(qsizetype pos) {
    const qsizetype top = std::min(RowStart(RowOf(pos)), LastTop());
    if (top != top_) {
        top_ = top;
        viewport()->update();
    }
    UpdateScrollBar();
}

void TextView::ScrollRows(int rows) {
    Row row = RowOf(top_);
    for (; rows > 0 && NextRow(row); --rows) {
    }
    for (; rows < 0 && PreviousRow(row); ++rows) {
    }
    SetTop(RowStart(row));
}

void TextView::ScrollToPosition(qsizetype pos) {
    const Row target = RowOf(pos);
    const qsizetype start = RowStart(target);
    if (start < top_) {
        SetTop(start);
        return;
    }
    Row row = RowOf(top_);
    for (int i = 0; i < VisibleRows(); ++i) {
        if (row.line == target.line && row.chunk == target.chunk && row.index == target.index) {
            return; // shown
        }
        if (!NextRow(row)) {
            break;
        }
    }
    row = target;
    for (int i = 1; i < VisibleRows() && PreviousRow(row); ++i) {
    }
    SetTop(RowStart(row));
}

void TextView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (layoutWidth_ != TextWidth()) {
        layoutWidth_ = TextWidth();
        DropAllLayouts();
        rowIndexStale_ = true;
    }
    top_ = std::min(RowStart(RowOf(top_)), LastTop());
    UpdateScrollBar();
}

void TextView::changeEvent(QEvent* event) {
    if (event != nullptr) {
        QAbstractScrollArea::changeEvent(event);
    }
    if (event == nullptr || event->type() == QEvent::FontChange) {
        const QFontMetricsF metrics(font());
        rowHeight_ = std::max(1, int(std::ceil(metrics.height())));
        charWidth_ = std::max<qreal>(1, metrics.averageCharWidth());
        DropAllLayouts();
        rowIndexStale_ = true;
        if (event != nullptr) {
            top_ = std::min(RowStart(RowOf(top_)), LastTop());
            UpdateScrollBar();
        }
    }
    if (event != nullptr &&
        (event->type() == QEvent::PaletteChange || event->type() == QEvent::ActivationChange)) {
        viewport()->update();
    }
}

// Geometry ----------------------------------------------------------------

int TextView::ScreenRowOf(qsizetype pos) const {
    const Row target = RowOf(pos);
    if (RowStart(target) < top_) {
        return -1;
    }
    Row row = RowOf(top_);
    for (int i = 0; i <= VisibleRows(); ++i) {
        if (row.line == target.line && row.chunk == target.chunk && row.index == target.index) {
            return i;
        }
        if (!NextRow(row)) {
            break;
        }
    }
    return VisibleRows() + 1;
}

QRect TextView::PositionRect(qsizetype pos) const {
    pos = std::clamp<qsizetype>(pos, 0, Length());
    const Row target = RowOf(pos);
    Row row = RowOf(top_);
    for (int i = 0; i <= VisibleRows(); ++i) {
        if (row.line == target.line && row.chunk == target.chunk && row.index == target.index) {
            const Laid& laid = Layout(row.line, row.chunk);
            const QTextLine line = laid.layout->lineAt(row.index);
            const int offset =
                int(pos - qsizetype(buffer_.LineStart(size_t(row.line))) - laid.start);
            const qreal x = line.cursorToX(offset);
            const int next = laid.layout->nextCursorPosition(offset);
            const qreal width = next > offset ? line.cursorToX(next) - x : 1;
            return QRect(int(x) + kMargin, kMargin + i * rowHeight_, std::max(1, int(width)),
                         rowHeight_);
        }
        if (!NextRow(row)) {
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
    Row row = RowOf(top_);
    int rows = (point.y() - kMargin) / rowHeight_;
    if (point.y() < kMargin) {
        rows = -1 - (kMargin - point.y()) / rowHeight_;
    }
    for (; rows > 0 && NextRow(row); --rows) {
    }
    for (; rows < 0 && PreviousRow(row); ++rows) {
    }
    const Laid& laid = Layout(row.line, row.chunk);
    const QTextLine line = laid.layout->lineAt(row.index);
    const int offset = std::min(line.xToCursor(point.x() - kMargin), laid.length);
    const qsizetype pos = qsizetype(buffer_.LineStart(size_t(row.line))) + laid.start + offset;
    return std::min(pos, RowEnd(row));
}

// Painting ----------------------------------------------------------------

void TextView::paintEvent(QPaintEvent* event) {
    TrimCache();
    QPainter painter(viewport());
    const QRect area = event->rect();
    const bool focused = hasFocus() && isActiveWindow();
    const QPalette::ColorGroup group = focused ? QPalette::Active : QPalette::Inactive;
    QTextCharFormat selected;
    selected.setBackground(palette().brush(group, QPalette::Highlight));
    selected.setForeground(palette().brush(group, QPalette::HighlightedText));
    painter.setPen(palette().color(group, QPalette::Text));
    const qsizetype selStart = SelectionStart(), selEnd = SelectionEnd();
    const bool caretDrawn = (focused && caretShown_) || dropCaret_ >= 0;
    const qsizetype caret = dropCaret_ >= 0 ? dropCaret_ : caret_;
    const Row caretRow = caretDrawn ? RowOf(caret) : Row{-1, 0, 0};
    Row row = RowOf(top_);
    for (int y = kMargin; y < viewport()->height(); y += rowHeight_) {
        const QRect rowRect(0, y, viewport()->width(), rowHeight_);
        if (rowRect.intersects(area)) {
            const Laid& laid = Layout(row.line, row.chunk);
            const QTextLine line = laid.layout->lineAt(row.index);
            const QPointF origin(kMargin, y - line.y());
            const qsizetype chunkStart =
                qsizetype(buffer_.LineStart(size_t(row.line))) + laid.start;
            QList<QTextLayout::FormatRange> selections;
            const qsizetype from = std::max(selStart, chunkStart);
            const qsizetype to = std::min(selEnd, chunkStart + laid.length);
            if (from < to) {
                selections.append({int(from - chunkStart), int(to - from), selected});
            }
            line.draw(&painter, origin);
            if (!selections.isEmpty()) {
                DrawSelection(painter, laid, row.index, origin, selections.front());
            }
            if (caretDrawn) {
                if (caretRow.line == row.line && caretRow.chunk == row.chunk &&
                    caretRow.index == row.index) {
                    int offset = int(caret - chunkStart);
                    if (!preedit_.isEmpty() && dropCaret_ < 0) {
                        offset += preeditCursor_;
                    }
                    laid.layout->drawCursor(&painter, origin, offset, 1);
                }
            }
        }
        if (!NextRow(row)) {
            break;
        }
    }
}

void TextView::DrawSelection(QPainter& painter, const Laid& laid, int index, QPointF origin,
                             const QTextLayout::FormatRange& range) const {
    // The selected part of one row, drawn again over its highlight.
    const QTextLine line = laid.layout->lineAt(index);
    const int rowStart = line.textStart(), rowEnd = line.textStart() + line.textLength();
    const int from = std::max(range.start, rowStart);
    const int to = std::min(range.start + range.length, rowEnd);
    if (from >= to) {
        return;
    }
    const qreal x1 = line.cursorToX(from), x2 = line.cursorToX(to);
    const QRectF band(origin.x() + std::min(x1, x2), origin.y() + line.y(), std::abs(x2 - x1),
                      rowHeight_);
    painter.save();
    painter.fillRect(band, range.format.background());
    painter.setClipRect(band);
    painter.setPen(range.format.foreground().color());
    // Drawn with the selection's format, which overrides the text's colours.
    laid.layout->draw(&painter, origin, {range}, band);
    painter.restore();
}

void TextView::UpdateEditedRows(qsizetype line, qsizetype pos, int rows) {
    const int from = ScreenRowOf(pos);
    if (from > VisibleRows()) {
        return; // below the view
    }
    int to = VisibleRows() + 1;
    const qsizetype length = qsizetype(buffer_.LineLength(size_t(line)));
    if (rows >= 0 && length <= kChunk && Layout(line, 0).layout->lineCount() == rows) {
        to = std::min(to, ScreenRowOf(qsizetype(buffer_.LineStart(size_t(line))) + length));
    }
    const int top = kMargin + (std::max(0, from) - 1) * rowHeight_;
    viewport()->update(QRect(0, top, viewport()->width(), (to - from + 3) * rowHeight_));
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

void TextView::UpdateCaret() {
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
    viewport()->update(); // the selection's colours
}

void TextView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    blink_.stop();
    caretShown_ = false;
    EndTypingRun();
    viewport()->update();
}

} // namespace sheafpad
