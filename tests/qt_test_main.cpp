// SPDX-License-Identifier: GPL-3.0-or-later
// Widget tests run on Qt's offscreen platform unless told otherwise, with one
// QApplication for the whole executable; each test makes fresh widgets. The
// program's state folder (recovery copies, save backups) is a scratch folder
// of the test run, never the user's.
#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

int main(int argc, char** argv) {
    char stateHome[] = "/tmp/sheafpad-test-state-XXXXXX";
    if (::mkdtemp(stateHome) == nullptr) {
        return 2;
    }
    ::setenv("XDG_STATE_HOME", stateHome, 1);
    const std::string platform = qEnvironmentVariable("QT_QPA_PLATFORM").toStdString();
    if (platform.empty() || platform == "offscreen") {
        // One screen of 1280 x 1024, as the end-to-end tests' X server has,
        // where the window's layout fits (the platform's own is smaller).
        const std::string config = std::string(stateHome) + "/offscreen.json";
        std::ofstream(config) << R"({"synchronousWindowSystemEvents": false,
            "windowFrameMargins": true, "screens": [{"name": "Screen", "x": 0, "y": 0,
            "width": 1280, "height": 1024, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + config.c_str());
    }
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(stateHome, ignored);
    return result;
}
