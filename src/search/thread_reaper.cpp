// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/thread_reaper.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace sheafpad::search {

namespace {

class ThreadReaper {
public:
    static ThreadReaper& Instance() {
        static ThreadReaper reaper;
        return reaper;
    }
    void Add(std::vector<std::thread> threads) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            for (std::thread& thread : threads) {
                waiting_.push_back(std::move(thread));
            }
            if (!joiner_.joinable()) {
                joiner_ = std::thread([this] { Run(); });
            }
        }
        wake_.notify_one();
    }
    ~ThreadReaper() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        if (joiner_.joinable()) {
            joiner_.join();
        }
    }

private:
    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || !waiting_.empty(); });
            if (waiting_.empty()) {
                return;
            }
            std::thread thread = std::move(waiting_.front());
            waiting_.pop_front();
            lock.unlock();
            thread.join();
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::thread> waiting_;
    bool stop_ = false;
    std::thread joiner_;
};

} // namespace

void JoinAside(std::vector<std::thread> threads) {
    ThreadReaper::Instance().Add(std::move(threads));
}

} // namespace sheafpad::search
