// SPDX-License-Identifier: GPL-3.0-or-later
// The text view's layout: its settings, the cache of laid-out chunks, and
// the changes of the text that it follows.
#include "textview/text_view_layout.h"

#include <QFontInfo>
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
    // A fixed font gives every printable ASCII character its width, which
    // makes the estimate exact for the usual minified script.
    estimatedCharWidth_ = QFontInfo(font_).fixedPitch() ? asciiWidth_ : charWidth_;
    option_.setTabStopDistance(kTabColumns * metrics.horizontalAdvance(QChar(u' ')));
    DropAll();
    seams_.clear(); // rows wrap elsewhere now
    std::fill(known_.begin(), known_.end(), 0);
    estimatesStale_ = true;
}

void TextLayout::SetWidth(int width) {
    viewWidth_ = std::max(1, width);
    width = wraps_ ? viewWidth_ : kUnwrappedWidth;
    if (width != width_) {
        width_ = width;
        DropAll();
        seams_.clear(); // rows wrap elsewhere now
        std::fill(known_.begin(), known_.end(), 0);
        estimatesStale_ = true;
    }
}

void TextLayout::SetWrap(bool wrap) {
    if (wrap == wraps_) {
        return;
    }
    wraps_ = wrap;
    option_.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    width_ = -1; // laid out anew
    SetWidth(viewWidth_);
}

qsizetype TextLayout::LongestLine() const {
    if (longestStale_) {
        longest_ =
            lineLength_.empty() ? 0 : *std::max_element(lineLength_.begin(), lineLength_.end());
        longestStale_ = false;
    }
    return longest_;
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
            // The composed text's own formats; the text's colours are drawn
            // over it at paint time.
            laid.preeditAt = int(composition - start);
            laid.layout->setPreeditArea(laid.preeditAt, preedit_);
            QList<QTextLayout::FormatRange> formats = preeditFormats_;
            for (QTextLayout::FormatRange& range : formats) {
                range.start += laid.preeditAt;
            }
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
    };
    // With the text of the next chunk that decides where the row holding its
    // start begins.
    const bool ahead = !last && !composing && wraps_;
    layOut(ahead ? std::min(lineLength, end + Lookahead()) : end);
    if (seams != nullptr && !wraps_) {
        // Its place in the row: the chunks after it stand at its end.
        const int composed = composing ? int(preedit_.size()) : 0;
        seams->widths[size_t(chunk)] =
            float(laid.layout->lineAt(0).cursorToX(int(end - start) + composed));
    }
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
    if (!wraps_) {
        return 1;
    }
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
    longestStale_ = true;
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
    if (!longestStale_ && oldFeeds == 0 && newFeeds == 0 && lengths[0] >= uint32_t(longest_)) {
        longest_ = lengths[0];
    } else if (!longestStale_ && (oldFeeds > 0 || *at == uint32_t(longest_) ||
                                  *std::max_element(lengths.begin(), lengths.end()) > longest_)) {
        longestStale_ = true;
    }
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

} // namespace sheafpad
