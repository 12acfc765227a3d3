// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/status_line.h"

namespace sheafpad {

StatusLine::StatusLine(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("StatusLine"));
    setAccessibleName(tr("Status"));
    setTextFormat(Qt::PlainText);
    setContentsMargins(4, 1, 4, 1);
    // One line, as high as the text: the pane keeps the rest.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setMinimumHeight(fontMetrics().height() + 2);
    expiry_.setSingleShot(true);
    connect(&expiry_, &QTimer::timeout, this, &StatusLine::ClearMessage);
}

void StatusLine::ShowMessage(const QString& text, int msecs) {
    setText(text);
    if (msecs > 0) {
        expiry_.start(msecs);
    } else {
        expiry_.stop();
    }
}

void StatusLine::ClearMessage() {
    expiry_.stop();
    clear();
}

} // namespace sheafpad
