// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/replace_record.h"

#include "base/content_hash.h"
#include "base/errors.h"
#include "base/user_text.h"
#include "platform/entry_names.h"
#include "platform/file_io.h"
#include "platform/state_files.h"
#include "platform/user_dirs.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <random>

namespace sheafpad::search {

namespace {

// On disk, numbers in the machine's byte order: the magic; the head (the
// folder, the replace's id, the counts of files and renames) and its check;
// each file (path, new size, new hash, old bytes) and its check; the renames
// and their check; "end". A check is the ContentHash of its part's bytes.
const char kMagic[] = "Sheafpad replace record 2\n";
const char kEnd[] = "end\n";
const char kRecordPrefix[] = "replace-";
// Enough for any head: the folder's path and four numbers.
constexpr size_t kLongestHead = 64 * 1024;

// FNV-1a: the record's name for a folder (the record names its folder too).
std::string RecordName(std::string_view folder) {
    uint64_t hash = 14695981039346656037ull;
    for (const char c : folder) {
        hash = (hash ^ uint8_t(c)) * 1099511628211ull;
    }
    char name[40];
    std::snprintf(name, sizeof name, "%s%016llx", kRecordPrefix, (unsigned long long)hash);
    return name;
}

uint64_t NewId() {
    std::random_device random;
    const uint64_t id = (uint64_t(random()) << 32) ^ uint64_t(random());
    return id == 0 ? 1 : id;
}

// The records' folder, opened for use; the errno where it cannot be.
int OpenFolder(std::optional<platform::PrivateFolder>* folder) {
    const std::string dir = ReplaceRecordDir();
    return dir.empty() ? ENOENT : platform::PrivateFolder::Open(dir, folder);
}

std::string WhyNot(int error) {
    return error == EPERM    ? UserText("Search", "it belongs to another user")
           : error == ELOOP  ? UserText("Search", "it is a symbolic link")
           : error == EINVAL ? UserText("Search", "it is not a plain file")
                             : SystemReason(error);
}

// The record's pieces: small numbers kept here, big contents pointed to
// where they are; each part closed by the hash of its bytes.
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
    void Raw(std::string_view bytes) {
        views_.push_back(bytes);
        partStart_ = views_.size(); // no part of any part
    }
    // Ends a part: its check, of everything since the last one.
    void Check() {
        ContentHasher hasher;
        for (size_t i = partStart_; i < views_.size(); ++i) {
            hasher.Add(views_[i]);
        }
        Number(hasher.Value());
        partStart_ = views_.size();
    }
    const std::vector<std::string_view>& views() const { return views_; }

private:
    std::deque<std::string> store_; // stable addresses
    std::vector<std::string_view> views_;
    size_t partStart_ = 0;
};

// Reads the record's fields in turn; any shortfall makes it bad.
class Reader {
public:
    explicit Reader(std::string_view bytes) : all_(bytes), rest_(bytes) {}
    bool Raw(std::string_view expected) {
        ok_ = ok_ && rest_.substr(0, expected.size()) == expected;
        rest_.remove_prefix(ok_ ? expected.size() : 0);
        partStart_ = Offset();
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
    // Whether the part read since the last check is as its check says.
    bool Check() {
        const uint64_t computed = ContentHash(all_.substr(partStart_, Offset() - partStart_));
        const bool good = ok_ && Number() == computed;
        partStart_ = Offset();
        return good;
    }
    bool ok() const { return ok_; }
    bool AtEnd() const { return ok_ && rest_.empty(); }
    // At most this many more items of at least size bytes can follow.
    bool Room(uint64_t count, size_t size) const { return count <= rest_.size() / size; }

private:
    size_t Offset() const { return all_.size() - rest_.size(); }
    std::string_view all_, rest_;
    size_t partStart_ = 0;
    bool ok_ = true;
};

struct Head {
    std::string folder;
    uint64_t id = 0, files = 0, renames = 0;
};

std::optional<Head> ReadHead(Reader& reader) {
    Head head;
    reader.Raw(kMagic);
    head.folder = reader.Bytes();
    head.id = reader.Number();
    head.files = reader.Number();
    head.renames = reader.Number();
    if (!reader.Check()) {
        return std::nullopt;
    }
    return head;
}

void WriteRecord(const platform::PrivateFolder& dir, const std::string& folder, uint64_t id,
                 const std::vector<FileEdit>& edits, const std::vector<RecordedRename>& renames) {
    Pieces pieces;
    pieces.Raw(kMagic);
    pieces.Bytes(folder);
    pieces.Number(id);
    pieces.Number(edits.size());
    pieces.Number(renames.size());
    pieces.Check();
    for (const FileEdit& edit : edits) {
        pieces.Bytes(edit.path);
        pieces.Number(edit.newBytes.size());
        pieces.Number(ContentHash(edit.newBytes));
        pieces.Bytes(edit.oldBytes);
        pieces.Check();
    }
    for (const RecordedRename& rename : renames) {
        pieces.Bytes(rename.from);
        pieces.Bytes(rename.to);
    }
    pieces.Check();
    pieces.Raw(kEnd);
    if (const int error = dir.Write(RecordName(folder), pieces.views()); error != 0) {
        throw Error(FillIn(UserText("Search", "Nothing was replaced: the old contents cannot be "
                                              "kept in \"%1\". %2"),
                           {dir.Path(), SystemReason(error)}));
    }
}

// Keeps content in the records' folder under a new name from path's;
// returns where, or empty with *error set.
std::string SetAside(const platform::PrivateFolder& dir, const std::string& path,
                     std::string_view content, int* error) {
    const std::string name = path.substr(path.rfind('/') + 1).substr(0, 200);
    const auto stamp = std::chrono::system_clock::now().time_since_epoch().count();
    for (int n = 0; n < 100; ++n) {
        const std::string kept = name + ".before-replace-" + std::to_string(stamp) +
                                 (n == 0 ? "" : "-" + std::to_string(n));
        if (!dir.Exists(kept)) {
            *error = dir.Write(kept, {content});
            return *error == 0 ? dir.Path() + "/" + kept : "";
        }
    }
    *error = EEXIST;
    return {};
}

} // namespace

std::string ReplaceRecordDir() {
    const std::string state = platform::UserStateDir();
    return state.empty() ? state : state + "replace";
}

bool HasReplaceRecord(const std::string& folder) {
    std::optional<platform::PrivateFolder> dir;
    return OpenFolder(&dir) == 0 && dir->Exists(RecordName(folder));
}

std::optional<ReplaceRecord> ReadReplaceRecord(const std::string& folder) {
    std::optional<platform::PrivateFolder> dir;
    if (const int error = OpenFolder(&dir); error != 0) {
        if (error == ENOENT) {
            return std::nullopt;
        }
        throw Error(
            FillIn(UserText("Search", "The records of replaces cannot be used in \"%1\": %2"),
                   {ReplaceRecordDir(), WhyNot(error)}));
    }
    const std::string name = RecordName(folder);
    const std::string path = dir->Path() + "/" + name;
    std::string bytes;
    if (const int error = dir->Read(name, &bytes); error != 0) {
        if (error == ENOENT) {
            return std::nullopt;
        }
        throw Error(
            FillIn(UserText("Search", "The record of the last replace, \"%1\", is not used: %2"),
                   {path, WhyNot(error)}));
    }
    const std::string damaged =
        FillIn(UserText("Search",
                        "The record of the last replace, \"%1\", is damaged: nothing was put back"),
               {path});
    Reader reader(bytes);
    const std::optional<Head> head = ReadHead(reader);
    if (!head) {
        throw Error(damaged);
    }
    if (head->folder != folder) {
        return std::nullopt; // another folder's, by the chance of its name
    }
    ReplaceRecord record;
    record.folder = head->folder;
    record.id = head->id;
    if (!reader.Room(head->files, 4 * 8) || !reader.Room(head->renames, 2 * 8)) {
        throw Error(damaged);
    }
    // Every part is checked before anything is written.
    for (uint64_t i = 0; i < head->files; ++i) {
        RecordedFile file;
        file.path = reader.Bytes();
        file.newSize = reader.Number();
        file.newHash = reader.Number();
        file.oldBytes = reader.Bytes();
        if (!reader.Check()) {
            throw Error(FillIn(UserText("Search", "The record of the last replace, \"%1\", is "
                                                  "damaged in its part for \"%2\": nothing was "
                                                  "put back"),
                               {path, file.path}));
        }
        record.files.push_back(std::move(file));
    }
    for (uint64_t i = 0; i < head->renames; ++i) {
        RecordedRename rename;
        rename.from = reader.Bytes();
        rename.to = reader.Bytes();
        record.renames.push_back(std::move(rename));
    }
    if (!reader.Check() || !reader.Raw(kEnd) || !reader.AtEnd()) {
        throw Error(FillIn(UserText("Search", "The record of the last replace, \"%1\", is damaged "
                                              "in its renames or cut short: nothing was put back"),
                           {path}));
    }
    return record;
}

ReplaceOutcome ApplyEdits(const std::string& folder, const std::vector<FileEdit>& edits,
                          const std::vector<RecordedRename>& renames, const std::string& paneFile,
                          const BeforeFile& beforeWrite) {
    std::optional<platform::PrivateFolder> dir;
    if (const int error = OpenFolder(&dir); error != 0) {
        throw Error(FillIn(UserText("Search", "Nothing was replaced: the old contents cannot be "
                                              "kept in \"%1\": %2"),
                           {ReplaceRecordDir(), WhyNot(error)}));
    }
    ReplaceOutcome outcome;
    outcome.recordId = NewId();
    WriteRecord(*dir, folder, outcome.recordId, edits, renames);
    std::vector<char> written(edits.size(), 0);
    // The record holds every file's content before and after: each folder's
    // names are made durable once, at the end, not after every file.
    const platform::FolderFlushes flushes;
    std::vector<platform::SaveRun::File> saves;
    for (const FileEdit& edit : edits) {
        saves.push_back({edit.path == paneFile ? std::string() : edit.path, edit.newBytes});
    }
    platform::SaveRun run(std::move(saves));
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
                outcome.notes.push_back({edit.path, ChangedSinceSearch()});
                continue;
            }
            try {
                run.Save(i);
            } catch (const Error& error) {
                // A read-only file is said to be one, not that it cannot be created.
                outcome.notes.push_back({edit.path, platform::MayWriteFile(edit.path)
                                                        ? error.what()
                                                        : ReadOnlyReason()});
                continue;
            }
        }
        written[i] = 1;
        ++outcome.files;
        outcome.matches += edit.Count();
    }
    if (outcome.files == 0 && renames.empty()) {
        dir->Remove(RecordName(folder)); // nothing was replaced: there is nothing to undo
        outcome.recordId = 0;
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
            WriteRecord(*dir, folder, outcome.recordId, kept, renames);
        } catch (const Error&) {
        }
    }
    return outcome;
}

