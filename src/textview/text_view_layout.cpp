// The text view's layout: chunks of lines, their cached layouts, rows and
// the estimated rows of the scroll bar.
#include "textview/text_view_layout.h"

#include <QFontMetricsF>
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

TextLayout::TextLayout(const TextBuffer& buffer) : buffer_(buffer) {
    option_.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    SetFont(font_);
    Reset();
}

TextLayout::~TextLayout() = default;

QString TextLayout::Text(qsizetype pos, qsizetype count) const {
    QString text;
    text.reserve(count);
    buffer_.ForEachChunk(size_t(pos), size_t(count), [&](std::u16string_view part) {
        text.append(QStringView(part.data(), qsizetype(part.size())));
        return true;
    });
    return text;
}

// Settings ----------------------------------------------------------------

void TextLayout::SetFont(const QFont& font) {
    font_ = font;
    const QFontMetricsF metrics(font_);
    rowHeight_ = std::max(1, int(std::ceil(metrics.height())));
    charWidth_ = std::max<qreal>(1, metrics.averageCharWidth());
    option_.setTabStopDistance(kTabStop);
    DropAll();
    estimatesStale_ = true;
}

void TextLayout::SetWidth(int width) {
    width = std::max(1, width);
    if (width != width_) {
        width_ = width;
        DropAll();
        estimatesStale_ = true;
    }
}

void TextLayout::SetPreedit(qsizetype pos, const QString& text,
                            const QList<QTextLayout::FormatRange>& formats) {
    if (preeditPos_ >= 0) {
        Drop(preeditPos_, 0);
    }
    preeditPos_ = text.isEmpty() ? -1 : pos;
    preedit_ = text;
    preeditFormats_ = formats;
    if (preeditPos_ >= 0) {
        Drop(preeditPos_, 0);
    }
}

// Chunks ------------------------------------------------------------------

qsizetype TextLayout::ChunkCount(qsizetype line) const {
    return std::max<qsizetype>(1, (LineLength(line) + kChunk - 1) / kChunk);
}

