// SPDX-License-Identifier: GPL-3.0-or-later
// Saves killed part-way: a child process saves a large file and is killed at
// many points of the save. Whatever the moment, the file must afterwards be
// whole (old or new content), and nothing may be left with a name.
#include "platform/file_io.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <random>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using sheafpad::platform::InterruptedSave;
using sheafpad::platform::ReadFileBytes;
using sheafpad::platform::RestoreInterruptedSaves;
using sheafpad::platform::WriteFileBytes;
using sheafpad::test::TempDir;
using sheafpad::test::WriteFile;

namespace {

// The backups of in-place saves go to a scratch state folder, never to the
// user's own: for every test of this program.
const TempDir& StateHome() {
    static const TempDir dir;
    return dir;
}
const bool kStateHomeSet = (::setenv("XDG_STATE_HOME", StateHome().path().c_str(), 1), true);

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937_64 random(seed);
    std::string bytes(size, '\0');
    for (size_t i = 0; i + 8 <= size; i += 8) {
        const uint64_t word = random();
        std::memcpy(&bytes[i], &word, 8);
    }
    return bytes;
}

std::string BackupDir() {
    return StateHome().path() + "/Sheafpad/backup";
}

std::string FirstBytes(const std::string& path) {
    char start[16] = {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const ssize_t got = fd >= 0 ? ::pread(fd, start, sizeof start, 0) : 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return std::string(start, size_t(std::max<ssize_t>(got, 0)));
}

// Waits until the file at path is being written (its first bytes change), for
// at most about two seconds.
void AwaitWriting(const std::string& path, const std::string& before) {
    for (int i = 0; i < 400000 && FirstBytes(path) == before; ++i) {
    }
}

// Forks a child that saves bytes to path and kills it after delay (counted
// from when ready returns). Returns whether the kill landed inside the save
// (the child had started it and not returned from it).
bool SaveAndKill(const std::string& path, const std::string& bytes, std::chrono::microseconds delay,
                 const std::function<void()>& ready) {
    static const bool subreaper = ::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;
    EXPECT_TRUE(subreaper);
    int pipeFds[2];
    EXPECT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        (void)::write(pipeFds[1], "S", 1);
        try {
            WriteFileBytes(path, bytes);
        } catch (...) {
            ::_exit(2);
        }
        (void)::write(pipeFds[1], "D", 1);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    char mark = 0;
    EXPECT_EQ(::read(pipeFds[0], &mark, 1), 1);
    if (ready) {
        ready();
    }
    // Short delays are waited out awake: a sleep may last far longer.
    const auto end = std::chrono::steady_clock::now() + delay;
    if (delay > std::chrono::milliseconds(2)) {
        ::usleep(useconds_t(delay.count()));
    }
    while (std::chrono::steady_clock::now() < end) {
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    // A helper process that the save started finishes its step on its own:
    // wait for it too (it comes to this process, the subreaper).
    while (::wait(nullptr) > 0 || errno == EINTR) {
    }
    const bool done = ::read(pipeFds[0], &mark, 1) == 1;
    ::close(pipeFds[0]);
    EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << "the save failed";
    return !done;
}

// The quickest of a few saves: one slowed by a busy disk would send the
// kills past the end of most saves.
std::chrono::microseconds TimeOneSave(const std::string& path, const std::string& bytes) {
    auto quickest = std::chrono::microseconds::max();
    for (int i = 0; i < 3; ++i) {
        const auto start = std::chrono::steady_clock::now();
        WriteFileBytes(path, bytes);
        quickest = std::min(quickest, std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::steady_clock::now() - start));
    }
    return quickest;
}

struct KillCounts {
    int kills = 0;
    int midSave = 0;
    int torn = 0;      // neither old nor new content after the kill
    int leftovers = 0; // kills after which an extra name was in the folder
};

// Kills count saves of path at delays spread over two thirds of duration; the
// saves alternate between contents a and b. check runs after each kill.
template <typename Check>
KillCounts KillSaves(const std::string& path, const std::string& a, const std::string& b, int count,
                     std::chrono::microseconds duration, Check check) {
    WriteFileBytes(path, a);
    KillCounts counts;
    for (int i = 0; i < count; ++i) {
        const std::string& next = ReadFileBytes(path) == a ? b : a;
        counts.kills++;
        counts.midSave += SaveAndKill(path, next, duration * (i % 10) / 15, nullptr) ? 1 : 0;
        check(counts);
    }
    return counts;
}

TEST(SaveKilled, CrashSafeSaveLeavesTheOldOrNewFileAndNoName) {
    TempDir dir;
    const std::string path = dir.file("page.html");
    const std::string a = RandomBytes(8 << 20, 1), b = RandomBytes(6 << 20, 2);
    WriteFileBytes(path, a);
    const auto duration = TimeOneSave(path, b);
    const KillCounts counts = KillSaves(path, a, b, 50, duration, [&](KillCounts& counts) {
        const std::string now = ReadFileBytes(path);
        counts.torn += now != a && now != b ? 1 : 0;
        if (sheafpad::test::DirNames(dir.path()) != std::vector<std::string>{"page.html"}) {
            counts.leftovers++;
            for (const std::string& name : sheafpad::test::DirNames(dir.path())) {
                if (name != "page.html") {
                    struct stat st {};
                    ::stat(dir.file(name).c_str(), &st);
                    ADD_FAILURE() << "left behind: " << name << " (" << st.st_size << " bytes)";
                    ::unlink(dir.file(name).c_str());
                }
            }
        }
    });
    std::printf("crash-safe: %d kills, %d mid-save, %d torn, %d left a name\n", counts.kills,
                counts.midSave, counts.torn, counts.leftovers);
    EXPECT_GE(counts.midSave, counts.kills / 3) << "too few kills landed inside a save";
    EXPECT_EQ(counts.torn, 0);
    EXPECT_EQ(counts.leftovers, 0);
}

TEST(SaveKilled, InPlaceSaveIsUndoneOrFinishedAtTheNextStart) {
    TempDir dir;
    const std::string path = dir.file("a.html");
    // A short old content and a long new one: the backup is made quickly, and
    // the file is torn for as long as the new content takes to write.
    const std::string a = RandomBytes(1 << 20, 3), b = RandomBytes(32 << 20, 4);
    WriteFile(path, a);
    ASSERT_EQ(::link(path.c_str(), dir.file("b.html").c_str()), 0); // forces the in-place path
    KillCounts counts;
    int tornBeforeRestore = 0, undone = 0, finished = 0, appended = 0, appendKept = 0;
    // scripts/recovery_kills.sh counts over more (SHEAFPAD_KILLS).
    const char* killsText = std::getenv("SHEAFPAD_KILLS");
    const int kills = killsText != nullptr ? std::max(8, std::atoi(killsText)) : 20;
    for (int i = 0; i < kills; ++i) {
        if (ReadFileBytes(path) != a) {
            WriteFile(path, a); // the same file, old content again
        }
        // The kills aim at the write, from the first change of the content on.
        const std::string before = FirstBytes(path);
        const auto delay = std::chrono::microseconds(125 * (i % 8));
        counts.kills++;
        counts.midSave += SaveAndKill(path, b, delay, [&] { AwaitWriting(path, before); });
        std::string now = ReadFileBytes(path);
        tornBeforeRestore += now != a && now != b ? 1 : 0;
        if (i % 4 == 3 && now != a && now != b) {
            // Another program appends right after the kill: its work stays,
            // the file is told to be a mix, the old content kept aside.
            ++appended;
            sheafpad::test::AppendFile(path, "theirs");
            const auto saves = RestoreInterruptedSaves();
            const bool kept = saves.size() == 1 &&
                              saves[0].outcome == InterruptedSave::Outcome::Kept &&
                              saves[0].mixed && ReadFileBytes(path) == now + "theirs" &&
                              ReadFileBytes(saves[0].keptAt) == a;
            appendKept += kept ? 1 : 0;
            EXPECT_TRUE(kept) << i;
            for (const auto& save : saves) {
                ::unlink(save.keptAt.c_str());
            }
            WriteFile(path, a);
            continue;
        }
        for (const auto& save : RestoreInterruptedSaves()) {
            EXPECT_EQ(save.path, path);
            finished += save.outcome == InterruptedSave::Outcome::Finished ? 1 : 0;
            // A file that only the killed save wrote is recognised as such.
            EXPECT_NE(save.outcome, InterruptedSave::Outcome::Kept);
            if (save.outcome == InterruptedSave::Outcome::Undone) {
                ++undone;
                // What was put back over is kept (until the next start of
                // a program; this one removes it itself).
                EXPECT_EQ(ReadFileBytes(save.keptAt), now);
                ::unlink(save.keptAt.c_str());
            }
        }
        now = ReadFileBytes(path);
        counts.torn += now != a && now != b ? 1 : 0;
        counts.leftovers +=
            sheafpad::test::DirNames(dir.path()) != std::vector<std::string>{"a.html", "b.html"}
                ? 1
                : 0;
        struct stat st {};
        ::stat(path.c_str(), &st);
        EXPECT_EQ(st.st_nlink, 2u) << "the file kept its identity";
    }
    const auto backups = sheafpad::test::DirNames(BackupDir());
    std::printf("in-place: %d kills, %d mid-save, %d torn before the restore, %d after; "
                "%d undone, %d finished; %d of %d appended to after the kill kept as they "
                "were; %zu backups left\n",
                counts.kills, counts.midSave, tornBeforeRestore, counts.torn, undone, finished,
                appendKept, appended, backups.size());
    // A torn file shows a kill in the middle of the write itself.
    EXPECT_GE(tornBeforeRestore, counts.kills / 3) << "too few kills landed while writing";
    EXPECT_GE(appended, 1) << "no kill left a torn file to append to";
    EXPECT_GE(undone + finished, tornBeforeRestore - appended);
    EXPECT_EQ(counts.torn, 0);
    EXPECT_EQ(counts.leftovers, 0);
    EXPECT_TRUE(backups.empty());
}

} // namespace
