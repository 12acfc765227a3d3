// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/replace_record.h"

#include "base/content_hash.h"
#include "base/errors.h"
#include "platform/entry_names.h"
#include "platform/file_io.h"
#include "platform/state_files.h"
#include "platform/user_dirs.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>

namespace sheafpad::search {

namespace {

const char kMagic[] = "Sheafpad replace record 1\n";
const char kEnd[] = "end\n";
const char kRecordName[] = "last-replace";
const char kTempPrefix[] = ".tmp-";

std::string RecordPath() {
    const std::string dir = ReplaceRecordDir();
    return dir.empty() ? dir : dir + "/" + kRecordName;
}

// The record's pieces: small numbers and names kept in numbers, big
// contents pointed to where they are.
class Pieces {
public:
    void Number(uint64_t value) {
        store_.emplace_back(reinterpret_cast<const char*>(&value), sizeof value);
        views_.push_back(store_.back());
    }
    void Bytes(std::string_view bytes) {
        Number(bytes.size());
        views_.push_back(bytes);
    }
    void Raw(std::string_view bytes) { views_.push_back(bytes); }
    const std::vector<std::string_view>& views() const { return views_; }

private:
    std::deque<std::string> store_; // stable addresses
    std::vector<std::string_view> views_;
};

// Reads the record's fields in turn; any shortfall makes it bad.
class Reader {
public:
    explicit Reader(std::string_view bytes) : rest_(bytes) {}
    bool Raw(std::string_view expected) {
        ok_ = ok_ && rest_.substr(0, expected.size()) == expected;
        rest_.remove_prefix(ok_ ? expected.size() : 0);
        return ok_;
    }
    uint64_t Number() {
        uint64_t value = 0;
        ok_ = ok_ && rest_.size() >= sizeof value;
        if (ok_) {
            std::memcpy(&value, rest_.data(), sizeof value);
            rest_.remove_prefix(sizeof value);
        }
        return value;
    }
    std::string Bytes() {
        const uint64_t size = Number();
        ok_ = ok_ && size <= rest_.size();
        if (!ok_) {
            return {};
        }
        std::string bytes(rest_.substr(0, size_t(size)));
        rest_.remove_prefix(size_t(size));
        return bytes;
    }
    bool ok() const { return ok_ && rest_.empty(); }

private:
    std::string_view rest_;
    bool ok_ = true;
};

void WriteRecord(const std::vector<FileEdit>& edits, const std::vector<RecordedRename>& renames) {
    const std::string dir = ReplaceRecordDir();
    const int made = dir.empty() ? ENOENT : platform::MakePrivateDirectory(dir);
    Pieces pieces;
    pieces.Raw(kMagic);
    pieces.Number(edits.size());
    pieces.Number(renames.size());
    for (const FileEdit& edit : edits) {
        pieces.Bytes(edit.path);
        pieces.Number(edit.newBytes.size());
        pieces.Number(ContentHash(edit.newBytes));
        pieces.Bytes(edit.oldBytes);
    }
    for (const RecordedRename& rename : renames) {
        pieces.Bytes(rename.from);
        pieces.Bytes(rename.to);
    }
    pieces.Raw(kEnd);
    const int error =
        made != 0 ? made : platform::WritePrivateFile(RecordPath(), kTempPrefix, pieces.views());
    if (error != 0) {
        throw Error("Nothing was replaced: the old contents cannot be kept in \"" + dir + "\". " +
                    SystemReason(error));
    }
}

// Keeps content in the record's folder under a new name from path's;
// returns where, or empty.
std::string SetAside(const std::string& path, std::string_view content) {
    const std::string dir = ReplaceRecordDir();
    const std::string name = path.substr(path.rfind('/') + 1).substr(0, 200);
    const auto stamp = std::chrono::system_clock::now().time_since_epoch().count();
    for (int n = 0; n < 100; ++n) {
        const std::string kept = dir + "/" + name + ".before-replace-" + std::to_string(stamp) +
                                 (n == 0 ? "" : "-" + std::to_string(n));
        if (!platform::EntryExists(kept)) {
            return platform::WritePrivateFile(kept, kTempPrefix, {content}) == 0 ? kept : "";
        }
    }
    return {};
}

} // namespace

std::string ReplaceRecordDir() {
    const std::string state = platform::UserStateDir();
    return state.empty() ? state : state + "replace";
}

bool HasReplaceRecord() {
    const std::string path = RecordPath();
    return !path.empty() && platform::EntryExists(path);
}

std::optional<ReplaceRecord> ReadReplaceRecord() {
    if (!HasReplaceRecord()) {
        return std::nullopt;
    }
    const std::string path = RecordPath();
    const std::string bytes = platform::ReadFileBytes(path);
    Reader reader(bytes);
    ReplaceRecord record;
    reader.Raw(kMagic);
    const uint64_t files = reader.Number();
    const uint64_t renames = reader.Number();
    for (uint64_t i = 0; i < files && reader.Raw(""); ++i) {
        RecordedFile file;
        file.path = reader.Bytes();
        file.newSize = reader.Number();
        file.newHash = reader.Number();
        file.oldBytes = reader.Bytes();
        record.files.push_back(std::move(file));
    }
    for (uint64_t i = 0; i < renames && reader.Raw(""); ++i) {
        RecordedRename rename;
        rename.from = reader.Bytes();
        rename.to = reader.Bytes();
        record.renames.push_back(std::move(rename));
    }
    reader.Raw(kEnd);
    if (!reader.ok()) {
        throw Error("The record of the last replace, \"" + path + "\", cannot be read");
    }
    return record;
}

void RemoveReplaceRecord() {
    const std::string path = RecordPath();
    if (!path.empty()) {
        platform::RemoveFile(path);
    }
}

ReplaceOutcome ApplyEdits(const std::vector<FileEdit>& edits,
                          const std::vector<RecordedRename>& renames, const std::string& paneFile,
                          const BeforeFile& beforeWrite) {
    WriteRecord(edits, renames);
    ReplaceOutcome outcome;
    std::vector<char> written(edits.size(), 0);
    // The record holds every file's content before and after: each folder's
    // names are made durable once, at the end, not after every file.
    const platform::FolderFlushes flushes;
    for (size_t i = 0; i < edits.size(); ++i) {
        const FileEdit& edit = edits[i];
        if (beforeWrite && !beforeWrite(i)) {
            outcome.stopped = true;
            break;
        }
        if (edit.path == paneFile) {
            outcome.paneFileDone = true;
        } else {
            if (platform::CompareIdentity(edit.identity, platform::FileIdentityOf(edit.path)) !=
                platform::FileChange::None) {
                outcome.notes.push_back({edit.path, kChangedSinceSearch});
                continue;
            }
            try {
                platform::WriteFileBytes(edit.path, edit.newBytes);
            } catch (const Error& error) {
                // A read-only file is said to be one, not that it cannot be created.
                outcome.notes.push_back(
                    {edit.path, platform::MayWriteFile(edit.path) ? error.what() : kReadOnly});
                continue;
            }
        }
        written[i] = 1;
        ++outcome.files;
        outcome.matches += edit.Count();
    }
    if (outcome.files == 0 && renames.empty()) {
        RemoveReplaceRecord(); // nothing was replaced: there is nothing to undo
    } else if (!outcome.notes.empty() || outcome.stopped) {
        // The files left alone are no part of what an undo puts back. Where
        // this fails, the undo finds them changed and leaves them alone too.
        std::vector<FileEdit> kept;
        for (size_t i = 0; i < edits.size(); ++i) {
            if (written[i]) {
                kept.push_back(edits[i]);
            }
        }
        try {
            WriteRecord(kept, renames);
        } catch (const Error&) {
        }
    }
    return outcome;
}

UndoOutcome UndoReplace(const ReplaceRecord& record, const BeforeFile& beforeFile) {
    UndoOutcome outcome;
    for (size_t i = 0; i < record.files.size(); ++i) {
        const RecordedFile& file = record.files[i];
        if (beforeFile && !beforeFile(i)) {
            outcome.stopped = true;
            return outcome;
        }
        std::string now;
        try {
            now = platform::ReadFileBytes(file.path);
        } catch (const Error&) {
            now.clear();
            if (platform::EntryExists(file.path)) {
                outcome.notes.push_back({file.path, "cannot be read: not undone"});
                continue;
            }
        }
        if (now == file.oldBytes) {
            ++outcome.files; // never written, or already back
            continue;
        }
        if (now.size() == file.newSize && ContentHash(now) == file.newHash &&
            platform::EntryExists(file.path)) {
            try {
                platform::WriteFileBytes(file.path, file.oldBytes);
                ++outcome.files;
                outcome.restored.push_back(file.path);
                continue;
            } catch (const Error& error) {
                outcome.notes.push_back({file.path, error.what()});
            }
        } else {
            outcome.notes.push_back({file.path, "changed since the replace: not undone"});
        }
        const std::string kept = SetAside(file.path, file.oldBytes);
        if (!kept.empty()) {
            outcome.notes.back().reason +=
                "; its content from before the replace is kept in \"" + kept + "\"";
        }
    }
    for (auto it = record.renames.rbegin(); it != record.renames.rend(); ++it) {
        if (it->from.empty()) {
            // A folder that the change made: gone again unless something is in it now.
            const int error = platform::RemoveEmptyFolder(it->to);
            if (error == 0 || error == ENOENT) {
                outcome.renamed.push_back(*it);
            } else if (error != ENOTEMPTY) {
                outcome.notes.push_back({it->to, "not removed: " + SystemReason(error)});
            }
            continue;
        }
        const int error = platform::RenameWithoutReplacing(it->to, it->from);
        if (error == 0) {
            outcome.renamed.push_back(*it);
        } else {
            outcome.notes.push_back(
                {it->to, error == EEXIST ? "not renamed back: \"" + it->from + "\" exists again"
                                         : "not renamed back: " + SystemReason(error)});
        }
    }
    RemoveReplaceRecord();
    return outcome;
}

} // namespace sheafpad::search
