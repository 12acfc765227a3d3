// SPDX-License-Identifier: GPL-3.0-or-later
// Settling, at start-up, the in-place saves that did not end: each file is
// judged by its bytes alone, against the old and new content in its backup
// and the backup's mark of progress (in_place_backup.h). Only a file that
// holds exactly what the interrupted save could have left is put back; a
// change of its times or mode alone makes no difference. Any other file is
// left as it is, and the copy of its old content kept for good.
#include "platform/file_io.h"

#include "base/content_hash.h"
#include "platform/file_io_posix_util.h"
#include "platform/in_place_backup.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
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
// What a restore replaced, kept until the next start; backups that cannot
// be read, set aside for good.
const char kReplacedPrefix[] = "replaced-";
const char kUnreadablePrefix[] = "unreadable-";

bool ReadWhole(int fd, std::string* bytes) {
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        return false;
    }
    bytes->resize(size_t(st.st_size));
    return ReadAt(fd, bytes->data(), bytes->size(), 0) == ssize_t(bytes->size());
}

size_t CommonPrefix(std::string_view a, std::string_view b) {
    const size_t size = std::min(a.size(), b.size());
    return size_t(std::mismatch(a.begin(), a.begin() + ptrdiff_t(size), b.begin()).first -
                  a.begin());
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

// What the file's bytes tell of a backup of version 2.
enum class Verdict { Untouched, Finished, Torn, Other };

// now is the file; old and fresh the contents in the backup; *torn gets the
// t of a torn file (the new content's first t bytes, then the old's rest),
// *puttingBack whether the old content was being put back over it.
Verdict Judge(const std::string& now, const std::string& old, const std::string& fresh,
              const BackupMark& mark, uint64_t* torn) {
    if (now == old) {
        return Verdict::Untouched;
    }
    if (!mark.puttingBack) {
        if (now == fresh || SpliceAt(now, fresh, old, fresh.size(), fresh.size())) {
            return Verdict::Finished; // at most the old content's end still to cut off
        }
        const std::optional<uint64_t> j =
            SpliceAt(now, fresh, old, mark.at, mark.at + kInPlacePiece);
        if (j) {
            *torn = *j;
            return Verdict::Torn;
        }
        return Verdict::Other;
    }
    // The old content was being put back over the torn file.
    const std::string tornFile = Splice(fresh, old, mark.torn);
    if (SpliceAt(now, old, tornFile, mark.at, mark.at + kInPlacePiece)) {
        *torn = mark.torn;
        return Verdict::Torn;
    }
    return Verdict::Other;
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
    if (backup.get() < 0 || ::flock(backup.get(), LOCK_EX | LOCK_NB) != 0) {
        return std::nullopt;
    }
    const std::optional<BackupInfo> read = ReadBackupTrailer(backup.get());
    if (!read) {
        return SetAsideUnreadable(backupPath);
    }
    const BackupInfo& info = *read;
    InterruptedSave result;
    result.path = info.path;
    std::string old(info.oldSize, '\0'), fresh, now;
    if (ReadAt(backup.get(), old.data(), old.size(), 0) != ssize_t(old.size())) {
        return std::nullopt;
    }
    if (info.version >= 2) {
        fresh.resize(info.newSize);
        if (ReadAt(backup.get(), fresh.data(), fresh.size(), off_t(info.oldSize)) !=
                ssize_t(fresh.size()) ||
            ContentHash(fresh) != info.newHash) {
            return SetAsideUnreadable(backupPath);
        }
    }
    Fd file(::open(info.path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK));
    struct stat st;
    const bool same = file.get() >= 0 && ::fstat(file.get(), &st) == 0 && S_ISREG(st.st_mode) &&
                      uint64_t(st.st_dev) == info.dev && uint64_t(st.st_ino) == info.ino;
    if (same && !ReadWhole(file.get(), &now)) {
        return std::nullopt;
    }
    uint64_t torn = 0;
    Verdict verdict = Verdict::Other;
    if (same && info.version >= 2) {
        verdict = Judge(now, old, fresh, info.mark, &torn);
    } else if (same && now == old) {
        verdict = Verdict::Untouched;
    } else if (same && now.size() >= info.newSize &&
               ContentHash(std::string_view(now).substr(0, info.newSize)) == info.newHash &&
               (now.size() == info.newSize ||
                (now.size() == old.size() && std::string_view(old).substr(info.newSize) ==
                                                 std::string_view(now).substr(info.newSize)))) {
        verdict = Verdict::Finished; // an older backup, without the new content: by its hash
    }
    switch (verdict) {
    case Verdict::Untouched:
        ::unlink(backupPath.c_str()); // killed before the file was touched, or put back
        return std::nullopt;
    case Verdict::Finished:
        if (::ftruncate(file.get(), off_t(info.newSize)) != 0 || !Sync(file.get())) {
            return std::nullopt;
        }
        ::unlink(backupPath.c_str());
        result.outcome = InterruptedSave::Outcome::Finished;
        return result;
    case Verdict::Torn:
        // Nothing but the save wrote it: the old content goes back. What it
        // held instead is kept until the next start all the same.
        result.keptAt = KeepReplaced(SplitPath(backupPath).dir, info, now);
        if (result.keptAt.empty() ||
            !WriteMarked(file.get(), old, 0, info, backup.get(), BackupMark{true, 0, torn})) {
            return std::nullopt;
        }
        ::unlink(backupPath.c_str());
        result.outcome = InterruptedSave::Outcome::Undone;
        return result;
    case Verdict::Other:
        break;
    }
    // Another program's work, or another file at the name: left alone. Says
    // whether the save's half-written content is in it: the file starts
    // with more of the new content than the old has in common with it.
    result.outcome = InterruptedSave::Outcome::Kept;
    result.mixed = same && info.version >= 2 &&
                   CommonPrefix(now, fresh) > CommonPrefix(old, fresh) && now != fresh;
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
    const std::string dir = InPlaceBackupDir();
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
        return "Saving \"" + path +
               "\" was interrupted; the file's content from before that "
               "save has been put back. What it held instead is kept in \"" +
               keptAt + "\" until the next start";
    case Outcome::Kept:
        return "Saving \"" + path +
               "\" was interrupted, and the file was changed after that, so it is left as it "
               "is now" +
               (mixed ? ": it is a half-written mix of the new content and the old, with "
                        "changes made after the save"
                      : "; it is not half written") +
               ". Its content from before that save is kept in \"" + keptAt + "\"";
    case Outcome::Finished:
    case Outcome::Unreadable:
        break;
    }
    return {};
}

} // namespace sheafpad::platform
