// SPDX-License-Identifier: GPL-3.0-or-later
// The one question about the copies that ended runs left: every copy gets
// the answer of the button pressed, or of its check box; closed, none.
#include "widgets/recovery_dialog.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace sheafpad {
namespace {

using Answer = RecoveryDialog::Answer;

// Shows the dialog for three copies, lets act press or change what it will,
// and returns the answers.
std::vector<Answer> Answer3(const std::function<void(RecoveryDialog&)>& act) {
    RecoveryDialog dialog("Restore?", {"/x/a.htm", "/x/b.htm", "/x/c.htm"}, nullptr);
    QTimer::singleShot(0, &dialog, [&] {
        act(dialog);
        if (dialog.isVisible()) {
            dialog.reject(); // closed without an answer
        }
    });
    dialog.exec();
    return dialog.Answers();
}

QPushButton* Button(RecoveryDialog& dialog, const QString& text) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == text) {
            return button;
        }
    }
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
}

TEST(RecoveryDialog, AllOrTheCheckedOnesOrNone) {
    EXPECT_EQ(Answer3([](RecoveryDialog& d) {
                  EXPECT_TRUE(Button(d, "&Restore All")->isDefault());
                  EXPECT_EQ(d.CopiesList->count(), 3);
                  QTest::keyClick(&d, Qt::Key_Return);
              }),
              std::vector<Answer>(3, Answer::Restore));
    EXPECT_EQ(Answer3([](RecoveryDialog& d) { Button(d, "&Discard All")->click(); }),
              std::vector<Answer>(3, Answer::Discard));
    EXPECT_EQ(Answer3([](RecoveryDialog& d) {
                  d.CopiesList->item(1)->setCheckState(Qt::Unchecked);
                  Button(d, "Restore &Checked")->click();
              }),
              (std::vector<Answer>{Answer::Restore, Answer::Discard, Answer::Restore}));
    EXPECT_EQ(Answer3([](RecoveryDialog&) {}), std::vector<Answer>(3, Answer::Later));
}

} // namespace
} // namespace sheafpad
