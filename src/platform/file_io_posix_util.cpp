// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_io_posix_util.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <iterator>
#include <pthread.h>
#include <sys/random.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sheafpad::platform::posix {

Fd::~Fd() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

Fd& Fd::operator=(Fd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.Release();
    }
    return *this;
}

bool Fd::Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0 || errno == EINTR; // after EINTR the descriptor is gone on Linux
}

bool WriteAll(int fd, std::string_view bytes, void (*beforeEach)(int), int argument) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        if (beforeEach != nullptr) {
            beforeEach(argument);
        }
        const ssize_t written = ::write(fd, p, left);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = ENOSPC; // no progress: nothing more fits
            }
            return false;
        }
        p += written;
        left -= size_t(written);
    }
    return true;
}

ssize_t ReadAt(int fd, char* data, size_t size, off_t offset) {
    size_t filled = 0;
    while (filled < size) {
        const ssize_t got = ::pread(fd, data + filled, size - filled, offset + off_t(filled));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        filled += size_t(got);
    }
    return ssize_t(filled);
}

bool Sync(int fd) {
    return ::fsync(fd) == 0 || errno == EINVAL;
}

bool ClearNonBlock(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

PathParts SplitPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {std::string("."), path};
    }
    return {path.substr(0, slash == 0 ? 1 : slash), path.substr(slash + 1)};
}

std::optional<Room> RoomFor(int fd, uint64_t size) {
    struct statvfs vfs;
    if (::fstatvfs(fd, &vfs) != 0 || vfs.f_blocks == 0 || vfs.f_frsize == 0) {
        return std::nullopt;
    }
    // The blocks kept for the superuser are free for root only.
    const uint64_t blocks = ::geteuid() == 0 ? vfs.f_bfree : vfs.f_bavail;
    const uint64_t block = vfs.f_frsize;
    return Room{blocks * block, (size + block - 1) / block * block};
}

EOutOfResources SaveFailed(const std::string& shown, const std::string& reason) {
    return EOutOfResources("Cannot save file \"" + shown + "\". " + reason);
}

EOutOfResources SaveFailed(const std::string& shown, int error) {
    return SaveFailed(shown, SystemReason(error));
}

std::string RandomSuffix(size_t length) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string suffix(length, 'x');
    unsigned char random[32] = {};
    if (length > sizeof random || ::getrandom(random, length, 0) != ssize_t(length)) {
        // Without the system's randomness: the process and the time still
        // differ between tries.
        uint64_t seed = uint64_t(::getpid()) * 0x9E3779B97F4A7C15u ^ uint64_t(std::rand());
        for (size_t i = 0; i < std::min(length, sizeof random); ++i) {
            seed = seed * 6364136223846793005u + 1442695040888963407u;
            random[i] = (unsigned char)(seed >> 33);
        }
    }
    for (size_t i = 0; i < length; ++i) {
        suffix[i] = kLetters[random[i % sizeof random] % (sizeof kLetters - 1)];
    }
    return suffix;
}

NewFile::NewFile(const std::string& dir, const std::string& fallbackName) : dir_(dir) {
    fd_ = Fd(::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (fd_.get() >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) {
        return;
    }
    // The file system has no unnamed files (or the kernel predates them).
    std::string temp = dir + "/" + fallbackName + "XXXXXX";
    fd_ = Fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd_.get() >= 0) {
        named_ = temp;
    }
}

NewFile::~NewFile() {
    Discard();
}

void NewFile::Discard() {
    if (!named_.empty()) {
        ::unlink(named_.c_str());
        named_.clear();
    }
}

std::string NewFile::Name(const std::string& prefix) {
    const std::string start = dir_ + "/" + prefix;
    if (!named_.empty() && named_.compare(0, start.size(), start) == 0) {
        return named_; // the temporary name already has the form asked for
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = start + RandomSuffix(6);
        int result;
        if (named_.empty()) {
            // An unnamed file gets its name: without privileges through
            // /proc, with them (or on newer kernels) from the descriptor.
            result = ::linkat(fd_.get(), "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH);
            if (result != 0 && errno != EEXIST) {
                const std::string proc = "/proc/self/fd/" + std::to_string(fd_.get());
                result =
                    ::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW);
            }
        } else {
            // link() never replaces a name; the old name then goes.
            result = ::link(named_.c_str(), path.c_str());
            if (result == 0) {
                ::unlink(named_.c_str());
            }
        }
        if (result == 0) {
            named_ = path;
            return path;
        }
        if (errno != EEXIST) {
            return {};
        }
    }
    errno = EEXIST;
    return {};
}

int NewFile::Replace(const std::string& prefix, const std::string& target, bool* renameFailed) {
    *renameFailed = false;
    if (!named_.empty()) {
        if (::rename(named_.c_str(), target.c_str()) != 0) {
            *renameFailed = true;
            return errno;
        }
        named_.clear();
        return 0;
    }
    // Everything the child needs is made beforehand: between vfork and _exit
    // only system calls may run.
    std::string names[4];
    for (std::string& name : names) {
        name = dir_ + "/" + prefix + RandomSuffix(6);
    }
    const std::string proc = "/proc/self/fd/" + std::to_string(fd_.get());
    const int fd = fd_.get();
    volatile int error = 0;
    volatile bool atRename = false;
    sigset_t all, old;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, &old); // no handler may run in the child
    const pid_t child = ::vfork();
    if (child == 0) {
        int result = -1;
        size_t i = 0;
        for (; i < std::size(names); ++i) {
            // With privileges (or on newer kernels) from the descriptor, else
            // through /proc.
            result = ::linkat(fd, "", AT_FDCWD, names[i].c_str(), AT_EMPTY_PATH);
            if (result != 0 && errno != EEXIST) {
                result =
                    ::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, names[i].c_str(), AT_SYMLINK_FOLLOW);
            }
            if (result == 0 || errno != EEXIST) {
                break;
            }
        }
        if (result != 0) {
            error = errno;
            ::_exit(1);
        }
        if (::rename(names[i].c_str(), target.c_str()) != 0) {
            error = errno;
            atRename = true;
            ::unlink(names[i].c_str());
            ::_exit(1);
        }
        ::_exit(0);
    }
    const int forkError = errno;
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (child < 0) {
        return forkError;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    *renameFailed = atRename;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : (error != 0 ? error : EIO);
}

} // namespace sheafpad::platform::posix