// Chunk k of a line starts near k * kChunk, after a space where one is close,
// so that the short row ends at a word's end.
qsizetype TextLayout::ChunkStart(qsizetype lineStart, qsizetype lineLength, qsizetype chunk) const {
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

qsizetype TextLayout::ChunkOf(qsizetype line, qsizetype offset) const {
    const qsizetype count = ChunkCount(line);
    qsizetype chunk = std::min(offset / kChunk, count - 1);
    if (chunk > 0 &&
        offset < ChunkStart(qsizetype(buffer_.LineStart(size_t(line))), LineLength(line), chunk)) {
        --chunk;
    }
    return chunk;
}

qsizetype TextLayout::ChunkPosition(qsizetype line, const Laid& laid) const {
    return qsizetype(buffer_.LineStart(size_t(line))) + laid.start;
}

const TextLayout::Laid& TextLayout::Layout(qsizetype line, qsizetype chunk) const {
    const quint64 key = Key(line, chunk);
    if (auto found = layouts_.find(key); found != layouts_.end()) {
        order_.splice(order_.end(), order_, found->second.use); // now the most recent
        return found->second.laid;
    }
    Laid laid = Make(line, chunk);
    order_.push_back(key);
    cachedChars_ += laid.length;
    auto [entry, added] =
        layouts_.emplace(key, CacheEntry{std::move(laid), std::prev(order_.end())});
    return entry->second.laid;
}

TextLayout::Laid TextLayout::Make(qsizetype line, qsizetype chunk) const {
    const qsizetype lineStart = qsizetype(buffer_.LineStart(size_t(line)));
    const qsizetype lineLength = LineLength(line);
    const qsizetype start = ChunkStart(lineStart, lineLength, chunk);
    const bool last = chunk + 1 >= ChunkCount(line);
    const qsizetype end = last ? lineLength : ChunkStart(lineStart, lineLength, chunk + 1);
    ++layoutsMade_;
    Laid laid;
    laid.start = start;
    laid.length = int(end - start);
    laid.last = last;
    laid.layout = std::make_unique<QTextLayout>(Text(lineStart + start, end - start), font_);
    laid.layout->setTextOption(option_);
    laid.layout->setCacheEnabled(true); // the caret's blink must not shape it again
    QList<QTextLayout::FormatRange> formats;
    if (colours_) {
        formats = colours_->Formats(lineStart + start, end - start);
    }
    if (preeditPos_ >= lineStart + start && preeditPos_ <= lineStart + end &&
        ChunkOf(line, preeditPos_ - lineStart) == chunk) {
        // Formats count the composed text where it stands.
        const int at = int(preeditPos_ - lineStart - start);
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
    if (!formats.isEmpty()) {
        laid.layout->setFormats(formats);
    }
    laid.layout->beginLayout();
    for (qreal y = 0;; y += rowHeight_) {
        QTextLine row = laid.layout->createLine();
        if (!row.isValid()) {
            break;
        }
        row.setLineWidth(width_);
        row.setPosition(QPointF(0, y));
    }
    laid.layout->endLayout();
    laid.rows = laid.layout->lineCount();
    return laid;
}

void TextLayout::Evict(std::map<quint64, CacheEntry>::iterator entry) const {
    cachedChars_ -= entry->second.laid.length;
    order_.erase(entry->second.use);
    layouts_.erase(entry);
}

void TextLayout::Trim() const {
    while ((cachedChars_ > kCacheChars || layouts_.size() > kCacheLayouts) &&
           layouts_.size() > 64) {
        Evict(layouts_.find(order_.front()));
    }
}

void TextLayout::DropFrom(qsizetype line, qsizetype chunk, bool laterLines) {
    const auto end = laterLines ? layouts_.end() : layouts_.lower_bound(Key(line + 1, 0));
    for (auto entry = layouts_.lower_bound(Key(line, chunk)); entry != end;) {
        Evict(entry++);
    }
}

void TextLayout::Drop(qsizetype pos, qsizetype count) {
    const qsizetype first = qsizetype(buffer_.LineOfPosition(size_t(pos)));
    const qsizetype last = qsizetype(buffer_.LineOfPosition(size_t(pos + count)));
    const qsizetype firstChunk = ChunkOf(first, pos - qsizetype(buffer_.LineStart(size_t(first))));
    const qsizetype lastChunk =
        ChunkOf(last, pos + count - qsizetype(buffer_.LineStart(size_t(last))));
    const auto end = layouts_.upper_bound(Key(last, lastChunk));
    for (auto entry = layouts_.lower_bound(Key(first, firstChunk)); entry != end;) {
        Evict(entry++);
    }
}

void TextLayout::DropAll() {
    layouts_.clear();
    order_.clear();
    cachedChars_ = 0;
}

int TextLayout::CachedRows(qsizetype line) const {
    const auto found = layouts_.find(Key(line, 0));
    return found != layouts_.end() && found->second.laid.last ? found->second.laid.rows : -1;
}

// Changes -----------------------------------------------------------------

void TextLayout::Reset() {
    lineLength_.clear();
    lineLength_.reserve(buffer_.LineCount());
    size_t lineStart = 0;
    buffer_.ForEachLineFeed([&](size_t feed) {
        lineLength_.push_back(uint32_t(feed - lineStart));
        lineStart = feed + 1;
    });
    lineLength_.push_back(uint32_t(buffer_.Length() - lineStart));
    estimatesStale_ = true;
    preeditPos_ = -1;
    preedit_.clear();
    DropAll();
}

void TextLayout::Changed(const TextChange& change, qsizetype linesBefore) {
    const qsizetype pos = qsizetype(change.pos);
    const qsizetype inserted = qsizetype(change.inserted);
    // The line lengths of the lines that the change touched.
    const qsizetype first = qsizetype(buffer_.LineOfPosition(size_t(pos)));
    const qsizetype newFeeds = qsizetype(buffer_.LineOfPosition(size_t(pos + inserted))) - first;
    const qsizetype oldFeeds = newFeeds + linesBefore - qsizetype(buffer_.LineCount());
    std::vector<uint32_t> lengths(size_t(newFeeds + 1));
    for (qsizetype i = 0; i <= newFeeds; ++i) {
        lengths[size_t(i)] = uint32_t(buffer_.LineLength(size_t(first + i)));
    }
    const auto at = lineLength_.begin() + first;
    if (oldFeeds == newFeeds) {
        std::copy(lengths.begin(), lengths.end(), at);
    } else {
        lineLength_.insert(lineLength_.erase(at, at + oldFeeds + 1), lengths.begin(),
                           lengths.end());
    }
    const bool withinLine = oldFeeds == 0 && newFeeds == 0;
    if (withinLine && !estimatesStale_) {
        estimates_.Set(size_t(first), EstimatedRows(lengths[0]));
    } else {
        estimatesStale_ = true;
    }
    if (withinLine) {
        // Chunk starts after the change may move: from the chunk before it on.
        const qsizetype offset = pos - qsizetype(buffer_.LineStart(size_t(first)));
        DropFrom(first, std::max<qsizetype>(0, offset / kChunk - 1), false);
    } else {
        DropFrom(first, 0, true);
    }
}

// Rows --------------------------------------------------------------------

TextLayout::Row TextLayout::RowOf(qsizetype pos) const {
    pos = std::clamp<qsizetype>(pos, 0, qsizetype(buffer_.Length()));
    Row row;
    row.line = qsizetype(buffer_.LineOfPosition(size_t(pos)));
    const qsizetype offset = pos - qsizetype(buffer_.LineStart(size_t(row.line)));
    row.chunk = ChunkOf(row.line, offset);
    const Laid& laid = Layout(row.line, row.chunk);
    const QTextLine line = laid.layout->lineForTextPosition(int(offset - laid.start));
    row.index = line.isValid() ? std::min(line.lineNumber(), laid.rows - 1) : laid.rows - 1;
    row.index = std::max(0, row.index);
    return row;
}

qsizetype TextLayout::RowStart(const Row& row) const {
    const Laid& laid = Layout(row.line, row.chunk);
    const int start = std::min(laid.layout->lineAt(row.index).textStart(), laid.length);
    return ChunkPosition(row.line, laid) + start;
}

bool TextLayout::IsLastRowOfLine(const Row& row) const {
    const Laid& laid = Layout(row.line, row.chunk);
    return row.index + 1 >= laid.rows && laid.last;
}

qsizetype TextLayout::RowEnd(const Row& row) const {
    if (IsLastRowOfLine(row)) {
        return qsizetype(buffer_.LineStart(size_t(row.line))) + LineLength(row.line);
    }
    // The end of a wrapped row is the next row's start; the caret stays on
    // this row just before it.
    const Laid& laid = Layout(row.line, row.chunk);
    const QTextLine line = laid.layout->lineAt(row.index);
    const int end = std::min(line.textStart() + line.textLength(), laid.length);
    const int before = laid.layout->previousCursorPosition(end);
    return ChunkPosition(row.line, laid) +
           std::max(before, std::min(line.textStart(), laid.length));
}

bool TextLayout::NextRow(Row& row) const {
    const Laid& laid = Layout(row.line, row.chunk);
    if (row.index + 1 < laid.rows) {
        ++row.index;
        return true;
    }
    if (!laid.last) {
        row = Row{row.line, row.chunk + 1, 0};
        return true;
    }
    if (row.line + 1 < qsizetype(buffer_.LineCount())) {
        row = Row{row.line + 1, 0, 0};
        return true;
    }
    return false;
}

bool TextLayout::PreviousRow(Row& row) const {
    if (row.index > 0) {
        --row.index;
        return true;
    }
    if (row.chunk > 0) {
        --row.chunk;
    } else if (row.line > 0) {
        --row.line;
        row.chunk = ChunkCount(row.line) - 1;
    } else {
        return false;
    }
    row.index = std::max(0, Layout(row.line, row.chunk).rows - 1);
    return true;
}

qsizetype TextLayout::PositionInRow(const Row& row, qreal x) const {
    const Laid& laid = Layout(row.line, row.chunk);
    const int offset = std::min(laid.layout->lineAt(row.index).xToCursor(x), laid.length);
    return std::min(ChunkPosition(row.line, laid) + offset, RowEnd(row));
}

qreal TextLayout::XOf(qsizetype pos) const {
    const Row row = RowOf(pos);
    const Laid& laid = Layout(row.line, row.chunk);
    return laid.layout->lineAt(row.index).cursorToX(int(pos - ChunkPosition(row.line, laid)));
}

qsizetype TextLayout::NextCursorStop(qsizetype pos, QTextLayout::CursorMode mode) const {
    const Row row = RowOf(pos);
    const Laid& laid = Layout(row.line, row.chunk);
    const qsizetype chunkStart = ChunkPosition(row.line, laid);
    const int offset = int(pos - chunkStart);
    if (offset >= laid.length) {
        return std::min(pos + 1, qsizetype(buffer_.Length())); // over the line break
    }
    return chunkStart + std::min(laid.layout->nextCursorPosition(offset, mode), laid.length);
}

qsizetype TextLayout::PreviousCursorStop(qsizetype pos, QTextLayout::CursorMode mode) const {
    const Row row = RowOf(pos);
    const Laid& laid = Layout(row.line, row.chunk);
    const qsizetype chunkStart = ChunkPosition(row.line, laid);
    const int offset = int(pos - chunkStart);
    if (offset <= 0) {
        return std::max<qsizetype>(pos - 1, 0); // over the line break or into the chunk before
    }
    return chunkStart + laid.layout->previousCursorPosition(offset, mode);
}

// Estimated rows ----------------------------------------------------------

int TextLayout::EstimatedRows(qsizetype lineLength) const {
    // Called for every line of the text at once: arithmetic only.
    if (lineLength <= charsPerRow_) {
        return 1;
    }
    const qint64 rows = qint64(qreal(lineLength) / charsPerRow_ + 0.999);
    const qint64 chunks = std::max<qsizetype>(1, (lineLength + kChunk - 1) / kChunk);
    return int(std::min<qint64>(chunks - 1 + rows, 1 << 24));
}

const PrefixSums& TextLayout::Estimates() const {
    if (estimatesStale_) {
        charsPerRow_ = std::max<qreal>(1, width_ / charWidth_);
        std::vector<int32_t> rows(lineLength_.size());
        for (size_t i = 0; i < lineLength_.size(); ++i) {
            rows[i] = EstimatedRows(lineLength_[i]);
        }
        estimates_.Assign(std::move(rows));
        estimatesStale_ = false;
    }
    return estimates_;
}

} // namespace sheafpad
