// The text view: chunks, their layouts, rows, scrolling and painting.
#include "widgets/text_view.h"

#include "widgets/text_view_accessible.h"

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

// How far a chunk's start may move forward to follow a space.
constexpr qsizetype kSnap = 64;
// Laid-out characters kept beyond those on the screen (each costs tens of
// bytes of glyph data).
constexpr qsizetype kCacheChars = 256 * 1024;
// Laid-out chunks kept at most: several screens of short lines.
constexpr size_t kCacheLayouts = 512;
// The space between the text and the view's edges.
constexpr int kMargin = 4;
// Tab stops, in pixels, as the pane has always had them.
constexpr qreal kTabStop = 80;

// Where a chunk may start: after a space, or after a sign that ends a
// statement or a list in scripts and style sheets.
bool BreaksAfter(char16_t c) {
    return c == u' ' || c == u'\t' || c == u';' || c == u',' || c == u'{' || c == u'}' || c == u'>';
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c < 0xDC00;
}

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

QString TextView::Text(qsizetype pos, qsizetype count) const {
    QString text;
    pos = std::clamp<qsizetype>(pos, 0, Length());
    count = std::clamp<qsizetype>(count, 0, Length() - pos);
    text.reserve(count);
    buffer_.ForEachChunk(size_t(pos), size_t(count), [&](std::u16string_view part) {
        text.append(QStringView(part.data(), qsizetype(part.size())));
        return true;
    });
    return text;
}

// Chunks ------------------------------------------------------------------

qsizetype TextView::ChunkCount(qsizetype lineLength) const {
    return std::max<qsizetype>(1, (lineLength + kChunk - 1) / kChunk);
}

qsizetype TextView::ChunkStart(qsizetype, qsizetype lineStart, qsizetype lineLength,
                               qsizetype chunk) const {
    if (chunk <= 0) {
        return 0;
    }
    const qsizetype nominal = chunk * kChunk;
    const qsizetype window = std::min(kSnap, lineLength - nominal);
    const std::u16string near = buffer_.Text(size_t(lineStart + nominal - 1), size_t(window + 1));
    // near[i] is the character before nominal + i.
    for (qsizetype i = 0; i < window; ++i) {
        if (BreaksAfter(near[size_t(i)])) {
            return nominal + i;
        }
    }
    return IsHighSurrogate(near[0]) ? nominal + 1 : nominal;
}

qsizetype TextView::ChunkOf(qsizetype line, qsizetype lineStart, qsizetype lineLength,
                            qsizetype offset) const {
    const qsizetype count = ChunkCount(lineLength);
    qsizetype chunk = std::min(offset / kChunk, count - 1);
    if (chunk > 0 && offset < ChunkStart(line, lineStart, lineLength, chunk)) {
        --chunk;
    }
    return chunk;
}

