// SPDX-License-Identifier: GPL-3.0-or-later
// The application object, which the other window tests do not use: it sets the
// tool-tip delay for every widget and keeps handler failures out of Qt.
#include "app/application.h"
#include "base/errors.h"
#include "widgets/widget_hooks.h"

#include <QEvent>
#include <QLabel>
#include <QStyle>
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

} // namespace
} // namespace sheafpad
