#include "platform/process.h"

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

bool detail::RunStartDetachedHook(const std::string& program,
                                  const std::vector<std::string>& args) {
    if (!Hook()) {
        return false;
    }
    Hook()(program, args);
    return true;
}

bool StartDetached(const std::string& program, const std::vector<std::string>& args) {
    if (detail::RunStartDetachedHook(program, args)) {
        return true;
    }
    // Everything the children need is prepared before fork: after it only
    // async-signal-safe calls are allowed.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);

    // Fork twice: the middle child exits at once and is reaped here, so the
    // program is adopted by init and never becomes our zombie.
    const pid_t middle = ::fork();
    if (middle < 0) {
        return false;
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
            ::_exit(127);
        }
        ::_exit(grandchild < 0 ? 1 : 0);
    }
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace sheafpad::platform
