#include "app/recovery_keeper.h"

#include "base/errors.h"
#include "platform/thread_priority.h"
#include "recovery/recovery_entry.h"

#include <chrono>

namespace sheafpad {
namespace {

constexpr int kPauseMs = 1000;    // after the last change
constexpr int kLongestMs = 30000; // at the latest, during long typing

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

RecoveryKeeper::RecoveryKeeper(Source source, QObject* parent)
    : QObject(parent), source_(std::move(source)) {
    for (QTimer* timer : {&pause_, &longest_}) {
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this] { CopyNow(false); });
    }
    SetDelays(kPauseMs, kLongestMs);
}

RecoveryKeeper::~RecoveryKeeper() {
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
    pause_.start(); // restarted by every change
    if (!longest_.isActive()) {
        longest_.start(); // not restarted: bounds the wait during long typing
    }
}

void RecoveryKeeper::Drop() {
    pause_.stop();
    longest_.stop();
    if (holding_) {
        dropAsked_ = true;
        return;
    }
    for (const std::string& entryPath : written_) {
        Enqueue(MakeJob(Job::Remove, entryPath));
    }
    written_.clear();
}

void RecoveryKeeper::Hold(const std::string& path) {
    holding_ = true;
    dropAsked_ = false;
    heldPath_ = path;
    heldIdentity_ = platform::FileIdentityOf(path);
}

void RecoveryKeeper::EndHold(bool saved) {
    holding_ = false;
    // A save that wrote nothing (skipped, or the file left as it was) must
    // not cost the copy.
    const bool written =
        platform::CompareIdentity(heldIdentity_, platform::FileIdentityOf(heldPath_)) !=
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
    std::optional<Snapshot> snapshot = source_();
    if (!snapshot) {
        return true; // no unsaved edits of a loaded file
    }
    Job job = MakeJob(Job::Write, store_->EntryPath(snapshot->path), snapshot->path);
    job.encoding = snapshot->encoding;
    job.text = std::move(snapshot->text); // the worker reads and encodes it
    job.loaded = std::move(snapshot->loaded);
    job.copiedAtNs = NowNs();
    written_.insert(job.entryPath);
    Enqueue(std::move(job));
    return wait ? WaitIdle() : true;
}

void RecoveryKeeper::Flush() {
    WaitIdle();
}

void RecoveryKeeper::Adopt(const std::string& entryPath, const std::string& path) {
    if (!store_) {
        return;
    }
    written_.insert(store_->EntryPath(path));
    Enqueue(MakeJob(Job::Adopt, entryPath, path));
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
        // removal of the same entry is asked for.
        if (job.kind != Job::Adopt) {
            std::erase_if(queue_, [&](const Job& queued) {
                return queued.kind == Job::Write && queued.entryPath == job.entryPath;
            });
        }
        queue_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void RecoveryKeeper::Work() {
    platform::LowerThreadPriority(); // typing first, copies in the time left over
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (queue_.empty()) {
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

bool RecoveryKeeper::RunJob(Job& job, std::string* error) const {
    int code = 0;
    switch (job.kind) {
    case Job::Write: {
        recovery::Entry entry;
        entry.path = job.path;
        entry.loaded = job.loaded;
        entry.copiedAtNs = job.copiedAtNs;
        const std::u16string text = job.text.Text(0, job.text.Length());
        recovery::Store::PendingWrite pending =
            store_->Stage(job.entryPath, std::move(entry), text, job.encoding);
        job.text = TextSnapshot(); // the text's blocks are not held during the wait
        code = pending.Commit();
        break;
    }
    case Job::Remove:
        code = store_->Remove(job.entryPath);
        break;
    case Job::Adopt:
        code = store_->Adopt(job.entryPath, job.path);
        break;
    }
    if (code != 0) {
        *error = SystemReason(code);
    }
    return code == 0;
}

bool RecoveryKeeper::WaitIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
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
