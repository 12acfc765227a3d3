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
constexpr unsigned kFlushThreads = 8;    // flushes waited on at once

// A copy made ahead of its file's turn.
struct Ahead {
    size_t index = 0;
    Target target;
    NewCopy copy;
    bool ready = false; // made and being flushed; else the file is saved the ordinary way
    // Guarded by the flushers' lock.
    bool queued = false, flushing = false;
    int flushError = 0;
};

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

// Threads that flush the copies' files in the order they come.
class Flushers {
public:
    ~Flushers() {
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
        if (threads_.size() < kFlushThreads) {
            // The helpers take no signals: they stay with the program's own threads.
            sigset_t all, old;
            ::sigfillset(&all);
            ::pthread_sigmask(SIG_BLOCK, &all, &old);
            try {
                threads_.emplace_back([this] { Work(); });
            } catch (const std::system_error&) {
                // No more threads: Finish flushes on the caller's.
            }
            ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
        }
        work_.notify_one();
    }

    // Waits until ahead's file is flushed (flushing it here when no thread
    // has taken it yet); 0 or the error. With forget, one still queued is
    // only taken out of the queue.
    int Finish(Ahead* ahead, bool forget = false) {
        std::unique_lock lock(mutex_);
        if (ahead->queued) {
            ahead->queued = false;
            std::erase(queue_, ahead);
            lock.unlock();
            return forget ? 0 : (Sync(ahead->copy.file->fd()) ? 0 : errno);
        }
        done_.wait(lock, [&] { return !ahead->flushing; });
        return ahead->flushError;
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
            ahead->flushing = true;
            const int fd = ahead->copy.file->fd();
            lock.unlock();
            const int error = Sync(fd) ? 0 : errno;
            lock.lock();
            ahead->flushError = error;
            ahead->flushing = false;
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
    // Declared before the flushers: they are gone before any copy closes.
    std::deque<std::unique_ptr<Ahead>> window;
    Flushers flushers;

    // Makes copies ahead while the window has room for them; the file at
    // first always gets its turn.
    void Fill(size_t first) {
        next = std::max(next, first);
        while (next < files.size() && next < first + kAheadFiles &&
               (window.empty() || bytes + files[next].bytes.size() <= kAheadBytes)) {
            window.push_back(Make(next));
            bytes += files[next].bytes.size();
            ++next;
        }
    }

    std::unique_ptr<Ahead> Make(size_t i) {
        auto ahead = std::make_unique<Ahead>();
        ahead->index = i;
        const File& file = files[i];
        if (file.path.empty()) {
            return ahead;
        }
        try {
            ahead->ready =
                PlanSave(file.path, LockedDirectories::AsTheSystemAllows, &ahead->target) ==
                    SaveWay::ByRename &&
                WriteCopy(ahead->target, file.bytes, false, &ahead->copy) == SafeResult::Done;
        } catch (const Error&) {
            // The ordinary save in the file's turn tells what is wrong.
        }
        if (ahead->ready) {
            flushers.Add(ahead.get());
        } else {
            ahead->copy.file.reset();
        }
        return ahead;
    }

    FileIdentity Save(size_t i);

    // Every copy made ahead goes, its file saved the ordinary way in its
    // turn; false when there was none.
    bool Release() {
        bool any = false;
        for (const std::unique_ptr<Ahead>& ahead : window) {
            if (ahead->ready) {
                flushers.Finish(ahead.get(), true);
                ahead->copy.file.reset();
                ahead->ready = false;
                any = true;
            }
        }
        return any;
    }

    // The window's first copy goes, once no thread flushes it.
    void Drop() {
        Ahead* ahead = window.front().get();
        if (ahead->ready) {
            flushers.Finish(ahead, true);
        }
        bytes -= files[ahead->index].bytes.size();
        window.pop_front();
    }
};

SaveRun::SaveRun(std::vector<File> files) : impl_(std::make_unique<Impl>()) {
    impl_->files = std::move(files);
}

SaveRun::~SaveRun() = default;

FileIdentity SaveRun::Impl::Save(size_t i) {
    Impl& run = *this;
    while (!run.window.empty() && run.window.front()->index < i) {
        run.Drop(); // passed over
    }
    run.Fill(i);
    const File& file = run.files[i];
    Ahead* ahead = run.window.empty() ? nullptr : run.window.front().get();
    if (ahead == nullptr || ahead->index != i || !ahead->ready ||
        !StillTarget(file.path, ahead->target)) {
        if (ahead != nullptr && ahead->index == i) {
            run.Drop();
        }
        return WriteFileBytes(file.path, file.bytes);
    }
    struct Dropper {
        Impl& run;
        ~Dropper() { run.Drop(); }
    } dropper{run};
    const Target& target = ahead->target;
    if (const int error = run.flushers.Finish(ahead)) {
        ThrowCopyFailed(target, file.bytes.size(), error);
    }
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
