// SPDX-License-Identifier: GPL-3.0-or-later
// Writing a file in place without ever tearing it: before the file is
// touched, its old content and the new go to a synced backup in the user's
// state folder (in_place_backup.h); the backup is removed once the new
// content is written and synced. A backup left behind is settled at the next
// start (in_place_restore_posix.cpp).
#include "platform/file_io.h"

#include "base/content_hash.h"
#include "base/errors.h"
#include "platform/file_io_posix_util.h"
#include "platform/in_place_backup.h"
#include "platform/user_dirs.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sheafpad::platform {

using namespace posix;

namespace {

const char kBackupPrefix[] = "backup-";
const char kTempPrefix[] = ".tmp-";

// A synced backup of a regular file's old content and of the new content,
// named only when complete.
class Backup {
public:
    // Throws SaveFailed (the file untouched) when the backup cannot be made.
    Backup(const std::string& shown, const std::string& path, int fd, const struct stat& st,
           std::string_view newBytes) {
        const std::string dir = InPlaceBackupDir();
        const int made = dir.empty() ? ENOENT : MakeDirectories(dir, 0700);
        if (made != 0) {
            throw Failed(shown, dir, made);
        }
        NewFile file(dir, kTempPrefix);
        // Locked while the save runs, so that another instance starting
        // meanwhile leaves it alone.
        if (!file.ok() || ::fchmod(file.fd(), 0600) != 0 || ::flock(file.fd(), LOCK_EX) != 0) {
            throw Failed(shown, dir, errno);
        }
        info_.dev = uint64_t(st.st_dev);
        info_.ino = uint64_t(st.st_ino);
        info_.newSize = newBytes.size();
        info_.newHash = ContentHash(newBytes);
        info_.path = path;
        if (!CopyContent(fd, file.fd(), &info_.oldSize) || !WriteAll(file.fd(), newBytes) ||
            !WriteAll(file.fd(), BackupTrailer(&info_)) || !Sync(file.fd())) {
            throw Failed(shown, dir, errno);
        }
        path_ = file.Name(kBackupPrefix);
        if (path_.empty()) {
            throw Failed(shown, dir, errno);
        }
        // The name must last too before the file is touched.
        const Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dirFd.get() < 0 || !Sync(dirFd.get())) {
            throw Failed(shown, dir, errno);
        }
        file.Keep();
        fd_ = Fd(::dup(file.fd()));
    }
    int fd() const { return fd_.get(); }
    const BackupInfo& info() const { return info_; }
    void Remove() { ::unlink(path_.c_str()); }

private:
    static EOutOfResources Failed(const std::string& shown, const std::string& dir, int error) {
        return SaveFailed(shown, "Cannot keep a copy of the old content in \"" + dir +
                                     "\": " + SystemReason(error));
    }

    // Copies all of from's content to the end of to; *size gets its length.
    static bool CopyContent(int from, int to, uint64_t* size) {
        std::string buffer(1 << 20, '\0');
        for (;;) {
            const ssize_t got = ReadAt(from, buffer.data(), buffer.size(), off_t(*size));
            if (got < 0) {
                return false;
            }
            if (got == 0 || !WriteAll(to, std::string_view(buffer.data(), size_t(got)))) {
                return got == 0;
            }
            *size += uint64_t(got);
        }
    }

    Fd fd_;
    std::string path_;
    BackupInfo info_;
};

// Reads the whole file fd.
bool ReadWhole(int fd, std::string* bytes) {
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        return false;
    }
    bytes->resize(size_t(st.st_size));
    return ReadAt(fd, bytes->data(), bytes->size(), 0) == ssize_t(bytes->size());
}

// Before the file is touched: fails when the new content cannot fit.
void CheckRoom(const std::string& shown, int fd, const struct stat& st, size_t size) {
    const std::optional<Room> room = RoomFor(fd, size);
    if (room && room->needed > SpaceTaken(st) && room->needed - SpaceTaken(st) > room->free) {
        throw SaveFailed(shown, ENOSPC);
    }
    // Reserve the space too where the file system can; where it cannot
    // (EOPNOTSUPP) the check above has to do.
    if (size > 0 && ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(size)) != 0 &&
        (errno == ENOSPC || errno == EDQUOT)) {
        throw SaveFailed(shown, errno);
    }
}

void WriteRegularInPlace(const std::string& shown, const std::string& path, int fd,
                         const struct stat& st, std::string_view bytes) {
    CheckRoom(shown, fd, st, bytes.size());
    Backup backup(shown, path, fd, st, bytes);
    if (WriteMarked(fd, bytes, 0, backup.info(), backup.fd(), BackupMark{})) {
        backup.Remove();
        return;
    }
    const int error = errno;
    // Put the old content straight back over what was written of the new;
    // where even that fails the backup stays, and the next start judges the
    // file by its bytes.
    const BackupInfo& info = backup.info();
    std::string old(info.oldSize, '\0'), now;
    const std::optional<uint64_t> torn =
        ReadAt(backup.fd(), old.data(), old.size(), 0) == ssize_t(old.size()) && ReadWhole(fd, &now)
            ? SpliceAt(now, bytes, old, 0, bytes.size())
            : std::nullopt;
    if (torn && WriteMarked(fd, old, 0, info, backup.fd(), BackupMark{true, 0, *torn})) {
        backup.Remove();
    }
    throw SaveFailed(shown, error);
}

} // namespace

struct stat posix::WriteInPlace(const std::string& shown, const std::string& path,
                                std::string_view bytes, const struct stat* existing) {
    // O_NONBLOCK keeps a FIFO without a reader from hanging the program. A
    // regular file is read too, for its backup.
    const bool regular = existing != nullptr && S_ISREG(existing->st_mode);
    const int flags = (regular ? O_RDWR : O_WRONLY) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK |
                      (existing == nullptr ? O_CREAT : 0);
    Fd fd(::open(path.c_str(), flags, 0666));
    if (fd.get() < 0) {
        throw EFCreateError(shown, SystemReason(errno));
    }
    struct stat st;
    if (!ClearNonBlock(fd.get()) || ::fstat(fd.get(), &st) != 0) {
        throw SaveFailed(shown, errno);
    }
    if (regular && S_ISREG(st.st_mode)) {
        WriteRegularInPlace(shown, path, fd.get(), st, bytes);
    } else if (!WriteAll(fd.get(), bytes) ||
               (S_ISREG(st.st_mode) && ::ftruncate(fd.get(), off_t(bytes.size())) != 0) ||
               !Sync(fd.get())) {
        // A device or FIFO has no old content to keep; a file made through a
        // dangling link had none.
        throw SaveFailed(shown, errno);
    }
    if (::fstat(fd.get(), &st) != 0 || !fd.Close()) {
        throw SaveFailed(shown, errno);
    }
    return st;
}

} // namespace sheafpad::platform
