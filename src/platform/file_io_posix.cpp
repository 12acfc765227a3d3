#include "platform/file_io.h"

#include "base/errors.h"
#include "platform/working_dir.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace sheafpad::platform {

namespace {

const char kSaveFailed[] = "Failed to Save Stream";

// Closes a descriptor once, on scope exit unless released.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(Fd&& other) noexcept : fd_(other.Release()) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // Hands the descriptor over; this guard no longer closes it.
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes now and reports whether the close succeeded (a delayed write
    // error of some file systems surfaces only here).
    bool Close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0 || errno == EINTR; // after EINTR the descriptor is gone on Linux
    }

private:
    int fd_;
};

// Writes all of bytes, retrying after signals; false on any failed write or
// one that makes no progress.
bool WriteAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, p, left);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        p += written;
        left -= size_t(written);
    }
    return true;
}

// Takes back the O_NONBLOCK that opened the file without waiting, so that
// reads and writes block as usual.
bool ClearNonBlock(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

// Opens the regular file at path for reading and fills *st. Returns no
// descriptor (-1) when there is no file at path; throws EFOpenError for
// everything else that keeps it from being read.
Fd OpenForReading(const std::string& path, struct stat* st) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0 && errno == ENOENT) {
        return fd;
    }
    if (fd.get() < 0 || ::fstat(fd.get(), st) != 0) {
        throw EFOpenError(AbsolutePath(path), SystemReason(errno));
    }
    if (S_ISDIR(st->st_mode)) {
        throw EFOpenError(AbsolutePath(path), SystemReason(EISDIR));
    }
    if (!S_ISREG(st->st_mode)) {
        throw EFOpenError(AbsolutePath(path), "Not a regular file");
    }
    if (!ClearNonBlock(fd.get())) {
        throw EFOpenError(AbsolutePath(path), SystemReason(errno));
    }
    return fd;
}

// One read of up to size bytes, retried after signals; 0 at the end.
size_t ReadSome(int fd, const std::string& path, char* data, size_t size) {
    for (;;) {
        const ssize_t got = ::read(fd, data, size);
        if (got >= 0) {
            return size_t(got);
        }
        if (errno != EINTR) {
            throw EFOpenError(AbsolutePath(path), SystemReason(errno));
        }
    }
}

// fsync, where devices that cannot sync (EINVAL) count as synced.
bool Sync(int fd) {
    return ::fsync(fd) == 0 || errno == EINVAL;
}

// A path's directory part and name part ("." for a bare name).
struct PathParts {
    std::string dir;
    std::string name;
};

PathParts SplitPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {std::string("."), path};
    }
    return {path.substr(0, slash == 0 ? 1 : slash), path.substr(slash + 1)};
}

// The target of the save: the given file with every symbolic link followed.
struct Target {
    std::string path; // where the bytes go
    PathParts parts;  // path's directory and name
    bool exists = false;
    struct stat st {};     // valid when exists
    bool dirKnown = false; // the directory could be stat'ed
    struct stat dirSt {};  // valid when dirKnown
};

// Writes bytes over the file itself: the path taken where replacing the file
// would change what it is (hard links, devices, owner that cannot be kept).
// create is set when the file does not exist yet (a dangling symbolic link).
void WriteInPlace(const std::string& shown, const std::string& target, std::string_view bytes,
                  bool create) {
    // O_NONBLOCK keeps a FIFO without a reader from hanging the program.
    const int flags = O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (create ? O_CREAT : 0);
    Fd fd(::open(target.c_str(), flags, 0666));
    if (fd.get() < 0) {
        throw EFCreateError(shown, SystemReason(errno));
    }
    struct stat st;
    if (!ClearNonBlock(fd.get()) || ::fstat(fd.get(), &st) != 0) {
        throw EOutOfResources(kSaveFailed);
    }
    const bool regular = S_ISREG(st.st_mode);
    if (regular && bytes.size() > 0) {
        // Reserve the space before the old content is touched, so that a full
        // disk leaves the file as it was. Not every file system can do this.
        if (::fallocate(fd.get(), FALLOC_FL_KEEP_SIZE, 0, off_t(bytes.size())) != 0 &&
            (errno == ENOSPC || errno == EDQUOT)) {
            throw EOutOfResources(kSaveFailed);
        }
    }
    // The file is overwritten from its start and cut to the new length after.
    if (!WriteAll(fd.get(), bytes) ||
        (regular && ::ftruncate(fd.get(), off_t(bytes.size())) != 0) || !Sync(fd.get()) ||
        !fd.Close()) {
        throw EOutOfResources(kSaveFailed);
    }
}

