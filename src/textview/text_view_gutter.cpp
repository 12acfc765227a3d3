// SPDX-License-Identifier: GPL-3.0-or-later
// The text view: line numbers in a gutter at its left.
#include "textview/text_view.h"

#include <QCoreApplication>
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
    const QFontMetricsF metrics(font());
    return int(std::ceil(std::max(2, Digits(LineCount())) * metrics.horizontalAdvance(u'9'))) +
           2 * kGutterPadding;
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
    gutterRows_.clear();
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
    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    const QColor current = palette().color(group, QPalette::WindowText);
    QColor other = current;
    other.setAlphaF(0.55);
    painter.setFont(font());
    const int width = gutter_->width() - kGutterPadding;
    for (const auto& [y, line] : gutterRows_) {
        painter.setPen(line == caretLine_ ? current : other);
        painter.drawText(QRect(0, y, width, layout_.RowHeight()), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(line + 1));
    }
}

} // namespace sheafpad
