// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps a recovery copy of the pane's unsaved text while there is one, so
// that a crash, a kill or a lost display loses no typing. A whole copy is
// taken as soon as a loaded file is first changed, about a second after
// typing stops, and at least every 30 seconds during long typing, from a
// shared (copy-on-write) snapshot of the text; encoding and writing happen on
// a worker thread, so typing never waits for the disk. Every edit after a
// copy's snapshot is appended at once to that copy's journal (one small
// write, which a killed process does not lose), so that the copy and its
// journals give the text as it was at the last edit. When the process ends
// while it still runs code (exit() from a library after a lost display, a
// fatal error), the copies asked for are finished first.
#pragma once

#include "platform/state_files.h"
#include "recovery/recovery_store.h"
#include "text/text_buffer.h"
#include "text/text_format.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace sheafpad {

class RecoveryKeeper : public QObject {
    Q_OBJECT
public:
    // What a copy holds, taken on the user-interface thread.
    struct Snapshot {
        std::string path;
        TextFormat format; // the file's, which its saves write in
        TextSnapshot text; // the pane's text
        // What the file was when the text was last in step with it: the
        // reference of the outside-change check, so that a restored text is
        // checked against the version it was typed into.
        platform::FileIdentity loaded;
        // The text is, unedited, what loading made of the file's content
        // (whose hash loaded holds): the journal of the edits that follow
        // can then be applied to the file itself, before any copy is whole.
        bool fileText = false;
    };
    // The text to keep now, or nothing when there are no unsaved edits of a
    // loaded file.
    using Source = std::function<std::optional<Snapshot>()>;

    RecoveryKeeper(Source source, QObject* parent);
    // Finishes the writes and removals already asked for; this run's lock goes.
    ~RecoveryKeeper() override;

    // Starts keeping copies in the folder dir. Returns false, with the reason
    // in *error, when the folder cannot be made or opened; no copies are kept then.
    bool Start(const std::string& dir, std::string* error);
    recovery::Store* Store() const { return store_.get(); }

    // The text is marked changed: the first change of a loaded file is
    // copied at once, then the edits are journaled, and a whole copy follows
    // after the pause.
    void Changed();
    // removed units at pos gave way to added ones (-1 removed: the whole text
    // was replaced); inserted() gives the added units, asked for only when
    // they go into the journal. A large change is copied whole instead.
    void Edited(qsizetype pos, qsizetype removed, qsizetype added,
                const std::function<std::u16string()>& inserted);
    // The unsaved text was written or its write dropped: the copy goes.
    void Drop();
    // While a hold lasts, Drop is put off. EndHold then drops, if one was
    // asked for, only when the save succeeded and the file at path changed
    // since Hold: the copy stays unless the text surely reached the file.
    void Hold(const std::string& path);
    void EndHold(bool saved);
    // The file at path now holds the text: written, or found to hold it
    // already (then it is not written, and its identity does not move).
    void Reached(const std::string& path);
    // Takes a copy now. With wait, returns once it is on disk, true when it
    // was written (or there was nothing to keep).
    bool CopyNow(bool wait);
    // The files of another run's copy of path (its entry and journals),
    // whose text the pane now holds: they go once this run's next copy of
    // path is written.
    void Adopt(std::vector<std::string> files, const std::string& path);
    // Returns once the work asked for so far is done.
    void Flush();

    void SetDelays(int pauseMs, int longestMs);
    // The first failure of a run of failed copies (the reason, ready to show).
    std::function<void(const QString& reason)> OnCopyFailed;

    // The process ends without the usual shutdown: finishes the writes asked
    // for (waiting at most a few seconds), then stops the worker. Called by
    // the handlers of exit(), fatal messages and std::terminate.
    void FinishBeforeExit();

private:
    struct Job {
        enum Kind { Write, Remove } kind = Write;
        std::string entryPath;
        std::string path; // Write: the file
        TextFormat format;
        TextSnapshot text;
        platform::FileIdentity loaded;
        int64_t copiedAtNs = 0;
        // Write: the generation of the copy; Remove: the last one to remove.
        uint64_t generation = 0;
        uint64_t firstGeneration = 0;    // of the journals that the entry may have
        std::vector<std::string> retire; // files that go once the job is done
    };
    static Job MakeJob(Job::Kind kind, const std::string& entryPath, const std::string& path = {});
    void Enqueue(Job job);
    void Work();
    bool RunJob(Job& job, std::string* error);
    void RemoveJournals(const std::string& entryPath, uint64_t first, uint64_t end);
    void Reported(bool ok, const std::string& error);
    bool WaitIdle(int timeoutMs = -1);
    // Takes the snapshot and asks the worker to write it; journal: start the
    // journal of the edits that follow.
    void AskForCopy(bool journal);
    // Starts the journal of the edits after the copy job asks for, on the
    // text of snapshot.
    void StartJournal(const Job& job, const Snapshot& snapshot);
    void EndJournal();

    Source source_;
    std::thread::id owner_; // the thread that owns the text
    std::unique_ptr<recovery::Store> store_;
    // The journal of the latest copy asked for, while edits go into it.
    std::unique_ptr<platform::AppendOnlyFile> journal_;
    uint64_t journalSize_ = 0;
    std::string sessionEntry_;         // the entry being kept ("" before a first copy)
    uint64_t sessionFirst_ = 0;        // its first generation
    uint64_t generation_ = 0;          // the last generation used
    std::vector<std::string> adopted_; // another run's files, retired by the next copy
    std::string adoptedEntry_;
    QTimer pause_;
    QTimer longest_;
    std::set<std::string> written_; // entries this run may have on disk
    bool holding_ = false;
    bool dropAsked_ = false;
    std::string heldPath_;
    platform::FileIdentity heldIdentity_;
    bool heldReached_ = false; // the held file was found to hold the text
    bool failing_ = false;     // the last copy failed; its failure was shown

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> queue_;
    bool busy_ = false;
    bool stop_ = false;
    bool lastOk_ = true;  // the result of the last job (under mutex_)
    bool halted_ = false; // the process is ending: the worker takes no more jobs
    // The worker's: the oldest journal generation that each entry may still have on disk.
    std::map<std::string, uint64_t> oldestJournal_;
    std::thread worker_;
};

} // namespace sheafpad
