// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/site_tree.h"

#include "files/name_order.h"
#include "platform/folder_watch.h"

#include <algorithm>
#include <cerrno>
#include <unordered_set>
#include <utility>

namespace sheafpad {

struct SiteTree::Folder {
    std::string path; // relative to the root, no trailing "/"; "" for the root
    Folder* parent = nullptr;
    platform::FolderId id;
    int watch = -1;
    int error = 0;                // errno of the read, 0 when it was read
    std::string names;            // the files' names, back to back, in list order
    std::vector<uint32_t> ends;   // where each name ends in names
    std::vector<uint32_t> listed; // the matching names, by index
    std::vector<std::unique_ptr<Folder>> subfolders; // in list order
    size_t orderIndex = 0;                           // its place in order_
    bool loop = false; // the same folder as one above it: not walked into

    std::string_view Name(uint32_t i) const {
        const uint32_t begin = i == 0 ? 0 : ends[i - 1];
        return std::string_view(names).substr(begin, ends[i] - begin);
    }
    std::string_view OwnName() const {
        return std::string_view(path).substr(path.rfind('/') + 1); // npos + 1 is 0
    }
    std::string FilePath(std::string_view name) const {
        std::string file;
        file.reserve(path.size() + 1 + name.size());
        if (!path.empty()) {
            file.append(path).append("/");
        }
        return file.append(name);
    }
};

// A folder as read from the disk: its files in list order, its subfolders.
struct SiteTree::Entries {
    int error = 0;
    platform::FolderId id;
    std::string names;
    std::vector<uint32_t> ends;
    std::vector<std::string> folders;
};

namespace {

// A folder that is gone is no folder that could not be read.
bool Unreadable(int error) {
    return error != 0 && error != ENOENT && error != ENOTDIR;
}

} // namespace

SiteTree::SiteTree(bool watch) {
    if (watch) {
        watch_ = std::make_unique<platform::FolderWatch>();
    }
}

// The watches end with the watcher (declared after the folders, so gone first).
SiteTree::~SiteTree() = default;

std::string SiteTree::FolderPath(const Folder& folder) const {
    if (folder.path.empty()) {
        return root_.empty() ? std::string("/") : root_;
    }
    return JoinPath(root_, folder.path);
}

void SiteTree::Read(Folder& folder, Entries& entries) {
    std::string raw;
    std::vector<uint32_t> rawEnds;
    auto add = [&](std::string_view name) {
        raw.append(name);
        rawEnds.push_back(uint32_t(raw.size()));
    };
    const std::string dir = FolderPath(folder);
    if (!subfolders_) {
        // Every entry, as the folder alone is listed; no look at any of them.
        errno = 0;
        if (!platform::ForEachEntry(dir, add)) {
            entries.error = errno != 0 ? errno : ENOENT;
        }
    } else {
        entries.error = platform::ForEachEntryWithKind(
            dir, &entries.id, [&](std::string_view name, platform::EntryKind kind) {
                if (name.front() == '.') {
                    return; // hidden: .git, editor swap files
                }
                if (kind == platform::EntryKind::File) {
                    add(name);
                } else if (kind == platform::EntryKind::Folder) {
                    entries.folders.emplace_back(name);
                }
            });
    }
    std::vector<std::string_view> views(rawEnds.size());
    for (size_t i = 0; i < views.size(); ++i) {
        const uint32_t begin = i == 0 ? 0 : rawEnds[i - 1];
        views[i] = std::string_view(raw).substr(begin, rawEnds[i] - begin);
    }
    entries.names.reserve(raw.size());
    entries.ends.reserve(views.size());
    for (const uint32_t i : NameOrder(views)) {
        entries.names.append(views[i]);
        entries.ends.push_back(uint32_t(entries.names.size()));
    }
    std::sort(entries.folders.begin(), entries.folders.end(),
              [](const std::string& a, const std::string& b) { return NameBefore(a, b); });
}

void SiteTree::Take(Folder& folder, Entries&& entries, SiteChange* change) {
    folder.error = entries.error;
    folder.id = entries.id;
    folder.names = std::move(entries.names);
    folder.ends = std::move(entries.ends);
    Match(folder);
    if (change != nullptr) {
        for (const uint32_t i : folder.listed) {
            change->added.push_back(folder.FilePath(folder.Name(i)));
        }
    }
    if (folder.parent != nullptr && Unreadable(folder.error) && named_.insert(folder.path).second) {
        unreadable_.emplace_back(folder.path, folder.error);
    }
}

void SiteTree::Match(Folder& folder) const {
    folder.listed.clear();
    for (uint32_t i = 0; i < folder.ends.size(); ++i) {
        if (types_.Matches(folder.Name(i))) {
            folder.listed.push_back(i);
        }
    }
}

void SiteTree::Watch(Folder& folder) {
    if (!watch_ || folder.watch >= 0) {
        return;
    }
    // Before the folder is read, so that no change after the read goes unseen.
    const int watch = watch_->Add(FolderPath(folder));
    if (watch >= 0) {
        folder.watch = watch;
        byWatch_[watch].push_back(&folder);
    }
}

void SiteTree::Unwatch(Folder& folder) {
    if (folder.watch < 0) {
        return;
    }
    // The same folder may stand twice in the list (a folder moved within the
    // site, until its old place is dropped): the watch is theirs together.
    const auto found = byWatch_.find(folder.watch);
    if (found != byWatch_.end()) {
        std::erase(found->second, &folder);
        if (found->second.empty()) {
            byWatch_.erase(found);
            watch_->Remove(folder.watch);
        }
    }
    folder.watch = -1;
}

std::unique_ptr<SiteTree::Folder> SiteTree::Load(Folder* parent, std::string path,
                                                 SiteChange* change) {
    auto top = std::make_unique<Folder>();
    top->path = std::move(path);
    top->parent = parent;
    // Walked with a stack of its own: a deep tree needs no deep recursion.
    std::vector<Folder*> pending{top.get()};
    while (!pending.empty()) {
        Folder* folder = pending.back();
        pending.pop_back();
        byPath_[folder->path] = folder;
        Watch(*folder);
        Entries entries;
        Read(*folder, entries);
        // The same folder below itself (a bind mount): not walked into again.
        bool loop = false;
        for (const Folder* up = folder->parent; up != nullptr && entries.id.inode != 0;
             up = up->parent) {
            loop = loop || up->id == entries.id;
        }
        if (loop) {
            folder->loop = true;
            Unwatch(*folder);
            continue;
        }
        std::vector<std::string> subfolders = std::move(entries.folders);
        Take(*folder, std::move(entries), change);
        for (const std::string& name : subfolders) {
            auto child = std::make_unique<Folder>();
            child->path = folder->FilePath(name);
            child->parent = folder;
            folder->subfolders.push_back(std::move(child));
        }
        for (auto it = folder->subfolders.rbegin(); it != folder->subfolders.rend(); ++it) {
            pending.push_back(it->get());
        }
    }
    return top;
}

void SiteTree::Drop(std::unique_ptr<Folder> folder, SiteChange* change) {
    std::vector<Folder*> pending{folder.get()};
    while (!pending.empty()) {
        Folder* gone = pending.back();
        pending.pop_back();
        const auto found = byPath_.find(gone->path);
        if (found != byPath_.end() && found->second == gone) {
            byPath_.erase(found);
        }
        Unwatch(*gone);
        if (change != nullptr) {
            for (const uint32_t i : gone->listed) {
                change->removed.push_back(gone->FilePath(gone->Name(i)));
            }
        }
        for (const auto& child : gone->subfolders) {
            pending.push_back(child.get());
        }
    }
}

void SiteTree::Retake(Folder& folder, Entries& entries, SiteChange* change) {
    // Only what differs goes into the change: the names before and after.
    std::vector<std::string> before;
    if (change != nullptr) {
        for (const uint32_t i : folder.listed) {
            before.emplace_back(folder.Name(i));
        }
    }
    std::vector<std::string> subfolders = std::move(entries.folders);
    Take(folder, std::move(entries), nullptr);
    entries.folders = std::move(subfolders);
    if (change == nullptr) {
        return;
    }
    const std::unordered_set<std::string_view> was(before.begin(), before.end());
    std::unordered_set<std::string_view> now;
    for (const uint32_t i : folder.listed) {
        now.insert(folder.Name(i));
        if (!was.contains(folder.Name(i))) {
            change->added.push_back(folder.FilePath(folder.Name(i)));
        }
    }
    for (const std::string& name : before) {
        if (!now.contains(name)) {
            change->removed.push_back(folder.FilePath(name));
        }
    }
}

bool SiteTree::Relist(Folder& folder, SiteChange* change, const std::function<void()>& touch,
                      bool& foldersChanged) {
    if (folder.loop) {
        return false;
    }
    Watch(folder); // again, where a watch was refused or ended
    Entries entries;
    Read(folder, entries);
    const bool sameFiles = entries.error == folder.error && entries.names == folder.names &&
                           entries.ends == folder.ends;
    // The subfolders that stay; those that are gone, and those that could not
    // be read before (they are tried again), are dropped.
    std::unordered_map<std::string_view, std::unique_ptr<Folder>*> known;
    for (auto& child : folder.subfolders) {
        known.emplace(child->OwnName(), &child);
    }
    std::vector<std::unique_ptr<Folder>*> kept(entries.folders.size(), nullptr);
    size_t keptCount = 0;
    for (size_t i = 0; i < entries.folders.size(); ++i) {
        const auto found = known.find(entries.folders[i]);
        if (found != known.end() && (*found->second)->error == 0) {
            kept[i] = found->second;
            ++keptCount;
        }
    }
    const bool sameFolders =
        keptCount == folder.subfolders.size() && keptCount == entries.folders.size();
    if (sameFiles && sameFolders) {
        return false;
    }
    touch();
    if (!sameFiles) {
        Retake(folder, entries, change);
        sizes_[folder.orderIndex] = uint32_t(folder.listed.size());
    }
    if (sameFolders) {
        return true;
    }
    foldersChanged = true;
    std::vector<std::unique_ptr<Folder>> staying(entries.folders.size());
    for (size_t i = 0; i < kept.size(); ++i) {
        if (kept[i] != nullptr) {
            staying[i] = std::move(*kept[i]);
        }
    }
    // Dropped before any is loaded: a folder moved within this folder is
    // found anew, and its old place must be gone first.
    for (auto& child : folder.subfolders) {
        if (child) {
            Drop(std::move(child), change);
        }
    }
    for (size_t i = 0; i < staying.size(); ++i) {
        if (!staying[i]) {
            staying[i] = Load(&folder, folder.FilePath(entries.folders[i]), change);
        }
    }
    folder.subfolders = std::move(staying);
    return true;
}

bool SiteTree::RelistAll(const std::vector<std::string>& paths,
                         const std::function<void()>& beforeChange) {
    // Parents first: a folder that its parent's relist drops is not read.
    std::vector<std::string> sorted = paths;
    auto depth = [](const std::string& path) {
        return path.empty() ? 0 : 1 + std::count(path.begin(), path.end(), '/');
    };
    std::sort(sorted.begin(), sorted.end(), [&](const std::string& a, const std::string& b) {
        const auto da = depth(a), db = depth(b);
        return da != db ? da < db : a < b;
    });
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    bool touched = false;
    auto touch = [&] {
        if (!touched) {
            touched = true;
            if (beforeChange) {
                beforeChange();
            }
        }
    };
    SiteChange change;
    SiteChange* wanted = listeners_.empty() ? nullptr : &change;
    bool changed = false, foldersChanged = false;
    for (const std::string& path : sorted) {
        const auto found = byPath_.find(path);
        if (found != byPath_.end()) {
            changed = Relist(*found->second, wanted, touch, foldersChanged) || changed;
        }
    }
    if (foldersChanged) {
        Renumber();
    } else if (changed) {
        Recount();
    }
    if (changed) {
        Notify(change);
    }
    return changed;
}

bool SiteTree::CatchUp(const std::function<void()>& beforeChange) {
    if (!watch_ || !top_) {
        return false;
    }
    const platform::FolderWatch::Notices notices = watch_->Take();
    std::vector<std::string> paths;
    if (notices.overflow) {
        for (const Folder* folder : order_) {
            paths.push_back(folder->path);
        }
    }
    for (const int watch : notices.changed) {
        const auto found = byWatch_.find(watch);
        if (found != byWatch_.end()) {
            for (const Folder* folder : found->second) {
                paths.push_back(folder->path);
            }
        }
    }
    for (const int watch : notices.ended) {
        const auto found = byWatch_.find(watch);
        if (found != byWatch_.end()) {
            for (Folder* folder : found->second) {
                folder->watch = -1;
            }
            byWatch_.erase(found);
        }
    }
    return RelistAll(paths, beforeChange);
}

bool SiteTree::RereadUnwatched(const std::function<void()>& beforeChange) {
    std::vector<std::string> paths;
    for (const Folder* folder : order_) {
        if (folder->watch < 0 && !folder->loop) {
            paths.push_back(folder->path);
        }
    }
    return RelistAll(paths, beforeChange);
}

int SiteTree::WatchFd() const {
    return watch_ ? watch_->Fd() : -1;
}

size_t SiteTree::UnwatchedFolders() const {
    return size_t(std::count_if(order_.begin(), order_.end(), [](const Folder* folder) {
        return folder->watch < 0 && folder->error == 0 && !folder->loop;
    }));
}

void SiteTree::Open(const std::string& rootText, bool subfolders, const FileTypes& types) {
    if (top_) {
        Drop(std::move(top_), nullptr);
    }
    unreadable_.clear();
    named_.clear();
    root_ = rootText;
    subfolders_ = subfolders;
    types_ = types;
    top_ = Load(nullptr, std::string(), nullptr);
    Renumber();
    Notify(SiteChange{true, {}, {}});
}

void SiteTree::SetTypes(const FileTypes& types) {
    types_ = types;
    RereadUnwatched();
    for (Folder* folder : order_) {
        Match(*folder);
    }
    Renumber();
    Notify(SiteChange{true, {}, {}});
}

void SiteTree::Renumber() {
    order_.clear();
    firstRows_.clear();
    sizes_.clear();
    count_ = 0;
    std::vector<Folder*> pending;
    if (top_) {
        pending.push_back(top_.get());
    }
    while (!pending.empty()) {
        Folder* folder = pending.back();
        pending.pop_back();
        folder->orderIndex = order_.size();
        order_.push_back(folder);
        firstRows_.push_back(count_);
        sizes_.push_back(uint32_t(folder->listed.size()));
        count_ += folder->listed.size();
        for (auto it = folder->subfolders.rbegin(); it != folder->subfolders.rend(); ++it) {
            pending.push_back(it->get());
        }
    }
}

void SiteTree::Recount() {
    // The same folders in the same order: only where their files start
    // moves, worked out without a look at the folders themselves.
    count_ = 0;
    for (size_t i = 0; i < sizes_.size(); ++i) {
        firstRows_[i] = count_;
        count_ += sizes_[i];
    }
}

std::string SiteTree::PathAt(size_t row) const {
    // The last folder that starts at or before row (empty folders before it
    // start at the same row).
    const auto at = std::upper_bound(firstRows_.begin(), firstRows_.end(), row) - 1;
    const Folder* folder = order_[size_t(at - firstRows_.begin())];
    return folder->FilePath(folder->Name(folder->listed[row - *at]));
}

std::vector<std::string> SiteTree::Paths() const {
    std::vector<std::string> paths;
    paths.reserve(count_);
    for (const Folder* folder : order_) {
        for (const uint32_t i : folder->listed) {
            paths.push_back(folder->FilePath(folder->Name(i)));
        }
    }
    return paths;
}

std::optional<size_t> SiteTree::RowOf(std::string_view path) const {
    const size_t slash = path.rfind('/');
    const std::string_view where = slash == std::string_view::npos ? "" : path.substr(0, slash);
    const std::string_view name = path.substr(slash + 1);
    const auto found = byPath_.find(where);
    if (found == byPath_.end()) {
        return std::nullopt;
    }
    const Folder& folder = *found->second;
    const auto at = std::lower_bound(
        folder.listed.begin(), folder.listed.end(), name,
        [&](uint32_t i, std::string_view wanted) { return NameBefore(folder.Name(i), wanted); });
    if (at == folder.listed.end() || folder.Name(*at) != name) {
        return std::nullopt;
    }
    return firstRows_[folder.orderIndex] + size_t(at - folder.listed.begin());
}

std::vector<std::pair<std::string, int>> SiteTree::TakeUnreadable() {
    return std::exchange(unreadable_, {});
}

size_t SiteTree::Subscribe(Listener listener) {
    listeners_.emplace(nextListener_, std::move(listener));
    return nextListener_++;
}

void SiteTree::Unsubscribe(size_t id) {
    listeners_.erase(id);
}

void SiteTree::Notify(const SiteChange& change) {
    // A copy: a listener may unsubscribe.
    const std::map<size_t, Listener> listeners = listeners_;
    for (const auto& [id, listener] : listeners) {
        listener(change);
    }
}

} // namespace sheafpad
