// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and saving whole files.
#pragma once

#include "platform/file_identity.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sheafpad::platform {

// The path made absolute against the working directory (no link resolution),
// as error messages show it.
std::string AbsolutePath(const std::string& path);

// The whole content of the file. Throws EFOpenError (absolute path, system
// reason) when it cannot be opened, is not a regular file, or a read fails
// part-way.
std::string ReadFileBytes(const std::string& path);
// The same, handing each piece to look at as soon as it is read; look may
// throw to stop the read. Memory is taken a piece at a time, so a file
// refused for its first piece never fills memory, whatever its size.
using PieceCheck = std::function<void(std::string_view piece)>;
std::string ReadFileBytes(const std::string& path, const PieceCheck& look);

// At most limit bytes from the start of the regular file at path, or nothing
// when there is no file at path (a dangling symbolic link included). Never
// waits on a FIFO or device. Fails as ReadFileBytes does otherwise.
std::optional<std::string> ReadFileStart(const std::string& path, size_t limit);

// A regular file opened for reading, read a piece at a time from its start.
// Opening never waits on a FIFO or device.
class FileReader {
public:
    // Throws EFOpenError (absolute path, system reason) when the file cannot
    // be opened (a missing file included) or is not a regular file.
    explicit FileReader(const std::string& path);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // Reads up to size bytes into data: the count read, 0 at the end of the
    // file. Throws EFOpenError when a read fails.
    size_t Read(char* data, size_t size);
    // The file's size when it was opened.
    uint64_t Size() const { return size_; }

private:
    std::string path_; // as given, for the error message
    int fd_;
    uint64_t size_ = 0;
};

// Whether the regular file at path holds exactly bytes. Reads it a piece at
// a time, and not at all when its size differs; false when it cannot be read.
bool FileHoldsBytes(const std::string& path, std::string_view bytes);

// Whether a directory without any write permission bit is read-only for
// every user, as such a file always is: then no file is made in it and its
// files are rewritten in place only.
enum class LockedDirectories { AsTheSystemAllows, ReadOnly };

// Whether an entry of any kind (a dangling symbolic link included) is at path.
bool EntryExists(const std::string& path);

// Whether this user may write the file at path: false for a file that is
// read-only (no write permission bit at all: read-only for every user, as
// saves take it) or that the system would not let this user write; true
// when there is no file at path.
bool MayWriteFile(const std::string& path);

// Whether this user may make files in the directory dir. A directory without
// any write permission bit is taken as read-only for every user, root
// included (as LockedDirectories::ReadOnly has it).
bool MayCreateFilesIn(const std::string& dir);

// Whether path is a regular file (a symbolic link is followed) that belongs
// to this user, who may write it. A file without its owner's write bit is
// read-only for its owner, root included.
bool IsOwnWritableFile(const std::string& path);

// Replaces the file's content by bytes, crash-safely: a new file without a
// name in the same directory (a hidden temporary name where the file system
// has no unnamed files), written and flushed to disk, then named and renamed
// over the file, keeping its permission bits, owner, group, access list and
// other extended attributes; a symbolic link is followed. An interrupted save
// leaves the old file and no new name. Where a rename would change the file's
// identity (several hard links, owner, group or an attribute that cannot be
// kept, a directory that cannot be written, not a regular file) the file is
// written in place, after a synced copy of its old content went to the backup
// folder (see RestoreInterruptedSaves). A file without any write permission
// bit is read-only for every user.
// Throws EFCreateError when the file cannot be created or opened for writing,
// EOutOfResources "Cannot save file "<path>". <reason>" when saving
// fails after that: a full disk (found before the file is touched; where
// there is room to write in place but not for the copy, the reason says so),
// a failed write, a backup that cannot be made. The file is left as it was,
// except a device or FIFO, which has no old content to keep.
// Returns the identity of the file as this save left it (taken from the
// written file itself, so that a change by another program right after the
// save is not mistaken for this save's).
FileIdentity WriteFileBytes(const std::string& path, std::string_view bytes,
                            LockedDirectories locked = LockedDirectories::AsTheSystemAllows);

// A run of saves, each made as WriteFileBytes makes it (and failing as it
// does), in the order of the files given. While one file is put in place,
// helper threads make, write and flush to disk the new copies of the next
// few, without names: the run waits on the disk far less
// than one save after the other, and a file's own name is touched only when
// its turn comes. A copy made ahead is used only if the file is still the
// one it was made for; a run that ends early (or a killed program) leaves no
// name behind. On a file system without unnamed files, nothing is made ahead.
class SaveRun {
public:
    struct File {
        std::string path; // empty: nothing to save (Save is not called for it)
        std::string_view bytes;
    };
    // The bytes must live as long as the run.
    explicit SaveRun(std::vector<File> files);
    ~SaveRun();
    SaveRun(const SaveRun&) = delete;
    SaveRun& operator=(const SaveRun&) = delete;
    // Saves file i. Each call's i is greater than the last one's; the files
    // passed over are not saved.
    FileIdentity Save(size_t i);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// While one lives on a thread, the saves that thread makes leave the flush
// of their folders to it: each folder is flushed once, when it ends. For a
// run of saves whose every file may be old or new after a crash (a record
// of them is kept): the new contents are flushed before they are named, as
// ever; only when the names last is put off to the end.
class FolderFlushes {
public:
    FolderFlushes();
    ~FolderFlushes();
    FolderFlushes(const FolderFlushes&) = delete;
    FolderFlushes& operator=(const FolderFlushes&) = delete;
    // The folder's flush, put off when one lives on this thread; false when
    // none does (the caller flushes now).
    static bool PutOff(const std::string& dir);

private:
    std::vector<std::string> dirs_;
    FolderFlushes* outer_;
};

// What start-up found of an in-place save that did not end (the program was
// killed, the machine went down). Such a save keeps a synced copy of the old
// and the new content in UserStateDir() + "backup/" until the file is
// written whole, and marks there how far it got.
struct InterruptedSave {
    enum class Outcome {
        Undone,     // the file was torn by the save alone; its content from before is back
        Finished,   // the new content had been written whole; the save was completed
        Kept,       // the file changed since, or is gone: the old content is kept aside
        Unreadable, // a file named as a backup could not be read: set aside
    };
    std::string path; // the file that was being saved (empty for Unreadable)
    Outcome outcome = Outcome::Undone;
    // Kept: the file still holds part of what the save wrote, amid the old
    // content and later changes.
    bool mixed = false;
    // Kept: the file that holds the content from before the save; Undone:
    // the one that holds what the file held instead, until the next start;
    // Unreadable: the new name of the file set aside.
    std::string keptAt;

    // What to tell the user; empty where there is nothing to tell of this
    // save alone (Finished, and Unreadable, which are told together).
    std::string Message() const;
};

// Puts back every file that an interrupted in-place save left half written,
// where its bytes are exactly what that save could have left (whatever its
// times or mode say), and reports what it did; what was put back over is
// kept until the next start. Any other file is left as it is and the copy of
// its old content kept for good. Called once at start-up; saves still in
// progress in another running instance are left alone.
std::vector<InterruptedSave> RestoreInterruptedSaves();

} // namespace sheafpad::platform
