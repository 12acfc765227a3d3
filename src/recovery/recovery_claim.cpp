// SPDX-License-Identifier: GPL-3.0-or-later
// Claiming the runs that ended: their files taken over, read back with their
// journals, and let go again (recovery_store.h).
#include "recovery/recovery_store.h"

#include "base/content_hash.h"
#include "platform/directory.h"
#include "platform/file_identity.h"
#include "recovery/recovery_journal.h"
#include "recovery/store_files.h"

#include <algorithm>
#include <cerrno>
#include <map>

namespace sheafpad::recovery {

using namespace store_files;

namespace {

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
            DetectFormat(bytes) != start.about.format) {
            return std::nullopt;
        }
        // As loading decodes it: the byte-order mark is no part of the text.
        const std::string_view body = TextBytes(bytes, start.about.format);
        std::u16string text(DecodedCapacity(body), u'\0');
        text.resize(DecodeText(body, start.about.format.encoding, text.data()));
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

// The run's files by the copy they belong to: "<key>", or "<origin run>-
// <key>" for a copy that the run had taken over itself. Temporary files of
// no entry are removed: writes that the end of their run cut short.
std::map<std::string, Store::CopyFiles> GroupRun(const std::string& dir, const std::string& run,
                                                 const std::vector<std::string>& names) {
    std::map<std::string, Store::CopyFiles> copies;
    const std::string prefix = run + "-", tempPrefix = "." + run + "-";
    for (const std::string& name : names) {
        if (name.rfind(tempPrefix, 0) == 0) {
            const std::string rest = name.substr(tempPrefix.size());
            const size_t at = rest.rfind(std::string(kEntrySuffix) + ".");
            if (at != std::string::npos) {
                copies[rest.substr(0, at)].staged.push_back(name);
            } else {
                platform::RemoveFile(dir + name);
            }
        } else if (name.rfind(prefix, 0) == 0) {
            const std::string rest = name.substr(prefix.size());
            const size_t dot = rest.size() - std::min(rest.size(), kJournalSuffix.size() + 17);
            if (EndsWith(rest, kEntrySuffix)) {
                copies[rest.substr(0, rest.size() - kEntrySuffix.size())].entry = name;
            } else if (EndsWith(rest, kJournalSuffix) && dot > 0 && rest[dot] == '.') {
                copies[rest.substr(0, dot)].journals[rest.substr(dot + 1, 16)] = name;
            }
        }
    }
    return copies;
}

struct Journals {
    std::vector<std::string> followers, others; // names
    std::optional<JournalStart> start;          // of the first, where no copy is whole
    std::optional<std::u16string> loadedText;   // what the first starts from, then
};

// The journals that continue best, one generation after the other (those
// older than it removed), or with no whole copy those that continue the
// loaded file from the first; the others.
Journals SortJournals(const std::string& dir, const Store::CopyFiles& files,
                      const std::optional<Entry>& best) {
    Journals journals;
    uint64_t next = best ? best->journal : 0;
    if (!best && !files.journals.empty()) {
        const std::optional<std::string> first = ReadJournal(dir + files.journals.begin()->second);
        journals.start = first ? ParseJournalStart(*first) : std::nullopt;
        journals.loadedText = journals.start ? LoadedText(*journals.start) : std::nullopt;
        next = std::strtoull(files.journals.begin()->first.c_str(), nullptr, 16);
    }
    for (const auto& [generation, name] : files.journals) {
        const uint64_t number = std::strtoull(generation.c_str(), nullptr, 16);
        if (best && best->journal != 0 && number < best->journal) {
            platform::RemoveFile(dir + name); // its edits are in the copy already
        } else if (next != 0 && number == next && (best || journals.loadedText)) {
            journals.followers.push_back(name);
            ++next;
        } else {
            journals.others.push_back(name);
        }
    }
    return journals;
}

} // namespace

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

std::string Store::TakeOver(const std::string& name, const std::string& asName) {
    const std::string path = dir_ + run_ + "-" + asName;
    if (platform::RenameFileUnsynced(dir_ + name, path) != 0) {
        return {};
    }
    claimed_.emplace_back(path, dir_ + asName);
    return path;
}

