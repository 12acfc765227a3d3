// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/recovery_keeper.h"

#include "base/errors.h"
#include "platform/thread_priority.h"
#include "recovery/recovery_entry.h"
#include "recovery/recovery_journal.h"

#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <exception>

namespace sheafpad {
namespace {

constexpr int kPauseMs = 1000;    // after the last change
constexpr int kLongestMs = 30000; // at the latest, during long typing
// An edit larger than this is copied whole rather than journaled, and a
// journal this long is followed by a whole copy: restoring stays quick.
constexpr qsizetype kLargestJournaledEdit = 64 * 1024;
constexpr uint64_t kLongestJournal = 1 << 20;
// How long an ending process waits for the copies asked for.
constexpr int kFinishMs = 10000;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The keeper whose copies an ending process finishes (one per program).
std::atomic<RecoveryKeeper*> liveKeeper{nullptr};
QtMessageHandler previousMessages = nullptr;
std::terminate_handler previousTerminate = nullptr;

void FinishLiveKeeper() {
    if (RecoveryKeeper* keeper = liveKeeper.load()) {
        keeper->FinishBeforeExit();
    }
}

// Qt ends the process itself on a lost display ("The X11 connection broke",
// then exit()) and on fatal messages (abort()): the copies are finished first.
void OnExit() {
    FinishLiveKeeper();
}

void OnMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        FinishLiveKeeper();
    }
    previousMessages(type, context, text);
}

void OnTerminate() {
    FinishLiveKeeper();
    (previousTerminate != nullptr ? previousTerminate : &std::abort)();
}

// The handlers go in once, the first time a keeper starts.
void InstallEndHandlers() {
    static const bool installed = [] {
        std::atexit(&OnExit);
        previousMessages = qInstallMessageHandler(&OnMessage);
        previousTerminate = std::set_terminate(&OnTerminate);
        return true;
    }();
    (void)installed;
}

} // namespace

RecoveryKeeper::RecoveryKeeper(Source source, QObject* parent)
    : QObject(parent), source_(std::move(source)), owner_(std::this_thread::get_id()) {
    for (QTimer* timer : {&pause_, &longest_}) {
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this] { CopyNow(false); });
    }
    SetDelays(kPauseMs, kLongestMs);
}

RecoveryKeeper::~RecoveryKeeper() {
    RecoveryKeeper* self = this;
    liveKeeper.compare_exchange_strong(self, nullptr);
    EndJournal();
    if (worker_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        worker_.join(); // the queue is worked off first
    }
    store_.reset(); // the run ends normally: its lock file goes
}

bool RecoveryKeeper::Start(const std::string& dir, std::string* error) {
    if (store_) {
        return true;
    }
    int code = 0;
    store_ = recovery::Store::Open(dir, &code);
    if (!store_) {
        *error = SystemReason(code);
        return false;
    }
    worker_ = std::thread([this] { Work(); });
    InstallEndHandlers();
    liveKeeper = this;
    return true;
}

void RecoveryKeeper::SetDelays(int pauseMs, int longestMs) {
    pause_.setInterval(pauseMs);
    longest_.setInterval(longestMs);
}

void RecoveryKeeper::Changed() {
    if (!store_) {
        return;
    }
    if (sessionEntry_.empty()) {
        CopyNow(false); // the text before the edit: the journal holds the rest
    }
    pause_.start(); // restarted by every change
    if (!longest_.isActive()) {
        longest_.start(); // not restarted: bounds the wait during long typing
    }
}

void RecoveryKeeper::Edited(qsizetype pos, qsizetype removed, qsizetype added,
                            const std::function<std::u16string()>& inserted) {
    if (!journal_) {
        return; // no copy for it to follow
    }
    if (removed < 0 || added > kLargestJournaledEdit || journalSize_ > kLongestJournal) {
        CopyNow(false);
        return;
    }
    const std::string record =
        recovery::JournalRecord(uint64_t(pos), uint64_t(removed), inserted());
    if (const int error = journal_->Append(record); error != 0) {
        journal_.reset(); // the timers' copies go on
        Reported(false, SystemReason(error));
        return;
    }
    journalSize_ += record.size();
}

