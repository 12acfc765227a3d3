// SPDX-License-Identifier: GPL-3.0-or-later
#include "recovery/recovery_store.h"

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
namespace {

constexpr size_t kRunIdLength = 16;
constexpr std::string_view kEntrySuffix = ".entry";
constexpr std::string_view kJournalSuffix = ".journal";
constexpr std::string_view kSetAsidePrefix = "unreadable-";
constexpr std::string_view kUnappliedPrefix = "unapplied-";
// Held by the program that claims ended runs, while it claims.
constexpr char kClaimLock[] = "claim.lock";
// Journals are kept short (a whole copy follows long typing); a longer file
// is not one of them.
constexpr uint64_t kLongestJournal = uint64_t(64) << 20;

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
                     size_t* unreadable = nullptr) {
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
size_t ApplyJournals(Entry& entry, const std::vector<std::string>& journals,
                     size_t* unreadable = nullptr) {
    if (journals.empty()) {
        return 0;
    }
    TextBuffer text = Decoded(entry);
    const size_t applied = ApplyJournals(text, journals, unreadable);
    if (applied > 0) {
        SetText(entry, text.Text(0, text.Length()), entry.encoding);
    }
    return applied;
}

// The text that a journal starting from the loaded file begins with: the
// file's content decoded as loading decodes it, where the file still holds
// the content it was loaded with. Nothing otherwise.
std::optional<std::u16string> LoadedText(const JournalStart& start) {
    const platform::FileIdentity& loaded = start.about.loaded;
    if (!start.fromFile || !loaded.exists || loaded.contentHash == 0) {
        return std::nullopt;
    }
    try {
        platform::FileReader file(start.about.path);
        if (file.Size() != loaded.size) {
            return std::nullopt;
        }
        std::string bytes(size_t(file.Size()), '\0');
        if (ReadFully(file, bytes.data(), bytes.size()) != bytes.size() ||
            ContentHash(bytes) != loaded.contentHash || ContainsNul(bytes) ||
            DetectEncoding(bytes) != start.about.encoding) {
            return std::nullopt;
        }
        std::u16string text(DecodedCapacity(bytes), u'\0');
        text.resize(DecodeText(bytes, start.about.encoding, text.data()));
        if (text.size() != *start.fromFile) {
            return std::nullopt; // not the text that the edits were made to
        }
        return text;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Whether name starts with a run's id and "-": a name that kept its origin.
bool HasOrigin(std::string_view name) {
    return RunOf(name).size() == kRunIdLength && name.size() > kRunIdLength &&
           name[kRunIdLength] == '-';
}

} // namespace

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
                                 std::u16string_view text, TextEncoding fileEncoding) const {
    return Stage(
        entryPath, std::move(entry),
        [text](const std::function<bool(std::u16string_view)>& part) { part(text); }, text.size(),
        fileEncoding);
}

Store::PendingWrite Store::Stage(const std::string& entryPath, Entry entry,
                                 const TextSnapshot& text, TextEncoding fileEncoding) const {
    return Stage(
        entryPath, std::move(entry),
        [&text](const std::function<bool(std::u16string_view)>& part) {
            text.ForEachChunk(0, text.Length(), part);
        },
        text.Length(), fileEncoding);
}

Store::PendingWrite Store::Stage(const std::string& entryPath, Entry entry, const TextParts& text,
                                 size_t units, TextEncoding fileEncoding) const {
    entry.encoding = fileEncoding;
    entry.text.clear();
    std::unique_ptr<platform::PrivateFileWriter> file;
    size_t lengthAt = 0;
    uint64_t length = 0;
    EncodeForCopy(
        text, fileEncoding,
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

std::optional<platform::ProcessLock> Store::Claim(const std::string& run, bool alone, bool* ended) {
    const std::string lockPath = dir_ + run + ".lock";
    std::optional<platform::ProcessLock> lock;
    using Outcome = platform::ProcessLock::Outcome;
    Outcome outcome = platform::ProcessLock::Take(lockPath, &lock);
    if (outcome == Outcome::Missing && !alone) {
        // No lock left to take, and other programs may be claiming too:
        // make one, so that no other program claims the run as well; if
        // another was quicker, its lock decides.
        const int error = platform::ProcessLock::Create(lockPath, &lock);
        if (error == EEXIST) {
            outcome = platform::ProcessLock::Take(lockPath, &lock);
        } else {
            outcome = error == 0 ? Outcome::Taken : Outcome::HeldByOther;
        }
    }
    *ended = outcome != Outcome::HeldByOther;
    return lock;
}

std::vector<Store::Found> Store::ClaimEnded(std::vector<std::string>* setAside,
                                            std::vector<std::string>* unapplied) {
    std::map<std::string, std::vector<std::string>> namesByRun;
    platform::ForEachEntry(dir_, [&](std::string_view name) {
        const std::string run = RunOf(name);
        if (!run.empty() && run != run_) {
            namesByRun[run].emplace_back(name);
        }
    });
    // One program claims at a time: then a run whose lock file is gone needs
    // no lock of its own made (a new file for each would be slow by the
    // thousand), and its files are this program's to take.
    std::optional<platform::ProcessLock> claiming;
    const bool alone = platform::ProcessLock::Hold(dir_ + kClaimLock, &claiming) == 0;
    std::vector<Found> found;
    std::vector<std::string> asideNow, unappliedNow;
    for (const auto& [run, names] : namesByRun) {
        // One run at a time: its files become this run's, and its lock goes.
        bool ended = false;
        std::optional<platform::ProcessLock> lock = Claim(run, alone, &ended);
        if (ended) { // else still running
            TakeRun(run, names, &found, &asideNow, &unappliedNow);
        }
        if (lock) {
            lock->RemoveAndRelease();
        }
    }
    platform::SyncFolder(dir_);
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.entry.copiedAtNs < b.entry.copiedAtNs;
    });
    if (setAside != nullptr) {
        *setAside = std::move(asideNow);
    }
    if (unapplied != nullptr) {
        *unapplied = std::move(unappliedNow);
    }
    return found;
}

std::string Store::TakeOver(const std::string& run, const std::string& name,
                            const std::string& asName) {
    const std::string path = dir_ + run_ + "-" + asName;
    if (platform::RenameFileUnsynced(dir_ + name, path) != 0) {
        return {};
    }
    claimed_.emplace_back(path, dir_ + asName);
    (void)run;
    return path;
}

void Store::TakeRun(const std::string& run, const std::vector<std::string>& names,
                    std::vector<Found>* found, std::vector<std::string>* setAside,
                    std::vector<std::string>* unapplied) {
    // The run's files by what they belong to: "<key>", or "<origin run>-<key>"
    // for a copy that the run had taken over itself.
    struct Base {
        std::string entry;
        std::vector<std::string> staged;
        std::map<std::string, std::string> journals; // by generation, 16 hex digits
    };
    std::map<std::string, Base> bases;
    const std::string prefix = run + "-", tempPrefix = "." + run + "-";
    for (const std::string& name : names) {
        if (name.rfind(tempPrefix, 0) == 0) {
            const std::string rest = name.substr(tempPrefix.size());
            const size_t at = rest.rfind(std::string(kEntrySuffix) + ".");
            if (at != std::string::npos) {
                bases[rest.substr(0, at)].staged.push_back(name);
            } else {
                platform::RemoveFile(dir_ + name); // a write that the end of its run cut short
            }
        } else if (name.rfind(prefix, 0) == 0) {
            const std::string rest = name.substr(prefix.size());
            if (EndsWith(rest, kEntrySuffix)) {
                bases[rest.substr(0, rest.size() - kEntrySuffix.size())].entry = name;
            } else if (EndsWith(rest, kJournalSuffix) && rest.size() > kJournalSuffix.size() + 17 &&
                       rest[rest.size() - kJournalSuffix.size() - 17] == '.') {
                const size_t dot = rest.size() - kJournalSuffix.size() - 17;
                bases[rest.substr(0, dot)].journals[rest.substr(dot + 1, 16)] = name;
            }
        }
    }
    const auto putAside = [&](const std::string& name, std::string_view as,
                              std::vector<std::string>* into) {
        if (std::string aside = SetAside(name, as); !aside.empty()) {
            into->push_back(std::move(aside));
        }
    };
    for (auto& [key, base] : bases) {
        const std::string origin = HasOrigin(key) ? key : run + "-" + key;
        // The newest whole copy: the entry, or a staging file written to its end.
        std::optional<Entry> best;
        std::string bestName;
        const auto consider = [&](const std::string& name, bool staged) {
            std::optional<Entry> entry;
            try {
                entry = ReadEntry(dir_ + name);
            } catch (const std::exception&) {
                if (!platform::EntryExists(dir_ + name)) {
                    return; // gone meanwhile (another program claimed the run first)
                }
            }
            if (!entry) {
                if (staged) {
                    platform::RemoveFile(dir_ + name); // cut short: the entry or journals hold it
                } else {
                    putAside(name, kSetAsidePrefix, setAside);
                }
                return;
            }
            if (!best || entry->journal > best->journal) {
                if (!bestName.empty()) {
                    platform::RemoveFile(dir_ + bestName); // older than this one
                }
                best = std::move(entry);
                bestName = name;
            } else {
                platform::RemoveFile(dir_ + name);
            }
        };
        if (!base.entry.empty()) {
            consider(base.entry, false);
        }
        for (const std::string& name : base.staged) {
            consider(name, true);
        }
        // The journals that continue it, one generation after the other.
        std::optional<JournalStart> start;
        uint64_t next = best ? best->journal : 0;
        if (!best && !base.journals.empty()) {
            const std::optional<std::string> first =
                ReadJournal(dir_ + base.journals.begin()->second);
            start = first ? ParseJournalStart(*first) : std::nullopt;
            next = std::strtoull(base.journals.begin()->first.c_str(), nullptr, 16);
        }
        std::vector<std::string> followers, others;
        for (const auto& [generation, name] : base.journals) {
            const uint64_t number = std::strtoull(generation.c_str(), nullptr, 16);
            if (best && best->journal != 0 && number < best->journal) {
                platform::RemoveFile(dir_ + name); // its edits are in the copy already
            } else if (next != 0 && number == next) {
                followers.push_back(name);
                ++next;
            } else {
                others.push_back(name);
            }
        }
        std::optional<std::u16string> loadedText;
        if (!best && start) {
            loadedText = LoadedText(*start);
        }
        if (!best && !loadedText) {
            others.insert(others.begin(), followers.begin(), followers.end());
            followers.clear(); // nothing that they can be applied to
        }
        // Made in the text, as far as they can be read.
        std::vector<std::string> paths;
        for (const std::string& name : followers) {
            paths.push_back(dir_ + name);
        }
        size_t unreadable = SIZE_MAX;
        size_t applied = 0;
        Entry entry;
        if (best) {
            entry = std::move(*best);
            applied = ApplyJournals(entry, paths, &unreadable);
        } else if (loadedText) {
            TextBuffer text(std::move(*loadedText));
            applied = ApplyJournals(text, paths, &unreadable);
            entry = std::move(start->about);
            entry.journal = 0;
            SetText(entry, text.Text(0, text.Length()), entry.encoding);
        }
        for (size_t i = applied; i < followers.size(); ++i) {
            putAside(followers[i], i == unreadable ? kSetAsidePrefix : kUnappliedPrefix,
                     i == unreadable ? setAside : unapplied);
        }
        for (const std::string& name : others) {
            // Readable journals with nothing to follow are no unreadable ones.
            const bool readable = ReadJournal(dir_ + name).has_value();
            putAside(name, readable ? kUnappliedPrefix : kSetAsidePrefix,
                     readable ? unapplied : setAside);
        }
        if (!best && applied == 0) {
            continue; // nothing to give back
        }
        Found item;
        if (best) {
            item.entryPath = TakeOver(run, bestName, origin + std::string(kEntrySuffix));
            if (item.entryPath.empty()) {
                continue; // taken by another program meanwhile
            }
            for (size_t i = 0; i < applied; ++i) {
                const std::string& name = followers[i];
                std::string path =
                    TakeOver(run, name, origin + name.substr(prefix.size() + key.size()));
                if (!path.empty()) {
                    item.journals.push_back(std::move(path));
                }
            }
        } else {
            // Rebuilt from the file and the journals: kept as a whole copy
            // of its own, so that it no longer depends on the file; the
            // journals it holds go.
            const uint64_t last = std::strtoull(
                followers[applied - 1]
                    .substr(followers[applied - 1].size() - kJournalSuffix.size() - 16, 16)
                    .c_str(),
                nullptr, 16);
            entry.copiedAtNs = platform::FileIdentityOf(dir_ + followers[applied - 1]).mtimeNs;
            entry.journal = last + 1; // what is left of them is older
            const std::string asName = origin + std::string(kEntrySuffix);
            item.entryPath = dir_ + run_ + "-" + asName;
            if (Write(item.entryPath, entry) == 0) {
                claimed_.emplace_back(item.entryPath, dir_ + asName);
                for (size_t i = 0; i < applied; ++i) {
                    platform::RemoveFile(dir_ + followers[i]);
                }
            } else {
                for (size_t i = 0; i < applied; ++i) {
                    const std::string& name = followers[i];
                    std::string path =
                        TakeOver(run, name, origin + name.substr(prefix.size() + key.size()));
                    if (!path.empty()) {
                        item.journals.push_back(std::move(path));
                    }
                }
            }
        }
        item.entry = std::move(entry);
        found->push_back(std::move(item));
    }
}

void Store::ReleaseClaimed() {
    for (const auto& [path, origin] : claimed_) {
        platform::RenameFileUnsynced(path, origin); // gone where discarded or adopted
    }
    if (!claimed_.empty()) {
        platform::SyncFolder(dir_);
    }
    claimed_.clear();
}

} // namespace sheafpad::recovery
