// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing the directory as a person does it: Alt+Down in the directory
// field, a double-click on a subfolder in "Select Directory", Enter, and the
// file list is that folder's.
#include "e2e_util.h"
#include "platform/mounts.h"
#include "test_util.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

using namespace sheafpad::e2e;
using sheafpad::test::ReadFile;
using sheafpad::test::TempDir;
using sheafpad::test::WriteFile;

namespace {

// Runs xdotool on the test's X server.
bool DialogShown(const XServer& server) {
    return !Xdotool(server, {"search", "--onlyvisible", "--name", "^Select Directory$"}).empty();
}

// The folder list's row that shows the first subfolder of dir: the drive's
// root is row 0, then one row per folder down to dir itself.
int FirstSubfolderRow(const std::string& dir) {
    const auto drives = sheafpad::platform::ListDrives();
    const std::string& root =
        drives.at(size_t(sheafpad::platform::FindDriveOf(dir, drives))).mountPoint;
    // Each "/" below the root starts one more folder row: "/tmp/x" on "/"
    // puts x at row 2, and its first subfolder at row 3.
    int openRow = 0;
    for (size_t at = root == "/" ? 0 : root.size(); at < dir.size(); ++at) {
        openRow += dir[at] == '/' ? 1 : 0;
    }
    return openRow + 1;
}

} // namespace

TEST(DirectoryE2E, AltDownDoubleClickSubfolderEnterListsThatFolder) {
    XServer server;
    TempDir dir;
    ::mkdir(dir.file("sub").c_str(), 0755);
    WriteFile(dir.file("sub/page.htm"), "one\ntwo\n");
    App app(server, dir.path());
    ASSERT_TRUE(app.WaitForWindow());
    EXPECT_EQ(app.ListRowInk(0), 0); // nothing of the program's own folder matches

    // A click in the field's text gives it the focus and opens nothing.
    app.Click(40, 98);
    EXPECT_FALSE(DialogShown(server));
    app.Key("alt+Down");
    const std::string dialog = FindWindow(server, "Select Directory");
    ASSERT_NE(dialog, "");
    app.Settle();

    // Rows of the folder list are 17 pixels high, starting at 72 in the dialog.
    const int row = FirstSubfolderRow(dir.path());
    ASSERT_LT(row, 8) << "the subfolder would be scrolled out of view";
    Xdotool(server, {"mousemove", "--window", dialog, "60", std::to_string(72 + 2 + 17 * row + 8),
                     "click", "--repeat", "2", "--delay", "80", "1"});
    app.Settle();
    Xdotool(server, {"windowfocus", dialog, "key", "Return"});
    app.Settle(500ms);
    EXPECT_FALSE(DialogShown(server));

    // The list now shows sub's one file: editing it proves which file it is.
    EXPECT_GT(app.ListRowInk(0), 20);
    EXPECT_EQ(app.ListRowInk(1), 0);
    app.ClickListRow(0);
    app.Type("Hi");
    app.Key("alt+q");
    EXPECT_EQ(app.WaitForExit(), 0);
    EXPECT_EQ(ReadFile(dir.file("sub/page.htm")), "Hione\ntwo\n");
}
