// SPDX-License-Identifier: GPL-3.0-or-later
// The real program under a real X server: it starts, shows its title, lists
// the matching files of its own directory, and ends on Alt+Q.
#include "e2e_util.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace sheafpad::e2e;
using sheafpad::test::TempDir;
using sheafpad::test::WriteFile;

// The program has no command line: the toolkit's own options (a mirrored
// layout, another title, other bounds) have no effect either.
TEST(StartupE2E, ShowsTitleListsFilesAndQuitsOnAltQ) {
    XServer server;
    TempDir dir;
    WriteFile(dir.file("index.html"), "<a href=\"b.htm\">b</a>\r\n");
    WriteFile(dir.file("b.htm"), "b\r\n");
    WriteFile(dir.file("style.css"), "p {}\r\n");
    App app(server, dir.path(), {}, 0,
            {"-reverse", "-qwindowtitle", "Other", "-qwindowgeometry", "300x200+10+20"});
    ASSERT_TRUE(app.WaitForWindow());
    EXPECT_EQ(app.WindowName(), "Sheafpad");
    Geometry g = app.WindowGeometry();
    EXPECT_EQ(g.x, 268);
    EXPECT_EQ(g.y, 116);
    EXPECT_EQ(g.width, 924);
    EXPECT_EQ(g.height, 480);

    // Two names are listed (the program file and style.css do not match).
    EXPECT_GT(app.ListRowInk(0), 20);
    EXPECT_GT(app.ListRowInk(1), 20);
    EXPECT_EQ(app.ListRowInk(2), 0);

    app.Key("alt+q");
    EXPECT_EQ(app.WaitForExit(), 0);
}
