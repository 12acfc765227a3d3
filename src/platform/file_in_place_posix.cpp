// SPDX-License-Identifier: GPL-3.0-or-later
// Writing a file in place without ever tearing it: before the file is
// touched, its old content goes to a synced backup in the user's state
// folder; the backup is removed once the new content is written and synced.
// At the next start a backup left behind puts the old content back.
#include "base/user_text.h"
#include "platform/file_io.h"

#include "base/content_hash.h"
#include "base/errors.h"
#include "platform/file_io_posix_util.h"
#include "platform/user_dirs.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sheafpad::platform {

using namespace posix;

namespace {

const char kMagic[] = "Sheafpad in-place save backup 1\n";
const char kBackupPrefix[] = "backup-";
const char kTempPrefix[] = ".tmp-";
// What a restore replaced, kept until the next start; backups that cannot
// be read, set aside for good.
const char kReplacedPrefix[] = "replaced-";
const char kUnreadablePrefix[] = "unreadable-";
const size_t kPiece = 4 << 20;
// How much later than the last mark of progress in the backup the file's
// status may have changed, for a change that was the save's own: the
// system stamps a write when it starts, right after the mark, so this only
// covers the clock's steps and a busy system between the two calls.
const int64_t kGraceNs = 1000000000;

std::string BackupDir() {
    const std::string state = UserStateDir();
    return state.empty() ? state : state + "backup";
}

// What a backup holds beside the old content, in a trailer after it, so that
// cutting the trailer off leaves the old content alone.
struct BackupInfo {
    uint64_t dev = 0, ino = 0; // the file written in place
    uint64_t oldSize = 0;      // the old content's length
    uint64_t newSize = 0;      // the new content's length and hash
    uint64_t newHash = 0;
    std::string path; // the file's full path
};

// The trailer: magic, numbers, path, then its own length in 20 digits.
std::string Trailer(const BackupInfo& info) {
    char numbers[128];
    std::snprintf(numbers, sizeof numbers, "%" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64 "\n",
                  info.dev, info.ino, info.newSize, info.newHash);
    std::string trailer = std::string(kMagic) + numbers + info.path + "\n";
    char length[32];
    std::snprintf(length, sizeof length, "%020zu\n", trailer.size());
    return trailer + length;
}

// Reads the trailer of the backup file fd; false where it is not one.
bool ReadTrailer(int fd, BackupInfo* info) {
    struct stat st;
    char length[21];
    if (::fstat(fd, &st) != 0 || st.st_size < 21 || ReadAt(fd, length, 21, st.st_size - 21) != 21 ||
        length[20] != '\n') {
        return false;
    }
    const uint64_t size = std::strtoull(std::string(length, 20).c_str(), nullptr, 10);
    if (size == 0 || size > uint64_t(st.st_size) - 21 || size > 65536) {
        return false;
    }
    std::string trailer(size, '\0');
    const off_t start = off_t(st.st_size - 21 - off_t(size));
    if (ReadAt(fd, trailer.data(), size, start) != ssize_t(size) ||
        trailer.compare(0, std::strlen(kMagic), kMagic) != 0 || trailer.back() != '\n') {
        return false;
    }
    const size_t numbersEnd = trailer.find('\n', std::strlen(kMagic));
    if (numbersEnd == std::string::npos ||
        std::sscanf(trailer.c_str() + std::strlen(kMagic),
                    "%" SCNu64 " %" SCNu64 " %" SCNu64 " %" SCNu64, &info->dev, &info->ino,
                    &info->newSize, &info->newHash) != 4) {
        return false;
    }
    info->path = trailer.substr(numbersEnd + 1, trailer.size() - numbersEnd - 2);
    info->oldSize = uint64_t(start);
    return !info->path.empty() && info->path[0] == '/';
}

// Marks progress: the backup's modification time is set just before each
// call that changes the file, so the file's status-change time (which the
// system sets at the start of each such call, and which no program can set
// back) is never much later than the backup's, unless something else wrote
// the file after the save.
void Stamp(int backupFd) {
    ::futimens(backupFd, nullptr);
}

// Writes bytes over the file fd from its start, a piece at a time, marking
// progress in the backup before each write; then cuts the file to the new
// length and syncs it. False (errno set) on any failure.
bool WritePieces(int fd, std::string_view bytes, int backupFd) {
    for (size_t at = 0; at < bytes.size(); at += kPiece) {
        if (::lseek(fd, off_t(at), SEEK_SET) < 0 ||
            !WriteAll(fd, bytes.substr(at, std::min(kPiece, bytes.size() - at)), &Stamp,
                      backupFd)) {
            return false;
        }
    }
    Stamp(backupFd);
    return ::ftruncate(fd, off_t(bytes.size())) == 0 && Sync(fd);
}

// A synced backup of a regular file's old content, named only when complete.
class Backup {
public:
    // Throws SaveFailed (the file untouched) when the backup cannot be made.
    Backup(const std::string& shown, const std::string& path, int fd, const struct stat& st,
           std::string_view newBytes) {
        const std::string dir = BackupDir();
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
        BackupInfo info{uint64_t(st.st_dev), uint64_t(st.st_ino),   0,
                        newBytes.size(),     ContentHash(newBytes), path};
        if (!CopyContent(fd, file.fd(), &info.oldSize) || !WriteAll(file.fd(), Trailer(info)) ||
            !Sync(file.fd())) {
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
        oldSize_ = info.oldSize;
    }
    int fd() const { return fd_.get(); }
    const std::string& path() const { return path_; }
    uint64_t oldSize() const { return oldSize_; }
    void Remove() { ::unlink(path_.c_str()); }

private:
    static EOutOfResources Failed(const std::string& shown, const std::string& dir, int error) {
        return SaveFailed(shown, FillIn(UserText("Errors", "Cannot keep a copy of the old "
                                                           "content in \"%1\": %2"),
                                        {dir, SystemReason(error)}));
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
    uint64_t oldSize_ = 0;
};

// The old content kept in a backup.
bool ReadOld(int backupFd, uint64_t size, std::string* old) {
    old->resize(size);
    return ReadAt(backupFd, old->data(), size, 0) == ssize_t(size);
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
    if (WritePieces(fd, bytes, backup.fd())) {
        backup.Remove();
        return;
    }
    const int error = errno;
    // Put the old content straight back; where even that fails the backup
    // stays and is put back at the next start.
    std::string old;
    if (ReadOld(backup.fd(), backup.oldSize(), &old) && WritePieces(fd, old, backup.fd())) {
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

namespace {

// Reads the whole file fd.
bool ReadWhole(int fd, std::string* bytes) {
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        return false;
    }
    bytes->resize(size_t(st.st_size));
    return ReadAt(fd, bytes->data(), bytes->size(), 0) == ssize_t(bytes->size());
}

// Whether the file holds the new content whole: written, with at most the
// old content's end still to be cut off.
bool HoldsNew(const std::string& now, const std::string& old, const BackupInfo& info) {
    if (now.size() < info.newSize ||
        ContentHash(std::string_view(now).substr(0, info.newSize)) != info.newHash) {
        return false;
    }
    const std::string_view rest = std::string_view(now).substr(info.newSize);
    return rest.empty() ||
           (old.size() == now.size() && std::string_view(old).substr(info.newSize) == rest);
}

int64_t Ns(const timespec& time) {
    return int64_t(time.tv_sec) * 1000000000 + time.tv_nsec;
}

// Sets the backup aside under a name that start-up passes over, with the old
// content alone in it. Returns its path, or empty.
std::string SetAside(int backupFd, const std::string& backupPath, const BackupInfo& info) {
    const std::string name = SplitPath(info.path).name;
    const std::string kept =
        SplitPath(backupPath).dir + "/" + name.substr(0, 200) + ".before-save-" + RandomSuffix(6);
    // Renamed first: a backup cut short under its own name could never be
    // read again.
    if (::rename(backupPath.c_str(), kept.c_str()) != 0) {
        return {};
    }
    ::ftruncate(backupFd, off_t(info.oldSize));
    return kept;
}

// A file named like a backup that cannot be read as one (cut short, empty,
// not a regular file): renamed once, so that it is neither lost nor looked
// at again.
std::optional<InterruptedSave> SetAsideUnreadable(const std::string& backupPath) {
    const PathParts parts = SplitPath(backupPath);
    InterruptedSave result;
    result.outcome = InterruptedSave::Outcome::Unreadable;
    result.keptAt = parts.dir + "/" + kUnreadablePrefix + parts.name;
    if (::rename(backupPath.c_str(), result.keptAt.c_str()) != 0) {
        return std::nullopt;
    }
    return result;
}

// Keeps bytes, what a restore is about to replace, in a synced file beside
// the backups, until the next start: it stays locked (shared) while this
// process runs, and a later start removes it. Returns its path, or empty.
std::string KeepReplaced(const std::string& backupDir, const BackupInfo& info,
                         std::string_view bytes) {
    static std::vector<int> held; // open for the life of the process
    NewFile file(backupDir, kTempPrefix);
    if (!file.ok() || ::fchmod(file.fd(), 0600) != 0 || !WriteAll(file.fd(), bytes) ||
        !Sync(file.fd())) {
        return {};
    }
    const int lock = ::dup(file.fd());
    if (lock < 0 || ::flock(lock, LOCK_SH) != 0) {
        if (lock >= 0) {
            ::close(lock);
        }
        return {};
    }
    const std::string name = SplitPath(info.path).name.substr(0, 200);
    std::string path = file.Name(kReplacedPrefix + name + ".");
    const Fd dirFd(::open(backupDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (path.empty() || dirFd.get() < 0 || !Sync(dirFd.get())) {
        ::close(lock);
        return {};
    }
    file.Keep();
    held.push_back(lock);
    return path;
}

// Settles one backup left by a save; nothing where its save is still
// running, or it cannot be settled now (it is tried again at the next start).
std::optional<InterruptedSave> Settle(const std::string& backupPath) {
    struct stat named;
    if (::lstat(backupPath.c_str(), &named) != 0) {
        return std::nullopt;
    }
    if (!S_ISREG(named.st_mode)) {
        return SetAsideUnreadable(backupPath);
    }
    Fd backup(::open(backupPath.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    BackupInfo info;
    struct stat backupSt;
    // Its times first: reading it could change them.
    if (backup.get() < 0 || ::fstat(backup.get(), &backupSt) != 0 ||
        ::flock(backup.get(), LOCK_EX | LOCK_NB) != 0) {
        return std::nullopt;
    }
    if (!ReadTrailer(backup.get(), &info)) {
        return SetAsideUnreadable(backupPath);
    }
    InterruptedSave result;
    result.path = info.path;
    std::string old, now;
    if (!ReadOld(backup.get(), info.oldSize, &old)) {
        return std::nullopt;
    }
    Fd file(::open(info.path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK));
    struct stat st;
    const bool same = file.get() >= 0 && ::fstat(file.get(), &st) == 0 && S_ISREG(st.st_mode) &&
                      uint64_t(st.st_dev) == info.dev && uint64_t(st.st_ino) == info.ino;
    if (same && !ReadWhole(file.get(), &now)) {
        return std::nullopt;
    }
    if (same && now == old) {
        ::unlink(backupPath.c_str()); // killed before the file was touched
        return std::nullopt;
    }
    if (same && HoldsNew(now, old, info)) {
        if (::ftruncate(file.get(), off_t(info.newSize)) != 0 || !Sync(file.get())) {
            return std::nullopt;
        }
        ::unlink(backupPath.c_str());
        result.outcome = InterruptedSave::Outcome::Finished;
        return result;
    }
    // Torn by the save itself only if nothing changed the file after the
    // save's last mark of progress (the status-change time tells, which no
    // program can set back), and it is no longer than the save could leave
    // it. Whatever else the file holds is another program's work.
    const bool oursAlone = same && Ns(st.st_ctim) <= Ns(backupSt.st_mtim) + kGraceNs &&
                           now.size() <= std::max(info.oldSize, info.newSize);
    if (oursAlone) {
        // Even so, what is put back over is kept until the next start.
        result.keptAt = KeepReplaced(SplitPath(backupPath).dir, info, now);
        if (result.keptAt.empty() || !WritePieces(file.get(), old, backup.get())) {
            return std::nullopt;
        }
        ::unlink(backupPath.c_str());
        result.outcome = InterruptedSave::Outcome::Undone;
        return result;
    }
    result.outcome = InterruptedSave::Outcome::Kept;
    result.keptAt = SetAside(backup.get(), backupPath, info);
    if (result.keptAt.empty()) {
        return std::nullopt;
    }
    return result;
}

// Removes what earlier restores kept, unless the program that kept it still runs.
void RemoveReplaced(const std::string& path) {
    const Fd kept(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (kept.get() >= 0 && ::flock(kept.get(), LOCK_EX | LOCK_NB) == 0) {
        ::unlink(path.c_str());
    }
}

} // namespace

std::vector<InterruptedSave> RestoreInterruptedSaves() {
    std::vector<InterruptedSave> results;
    const std::string dir = BackupDir();
    DIR* handle = dir.empty() ? nullptr : ::opendir(dir.c_str());
    if (handle == nullptr) {
        return results;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(handle)) {
        names.emplace_back(entry->d_name);
    }
    ::closedir(handle);
    std::vector<std::string> replaced;
    bool allSettled = true;
    for (const std::string& name : names) {
        const std::string path = dir + "/" + name;
        if (name.rfind(kBackupPrefix, 0) == 0) {
            if (auto settled = Settle(path)) {
                results.push_back(std::move(*settled));
            } else {
                allSettled = allSettled && !EntryExists(path);
            }
        } else if (name.rfind(kReplacedPrefix, 0) == 0) {
            replaced.push_back(path);
        } else if (name.rfind(kTempPrefix, 0) == 0) {
            // A backup never finished (where no unnamed files can be made):
            // its save had not touched the file yet.
            const Fd temp(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
            if (temp.get() >= 0 && ::flock(temp.get(), LOCK_EX | LOCK_NB) == 0) {
                ::unlink(path.c_str());
            }
        }
    }
    // What earlier restores replaced goes now, unless a backup could not be
    // settled this time (a restore that failed part-way may need it).
    if (allSettled) {
        std::for_each(replaced.begin(), replaced.end(), RemoveReplaced);
    }
    return results;
}

std::string InterruptedSave::Message() const {
    switch (outcome) {
    case Outcome::Undone:
        return FillIn(UserText("Errors", "Saving \"%1\" was interrupted; the file's content from "
                                         "before that save has been put back. What it held "
                                         "instead is kept in \"%2\" until the next start"),
                      {path, keptAt});
    case Outcome::Kept:
        return FillIn(UserText("Errors", "Saving \"%1\" was interrupted, and the file has "
                                         "changed since, so it is left as it is now; its "
                                         "content from before that save is kept in \"%2\""),
                      {path, keptAt});
    case Outcome::Finished:
    case Outcome::Unreadable:
        break;
    }
    return {};
}

} // namespace sheafpad::platform
