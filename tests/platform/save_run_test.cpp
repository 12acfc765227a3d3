// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/errors.h"
#include "platform/file_io.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using sheafpad::platform::SaveRun;
using sheafpad::test::AwaitUnnamedFiles;
using sheafpad::test::JoinedDirNames;
using sheafpad::test::ReadFile;
using sheafpad::test::TempDir;
using sheafpad::test::WriteFile;

namespace {

std::string Numbered(const char* text, int i) {
    return text + std::to_string(i) + std::string(4096, 'x');
}

} // namespace

TEST(SaveRun, EachFileIsTakenAsItIsInItsTurn) {
    TempDir dir;
    const std::string root = std::filesystem::canonical(dir.path()).string();
    std::vector<std::string> news;
    std::vector<SaveRun::File> files;
    for (int i = 0; i < 6; ++i) {
        const std::string path = root + "/f" + std::to_string(i);
        WriteFile(path, Numbered("old ", i));
        ::chmod(path.c_str(), 0644);
        news.push_back(Numbered("new ", i));
    }
    for (int i = 0; i < 6; ++i) {
        files.push_back(
            {i == 2 ? std::string() : root + "/f" + std::to_string(i), news[size_t(i)]});
    }
    WriteFile(root + "/elsewhere", "");
    {
        SaveRun run(files);
        run.Save(0);
        EXPECT_EQ(ReadFile(root + "/f0"), news[0]);
        ASSERT_TRUE(AwaitUnnamedFiles(root, 4, int64_t(news[1].size())))
            << "copies of f1, f3, f4 and f5 made ahead";
        EXPECT_EQ(JoinedDirNames(root), "elsewhere f0 f1 f2 f3 f4 f5");

        // Other programs change the files after their copies were made.
        ::chmod(files[3].path.c_str(), 0600);
        ::unlink(files[4].path.c_str());
        ASSERT_EQ(::symlink("elsewhere", files[4].path.c_str()), 0);
        ::chmod(files[5].path.c_str(), 0444);

        run.Save(3); // f1 and the empty slot are passed over
        struct stat st {};
        ASSERT_EQ(::stat(files[3].path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u) << "the mode of the file now, not of the copy's";
        EXPECT_EQ(ReadFile(files[3].path), news[3]);
        run.Save(4);
        EXPECT_EQ(ReadFile(root + "/elsewhere"), news[4]) << "saved through the new link";
        ASSERT_EQ(::lstat(files[4].path.c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode));
        EXPECT_THROW(run.Save(5), sheafpad::EFCreateError) << "read-only now";
    }
    EXPECT_EQ(ReadFile(files[1].path), Numbered("old ", 1));
    EXPECT_EQ(ReadFile(files[5].path), Numbered("old ", 5));
    EXPECT_TRUE(AwaitUnnamedFiles(root, 0, int64_t(news[1].size())));
    EXPECT_EQ(JoinedDirNames(root), "elsewhere f0 f1 f2 f3 f4 f5");
}

TEST(SaveRun, KilledMidRunEveryFileIsOldOrNewAndNoNameIsLeft) {
    TempDir dir;
    const int count = 150;
    std::vector<std::string> news;
    std::vector<SaveRun::File> files;
    for (int i = 0; i < count; ++i) {
        WriteFile(dir.file("p" + std::to_string(i)), Numbered("old ", i));
        news.push_back(Numbered("new ", i) + std::string(size_t(i) * 97, 'y'));
    }
    for (int i = 0; i < count; ++i) {
        files.push_back({dir.file("p" + std::to_string(i)), news[size_t(i)]});
    }
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        SaveRun run(files);
        for (int i = 0; i < count; ++i) {
            run.Save(size_t(i));
            if (i == 20) {
                (void)::write(ready[1], "s", 1); // killed from here on
            }
            if (i == count - 2) {
                ::pause(); // at the latest here, the last file's copy made ahead
            }
        }
        ::_exit(0);
    }
    ::close(ready[1]);
    char mark = 0;
    const bool started = ::read(ready[0], &mark, 1) == 1;
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(ready[0]);
    ASSERT_TRUE(started) << "the run failed before its 21st file";
    ASSERT_TRUE(WIFSIGNALED(status));
    int written = 0;
    for (int i = 0; i < count; ++i) {
        const std::string now = ReadFile(files[size_t(i)].path);
        EXPECT_TRUE(now == news[size_t(i)] || now == Numbered("old ", i)) << i;
        written += now == news[size_t(i)] ? 1 : 0;
    }
    EXPECT_GE(written, 21);
    EXPECT_LT(written, count);
    EXPECT_EQ(sheafpad::test::DirNames(dir.path()).size(), size_t(count)) << "a name was left";
}
