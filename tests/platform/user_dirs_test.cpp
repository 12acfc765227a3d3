// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/user_dirs.h"

#include "test_util.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

namespace sheafpad::platform {
namespace {

// Sets an environment variable for one test and puts it back after.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(UserDirs, XdgVariablesWinOnlyWhenAbsoluteElseHomeFallbacks) {
    ScopedEnv home("HOME", "/home/ann");
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/cfg/");
        ScopedEnv state("XDG_STATE_HOME", "/st");
        EXPECT_EQ(UserConfigDir(), "/cfg/Sheafpad/");
        EXPECT_EQ(UserStateDir(), "/st/Sheafpad/");
    }
    ScopedEnv config("XDG_CONFIG_HOME", "relative/cfg");
    ScopedEnv state("XDG_STATE_HOME", nullptr);
    EXPECT_EQ(UserConfigDir(), "/home/ann/.config/Sheafpad/");
    EXPECT_EQ(UserStateDir(), "/home/ann/.local/state/Sheafpad/");
}

TEST(UserDirs, MakeDirectoriesCreatesParentsWithModeAndFailsOnAFile) {
    test::TempDir dir;
    const std::string deep = dir.path() + "/a/b/c/";
    ASSERT_EQ(MakeDirectories(deep, 0700), 0);
    struct stat info {};
    ASSERT_EQ(::stat(deep.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(MakeDirectories(deep, 0700), 0); // existing: fine
    test::WriteFile(dir.file("f"), "x");
    EXPECT_EQ(MakeDirectories(dir.file("f") + "/sub", 0700), ENOTDIR);
}

} // namespace
} // namespace sheafpad::platform