UndoOutcome UndoReplace(const ReplaceRecord& record, const BeforeFile& beforeFile) {
    UndoOutcome outcome;
    std::optional<platform::PrivateFolder> dir;
    const int opened = OpenFolder(&dir);
    size_t unkept = 0;
    std::string unkeptReason;
    // Keeps the old content of a file that is not put back; the record
    // stays where it cannot.
    const auto setAside = [&](const RecordedFile& file) {
        int error = opened;
        const std::string kept =
            opened == 0 ? SetAside(*dir, file.path, file.oldBytes, &error) : "";
        if (!kept.empty()) {
            outcome.notes.back().reason += FillIn(
                UserText("Search", "; its content from before the replace is kept in \"%1\""),
                {kept});
            return;
        }
        ++unkept;
        unkeptReason = unkeptReason.empty() ? SystemReason(error) : unkeptReason;
        outcome.notes.back().reason +=
            UserText("Search", "; its content from before the replace stays in the record");
    };
    std::vector<platform::SaveRun::File> saves;
    for (const RecordedFile& file : record.files) {
        saves.push_back({file.path, file.oldBytes});
    }
    platform::SaveRun run(std::move(saves));
    for (size_t i = 0; i < record.files.size(); ++i) {
        const RecordedFile& file = record.files[i];
        if (beforeFile && !beforeFile(i)) {
            outcome.stopped = true; // the record stays: the next undo finishes the work
            return outcome;
        }
        std::string now;
        try {
            now = platform::ReadFileBytes(file.path);
        } catch (const Error&) {
            now.clear();
            if (platform::EntryExists(file.path)) {
                outcome.notes.push_back(
                    {file.path, UserText("Search", "cannot be read: not undone")});
                setAside(file);
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
                run.Save(i);
                ++outcome.files;
                outcome.restored.push_back(file.path);
                continue;
            } catch (const Error& error) {
                outcome.notes.push_back({file.path, error.what()});
            }
        } else {
            outcome.notes.push_back(
                {file.path, UserText("Search", "changed since the replace: not undone")});
        }
        setAside(file);
    }
    for (auto it = record.renames.rbegin(); it != record.renames.rend(); ++it) {
        if (it->from.empty()) {
            // A folder that the change made: gone again unless something is in it now.
            const int error = platform::RemoveEmptyFolder(it->to);
            if (error == 0 || error == ENOENT) {
                outcome.renamed.push_back(*it);
            } else if (error != ENOTEMPTY) {
                outcome.notes.push_back(
                    {it->to, FillIn(UserText("Search", "not removed: %1"), {SystemReason(error)})});
            }
            continue;
        }
        const int error = platform::RenameWithoutReplacing(it->to, it->from);
        if (error == 0) {
            outcome.renamed.push_back(*it);
        } else if (error == ENOENT && platform::EntryExists(it->from)) {
            // Renamed back by an earlier undo that had to keep the record.
        } else {
            outcome.notes.push_back(
                {it->to,
                 error == EEXIST
                     ? FillIn(UserText("Search", "not renamed back: \"%1\" exists again"),
                              {it->from})
                     : FillIn(UserText("Search", "not renamed back: %1"), {SystemReason(error)})});
        }
    }
    const std::string name = RecordName(record.folder);
    if (unkept > 0) {
        outcome.recordKept = FillIn(
            UserText("Search",
                     "The record of the replace is kept in \"%1\", since the content from before "
                     "the replace of %n file(s) could not be kept anywhere else (%2); Undo Replace "
                     "tries again",
                     nullptr, int(unkept)),
            {opened == 0 ? dir->Path() + "/" + name : ReplaceRecordDir(), unkeptReason});
        return outcome;
    }
    // Removed only while it is still this replace's: another replace in the
    // folder may have superseded it meanwhile.
    std::string head;
    if (opened == 0 && dir->Read(name, &head, kLongestHead) == 0) {
        Reader reader(head);
        const std::optional<Head> stored = ReadHead(reader);
        if (stored && stored->id == record.id) {
            dir->Remove(name);
        }
    }
    return outcome;
}

} // namespace sheafpad::search
