// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_io.h"

#include "base/errors.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <dirent.h>
#include <functional>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using sheafpad::platform::AbsolutePath;
using sheafpad::platform::LockedDirectories;
using sheafpad::platform::ReadFileBytes;
using sheafpad::platform::ReadFileStart;
using sheafpad::platform::WriteFileBytes;
using sheafpad::test::FileExists;
using sheafpad::test::ReadFile;
using sheafpad::test::TempDir;
using sheafpad::test::WriteFile;

namespace {

struct stat Stat(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

// Runs action and expects it to throw E with exactly message.
template <typename E>
void ExpectError(const std::function<void()>& action, const std::string& message) {
    try {
        action();
        ADD_FAILURE() << "no error; expected: " << message;
    } catch (const E& error) {
        EXPECT_EQ(std::string(error.what()), message);
    } catch (const std::exception& error) {
        ADD_FAILURE() << "wrong error type: " << error.what();
    }
}

bool IsRoot() {
    return ::geteuid() == 0;
}

// Runs in dir as the working directory, then returns to the previous one.
class ScopedCwd {
public:
    explicit ScopedCwd(const std::string& dir) : old_(AbsolutePath("")) {
        EXPECT_EQ(::chdir(dir.c_str()), 0);
    }
    ~ScopedCwd() { (void)::chdir(old_.c_str()); }

private:
    std::string old_;
};

// Makes every write beyond limit bytes fail (EFBIG), as a full disk would.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t limit) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = old_;
        lowered.rlim_cur = limit;
        EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &lowered), 0);
    }
    ~ScopedFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

std::string RandomBytes(size_t size) {
    std::mt19937 random(7);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = char(random());
    }
    return bytes;
}

TEST(AbsolutePath, RelativePathsJoinTheWorkingDirectory) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    EXPECT_EQ(AbsolutePath("a.txt"), dir.path() + "/a.txt");
    EXPECT_EQ(AbsolutePath("sub/../a.txt"), dir.path() + "/sub/../a.txt"); // not normalised
    EXPECT_EQ(AbsolutePath("/x/y"), "/x/y");
}

TEST(ReadFileBytes, ReadsEveryByte) {
    TempDir dir;
    const std::string big = RandomBytes(3 * 1024 * 1024 + 17);
    WriteFile(dir.file("big"), big);
    EXPECT_EQ(ReadFileBytes(dir.file("big")), big);
    WriteFile(dir.file("empty"), "");
    EXPECT_EQ(ReadFileBytes(dir.file("empty")), "");
}

TEST(ReadFileBytes, FailuresNameTheAbsolutePathAndTheReason) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    ExpectError<sheafpad::EFOpenError>([] { ReadFileBytes("missing.txt"); },
                                       "Cannot open file \"" + dir.path() +
                                           "/missing.txt\". No such file or directory");
    ASSERT_EQ(::mkdir(dir.file("sub").c_str(), 0755), 0);
    ExpectError<sheafpad::EFOpenError>([&] { ReadFileBytes(dir.file("sub")); },
                                       "Cannot open file \"" + dir.file("sub") +
                                           "\". Is a directory");
    // A FIFO must neither hang the program nor be taken for a file.
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0644), 0);
    ExpectError<sheafpad::EFOpenError>([&] { ReadFileBytes(dir.file("fifo")); },
                                       "Cannot open file \"" + dir.file("fifo") +
                                           "\". Not a regular file");
    ExpectError<sheafpad::EFOpenError>([] { ReadFileBytes("/dev/null"); },
                                       "Cannot open file \"/dev/null\". Not a regular file");
}

TEST(ReadFileBytes, FilesLargerThanTheySayAreReadToTheEnd) {
    // Files of the proc file system report size 0 but have content.
    const std::string version = ReadFileBytes("/proc/version");
    EXPECT_GT(version.size(), 10u);
    EXPECT_EQ(version.back(), '\n');
}

TEST(ReadFileBytes, ReadErrorPartWayFails) {
    // A regular file whose first read fails (nothing is mapped at address 0).
    ExpectError<sheafpad::EFOpenError>([] { ReadFileBytes("/proc/self/mem"); },
                                       "Cannot open file \"/proc/self/mem\". Input/output error");
}

TEST(ReadFileBytes, UnreadableFileFails) {
    if (IsRoot()) {
        GTEST_SKIP() << "root reads any file";
    }
    TempDir dir;
    WriteFile(dir.file("secret"), "x");
    ::chmod(dir.file("secret").c_str(), 0);
    ExpectError<sheafpad::EFOpenError>([&] { ReadFileBytes(dir.file("secret")); },
                                       "Cannot open file \"" + dir.file("secret") +
                                           "\". Permission denied");
}

