// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/errors.h"
#include "widgets/error_display.h"

#include <QLabel>

#include <gtest/gtest.h>

using namespace sheafpad;

TEST(ErrorDisplay, PeriodAddedOnlyAfterCharactersSortingAfterThePeriod) {
    struct Row {
        const char* message;
        const char* shown;
    } rows[] = {
        {"Unable to write to /x/Sheafpad.ini", "Unable to write to /x/Sheafpad.ini."},
        {"Error 5", "Error 5."},
        {"Path:", "Path:."},
        {"Really?", "Really?."},
        {"C:\\", "C:\\."},
        {"Done.", "Done."},
        {"Stop!", "Stop!"},
        {"trailing ", "trailing "},
        {"(note)", "(note)"},
        {"a,", "a,"},
        {"", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(AddClosingPeriod(QString::fromUtf8(row.message)), QString::fromUtf8(row.shown))
            << row.message;
    }
}

TEST(ErrorDisplay, TitleIsProgramNameUpToFirstPeriodWithTheRestLowerCased) {
    EXPECT_EQ(TitleFromProgramName("Sheafpad"), "Sheafpad");
    EXPECT_EQ(TitleFromProgramName("SHEAFPAD.EXE"), "Sheafpad");
    EXPECT_EQ(TitleFromProgramName("sheafPad.bin.old"), "sheafpad");
}

TEST(ErrorDisplay, GuardShowsTheErrorThroughTheHookAndSwallowsIt) {
    QString title, message;
    int calls = 0;
    ErrorDisplay::SetHook([&](const QString& t, const QString& m) {
        title = t;
        message = m;
        ++calls;
    });
    bool after = false;
    ErrorDisplay::Guard([] { throw EFOpenError("/web/a.htm", "No such file or directory"); });
    after = true;
    ErrorDisplay::SetHook(nullptr);
    EXPECT_TRUE(after);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(title, ErrorDisplay::ApplicationTitle());
    EXPECT_EQ(message, "Cannot open file \"/web/a.htm\". No such file or directory.");
}

TEST(ErrorDisplay, GuardLetsAHandlerWithoutErrorRunSilently) {
    int calls = 0;
    ErrorDisplay::SetHook([&](const QString&, const QString&) { ++calls; });
    int ran = 0;
    ErrorDisplay::Guard([&] { ++ran; });
    ErrorDisplay::SetHook(nullptr);
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(calls, 0);
}

TEST(ErrorDisplay, BoxesWrapTheirTextAndNotesOfWhatWentWellAreNoErrors) {
    const QString text = "Cannot save file \"/" + QString(300, 'p') +
                         ".htm\". No space left on device for a second copy; the file was left "
                         "unchanged.";
    const auto box =
        ErrorDisplay::MakeBox(QMessageBox::Information, text, QMessageBox::Ok, nullptr);
    const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->wordWrap());
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->text(), text);
    EXPECT_EQ(box->icon(), QMessageBox::Information);
    EXPECT_EQ(box->windowTitle(), ErrorDisplay::ApplicationTitle());

    std::vector<QString> errors, notes;
    ErrorDisplay::SetHook([&](const QString&, const QString& m) { errors.push_back(m); });
    ErrorDisplay::Inform(std::string("Put back"));
    ErrorDisplay::SetInformationHook([&](const QString&, const QString& m) { notes.push_back(m); });
    ErrorDisplay::Inform(QStringLiteral("Put back again"));
    ErrorDisplay::SetInformationHook(nullptr);
    ErrorDisplay::SetHook(nullptr);
    EXPECT_EQ(errors, std::vector<QString>{"Put back."}); // no information hook: no box either
    EXPECT_EQ(notes, std::vector<QString>{"Put back again."});
}
