// SPDX-License-Identifier: GPL-3.0-or-later
// The real program read by a screen reader's library over AT-SPI, on a bus
// of the test's own: every text control answers each question at once (a
// field that loops hangs the program for good) and every control a user
// works with has a name and its role.
#include "e2e_util.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace sheafpad::e2e;
using sheafpad::test::TempDir;
using sheafpad::test::WriteFile;

TEST(AccessibilityE2E, TextControlsAnswerAtOnceAndControlsHaveNamesAndRoles) {
    TempDir dir; // its path begins with "/", as the directory field's always does
    WriteFile(dir.file("a.htm"), "<p>one</p>\r\n<p>two</p>");
    XServer server;
    AccessibilityBus bus(server);
    App app(server, dir.path(), {bus.env(), "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"});
    ASSERT_TRUE(app.WaitForWindow());
    app.ClickListRow(0); // the pane holds a file's lines, the find field its prompt

    int code = -1;
    const std::string out =
        sheafpad::e2e::Run({"env", bus.env(), "DISPLAY=" + server.display(), "/usr/bin/python3",
                            SHEAFPAD_ATSPI_PROBE, "Sheafpad"},
                           &code);
    EXPECT_EQ(code, 0) << out; // 2: the program never showed on the bus
    EXPECT_TRUE(app.Running()) << out;
    // The window is a frame; the text controls, with their lengths.
    EXPECT_NE(out.find("node\tapplication\tSheafpad\t-1\nnode\tframe\tSheafpad\t-1\n"),
              std::string::npos)
        << out;
    for (const std::string& node : std::vector<std::string>{
             "text\tFile extensions\t14",
             "text\tDirectory\t" + std::to_string(dir.path().size() + 1), "text\tFind text\t31",
             "text\tFile text\t21", "push button\tSelect Directory\t-1", "list\tFiles\t-1"}) {
        EXPECT_NE(out.find("\nnode\t" + node + "\n"), std::string::npos) << node << "\n" << out;
    }
}
