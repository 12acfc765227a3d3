// SPDX-License-Identifier: GPL-3.0-or-later
#include "recovery/recovery_store.h"

#include "platform/directory.h"
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

// Makes the edits of journals (in order) in found's text. Returns how many
// journals could be read and applied.
size_t ApplyJournals(Store::Found& found, const std::vector<std::string>& journals) {
    if (journals.empty()) {
        return 0;
    }
    Entry& entry = found.entry;
    std::u16string decoded(DecodedCapacity(entry.text), u'\0');
    decoded.resize(DecodeText(entry.text, entry.textEncoding, decoded.data()));
    TextBuffer text(std::move(decoded));
    size_t applied = 0;
    for (const std::string& journal : journals) {
        try {
            platform::FileReader file(journal);
            if (file.Size() > kLongestJournal) {
                break;
            }
            std::string bytes(size_t(file.Size()), '\0');
            bytes.resize(ReadFully(file, bytes.data(), bytes.size()));
            if (!ApplyJournal(bytes, text)) {
                break;
            }
        } catch (const std::exception&) {
            break;
        }
        ++applied;
    }
    if (applied > 0) {
        SetText(entry, text.Text(0, text.Length()), entry.format);
    }
    return applied;
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
            Found found{entryPath, std::move(*entry), {}};
            ApplyJournals(found, journals);
            return std::move(found.entry);
        }
        return entry;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string Store::SetAside(const std::string& name) const {
    const std::string aside = dir_ + std::string(kSetAsidePrefix) + name;
    return platform::RenameFile(dir_ + name, aside) == 0 ? aside : std::string();
}

int Store::Write(const std::string& entryPath, const Entry& entry) const {
    const std::string header = Header(entry);
    return platform::WritePrivateFile(entryPath, TempPrefix(entryPath), {header, entry.text});
}

Store::PendingWrite Store::Stage(const std::string& entryPath, Entry entry,
                                 std::u16string_view text, const TextFormat& fileFormat) const {
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
            file->Reserve(header.size() + text.size()); // every unit takes a byte at least
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

bool Store::Claim(const std::string& run) {
    const std::string lockPath = dir_ + run + ".lock";
    std::optional<platform::ProcessLock> lock;
    using Outcome = platform::ProcessLock::Outcome;
    Outcome outcome = platform::ProcessLock::Take(lockPath, &lock);
    if (outcome == Outcome::Missing) {
        // No lock left to take: make one, so that no other program claims
        // the run as well; if another was quicker, its lock decides.
        const int error = platform::ProcessLock::Create(lockPath, &lock);
        if (error == EEXIST) {
            outcome = platform::ProcessLock::Take(lockPath, &lock);
        } else {
            outcome = error == 0 ? Outcome::Taken : Outcome::HeldByOther;
        }
    }
    if (outcome != Outcome::Taken) {
        return false;
    }
    claimed_.push_back(std::move(*lock));
    return true;
}

std::vector<Store::Found> Store::ClaimEnded(std::vector<std::string>* setAside) {
    std::map<std::string, std::vector<std::string>> namesByRun;
    platform::ForEachEntry(dir_, [&](std::string_view name) {
        const std::string run = RunOf(name);
        if (!run.empty() && run != run_) {
            namesByRun[run].emplace_back(name);
        }
    });
    std::vector<Found> found;
    std::vector<std::string> asideNow;
    for (const auto& [run, names] : namesByRun) {
        if (Claim(run)) { // else a program still running
            TakeRun(names, &found, &asideNow);
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.entry.copiedAtNs < b.entry.copiedAtNs;
    });
    if (setAside != nullptr) {
        *setAside = std::move(asideNow);
    }
    return found;
}

void Store::TakeRun(const std::vector<std::string>& names, std::vector<Found>* found,
                    std::vector<std::string>* setAside) {
    // Journals by the name of their entry (without its suffix), in order.
    std::map<std::string, std::map<std::string, std::string>> journalsOf;
    std::vector<std::string> entries;
    for (const std::string& name : names) {
        if (name.front() == '.') {
            platform::RemoveFile(dir_ + name); // a write that the end of its run cut short
        } else if (EndsWith(name, kEntrySuffix)) {
            entries.push_back(name);
        } else if (EndsWith(name, kJournalSuffix) && name.size() > kJournalSuffix.size() + 17) {
            const size_t dot = name.size() - kJournalSuffix.size() - 17;
            journalsOf[name.substr(0, dot)][name.substr(dot + 1, 16)] = name;
        }
    }
    const auto putAside = [&](const std::string& name) {
        if (std::string aside = SetAside(name); !aside.empty()) {
            setAside->push_back(std::move(aside));
        }
    };
    for (const std::string& name : entries) {
        const std::string path = dir_ + name;
        const std::string base = name.substr(0, name.size() - kEntrySuffix.size());
        auto journals = journalsOf.extract(base);
        std::optional<Entry> entry;
        try {
            entry = ReadEntry(path);
        } catch (const std::exception&) {
            if (!platform::EntryExists(path)) {
                continue; // gone meanwhile
            }
        }
        std::vector<std::string> followers;
        if (entry && !journals.empty()) {
            // Journals older than the copy hold edits that it holds already;
            // the ones that follow it come one generation after the other.
            uint64_t next = entry->journal;
            for (auto& [generation, journal] : journals.mapped()) {
                const uint64_t number = std::strtoull(generation.c_str(), nullptr, 16);
                if (number < entry->journal || entry->journal == 0) {
                    if (entry->journal != 0) {
                        platform::RemoveFile(dir_ + journal);
                        journal.clear();
                    }
                } else if (number == next) {
                    followers.push_back(dir_ + journal);
                    journal.clear();
                    ++next;
                }
            }
        }
        if (!entry) {
            putAside(name);
        } else {
            Found item{path, std::move(*entry), {}};
            const size_t applied = ApplyJournals(item, followers);
            item.journals.assign(followers.begin(), followers.begin() + ptrdiff_t(applied));
            for (size_t i = applied; i < followers.size(); ++i) {
                putAside(followers[i].substr(dir_.size()));
            }
            found->push_back(std::move(item));
        }
        if (!journals.empty()) {
            for (const auto& [generation, journal] : journals.mapped()) {
                if (!journal.empty()) {
                    putAside(journal); // no copy that it can follow
                }
            }
        }
    }
    for (const auto& [base, journals] : journalsOf) {
        for (const auto& [generation, journal] : journals) {
            putAside(journal); // its copy is gone
        }
    }
}

void Store::ReleaseClaimed() {
    for (platform::ProcessLock& lock : claimed_) {
        lock.RemoveAndRelease();
    }
    claimed_.clear();
}

} // namespace sheafpad::recovery
