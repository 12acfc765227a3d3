// SPDX-License-Identifier: GPL-3.0-or-later
// The current file is the one its text came from, whatever the working
// directory becomes (with a relative directory in the settings file, the
// folder dialog, which moves the working directory, opened and cancelled
// before a save must not send the edit into another folder's file), and
// whatever other programs do to it meanwhile.
#include "e2e_util.h"
#include "test_util.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace sheafpad::e2e;
using sheafpad::test::ReadFile;
using sheafpad::test::TempDir;
using sheafpad::test::WriteFile;

namespace {

void Append(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    ::close(fd);
}

// The visible window titled "Sheafpad" other than the main window (a message
// box), looked for up to tries times; "" when there is none.
std::string MessageBox(const XServer& server, const App& app, int tries = 50) {
    return FindOtherWindow(server, "Sheafpad", app.windowId(), tries);
}

} // namespace

TEST(CurrentFileE2E, AnotherProgramsChangeIsFollowedOrKeptByTheQuestionsDefault) {
    XServer server;
    TempDir dir;
    const std::string files[2] = {dir.file("a.htm"), dir.file("b.htm")};
    for (const std::string& file : files) {
        WriteFile(file, "one");
    }
    App app(server, dir.path());
    ASSERT_TRUE(app.WaitForWindow());

    // Unedited: the other program's version comes in quietly.
    app.ClickListRow(0);
    for (const std::string& file : files) {
        Append(file, "\nmore");
    }
    app.Settle(500ms);
    app.Type("X");
    app.ClickListRow(1);
    const bool aFirst = ReadFile(files[0]) == "Xone\nmore";
    ASSERT_EQ(ReadFile(files[aFirst ? 0 : 1]), "Xone\nmore");
    const std::string& second = files[aFirst ? 1 : 0];

    // Edited: the switch asks, and Enter keeps the other program's file.
    app.Type("Y");
    Append(second, "\nagain");
    app.ClickListRow(0);
    const std::string box = MessageBox(server, app);
    ASSERT_NE(box, "") << "no question";
    Xdotool(server, {"windowfocus", box, "key", "Return"});
    app.Settle(500ms);
    EXPECT_EQ(MessageBox(server, app, 1), "");
    EXPECT_EQ(ReadFile(second), "one\nmore\nagain");
    app.Click(132, 170); // Cancel: the close then writes nothing
    app.Key("alt+q");    // a key that changes no text, in the pane
    EXPECT_EQ(app.WaitForExit(), 0);
    EXPECT_EQ(ReadFile(second), "one\nmore\nagain");
}

TEST(CurrentFileE2E, TheFolderDialogNeverRedirectsASaveFromARelativeDirectory) {
    XServer server;
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.file("site").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.file("site/site").c_str(), 0755), 0);
    WriteFile(dir.file("site/a.htm"), "mine");
    WriteFile(dir.file("site/site/a.htm"), "other");
    WriteFile(dir.file("Sheafpad.ini"), "[Initial]\r\nDir=site\r\n");

    // The program starts in dir, so that "site" is dir/site.
    char* here = ::getcwd(nullptr, 0);
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    App app(server, dir.path());
    ASSERT_EQ(::chdir(here), 0);
    ::free(here);
    ASSERT_TRUE(app.WaitForWindow());

    app.ClickListRow(0);
    app.Type("X");
    app.Click(40, 98); // the directory field
    app.Key("alt+Down");
    const std::string dialog = FindWindow(server, "Select Directory");
    ASSERT_NE(dialog, "");
    app.Settle();
    Xdotool(server, {"windowfocus", dialog, "key", "Escape"});
    app.Settle(500ms);
    ASSERT_EQ(Xdotool(server, {"search", "--onlyvisible", "--name", "^Select Directory$"}), "");
    app.Click(84, 170); // Save
    app.Settle();
    EXPECT_EQ(ReadFile(dir.file("site/a.htm")), "Xmine");
    EXPECT_EQ(ReadFile(dir.file("site/site/a.htm")), "other");
    app.Key("alt+q");
    EXPECT_EQ(app.WaitForExit(), 0);
    EXPECT_NE(ReadFile(dir.file("Sheafpad.ini")).find("\r\nDir=" + dir.file("site") + "\r\n"),
              std::string::npos)
        << "kept as the absolute folder it was read as";
}
