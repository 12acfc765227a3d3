// SPDX-License-Identifier: GPL-3.0-or-later
#include "recovery/recovery_store.h"
#include "recovery/store_files.h"

#include "base/content_hash.h"
#include "platform/directory.h"
#include "platform/file_identity.h"
#include "platform/file_io.h"
#include "recovery/recovery_journal.h"
#include "text/text_buffer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <random>
#include <set>

namespace sheafpad::recovery {
namespace store_files {

std::string Hex16(uint64_t value) {
    char text[kRunIdLength + 1];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

std::string NewRunId() {
    std::random_device random;
    return Hex16((uint64_t(random()) << 32) ^ uint64_t(random()));
}

// FNV-1a: a stable key for a path within one run's names.
uint64_t PathKey(std::string_view path) {
    uint64_t hash = 14695981039346656037ull;
    for (const char c : path) {
        hash = (hash ^ uint8_t(c)) * 1099511628211ull;
    }
    return hash;
}

// The run that a file of the folder belongs to ("" for a foreign file):
// "<run>.lock", "<run>-<key>.entry", or a temporary file ".<run>...".
std::string RunOf(std::string_view name) {
    if (!name.empty() && name.front() == '.') {
        name.remove_prefix(1);
    }
    if (name.size() <= kRunIdLength || (name[kRunIdLength] != '-' && name[kRunIdLength] != '.')) {
        return {};
    }
    const std::string_view run = name.substr(0, kRunIdLength);
    const bool hex = std::all_of(run.begin(), run.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    });
    return hex ? std::string(run) : std::string();
}

// Temporary files start with "." and the entry's name, so they are known as the run's.
std::string TempPrefix(const std::string& entryPath) {
    return "." + entryPath.substr(entryPath.rfind('/') + 1) + ".";
}

bool EndsWith(std::string_view name, std::string_view suffix) {
    return name.size() > suffix.size() && name.substr(name.size() - suffix.size()) == suffix;
}

// Fills data from file, as far as the file goes; the count read.
size_t ReadFully(platform::FileReader& file, char* data, size_t size) {
    size_t filled = 0;
    while (filled < size) {
        const size_t got = file.Read(data + filled, size - filled);
        if (got == 0) {
            break;
        }
        filled += got;
    }
    return filled;
}

// The entry stored at path, read a piece at a time: one whose length is not
// the one its header declares, or whose text holds a NUL byte (no copy this
// program wrote), is refused at the piece that shows it, before it fills
// memory. Throws EFOpenError when the file cannot be read (or is not a
// regular file).
std::optional<Entry> ReadEntry(const std::string& path) {
    platform::FileReader file(path);
    constexpr size_t kPiece = 1 << 20;
    std::string head(size_t(std::min<uint64_t>(file.Size(), 64 << 10)), '\0');
    head.resize(ReadFully(file, head.data(), head.size()));
    std::optional<ParsedHeader> parsed = ParseHeader(head);
    if (!parsed || parsed->headerLength + parsed->textLength != file.Size()) {
        return std::nullopt;
    }
    Entry entry = std::move(parsed->entry);
    std::string& text = entry.text;
    text.reserve(parsed->textLength); // room only: memory is used as the pieces come
    text.assign(head, parsed->headerLength);
    for (size_t checked = 0;;) {
        if (ContainsNul(std::string_view(text).substr(checked))) {
            return std::nullopt;
        }
        checked = text.size();
        if (text.size() >= parsed->textLength) {
            break;
        }
        const size_t want = size_t(std::min<uint64_t>(kPiece, parsed->textLength - text.size()));
        text.resize(checked + want);
        const size_t got = ReadFully(file, text.data() + checked, want);
        text.resize(checked + got);
        if (got < want) {
            return std::nullopt; // cut short since its size was taken
        }
    }
    return entry;
}

// The whole of a journal, or nothing where it cannot be read (or is far
// longer than any journal this program writes).
std::optional<std::string> ReadJournal(const std::string& path) {
    try {
        platform::FileReader file(path);
        if (file.Size() > kLongestJournal) {
            return std::nullopt;
        }
        std::string bytes(size_t(file.Size()), '\0');
        bytes.resize(ReadFully(file, bytes.data(), bytes.size()));
        return bytes;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Makes the edits of journals (in order) in text. Returns how many could be
// applied; where one could not be read, *unreadable gets its index.
size_t ApplyJournals(TextBuffer& text, const std::vector<std::string>& journals,
                     size_t* unreadable) {
    size_t applied = 0;
    for (const std::string& journal : journals) {
        const std::optional<std::string> bytes = ReadJournal(journal);
        if (!bytes || !ApplyJournal(*bytes, text)) {
            if (unreadable != nullptr) {
                *unreadable = applied;
            }
            break;
        }
        ++applied;
    }
    return applied;
}

TextBuffer Decoded(const Entry& entry) {
    std::u16string decoded(DecodedCapacity(entry.text), u'\0');
    decoded.resize(DecodeText(entry.text, entry.textEncoding, decoded.data()));
    return TextBuffer(std::move(decoded));
}

// Makes the edits of journals in the entry's text; how many were applied.
size_t ApplyJournals(Entry& entry, const std::vector<std::string>& journals, size_t* unreadable) {
    if (journals.empty()) {
        return 0;
    }
    TextBuffer text = Decoded(entry);
    const size_t applied = ApplyJournals(text, journals, unreadable);
    if (applied > 0) {
        SetText(entry, text.Text(0, text.Length()), entry.format);
    }
    return applied;
}

} // namespace store_files

using namespace store_files;

std::vector<std::string> Store::Found::Files() const {
    std::vector<std::string> files{entryPath};
    files.insert(files.end(), journals.begin(), journals.end());
    return files;
}

Store::Store(std::string dir, std::string run, platform::ProcessLock lock)
    : dir_(std::move(dir)), run_(std::move(run)), lock_(std::move(lock)) {}

std::unique_ptr<Store> Store::Open(const std::string& dir, int* error) {
    std::string folder = dir.empty() || dir.back() == '/' ? dir : dir + '/';
    *error = folder.empty() ? ENOENT : platform::MakePrivateDirectory(folder);
    if (*error != 0) {
        return nullptr;
    }
    // A run id already in use (vanishingly unlikely) just draws another.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::string run = NewRunId();
        std::optional<platform::ProcessLock> lock;
        *error = platform::ProcessLock::Create(folder + run + ".lock", &lock);
        if (*error == 0) {
            return std::unique_ptr<Store>(new Store(folder, run, std::move(*lock)));
        }
        if (*error != EEXIST) {
            break;
        }
    }
    return nullptr;
}

Store::~Store() {
    ReleaseClaimed();
    lock_.RemoveAndRelease();
}

std::string Store::EntryPath(const std::string& path) const {
    return dir_ + run_ + "-" + Hex16(PathKey(path)) + std::string(kEntrySuffix);
}

std::string Store::JournalPath(const std::string& entryPath, uint64_t generation) {
    return entryPath.substr(0, entryPath.size() - kEntrySuffix.size()) + "." + Hex16(generation) +
           std::string(kJournalSuffix);
}

std::optional<Entry> Store::Recovered(const std::string& entryPath) {
    try {
        std::optional<Entry> entry = ReadEntry(entryPath);
        if (entry && entry->journal != 0) {
            std::vector<std::string> journals;
            for (uint64_t generation = entry->journal;; ++generation) {
                std::string journal = JournalPath(entryPath, generation);
                if (!platform::EntryExists(journal)) {
                    break;
                }
                journals.push_back(std::move(journal));
            }
            ApplyJournals(*entry, journals);
        }
        return entry;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string Store::SetAside(const std::string& name, std::string_view prefix) const {
    const std::string aside = dir_ + std::string(prefix) + name;
    return platform::RenameFileUnsynced(dir_ + name, aside) == 0 ? aside : std::string();
}

int Store::Write(const std::string& entryPath, const Entry& entry) const {
    const std::string header = Header(entry);
    return platform::WritePrivateFile(entryPath, TempPrefix(entryPath), {header, entry.text});
}

Store::PendingWrite Store::Stage(const std::string& entryPath, Entry entry,
                                 std::u16string_view text, const TextFormat& fileFormat) const {
    return Stage(
        entryPath, std::move(entry),
        [text](const std::function<bool(std::u16string_view)>& part) { part(text); }, text.size(),
        fileFormat);
}

Store::PendingWrite Store::Stage(const std::string& entryPath, Entry entry,
                                 const TextSnapshot& text, const TextFormat& fileFormat) const {
    return Stage(
        entryPath, std::move(entry),
        [&text](const std::function<bool(std::u16string_view)>& part) {
            text.ForEachChunk(0, text.Length(), part);
        },
        text.Length(), fileFormat);
}

Store::PendingWrite Store::Stage(const std::string& entryPath, Entry entry, const TextParts& text,
                                 size_t units, const TextFormat& fileFormat) const {
    entry.format = fileFormat;
    entry.text.clear();
    std::unique_ptr<platform::PrivateFileWriter> file;
    size_t lengthAt = 0;
    uint64_t length = 0;
    EncodeForCopy(
        text, fileFormat.encoding,
        [&](TextEncoding encoding) {
            // The header names the text's encoding: each attempt starts a new file.
            entry.textEncoding = encoding;
            const std::string header = Header(entry);
            lengthAt = LengthOffset(header);
            length = 0;
            file = std::make_unique<platform::PrivateFileWriter>(entryPath, TempPrefix(entryPath));
            file->Reserve(header.size() + units); // every unit takes a byte at least
            file->Append(header);
        },
        [&](std::string_view piece) {
            file->Append(piece);
            length += piece.size();
        });
    file->WriteAt(lengthAt, LengthDigits(length));
    return PendingWrite(std::move(file));
}

int Store::Remove(const std::string& entryPath) const {
    return platform::RemoveFile(entryPath);
}

} // namespace sheafpad::recovery
