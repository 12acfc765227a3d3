// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own state files, such as recovery copies of unsaved edits:
// a private folder, private files written crash-safely,
// and the locks by which a running process shows that it is still running.
#pragma once

#include "platform/file_identity.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sheafpad::platform {

// Makes path and its missing parents (mode 0700) and makes sure that path is
// a directory of this user that no one else may enter: its mode is tightened
// to 0700. Returns 0, else the errno of the step that failed (EPERM when the
// folder belongs to someone else).
int MakePrivateDirectory(const std::string& path);

// A folder of this user's own, opened once and then used only through its
// descriptor: its files are read, written and removed inside it and never
// through a symbolic link, so that no one else can slip their file in.
class PrivateFolder {
public:
    // Opens the folder at path, making it (and its missing parents) with
    // mode 0700 where missing. Refuses, with EPERM, a folder that another
    // user owns, and with ELOOP one that is a symbolic link; a folder of this
    // user that others may enter is tightened to 0700. 0 or the errno.
    static int Open(const std::string& path, std::optional<PrivateFolder>* folder);
    PrivateFolder(PrivateFolder&& other) noexcept;
    PrivateFolder& operator=(PrivateFolder&& other) noexcept;
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    ~PrivateFolder();

    const std::string& Path() const { return path_; } // as given, without a trailing "/"
    // The file name from its start, up to limit bytes. ENOENT where there is
    // none; ELOOP for a link, EPERM for a file another user owns and EINVAL
    // for what is not a regular file: none of them is read.
    int Read(const std::string& name, std::string* bytes, size_t limit = SIZE_MAX) const;
    // Whether an entry of any kind is at name.
    bool Exists(const std::string& name) const;
    // Replaces (or makes) the file name crash-safely, mode 0600: written
    // under a temporary name, flushed, renamed in place. 0 or the errno.
    int Write(const std::string& name, const std::vector<std::string_view>& pieces) const;
    // 0 (also when there was none) or the errno.
    int Remove(const std::string& name) const;

private:
    PrivateFolder(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fd_ = -1;
    std::string path_;
};

// A file that replaces the one at path crash-safely and is readable by this
// user only (0600): written as a temporary file beside it, whose name starts
// with tempPrefix, then flushed to disk and renamed over path. Until Commit
// the old file, if any, is untouched; without Commit the temporary file goes.
// A crash at any point leaves either the old file or the new one, whole.
class PrivateFileWriter {
public:
    PrivateFileWriter(const std::string& path, const std::string& tempPrefix);
    ~PrivateFileWriter();
    PrivateFileWriter(const PrivateFileWriter&) = delete;
    PrivateFileWriter& operator=(const PrivateFileWriter&) = delete;

    // Each does nothing once a step has failed.
    // Reserves room for at least size bytes at once, where the file system
    // can (less work than finding it piece by piece). Best effort.
    void Reserve(uint64_t size);
    void Append(std::string_view bytes);
    void WriteAt(uint64_t offset, std::string_view bytes);
    // Flushes the file and renames it over path. 0, else the errno of the
    // first step that failed.
    int Commit();

private:
    std::string path_;
    std::string temp_;
    int fd_ = -1;
    int error_ = 0;
};

// A private file (0600) that only grows: each Append is one write at its
// end, which a process killed right after it does not lose (the system
// holds it). Not flushed to disk.
class AppendOnlyFile {
public:
    // Makes the file at path, which must not exist yet; see Error().
    explicit AppendOnlyFile(const std::string& path);
    ~AppendOnlyFile();
    AppendOnlyFile(const AppendOnlyFile&) = delete;
    AppendOnlyFile& operator=(const AppendOnlyFile&) = delete;

    // 0, else the errno of the failed creation or of the first failed append
    // (after which nothing more is written).
    int Error() const { return error_; }
    int Append(std::string_view bytes);

private:
    int fd_ = -1;
    int error_ = 0;
};

// The concatenated pieces through a PrivateFileWriter. 0 or the errno.
int WritePrivateFile(const std::string& path, const std::string& tempPrefix,
                     const std::vector<std::string_view>& pieces);

// Renames from over to, and flushes the rename. Returns 0 or the errno.
int RenameFile(const std::string& from, const std::string& to);
// The same, without the flush: for many renames in one folder, followed by
// one SyncFolder.
int RenameFileUnsynced(const std::string& from, const std::string& to);
// Flushes the renames and removals made in the folder dir. Best effort.
void SyncFolder(const std::string& dir);

// Removes the file at path. Returns 0 (also when there was none) or the errno.
int RemoveFile(const std::string& path);

// An exclusive lock on a lock file, held until the object is destroyed or
// the process ends, however it ends.
class ProcessLock {
public:
    // Makes the lock file at path, already locked (it is locked under a
    // temporary name and then linked in place, so no one ever finds it
    // unlocked). Fails with EEXIST when the file exists. 0 or the errno.
    static int Create(const std::string& path, std::optional<ProcessLock>* lock);

    // Opens (making it, mode 0600, where missing) the lock file at path and
    // takes its lock, waiting while another process holds it. The file stays
    // when the lock goes. 0 or the errno.
    static int Hold(const std::string& path, std::optional<ProcessLock>* lock);

    enum class Outcome { Taken, HeldByOther, Missing };
    // Takes the lock of an existing lock file when no process holds it.
    // Missing: there is no such file, or the one opened was removed meanwhile.
    static Outcome Take(const std::string& path, std::optional<ProcessLock>* lock);

    ProcessLock(ProcessLock&& other) noexcept;
    ProcessLock& operator=(ProcessLock&& other) noexcept;
    ProcessLock(const ProcessLock&) = delete;
    ProcessLock& operator=(const ProcessLock&) = delete;
    ~ProcessLock(); // releases the lock, leaving the file

    // Removes the lock file while still holding it, then releases.
    void RemoveAndRelease();

private:
    ProcessLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fd_ = -1;
    std::string path_;
};

} // namespace sheafpad::platform
