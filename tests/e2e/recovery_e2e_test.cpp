// SPDX-License-Identifier: GPL-3.0-or-later
// Unsaved typing survives an abrupt end: the program is killed, or its X
// server is, 0.2 s after the last key; at the next start the question
// "Restore the unsaved changes to ... ?" is answered with Enter, and the next
// switch writes the typed text into the file.
#include "e2e_util.h"
#include "test_util.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using namespace sheafpad::e2e;
using sheafpad::test::ReadFile;
using sheafpad::test::TempDir;
using sheafpad::test::WriteFile;

namespace {

const char kOriginal[] = "one\ntwo\n";

// The visible windows titled "Sheafpad": the main window and any question.
std::vector<std::string> Windows(const XServer& server) {
    const std::string out = Xdotool(server, {"search", "--onlyvisible", "--name", "^Sheafpad$"});
    std::vector<std::string> ids;
    for (size_t at = 0, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1) {
        ids.push_back(out.substr(at, end - at));
    }
    return ids;
}

int Width(const XServer& server, const std::string& window) {
    const std::string out = Xdotool(server, {"getwindowgeometry", "--shell", window});
    const size_t at = out.find("WIDTH=");
    return at == std::string::npos ? 0 : std::atoi(out.c_str() + at + 6);
}

class RecoveryE2E : public testing::Test {
protected:
    RecoveryE2E() {
        WriteFile(a, kOriginal);
        WriteFile(b, kOriginal);
    }

    // Opens the list's first file and types into it; returns 0.2 s after
    // the last key, long before the pause after which a whole copy follows.
    void TypeAndWaitAMoment(App& app) {
        ASSERT_TRUE(app.WaitForWindow());
        app.ClickListRow(0);
        app.Type("Hi there", 0ms);
        std::this_thread::sleep_for(200ms);
        ASSERT_TRUE(Untouched());
    }

    bool Untouched() const { return ReadFile(a) == kOriginal && ReadFile(b) == kOriginal; }
    // The list's order is the directory's: whichever file was the first row
    // holds the typing, the other its old text.
    bool OneHoldsTheTyping() const {
        const std::string typed = "Hi thereone\ntwo\n";
        return (ReadFile(a) == typed && ReadFile(b) == kOriginal) ||
               (ReadFile(b) == typed && ReadFile(a) == kOriginal);
    }

    // Copies or journals in the state folder.
    bool AnyCopyLeft() {
        const std::filesystem::path folder = dir.path() + "/.state/Sheafpad/recovery";
        std::error_code error;
        for (const auto& file : std::filesystem::directory_iterator(folder, error)) {
            const auto extension = file.path().extension();
            if (extension == ".entry" || extension == ".journal") {
                return true;
            }
        }
        return false;
    }

    // Starts the program again, answers the one question with Enter
    // (Restore is the default), switches to the other name, and quits.
    void RestoreAndSwitch(const XServer& server) {
        App app(server, dir.path());
        std::string question;
        for (int i = 0; i < 100 && question.empty(); ++i) {
            std::this_thread::sleep_for(100ms);
            const std::vector<std::string> windows = Windows(server);
            if (windows.size() == 2) {
                // The question is the smaller of the two.
                question =
                    Width(server, windows[0]) < Width(server, windows[1]) ? windows[0] : windows[1];
            }
        }
        ASSERT_FALSE(question.empty()) << "no question at start-up";
        std::this_thread::sleep_for(300ms);
        Xdotool(server, {"windowfocus", question, "key", "Return"});
        for (int i = 0; i < 50 && Windows(server).size() != 1; ++i) {
            std::this_thread::sleep_for(100ms);
        }
        ASSERT_EQ(Windows(server).size(), 1u) << "the question did not close";
        ASSERT_TRUE(app.WaitForWindow());
        EXPECT_TRUE(Untouched()); // restored into the pane, not yet written
        app.ClickListRow(1);
        EXPECT_TRUE(OneHoldsTheTyping());
        app.Key("alt+q");
        EXPECT_EQ(app.WaitForExit(), 0);
        EXPECT_FALSE(AnyCopyLeft()); // written, so the copy is gone
    }

    TempDir dir;
    const std::string a = dir.file("a.htm"), b = dir.file("b.htm");
};

TEST_F(RecoveryE2E, KilledProgramsTypingIsRestoredAtTheNextStart) {
    XServer server;
    {
        App app(server, dir.path());
        TypeAndWaitAMoment(app);
        app.Signal(SIGKILL);
        ASSERT_EQ(app.WaitForExit(), 128 + SIGKILL);
    }
    RestoreAndSwitch(server);
}

TEST_F(RecoveryE2E, TypingSurvivesTheLossOfTheXServer) {
    {
        XServer server;
        App app(server, dir.path());
        TypeAndWaitAMoment(app);
        ASSERT_TRUE(server.Kill());
        const int status = app.WaitForExit();
        ASSERT_NE(status, -1) << "the program outlived its display";
        ASSERT_NE(status, 0);
    }
    XServer server;
    RestoreAndSwitch(server);
}

} // namespace
