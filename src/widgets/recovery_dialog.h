// SPDX-License-Identifier: GPL-3.0-or-later
// The one question at start-up about every recovery copy that runs which
// ended abruptly left behind: restore them all, discard them all, or choose
// (the checked ones restored, the others discarded). Closed without an
// answer, it leaves every copy for a later start.
#pragma once

#include <QDialog>
#include <QStringList>
#include <vector>

class QListWidget;

namespace sheafpad {

class RecoveryDialog : public QDialog {
    Q_OBJECT
public:
    enum class Answer { Restore, Discard, Later };

    // text: the question; copies: one line for each copy, in the order of
    // the answers.
    RecoveryDialog(const QString& text, const QStringList& copies, QWidget* parent);

    // The answer for each copy, once the dialog is closed.
    const std::vector<Answer>& Answers() const { return answers_; }

    QListWidget* CopiesList = nullptr;

private:
    void Finish(bool all, Answer answer);

    std::vector<Answer> answers_;
};

} // namespace sheafpad
