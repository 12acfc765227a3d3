// SPDX-License-Identifier: GPL-3.0-or-later
// Saving where the disk is full, files with extended attributes, and what
// start-up does with the backup of an interrupted in-place save.
#include "base/content_hash.h"
#include "base/errors.h"
#include "platform/file_io.h"
#include "platform/in_place_backup.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <optional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

using sheafpad::platform::InterruptedSave;
using sheafpad::platform::ReadFileBytes;
using sheafpad::platform::RestoreInterruptedSaves;
using sheafpad::platform::WriteFileBytes;
using sheafpad::test::ReadFile;
using sheafpad::test::TempDir;
using sheafpad::test::WriteFile;

namespace {

std::string BackupDir() {
    return std::string(std::getenv("XDG_STATE_HOME")) + "/Sheafpad/backup";
}

// An access list in the form the system keeps it: owner rw, user 1234 r,
// group r, mask r, others nothing.
std::string AccessList() {
    struct Entry {
        uint16_t tag, perm;
        uint32_t id;
    };
    const uint32_t version = 2;
    const Entry entries[] = {
        {0x01, 6, ~0u}, {0x02, 4, 1234}, {0x04, 4, ~0u}, {0x10, 4, ~0u}, {0x20, 0, ~0u}};
    std::string bytes(reinterpret_cast<const char*>(&version), 4);
    bytes.append(reinterpret_cast<const char*>(entries), sizeof entries);
    return bytes;
}

std::string Attribute(const std::string& path, const char* name) {
    char value[256];
    const ssize_t size = ::getxattr(path.c_str(), name, value, sizeof value);
    return size < 0 ? "(none)" : std::string(value, size_t(size));
}

TEST(WriteFileBytes, AccessListAndOtherAttributesComeOverToTheNewFile) {
    TempDir dir;
    const std::string path = dir.file("page.html");
    WriteFile(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const std::string acl = AccessList();
    if (::setxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0 ||
        ::setxattr(path.c_str(), "user.origin", "site", 4, 0) != 0) {
        GTEST_SKIP() << "no access lists or user attributes here: " << std::strerror(errno);
    }
    struct stat before {
    }, after{};
    ::stat(path.c_str(), &before);
    WriteFileBytes(path, "new");
    ::stat(path.c_str(), &after);
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_NE(after.st_ino, before.st_ino) << "replaced crash-safely, not written in place";
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(Attribute(path, "system.posix_acl_access"), acl);
    EXPECT_EQ(Attribute(path, "user.origin"), "site");
    EXPECT_EQ(sheafpad::test::JoinedDirNames(dir.path()), "page.html");
}

// Installs a system-call filter in this (child) process for good; exits with
// 3 where the system refuses it.
void InstallFilter(sock_filter* filter, size_t count) {
    sock_fprog program{static_cast<unsigned short>(count), filter};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
        ::_exit(3);
    }
}

// Makes fallocate fail as on file systems that do not have it.
void DisableFallocate() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fallocate, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EOPNOTSUPP & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    InstallFilter(filter, sizeof filter / sizeof filter[0]);
}

// Makes every open of an unnamed file fail as on file systems without them.
void DisableUnnamedFiles() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, 020000000 /* __O_TMPFILE */, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EOPNOTSUPP & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    InstallFilter(filter, sizeof filter / sizeof filter[0]);
}

// Makes every write of the file's content past its first 4 MB fail, as a
// disk that fails part-way (writes of a few bytes, the marks in the
// backup, go through).
void FailWritesPastFourMegabytes() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_pwrite64, 0, 5),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),
        BPF_JUMP(BPF_JMP | BPF_JGT | BPF_K, 64, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[3])),
        BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, 4 << 20, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EIO & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    InstallFilter(filter, sizeof filter / sizeof filter[0]);
}

