// SPDX-License-Identifier: GPL-3.0-or-later
// The real program under a real X server: the window's bounds and the find
// text survive a restart, and SIGTERM saves a changed file before the end
// without writing the settings.
#include "e2e_util.h"
#include "test_util.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace sheafpad::e2e;
using sheafpad::test::FileExists;
using sheafpad::test::ReadFile;
using sheafpad::test::TempDir;
using sheafpad::test::WriteFile;

namespace {} // namespace

// Each start gets its own X server: a server left without clients resets,
// and a program connecting meanwhile may fail.
TEST(SettingsE2E, BoundsAndFindTextSurviveARestart) {
    TempDir dir;
    {
        XServer server;
        App app(server, dir.path());
        ASSERT_TRUE(app.WaitForWindow());
        Xdotool(server, {"windowmove", app.windowId(), "100", "150"});
        Xdotool(server, {"windowsize", app.windowId(), "700", "400"});
        app.Settle();
        // The find field: left 8, top 112 in the control panel.
        app.Click(60, 122);
        app.Key("ctrl+a");
        app.Type("needle");
        app.Key("alt+q");
        ASSERT_EQ(app.WaitForExit(), 0);
    }
    const std::string ini = ReadFile(dir.file("Sheafpad.ini"));
    EXPECT_NE(ini.find("\r\nLeft=100\r\nTop=150\r\nHeight=400\r\nWidth=700\r\n"), std::string::npos)
        << ini;
    EXPECT_NE(ini.find("\r\nFindEdit=needle\r\n"), std::string::npos) << ini;

    XServer server;
    App again(server, dir.path());
    ASSERT_TRUE(again.WaitForWindow());
    const Geometry g = again.WindowGeometry();
    EXPECT_EQ(g.x, 100);
    EXPECT_EQ(g.y, 150);
    EXPECT_EQ(g.width, 700);
    EXPECT_EQ(g.height, 400);
    // Closing untouched writes back what the fields hold: the restored text.
    again.Key("alt+q");
    ASSERT_EQ(again.WaitForExit(), 0);
    EXPECT_EQ(ReadFile(dir.file("Sheafpad.ini")), ini);
}

// Installed where it cannot write (as in /usr/bin), the program keeps its
// settings in the user's config folder, made at the first close, and reads
// them back from there; nothing is asked or written beside it.
TEST(SettingsE2E, ProgramInAReadOnlyFolderKeepsItsSettingsInTheUsersConfigFolder) {
    TempDir programDir, home;
    struct Writable { // the folder can be removed whatever happens
        const std::string& path;
        ~Writable() { std::filesystem::permissions(path, std::filesystem::perms(0755)); }
    } writable{programDir.path()};
    const std::vector<std::string> env = {"XDG_CONFIG_HOME=" + home.file("config"),
                                          "HOME=" + home.path()};
    const std::string config = home.file("config/Sheafpad/Sheafpad.ini");
    {
        XServer server;
        App app(server, programDir.path(), env, 0555);
        ASSERT_TRUE(app.WaitForWindow());
        Xdotool(server, {"windowmove", app.windowId(), "120", "90"});
        app.Settle();
        app.Key("alt+q");
        ASSERT_EQ(app.WaitForExit(), 0) << "no message about the settings file";
    }
    EXPECT_FALSE(FileExists(programDir.file("Sheafpad.ini")));
    ASSERT_TRUE(FileExists(config));
    EXPECT_NE(ReadFile(config).find("\r\nLeft=120\r\nTop=90\r\n"), std::string::npos)
        << ReadFile(config);
    // An installed copy starts in the user's home folder, not its own.
    EXPECT_EQ(ReadFile(config).rfind("[Initial]\r\nDir=" + home.path() + "\r\n", 0), 0u)
        << ReadFile(config);

    std::filesystem::permissions(programDir.path(), std::filesystem::perms(0755)); // the copy
    XServer server;
    App again(server, programDir.path(), env, 0555);
    ASSERT_TRUE(again.WaitForWindow());
    const Geometry g = again.WindowGeometry();
    EXPECT_EQ(g.x, 120);
    EXPECT_EQ(g.y, 90);
    again.Key("alt+q");
    ASSERT_EQ(again.WaitForExit(), 0);
    EXPECT_FALSE(FileExists(programDir.file("Sheafpad.ini")));
}

