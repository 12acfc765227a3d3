// SPDX-License-Identifier: GPL-3.0-or-later
// Replace All and Undo Replace over many files, safe against a crash.
//
// Before the first file is written, the old content of every file to
// change (and every rename) goes into a record in the user's state folder,
// written crash-safely; each file is then written with the crash-safe save,
// so that a crash leaves every file either old or new. There is one record
// per folder, that of its last replace, whichever running program made it:
// a later replace in the same folder supersedes it. Undo Replace reads the
// record, also after a restart, and puts back each file that still holds
// what the replace wrote; the record stays until the next replace in the
// folder or until it is undone, and until everything that it must keep is
// kept elsewhere.
//
// Records are read, written and removed only inside a folder of this user
// (mode 0700, never through a symbolic link), and a record that another
// user owns is refused. Each file's part of a record carries a hash of its
// own, checked for every file before any file is written.
#pragma once

#include "search/file_edit.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sheafpad::search {

struct RecordedFile {
    std::string path;
    std::string oldBytes;
    uint64_t newSize = 0, newHash = 0; // of what the replace wrote
};
struct RecordedRename {
    std::string from, to; // full paths; from empty: to is a folder that was made
};
struct ReplaceRecord {
    std::string folder; // the folder whose files were replaced in
    uint64_t id = 0;    // this replace's own, told apart from any other's
    std::vector<RecordedFile> files;
    std::vector<RecordedRename> renames;
};

// The folder of the records and of the contents that an undo set aside:
// UserStateDir() + "replace" (empty when there is no state folder).
std::string ReplaceRecordDir();
// Whether a record of folder's last replace is there (without reading it).
bool HasReplaceRecord(const std::string& folder);
// The record of folder's last replace; nothing when there is none. Throws
// Error, having written nothing, when one is there but cannot be used: cut
// short, damaged (the message names the file whose part is), not this
// user's, or not a plain file.
std::optional<ReplaceRecord> ReadReplaceRecord(const std::string& folder);

// A file that was not changed, and why.
struct FileNote {
    std::string path;
    std::string reason;
};

// Told before each file is written (its number among all); false stops
// there: that file and the ones after it are left as they are.
using BeforeFile = std::function<bool(size_t)>;

struct ReplaceOutcome {
    size_t files = 0, matches = 0; // written (or left to the pane)
    std::vector<FileNote> notes;
    uint64_t recordId = 0;     // of the record that now stands for folder (0: none)
    bool stopped = false;      // beforeWrite stopped it: files after those written were left alone
    bool paneFileDone = false; // the pane's file was reached: its edit is to be made
};

// Records every edit and rename in folder (the edit of paneFile with the new
// bytes that the pane will write), superseding the folder's earlier record,
// then writes each edit's new bytes, except paneFile's: a file that changed
// since it was read is left alone and noted, a failed write noted and the
// others go on. Throws Error, having written nothing, when the record cannot
// be written. beforeWrite, when set, may stop it between two files; the
// record then holds only what was written (none when nothing was).
ReplaceOutcome ApplyEdits(const std::string& folder, const std::vector<FileEdit>& edits,
                          const std::vector<RecordedRename>& renames, const std::string& paneFile,
                          const BeforeFile& beforeWrite = {});

struct UndoOutcome {
    size_t files = 0;                    // as they were before the replace
    std::vector<std::string> restored;   // files written back
    std::vector<RecordedRename> renamed; // renames undone
    std::vector<FileNote> notes;
    // The record stays, since the content from before the replace of some
    // file could not be kept anywhere else; the reason, ready to show.
    std::string recordKept;
    bool stopped = false; // beforeFile stopped it; the record stays for the rest
};

// Undoes the recorded replace: each file that holds what the replace wrote
// gets its old content back; one that holds its old content is left as it
// is; one changed since (or that cannot be read or written) is left alone,
// its old content set aside in ReplaceRecordDir() and named in the note.
// Renames are undone where the old name is free, in the reverse order, and a
// folder that was made is removed again when it is empty. The record is
// removed unless it is still the only place of some old content, and unless
// another replace in the folder superseded it meanwhile. beforeFile, when
// set, may stop it between two files: the files put back stay so, the
// renames are not undone yet, and the record stays, so that Undo Replace
// finishes the work later.
UndoOutcome UndoReplace(const ReplaceRecord& record, const BeforeFile& beforeFile = {});

} // namespace sheafpad::search
