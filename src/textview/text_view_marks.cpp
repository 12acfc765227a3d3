// SPDX-License-Identifier: GPL-3.0-or-later
// Grounds drawn under the text of each row: the current line's, marked
// stretches (a search's matches), the occurrences of the find text and the
// highlights (the find's match, a pair of brackets), each kept in step with
// edits.
#include "textview/text_view.h"

#include <QPainter>
#include <algorithm>

namespace sheafpad {

namespace {

// base tinted towards tint by alpha (0-255): readable on a light or a dark palette.
QColor Tinted(const QColor& base, const QColor& tint, int alpha) {
    auto mix = [&](int a, int b) { return (a * (255 - alpha) + b * alpha) / 255; };
    return QColor(mix(base.red(), tint.red()), mix(base.green(), tint.green()),
                  mix(base.blue(), tint.blue()));
}

} // namespace

void TextView::SetMarkedRanges(MarkedRanges ranges) {
    marked_ = std::move(ranges);
    RepaintAll();
}

void TextView::MoveMarks(const TextChange& change) {
    if (marked_.empty()) {
        return;
    }
    const qsizetype pos = qsizetype(change.pos);
    const qsizetype end = pos + qsizetype(change.removed);
    MarkedRanges kept;
    kept.reserve(marked_.size());
    for (const auto& [start, length] : marked_) {
        // Before the edit or after it, moved along as any position is; one
        // that it touches (or that it meets) is no longer the match it marked.
        if (start + length < pos || start > end) {
            kept.emplace_back(qsizetype(MovePosition(size_t(start), change, Stick::After)), length);
        }
    }
    marked_ = std::move(kept);
}

void TextView::SetHighlight(Highlight kind, std::vector<TextRange> ranges) {
    Layer& layer = layers_[int(kind)];
    if (layer.ranges.empty() && ranges.empty()) {
        return;
    }
    layer.ranges = std::move(ranges);
    layer.revision = buffer_.Revision();
    RepaintAll();
}

std::vector<TextRange> TextView::Highlighted(Highlight kind) const {
    Layer& layer = layers_[int(kind)];
    if (layer.revision != buffer_.Revision()) {
        // Moved by the text's history; those edited away or out of its reach go.
        std::vector<TextRange> moved;
        for (const TextRange& range : layer.ranges) {
            const std::optional<TextRange> now = buffer_.History().Move(range, layer.revision);
            if (now && !now->Empty()) {
                moved.push_back(*now);
            }
        }
        layer.ranges = std::move(moved);
        layer.revision = buffer_.Revision();
    }
    return layer.ranges;
}

void TextView::SetOccurrences(const QString& text) {
    if (text != occurrences_) {
        occurrences_ = text;
        RepaintAll();
    }
}

void TextView::ClearFindMarks() {
    SetHighlight(Highlight::Found, {});
    SetOccurrences(QString());
}

void TextView::DrawGround(QPainter& painter, const Laid& laid, int index, QPointF origin,
                          qsizetype chunkStart, bool currentLine) const {
    const QTextLine line = TextLayout::RowLine(laid, index);
    const qsizetype rowStart = chunkStart + line.textStart();
    const qsizetype rowEnd = std::min(rowStart + line.textLength(), chunkStart + laid.length);
    const QColor base = palette().color(QPalette::Base);
    const QColor highlight = palette().color(QPalette::Highlight);
    if (currentLine) {
        const QColor text = palette().color(QPalette::Text);
        painter.fillRect(QRectF(0, origin.y() + line.y(), viewport()->width(), layout_.RowHeight()),
                         Tinted(base, text, 16));
    }
    // Fills [from, to) of the row (a sliver at least, for an empty one).
    auto fill = [&](qsizetype from, qsizetype to, const QColor& colour) {
        from = std::max(from, rowStart) - chunkStart;
        to = std::min(to, rowEnd) - chunkStart;
        if (from > to) {
            return;
        }
        const qreal x1 = line.cursorToX(int(from)), x2 = line.cursorToX(int(to));
        painter.fillRect(QRectF(origin.x() + std::min(x1, x2), origin.y() + line.y(),
                                std::max<qreal>(std::abs(x2 - x1), 2), layout_.RowHeight()),
                         colour);
    };
    // The first mark that ends after the row's start.
    auto mark = std::lower_bound(
        marked_.begin(), marked_.end(), rowStart,
        [](const auto& range, qsizetype pos) { return range.first + range.second <= pos; });
    for (const QColor ground = Tinted(base, highlight, 60);
         mark != marked_.end() && mark->first < rowEnd; ++mark) {
        fill(mark->first, mark->first + mark->second, ground);
    }
    if (!occurrences_.isEmpty()) {
        // Those that reach into the row, found in its text and the ends of its neighbours'.
        const qsizetype reach = occurrences_.size() - 1;
        const qsizetype from = std::max<qsizetype>(0, rowStart - reach);
        const QString text = Text(from, std::min(Length(), rowEnd + reach) - from);
        const QColor ground = Tinted(base, highlight, 50);
        for (qsizetype at = text.indexOf(occurrences_, 0, Qt::CaseInsensitive); at >= 0;
             at = text.indexOf(occurrences_, at + 1, Qt::CaseInsensitive)) {
            fill(from + at, from + at + occurrences_.size(), ground);
        }
    }
    const QColor tints[] = {Tinted(base, highlight, 140), Tinted(base, highlight, 90)};
    for (int kind = 0; kind < 2; ++kind) {
        if (layers_[kind].ranges.empty()) {
            continue;
        }
        for (const TextRange& range : Highlighted(Highlight(kind))) {
            if (qsizetype(range.start) < rowEnd && qsizetype(range.end) > rowStart) {
                fill(qsizetype(range.start), qsizetype(range.end), tints[kind]);
            }
        }
    }
}

} // namespace sheafpad
