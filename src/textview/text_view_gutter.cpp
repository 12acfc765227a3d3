// SPDX-License-Identifier: GPL-3.0-or-later
// The text view: line numbers in a gutter at its left.
#include "textview/text_view.h"

#include <QCoreApplication>
#include <QGlyphRun>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

namespace sheafpad {

// Paints what the view found at its last paint: the rows where lines start.
class TextViewGutter : public QWidget {
public:
    explicit TextViewGutter(TextView* view) : QWidget(view), view_(view) {
        setObjectName(QStringLiteral("LineNumbers"));
        setAutoFillBackground(true);
        setBackgroundRole(QPalette::Window);
        setCursor(Qt::ArrowCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        view_->PaintGutter(painter);
    }
    void wheelEvent(QWheelEvent* event) override {
        QCoreApplication::sendEvent(view_->viewport(), event); // scrolls the text
    }

private:
    TextView* view_;
};

namespace {

constexpr int kGutterPadding = 6;

int Digits(qsizetype number) {
    int digits = 1;
    for (; number >= 10; number /= 10) {
        ++digits;
    }
    return digits;
}

} // namespace

int TextView::GutterWidth() const {
    if (!lineNumbers_) {
        return 0;
    }
    if (digitAdvance_ <= 0) {
        // The digits' glyphs, found once a font: the numbers are drawn as
        // glyphs, without shaping a text a row.
        digitFont_ = QRawFont::fromFont(font());
        digitGlyphs_ = digitFont_.glyphIndexesForString(QStringLiteral("0123456789"));
        const QList<QPointF> advances = digitFont_.advancesForGlyphIndexes(digitGlyphs_);
        for (const QPointF& advance : advances) {
            digitAdvance_ = std::max(digitAdvance_, advance.x());
        }
        digitAdvance_ = std::max<qreal>(1, digitAdvance_);
    }
    return int(std::ceil(std::max(2, Digits(LineCount())) * digitAdvance_)) + 2 * kGutterPadding;
}

void TextView::SetLineNumbers(bool shown) {
    if (shown == lineNumbers_ && (gutter_ != nullptr) == shown) {
        return;
    }
    lineNumbers_ = shown;
    if (shown && !gutter_) {
        gutter_ = new TextViewGutter(this);
    }
    if (gutter_) {
        gutter_->setVisible(shown);
    }
    UpdateGutterWidth();
}

void TextView::UpdateGutterWidth() {
    const int width = GutterWidth();
    if (viewportMargins().left() != width) {
        setViewportMargins(width, 0, 0, 0); // a resize of the viewport, which lays out anew
    }
    if (gutter_) {
        const QRect area = contentsRect();
        gutter_->setGeometry(area.left(), area.top(), width, viewport()->height());
    }
}

void TextView::PaintGutter(QPainter& painter) const {
    if (digitGlyphs_.size() != 10) {
        return; // a font without digits
    }
    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    const QColor current = palette().color(group, QPalette::WindowText);
    QColor other = current;
    other.setAlphaF(0.55);
    // Right-aligned numbers on each row's baseline, the caret's line apart.
    const qreal right = gutter_->width() - kGutterPadding;
    const qreal ascent = digitFont_.ascent();
    const qreal rowHeight = layout_.RowHeight();
    QList<quint32> glyphs[2];
    QList<QPointF> positions[2];
    // The rows shown, as the view paints them: a number on each line's first.
    gutterRows_.clear();
    gutterCaretLine_ = caretLine_;
    Row row = layout_.RowOf(top_);
    for (int y = kMargin; y < gutter_->height(); y += layout_.RowHeight()) {
        if (row.chunk != 0 || row.index != 0) {
            if (!layout_.NextRow(row)) {
                break;
            }
            continue;
        }
        const qsizetype line = row.line;
        gutterRows_.emplace_back(y, line);
        const int kind = line == caretLine_ ? 0 : 1;
        const qreal baseline =
            y + (rowHeight - digitFont_.ascent() - digitFont_.descent()) / 2 + ascent;
        qreal x = right;
        for (qsizetype number = line + 1; number > 0; number /= 10) {
            x -= digitAdvance_;
            glyphs[kind].append(digitGlyphs_[int(number % 10)]);
            positions[kind].append(QPointF(x, baseline));
        }
        if (!layout_.NextRow(row)) {
            break;
        }
    }
    QGlyphRun run;
    run.setRawFont(digitFont_);
    for (int kind = 0; kind < 2; ++kind) {
        if (!glyphs[kind].isEmpty()) {
            run.setGlyphIndexes(glyphs[kind]);
            run.setPositions(positions[kind]);
            painter.setPen(kind == 0 ? current : other);
            painter.drawGlyphRun(QPointF(0, 0), run);
        }
    }
}

} // namespace sheafpad
