// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/process.h"

#include "base/errors.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sheafpad::platform {
namespace {

StartDetachedHook& Hook() {
    static StartDetachedHook hook;
    return hook;
}

} // namespace

void SetStartDetachedHook(StartDetachedHook hook) {
    Hook() = std::move(hook);
}

bool detail::RunStartDetachedHook(const std::string& program, const std::vector<std::string>& args,
                                  std::string* reason) {
    if (!Hook()) {
        return false;
    }
    std::string answer = Hook()(program, args);
    if (reason != nullptr) {
        *reason = std::move(answer);
    }
    return true;
}

bool StartDetached(const std::string& program, const std::vector<std::string>& args,
                   std::string* reason) {
    std::string hookReason;
    if (detail::RunStartDetachedHook(program, args, &hookReason)) {
        if (reason != nullptr) {
            *reason = hookReason;
        }
        return hookReason.empty();
    }
    auto fail = [reason](int errnum) {
        if (reason != nullptr) {
            *reason = SystemReason(errnum);
        }
        return false;
    };
    // Everything the children need is prepared before fork: after it only
    // async-signal-safe calls are allowed.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);

    // A failed exec sends its errno back through this pipe; a successful one
    // closes it (close-on-exec), and the read below sees its end.
    int execErrors[2];
    if (::pipe2(execErrors, O_CLOEXEC) != 0) {
        return fail(errno);
    }
    // Fork twice: the middle child exits at once and is reaped here, so the
    // program is adopted by init and never becomes our zombie.
    const pid_t middle = ::fork();
    if (middle < 0) {
        const int errnum = errno;
        ::close(execErrors[0]);
        ::close(execErrors[1]);
        return fail(errnum);
    }
    if (middle == 0) {
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            // Signals that this program blocks must not stay blocked there.
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            ::signal(SIGPIPE, SIG_DFL);
            // Only the copy on stdin goes over to the program.
            const int null = ::open("/dev/null", O_RDONLY);
            if (null > STDIN_FILENO) {
                ::dup2(null, STDIN_FILENO);
                ::close(null);
            }
            ::execvp(argv[0], argv.data());
            const int errnum = errno;
            (void)!::write(execErrors[1], &errnum, sizeof errnum);
            ::_exit(127);
        }
        const int errnum = errno;
        if (grandchild < 0) {
            (void)!::write(execErrors[1], &errnum, sizeof errnum);
        }
        ::_exit(grandchild < 0 ? 1 : 0);
    }
    ::close(execErrors[1]);
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    int errnum = 0;
    ssize_t got;
    while ((got = ::read(execErrors[0], &errnum, sizeof errnum)) < 0 && errno == EINTR) {
    }
    ::close(execErrors[0]);
    if (got == ssize_t(sizeof errnum)) {
        return fail(errnum);
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? true : fail(ECHILD);
}

} // namespace sheafpad::platform
