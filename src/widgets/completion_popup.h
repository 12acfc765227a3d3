// SPDX-License-Identifier: GPL-3.0-or-later
// A list of choices shown under the caret while the user goes on typing in
// the pane: it never takes the focus; its owner moves its selection and
// takes its choice.
#pragma once

#include <QListWidget>
#include <QStringList>

namespace sheafpad {

class CompletionPopup : public QListWidget {
    Q_OBJECT
public:
    explicit CompletionPopup(QWidget* owner);

    // Shows choices at the global point (the top-left of the list), the
    // first one selected.
    void ShowChoices(const QStringList& choices, QPoint at);
    QString Current() const;
    // Moves the selection by rows (negative: up), within the list.
    void Step(int rows);

    static constexpr int kMostRows = 12;

signals:
    // A choice was clicked.
    void chosen(const QString& choice);
};

} // namespace sheafpad
