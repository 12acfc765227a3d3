// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/state_files.h"

#include "platform/file_io_posix_util.h"
#include "platform/user_dirs.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace sheafpad::platform {
namespace {

std::string DirectoryOf(const std::string& path) {
    return posix::SplitPath(path).dir;
}

// Makes a rename or removal in dir durable; failures are not reported, the
// change itself having been made.
void SyncDirectory(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A temporary file beside path, named prefix + random, mode 0600. -1 on failure.
int MakeTemp(const std::string& path, const std::string& prefix, std::string* temp) {
    *temp = DirectoryOf(path) + "/" + prefix + "XXXXXX";
    const int fd = ::mkostemp(temp->data(), O_CLOEXEC);
    if (fd >= 0 && ::fchmod(fd, 0600) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(temp->c_str());
        errno = error;
        return -1;
    }
    return fd;
}

} // namespace

int MakePrivateDirectory(const std::string& path) {
    if (const int error = MakeDirectories(path, 0700); error != 0) {
        return error;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return errno;
    }
    // Copies of what the user typed must not sit in a folder that someone
    // else owns, nor in one that others may read.
    if (st.st_uid != ::geteuid()) {
        return EPERM;
    }
    if ((st.st_mode & 07777) != 0700 && ::chmod(path.c_str(), 0700) != 0) {
        return errno;
    }
    return 0;
}

int PrivateFolder::Open(const std::string& path, std::optional<PrivateFolder>* folder) {
    std::string dir = path;
    while (dir.size() > 1 && dir.back() == '/') {
        dir.pop_back();
    }
    if (const int error = MakeDirectories(dir, 0700); error != 0) {
        return error;
    }
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOTDIR ? ELOOP : errno; // a link to a folder is no folder here
    }
    struct stat st {};
    int error = ::fstat(fd, &st) != 0 ? errno : 0;
    if (error == 0 && st.st_uid != ::geteuid()) {
        error = EPERM;
    }
    if (error == 0 && (st.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::close(fd);
        return error;
    }
    folder->emplace(PrivateFolder(fd, dir));
    return 0;
}

PrivateFolder::PrivateFolder(PrivateFolder&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

PrivateFolder& PrivateFolder::operator=(PrivateFolder&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

PrivateFolder::~PrivateFolder() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

int PrivateFolder::Read(const std::string& name, std::string* bytes, size_t limit) const {
    const posix::Fd file(
        ::openat(fd_, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0) {
        return errno;
    }
    struct stat st {};
    if (::fstat(file.get(), &st) != 0) {
        return errno;
    }
    if (!S_ISREG(st.st_mode)) {
        return EINVAL;
    }
    if (st.st_uid != ::geteuid()) {
        return EPERM;
    }
    bytes->resize(std::min(size_t(st.st_size), limit));
    const ssize_t got = posix::ReadAt(file.get(), bytes->data(), bytes->size(), 0);
    if (got < 0) {
        return errno;
    }
    bytes->resize(size_t(got));
    return 0;
}

bool PrivateFolder::Exists(const std::string& name) const {
    struct stat st {};
    return ::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

int PrivateFolder::Write(const std::string& name,
                         const std::vector<std::string_view>& pieces) const {
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = ".tmp-" + posix::RandomSuffix(8);
        fd =
            ::openat(fd_, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) {
            return errno;
        }
    }
    if (fd < 0) {
        return EEXIST;
    }
    posix::Fd file(fd);
    int error = 0;
    for (const std::string_view piece : pieces) {
        if (error == 0 && !posix::WriteAll(file.get(), piece)) {
            error = errno != 0 ? errno : EIO;
        }
    }
    if (error == 0 && !posix::Sync(file.get())) {
        error = errno;
    }
    if (error == 0 && !file.Close()) {
        error = errno;
    }
    if (error == 0 && ::renameat(fd_, temp.c_str(), fd_, name.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlinkat(fd_, temp.c_str(), 0);
        return error;
    }
    ::fsync(fd_);
    return 0;
}

int PrivateFolder::Remove(const std::string& name) const {
    if (::unlinkat(fd_, name.c_str(), 0) != 0) {
        return errno == ENOENT ? 0 : errno;
    }
    ::fsync(fd_);
    return 0;
}

AppendOnlyFile::AppendOnlyFile(const std::string& path) {
    fd_ =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
    error_ = fd_ < 0 ? errno : 0;
}

AppendOnlyFile::~AppendOnlyFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

int AppendOnlyFile::Append(std::string_view bytes) {
    if (error_ == 0 && !posix::WriteAll(fd_, bytes)) {
        error_ = errno != 0 ? errno : EIO;
    }
    return error_;
}

PrivateFileWriter::PrivateFileWriter(const std::string& path, const std::string& tempPrefix)
    : path_(path) {
    fd_ = MakeTemp(path, tempPrefix, &temp_);
    if (fd_ < 0) {
        error_ = errno;
        temp_.clear();
    }
}

PrivateFileWriter::~PrivateFileWriter() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
    }
}

void PrivateFileWriter::Reserve(uint64_t size) {
    if (error_ == 0 && size > 0) {
        ::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, off_t(size)); // a refusal changes nothing
    }
}

void PrivateFileWriter::Append(std::string_view bytes) {
    if (error_ == 0 && !posix::WriteAll(fd_, bytes)) {
        error_ = errno;
    }
}

void PrivateFileWriter::WriteAt(uint64_t offset, std::string_view bytes) {
    while (error_ == 0 && !bytes.empty()) {
        const ssize_t written = ::pwrite(fd_, bytes.data(), bytes.size(), off_t(offset));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            error_ = written < 0 ? errno : EIO;
            break;
        }
        bytes.remove_prefix(size_t(written));
        offset += uint64_t(written);
    }
}

int PrivateFileWriter::Commit() {
    if (error_ == 0 && ::fsync(fd_) != 0) {
        error_ = errno;
    }
    if (fd_ >= 0 && ::close(fd_) != 0 && error_ == 0 && errno != EINTR) {
        error_ = errno;
    }
    fd_ = -1;
    struct stat st {};
    const bool replacing = ::lstat(path_.c_str(), &st) == 0;
    if (error_ == 0 && ::rename(temp_.c_str(), path_.c_str()) != 0) {
        error_ = errno;
    }
    if (error_ != 0) {
        return error_; // the destructor removes the temporary file
    }
    temp_.clear();
    // A new name is made durable at once. A replacement is left to the file
    // system's next commit (seconds): until then a power cut leaves the old
    // file, whole, and the directory's flush would double the time taken.
    if (!replacing) {
        SyncDirectory(DirectoryOf(path_));
    }
    return 0;
}

int WritePrivateFile(const std::string& path, const std::string& tempPrefix,
                     const std::vector<std::string_view>& pieces) {
    PrivateFileWriter writer(path, tempPrefix);
    for (const std::string_view piece : pieces) {
        writer.Append(piece);
    }
    return writer.Commit();
}

int RenameFile(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        return errno;
    }
    SyncDirectory(DirectoryOf(to));
    return 0;
}

