// SPDX-License-Identifier: GPL-3.0-or-later
// The text view: rows that do not wrap, scrolled sideways, and centring a
// position.
#include "textview/text_view.h"

#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace sheafpad {

void TextView::SetWordWrap(bool wrap) {
    if (wrap == layout_.Wraps()) {
        return;
    }
    layout_.SetWrap(wrap);
    setHorizontalScrollBarPolicy(wrap ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    ++syncingScrollBar_;
    horizontalScrollBar()->setValue(0);
    --syncingScrollBar_;
    top_ = ClampedTop(top_);
    UpdateScrollBar();
    ensureCursorVisible();
    RepaintAll();
}

int TextView::HorizontalOffset() const {
    return layout_.Wraps() ? 0 : horizontalScrollBar()->value();
}

void TextView::UpdateHorizontalBar() {
    if (layout_.Wraps()) {
        return;
    }
    // The widest row, as estimated from the longest line (a long line's rows
    // are chunks), and never short of the caret's place.
    const qsizetype longest = std::min(layout_.LongestLine(), 2 * TextLayout::kChunk);
    int widest = int(std::ceil(qreal(longest + 1) * layout_.AsciiWidth())) + 2 * kMargin;
    QScrollBar* bar = horizontalScrollBar();
    widest = std::max(widest, bar->value() + viewport()->width());
    ++syncingScrollBar_;
    bar->setRange(0, std::max(0, widest - viewport()->width()));
    bar->setPageStep(viewport()->width());
    bar->setSingleStep(std::max(1, int(layout_.AsciiWidth() * 4)));
    --syncingScrollBar_;
}

void TextView::ScrollHorizontallyTo(qsizetype pos) {
    if (layout_.Wraps()) {
        return;
    }
    const qreal x = layout_.XOf(pos);
    const int shown = TextWidth();
    QScrollBar* bar = horizontalScrollBar();
    int value = bar->value();
    // A few characters of room on the side it moves to.
    const int room = std::min(shown / 4, int(layout_.AsciiWidth() * 8));
    if (x < value) {
        value = std::max(0, int(x) - room);
    } else if (x + layout_.AsciiWidth() > value + shown) {
        value = int(x + layout_.AsciiWidth()) - shown + room;
    }
    if (value != bar->value()) {
        if (value > bar->maximum()) {
            bar->setMaximum(value);
        }
        bar->setValue(value); // scrollContentsBy repaints
    }
}

void TextView::CentreOn(qsizetype pos) {
    Row row = layout_.RowOf(pos);
    for (int i = 0, half = VisibleRows() / 2; i < half && layout_.PreviousRow(row); ++i) {
    }
    SetTop(layout_.RowStart(row));
    ScrollHorizontallyTo(pos);
}

} // namespace sheafpad
