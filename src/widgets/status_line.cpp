// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/status_line.h"

#include <QLabel>
#include <QPainter>

namespace sheafpad {

StatusLine::StatusLine(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("StatusLine"));
    setAccessibleName(tr("Status"));
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("StatusMessage"));
    message_->setTextFormat(Qt::PlainText);
    // One line, as high as the text: the pane keeps the rest.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setMinimumHeight(fontMetrics().height() + 2);
    expiry_.setSingleShot(true);
    connect(&expiry_, &QTimer::timeout, this, &StatusLine::ClearMessage);
}

void StatusLine::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    FitMessage();
}

void StatusLine::FitMessage() {
    // The message on the left, up to the fields.
    const int fields = fontMetrics().horizontalAdvance(fields_) + 2 * kPadding;
    message_->setGeometry(kPadding, 0, std::max(0, width() - fields - kPadding), height());
}

void StatusLine::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect().adjusted(kPadding, 0, -kPadding, 0), Qt::AlignRight | Qt::AlignVCenter,
                     fields_);
}

void StatusLine::ShowMessage(const QString& text, int msecs) {
    message_->setText(text);
    if (msecs > 0) {
        expiry_.start(msecs);
    } else {
        expiry_.stop();
    }
}

void StatusLine::ClearMessage() {
    expiry_.stop();
    message_->clear();
}

QString StatusLine::Message() const {
    return message_->text();
}

void StatusLine::SetCaret(qsizetype line, qsizetype column, qsizetype selected) {
    caret_ = tr("Ln %1, Col %2").arg(line).arg(column);
    selected_ = selected > 0 ? tr("%n selected", nullptr, int(selected)) : QString();
    ShowFields();
}

void StatusLine::SetOverwrite(bool overwrite) {
    if (overwrite != !overwriteText_.isEmpty()) {
        overwriteText_ = overwrite ? tr("OVR") : QString();
        ShowFields();
    }
}

void StatusLine::SetFormat(const QString& encoding, const QString& lineBreaks) {
    format_ = encoding + QStringLiteral("  ") + lineBreaks;
    ShowFields();
}

QString StatusLine::Fields() const {
    return fields_;
}

void StatusLine::ShowFields() {
    QString fields;
    for (const QString* field : {&selected_, &caret_, &overwriteText_, &format_}) {
        if (!field->isEmpty()) {
            if (!fields.isEmpty()) {
                fields += QStringLiteral("  ");
            }
            fields += *field;
        }
    }
    if (fields != fields_) {
        const bool wider = fields.size() != fields_.size();
        fields_ = std::move(fields);
        if (wider) {
            FitMessage();
        }
        update();
    }
}

} // namespace sheafpad