const TextView::Laid& TextView::Layout(qsizetype line, qsizetype chunk) const {
    const quint64 key = LayoutKey(line, chunk);
    if (auto found = layouts_.find(key); found != layouts_.end()) {
        order_.splice(order_.end(), order_, found->second.use); // now the most recent
        return found->second.laid;
    }
    const qsizetype lineStart = qsizetype(buffer_.LineStart(size_t(line)));
    const qsizetype lineLength = qsizetype(buffer_.LineLength(size_t(line)));
    const qsizetype start = ChunkStart(line, lineStart, lineLength, chunk);
    const qsizetype end = chunk + 1 < ChunkCount(lineLength)
                              ? ChunkStart(line, lineStart, lineLength, chunk + 1)
                              : lineLength;
    ++layoutsMade_;
    Laid laid;
    laid.start = start;
    laid.length = int(end - start);
    laid.layout = std::make_unique<QTextLayout>(Text(lineStart + start, end - start), font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(kTabStop);
    laid.layout->setTextOption(option);
    laid.layout->setCacheEnabled(true); // the caret's blink must not shape it again
    const qsizetype caretLine = qsizetype(buffer_.LineOfPosition(size_t(caret_)));
    if (!preedit_.isEmpty() && caretLine == line) {
        const qsizetype offset = caret_ - lineStart;
        if (ChunkOf(line, lineStart, lineLength, offset) == chunk) {
            laid.layout->setPreeditArea(int(offset - start), preedit_);
            laid.layout->setFormats(preeditFormats_);
        }
    }
    laid.layout->beginLayout();
    for (qreal y = 0;; y += rowHeight_) {
        QTextLine row = laid.layout->createLine();
        if (!row.isValid()) {
            break;
        }
        row.setLineWidth(TextWidth());
        row.setPosition(QPointF(0, y));
    }
    laid.layout->endLayout();
    order_.push_back(key);
    cachedChars_ += laid.length;
    auto [entry, added] =
        layouts_.emplace(key, CacheEntry{std::move(laid), std::prev(order_.end())});
    return entry->second.laid;
}

void TextView::TrimCache() const {
    while ((cachedChars_ > kCacheChars || layouts_.size() > kCacheLayouts) &&
           layouts_.size() > 64) {
        const auto oldest = layouts_.find(order_.front());
        cachedChars_ -= oldest->second.laid.length;
        layouts_.erase(oldest);
        order_.pop_front();
    }
}

void TextView::DropLayouts(qsizetype fromLine, qsizetype fromChunk, bool shiftedLines) {
    for (auto entry = layouts_.begin(); entry != layouts_.end();) {
        const qsizetype line = qsizetype(entry->first >> 24);
        const qsizetype chunk = qsizetype(entry->first & 0xFFFFFF);
        const bool stale = shiftedLines ? line >= fromLine : line == fromLine && chunk >= fromChunk;
        if (stale) {
            cachedChars_ -= entry->second.laid.length;
            order_.erase(entry->second.use);
            entry = layouts_.erase(entry);
        } else {
            ++entry;
        }
    }
}

void TextView::DropAllLayouts() {
    layouts_.clear();
    order_.clear();
    cachedChars_ = 0;
}

// Rows --------------------------------------------------------------------

TextView::Row TextView::RowOf(qsizetype pos) const {
    pos = std::clamp<qsizetype>(pos, 0, Length());
    Row row;
    row.line = qsizetype(buffer_.LineOfPosition(size_t(pos)));
    const qsizetype lineStart = qsizetype(buffer_.LineStart(size_t(row.line)));
    const qsizetype lineLength = qsizetype(buffer_.LineLength(size_t(row.line)));
    const qsizetype offset = pos - lineStart;
    row.chunk = ChunkOf(row.line, lineStart, lineLength, offset);
    const Laid& laid = Layout(row.line, row.chunk);
    const QTextLine line = laid.layout->lineForTextPosition(int(offset - laid.start));
    row.index = line.isValid() ? line.lineNumber() : std::max(0, laid.layout->lineCount() - 1);
    return row;
}

qsizetype TextView::RowStart(const Row& row) const {
    const Laid& laid = Layout(row.line, row.chunk);
    const int start = std::min(laid.layout->lineAt(row.index).textStart(), laid.length);
    return qsizetype(buffer_.LineStart(size_t(row.line))) + laid.start + start;
}

bool TextView::IsLastRowOfLine(const Row& row) const {
    const Laid& laid = Layout(row.line, row.chunk);
    const qsizetype lineLength = qsizetype(buffer_.LineLength(size_t(row.line)));
    return row.index + 1 >= laid.layout->lineCount() && row.chunk + 1 >= ChunkCount(lineLength);
}

qsizetype TextView::RowEnd(const Row& row) const {
    const qsizetype lineStart = qsizetype(buffer_.LineStart(size_t(row.line)));
    if (IsLastRowOfLine(row)) {
        return lineStart + qsizetype(buffer_.LineLength(size_t(row.line)));
    }
    // The end of a wrapped row is the next row's start; the caret stays on
    // this row just before it.
    const Laid& laid = Layout(row.line, row.chunk);
    const QTextLine line = laid.layout->lineAt(row.index);
    const int end = std::min(line.textStart() + line.textLength(), laid.length);
    const int before = laid.layout->previousCursorPosition(end);
    return lineStart + laid.start + std::max(before, std::min(line.textStart(), laid.length));
}

bool TextView::NextRow(Row& row) const {
    const Laid& laid = Layout(row.line, row.chunk);
    if (row.index + 1 < laid.layout->lineCount()) {
        ++row.index;
        return true;
    }
    if (row.chunk + 1 < ChunkCount(qsizetype(buffer_.LineLength(size_t(row.line))))) {
        row = Row{row.line, row.chunk + 1, 0};
        return true;
    }
    if (row.line + 1 < LineCount()) {
        row = Row{row.line + 1, 0, 0};
        return true;
    }
    return false;
}

bool TextView::PreviousRow(Row& row) const {
    if (row.index > 0) {
        --row.index;
        return true;
    }
    if (row.chunk > 0) {
        --row.chunk;
    } else if (row.line > 0) {
        --row.line;
        row.chunk = ChunkCount(qsizetype(buffer_.LineLength(size_t(row.line)))) - 1;
    } else {
        return false;
    }
    row.index = std::max(0, Layout(row.line, row.chunk).layout->lineCount() - 1);
    return true;
}

qsizetype TextView::LastTop() const {
    Row row = RowOf(Length());
    for (int i = 1; i < VisibleRows() && PreviousRow(row); ++i) {
    }
    return RowStart(row);
}

int TextView::VisibleRows() const {
    return std::max(1, (viewport()->height() - kMargin) / rowHeight_);
}

int TextView::TextWidth() const {
    return std::max(1, viewport()->width() - 2 * kMargin);
}

// Scrolling ---------------------------------------------------------------

int TextView::EstimatedRows(qsizetype lineLength) const {
    // Called for every line of the text at once: arithmetic only.
    if (lineLength <= charsPerRow_) {
        return 1;
    }
    const qint64 rows = qint64(qreal(lineLength) / charsPerRow_ + 0.999);
    return int(std::min<qint64>(ChunkCount(lineLength) - 1 + rows, 1 << 24));
}

void TextView::RebuildRowIndex() const {
    if (!rowIndexStale_) {
        return;
    }
    charsPerRow_ = std::max<qreal>(1, TextWidth() / charWidth_);
    std::vector<int32_t> rows(lineLength_.size());
    for (size_t i = 0; i < lineLength_.size(); ++i) {
        rows[i] = EstimatedRows(lineLength_[i]);
    }
    rows_.Assign(std::move(rows));
    rowIndexStale_ = false;
}

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
    line.draw(&painter, origin);
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
