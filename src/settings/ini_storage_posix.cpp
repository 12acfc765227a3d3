#include "settings/ini_storage.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sheafpad::ini {
namespace {

// Closes the descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // Closes now, reporting whether the close succeeded (a late write error
    // can show up here).
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

// Reads up to limit bytes of fd into out. False on a read error.
bool ReadUpTo(int fd, size_t limit, std::string& out) {
    out.clear();
    char buffer[64 * 1024];
    while (out.size() < limit) {
        const size_t want = std::min(sizeof buffer, limit - out.size());
        const ssize_t got = ::read(fd, buffer, want);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            break;
        }
        out.append(buffer, size_t(got));
    }
    return true;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t done = ::write(fd, bytes.data(), bytes.size());
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            return false;
        }
        bytes.remove_prefix(size_t(done));
    }
    return true;
}

// Opens a regular file for reading without blocking on FIFOs or devices.
// Returns -1 (errno set) when it cannot; ENOENT means missing.
int OpenRegular(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteInPlace(const std::string& path, std::string_view bytes, bool create) {
    const int flags = O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (create ? O_CREAT : 0);
    Fd fd(::open(path.c_str(), flags, 0644));
    if (fd.get() < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    // Writing first and cutting afterwards: a failure part-way never leaves
    // less than the new content's length behind.
    if (!WriteAll(fd.get(), bytes) || ::ftruncate(fd.get(), off_t(bytes.size())) != 0 ||
        ::fsync(fd.get()) != 0) {
        return false;
    }
    return fd.Close();
}

// Outcome of the rename path: done, failed for good, or not possible here
// (the caller then writes in place).
enum class RenameResult { Done, Failed, NotPossible };

RenameResult WriteViaRename(const std::string& target, const std::string& dir,
                            std::string_view bytes, const struct stat* old) {
    const size_t slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp = dir + "/." + base + ".XXXXXX";
    Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        return RenameResult::NotPossible;
    }
    const mode_t mode = old != nullptr ? (old->st_mode & 07777) : 0644;
    bool ok = ::fchmod(fd.get(), mode) == 0;
    if (ok && old != nullptr && (old->st_uid != ::geteuid() || old->st_gid != ::getegid())) {
        if (::fchown(fd.get(), old->st_uid, old->st_gid) != 0) {
            // Renaming would hand the file to another owner.
            ::unlink(temp.c_str());
            return RenameResult::NotPossible;
        }
        ok = ::fchmod(fd.get(), mode) == 0; // chown may clear set-id bits
    }
    ok = ok && WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    ok = fd.Close() && ok;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return RenameResult::Failed;
    }
    // Make the rename itself durable; its outcome does not change the content.
    Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() >= 0) {
        ::fsync(dirFd.get());
    }
    return RenameResult::Done;
}

} // namespace

std::optional<std::string> ReadCapped(const std::string& path) {
    Fd fd(OpenRegular(path));
    if (fd.get() < 0) {
        return std::nullopt;
    }
    std::string content;
    if (!ReadUpTo(fd.get(), kMaxFileBytes, content)) {
        return std::nullopt;
    }
    return content;
}

bool ReadForUpdate(const std::string& path, std::string& content, bool& exists) {
    content.clear();
    Fd fd(OpenRegular(path));
    if (fd.get() < 0) {
        exists = false;
        return errno == ENOENT;
    }
    exists = true;
    return ReadUpTo(fd.get(), kMaxFileBytes + 1, content) && content.size() <= kMaxFileBytes;
}

bool ReplaceContent(const std::string& path, std::string_view bytes) {
    std::string target = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char* real = ::realpath(path.c_str(), nullptr);
        if (real == nullptr) {
            // A link to a file that does not exist yet: create it through the link.
            return WriteInPlace(path, bytes, true);
        }
        target = real;
        std::free(real);
    }
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0)) {
        return false;
    }
    if (!exists && errno != ENOENT) {
        return false;
    }
    const std::string dir = DirectoryOf(target);
    struct stat dirSt {};
    const bool dirWritable = ::stat(dir.c_str(), &dirSt) == 0 && (dirSt.st_mode & 0222) != 0 &&
                             ::access(dir.c_str(), W_OK) == 0;
    if (!exists) {
        return dirWritable && WriteViaRename(target, dir, bytes, nullptr) == RenameResult::Done;
    }
    if (dirWritable && st.st_nlink == 1) {
        const RenameResult result = WriteViaRename(target, dir, bytes, &st);
        if (result != RenameResult::NotPossible) {
            return result == RenameResult::Done;
        }
    }
    return WriteInPlace(target, bytes, false);
}

} // namespace sheafpad::ini
