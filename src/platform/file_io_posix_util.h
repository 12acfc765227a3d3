// SPDX-License-Identifier: GPL-3.0-or-later
// What the POSIX reading and saving code shares: descriptors, whole writes,
// new files that get a name only when complete, the save failure message.
// Private to src/platform.
#pragma once

#include "base/errors.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace sheafpad::platform::posix {

// Closes a descriptor once, on scope exit unless released.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd();
    Fd(Fd&& other) noexcept : fd_(other.Release()) {}
    Fd& operator=(Fd&& other) noexcept;
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
    bool Close();

private:
    int fd_;
};

// Writes all of bytes, retrying after signals; false (errno set) on any
// failed write or one that makes no progress. beforeEach, when given, runs
// before each write call.
bool WriteAll(int fd, std::string_view bytes, void (*beforeEach)(int) = nullptr, int argument = 0);

// Reads up to size bytes from offset, retrying after signals and short
// reads; the count read (less at the end of the file), or -1 (errno set).
ssize_t ReadAt(int fd, char* data, size_t size, off_t offset);

// fsync, where devices that cannot sync (EINVAL) count as synced.
bool Sync(int fd);

// Takes back the O_NONBLOCK that opened the file without waiting.
bool ClearNonBlock(int fd);

// A path's directory part and name part ("." for a bare name).
struct PathParts {
    std::string dir;
    std::string name;
};
PathParts SplitPath(const std::string& path);

// The room on fd's file system: the bytes free for this process, and the
// bytes that a file of size would take there. Nothing where the file system
// does not tell (it reports no blocks at all, as ramfs does).
struct Room {
    uint64_t free = 0;
    uint64_t needed = 0;
};
std::optional<Room> RoomFor(int fd, uint64_t size);

// The bytes a file takes on disk now.
inline uint64_t SpaceTaken(const struct stat& st) {
    return uint64_t(st.st_blocks) * 512;
}

// "Cannot save file "<path>". <reason>": a save that failed after the
// file could be opened. The error display adds the closing period.
EOutOfResources SaveFailed(const std::string& shown, const std::string& reason);
EOutOfResources SaveFailed(const std::string& shown, int error);

// A new file in a directory that has no name until it is complete: an
// unnamed file (O_TMPFILE) where the file system has them, else a file with
// a hidden temporary name, removed again on every path but success.
class NewFile {
public:
    // Check ok() after; errno tells why not. fallbackName is the name that the
    // file has from the start where no unnamed file can be made.
    NewFile(const std::string& dir, const std::string& fallbackName);
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    bool ok() const { return fd_.get() >= 0; }
    // Whether it has a name already (the file system has no unnamed files).
    bool named() const { return !named_.empty(); }
    int fd() const { return fd_.get(); }
    // Closes the descriptor, reporting a delayed write error.
    bool Close() { return fd_.Close(); }

    // Gives the complete file a fresh name in its directory: prefix followed
    // by random letters. Returns the path, or empty (errno set). The name is
    // removed again on destruction unless Keep() is called.
    std::string Name(const std::string& prefix);
    // Puts the complete file in target's place. An unnamed file needs a
    // temporary name first (a link cannot replace a name); the link and the
    // rename run in a child process, which finishes them even when this
    // process is killed in between, so that no name is left behind. Returns
    // 0, or the errno of the step that failed; *renameFailed tells which.
    int Replace(const std::string& prefix, const std::string& target, bool* renameFailed);
    // The file's named path goes away now (on every path but success).
    void Discard();
    // Gives the file's name up to the caller.
    void Keep() { named_.clear(); }

private:
    std::string dir_;
    Fd fd_;
    std::string named_; // the name the file has, if any
};

// Random letters and digits for fresh names.
std::string RandomSuffix(size_t length);

// Writes bytes over the file at path itself, for files whose identity a
// replacement would change. existing is the file's status, or null where the
// file is made (through a dangling link). A regular file keeps a synced copy
// of its old content in the backup folder until the write is complete and
// synced; the space is checked before the file is touched. Returns the
// file's status once written.
struct stat WriteInPlace(const std::string& shown, const std::string& path, std::string_view bytes,
                         const struct stat* existing);

} // namespace sheafpad::platform::posix
