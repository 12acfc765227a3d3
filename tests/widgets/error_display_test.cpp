// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/errors.h"
#include "widgets/error_display.h"

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
