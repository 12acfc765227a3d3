// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up puts back a file that an interrupted in-place save left torn, and
// tells the user.
#include "app/form1.h"
#include "test_util.h"
#include "widgets/widget_hooks.h"

#include "platform/file_io.h"

#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace sheafpad::test {
namespace {

bool HasBackup(const std::string& dir) {
    bool found = false;
    if (DIR* handle = ::opendir(dir.c_str())) {
        while (const dirent* entry = ::readdir(handle)) {
            found = found || std::string(entry->d_name).rfind("backup-", 0) == 0;
        }
        ::closedir(handle);
    }
    return found;
}

// The mark of progress of the one backup in dir ("N <k> <t>"), the 44
// bytes before the trailer's last line.
std::string MarkOfTheBackup(const std::string& dir) {
    std::string mark;
    if (DIR* handle = ::opendir(dir.c_str())) {
        while (const dirent* entry = ::readdir(handle)) {
            if (std::string(entry->d_name).rfind("backup-", 0) == 0) {
                const std::string bytes = ReadFile(dir + "/" + entry->d_name);
                mark = bytes.size() < 65 ? "" : bytes.substr(bytes.size() - 65, 43);
            }
        }
        ::closedir(handle);
    }
    return mark;
}

// Kills a child in the middle of an in-place save of path, once its backup
// is made. False where the save ended first.
bool KillAfterBackup(const std::string& path, const std::string& backupDir) {
    const pid_t child = ::fork();
    if (child == 0) {
        platform::WriteFileBytes(path, std::string(32 << 20, 'n'));
        ::_exit(0);
    }
    for (int i = 0; i < 200000 && !HasBackup(backupDir); ++i) {
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return HasBackup(backupDir);
}

TEST(Startup, PutsBackAFileThatAnInterruptedSaveTore) {
    TempDir dir, state;
    ::setenv("XDG_STATE_HOME", state.path().c_str(), 1);
    const std::string path = dir.file("a.html");
    WriteFile(path, "old");
    ASSERT_EQ(::link(path.c_str(), dir.file("b.html").c_str()), 0); // saved in place
    bool killed = false;
    for (int attempt = 0; attempt < 5 && !killed; ++attempt) {
        WriteFile(path, "old");
        killed = KillAfterBackup(path, state.path() + "/Sheafpad/backup");
    }
    ASSERT_TRUE(killed) << "the save was never caught after its backup";
    const std::string backups = state.path() + "/Sheafpad/backup";
    // As a kill in the write leaves it: the new content (all "n") as far as
    // the save's last mark of progress and a little further.
    const std::string mark = MarkOfTheBackup(backups);
    ASSERT_EQ(mark.substr(0, 2), "N ") << mark;
    WriteFile(path, std::string(std::stoull(mark.substr(2, 20)) + 6, 'n'));
    WriteFile(backups + "/backup-cut", "cut sho");
    WriteFile(backups + "/backup-empty", "");

    ErrorCapture messages;
    TForm1 form;
    form.show();
    EXPECT_EQ(ReadFile(dir.file("b.html")), "old");
    // Put right: told as a note, not as an error.
    ASSERT_EQ(messages.informed.size(), 1u);
    ASSERT_EQ(messages.errors.size(), 1u);
    const std::string putBack = "Saving \"" + path +
                                "\" was interrupted; the file's content from before that save "
                                "has been put back. What it held instead is kept in \"" +
                                backups + "/replaced-a.html.";
    EXPECT_EQ(messages.informed[0].substr(0, putBack.size()), putBack) << messages.informed[0];
    EXPECT_EQ(messages.errors[0], "2 backup(s) of interrupted saves could not be read, and were "
                                  "set aside in \"" +
                                      backups + "\" under names that begin with \"unreadable-\"");
    ::unsetenv("XDG_STATE_HOME");
}

} // namespace
} // namespace sheafpad::test