TEST(ReadFileStart, ReadsUpToTheLimitAndTellsAMissingFile) {
    TempDir dir;
    const std::string big = RandomBytes(200 * 1024 + 5);
    WriteFile(dir.file("big"), big);
    EXPECT_EQ(ReadFileStart(dir.file("big"), 10), big.substr(0, 10));
    EXPECT_EQ(ReadFileStart(dir.file("big"), big.size()), big);
    EXPECT_EQ(ReadFileStart(dir.file("big"), big.size() + 1), big);
    EXPECT_EQ(ReadFileStart(dir.file("big"), 0), "");
    // A file that reports size 0 is still read, up to the limit.
    EXPECT_EQ(ReadFileStart("/proc/version", 5), ReadFileBytes("/proc/version").substr(0, 5));

    EXPECT_EQ(ReadFileStart(dir.file("missing"), 10), std::nullopt);
    ASSERT_EQ(::symlink("nowhere", dir.file("dangling").c_str()), 0);
    EXPECT_EQ(ReadFileStart(dir.file("dangling"), 10), std::nullopt);
    // Anything else that is not a readable regular file fails as a whole read does.
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0644), 0);
    ExpectError<sheafpad::EFOpenError>([&] { ReadFileStart(dir.file("fifo"), 10); },
                                       "Cannot open file \"" + dir.file("fifo") +
                                           "\". Not a regular file");
    ExpectError<sheafpad::EFOpenError>([&] { ReadFileStart(dir.file("big/x"), 10); },
                                       "Cannot open file \"" + dir.file("big/x") +
                                           "\". Not a directory");
}

TEST(FileReader, ReadsThePiecesInOrderAndFailsAsAWholeReadDoes) {
    TempDir dir;
    const std::string big = RandomBytes(100 * 1024 + 7);
    WriteFile(dir.file("big"), big);
    sheafpad::platform::FileReader reader(dir.file("big"));
    std::string got;
    char piece[4096];
    while (const size_t count = reader.Read(piece, sizeof piece)) {
        got.append(piece, count);
    }
    EXPECT_EQ(got, big);
    EXPECT_EQ(reader.Read(piece, sizeof piece), 0u);

    // A missing file is an error here, not an empty result.
    ScopedCwd cwd(dir.path());
    ExpectError<sheafpad::EFOpenError>([] { sheafpad::platform::FileReader("missing"); },
                                       "Cannot open file \"" + dir.path() +
                                           "/missing\". No such file or directory");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0644), 0);
    ExpectError<sheafpad::EFOpenError>([&] { sheafpad::platform::FileReader(dir.file("fifo")); },
                                       "Cannot open file \"" + dir.file("fifo") +
                                           "\". Not a regular file");
    sheafpad::platform::FileReader mem("/proc/self/mem");
    ExpectError<sheafpad::EFOpenError>([&] { mem.Read(piece, sizeof piece); },
                                       "Cannot open file \"/proc/self/mem\". Input/output error");
}

// Saves bytes to path; the save must tell what it left, to the status-change
// time (which a rename sets too) and the links of the name.
void SaveTellingWhatItLeft(const std::string& path, std::string_view bytes) {
    using namespace sheafpad::platform;
    const FileIdentity written = WriteFileBytes(path, bytes);
    const FileIdentity now = FileIdentityOf(path);
    EXPECT_EQ(CompareIdentity(written, now), FileChange::None);
    EXPECT_NE(written.ctimeNs, 0);
    EXPECT_NE(written.contentHash, 0u);
}

TEST(WriteFileBytes, ReplacesTheFileKeepingModeOwnerAndGroup) {
    TempDir dir;
    const std::string path = dir.file("page.html");
    WriteFile(path, "old content that is longer than the new one");
    ASSERT_EQ(::chmod(path.c_str(), 0750), 0);
    if (IsRoot()) {
        ASSERT_EQ(::chown(path.c_str(), 1234, 5678), 0);
    }
    const struct stat before = Stat(path);
    // The save tells what it left: the new file, renamed into place.
    SaveTellingWhatItLeft(path, "new\r\n");
    EXPECT_EQ(ReadFile(path), "new\r\n");
    const struct stat after = Stat(path);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    // A new file took the old one's place (the content was never half written).
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(sheafpad::test::DirNames(dir.path()), std::vector<std::string>{"page.html"});

    WriteFileBytes(path, "");
    EXPECT_EQ(ReadFile(path), "");
}

