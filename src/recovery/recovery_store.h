// SPDX-License-Identifier: GPL-3.0-or-later
// The folder of recovery copies, shared by every running Sheafpad of the user.
//
// Each run holds an exclusive lock on its own lock file, "<run>.lock", for as
// long as it lives, and names its entries after it: "<run>-<key>.entry",
// written through temporary (staging) files ".<run>-<key>.entry.<random>",
// each followed by its journals "<run>-<key>.<generation>.journal". The lock
// goes when the process ends, however it ends; so the entries of a run whose
// lock can be taken (or whose lock file is gone) were left by a run that
// ended, and the entries of a run whose lock is held belong to a program
// still running, which are left alone.
//
// A later run claims an ended run by taking its lock, takes over its files
// by renaming them into its own names ("<claimer>-<origin>", where origin
// is the file's name in the run that wrote it), and lets the lock and its
// file go: so a claimer holds no descriptor for what it claimed, however
// many ended runs there are, and two programs started together never offer
// the same entry. Files still claimed when the claimer lets go get their
// origin names back, belong to no run, and are offered again; a claimer that
// ends abruptly leaves them under its own names, for the next start.
//
// What an ended run's files give back: the newest whole copy of each file,
// a committed entry or a staging file that was written to its end, with the
// journals that follow it; with no whole copy, the journals alone, applied
// to the edited file when it still holds the content that the first of them
// started from. Files that cannot be read as what their names say are set
// aside once, renamed "unreadable-<name>"; journals that can be read but not
// applied (what they continue is gone), renamed "unapplied-<name>": so that
// they are neither lost nor offered again.
#pragma once

#include "platform/state_files.h"
#include "recovery/recovery_entry.h"
#include "text/text_buffer.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sheafpad::recovery {

class Store {
public:
    // Opens the folder dir (a trailing "/" is optional), making it with mode
    // 0700 when missing, and starts this run: its lock file is made, locked.
    // Nothing and *error set to the errno when either cannot be done.
    static std::unique_ptr<Store> Open(const std::string& dir, int* error);
    // This run ends normally: its lock file goes (entries still present stay
    // and are offered at the next start).
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    const std::string& Dir() const { return dir_; } // with a trailing "/"
    const std::string& RunId() const { return run_; }

    // The full path of this run's entry for the edited file at path.
    std::string EntryPath(const std::string& path) const;
    // The journal of generation generation (> 0) that follows the entry at entryPath.
    static std::string JournalPath(const std::string& entryPath, uint64_t generation);
    // Writes the entry crash-safely to entryPath, mode 0600. 0 or the errno.
    int Write(const std::string& entryPath, const Entry& entry) const;

    // An entry written but not yet in place.
    class PendingWrite {
    public:
        // Flushes the entry to disk and puts it in place. 0 or the errno.
        int Commit() { return file_->Commit(); }

    private:
        friend class Store;
        explicit PendingWrite(std::unique_ptr<platform::PrivateFileWriter> file)
            : file_(std::move(file)) {}
        std::unique_ptr<platform::PrivateFileWriter> file_;
    };
    // Writes entry (its text, format and text encoding ignored) with the editor's text
    // encoded as EncodeForCopy does, straight into the entry's temporary
    // file; the text is no longer needed once this returns, which is before
    // the slow part, Commit.
    PendingWrite Stage(const std::string& entryPath, Entry entry, std::u16string_view text,
                       const TextFormat& fileFormat) const;
    // The same from a snapshot of the text, read a part at a time.
    PendingWrite Stage(const std::string& entryPath, Entry entry, const TextSnapshot& text,
                       const TextFormat& fileFormat) const;
    // Removes an entry, or any other file of the folder. 0 (also when it was
    // gone) or the errno.
    int Remove(const std::string& entryPath) const;

    struct Found {
        std::string entryPath;
        Entry entry; // its text with the edits of its journals made
        std::vector<std::string> journals;
        // The entry and its journals: what goes when it is discarded.
        std::vector<std::string> Files() const;
    };
    // The entry at entryPath as a later start finds it: with the edits of
    // the journals beside it that follow it. Nothing where it cannot be read.
    static std::optional<Entry> Recovered(const std::string& entryPath);

    // Claims every other run that has ended and returns what its files give
    // back, oldest copy first, each with the edits of its journals, under
    // this run's names until ReleaseClaimed; their other files are removed.
    // The files that could not be read are set aside, their new paths going
    // to *setAside when given; those that could be read but not applied, to
    // *unapplied. Not for use from several threads.
    std::vector<Found> ClaimEnded(std::vector<std::string>* setAside = nullptr,
                                  std::vector<std::string>* unapplied = nullptr);
    // Lets go of what was claimed: files left in place (not discarded nor
    // adopted) get their origin names back, belong to no run and are offered
    // again at a later start.
    void ReleaseClaimed();

private:
    Store(std::string dir, std::string run, platform::ProcessLock lock);
    PendingWrite Stage(const std::string& entryPath, Entry entry, const TextParts& text,
                       size_t units, const TextFormat& fileFormat) const;
    // Takes the lock of run where it ended; *ended tells whether it did.
    // alone: no other program claims meanwhile.
    std::optional<platform::ProcessLock> Claim(const std::string& run, bool alone, bool* ended);

public:
    // An ended run's files of one copy (recovery_claim.cpp).
    struct CopyFiles {
        std::string entry;
        std::vector<std::string> staged;
        std::map<std::string, std::string> journals; // by generation, 16 hex digits
    };

private:
    // Where what a claim finds goes.
    struct Taken {
        std::vector<Found>* found;
        std::vector<std::string>* setAside;
        std::vector<std::string>* unapplied;
    };
    // Takes over one ended run's files, by name.
    void TakeRun(const std::string& run, const std::vector<std::string>& names,
                 std::vector<Found>* found, std::vector<std::string>* setAside,
                 std::vector<std::string>* unapplied);
    // The files of one copy of the run: read back, taken over or set aside.
    void TakeCopy(const std::string& run, const std::string& key, const CopyFiles& files,
                  const Taken& taken);
    // Takes over the copy's files (copy: its whole copy's name, or empty when
    // entry was rebuilt from the edited file) and offers entry.
    void GiveBack(const std::string& run, const std::string& key, const std::string& copy,
                  const std::vector<std::string>& journals, Entry entry, const Taken& taken);
    void PutAside(const std::string& name, bool readable, const Taken& taken) const;
    // Renames the file name to this run's name for it, asName being its
    // origin name; its new path, or empty.
    std::string TakeOver(const std::string& name, const std::string& asName);
    std::string SetAside(const std::string& name, std::string_view prefix) const;

    std::string dir_;
    std::string run_;
    platform::ProcessLock lock_;
    // The files taken over: their paths now, and their origin paths.
    std::vector<std::pair<std::string, std::string>> claimed_;
};

} // namespace sheafpad::recovery
