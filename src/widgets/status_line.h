// SPDX-License-Identifier: GPL-3.0-or-later
// The thin line under the editor pane: short notes that need no answer
// ("... does not exist"), each shown for a while, then gone.
#pragma once

#include <QLabel>
#include <QTimer>

namespace sheafpad {

class StatusLine : public QLabel {
    Q_OBJECT
public:
    explicit StatusLine(QWidget* parent = nullptr);

    // Shows text for msecs (0: until the next message), in place of what
    // was shown.
    void ShowMessage(const QString& text, int msecs = kDefaultMs);
    void ClearMessage();
    QString Message() const { return text(); }

    static constexpr int kDefaultMs = 5000;

private:
    QTimer expiry_;
};

} // namespace sheafpad
