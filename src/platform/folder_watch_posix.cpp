// SPDX-License-Identifier: GPL-3.0-or-later
// Folder watches with inotify.
#include "platform/folder_watch.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace sheafpad::platform {

namespace {
constexpr uint32_t kMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF |
                           IN_MOVE_SELF | IN_ATTRIB | IN_ONLYDIR;

void SortUnique(std::vector<int>& watches) {
    std::sort(watches.begin(), watches.end());
    watches.erase(std::unique(watches.begin(), watches.end()), watches.end());
}
} // namespace

FolderWatch::FolderWatch() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FolderWatch::~FolderWatch() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

int FolderWatch::Add(const std::string& path) {
    if (fd_ < 0) {
        return -ENOSYS;
    }
    const int watch = ::inotify_add_watch(fd_, path.c_str(), kMask);
    return watch >= 0 ? watch : -errno;
}

void FolderWatch::Remove(int watch) {
    if (fd_ >= 0 && watch >= 0) {
        ::inotify_rm_watch(fd_, watch);
    }
}

FolderWatch::Notices FolderWatch::Take() {
    Notices notices;
    if (fd_ < 0) {
        return notices;
    }
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got <= 0) {
            break; // EAGAIN: nothing more waits
        }
        for (ssize_t at = 0; at < got;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            at += ssize_t(sizeof event + event.len);
            if (event.mask & IN_Q_OVERFLOW) {
                notices.overflow = true;
            } else if (event.mask & IN_IGNORED) {
                notices.ended.push_back(event.wd);
                notices.changed.push_back(event.wd);
            } else if ((event.mask & IN_ATTRIB) && (event.len == 0 || !(event.mask & IN_ISDIR))) {
                // A file's or the folder's own status: the entries are the same.
            } else {
                notices.changed.push_back(event.wd);
            }
        }
    }
    SortUnique(notices.changed);
    SortUnique(notices.ended);
    return notices;
}

} // namespace sheafpad::platform
