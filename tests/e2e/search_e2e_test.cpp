// SPDX-License-Identifier: GPL-3.0-or-later
// Search in files through the keys, in the real program: Ctrl+Shift+F, the
// find and replace fields typed and Alt+A straight away (no Enter: the
// results come by themselves, and the Alt+A is never typed), its question,
// Alt+U; then F2 in the pane renames the open file with the references to
// it, and Alt+U puts both back.
#include "e2e_util.h"
#include "test_util.h"

#include <gtest/gtest.h>
#include <thread>

using namespace sheafpad::e2e;
using sheafpad::test::ReadFile;
using sheafpad::test::TempDir;
using sheafpad::test::WriteFile;

namespace {

// Keys for the window id (there is no window manager to focus it).
void KeysTo(const XServer& server, const std::string& window, const std::string& keys) {
    Xdotool(server, {"windowfocus", window, "key", "--delay", "40", keys});
    std::this_thread::sleep_for(300ms);
}

// Answers the question box that the program shows now with Enter (its default).
bool AnswerDefault(const XServer& server, const App& app) {
    const std::string box = FindOtherWindow(server, "Sheafpad", app.windowId());
    if (box.empty()) {
        return false;
    }
    KeysTo(server, box, "Return");
    return FindOtherWindow(server, "Sheafpad", app.windowId(), 20).empty();
}

} // namespace

// name's text as a rename of from to "d.htm" leaves it: the links to from
// (each quoted or not) name "d.htm", the texts that only say its name stay.
std::string Renamed(std::string text, const std::string& from) {
    const std::pair<std::string, std::string> forms[] = {{"=\"", "\""}, {"='", "'"}, {"=", ">"}};
    for (const auto& [open, close] : forms) {
        const std::string link = open + from + close;
        for (size_t at = 0; (at = text.find(link, at)) != std::string::npos;) {
            text.replace(at, link.size(), open + "d.htm" + close);
        }
    }
    return text;
}

TEST(SearchE2E, ReplaceAllUndoAndRenameFromTheKeys) {
    XServer server;
    TempDir dir;
    const std::vector<std::string> names = {"a.htm", "b.htm", "c.htm"};
    const std::vector<std::string> texts = {"old one\r\n<a href=\"b.htm\"> <a href=\"c.htm\">",
                                            "old two\n<a href=a.htm>a.htm</a> c.htm",
                                            "old three <a href='a.htm'>b.htm</a>"};
    for (size_t i = 0; i < names.size(); ++i) {
        WriteFile(dir.file(names[i]), texts[i]);
    }
    auto expectAll = [&](auto expected) {
        for (size_t i = 0; i < names.size(); ++i) {
            EXPECT_EQ(ReadFile(dir.file(names[i])), expected(texts[i])) << names[i];
        }
    };
    App app(server, dir.path());
    ASSERT_TRUE(app.WaitForWindow());

    app.Key("ctrl+shift+f");
    const std::string search = FindWindow(server, "Search in Files");
    ASSERT_NE(search, "") << "no search window";
    Xdotool(server, {"windowfocus", search, "type", "--delay", "30", "old"});
    KeysTo(server, search, "Tab");
    Xdotool(server, {"windowfocus", search, "type", "--delay", "30", "new"});
    KeysTo(server, search, "alt+a");
    ASSERT_TRUE(AnswerDefault(server, app)) << "no question before Replace All";
    expectAll([](std::string text) { return "new" + text.substr(3); });
    KeysTo(server, search, "alt+u");
    ASSERT_TRUE(AnswerDefault(server, app)) << "no question before Undo Replace";
    expectAll([](std::string text) { return text; });
    KeysTo(server, search, "Escape");

    // The first row's file opens, the focus in the pane, where F2 renames it:
    // one dialog, whose default renames and updates the references.
    app.ClickListRow(0);
    app.Key("F2");
    const std::string ask = FindOtherWindow(server, "Sheafpad", app.windowId());
    ASSERT_NE(ask, "") << "F2 asked for no name";
    KeysTo(server, ask, "ctrl+a");
    Xdotool(server, {"windowfocus", ask, "type", "--delay", "30", "d.htm"});
    KeysTo(server, ask, "Return");
    ASSERT_TRUE(FindOtherWindow(server, "Sheafpad", app.windowId(), 20).empty())
        << "a question after the dialog";
    std::string renamed;
    for (const std::string& name : names) {
        renamed = sheafpad::test::FileExists(dir.file(name)) ? renamed : name;
    }
    ASSERT_NE(renamed, "") << "nothing renamed";
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string now = dir.file(names[i] == renamed ? "d.htm" : names[i]);
        EXPECT_EQ(ReadFile(now), Renamed(texts[i], renamed)) << names[i];
    }

    app.Key("ctrl+shift+f");
    const std::string again = FindWindow(server, "Search in Files");
    ASSERT_NE(again, "");
    KeysTo(server, again, "alt+u");
    ASSERT_TRUE(AnswerDefault(server, app)) << "no question before Undo Replace";
    EXPECT_FALSE(sheafpad::test::FileExists(dir.file("d.htm")));
    expectAll([](std::string text) { return text; });
}