void RecoveryKeeper::StartJournal(const Job& job, const Snapshot& snapshot) {
    journal_ = std::make_unique<platform::AppendOnlyFile>(
        recovery::Store::JournalPath(job.entryPath, job.generation));
    journalSize_ = 0;
    // The journal names what it continues, so that it can be restored from
    // the moment it exists: the file as loaded, or the copy of its generation.
    recovery::Entry about;
    about.path = job.path;
    about.loaded = job.loaded;
    about.format = job.format;
    about.textEncoding = job.format.encoding;
    about.copiedAtNs = job.copiedAtNs;
    about.journal = job.generation;
    const std::optional<uint64_t> fromFile =
        snapshot.fileText ? std::optional<uint64_t>(job.text.Length()) : std::nullopt;
    int error = journal_->Error();
    if (error == 0) {
        error = journal_->Append(recovery::JournalStartText(about, fromFile));
    }
    if (error != 0) {
        journal_.reset();
        Reported(false, SystemReason(error));
    }
}

void RecoveryKeeper::EndJournal() {
    journal_.reset();
}

void RecoveryKeeper::Drop() {
    pause_.stop();
    longest_.stop();
    if (holding_) {
        dropAsked_ = true;
        return;
    }
    EndJournal();
    if (!adoptedEntry_.empty()) {
        written_.insert(adoptedEntry_); // the other run's files go with it
    }
    for (const std::string& entryPath : written_) {
        Job job = MakeJob(Job::Remove, entryPath);
        if (entryPath == sessionEntry_) {
            job.firstGeneration = sessionFirst_;
            job.generation = generation_;
        }
        if (entryPath == adoptedEntry_) {
            job.retire = std::move(adopted_);
        }
        Enqueue(std::move(job));
    }
    written_.clear();
    sessionEntry_.clear();
    adopted_.clear();
    adoptedEntry_.clear();
}

void RecoveryKeeper::Hold(const std::string& path) {
    holding_ = true;
    dropAsked_ = false;
    heldPath_ = path;
    heldIdentity_ = platform::FileIdentityOf(path);
    heldReached_ = false;
}

void RecoveryKeeper::Reached(const std::string& path) {
    heldReached_ = heldReached_ || (holding_ && path == heldPath_);
}

void RecoveryKeeper::EndHold(bool saved) {
    holding_ = false;
    // A save that wrote nothing (skipped, or the file left as it was) must
    // not cost the copy.
    const bool written = heldReached_ || platform::CompareIdentity(
                                             heldIdentity_, platform::FileIdentityOf(heldPath_)) !=
                                             platform::FileChange::None;
    if (saved && dropAsked_ && written) {
        Drop();
    }
    dropAsked_ = false;
}

bool RecoveryKeeper::CopyNow(bool wait) {
    if (!store_) {
        return true;
    }
    pause_.stop();
    longest_.stop();
    AskForCopy(true);
    return wait ? WaitIdle() : true;
}

void RecoveryKeeper::AskForCopy(bool journal) {
    std::optional<Snapshot> snapshot = source_();
    if (!snapshot) {
        EndJournal();
        return; // no unsaved edits of a loaded file
    }
    Job job = MakeJob(Job::Write, store_->EntryPath(snapshot->path), snapshot->path);
    if (job.entryPath != sessionEntry_) {
        EndJournal();
        sessionEntry_ = job.entryPath;
        sessionFirst_ = generation_ + 1;
    }
    job.generation = ++generation_;
    job.firstGeneration = sessionFirst_;
    job.format = snapshot->format;
    job.text = snapshot->text; // the worker reads and encodes it
    job.loaded = snapshot->loaded;
    job.copiedAtNs = NowNs();
    if (adoptedEntry_ == job.entryPath) {
        job.retire = std::move(adopted_);
        adopted_.clear();
        adoptedEntry_.clear();
    }
    // The edits after this snapshot go into a journal of their own.
    if (journal) {
        StartJournal(job, *snapshot);
    } else {
        EndJournal();
    }
    written_.insert(job.entryPath);
    Enqueue(std::move(job));
}

void RecoveryKeeper::Flush() {
    WaitIdle();
}

void RecoveryKeeper::Adopt(std::vector<std::string> files, const std::string& path) {
    if (!store_) {
        return;
    }
    adoptedEntry_ = store_->EntryPath(path);
    adopted_ = std::move(files);
}

