// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/status_line.h"

#include <QHBoxLayout>
#include <QLabel>

namespace sheafpad {

StatusLine::StatusLine(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("StatusLine"));
    setAccessibleName(tr("Status"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 1, 4, 1);
    row->setSpacing(12);
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("StatusMessage"));
    fields_ = new QLabel(this);
    fields_->setObjectName(QStringLiteral("StatusFields"));
    for (QLabel* label : {message_, fields_}) {
        label->setTextFormat(Qt::PlainText);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    }
    fields_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(message_, 1);
    row->addWidget(fields_, 1);
    // One line, as high as the text: the pane keeps the rest.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setMinimumHeight(fontMetrics().height() + 2);
    expiry_.setSingleShot(true);
    connect(&expiry_, &QTimer::timeout, this, &StatusLine::ClearMessage);
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
    overwrite_ = overwrite;
    ShowFields();
}

void StatusLine::SetFormat(const QString& encoding, const QString& lineBreaks) {
    format_ = encoding + QStringLiteral("  ") + lineBreaks;
    ShowFields();
}

QString StatusLine::Fields() const {
    return fields_->text();
}

void StatusLine::ShowFields() {
    QStringList fields;
    for (const QString& field : {selected_, caret_, overwrite_ ? tr("OVR") : QString(), format_}) {
        if (!field.isEmpty()) {
            fields << field;
        }
    }
    fields_->setText(fields.join(QStringLiteral("  ")));
}

} // namespace sheafpad