enum class SafeResult { Done, UseInPlace };

// The crash-safe save: a temporary file in the same directory, synced, then
// renamed over the target. Returns UseInPlace, with nothing changed, where
// the replacement could not keep the file's owner, group or mode.
SafeResult WriteByRename(const std::string& shown, const Target& target, std::string_view bytes) {
    const auto& [dir, name] = target.parts;
    // Keep the name within NAME_MAX: the prefix of a long name is enough.
    std::string temp = dir + "/." + name.substr(0, 200) + ".XXXXXX";
    Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        const int error = errno;
        if (target.exists && (error == EACCES || error == EPERM)) {
            return SafeResult::UseInPlace;
        }
        throw EFCreateError(shown, SystemReason(error));
    }
    // From here the temporary file goes away on every path but success.
    struct Remover {
        const std::string& path;
        bool armed = true;
        ~Remover() {
            if (armed) {
                ::unlink(path.c_str());
            }
        }
    } remover{temp};

    mode_t mode;
    if (target.exists) {
        mode = target.st.st_mode & 07777;
        struct stat own;
        if (::fstat(fd.get(), &own) != 0) {
            throw EOutOfResources(kSaveFailed);
        }
        if (own.st_uid != target.st.st_uid || own.st_gid != target.st.st_gid) {
            const uid_t uid = own.st_uid != target.st.st_uid ? target.st.st_uid : uid_t(-1);
            const gid_t gid = own.st_gid != target.st.st_gid ? target.st.st_gid : gid_t(-1);
            if (::fchown(fd.get(), uid, gid) != 0) {
                return SafeResult::UseInPlace;
            }
        }
    } else {
        // A new file gets the mode that creating it directly would give.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    // After the owner: a change of owner may clear the set-id bits.
    if (::fchmod(fd.get(), mode) != 0) {
        return SafeResult::UseInPlace;
    }
    if (!WriteAll(fd.get(), bytes) || !Sync(fd.get()) || !fd.Close()) {
        throw EOutOfResources(kSaveFailed);
    }
    if (::rename(temp.c_str(), target.path.c_str()) != 0) {
        const int error = errno;
        // Refused for the file's place rather than for its content (a sticky
        // directory, a mount point): the file itself may still take the bytes.
        if (target.exists &&
            (error == EPERM || error == EACCES || error == EBUSY || error == EXDEV)) {
            return SafeResult::UseInPlace;
        }
        throw EOutOfResources(kSaveFailed);
    }
    remover.armed = false;
    // Make the rename itself durable. The new content is in place whatever
    // this gives, so a failure here is not reported.
    Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() >= 0) {
        ::fsync(dirFd.get());
    }
    return SafeResult::Done;
}

// True where replacing the file by a new one would change what it is, or
// would not be allowed: the file itself must then take the bytes.
bool NeedsInPlace(const Target& target) {
    const struct stat& st = target.st;
    if (!S_ISREG(st.st_mode) || st.st_nlink > 1) {
        return true;
    }
    if (!target.dirKnown || ::access(target.parts.dir.c_str(), W_OK | X_OK) != 0) {
        return true;
    }
    const struct stat& dirSt = target.dirSt;
    // In a sticky directory only the owners may replace a file.
    const uid_t me = ::geteuid();
    if ((dirSt.st_mode & S_ISVTX) != 0 && me != 0 && st.st_uid != me && dirSt.st_uid != me) {
        return true;
    }
    // An access list would not come over to the new file.
    return ::getxattr(target.path.c_str(), "system.posix_acl_access", nullptr, 0) > 0;
}

} // namespace

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') {
        return path;
    }
    std::string result = WorkingDir();
    if (result.empty()) {
        return path;
    }
    if (result.back() != '/') {
        result += '/';
    }
    return result + path;
}

std::string ReadFileBytes(const std::string& path) {
    std::optional<std::string> bytes = ReadFileStart(path, SIZE_MAX);
    if (!bytes) {
        throw EFOpenError(AbsolutePath(path), SystemReason(ENOENT));
    }
    return std::move(*bytes);
}

