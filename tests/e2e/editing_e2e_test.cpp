// SPDX-License-Identifier: GPL-3.0-or-later
// The program's main job, as a person does it: click a name, type at once,
// click another name, and the first file holds the edit, with its own line
// breaks.
#include "e2e_util.h"
#include "test_util.h"

#include <gtest/gtest.h>
#include <initializer_list>

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

// Sheafpad started on a directory of those two files, with the first one
// (the list's row 0) opened by a click.
class EditingE2E : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app.WaitForWindow());
        app.ClickListRow(0);
    }
    void Keys(std::initializer_list<const char*> keys) {
        for (const char* key : keys) {
            app.Key(key);
        }
    }
    // Alt+Q, and the program ends cleanly.
    void Quit() {
        app.Key("alt+q");
        EXPECT_EQ(app.WaitForExit(), 0);
    }

    XServer server;
    TempDir dir;
    TwoFiles files{dir};
    App app{server, dir.path()};
};

} // namespace

TEST_F(EditingE2E, ClickTypeClickWritesTheFirstFileWithItsOwnLineBreaks) {
    app.Type("Hi there");
    app.Key("Return");
    app.ClickListRow(1);
    EXPECT_EQ(files.Edited(), "Hi there\none\ntwo\n");
    Quit();
}

TEST_F(EditingE2E, TypedSpacesAndAltQSaveOnTheWayOut) {
    app.Key("space");
    Quit();
    EXPECT_EQ(files.Edited(), " one\ntwo\n");
}

TEST_F(EditingE2E, KeysThatChangeNoTextWriteNothing) {
    Keys({"alt+x", "ctrl+c", "ctrl+a", "ctrl+f", "F5"});
    app.ClickListRow(1);
    EXPECT_EQ(files.Edited(), "") << "a file was written";
    EXPECT_EQ(ReadFile(files.a) + ReadFile(files.b), "one\ntwo\none\ntwo\n");
    Quit();
}

TEST_F(EditingE2E, MenuKeyAndShiftF10OpenTheContextMenu) {
    app.Key("shift+End");
    Keys({"Menu", "Down", "Return"}); // Copy is the first item
    app.Key("ctrl+End");
    Keys({"shift+F10", "Down", "Down", "Down", "Return"}); // Paste is the third
    app.ClickListRow(1);
    EXPECT_EQ(files.Edited(), "one\ntwo\none");
    Quit();
}