// Installed (its menu entry in ../share/applications/), in a folder that this
// user may write, as root may /usr/bin, with a settings file that root left
// there: the user's own file is read and written, root's is left alone.
TEST(SettingsE2E, InstalledCopyKeepsItsSettingsInTheConfigFolderEvenForRoot) {
    TempDir prefix, home;
    const std::string bin = prefix.file("usr/bin");
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(prefix.file("usr/share/applications"));
    WriteFile(prefix.file("usr/share/applications/io.github.sheafpad.sheafpad.desktop"), "");
    const std::string rootsFile = "[Initial]\r\nDir=" + prefix.path() + "\r\nFindEdit=root\r\n";
    WriteFile(bin + "/Sheafpad.ini", rootsFile);
    const std::string config = home.file("config/Sheafpad/Sheafpad.ini");
    XServer server;
    App app(server, bin, {"XDG_CONFIG_HOME=" + home.file("config"), "HOME=" + home.path()});
    ASSERT_TRUE(app.WaitForWindow());
    app.Key("alt+q");
    ASSERT_EQ(app.WaitForExit(), 0) << "no message about the settings file";
    EXPECT_EQ(ReadFile(bin + "/Sheafpad.ini"), rootsFile);
    ASSERT_TRUE(FileExists(config));
    EXPECT_EQ(ReadFile(config).rfind("[Initial]\r\nDir=" + home.path() + "\r\n", 0), 0u)
        << ReadFile(config);
    EXPECT_EQ(ReadFile(config).find("FindEdit=root"), std::string::npos);
}

TEST(SettingsE2E, TerminationSavesTheChangedFileAndWritesNoSettings) {
    for (int signal : {SIGTERM, SIGHUP, SIGINT, SIGQUIT}) {
        XServer server;
        TempDir dir;
        WriteFile(dir.file("a.htm"), "one");
        App app(server, dir.path());
        ASSERT_TRUE(app.WaitForWindow());
        app.ClickListRow(0);
        app.Type("X");
        app.Signal(signal);
        EXPECT_EQ(app.WaitForExit(), 0) << signal;
        EXPECT_EQ(ReadFile(dir.file("a.htm")), "Xone") << signal;
        EXPECT_FALSE(FileExists(dir.file("Sheafpad.ini"))) << signal;
    }
}

TEST(SettingsE2E, FramedWindowKeepsItsOuterBoundsAcrossRestarts) {
    XServer server;
    WindowManager manager(server);
    ASSERT_TRUE(manager.Running()) << "the window manager (twm) ended at its start";
    TempDir dir;
    const std::string bounds = "[Initial]\r\nLeft=100\r\nTop=150\r\nHeight=400\r\nWidth=700\r\n";
    WriteFile(dir.file("Sheafpad.ini"), bounds);
    // The frame is stored, and applied again once the window manager has
    // framed the window: the bounds do not creep by the frame at each start.
    for (int run = 0; run < 2; ++run) {
        App app(server, dir.path());
        ASSERT_TRUE(app.WaitForWindow());
        ASSERT_TRUE(manager.Frames(app.windowId()))
            << "the window manager did not frame the window";
        app.Settle(1000ms);
        app.Key("alt+q");
        ASSERT_EQ(app.WaitForExit(), 0);
        EXPECT_EQ(ReadFile(dir.file("Sheafpad.ini")).substr(0, bounds.size()), bounds) << run;
    }
}