int RenameFileUnsynced(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

void SyncFolder(const std::string& dir) {
    SyncDirectory(dir);
}

int RemoveFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0) {
        return errno == ENOENT ? 0 : errno;
    }
    SyncDirectory(DirectoryOf(path));
    return 0;
}

int ProcessLock::Create(const std::string& path, std::optional<ProcessLock>* lock) {
    std::string temp;
    const size_t slash = path.rfind('/');
    const int fd = MakeTemp(path, "." + path.substr(slash + 1) + ".", &temp);
    if (fd < 0) {
        return errno;
    }
    int error = ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
    // link never replaces an existing file, as rename would.
    if (error == 0 && ::link(temp.c_str(), path.c_str()) != 0) {
        error = errno;
    }
    ::unlink(temp.c_str());
    if (error != 0) {
        ::close(fd);
        return error;
    }
    lock->emplace(ProcessLock(fd, path));
    return 0;
}

int ProcessLock::Hold(const std::string& path, std::optional<ProcessLock>* lock) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
    if (fd < 0) {
        return errno;
    }
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            const int error = errno;
            ::close(fd);
            return error;
        }
    }
    lock->emplace(ProcessLock(fd, path));
    return 0;
}

ProcessLock::Outcome ProcessLock::Take(const std::string& path, std::optional<ProcessLock>* lock) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
    if (fd < 0) {
        // A lock file that cannot be opened at all tells nothing of a live
        // process; only its absence counts as an ended run.
        return errno == ENOENT ? Outcome::Missing : Outcome::HeldByOther;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return Outcome::HeldByOther;
    }
    // Another process may have claimed the ended run and removed its lock
    // file between our open and our lock.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_nlink == 0) {
        ::close(fd);
        return Outcome::Missing;
    }
    lock->emplace(ProcessLock(fd, path));
    return Outcome::Taken;
}

ProcessLock::ProcessLock(ProcessLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

ProcessLock& ProcessLock::operator=(ProcessLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

ProcessLock::~ProcessLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void ProcessLock::RemoveAndRelease() {
    if (fd_ < 0) {
        return;
    }
    ::unlink(path_.c_str());
    ::close(fd_);
    fd_ = -1;
}

} // namespace sheafpad::platform
