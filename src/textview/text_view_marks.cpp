// SPDX-License-Identifier: GPL-3.0-or-later
// Marked stretches of the text: kept in step with edits, drawn on a light
// ground under the text of each row.
#include "textview/text_view.h"

#include <QPainter>
#include <algorithm>

namespace sheafpad {

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

void TextView::DrawMarks(QPainter& painter, const Laid& laid, int index, QPointF origin,
                         qsizetype chunkStart) const {
    const QTextLine line = TextLayout::RowLine(laid, index);
    const qsizetype rowStart = chunkStart + line.textStart();
    const qsizetype rowEnd = rowStart + line.textLength();
    // The first mark that ends after the row's start.
    auto mark = std::lower_bound(
        marked_.begin(), marked_.end(), rowStart,
        [](const auto& range, qsizetype pos) { return range.first + range.second <= pos; });
    // A light tint of the highlight colour, readable under text of any colour.
    QColor ground = palette().color(QPalette::Highlight);
    ground.setAlpha(60);
    for (; mark != marked_.end() && mark->first < rowEnd; ++mark) {
        const qsizetype from = std::max(mark->first, rowStart) - chunkStart;
        const qsizetype to = std::min(mark->first + mark->second, rowEnd) - chunkStart;
        const qreal x1 = line.cursorToX(int(from)), x2 = line.cursorToX(int(to));
        painter.fillRect(QRectF(origin.x() + std::min(x1, x2), origin.y() + line.y(),
                                std::max<qreal>(std::abs(x2 - x1), 2), layout_.RowHeight()),
                         ground);
    }
}

} // namespace sheafpad
