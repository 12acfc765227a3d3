// SPDX-License-Identifier: GPL-3.0-or-later
// The text view's layout: rows, the caret's stops in them, and the rows
// that the scroll bar estimates.
#include "textview/text_view_layout.h"

#include <QTextLine>
#include <algorithm>

namespace sheafpad {

// Rows --------------------------------------------------------------------

int TextLayout::KnownRows(qsizetype line) const {
    const qsizetype length = LineLength(line);
    // Two characters to spare, for rounding and kerning.
    if (qreal(length + 2) * asciiWidth_ > width_ || length > kChunk) {
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
    if (!wraps_) {
        pos = std::clamp<qsizetype>(pos, 0, qsizetype(buffer_.Length()));
        return Row{qsizetype(buffer_.LineOfPosition(size_t(pos))), 0, 0};
    }
    return ChunkRowOf(pos);
}

TextLayout::Row TextLayout::ChunkRowOf(qsizetype pos) const {
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
    if (!wraps_ || KnownRows(row.line) == 1) {
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
    if (wraps_ && KnownRows(row.line) != 1) {
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
    if (!wraps_) {
        if (row.line == 0) {
            return false;
        }
        row = Row{row.line - 1, 0, 0};
        return true;
    }
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
    const qsizetype chunk = wraps_ ? row.chunk : ChunkAtX(row.line, x);
    const qreal chunkX = ChunkX(row.line, chunk); // after ChunkAtX, its chunks as it measured them
    const Laid& laid = Layout(row.line, chunk);
    const int offset = std::min(RowLine(laid, row.index).xToCursor(x - chunkX), laid.length);
    return std::min(ChunkPosition(row.line, laid) + offset, RowEnd(row));
}

qreal TextLayout::XOf(qsizetype pos) const {
    const Row row = ChunkRowOf(pos);
    const Laid& laid = Layout(row.line, row.chunk);
    return ChunkX(row.line, row.chunk) +
           RowLine(laid, row.index).cursorToX(int(pos - ChunkPosition(row.line, laid)));
}

qsizetype TextLayout::NextCursorStop(qsizetype pos, QTextLayout::CursorMode mode) const {
    const Row row = ChunkRowOf(pos);
    const Laid& laid = Layout(row.line, row.chunk);
    const qsizetype chunkStart = ChunkPosition(row.line, laid);
    const int offset = int(pos - chunkStart);
    if (offset >= laid.length) {
        return std::min(pos + 1, qsizetype(buffer_.Length())); // over the line break
    }
    return chunkStart + std::min(laid.layout->nextCursorPosition(offset, mode), laid.length);
}

qsizetype TextLayout::PreviousCursorStop(qsizetype pos, QTextLayout::CursorMode mode) const {
    const Row row = ChunkRowOf(pos);
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
    if (lineLength <= charsPerRow_ || !wraps_) {
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
