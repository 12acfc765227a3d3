// The text view's layout: chunks of lines, their cached layouts, rows and
// the estimated rows of the scroll bar.
#include "textview/text_view_layout.h"

#include <QFontMetricsF>
#include <QTextLine>
#include <algorithm>
#include <cmath>

namespace sheafpad {

namespace {

// Laid-out characters kept beyond those on the screen (each costs tens of
// bytes of glyph data).
constexpr qsizetype kCacheChars = 256 * 1024;
// Laid-out chunks kept at most: several screens of short lines.
constexpr size_t kCacheLayouts = 512;
// Chunks that edits make shorter than this are joined to the next one.
constexpr qsizetype kMinChunk = TextLayout::kChunk / 8;
// Tab stops, in columns of the font.
constexpr int kTabColumns = 4;

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
    asciiWidth_ = 0;
    for (char16_t c = 0x20; c < 0x7F; ++c) {
        asciiWidth_ = std::max(asciiWidth_, metrics.horizontalAdvance(QChar(c)));
    }
    option_.setTabStopDistance(kTabColumns * metrics.horizontalAdvance(QChar(u' ')));
    DropAll();
    seams_.clear(); // rows wrap elsewhere now
    std::fill(known_.begin(), known_.end(), 0);
    estimatesStale_ = true;
}

void TextLayout::SetWidth(int width) {
    width = std::max(1, width);
    if (width != width_) {
        width_ = width;
        DropAll();
        seams_.clear(); // rows wrap elsewhere now
        std::fill(known_.begin(), known_.end(), 0);
        estimatesStale_ = true;
    }
}

void TextLayout::SetPreedit(qsizetype pos, const QString& text,
                            const QList<QTextLayout::FormatRange>& formats) {
    if (preeditPos_ >= 0) {
        Drop(preeditPos_, 0);
    }
    preeditPos_ = text.isEmpty() ? -1 : pos;
    preeditLine_ = text.isEmpty() ? -1 : qsizetype(buffer_.LineOfPosition(size_t(pos)));
    preedit_ = text;
    preeditFormats_ = formats;
    if (preeditPos_ >= 0) {
        Drop(preeditPos_, 0);
    }
}

// Chunks ------------------------------------------------------------------

TextLayout::Seams* TextLayout::SeamsOf(qsizetype line) const {
    const qsizetype length = LineLength(line);
    if (length <= kChunk) {
        return nullptr;
    }
    auto found = seams_.find(line);
    if (found == seams_.end()) {
        const qsizetype count = (length + kChunk - 1) / kChunk;
        Seams seams;
        seams.starts.resize(size_t(count));
        seams.checked.assign(size_t(count), 0);
        for (qsizetype chunk = 0; chunk < count; ++chunk) {
            seams.starts[size_t(chunk)] = chunk * kChunk;
        }
        seams.checked[0] = 1;
        found = seams_.emplace(line, std::move(seams)).first;
    }
    return &found->second;
}

qsizetype TextLayout::ChunkCount(qsizetype line) const {
    const Seams* seams = SeamsOf(line);
    return seams == nullptr ? 1 : qsizetype(seams->starts.size());
}

qsizetype TextLayout::StoredChunkOf(qsizetype line, qsizetype offset) const {
    const Seams* seams = SeamsOf(line);
    if (seams == nullptr) {
        return 0;
    }
    const auto& starts = seams->starts;
    return qsizetype(std::upper_bound(starts.begin() + 1, starts.end(), offset) - starts.begin()) -
           1;
}

void TextLayout::Check(qsizetype line, qsizetype chunk) const {
    const Seams* seams = SeamsOf(line);
    if (seams == nullptr || chunk <= 0 || seams->checked[size_t(chunk)]) {
        return;
    }
    if (const auto before = layouts_.find(Key(line, chunk - 1)); before != layouts_.end()) {
        Evict(before); // laid out while it held a composition
    }
    Layout(line, chunk - 1); // which checks the start of the chunk after it
}

qsizetype TextLayout::ChunkOf(qsizetype line, qsizetype offset) const {
    const Seams* seams = SeamsOf(line);
    if (seams == nullptr) {
        return 0;
    }
    for (;;) {
        const qsizetype chunk = StoredChunkOf(line, offset);
        Check(line, chunk); // the start only moves back, so offset stays in the chunk
        if (chunk + 1 >= qsizetype(seams->starts.size())) {
            return chunk;
        }
        Check(line, chunk + 1);
        if (offset < seams->starts[size_t(chunk + 1)]) {
            return chunk;
        }
    }
}

qsizetype TextLayout::Lookahead() const {
    return std::max<qsizetype>(256, qsizetype(3 * width_ / charWidth_));
}

void TextLayout::MoveSeam(Seams& seams, qsizetype line, qsizetype chunk, qsizetype start) const {
    seams.starts[size_t(chunk)] = start;
    seams.checked[size_t(chunk)] = 1;
    if (const auto moved = layouts_.find(Key(line, chunk)); moved != layouts_.end()) {
        Evict(moved); // laid out from where it started before
    }
}

QTextLine TextLayout::RowLine(const Laid& laid, int index) {
    return laid.layout->lineAt(std::clamp(index, 0, std::max(0, laid.rows - 1)));
}

qsizetype TextLayout::ChunkPosition(qsizetype line, const Laid& laid) const {
    return qsizetype(buffer_.LineStart(size_t(line))) + laid.start;
}

const TextLayout::Laid& TextLayout::Layout(qsizetype line, qsizetype chunk) const {
    const quint64 key = Key(line, chunk);
    if (recent_ != layouts_.end() && recent_->first == key) {
        return recent_->second.laid; // asked again at once: rows, caret and paint
    }
    if (auto found = layouts_.find(key); found != layouts_.end()) {
        order_.splice(order_.end(), order_, found->second.use); // now the most recent
        recent_ = found;
        return found->second.laid;
    }
    Laid laid = Make(line, chunk);
    order_.push_back(key);
    cachedChars_ += laid.length;
    recent_ = layouts_.emplace(key, CacheEntry{std::move(laid), std::prev(order_.end())}).first;
    return recent_->second.laid;
}

TextLayout::Laid TextLayout::Make(qsizetype line, qsizetype chunk) const {
    const qsizetype lineStart = qsizetype(buffer_.LineStart(size_t(line)));
    const qsizetype lineLength = LineLength(line);
    Seams* seams = SeamsOf(line);
    const bool last = seams == nullptr || size_t(chunk + 1) >= seams->starts.size();
    const qsizetype start = seams == nullptr ? 0 : seams->starts[size_t(chunk)];
    const qsizetype end = last ? lineLength : seams->starts[size_t(chunk + 1)];
    const qsizetype composition = preeditPos_ - lineStart;
    const bool composing = preeditPos_ >= lineStart && composition >= start &&
                           (composition < end || (last && composition == end));
    Laid laid;
    laid.start = start;
    laid.last = last;
    auto layOut = [&](qsizetype textEnd) {
        ++layoutsMade_;
        laid.layout =
            std::make_unique<QTextLayout>(Text(lineStart + start, textEnd - start), font_);
        laid.layout->setTextOption(option_);
        laid.layout->setCacheEnabled(true); // the caret's blink must not shape it again
        if (composing) {
            laid.layout->setPreeditArea(int(composition - start), preedit_);
            laid.layout->setFormats(preeditFormats_);
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
    };
    // With the text of the next chunk that decides where the row holding its
    // start begins.
    const bool ahead = !last && !composing;
    layOut(ahead ? std::min(lineLength, end + Lookahead()) : end);
    int length = int(end - start);
    if (ahead) {
        const QTextLine holder = laid.layout->lineForTextPosition(length);
        const int rowStart = holder.isValid() ? holder.textStart() : length;
        if (seams->checked[size_t(chunk + 1)]) {
            if (rowStart != length) {
                layOut(end); // the next chunk is placed: this one ends there
            }
        } else {
            // The next chunk, not yet shown, starts where the row that holds
            // its start begins (a row as wide as a chunk keeps its end, at a
            // character's start).
            int next = rowStart;
            if (next == 0) {
                next = laid.layout->isValidCursorPosition(length)
                           ? length
                           : laid.layout->nextCursorPosition(length);
                const qsizetype after = size_t(chunk + 2) < seams->starts.size()
                                            ? seams->starts[size_t(chunk + 2)]
                                            : lineLength;
                next = start + next < after ? next : length;
            }
            if (next != length) {
                MoveSeam(*seams, line, chunk + 1, start + next);
                length = next;
            }
            seams->checked[size_t(chunk + 1)] = 1;
        }
    }
    laid.length = length;
    laid.rows = laid.layout->lineCount();
    while (laid.rows > 1 && laid.layout->lineAt(laid.rows - 1).textStart() >= length) {
        --laid.rows; // the next chunk's
    }
    return laid;
}

void TextLayout::Evict(std::map<quint64, CacheEntry>::iterator entry) const {
    cachedChars_ -= entry->second.laid.length;
    order_.erase(entry->second.use);
    if (entry == recent_) {
        recent_ = layouts_.end();
    }
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
    const qsizetype firstChunk =
        StoredChunkOf(first, pos - qsizetype(buffer_.LineStart(size_t(first))));
    const qsizetype lastChunk =
        StoredChunkOf(last, pos + count - qsizetype(buffer_.LineStart(size_t(last))));
    const auto end = layouts_.upper_bound(Key(last, lastChunk));
    for (auto entry = layouts_.lower_bound(Key(first, firstChunk)); entry != end;) {
        Evict(entry++);
    }
}

void TextLayout::DropAll() {
    layouts_.clear();
    recent_ = layouts_.end();
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
    known_.assign(lineLength_.size(), 0);
    estimatesStale_ = true;
    preeditPos_ = preeditLine_ = -1;
    preedit_.clear();
    DropAll();
    seams_.clear();
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
    const auto knownAt = known_.begin() + first;
    if (oldFeeds == newFeeds) {
        std::copy(lengths.begin(), lengths.end(), at);
        std::fill(knownAt, knownAt + newFeeds + 1, 0);
    } else {
        lineLength_.insert(lineLength_.erase(at, at + oldFeeds + 1), lengths.begin(),
                           lengths.end());
        known_.insert(known_.erase(knownAt, knownAt + oldFeeds + 1), size_t(newFeeds + 1), 0);
    }
    const bool withinLine = oldFeeds == 0 && newFeeds == 0;
    if (withinLine && !estimatesStale_) {
        estimates_.Set(size_t(first), EstimatedRows(lengths[0]));
    } else if (!estimatesStale_) {
        // From the first line on: lines added at the end (a report written a
        // line at a time) cost only themselves.
        std::vector<int32_t> rows(lengths.size());
        std::transform(lengths.begin(), lengths.end(), rows.begin(),
                       [&](uint32_t length) { return EstimatedRows(length); });
        estimates_.Replace(size_t(first), size_t(oldFeeds + 1), rows);
    }
    Trim(); // between edits no layout is in use
    if (withinLine) {
        EditSeams(first, pos - qsizetype(buffer_.LineStart(size_t(first))),
                  qsizetype(change.removed), inserted);
    } else {
        // The seams of the lines below move with them; the edited lines' go.
        std::map<qsizetype, Seams> below;
        for (auto entry = seams_.upper_bound(first + oldFeeds); entry != seams_.end();) {
            auto node = seams_.extract(entry++);
            node.key() += newFeeds - oldFeeds;
            below.insert(std::move(node));
        }
        seams_.erase(seams_.lower_bound(first), seams_.end());
        seams_.merge(below);
        DropFrom(first, 0, true);
    }
}

void TextLayout::EditSeams(qsizetype line, qsizetype offset, qsizetype removed,
                           qsizetype inserted) {
    const auto found = seams_.find(line);
    if (found == seams_.end() || LineLength(line) <= kChunk) {
        if (found != seams_.end()) {
            seams_.erase(found);
        }
        DropFrom(line, 0, false);
        return;
    }
    // Starts in the removed text go; those after it move with the text.
    const Seams& old = found->second;
    const qsizetype chunk = StoredChunkOf(line, offset);
    Seams seams;
    for (size_t k = 0; k < old.starts.size(); ++k) {
        qsizetype start = old.starts[k];
        if (qsizetype(k) > chunk) {
            if (start < offset + removed) {
                continue;
            }
            start += inserted - removed;
        }
        seams.starts.push_back(start);
        seams.checked.push_back(old.checked[k]);
    }
    auto count = [&] { return qsizetype(seams.starts.size()); };
    auto end = [&](qsizetype k) {
        return k + 1 < count() ? seams.starts[size_t(k + 1)] : LineLength(line);
    };
    // The edited chunk is cut anew when it grew long, joined to the next one
    // (or the last one to the one before) when it became short.
    if (const qsizetype from = seams.starts[size_t(chunk)]; end(chunk) - from > 2 * kChunk) {
        std::vector<qsizetype> cuts;
        for (qsizetype at = from + kChunk; at < end(chunk) - kChunk / 2; at += kChunk) {
            cuts.push_back(at);
        }
        seams.starts.insert(seams.starts.begin() + chunk + 1, cuts.begin(), cuts.end());
        seams.checked.insert(seams.checked.begin() + chunk + 1, cuts.size(), 0);
    } else if (end(chunk) - from < kMinChunk && count() > 1) {
        const qsizetype gone = chunk + 1 < count() ? chunk + 1 : chunk;
        seams.starts.erase(seams.starts.begin() + gone);
        seams.checked.erase(seams.checked.begin() + gone);
    }
    const qsizetype edited = std::min(chunk, count() - 1);
    // The edited chunk's layout decides where the next one starts, and the
    // chunk before it read the edited text when the edit is near its start.
    if (edited + 1 < count()) {
        seams.checked[size_t(edited + 1)] = 0;
    }
    const bool nearStart = offset < seams.starts[size_t(edited)] + Lookahead();
    if (edited > 0 && nearStart) {
        seams.checked[size_t(edited)] = 0;
    }
    found->second = std::move(seams);
    DropFrom(line, nearStart ? std::max<qsizetype>(0, edited - 1) : edited, false);
}

// Rows --------------------------------------------------------------------

int TextLayout::KnownRows(qsizetype line) const {
    const qsizetype length = LineLength(line);
    // Two characters to spare, for rounding and kerning.
    if (qreal(length + 2) * asciiWidth_ > width_) {
        return -1;
    }
    int8_t& known = known_[size_t(line)];
    if (preeditLine_ == line) {
        return -1;
    }
    if (known != 0) {
        return known;
    }
    const qsizetype lineStart = qsizetype(buffer_.LineStart(size_t(line)));
    bool plain = true;
    buffer_.ForEachChunk(size_t(lineStart), size_t(length), [&](std::u16string_view part) {
        plain =
            std::all_of(part.begin(), part.end(), [](char16_t c) { return c >= 0x20 && c < 0x7F; });
        return plain;
    });
    known = plain ? 1 : -1;
    return known;
}

TextLayout::Row TextLayout::RowOf(qsizetype pos) const {
    pos = std::clamp<qsizetype>(pos, 0, qsizetype(buffer_.Length()));
    Row row;
    row.line = qsizetype(buffer_.LineOfPosition(size_t(pos)));
    if (KnownRows(row.line) == 1) {
        return row;
    }
    const qsizetype offset = pos - qsizetype(buffer_.LineStart(size_t(row.line)));
    row.chunk = ChunkOf(row.line, offset);
    const Laid& laid = Layout(row.line, row.chunk);
    const QTextLine line = laid.layout->lineForTextPosition(int(offset - laid.start));
    row.index = line.isValid() ? std::min(line.lineNumber(), laid.rows - 1) : laid.rows - 1;
    row.index = std::max(0, row.index);
    return row;
}

qsizetype TextLayout::RowStart(const Row& row) const {
    if (row.chunk == 0 && row.index == 0) {
        return qsizetype(buffer_.LineStart(size_t(row.line)));
    }
    const Laid& laid = Layout(row.line, row.chunk);
    const int start = std::min(RowLine(laid, row.index).textStart(), laid.length);
    return ChunkPosition(row.line, laid) + start;
}

bool TextLayout::IsLastRowOfLine(const Row& row) const {
    if (KnownRows(row.line) == 1) {
        return true;
    }
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
    const QTextLine line = RowLine(laid, row.index);
    const int end = std::min(line.textStart() + line.textLength(), laid.length);
    const int before = laid.layout->previousCursorPosition(end);
    return ChunkPosition(row.line, laid) +
           std::max(before, std::min(line.textStart(), laid.length));
}

bool TextLayout::NextRow(Row& row) const {
    if (KnownRows(row.line) != 1) {
        const Laid& laid = Layout(row.line, row.chunk);
        if (row.index + 1 < laid.rows) {
            ++row.index;
            return true;
        }
        if (!laid.last) {
            row = Row{row.line, row.chunk + 1, 0};
            return true;
        }
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
        if (KnownRows(row.line) == 1) {
            row = Row{row.line, 0, 0};
            return true;
        }
        row.chunk = ChunkCount(row.line) - 1;
    } else {
        return false;
    }
    Check(row.line, row.chunk); // shown now: its start must be a row's
    row.index = std::max(0, Layout(row.line, row.chunk).rows - 1);
    return true;
}

qsizetype TextLayout::PositionInRow(const Row& row, qreal x) const {
    const Laid& laid = Layout(row.line, row.chunk);
    const int offset = std::min(RowLine(laid, row.index).xToCursor(x), laid.length);
    return std::min(ChunkPosition(row.line, laid) + offset, RowEnd(row));
}

qreal TextLayout::XOf(qsizetype pos) const {
    const Row row = RowOf(pos);
    const Laid& laid = Layout(row.line, row.chunk);
    return RowLine(laid, row.index).cursorToX(int(pos - ChunkPosition(row.line, laid)));
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
    if (offset <= 0 && row.chunk == 0) {
        return std::max<qsizetype>(pos - 1, 0); // over the line break
    }
    if (offset <= 0) {
        const Laid& before = Layout(row.line, row.chunk - 1);
        return ChunkPosition(row.line, before) +
               before.layout->previousCursorPosition(before.length, mode);
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
    return int(std::min<qint64>(rows, 1 << 24));
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
