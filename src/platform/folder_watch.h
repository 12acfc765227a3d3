// SPDX-License-Identifier: GPL-3.0-or-later
// Watching folders for entries that other programs create, delete or rename:
// one watch per folder, which sees that folder's own entries (not those of
// its subfolders). Notices wait in the system until read; Fd() is readable
// while some wait, so that an event loop can tell when to read them.
#pragma once

#include <string>
#include <vector>

namespace sheafpad::platform {

class FolderWatch {
public:
    // Watches nothing when the system refuses a watcher (Works() is then false).
    FolderWatch();
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    bool Works() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

    // Starts watching the folder at path. Returns the watch (>= 0), or the
    // negated errno (no room for more watches, a folder that cannot be
    // read). The same folder reached by two paths gives the same watch.
    int Add(const std::string& path);
    // Stops a watch (one that the system ended already is no error).
    void Remove(int watch);

    struct Notices {
        std::vector<int> changed; // watches whose entries changed, each once
        std::vector<int> ended;   // watches that the system ended (folder deleted)
        bool overflow = false;    // notices were lost: any folder may have changed
    };
    // The notices waiting now, without blocking. A folder's own deletion or
    // move counts as a change of its entries; so does a change of a
    // subfolder's permissions (it may have become readable).
    Notices Take();

private:
    int fd_ = -1;
};

} // namespace sheafpad::platform
