// SPDX-License-Identifier: GPL-3.0-or-later
// Saving a whole file: the crash-safe replacement, and the choice between it
// and writing the file in place.
#include "base/user_text.h"
#include "platform/file_io.h"

#include "base/errors.h"
#include "platform/file_io_posix_util.h"
#include "platform/file_save_steps.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace sheafpad::platform {

using namespace posix;

namespace {

const char kAccessList[] = "system.posix_acl_access";

// Calls get(buffer, size) until the buffer is large enough; false (errno
// set) when it fails otherwise.
template <typename Get> bool GetSized(std::string& out, Get get) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = get(nullptr, 0);
        if (size < 0) {
            return false;
        }
        out.resize(size_t(size));
        const ssize_t got = get(out.data(), out.size());
        if (got >= 0) {
            out.resize(size_t(got));
            return true;
        }
        if (errno != ERANGE) {
            return false; // else it grew meanwhile: ask again
        }
    }
    return false;
}

// Gives the new file (fd) every extended attribute of the file at from: the
// access list, user.* and the rest. False where one cannot be read or set;
// then only the file itself keeps them all.
bool CopyAttributes(const std::string& from, int fd) {
    std::string names;
    if (!GetSized(names,
                  [&](char* buf, size_t size) { return ::listxattr(from.c_str(), buf, size); })) {
        return errno == ENOTSUP; // a file system without them: nothing to copy
    }
    bool hasAccessList = false;
    for (size_t at = 0; at < names.size(); at += std::strlen(names.c_str() + at) + 1) {
        const char* name = names.c_str() + at;
        hasAccessList = hasAccessList || std::strcmp(name, kAccessList) == 0;
        std::string value, present;
        if (!GetSized(value, [&](char* buf, size_t size) {
                return ::getxattr(from.c_str(), name, buf, size);
            })) {
            if (errno == ENODATA) {
                continue; // removed meanwhile
            }
            return false;
        }
        // Already there (a security label the system gave the new file too):
        // setting it again could be refused for no reason.
        if (GetSized(present,
                     [&](char* buf, size_t size) { return ::fgetxattr(fd, name, buf, size); }) &&
            present == value) {
            continue;
        }
        if (::fsetxattr(fd, name, value.data(), value.size(), 0) != 0) {
            return false;
        }
    }
    // An access list the new file took from its directory's default list.
    if (!hasAccessList) {
        ::fremovexattr(fd, kAccessList);
    }
    return true;
}

