// SPDX-License-Identifier: GPL-3.0-or-later
// Where the settings file lives: an installed copy in the user's config
// folder whatever lies beside it, a portable copy beside itself.
#include "base/app_id.h"
#include "platform/file_io.h"
#include "platform/user_dirs.h"
#include "settings/settings_place.h"
#include "test_util.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sheafpad::settings {
namespace {

using test::TempDir;
using test::WriteFile;

TEST(SettingsPlace, InstalledCopyUsesTheConfigFolderPortableCopyItsOwn) {
    TempDir root;
    const std::string config = root.file("config/");
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string restore = old != nullptr ? old : "";
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    const std::string configFile = config + "Sheafpad/Sheafpad.ini";

    // Installed: bin/ beside share/applications/ holding the menu entry. Its
    // folder may be written (as root may write /usr/bin, or a user their
    // ~/.local/bin) and a settings file lies there (root's): neither counts.
    const std::string bin = root.file("usr/bin/");
    ASSERT_EQ(platform::MakeDirectories(root.file("usr/share/applications"), 0755), 0);
    ASSERT_EQ(platform::MakeDirectories(bin, 0755), 0);
    WriteFile(root.file("usr/share/applications/") + kAppId + ".desktop", "[Desktop Entry]\n");
    WriteFile(bin + "Sheafpad.ini", "[Initial]\r\nDir=/root\r\n");
    ASSERT_TRUE(platform::MayCreateFilesIn(bin));
    EXPECT_TRUE(IsInstalledCopy(bin));
    EXPECT_EQ(SettingsFileFor(bin), configFile);

    // Portable: a build tree with another program's menu entry beside it.
    const std::string build = root.file("tree/build/");
    ASSERT_EQ(platform::MakeDirectories(root.file("tree/share/applications"), 0755), 0);
    ASSERT_EQ(platform::MakeDirectories(build, 0755), 0);
    WriteFile(root.file("tree/share/applications/other.desktop"), "");
    EXPECT_FALSE(IsInstalledCopy(build));
    EXPECT_EQ(SettingsFileFor(build), build + "Sheafpad.ini");
    // A folder that cannot be written: the config folder, unless the file is there.
    ::chmod(build.c_str(), 0555);
    EXPECT_EQ(SettingsFileFor(build), configFile);
    ::chmod(build.c_str(), 0755);
    WriteFile(build + "Sheafpad.ini", "");
    ::chmod(build.c_str(), 0555);
    EXPECT_EQ(SettingsFileFor(build), build + "Sheafpad.ini");
    ::chmod(build.c_str(), 0755);

    old != nullptr ? ::setenv("XDG_CONFIG_HOME", restore.c_str(), 1)
                   : ::unsetenv("XDG_CONFIG_HOME");
}

// A portable copy in a folder that every user may write (as /tmp is): a
// settings file there is used only by the user who owns it and may write it.
TEST(SettingsPlace, PortableCopyInASharedFolderUsesNoOtherAccountsFile) {
    TempDir root;
    const std::string config = root.file("config/");
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string restore = old != nullptr ? old : "";
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    const std::string configFile = config + "Sheafpad/Sheafpad.ini";
    const std::string shared = root.file("shared/");
    ASSERT_EQ(platform::MakeDirectories(shared, 0755), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    const std::string beside = shared + "Sheafpad.ini";

    // No file yet: the first close makes it there, as the user's own.
    EXPECT_EQ(SettingsFileFor(shared), beside);
    WriteFile(beside, "[Initial]\r\n");
    EXPECT_EQ(SettingsFileFor(shared), beside);
    // The user's own file made read-only (root included): not written at
    // every close with a failure, so not used.
    ASSERT_EQ(::chmod(beside.c_str(), 0444), 0);
    EXPECT_EQ(SettingsFileFor(shared), configFile);
    ASSERT_EQ(::chmod(beside.c_str(), 0644), 0);
    // Not a file: a folder or a dangling link of that name.
    ASSERT_EQ(std::remove(beside.c_str()), 0);
    ASSERT_EQ(::symlink("gone.ini", beside.c_str()), 0);
    EXPECT_EQ(SettingsFileFor(shared), configFile);
    ASSERT_EQ(std::remove(beside.c_str()), 0);
    ASSERT_EQ(platform::MakeDirectories(beside, 0755), 0);
    EXPECT_EQ(SettingsFileFor(shared), configFile);
    ASSERT_EQ(::rmdir(beside.c_str()), 0);

    // Another account's file, writable by everyone: still theirs.
    WriteFile(beside, "[Initial]\r\nDir=/root\r\n");
    ASSERT_EQ(::chmod(beside.c_str(), 0666), 0);
    const bool chowned = ::chown(beside.c_str(), ::geteuid() + 1, ::getegid()) == 0;
    if (chowned) {
        EXPECT_EQ(SettingsFileFor(shared), configFile);
    }
    old != nullptr ? ::setenv("XDG_CONFIG_HOME", restore.c_str(), 1)
                   : ::unsetenv("XDG_CONFIG_HOME");
    if (!chowned) {
        GTEST_SKIP() << "only root can give a file to another account";
    }
}

} // namespace
} // namespace sheafpad::settings