std::optional<std::string> ReadFileStart(const std::string& path, size_t limit) {
    struct stat st;
    const Fd fd = OpenForReading(path, &st);
    if (fd.get() < 0) {
        return std::nullopt;
    }
    // One byte more than the size seen, so that the end is found by the first
    // read that returns 0; a file that grows meanwhile is read on to its end
    // (or to the limit).
    std::string bytes;
    size_t filled = 0;
    try {
        bytes.resize(std::min(size_t(st.st_size) + 1, limit));
        while (filled < limit) {
            if (filled == bytes.size()) {
                bytes.resize(std::min(bytes.size() * 2, limit));
            }
            const size_t got =
                ReadSome(fd.get(), path, bytes.data() + filled, bytes.size() - filled);
            if (got == 0) {
                break;
            }
            filled += got;
        }
    } catch (const std::bad_alloc&) {
        throw EFOpenError(AbsolutePath(path), SystemReason(ENOMEM)); // too big to hold
    }
    bytes.resize(filled);
    return bytes;
}

FileReader::FileReader(const std::string& path) : path_(path), fd_(-1) {
    struct stat st;
    Fd fd = OpenForReading(path, &st);
    if (fd.get() < 0) {
        throw EFOpenError(AbsolutePath(path), SystemReason(ENOENT));
    }
    fd_ = fd.Release();
}

FileReader::~FileReader() {
    ::close(fd_);
}

size_t FileReader::Read(char* data, size_t size) {
    return ReadSome(fd_, path_, data, size);
}

void WriteFileBytes(const std::string& path, std::string_view bytes, LockedDirectories locked) {
    const std::string shown = AbsolutePath(path);
    Target target;
    struct stat linkSt;
    if (::lstat(path.c_str(), &linkSt) != 0) {
        if (errno != ENOENT || path.empty() || path.back() == '/') {
            throw EFCreateError(shown, SystemReason(errno != 0 ? errno : ENOENT));
        }
        target.path = path; // a new file (its directory may be missing: then creation fails)
    } else if (::stat(path.c_str(), &target.st) != 0) {
        if (errno != ENOENT || !S_ISLNK(linkSt.st_mode)) {
            throw EFCreateError(shown, SystemReason(errno));
        }
        // A symbolic link to a file that does not exist yet: creating through
        // the link makes that file.
        WriteInPlace(shown, path, bytes, true);
        return;
    } else {
        target.exists = true;
        std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                         &std::free);
        if (real == nullptr) {
            throw EFCreateError(shown, SystemReason(errno));
        }
        target.path = real.get();
    }
    target.parts = SplitPath(target.path);
    target.dirKnown = ::stat(target.parts.dir.c_str(), &target.dirSt) == 0;
    const bool lockedDir = locked == LockedDirectories::ReadOnly && target.dirKnown &&
                           (target.dirSt.st_mode & 0222) == 0;

    if (target.exists) {
        if (S_ISDIR(target.st.st_mode)) {
            throw EFCreateError(shown, SystemReason(EISDIR));
        }
        // No write bit at all is the read-only attribute: it holds for every
        // user, including one whom the system would let write anyway.
        if ((target.st.st_mode & 0222) == 0) {
            throw EFCreateError(shown, SystemReason(EACCES));
        }
        // Whoever may not write the file may not replace it either.
        if (::access(target.path.c_str(), W_OK) != 0) {
            throw EFCreateError(shown, SystemReason(errno));
        }
        if (lockedDir || NeedsInPlace(target)) {
            WriteInPlace(shown, target.path, bytes, false);
            return;
        }
    } else if (lockedDir) {
        throw EFCreateError(shown, SystemReason(EACCES));
    }
    if (WriteByRename(shown, target, bytes) == SafeResult::UseInPlace) {
        WriteInPlace(shown, target.path, bytes, !target.exists);
    }
}

bool EntryExists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

bool MayCreateFilesIn(const std::string& dir) {
    struct stat info {};
    if (::stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || (info.st_mode & 0222) == 0) {
        return false;
    }
    return ::access(dir.c_str(), W_OK | X_OK) == 0;
}

} // namespace sheafpad::platform
