// SPDX-License-Identifier: GPL-3.0-or-later
// The text view: rows that do not wrap, scrolled sideways, and centring a
// position.
#include "textview/text_view.h"

#include <QScrollBar>
#include <algorithm>
#include <climits>
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

qreal TextView::HorizontalOffset() const {
    return layout_.Wraps() ? 0 : qreal(horizontalScrollBar()->value()) * hScale_;
}

void TextView::UpdateHorizontalBar() {
    if (layout_.Wraps()) {
        return;
    }
    // The widest row, as estimated from the longest line, and never short
    // of what is shown. A bar counts in ints: past a billion pixels (a line
    // of tens of megabytes in a big font) a step of it is several pixels.
    constexpr qreal kMostUnits = 1 << 30;
    const qreal offset = HorizontalOffset();
    const qreal shown = viewport()->width();
    const qreal widest = std::max(
        qreal(layout_.LongestLine() + 1) * layout_.AsciiWidth() + 2 * kMargin, offset + shown);
    const int scale = std::max(1, int(std::ceil(widest / kMostUnits)));
    QScrollBar* bar = horizontalScrollBar();
    ++syncingScrollBar_;
    bar->setRange(0, int(std::ceil(std::max<qreal>(0, widest - shown) / scale)));
    if (scale != hScale_) {
        hScale_ = scale;
        bar->setValue(int(offset / scale));
    }
    bar->setPageStep(std::max(1, int(shown / scale)));
    bar->setSingleStep(std::max(1, int(layout_.AsciiWidth() * 4 / scale)));
    --syncingScrollBar_;
}

void TextView::ScrollHorizontallyTo(qsizetype pos) {
    if (layout_.Wraps()) {
        return;
    }
    const qreal x = layout_.XOf(pos);
    const qreal shown = TextWidth();
    qreal value = HorizontalOffset();
    // A few characters of room on the side it moves to.
    const qreal room = std::min(shown / 4, layout_.AsciiWidth() * 8);
    if (x < value) {
        value = std::max<qreal>(0, x - room);
    } else if (x + layout_.AsciiWidth() > value + shown) {
        value = x + layout_.AsciiWidth() - shown + room;
    }
    QScrollBar* bar = horizontalScrollBar();
    const int units = int(std::min<qreal>(std::round(value / hScale_), INT_MAX));
    if (units != bar->value()) {
        if (units > bar->maximum()) {
            bar->setMaximum(units);
        }
        bar->setValue(units); // scrollContentsBy repaints
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
