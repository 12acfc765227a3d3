// SPDX-License-Identifier: GPL-3.0-or-later
// The real program read by a screen reader's library over AT-SPI, on a bus
// of the test's own, with each window it opens: every text control answers
// each question at once (a field that loops hangs the program for good), and
// every window, panel and control a user works with has its role and a name.
#include "e2e_util.h"
#include "test_util.h"

#include <gtest/gtest.h>
#include <thread>

using namespace sheafpad::e2e;
using sheafpad::test::TempDir;
using sheafpad::test::WriteFile;

namespace {

// The tree as the probe printed it, after the probe passed.
std::string Probe(const XServer& server, const AccessibilityBus& bus, App& app) {
    int code = -1;
    const std::string out = Run({"env", bus.env(), "DISPLAY=" + server.display(),
                                 "/usr/bin/python3", SHEAFPAD_ATSPI_PROBE, "Sheafpad"},
                                &code);
    EXPECT_EQ(code, 0) << out; // 2: the program never showed on the bus
    EXPECT_TRUE(app.Running()) << out;
    return out;
}

bool Has(const std::string& out, const std::string& node) {
    return out.find("\nnode\t" + node + "\n") != std::string::npos;
}

int Count(const std::string& out, const std::string& node) {
    int count = 0;
    for (size_t at = 0; (at = out.find("\nnode\t" + node + "\n", at)) != std::string::npos; ++at) {
        ++count;
    }
    return count;
}

void KeysTo(const XServer& server, const std::string& window, const std::string& keys) {
    Xdotool(server, {"windowfocus", window, "key", "--delay", "40", keys});
    std::this_thread::sleep_for(300ms);
}

} // namespace

TEST(AccessibilityE2E, EveryWindowAndControlHasItsRoleAndNameAndAnswersAtOnce) {
    TempDir dir; // its path begins with "/", as the directory field's always does
    WriteFile(dir.file("a.htm"), "<p>one</p>\r\n<p>two</p>");
    WriteFile(dir.file("b.htm"), "<a href=\"a.htm\">");
    XServer server;
    AccessibilityBus bus(server);
    App app(server, dir.path(), {bus.env(), "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"});
    ASSERT_TRUE(app.WaitForWindow());
    app.ClickListRow(0); // the pane holds a file's lines, the find field its prompt

    // The main window, with the Search in Files window and its results.
    app.Key("ctrl+shift+f");
    const std::string search = FindWindow(server, "Search in Files");
    ASSERT_NE(search, "") << "no search window";
    Xdotool(server, {"windowfocus", search, "type", "--delay", "30", "one"});
    KeysTo(server, search, "Return");
    std::string out = Probe(server, bus, app);
    EXPECT_NE(out.find("node\tapplication\tSheafpad\t-1\nnode\tframe\tSheafpad\t-1\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(Count(out, "panel\t\t-1"), 3) << "the three panels\n" << out;
    EXPECT_FALSE(Has(out, "frame\t\t-1")) << "an unnamed frame\n" << out;
    EXPECT_FALSE(Has(out, "filler\tSearch in Files\t-1")) << out;
    for (const std::string& node : std::vector<std::string>{
             "text\tFile extensions\t14",
             "text\tDirectory\t" + std::to_string(dir.path().size() + 1), "text\tFind text\t31",
             "text\tFile text\t21", "push button\tSelect Directory\t-1", "list\tFiles\t-1",
             "frame\tSearch in Files\t-1", "text\tFind text\t3", "tree\tResults\t-1",
             "table column header\tFiles and matching lines\t-1"}) {
        EXPECT_TRUE(Has(out, node)) << node << "\n" << out;
    }
    // Replace All asks first.
    KeysTo(server, search, "alt+a");
    const std::string question = FindOtherWindow(server, "Sheafpad", app.windowId());
    ASSERT_NE(question, "") << "no question before Replace All";
    out = Probe(server, bus, app);
    EXPECT_TRUE(Has(out, "alert\tSheafpad\t-1")) << out;
    EXPECT_TRUE(Has(out, "push button\tYes\t-1")) << out;
    KeysTo(server, question, "Escape");
    KeysTo(server, search, "Escape");

    // The About box, from the pane's context menu (its last entry).
    app.Key("shift+F10");
    app.Key("Up");
    app.Key("Return");
    const std::string about = FindWindow(server, "About Sheafpad");
    ASSERT_NE(about, "") << "no About box";
    out = Probe(server, bus, app);
    EXPECT_TRUE(Has(out, "dialog\tAbout Sheafpad\t-1")) << out;
    EXPECT_NE(out.find("\nnode\ttext\tBuilt in\t"), std::string::npos) << out;
    EXPECT_TRUE(Has(out, "push button\tClose\t-1")) << out;
    KeysTo(server, about, "Escape");

    // The folder dialog, from the directory field.
    app.Click(40, 98);
    app.Key("alt+Down");
    const std::string folders = FindWindow(server, "Select Directory");
    ASSERT_NE(folders, "") << "no folder dialog";
    out = Probe(server, bus, app);
    EXPECT_TRUE(Has(out, "dialog\tSelect Directory\t-1")) << out;
    EXPECT_TRUE(Has(out, "list\tDirectories\t-1")) << out;
    EXPECT_EQ(Count(out, "list\tFiles\t-1"), 2) << "the dialog's and the main window's\n" << out;
    EXPECT_EQ(out.find("[]"), std::string::npos) << "empty brackets\n" << out;
    KeysTo(server, folders, "Escape");

    // Rename asks for the new name and whether to replace the references, in one dialog.
    app.ClickListRow(0);
    app.Key("shift+Tab");
    app.Key("F2");
    const std::string ask = FindOtherWindow(server, "Sheafpad", app.windowId());
    ASSERT_NE(ask, "") << "F2 asked for no name";
    out = Probe(server, bus, app);
    EXPECT_TRUE(Has(out, "dialog\tSheafpad\t-1")) << out;
    EXPECT_TRUE(Has(out, "text\tRename \"a.htm\" to:\t5")) << out;
    EXPECT_TRUE(Has(out, "push button\tRename and update references\t-1")) << out;
    EXPECT_TRUE(Has(out, "push button\tRename only\t-1")) << out;
    KeysTo(server, ask, "Escape");
    EXPECT_TRUE(app.Running());
}

// Started on a German desktop, the window speaks German from the start: its
// controls' names as a screen reader hears them.
TEST(AccessibilityE2E, OnAGermanDesktopTheWindowSpeaksGerman) {
    TempDir dir;
    WriteFile(dir.file("a.htm"), "<p>one</p>");
    XServer server;
    AccessibilityBus bus(server);
    App app(server, dir.path(),
            {bus.env(), "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1", "LC_ALL=de_DE.UTF-8"});
    ASSERT_TRUE(app.WaitForWindow());
    const std::string out = Probe(server, bus, app);
    for (const std::string& node :
         {"text\tDateiendungen\t14", "list\tDateien\t-1", "push button\tPrüfen\t-1",
          "push button\tVerzeichnis wählen\t-1"}) {
        EXPECT_TRUE(Has(out, node)) << node << "\n" << out;
    }
    EXPECT_FALSE(Has(out, "list\tFiles\t-1")) << out;
}