// The message for a full disk: whether writing in place would have fitted.
EOutOfResources NoRoom(const std::string& shown, const Target& target, size_t size) {
    const Fd dir(::open(target.parts.dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const std::optional<Room> room = RoomFor(dir.get(), size);
    if (target.exists && room && room->needed <= room->free + SpaceTaken(target.st)) {
        return SaveFailed(
            shown, FillIn(UserText("Errors", "%1 for a second copy; the file was left unchanged"),
                          {SystemReason(ENOSPC)}));
    }
    return SaveFailed(shown, ENOSPC);
}

// The failure of writing or syncing a copy (error): a full disk is told
// as such.
[[noreturn]] void ThrowCopyFailed(const Target& target, size_t size, int error) {
    if (error == ENOSPC) {
        throw NoRoom(target.shown, target, size);
    }
    throw SaveFailed(target.shown, error);
}

// Gives the new file the target's owner, group, mode and extended attributes.
// False where that cannot be done: the file itself must then take the bytes.
bool TakeOverIdentity(const Target& target, int fd) {
    mode_t mode;
    if (target.exists) {
        mode = target.st.st_mode & 07777;
        struct stat own;
        if (::fstat(fd, &own) != 0) {
            return false;
        }
        if (own.st_uid != target.st.st_uid || own.st_gid != target.st.st_gid) {
            const uid_t uid = own.st_uid != target.st.st_uid ? target.st.st_uid : uid_t(-1);
            const gid_t gid = own.st_gid != target.st.st_gid ? target.st.st_gid : gid_t(-1);
            if (::fchown(fd, uid, gid) != 0) {
                return false;
            }
        }
    } else {
        // A new file gets the mode that creating it directly would give.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    // After the owner: a change of owner may clear the set-id bits. Before
    // the access list, which sets the group bits of the mode itself.
    return ::fchmod(fd, mode) == 0 && (!target.exists || CopyAttributes(target.path, fd));
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
    return (dirSt.st_mode & S_ISVTX) != 0 && me != 0 && st.st_uid != me && dirSt.st_uid != me;
}

} // namespace

namespace posix {

SaveWay PlanSave(const std::string& path, LockedDirectories locked, Target* target) {
    target->shown = AbsolutePath(path);
    const std::string& shown = target->shown;
    if (::lstat(path.c_str(), &target->linkSt) != 0) {
        if (errno != ENOENT || path.empty() || path.back() == '/') {
            throw EFCreateError(shown, SystemReason(errno != 0 ? errno : ENOENT));
        }
        target->path = path; // a new file (its directory may be missing: then creation fails)
    } else if (::stat(path.c_str(), &target->st) != 0) {
        if (errno != ENOENT || !S_ISLNK(target->linkSt.st_mode)) {
            throw EFCreateError(shown, SystemReason(errno));
        }
        // A symbolic link to a file that does not exist yet: creating through
        // the link makes that file.
        return SaveWay::ThroughLink;
    } else {
        target->exists = true;
        std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                         &std::free);
        if (real == nullptr) {
            throw EFCreateError(shown, SystemReason(errno));
        }
        target->path = real.get();
    }
    target->parts = SplitPath(target->path);
    target->dirKnown = ::stat(target->parts.dir.c_str(), &target->dirSt) == 0;
    const bool lockedDir = locked == LockedDirectories::ReadOnly && target->dirKnown &&
                           (target->dirSt.st_mode & 0222) == 0;

    if (target->exists) {
        if (S_ISDIR(target->st.st_mode)) {
            throw EFCreateError(shown, SystemReason(EISDIR));
        }
        // No write bit at all is the read-only attribute: it holds for every
        // user, including one whom the system would let write anyway.
        if ((target->st.st_mode & 0222) == 0) {
            throw EFCreateError(shown, SystemReason(EACCES));
        }
        // Whoever may not write the file may not replace it either.
        if (::access(target->path.c_str(), W_OK) != 0) {
            throw EFCreateError(shown, SystemReason(errno));
        }
        if (lockedDir || NeedsInPlace(*target)) {
            return SaveWay::InPlace;
        }
    } else if (lockedDir) {
        throw EFCreateError(shown, SystemReason(EACCES));
    }
    return SaveWay::ByRename;
}

SafeResult WriteCopy(const Target& target, std::string_view bytes, bool sync, NewCopy* copy) {
    const auto& [dir, name] = target.parts;
    // Keep the name within NAME_MAX: the prefix of a long name is enough.
    copy->tempPrefix = ".";
    copy->tempPrefix.append(name, 0, 200).append(".");
    NewFile& file = copy->file.emplace(dir, copy->tempPrefix);
    if (!file.ok()) {
        const int error = errno;
        if (target.exists && (error == EACCES || error == EPERM)) {
            return SafeResult::UseInPlace;
        }
        throw EFCreateError(target.shown, SystemReason(error));
    }
    if (!sync && file.named()) {
        return SafeResult::UseInPlace; // a copy made ahead must not leave a name if killed
    }
    if (!TakeOverIdentity(target, file.fd())) {
        return SafeResult::UseInPlace;
    }
    // Room for the new content beside the old one; no silent change to the
    // in-place path, which could not be undone the same way.
    const std::optional<Room> room = RoomFor(file.fd(), bytes.size());
    if (room && room->needed > room->free) {
        throw NoRoom(target.shown, target, bytes.size());
    }
    if (!WriteAll(file.fd(), bytes) || (sync && !Sync(file.fd()))) {
        ThrowCopyFailed(target, bytes.size(), errno);
    }
    return SafeResult::Done;
}

SafeResult PlaceCopy(const Target& target, NewCopy& copy, struct stat* written) {
    NewFile& file = *copy.file;
    // Named only now that it is complete and synced.
    bool atRename = false;
    if (const int error = file.Replace(copy.tempPrefix, target.path, &atRename)) {
        // Refused for the file's place rather than for its content (a sticky
        // directory, a mount point): the file itself may still take the bytes.
        if (atRename && target.exists &&
            (error == EPERM || error == EACCES || error == EBUSY || error == EXDEV)) {
            return SafeResult::UseInPlace;
        }
        throw SaveFailed(target.shown, error);
    }
    // Make the rename itself durable. The new content is in place whatever
    // this gives, so a failure here is not reported.
    const std::string& dir = target.parts.dir;
    if (!FolderFlushes::PutOff(dir)) {
        Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dirFd.get() >= 0) {
            ::fsync(dirFd.get());
        }
    }
    // After the rename, which sets the status-change time too.
    if (::fstat(file.fd(), written) != 0) {
        written->st_ino = 0; // not known: the caller looks at the name instead
    }
    return SafeResult::Done;
}

// The identity of the file at path, as the save's own status of it says.
FileIdentity Written(const std::string& path, const struct stat& st, std::string_view bytes) {
    if (st.st_ino == 0) {
        return FileIdentityOf(path); // not known: the name tells
    }
    FileIdentity identity = FileIdentityOf(path, st);
    identity.contentHash = ContentHash(bytes);
    return identity;
}

} // namespace posix

// The crash-safe save: a new file without a name in the same directory,
// written, synced, named, then renamed over the target. Where the
// replacement could not keep what the file is, the file itself takes the
// bytes. An interrupted save leaves no name behind.
FileIdentity WriteFileBytes(const std::string& path, std::string_view bytes,
                            LockedDirectories locked) {
    Target target;
    switch (PlanSave(path, locked, &target)) {
    case SaveWay::ThroughLink:
        return Written(path, WriteInPlace(target.shown, path, bytes, nullptr), bytes);
    case SaveWay::InPlace:
        return Written(path, WriteInPlace(target.shown, target.path, bytes, &target.st), bytes);
    case SaveWay::ByRename:
        break;
    }
    struct stat written {};
    NewCopy copy;
    if (WriteCopy(target, bytes, true, &copy) == SafeResult::UseInPlace ||
        PlaceCopy(target, copy, &written) == SafeResult::UseInPlace) {
        copy.file.reset(); // its space is free again for the in-place save
        written =
            WriteInPlace(target.shown, target.path, bytes, target.exists ? &target.st : nullptr);
    }
    return Written(path, written, bytes);
}

namespace {
thread_local FolderFlushes* flushes = nullptr;
} // namespace

FolderFlushes::FolderFlushes() : outer_(flushes) {
    flushes = this;
}

FolderFlushes::~FolderFlushes() {
    flushes = outer_;
    for (const std::string& dir : dirs_) {
        const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
    }
}

bool FolderFlushes::PutOff(const std::string& dir) {
    if (flushes == nullptr) {
        return false;
    }
    if (std::find(flushes->dirs_.begin(), flushes->dirs_.end(), dir) == flushes->dirs_.end()) {
        flushes->dirs_.push_back(dir);
    }
    return true;
}

} // namespace sheafpad::platform
