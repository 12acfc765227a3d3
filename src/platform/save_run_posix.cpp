// SPDX-License-Identifier: GPL-3.0-or-later
// A run of crash-safe saves whose disk flushes overlap: the copies of the
// next files are written and flushed by helper threads while the current one
// is put in place.
#include "platform/file_io.h"

#include "base/errors.h"
#include "platform/file_save_steps.h"

#include <condition_variable>
#include <csignal>
#include <deque>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace sheafpad::platform {

using namespace posix;

namespace {

constexpr size_t kAheadFiles = 32;       // copies made ahead of the one put in place
constexpr size_t kAheadBytes = 8u << 20; // and their bytes, so as not to fill a disk
constexpr unsigned kHelpers = 8;         // copies made and flushed at once

// A copy made ahead of its file's turn.
struct Ahead {
    size_t index = 0;
    const SaveRun::File* file = nullptr;
    Target target;
    NewCopy copy;
    bool ready = false; // made and flushed; else the file is saved the ordinary way
    // Guarded by the helpers' lock.
    bool queued = false, working = false;
};

// Makes ahead's copy and flushes it. Where that fails, the copy is not
// ready: the ordinary save in the file's turn tells what is wrong.
void MakeCopy(Ahead* ahead) {
    const SaveRun::File& file = *ahead->file;
    try {
        // Only over a file that exists: a new file's mode comes from the
        // umask, which is looked at only on the program's own thread.
        ahead->ready =
            PlanSave(file.path, LockedDirectories::AsTheSystemAllows, &ahead->target) ==
                SaveWay::ByRename &&
            ahead->target.exists &&
            WriteCopy(ahead->target, file.bytes, false, &ahead->copy) == SafeResult::Done &&
            Sync(ahead->copy.file->fd());
    } catch (const std::exception&) {
        ahead->ready = false;
    }
    if (!ahead->ready) {
        ahead->copy.file.reset();
    }
}

// Whether two statuses are of the same, unchanged entry.
bool Same(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_mode == b.st_mode &&
           a.st_uid == b.st_uid && a.st_gid == b.st_gid && a.st_nlink == b.st_nlink &&
           a.st_size == b.st_size && a.st_ctim.tv_sec == b.st_ctim.tv_sec &&
           a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// Whether path still leads to the file that the copy was made for, unchanged
// in anything the copy took over from it.
bool StillTarget(const std::string& path, const Target& target) {
    struct stat linkSt, st;
    if (!target.exists) {
        return ::lstat(path.c_str(), &linkSt) != 0 && errno == ENOENT;
    }
    return ::lstat(path.c_str(), &linkSt) == 0 && Same(linkSt, target.linkSt) &&
           ::stat(target.path.c_str(), &st) == 0 && Same(st, target.st);
}

// Threads that make and flush the copies in the order they come.
class Helpers {
public:
    ~Helpers() {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
            for (Ahead* ahead : queue_) {
                ahead->queued = false;
            }
            queue_.clear();
        }
        work_.notify_all();
        for (std::thread& thread : threads_) {
            thread.join();
        }
    }

    void Add(Ahead* ahead) {
        {
            const std::lock_guard lock(mutex_);
            ahead->queued = true;
            queue_.push_back(ahead);
        }
        if (threads_.size() < kHelpers) {
            // The helpers take no signals: they stay with the program's own threads.
            sigset_t all, old;
            ::sigfillset(&all);
            ::pthread_sigmask(SIG_BLOCK, &all, &old);
            try {
                threads_.emplace_back([this] { Work(); });
            } catch (const std::system_error&) {
                // No more threads: Finish makes the copies on the caller's.
            }
            ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
        }
        work_.notify_one();
    }

    // Waits until ahead's copy is made (making it here when no helper has
    // taken it yet). With forget, one still queued is only taken out of the
    // queue, not made.
    void Finish(Ahead* ahead, bool forget = false) {
        std::unique_lock lock(mutex_);
        if (ahead->queued) {
            ahead->queued = false;
            std::erase(queue_, ahead);
            lock.unlock();
            if (!forget) {
                MakeCopy(ahead);
            }
            return;
        }
        done_.wait(lock, [&] { return !ahead->working; });
    }

private:
    void Work() {
        std::unique_lock lock(mutex_);
        for (;;) {
            work_.wait(lock, [&] { return stop_ || !queue_.empty(); });
            if (stop_) {
                return;
            }
            Ahead* ahead = queue_.front();
            queue_.pop_front();
            ahead->queued = false;
            ahead->working = true;
            lock.unlock();
            MakeCopy(ahead);
            lock.lock();
            ahead->working = false;
            done_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable work_, done_;
    std::deque<Ahead*> queue_;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

} // namespace

struct SaveRun::Impl {
    std::vector<File> files;
    size_t next = 0;  // the first file not made ahead yet
    size_t bytes = 0; // the bytes of the copies in window
    // Declared before the helpers: they are gone before any copy closes.
    std::deque<std::unique_ptr<Ahead>> window;
    Helpers helpers;

    // Has copies made ahead while the window has room for them; the file at
    // first always gets its turn.
    void Fill(size_t first) {
        next = std::max(next, first);
        while (next < files.size() && next < first + kAheadFiles &&
               (window.empty() || bytes + files[next].bytes.size() <= kAheadBytes)) {
            auto ahead = std::make_unique<Ahead>();
            ahead->index = next;
            ahead->file = &files[next];
            if (!files[next].path.empty()) {
                helpers.Add(ahead.get());
            }
            window.push_back(std::move(ahead));
            bytes += files[next].bytes.size();
            ++next;
        }
    }

    FileIdentity Save(size_t i);

    // Every copy made ahead goes, its file saved the ordinary way in its
    // turn; false when there was none.
    bool Release() {
        bool any = false;
        for (const std::unique_ptr<Ahead>& ahead : window) {
            helpers.Finish(ahead.get(), true);
            any = any || ahead->ready;
            ahead->copy.file.reset();
            ahead->ready = false;
        }
        return any;
    }

    // The window's first copy goes, once no helper works on it.
    void Drop() {
        Ahead* ahead = window.front().get();
        helpers.Finish(ahead, true);
        bytes -= files[ahead->index].bytes.size();
        window.pop_front();
    }
};

SaveRun::SaveRun(std::vector<File> files) : impl_(std::make_unique<Impl>()) {
    impl_->files = std::move(files);
}

SaveRun::~SaveRun() = default;

FileIdentity SaveRun::Impl::Save(size_t i) {
    while (!window.empty() && window.front()->index < i) {
        Drop(); // passed over
    }
    Fill(i);
    const File& file = files[i];
    Ahead* ahead = window.front().get();
    if (!file.path.empty()) {
        helpers.Finish(ahead);
    }
    if (!ahead->ready || !StillTarget(file.path, ahead->target)) {
        Drop();
        return WriteFileBytes(file.path, file.bytes);
    }
    struct Dropper {
        Impl& run;
        ~Dropper() { run.Drop(); }
    } dropper{*this};
    const Target& target = ahead->target;
    struct stat written {};
    if (PlaceCopy(target, ahead->copy, &written) == SafeResult::UseInPlace) {
        ahead->copy.file.reset(); // its space is free again for the in-place save
        written = WriteInPlace(target.shown, target.path, file.bytes,
                               target.exists ? &target.st : nullptr);
    }
    return Written(file.path, written, file.bytes);
}

FileIdentity SaveRun::Save(size_t i) {
    try {
        return impl_->Save(i);
    } catch (const EOutOfResources&) {
        // Perhaps the copies made ahead filled the disk: without them, the
        // save may fit.
        if (!impl_->Release()) {
            throw;
        }
        return WriteFileBytes(impl_->files[i].path, impl_->files[i].bytes);
    }
}

} // namespace sheafpad::platform