void Store::TakeRun(const std::string& run, const std::vector<std::string>& names,
                    std::vector<Found>* found, std::vector<std::string>* setAside,
                    std::vector<std::string>* unapplied) {
    Taken taken{found, setAside, unapplied};
    for (const auto& [key, files] : GroupRun(dir_, run, names)) {
        TakeCopy(run, key, files, taken);
    }
}

void Store::PutAside(const std::string& name, bool readable, const Taken& taken) const {
    std::string aside = SetAside(name, readable ? kUnappliedPrefix : kSetAsidePrefix);
    if (!aside.empty()) {
        (readable ? taken.unapplied : taken.setAside)->push_back(std::move(aside));
    }
}

void Store::TakeCopy(const std::string& run, const std::string& key, const CopyFiles& files,
                     const Taken& taken) {
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
                PutAside(name, false, taken);
            }
        } else if (!best || entry->journal > best->journal) {
            if (!bestName.empty()) {
                platform::RemoveFile(dir_ + bestName); // older than this one
            }
            best = std::move(entry);
            bestName = name;
        } else {
            platform::RemoveFile(dir_ + name);
        }
    };
    if (!files.entry.empty()) {
        consider(files.entry, false);
    }
    for (const std::string& name : files.staged) {
        consider(name, true);
    }
    Journals journals = SortJournals(dir_, files, best);
    // Made in the text, as far as they can be read.
    std::vector<std::string> paths;
    for (const std::string& name : journals.followers) {
        paths.push_back(dir_ + name);
    }
    size_t unreadable = SIZE_MAX, applied = 0;
    Entry entry;
    if (best) {
        entry = std::move(*best);
        applied = ApplyJournals(entry, paths, &unreadable);
    } else if (journals.loadedText) {
        TextBuffer text(std::move(*journals.loadedText));
        applied = ApplyJournals(text, paths, &unreadable);
        entry = std::move(journals.start->about);
        SetText(entry, text.Text(0, text.Length()), entry.format);
    }
    for (size_t i = applied; i < journals.followers.size(); ++i) {
        PutAside(journals.followers[i], i != unreadable, taken);
    }
    for (const std::string& name : journals.others) {
        // Readable journals with nothing to follow are no unreadable ones.
        PutAside(name, ReadJournal(dir_ + name).has_value(), taken);
    }
    if (best || applied > 0) {
        journals.followers.resize(applied);
        GiveBack(run, key, bestName, journals.followers, std::move(entry), taken);
    }
}

void Store::GiveBack(const std::string& run, const std::string& key, const std::string& copy,
                     const std::vector<std::string>& journals, Entry entry, const Taken& taken) {
    const std::string origin = HasOrigin(key) ? key : run + "-" + key;
    const auto takeJournals = [&](Found& item) {
        for (const std::string& name : journals) {
            std::string path = TakeOver(name, origin + name.substr(run.size() + 1 + key.size()));
            if (!path.empty()) {
                item.journals.push_back(std::move(path));
            }
        }
    };
    Found item;
    const std::string asName = origin + std::string(kEntrySuffix);
    if (!copy.empty()) {
        item.entryPath = TakeOver(copy, asName);
        if (item.entryPath.empty()) {
            return; // taken by another program meanwhile
        }
        takeJournals(item);
    } else {
        // Rebuilt from the file and the journals: kept as a whole copy of
        // its own, so that it no longer depends on the file; the journals
        // that it holds go.
        const std::string& last = journals.back();
        entry.copiedAtNs = platform::FileIdentityOf(dir_ + last).mtimeNs;
        entry.journal =
            std::strtoull(last.substr(last.size() - kJournalSuffix.size() - 16, 16).c_str(),
                          nullptr, 16) +
            1; // what is left of them is older
        item.entryPath = dir_ + run_ + "-" + asName;
        if (Write(item.entryPath, entry) == 0) {
            claimed_.emplace_back(item.entryPath, dir_ + asName);
            for (const std::string& name : journals) {
                platform::RemoveFile(dir_ + name);
            }
        } else {
            takeJournals(item);
        }
    }
    item.entry = std::move(entry);
    taken.found->push_back(std::move(item));
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
