// SPDX-License-Identifier: GPL-3.0-or-later
// The application object, which the other window tests do not use: it sets the
// tool-tip delay for every widget and keeps handler failures out of Qt.
#include "app/application.h"
#include "base/errors.h"
#include "widgets/widget_hooks.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTranslator>
#include <gtest/gtest.h>
#include <memory>

namespace sheafpad {
namespace {

// A widget whose handling of a user event fails, as a handler without its
// own guard would.
class FailingWidget : public QLabel {
protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            throw EInOutError("Disk gone");
        }
        return QLabel::event(event);
    }
};

class ApplicationTest : public testing::Test, protected test::ErrorCapture {
protected:
    static void SetUpTestSuite() {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        static int argc = 1;
        static char name[] = "Sheafpad";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<SheafpadApplication>(argc, argv);
    }
    static void TearDownTestSuite() { app.reset(); }

    static std::unique_ptr<SheafpadApplication> app;
};
std::unique_ptr<SheafpadApplication> ApplicationTest::app;

TEST_F(ApplicationTest, ToolTipsWakeUpAfterHalfASecondOnEveryWidget) {
    QLabel label;
    label.setToolTip(QStringLiteral("tip"));
    EXPECT_EQ(label.style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay, nullptr, &label), 500);
}

TEST_F(ApplicationTest, AFailureEscapingAHandlerIsShownNotPassedToQt) {
    FailingWidget widget;
    QEvent event(QEvent::User);
    EXPECT_NO_THROW(QCoreApplication::sendEvent(&widget, &event));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Disk gone.");
}

// Under a German desktop Qt's own texts are German; under one Qt has no
// translation for, nothing is installed.
TEST_F(ApplicationTest, QtsOwnTextsInTheUsersLanguageWhenQtHasIt) {
    QTranslator* german = InstallQtTranslation(QLocale(QLocale::German, QLocale::Germany));
    ASSERT_NE(german, nullptr) << "qt6-translations-l10n missing?";
    QLineEdit edit;
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    EXPECT_EQ(menu->actions().value(0)->text(), QStringLiteral("&R\u00fcckg\u00e4ngig\tStrg+Z"));
    QMessageBox box(QMessageBox::Question, "t", "q", QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::No)->text(), QStringLiteral("&Nein"));
    QCoreApplication::removeTranslator(german);
    delete german;
    EXPECT_EQ(InstallQtTranslation(QLocale(QLocale::Esperanto)), nullptr);
    std::unique_ptr<QMenu> english(edit.createStandardContextMenu());
    EXPECT_EQ(english->actions().value(0)->text(), QStringLiteral("&Undo\tCtrl+Z"));
}

} // namespace
} // namespace sheafpad