// Saves made while folder flushes are put off land whole; the put-off
// flushes belong to the thread that put them off, and end with it.
TEST(WriteFileBytes, FolderFlushesPutOffStayOnTheirThread) {
    using sheafpad::platform::FolderFlushes;
    TempDir dir;
    EXPECT_FALSE(FolderFlushes::PutOff(dir.path())) << "none lives: the caller flushes";
    {
        const FolderFlushes outer;
        {
            const FolderFlushes inner;
            WriteFileBytes(dir.file("a.html"), "a");
        }
        EXPECT_TRUE(FolderFlushes::PutOff(dir.path())) << "the outer one again";
        bool elsewhere = true;
        std::thread([&] { elsewhere = FolderFlushes::PutOff(dir.path()); }).join();
        EXPECT_FALSE(elsewhere);
        WriteFileBytes(dir.file("a.html"), "new a");
        WriteFileBytes(dir.file("b.html"), "b");
    }
    EXPECT_FALSE(FolderFlushes::PutOff(dir.path()));
    EXPECT_EQ(ReadFile(dir.file("a.html")), "new a");
    EXPECT_EQ(ReadFile(dir.file("b.html")), "b");
    EXPECT_EQ(sheafpad::test::DirNames(dir.path()), (std::vector<std::string>{"a.html", "b.html"}));
}

TEST(WriteFileBytes, NewFileGetsTheUsualMode) {
    TempDir dir;
    const mode_t oldMask = ::umask(027);
    WriteFileBytes(dir.file("new.txt"), "hello");
    ::umask(oldMask);
    EXPECT_EQ(ReadFile(dir.file("new.txt")), "hello");
    EXPECT_EQ(Stat(dir.file("new.txt")).st_mode & 07777, 0640u);
    EXPECT_EQ(sheafpad::test::DirNames(dir.path()), std::vector<std::string>{"new.txt"});
}

TEST(WriteFileBytes, LongNamesStillGetATemporaryFile) {
    TempDir dir;
    const std::string path = dir.file(std::string(250, 'n'));
    WriteFile(path, "a");
    WriteFileBytes(path, "b");
    EXPECT_EQ(ReadFile(path), "b");
    EXPECT_EQ(sheafpad::test::DirNames(dir.path()).size(), 1u);
}

TEST(WriteFileBytes, ReadOnlyFileIsRefusedForEveryUser) {
    TempDir dir;
    const std::string path = dir.file("locked.txt");
    WriteFile(path, "keep me");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    ExpectError<sheafpad::EFCreateError>([&] { WriteFileBytes(path, "lost"); },
                                         "Cannot create file \"" + path + "\". Permission denied");
    EXPECT_EQ(ReadFile(path), "keep me");
    EXPECT_EQ(Stat(path).st_mode & 07777, 0444u);
    EXPECT_EQ(sheafpad::test::DirNames(dir.path()), std::vector<std::string>{"locked.txt"});
}

TEST(WriteFileBytes, MissingDirectoryOrADirectoryFails) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    ExpectError<sheafpad::EFCreateError>([] { WriteFileBytes("nodir/x.txt", "x"); },
                                         "Cannot create file \"" + dir.path() +
                                             "/nodir/x.txt\". No such file or directory");
    ASSERT_EQ(::mkdir(dir.file("sub").c_str(), 0755), 0);
    ExpectError<sheafpad::EFCreateError>([&] { WriteFileBytes(dir.file("sub"), "x"); },
                                         "Cannot create file \"" + dir.file("sub") +
                                             "\". Is a directory");
    EXPECT_EQ(sheafpad::test::DirNames(dir.path()), std::vector<std::string>{"sub"});
    EXPECT_TRUE(sheafpad::test::DirNames(dir.file("sub")).empty());
}

TEST(WriteFileBytes, FullDeviceFailsAndStaysADevice) {
    if (::access("/dev/full", W_OK) != 0) {
        GTEST_SKIP() << "/dev/full is not writable here";
    }
    TempDir dir;
    ASSERT_EQ(::symlink("/dev/full", dir.file("link").c_str()), 0);
    for (const std::string& path : {std::string("/dev/full"), dir.file("link")}) {
        ExpectError<sheafpad::EOutOfResources>([&] { WriteFileBytes(path, "text\r\n"); },
                                               "Cannot save file \"" + path +
                                                   "\". No space left on device");
    }
    EXPECT_TRUE(S_ISCHR(Stat("/dev/full").st_mode));
    EXPECT_TRUE(S_ISLNK(Stat(dir.file("link")).st_mode));
    EXPECT_EQ(sheafpad::test::DirNames(dir.path()), std::vector<std::string>{"link"});
}

