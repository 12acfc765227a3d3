// The program's main job, as a person does it: click a name, type at once,
// click another name, and the first file holds the edit with CR LF breaks.
#include "e2e_util.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace sheafpad::e2e;
using sheafpad::test::ReadFile;
using sheafpad::test::TempDir;
using sheafpad::test::WriteFile;

namespace {

// The list's order is the directory's; tell the files apart by content.
struct TwoFiles {
    explicit TwoFiles(const TempDir& dir) : a(dir.file("a.htm")), b(dir.file("b.htm")) {
        WriteFile(a, "one\ntwo\n");
        WriteFile(b, "one\ntwo\n");
    }
    // The one file that differs from the original, or "" when none or both do.
    std::string Edited() const {
        const std::string ta = ReadFile(a), tb = ReadFile(b);
        if ((ta == "one\ntwo\n") == (tb == "one\ntwo\n")) {
            return "";
        }
        return ta == "one\ntwo\n" ? tb : ta;
    }
    std::string a, b;
};

} // namespace

TEST(EditingE2E, ClickTypeClickWritesTheFirstFileWithCrLf) {
    XServer server;
    TempDir dir;
    TwoFiles files(dir);
    App app(server, dir.path());
    ASSERT_TRUE(app.WaitForWindow());
    app.ClickListRow(0);
    app.Type("Hi there");
    app.Key("Return");
    app.ClickListRow(1);
    EXPECT_EQ(files.Edited(), "Hi there\r\none\r\ntwo\r\n");
    app.Key("alt+q");
    EXPECT_EQ(app.WaitForExit(), 0);
}

TEST(EditingE2E, TypedSpacesAndAltQSaveOnTheWayOut) {
    XServer server;
    TempDir dir;
    TwoFiles files(dir);
    App app(server, dir.path());
    ASSERT_TRUE(app.WaitForWindow());
    app.ClickListRow(0);
    app.Key("space");
    app.Key("alt+q");
    EXPECT_EQ(app.WaitForExit(), 0);
    EXPECT_EQ(files.Edited(), " one\r\ntwo\r\n");
}

TEST(EditingE2E, MenuKeyAndShiftF10OpenTheContextMenu) {
    XServer server;
    TempDir dir;
    TwoFiles files(dir);
    App app(server, dir.path());
    ASSERT_TRUE(app.WaitForWindow());
    app.ClickListRow(0);
    app.Key("shift+End");
    app.Key("Menu"); // Copy is the first item
    app.Key("Down");
    app.Key("Return");
    app.Key("ctrl+End");
    app.Key("shift+F10"); // Paste is the third
    app.Key("Down");
    app.Key("Down");
    app.Key("Down");
    app.Key("Return");
    app.ClickListRow(1);
    EXPECT_EQ(files.Edited(), "one\r\ntwo\r\none");
    app.Key("alt+q");
    EXPECT_EQ(app.WaitForExit(), 0);
}
