// SPDX-License-Identifier: GPL-3.0-or-later
// The real program under a real X server: it starts, shows its title, lists
// the matching files of its own directory, and ends on Alt+Q; a file given on
// its command line opens in its folder.
#include "e2e_util.h"
#include "test_util.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace sheafpad::e2e;
using sheafpad::test::TempDir;
using sheafpad::test::WriteFile;

TEST(StartupE2E, ShowsTitleListsFilesAndQuitsOnAltQ) {
    XServer server;
    TempDir dir;
    WriteFile(dir.file("index.html"), "<a href=\"b.htm\">b</a>\r\n");
    WriteFile(dir.file("b.htm"), "b\r\n");
    WriteFile(dir.file("style.css"), "p {}\r\n");
    App app(server, dir.path());
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

    // The toolkit's own options (a mirrored layout, another title) are no
    // options of the program: an error, and no window.
    App qtOptions(server, dir.path(), {}, 0, {"-reverse", "-qwindowtitle", "Other"});
    EXPECT_EQ(qtOptions.WaitForExit(), 2);
}

// "sheafpad FILE" at 2x on the X server's 1280 x 1024 pixels, a small
// screen at that scale: the window fits on it, and the file's folder is
// listed with the file open; both are kept at the close.
TEST(StartupE2E, AFileGivenOpensInItsFolderAndTheWindowFitsA2xScreen) {
    XServer server;
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.file("site").c_str(), 0755), 0);
    WriteFile(dir.file("site/a.htm"), "a");
    WriteFile(dir.file("site/style.css"), "p {}");
    App app(server, dir.path(), {"QT_SCALE_FACTOR=2"}, 0, {dir.file("site/style.css")});
    ASSERT_TRUE(app.WaitForWindow());
    const Geometry g = app.WindowGeometry();
    EXPECT_GE(g.x, 0);
    EXPECT_GE(g.y, 0);
    EXPECT_LE(g.x + g.width, 1280) << g.width;
    EXPECT_LE(g.y + g.height, 1024) << g.height;
    EXPECT_GT(g.width, 1000) << "not made smaller than the screen needs";
    app.Key("alt+q");
    ASSERT_EQ(app.WaitForExit(), 0);
    const std::string ini = sheafpad::test::ReadFile(dir.file("Sheafpad.ini"));
    EXPECT_NE(ini.find("\r\nDir=" + dir.file("site") + "\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("\r\nLoadedFName=" + dir.file("site/style.css") + "\r\n"), std::string::npos)
        << ini;
}
