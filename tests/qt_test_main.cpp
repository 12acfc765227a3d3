// SPDX-License-Identifier: GPL-3.0-or-later
// Widget tests run on Qt's offscreen platform unless told otherwise, with one
// QApplication for the whole executable; each test makes fresh widgets. The
// program's state folder (recovery copies, save backups) is a scratch folder
// of the test run, never the user's.
#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    char stateHome[] = "/tmp/sheafpad-test-state-XXXXXX";
    if (::mkdtemp(stateHome) == nullptr) {
        return 2;
    }
    ::setenv("XDG_STATE_HOME", stateHome, 1);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(stateHome, ignored);
    return result;
}
