// SPDX-License-Identifier: GPL-3.0-or-later
// Unsaved typing survives an abrupt end: the program is killed, or its X
// server is, 0.2 s after the last key; at the next start the question
// "Restore the unsaved changes to ... ?" is answered with Enter, and the next
// switch writes the typed text into the file.
#include "e2e_util.h"
#include "test_util.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
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
    // (Restore is the default), switches to the other name, and quits; then
    // one file holds typed, the other original.
    void RestoreAndSwitch(const XServer& server, const std::string& typed = "Hi thereone\ntwo\n",
                          const std::string& original = kOriginal) {
        App app(server, dir.path());
        std::string question;
        // A big page's copy is read back first: patience on a busy machine.
        for (int i = 0; i < 600 && question.empty(); ++i) {
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
        for (int i = 0; i < 300 && Windows(server).size() != 1; ++i) {
            std::this_thread::sleep_for(100ms);
        }
        ASSERT_EQ(Windows(server).size(), 1u) << "the question did not close";
        ASSERT_TRUE(app.WaitForWindow());
        EXPECT_TRUE(ReadFile(a) == original && ReadFile(b) == original)
            << "restored into the pane, not yet written";
        app.ClickListRow(1);
        bool one = false;
        for (int i = 0; i < 600 && !one; ++i) { // a big file takes a moment to write
            one = (ReadFile(a) == typed && ReadFile(b) == original) ||
                  (ReadFile(b) == typed && ReadFile(a) == original);
            std::this_thread::sleep_for(one ? 0ms : 100ms);
        }
        EXPECT_TRUE(one) << "the typing is not in one file, the other as it was";
        lastRestored = one;
        app.Key("alt+q");
        EXPECT_EQ(app.WaitForExit(60s), 0);
        EXPECT_FALSE(AnyCopyLeft()); // written, so the copy is gone
    }

    TempDir dir;
    const std::string a = dir.file("a.htm"), b = dir.file("b.htm");
    bool lastRestored = false; // the last RestoreAndSwitch found the typing in its file
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

// The first key into a big page, the program killed as soon as the key
// reached it: the whole copy of the page is still being written then, and
// the journal of the key alone, applied to the page on disk, gives the text
// back exactly at the next start. scripts/recovery_kills.sh runs it ten
// times, killing 0.1 s after the key (SHEAFPAD_KILL_RUNS, SHEAFPAD_KILL_DELAY_MS).
TEST_F(RecoveryE2E, TheFirstKeyIntoABigPageSurvivesAKillAtOnce) {
    std::string page;
    for (int line = 0; page.size() < (50u << 20); ++line) {
        page += "<p>line " + std::to_string(line) + " of a long page</p>\n";
    }
    const std::string typed = "X" + page; // its line breaks kept
    const char* runsText = std::getenv("SHEAFPAD_KILL_RUNS");
    const char* delayText = std::getenv("SHEAFPAD_KILL_DELAY_MS");
    const int runs = runsText != nullptr ? std::max(1, std::atoi(runsText)) : 1;
    const auto delay = std::chrono::milliseconds(delayText != nullptr ? std::atoi(delayText) : 0);
    const std::string folder = dir.path() + "/.state/Sheafpad/recovery";
    // Whether a file of the folder ends with suffix (for a journal: one that
    // has a record after its start, which ends with the line "base ...").
    const auto any = [&](const std::string& suffix) {
        std::error_code error;
        for (const auto& file : std::filesystem::directory_iterator(folder, error)) {
            const std::string name = file.path().filename().string();
            if (name.size() <= suffix.size() || !name.ends_with(suffix) || name[0] == '.') {
                continue;
            }
            if (suffix != ".journal") {
                return true;
            }
            const std::string journal = ReadFile(file.path().string());
            const size_t base = journal.find("\nbase ");
            const size_t end = base == std::string::npos ? base : journal.find('\n', base + 1);
            if (end != std::string::npos && journal.size() > end + 1) {
                return true;
            }
        }
        return false;
    };
    int restored = 0, copied = 0;
    for (int run = 0; run < runs; ++run) {
        // Both the same, so that whichever the first row is, the other is the page too.
        WriteFile(a, page);
        WriteFile(b, page);
        XServer server;
        {
            App app(server, dir.path());
            ASSERT_TRUE(app.WaitForWindow());
            app.ClickListRow(0);
            app.Type("X", 0ms);
            bool keyed = false;
            for (int i = 0; i < 30000 && !keyed; ++i) {
                std::this_thread::sleep_for(1ms);
                keyed = any(".journal");
            }
            ASSERT_TRUE(keyed) << "the key never reached the program";
            std::this_thread::sleep_for(delay);
            app.Signal(SIGSTOP); // held where it is, then killed there
            copied += any(".entry") ? 1 : 0;
            app.Signal(SIGKILL);
            ASSERT_EQ(app.WaitForExit(), 128 + SIGKILL);
        }
        ASSERT_NO_FATAL_FAILURE(RestoreAndSwitch(server, typed, page));
        restored += lastRestored ? 1 : 0;
    }
    std::printf("big page: %d of %d kills %d ms after the first key restored exactly; %d of "
                "them with no whole copy yet at the kill\n",
                restored, runs, int(delay.count()), runs - copied);
    if (copied == runs) {
        GTEST_SKIP() << "restored, but the whole copy was done before each kill here: the "
                        "journal alone was not what restored it";
    }
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
