// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/working_dir.h"

#include "test_util.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sheafpad::platform {
namespace {

// Puts the working directory back when a test ends.
struct KeepWorkingDir {
    std::string saved = WorkingDir();
    ~KeepWorkingDir() { SetWorkingDir(saved); }
};

TEST(WorkingDir, ChangesAndReadsBackWithoutTrailingSlash) {
    test::TempDir dir;
    KeepWorkingDir keep;
    ::mkdir(dir.file("sub").c_str(), 0755);
    ASSERT_EQ(SetWorkingDir(dir.path() + "/sub/"), 0);
    EXPECT_EQ(WorkingDir(), dir.path() + "/sub");
    ASSERT_EQ(SetWorkingDir("/"), 0);
    EXPECT_EQ(WorkingDir(), "/");
}

TEST(WorkingDir, FailureReportsTheReasonAndStaysPut) {
    test::TempDir dir;
    KeepWorkingDir keep;
    ASSERT_EQ(SetWorkingDir(dir.path()), 0);
    test::WriteFile(dir.file("file"), "x");
    EXPECT_EQ(SetWorkingDir(dir.file("missing")), ENOENT);
    EXPECT_EQ(SetWorkingDir(dir.file("file")), ENOTDIR);
    EXPECT_EQ(SetWorkingDir(""), ENOENT);
    EXPECT_EQ(WorkingDir(), dir.path());
}

TEST(WorkingDir, RemovedWorkingDirectoryReadsAsEmpty) {
    test::TempDir dir;
    KeepWorkingDir keep;
    ::mkdir(dir.file("gone").c_str(), 0755);
    ASSERT_EQ(SetWorkingDir(dir.file("gone")), 0);
    ::rmdir(dir.file("gone").c_str());
    EXPECT_EQ(WorkingDir(), "");
}

TEST(WorkingDir, DirectoryTestsFollowLinks) {
    test::TempDir dir;
    ::mkdir(dir.file("real").c_str(), 0755);
    test::WriteFile(dir.file("file"), "x");
    ASSERT_EQ(::symlink(dir.file("real").c_str(), dir.file("link").c_str()), 0);
    EXPECT_TRUE(IsDirectory(dir.file("real")));
    EXPECT_TRUE(IsDirectory(dir.file("real") + "/"));
    EXPECT_TRUE(IsDirectory(dir.file("link")));
    EXPECT_FALSE(IsDirectory(dir.file("file")));
    EXPECT_FALSE(IsDirectory(dir.file("missing")));
    EXPECT_FALSE(IsDirectory(""));
    EXPECT_TRUE(SameFile(dir.file("link"), dir.file("real")));
    EXPECT_FALSE(SameFile(dir.file("file"), dir.file("real")));
    EXPECT_FALSE(SameFile(dir.file("missing"), dir.file("missing")));
}

} // namespace
} // namespace sheafpad::platform