// Runs setUp, then body, in a child process; returns body's report and the
// child's exit status (setUp's code when it fails).
std::pair<std::string, int> RunInChild(const std::function<int()>& setUp,
                                       const std::function<std::string()>& body) {
    int pipeFds[2];
    EXPECT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        if (const int code = setUp(); code != 0) {
            ::_exit(code);
        }
        const std::string report = body();
        (void)!::write(pipeFds[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string report;
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) {
        report.append(buffer, size_t(got));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return {report, status};
}

// Runs body in a child process and returns what it returned.
std::string InChild(const std::function<std::string()>& body) {
    const auto [report, status] = RunInChild([] { return 0; }, body);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    return report;
}

TEST(WriteFileBytes, WithoutUnnamedFilesATemporaryNameServesAndGoes) {
    TempDir dir;
    const std::string a = dir.file("a.html"), b = dir.file("b.html");
    WriteFile(a, "old a");
    ASSERT_EQ(::chmod(a.c_str(), 0604), 0);
    WriteFile(b, "old b");
    ASSERT_EQ(::link(b.c_str(), dir.file("c.html").c_str()), 0); // written in place
    const std::string report = InChild([&] {
        DisableUnnamedFiles();
        try {
            WriteFileBytes(a, "new a");
            WriteFileBytes(b, "new b");
            WriteFileBytes(dir.file("d.html"), "new d");
        } catch (const std::exception& error) {
            return std::string(error.what());
        }
        return std::string("saved");
    });
    EXPECT_EQ(report, "saved");
    EXPECT_EQ(ReadFile(a), "new a");
    EXPECT_EQ(ReadFile(dir.file("c.html")), "new b");
    EXPECT_EQ(ReadFile(dir.file("d.html")), "new d");
    struct stat st {};
    ::stat(a.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(sheafpad::test::JoinedDirNames(dir.path()), "a.html b.html c.html d.html");
    EXPECT_EQ(sheafpad::test::JoinedDirNames(BackupDir()), "");
}

// Runs body in a child process that has a 1 MB file system mounted at dir (in
// a mount namespace of its own, and a user namespace where this is not root).
// Returns what body returned, or nothing where no such mount can be made.
std::optional<std::string> OnSmallDisk(const std::string& dir,
                                       const std::function<std::string()>& body) {
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    const auto setUp = [&] {
        const auto map = [](const char* file, const std::string& line) {
            const int fd = ::open(file, O_WRONLY);
            return fd >= 0 && ::write(fd, line.data(), line.size()) == ssize_t(line.size()) &&
                   ::close(fd) == 0;
        };
        const bool ok = uid == 0
                            ? ::unshare(CLONE_NEWNS) == 0
                            : ::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0 &&
                                  map("/proc/self/setgroups", "deny") &&
                                  map("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
                                  map("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
        if (!ok || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("sheafpad-test", dir.c_str(), "tmpfs", 0, "size=1m") != 0) {
            return 2;
        }
        return 0;
    };
    const auto [report, status] = RunInChild(setUp, body);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 2) {
        return std::nullopt;
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    return report;
}

// Saves bytes to path and reports the error message (or "saved") and whether
// the file kept its old content.
std::string TrySave(const std::string& path, const std::string& bytes) {
    const std::string old = ReadFile(path);
    std::string report;
    try {
        WriteFileBytes(path, bytes);
        report = "saved";
    } catch (const std::exception& error) {
        report = error.what();
    }
    return report + (ReadFile(path) == old ? " | unchanged" : " | changed");
}

TEST(WriteFileBytes, FullDiskFailsBeforeTheFileIsTouched) {
    TempDir dir;
    const std::string a = dir.file("a.html"), b = dir.file("b.html");
    const auto report = OnSmallDisk(dir.path(), [&] {
        // Room to write over the file, but not for the copy beside it.
        WriteFile(a, std::string(600 << 10, 'o'));
        std::string report = TrySave(a, std::string(600 << 10, 'n')) + " | " +
                             sheafpad::test::JoinedDirNames(dir.path());
        ::unlink(a.c_str());
        // In place, where the file system cannot reserve the space.
        WriteFile(b, std::string(100 << 10, 'o'));
        ::link(b.c_str(), dir.file("c.html").c_str());
        DisableFallocate();
        return report + "\n" + TrySave(b, std::string(2 << 20, 'n')) + " | " +
               sheafpad::test::JoinedDirNames(dir.path());
    });
    if (!report) {
        GTEST_SKIP() << "no small file system can be mounted here";
    }
    EXPECT_EQ(*report, "Cannot save file \"" + a +
                           "\". No space left on device for a second copy; the file was left "
                           "unchanged | unchanged | a.html\n"
                           "Cannot save file \"" +
                           b + "\". No space left on device | unchanged | b.html c.html");
}

// In a run of saves, a file that fits alone is saved even where the copies
// made ahead of the next files took the room it needs.
TEST(SaveRun, FileThatFitsAloneIsSavedThoughCopiesMadeAheadFillTheDisk) {
    TempDir dir;
    const std::string a = dir.file("a.html"), b = dir.file("b.html"), c = dir.file("c.html");
    const std::string newA(600 << 10, 'a'), newB(450 << 10, 'b');
    const auto report = OnSmallDisk(dir.path(), [&] {
        WriteFile(a, "old a");
        ::link(a.c_str(), dir.file("a2.html").c_str()); // written in place
        WriteFile(b, "old b");
        WriteFile(c, "old c");
        sheafpad::platform::SaveRun run({{c, "new c"}, {a, newA}, {b, newB}});
        std::string report;
        for (size_t i = 0; i < 3; ++i) {
            try {
                run.Save(i);
                report += "saved | ";
            } catch (const std::exception& error) {
                report += error.what() + std::string(" | ");
            }
            if (i == 0 && !sheafpad::test::AwaitUnnamedFiles(dir.path(), 1, int64_t(newB.size()))) {
                return std::string("b's copy was not made ahead");
            }
        }
        return report + (ReadFile(a) == newA ? "a new" : "a old") +
               (ReadFile(b) == "old b" ? " b old | " : " b changed | ") +
               sheafpad::test::JoinedDirNames(dir.path());
    });
    if (!report) {
        GTEST_SKIP() << "no small file system can be mounted here";
    }
    EXPECT_EQ(*report, "saved | saved | Cannot save file \"" + b +
                           "\". No space left on device | a new b old | a.html a2.html b.html "
                           "c.html");
}

// A write that fails after its first piece is reported, and what it wrote
// is taken back at once over the old content.
TEST(WriteFileBytes, FailedWriteInPlaceIsReportedAndUndone) {
    TempDir dir;
    WriteFile(dir.file("a"), "original");
    ASSERT_EQ(::link(dir.file("a").c_str(), dir.file("b").c_str()), 0);
    const auto [report, status] = RunInChild(
        [] {
            FailWritesPastFourMegabytes();
            return 0;
        },
        [&] {
            std::string caught = "no error";
            try {
                WriteFileBytes(dir.file("a"), std::string(6 << 20, 'x'));
            } catch (const sheafpad::EOutOfResources& error) {
                caught = error.what();
            }
            return caught + " | " + ReadFile(dir.file("b"));
        });
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_EQ(report, "Cannot save file \"" + dir.file("a") + "\". Input/output error | original");
    EXPECT_TRUE(RestoreInterruptedSaves().empty()) << "no backup left";
}

// Starts an in-place save of bytes to path in a child and stops the child as
// soon as the backup of the old content is made. Returns the child, or -1
// where the save ended before it could be stopped.
pid_t StopAfterBackup(const std::string& path, const std::string& bytes) {
    const pid_t child = ::fork();
    if (child == 0) {
        WriteFileBytes(path, bytes);
        ::_exit(0);
    }
    for (int i = 0; i < 200000; ++i) {
        if (sheafpad::test::JoinedDirNames(BackupDir()).rfind("backup-", 0) == 0) {
            ::kill(child, SIGSTOP);
            if (sheafpad::test::JoinedDirNames(BackupDir()).rfind("backup-", 0) == 0) {
                return child;
            }
            break;
        }
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return -1;
}

// The mark of progress of the one backup in the folder: "N <k> <t>" or
// "O <k> <t>", the 44 bytes before the trailer's length line.
std::string MarkOfTheBackup() {
    for (const std::string& name : sheafpad::test::DirNames(BackupDir())) {
        if (name.rfind("backup-", 0) == 0) {
            const std::string bytes = ReadFile(BackupDir() + "/" + name);
            return bytes.size() < 65 ? "" : bytes.substr(bytes.size() - 65, 43);
        }
    }
    return {};
}

// An in-place save of fresh over old content to path, interrupted after its
// backup was made and before its first write (the save still runs
// meanwhile: start-up leaves its backup alone), then the file torn as a kill
// in that write leaves it.
void InterruptedSave(const std::string& path, const std::string& old, const std::string& fresh,
                     const std::string& torn) {
    const std::string first = "N " + std::string(20, '0') + " " + std::string(20, '0');
    for (int attempt = 0; attempt < 5; ++attempt) {
        WriteFile(path, old);
        const pid_t child = StopAfterBackup(path, fresh);
        if (child < 0) {
            continue;
        }
        EXPECT_TRUE(RestoreInterruptedSaves().empty());
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        if (MarkOfTheBackup() == first) {
            WriteFile(path, torn);
            return;
        }
        std::filesystem::remove_all(BackupDir()); // caught too late: once more
    }
    FAIL() << "the save was never caught after its backup and before its second write";
}

// An interrupted save is judged by the file's bytes alone: put back only
// where they are exactly what the save could have left (the new content's
// first bytes, as far as its last mark allows, then the old content's rest),
// whatever its times and mode say; anything else is left as it is, the
// message telling whether it is a half-written mix, and the copy of the
// old content stays through later starts.
TEST(RestoreInterruptedSaves, JudgesTheFileByItsBytesNotItsTimes) {
    TempDir dir;
    const std::string path = dir.file("a.html");
    ASSERT_EQ((WriteFile(path, ""), ::link(path.c_str(), dir.file("b.html").c_str())), 0);
    // The save is stopped before its first write ends: its mark allows the
    // new content's first piece (4 MB) at most.
    const std::string old = "old content\n", fresh(12 << 20, 'n'), torn = "nnn content\n";
    const timespec older[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    const struct Later {
        const char* what;
        std::function<void()> act;
        bool putBack;
        std::string leaves; // when not put back
        bool mixed;
    } later[] = {
        {"only the time", [&] { ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), older, 0), 0); },
         true, "", false},
        {"only the mode", [&] { ASSERT_EQ(::chmod(path.c_str(), 0600), 0); }, true, "", false},
        {"an append at once", [&] { sheafpad::test::AppendFile(path, "more\n"); }, false,
         torn + "more\n", true},
        {"a copy of the same size with an older time",
         [&] {
             WriteFile(path, "copied in!!\n");
             ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), older, 0), 0);
         },
         false, "copied in!!\n", false},
        {"more of the new content than the last mark allows",
         [&] { WriteFile(path, fresh.substr(0, 5 << 20)); }, false, fresh.substr(0, 5 << 20), true},
    };
    for (const Later& change : later) {
        SCOPED_TRACE(change.what);
        ASSERT_NO_FATAL_FAILURE(InterruptedSave(path, old, fresh, torn));
        ASSERT_NO_FATAL_FAILURE(change.act());
        const std::vector<sheafpad::platform::InterruptedSave> saves = RestoreInterruptedSaves();
        ASSERT_EQ(saves.size(), 1u);
        const sheafpad::platform::InterruptedSave& save = saves[0];
        if (change.putBack) {
            EXPECT_EQ(save.outcome, sheafpad::platform::InterruptedSave::Outcome::Undone);
            EXPECT_EQ(ReadFile(path), old);
            EXPECT_EQ(ReadFile(save.keptAt), torn);
            ::unlink(save.keptAt.c_str());
            EXPECT_EQ(sheafpad::test::JoinedDirNames(BackupDir()), "");
            continue;
        }
        EXPECT_EQ(save.outcome, sheafpad::platform::InterruptedSave::Outcome::Kept);
        EXPECT_EQ(save.mixed, change.mixed);
        EXPECT_EQ(ReadFile(path), change.leaves); // left as it is
        EXPECT_EQ(ReadFileBytes(save.keptAt), old);
        EXPECT_EQ(save.Message(),
                  "Saving \"" + path +
                      "\" was interrupted, and the file was changed after that, so it is left as "
                      "it is now" +
                      (change.mixed ? ": it is a half-written mix of the new content and the "
                                      "old, with changes made after the save"
                                    : "; it is not half written") +
                      ". Its content from before that save is kept in \"" + save.keptAt + "\"");
        // Later starts keep the copy while the file differs from it.
        EXPECT_TRUE(RestoreInterruptedSaves().empty());
        EXPECT_EQ(ReadFileBytes(save.keptAt), old);
        ::unlink(save.keptAt.c_str());
        EXPECT_EQ(sheafpad::test::JoinedDirNames(BackupDir()), "");
    }

    // Torn by the save alone: put back, in a start that then ends; what it
    // held instead stays beside the backups until the next start.
    ASSERT_NO_FATAL_FAILURE(InterruptedSave(path, old, fresh, torn));
    const pid_t start = ::fork();
    if (start == 0) {
        const auto saves = RestoreInterruptedSaves();
        ::_exit(saves.size() == 1 &&
                        saves[0].outcome == sheafpad::platform::InterruptedSave::Outcome::Undone &&
                        ReadFile(saves[0].keptAt) == torn &&
                        saves[0].Message() ==
                            "Saving \"" + path +
                                "\" was interrupted; the file's content from before that save "
                                "has been put back. What it held instead is kept in \"" +
                                saves[0].keptAt + "\" until the next start"
                    ? 0
                    : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(start, &status, 0), start);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(dir.file("b.html")), old);
    EXPECT_EQ(sheafpad::test::JoinedDirNames(BackupDir()).rfind("replaced-a.html.", 0), 0u);
    EXPECT_TRUE(RestoreInterruptedSaves().empty()) << "settled once";
    EXPECT_EQ(sheafpad::test::JoinedDirNames(BackupDir()), "") << "gone at the next start";
}

// A start that was itself cut short while it put the old content back: the
// next one recognises what the put-back leaves, at any point of it, by the
// mark it left, and finishes it; bytes that no put-back leaves stay alone.
TEST(RestoreInterruptedSaves, APutBackCutShortIsFinishedByTheNextStart) {
    using namespace sheafpad::platform::posix;
    TempDir dir;
    const std::string path = dir.file("a.html");
    std::string old(6 << 20, 'o'), fresh(9 << 20, 'n');
    old.replace(old.size() - 3, 3, "end");
    const uint64_t torn = 7 << 20; // the save wrote this much of the new content
    const std::string tornFile = Splice(fresh, old, torn);
    const struct {
        const char* what;
        uint64_t mark, putBack; // the put-back's mark, and how far it got
        bool finished;
    } cases[] = {
        {"in its first piece", 0, 1 << 20, true},
        {"right at its mark", 4 << 20, 4 << 20, true},
        {"past the old content's end, before the cut", 6 << 20, 6 << 20, true},
        {"further than its mark allows", 0, 5 << 20, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(path, Splice(old, tornFile, c.putBack));
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        BackupInfo info;
        info.dev = uint64_t(st.st_dev);
        info.ino = uint64_t(st.st_ino);
        info.oldSize = old.size();
        info.newSize = fresh.size();
        info.newHash = sheafpad::ContentHash(fresh);
        info.path = path;
        ASSERT_EQ(::mkdir(BackupDir().c_str(), 0700) == 0 || errno == EEXIST, true);
        const std::string backup = BackupDir() + "/backup-test";
        WriteFile(backup, old + fresh + BackupTrailer(&info));
        const int fd = ::open(backup.c_str(), O_RDWR);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(WriteBackupMark(fd, info, BackupMark{true, c.mark, torn}));
        ::close(fd);
        const auto saves = RestoreInterruptedSaves();
        ASSERT_EQ(saves.size(), 1u);
        if (c.finished) {
            EXPECT_EQ(saves[0].outcome, sheafpad::platform::InterruptedSave::Outcome::Undone);
            EXPECT_TRUE(ReadFile(path) == old) << "not put back";
        } else {
            EXPECT_EQ(saves[0].outcome, sheafpad::platform::InterruptedSave::Outcome::Kept);
            EXPECT_TRUE(ReadFile(path) == Splice(old, tornFile, c.putBack)) << "touched";
        }
        ::unlink(saves[0].keptAt.c_str());
        EXPECT_EQ(sheafpad::test::JoinedDirNames(BackupDir()), "");
    }
}

// Files named as backups that cannot be read as backups are set aside once.
TEST(RestoreInterruptedSaves, SetsAsideBackupsThatCannotBeRead) {
    TempDir dir;
    const std::string path = dir.file("a.html");
    ASSERT_EQ((WriteFile(path, ""), ::link(path.c_str(), dir.file("b.html").c_str())), 0);
    InterruptedSave(path, "old", std::string(32 << 20, 'n'), "torn");
    const std::string backup = BackupDir() + "/" + sheafpad::test::DirNames(BackupDir())[0];
    ASSERT_EQ(::truncate(backup.c_str(), off_t(ReadFile(backup).size() - 3)), 0); // a cut trailer
    WriteFile(BackupDir() + "/backup-empty", "");
    WriteFile(BackupDir() + "/backup-junk", "junk");
    ASSERT_EQ(::mkdir((BackupDir() + "/backup-dir").c_str(), 0700), 0);
    ASSERT_EQ(::mkfifo((BackupDir() + "/backup-fifo").c_str(), 0600), 0);
    std::vector<std::string> setAside;
    for (const auto& save : RestoreInterruptedSaves()) {
        EXPECT_EQ(save.outcome, sheafpad::platform::InterruptedSave::Outcome::Unreadable);
        EXPECT_EQ(save.Message(), "");
        setAside.push_back(save.keptAt.substr(BackupDir().size() + 1));
    }
    std::sort(setAside.begin(), setAside.end());
    const std::string cut = "unreadable-" + backup.substr(BackupDir().size() + 1);
    std::vector<std::string> expected = {"unreadable-backup-dir", "unreadable-backup-empty",
                                         "unreadable-backup-fifo", "unreadable-backup-junk", cut};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(setAside, expected);
    EXPECT_EQ(sheafpad::test::DirNames(BackupDir()), expected); // renamed, not deleted
    EXPECT_TRUE(RestoreInterruptedSaves().empty()) << "set aside once";
    EXPECT_EQ(ReadFile(path), "torn");
    for (const std::string& name : expected) {
        std::filesystem::remove_all(BackupDir() + "/" + name);
    }
}

} // namespace