TEST(WriteFileBytes, FailedWriteLeavesTheOriginalAndNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir.file("page.html");
    WriteFile(path, "original");
    const std::string big(1024 * 1024, 'x');
    {
        ScopedFileSizeLimit limit(64 * 1024);
        ExpectError<sheafpad::EOutOfResources>([&] { WriteFileBytes(path, big); },
                                               "Cannot save file \"" + path + "\". File too large");
        ExpectError<sheafpad::EOutOfResources>([&] { WriteFileBytes(dir.file("new"), big); },
                                               "Cannot save file \"" + dir.file("new") +
                                                   "\". File too large");
    }
    EXPECT_EQ(ReadFile(path), "original");
    EXPECT_EQ(sheafpad::test::DirNames(dir.path()), std::vector<std::string>{"page.html"});
}

TEST(WriteFileBytes, SymbolicLinkIsFollowedAndStaysALink) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.file("sub").c_str(), 0755), 0);
    WriteFile(dir.file("real.txt"), "old");
    ASSERT_EQ(::symlink("../real.txt", dir.file("sub/link").c_str()), 0);
    ASSERT_EQ(::symlink("sub/link", dir.file("link2").c_str()), 0); // a chain of two
    SaveTellingWhatItLeft(dir.file("link2"), "new");
    EXPECT_EQ(ReadFile(dir.file("real.txt")), "new");
    EXPECT_TRUE(S_ISLNK(Stat(dir.file("sub/link")).st_mode));
    EXPECT_TRUE(S_ISLNK(Stat(dir.file("link2")).st_mode));
    EXPECT_EQ(sheafpad::test::DirNames(dir.path()),
              (std::vector<std::string>{"link2", "real.txt", "sub"}));
    EXPECT_EQ(sheafpad::test::DirNames(dir.file("sub")), std::vector<std::string>{"link"});

    // A link to a file not there yet creates that file.
    ASSERT_EQ(::symlink("later.txt", dir.file("dangling").c_str()), 0);
    WriteFileBytes(dir.file("dangling"), "made");
    EXPECT_EQ(ReadFile(dir.file("later.txt")), "made");
    EXPECT_TRUE(S_ISLNK(Stat(dir.file("dangling")).st_mode));
}

TEST(WriteFileBytes, HardLinkedFileIsWrittenInPlace) {
    TempDir dir;
    WriteFile(dir.file("a"), "old content, longer");
    ASSERT_EQ(::link(dir.file("a").c_str(), dir.file("b").c_str()), 0);
    const ino_t inode = Stat(dir.file("a")).st_ino;
    SaveTellingWhatItLeft(dir.file("a"), "new");
    EXPECT_EQ(ReadFile(dir.file("a")), "new");
    EXPECT_EQ(ReadFile(dir.file("b")), "new");
    EXPECT_EQ(Stat(dir.file("a")).st_ino, inode);
    EXPECT_EQ(Stat(dir.file("a")).st_nlink, 2u);
    EXPECT_EQ(sheafpad::test::DirNames(dir.path()), (std::vector<std::string>{"a", "b"}));
}

TEST(WriteFileBytes, FileInAReadOnlyDirectoryIsWrittenInPlace) {
    if (IsRoot()) {
        GTEST_SKIP() << "root may write any directory";
    }
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.file("ro").c_str(), 0755), 0);
    WriteFile(dir.file("ro/f"), "old");
    ASSERT_EQ(::chmod(dir.file("ro").c_str(), 0555), 0);
    WriteFileBytes(dir.file("ro/f"), "new");
    EXPECT_EQ(ReadFile(dir.file("ro/f")), "new");
    ExpectError<sheafpad::EFCreateError>([&] { WriteFileBytes(dir.file("ro/g"), "x"); },
                                         "Cannot create file \"" + dir.file("ro/g") +
                                             "\". Permission denied");
    ASSERT_EQ(::chmod(dir.file("ro").c_str(), 0755), 0);
}

TEST(WriteFileBytes, LockedDirectoryCanBeReadOnlyForEveryUser) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.file("ro").c_str(), 0755), 0);
    WriteFile(dir.file("ro/f"), "old content");
    const ino_t inode = Stat(dir.file("ro/f")).st_ino;
    ASSERT_EQ(::chmod(dir.file("ro").c_str(), 0555), 0);
    WriteFileBytes(dir.file("ro/f"), "new", LockedDirectories::ReadOnly);
    EXPECT_EQ(ReadFile(dir.file("ro/f")), "new");
    EXPECT_EQ(Stat(dir.file("ro/f")).st_ino, inode) << "written in place";
    ExpectError<sheafpad::EFCreateError>(
        [&] { WriteFileBytes(dir.file("ro/g"), "x", LockedDirectories::ReadOnly); },
        "Cannot create file \"" + dir.file("ro/g") + "\". Permission denied");
    EXPECT_EQ(sheafpad::test::DirNames(dir.file("ro")), std::vector<std::string>{"f"});
    ASSERT_EQ(::chmod(dir.file("ro").c_str(), 0755), 0);
}

} // namespace
