// SPDX-License-Identifier: GPL-3.0-or-later
// Replace All and Undo Replace over many files, safe against a crash.
//
// Before the first file is written, the old content of every file to
// change (and every rename) goes into one record in the user's state folder,
// written crash-safely; each file is then written with the crash-safe save,
// so that a crash leaves every file either old or new. Undo Replace reads
// the record, also after a restart, and puts back each file that still
// holds what the replace wrote; the record stays until the next replace or
// until it is undone.
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
    std::vector<RecordedFile> files;
    std::vector<RecordedRename> renames;
};

// The folder of the record and of the contents that an undo set aside:
// UserStateDir() + "replace" (empty when there is no state folder).
std::string ReplaceRecordDir();
// Whether a record of the last replace is there (without reading it).
bool HasReplaceRecord();
// The last replace's record; nothing when there is none. Throws Error when
// one is there but cannot be read.
std::optional<ReplaceRecord> ReadReplaceRecord();
void RemoveReplaceRecord();

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
    bool stopped = false;      // beforeWrite stopped it: files after those written were left alone
    bool paneFileDone = false; // the pane's file was reached: its edit is to be made
};

// Records every edit and rename (the edit of paneFile with the new bytes that
// the pane will write), then writes each edit's new bytes, except paneFile's:
// a file that changed since it was read is left alone and noted, a failed
// write noted and the others go on. Throws Error, having written nothing,
// when the record cannot be written. beforeWrite, when set, may stop it
// between two files; the record then holds only what was written.
ReplaceOutcome ApplyEdits(const std::vector<FileEdit>& edits,
                          const std::vector<RecordedRename>& renames, const std::string& paneFile,
                          const BeforeFile& beforeWrite = {});

struct UndoOutcome {
    size_t files = 0;                    // as they were before the replace
    std::vector<std::string> restored;   // files written back
    std::vector<RecordedRename> renamed; // renames undone
    std::vector<FileNote> notes;
    bool stopped = false; // beforeFile stopped it; the record stays for the rest
};

// Undoes the recorded replace: each file that holds what the replace wrote
// gets its old content back; one that holds its old content is left as it
// is; one changed since is left alone, its old content set aside in
// ReplaceRecordDir() and named in the note. Renames are undone where the
// old name is free, in the reverse order, and a folder that was made is
// removed again when it is empty. The record is removed. beforeFile, when
// set, may stop it between two files: the files put back stay so, the
// renames stay, and the record stays, so that Undo Replace finishes the work
// later.
UndoOutcome UndoReplace(const ReplaceRecord& record, const BeforeFile& beforeFile = {});

} // namespace sheafpad::search