void RecoveryKeeper::FinishBeforeExit() {
    if (!worker_.joinable() || std::this_thread::get_id() == worker_.get_id()) {
        return;
    }
    // Edits that no copy and journal hold yet are copied now. Only on the
    // thread that owns the text; no journal, no timer, no message: the
    // process is ending.
    if (std::this_thread::get_id() == owner_ && (sessionEntry_.empty() || !journal_)) {
        AskForCopy(false);
    }
    WaitIdle(kFinishMs);
    std::lock_guard lock(mutex_);
    halted_ = true;
}

RecoveryKeeper::Job RecoveryKeeper::MakeJob(Job::Kind kind, const std::string& entryPath,
                                            const std::string& path) {
    Job job;
    job.kind = kind;
    job.entryPath = entryPath;
    job.path = path;
    return job;
}

void RecoveryKeeper::Enqueue(Job job) {
    {
        std::lock_guard lock(mutex_);
        // A copy not yet begun is out of date once another copy or the
        // removal of the same entry is asked for; the files it was to retire
        // go with the newer job.
        std::erase_if(queue_, [&](Job& queued) {
            if (queued.kind != Job::Write || queued.entryPath != job.entryPath) {
                return false;
            }
            job.retire.insert(job.retire.end(), queued.retire.begin(), queued.retire.end());
            return true;
        });
        queue_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void RecoveryKeeper::Work() {
    platform::LowerThreadPriority(); // typing first, copies in the time left over
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || halted_ || !queue_.empty(); });
        if (queue_.empty() || halted_) {
            return; // stopping, with nothing left to do
        }
        Job job = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        std::string error;
        const bool ok = RunJob(job, &error);
        const bool report = job.kind == Job::Write;
        job = Job(); // lets go of the text before anyone waits on it
        lock.lock();
        busy_ = false;
        lastOk_ = ok;
        if (queue_.empty()) {
            idle_.notify_all();
        }
        if (report) {
            QMetaObject::invokeMethod(
                this, [this, ok, error] { Reported(ok, error); }, Qt::QueuedConnection);
        }
    }
}

bool RecoveryKeeper::RunJob(Job& job, std::string* error) {
    int code = 0;
    switch (job.kind) {
    case Job::Write: {
        recovery::Entry entry;
        entry.path = job.path;
        entry.loaded = job.loaded;
        entry.copiedAtNs = job.copiedAtNs;
        entry.journal = job.generation;
        // Read from the snapshot a part at a time: never a second whole text.
        recovery::Store::PendingWrite pending =
            store_->Stage(job.entryPath, std::move(entry), job.text, job.format);
        job.text = TextSnapshot(); // the text's blocks are not held during the wait
        code = pending.Commit();
        if (code == 0) {
            // The copy holds what the older journals did.
            RemoveJournals(job.entryPath, job.firstGeneration, job.generation);
        }
        break;
    }
    case Job::Remove:
        code = store_->Remove(job.entryPath);
        if (job.generation != 0) {
            RemoveJournals(job.entryPath, job.firstGeneration, job.generation + 1);
        }
        oldestJournal_.erase(job.entryPath);
        break;
    }
    if (code == 0) {
        for (const std::string& file : job.retire) {
            store_->Remove(file);
        }
    }
    if (code != 0) {
        *error = SystemReason(code);
    }
    return code == 0;
}

void RecoveryKeeper::RemoveJournals(const std::string& entryPath, uint64_t first, uint64_t end) {
    uint64_t& oldest = oldestJournal_.try_emplace(entryPath, first).first->second;
    for (uint64_t generation = std::max(oldest, first); generation < end; ++generation) {
        store_->Remove(recovery::Store::JournalPath(entryPath, generation));
    }
    oldest = std::max(oldest, end);
}

bool RecoveryKeeper::WaitIdle(int timeoutMs) {
    std::unique_lock lock(mutex_);
    const auto idle = [this] { return (queue_.empty() && !busy_) || halted_; };
    if (timeoutMs < 0) {
        idle_.wait(lock, idle);
    } else {
        idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs), idle);
    }
    return lastOk_;
}

void RecoveryKeeper::Reported(bool ok, const std::string& error) {
    if (ok) {
        failing_ = false;
        return;
    }
    if (!failing_) {
        failing_ = true; // shown once, until a copy succeeds again
        if (OnCopyFailed) {
            OnCopyFailed(QString::fromLocal8Bit(error));
        }
    }
}

} // namespace sheafpad
