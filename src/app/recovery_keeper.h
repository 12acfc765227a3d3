// Keeps a recovery copy of the pane's unsaved text while there is one, so
// that a crash, a kill or a lost display loses at most the last second of
// typing. The copy is taken about a second after typing stops, and at least
// every 30 seconds during long typing, from a shared (copy-on-write)
// snapshot of the text; encoding and writing happen on a worker thread, so
// typing never waits for the disk.
#pragma once

#include "platform/state_files.h"
#include "recovery/recovery_store.h"
#include "text/text_buffer.h"
#include "text/text_codec.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>

namespace sheafpad {

class RecoveryKeeper : public QObject {
    Q_OBJECT
public:
    // What a copy holds, taken on the user-interface thread.
    struct Snapshot {
        std::string path;
        TextEncoding encoding = TextEncoding::Utf8;
        TextSnapshot text; // the pane's text
        // What the file was when the text was last in step with it: the
        // reference of the outside-change check, so that a restored text is
        // checked against the version it was typed into.
        platform::FileIdentity loaded;
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

    // The text changed: a copy follows after the pause.
    void Changed();
    // The unsaved text was written or its write dropped: the copy goes.
    void Drop();
    // While a hold lasts, Drop is put off. EndHold then drops, if one was
    // asked for, only when the save succeeded and the file at path changed
    // since Hold: the copy stays unless the text surely reached the file.
    void Hold(const std::string& path);
    void EndHold(bool saved);
    // Takes a copy now. With wait, returns once it is on disk, true when it
    // was written (or there was nothing to keep).
    bool CopyNow(bool wait);
    // Makes another run's entry this run's copy of path, after the work
    // already asked for; the next copy of path replaces it.
    void Adopt(const std::string& entryPath, const std::string& path);
    // Returns once the work asked for so far is done.
    void Flush();

    void SetDelays(int pauseMs, int longestMs);
    // The first failure of a run of failed copies (the reason, ready to show).
    std::function<void(const QString& reason)> OnCopyFailed;

private:
    struct Job {
        enum Kind { Write, Remove, Adopt } kind = Write;
        std::string entryPath;
        std::string path; // Write: the file; Adopt: the file whose copy it becomes
        TextEncoding encoding = TextEncoding::Utf8;
        TextSnapshot text;
        platform::FileIdentity loaded;
        int64_t copiedAtNs = 0;
    };
    static Job MakeJob(Job::Kind kind, const std::string& entryPath, const std::string& path = {});
    void Enqueue(Job job);
    void Work();
    bool RunJob(Job& job, std::string* error) const;
    void Reported(bool ok, const std::string& error);
    bool WaitIdle();

    Source source_;
    std::unique_ptr<recovery::Store> store_;
    QTimer pause_;
    QTimer longest_;
    std::set<std::string> written_; // entries this run may have on disk
    bool holding_ = false;
    bool dropAsked_ = false;
    std::string heldPath_;
    platform::FileIdentity heldIdentity_;
    bool failing_ = false; // the last copy failed; its failure was shown

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> queue_;
    bool busy_ = false;
    bool stop_ = false;
    bool lastOk_ = true; // the result of the last job (under mutex_)
    std::thread worker_;
};

} // namespace sheafpad
