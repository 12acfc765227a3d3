// SPDX-License-Identifier: GPL-3.0-or-later
// Starting a program without waiting: the argument arrives whole, nothing is
// run through a shell, and no child is left behind to reap.
#include "platform/process.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <thread>

namespace sheafpad::platform {
namespace {

std::string ReadIfThere(const std::string& path) {
    return test::FileExists(path) ? test::ReadFile(path) : std::string();
}

TEST(StartDetached, PassesTheArgumentWholeAndLeavesNoChild) {
    test::TempDir dir;
    const std::string out = dir.file("out");
    const std::string arg = "a b \"c\" 'd' $(touch " + dir.file("injected") + ") ; *\n-e";
    // sh only copies its argument into the file: the argument itself never
    // meets a shell's parser.
    ASSERT_TRUE(StartDetached("sh", {"-c", "printf %s \"$1\" > \"$2\"", "sh", arg, out}));
    for (int i = 0; i < 200 && ReadIfThere(out) != arg; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(ReadIfThere(out), arg);
    EXPECT_FALSE(test::FileExists(dir.file("injected")));
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

// The descriptors above stderr that a process has open, as "3 4 ... " text.
std::set<int> OpenAboveStderr(const std::string& listing) {
    std::set<int> fds;
    std::istringstream in(listing);
    for (int fd = 0; in >> fd;) {
        if (fd > 2) {
            fds.insert(fd);
        }
    }
    return fds;
}

TEST(StartDetached, TheProgramGetsNullAsStdinAndNoDescriptorOfItsOwnMaking) {
    test::TempDir dir;
    const std::string out = dir.file("out");
    // Writes where stdin leads, then the program's open descriptors.
    const std::string script = "exec >\"$1.part\"; readlink /proc/$$/fd/0; ls /proc/$$/fd; "
                               "mv \"$1.part\" \"$1\"";
    ASSERT_TRUE(StartDetached("sh", {"-c", script, "sh", out}));
    for (int i = 0; i < 200 && !test::FileExists(out); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const std::string listed = ReadIfThere(out);
    ASSERT_EQ(listed.substr(0, 10), "/dev/null\n");
    // Whatever the program has beyond stderr it inherited from this process.
    std::string ours;
    for (int fd = 3; fd < 1024; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0) {
            ours += std::to_string(fd) + " ";
        }
    }
    const std::set<int> inherited = OpenAboveStderr(ours);
    for (const int fd : OpenAboveStderr(listed.substr(10))) {
        EXPECT_TRUE(inherited.count(fd) != 0) << "descriptor " << fd << " in " << listed;
    }
}

TEST(StartDetached, AProgramThatCannotRunIsReportedWithTheReason) {
    test::TempDir dir;
    test::WriteFile(dir.file("plain"), "not a program");
    std::string reason;
    EXPECT_FALSE(StartDetached("/nonexistent/editor", {"/tmp/x"}, &reason));
    EXPECT_EQ(reason, "No such file or directory");
    EXPECT_FALSE(StartDetached(dir.file("plain"), {}, &reason));
    EXPECT_EQ(reason, "Permission denied");
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1) << "no child left";
}

TEST(StartDetached, HookSeesTheCommandStartsNothingAndMayStandForAFailure) {
    std::vector<std::string> seen;
    std::string answer;
    SetStartDetachedHook([&](const std::string& program, const std::vector<std::string>& args) {
        seen.push_back(program);
        seen.insert(seen.end(), args.begin(), args.end());
        return answer;
    });
    std::string reason = "?";
    EXPECT_TRUE(StartDetached("/nonexistent/editor", {"a b"}, &reason));
    EXPECT_EQ(reason, "");
    answer = "Broken";
    EXPECT_FALSE(StartDetached("x", {}, &reason));
    EXPECT_EQ(reason, "Broken");
    SetStartDetachedHook(nullptr);
    EXPECT_EQ(seen, (std::vector<std::string>{"/nonexistent/editor", "a b", "x"}));
}

} // namespace
} // namespace sheafpad::platform
