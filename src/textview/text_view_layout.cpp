// The text view's layout: chunks of lines, their cached layouts, rows and
// the estimated rows of the scroll bar.
#include "textview/text_view.h"

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
    QList<QTextLayout::FormatRange> formats;
    if (colours_) {
        formats = colours_->Formats(lineStart + start, end - start);
    }
    const qsizetype caretLine = qsizetype(buffer_.LineOfPosition(size_t(caret_)));
    if (!preedit_.isEmpty() && caretLine == line) {
        const qsizetype offset = caret_ - lineStart;
        if (ChunkOf(line, lineStart, lineLength, offset) == chunk) {
            // Formats count the composed text where it stands.
            const int at = int(offset - start);
            laid.layout->setPreeditArea(at, preedit_);
            for (QTextLayout::FormatRange& range : formats) {
                if (range.start >= at) {
                    range.start += int(preedit_.size());
                } else if (range.start + range.length > at) {
                    range.length += int(preedit_.size());
                }
            }
            for (QTextLayout::FormatRange range : preeditFormats_) {
                range.start += at;
                formats.append(range);
            }
        }
    }
    if (!formats.isEmpty()) {
        laid.layout->setFormats(formats);
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

void TextView::SetColours(TextColours* colours) {
    colours_ = colours;
    DropAllLayouts();
    viewport()->update();
}

void TextView::RecolourRange(qsizetype pos, qsizetype count) {
    const qsizetype end = pos + count;
    for (auto entry = layouts_.begin(); entry != layouts_.end();) {
        const Laid& laid = entry->second.laid;
        const qsizetype line = qsizetype(entry->first >> 24);
        const qsizetype start = qsizetype(buffer_.LineStart(size_t(line))) + laid.start;
        if (start <= end && pos <= start + laid.length) {
            cachedChars_ -= laid.length;
            order_.erase(entry->second.use);
            entry = layouts_.erase(entry);
        } else {
            ++entry;
        }
    }
    viewport()->update();
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

} // namespace sheafpad
