// SPDX-License-Identifier: GPL-3.0-or-later
// The site: the listed files of a folder, and with subfolders on, of every
// folder below it, kept as the disk has them.
//
// Each file is named by its path relative to the folder, with "/" between
// the parts ("css/site.css"). The list holds the folder's own files first,
// then each subfolder's in turn, each folder's files in the list's order
// (name_order.h); the type patterns match a file's own name. Below the
// folder, entries whose names begin with "." are neither listed nor walked
// into, linked folders are not followed, and a folder that cannot be read is
// left out (and named once, by TakeUnreadable). Without subfolders the list
// is the folder's matching entries, all of them (hidden ones and folders too).
//
// Every folder read is watched (platform/folder_watch.h): CatchUp reads again
// only the folders whose entries other programs changed.
//
// This is also the interface for whatever works on the site's files as a
// set: Root() and the relative paths, and Subscribe for each change.
#pragma once

#include "files/file_list.h"
#include "platform/directory.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sheafpad {

namespace platform {
class FolderWatch;
}

// A change of the listed set.
struct SiteChange {
    // The set was read anew (another folder, other patterns, subfolders
    // switched): take it whole. Else added and removed say what changed.
    bool whole = false;
    std::vector<std::string> added;   // relative paths
    std::vector<std::string> removed; // relative paths
};

class SiteTree {
public:
    // watch: follow the disk (CatchUp); off for a listing made once.
    explicit SiteTree(bool watch = true);
    ~SiteTree();
    SiteTree(const SiteTree&) = delete;
    SiteTree& operator=(const SiteTree&) = delete;

    // Lists rootText (the directory text, used unchanged; empty: the root
    // directory) anew.
    void Open(const std::string& rootText, bool subfolders, const FileTypes& types);
    // Other type patterns: the names already read are matched again; only
    // folders that no watch follows are read again.
    void SetTypes(const FileTypes& types);
    // Reads again the folders that no watch follows (the watcher was
    // refused, or a folder is gone or unreadable). True if the list changed.
    bool RereadUnwatched(const std::function<void()>& beforeChange = {});

    // Takes in the changes that the watches have seen: only the folders they
    // concern are read again. beforeChange runs once, before the listed set
    // changes; nothing runs when it stays the same. True if it changed.
    bool CatchUp(const std::function<void()>& beforeChange = {});
    // Readable while changes wait to be taken in; -1 when nothing is watched.
    int WatchFd() const;
    // Folders read that no watch follows (the system refused the watcher,
    // or more watches).
    size_t UnwatchedFolders() const;

    // The listed set.
    const std::string& Root() const { return root_; }
    bool Subfolders() const { return subfolders_; }
    size_t Count() const { return count_; }
    std::string PathAt(size_t row) const; // relative path
    std::vector<std::string> Paths() const;
    std::optional<size_t> RowOf(std::string_view path) const;
    // The directory text joined with a relative path.
    std::string FullPath(std::string_view path) const { return JoinPath(root_, path); }
    size_t FolderCount() const { return order_.size(); }

    // Folders below the root that could not be read, each with the reason
    // (an errno), not yet taken since the last Open.
    std::vector<std::pair<std::string, int>> TakeUnreadable();

    // Listeners run after each change of the listed set, in order of
    // subscription, before the file list's view hears of it: they may look
    // at this tree, not at the list.
    using Listener = std::function<void(const SiteChange&)>;
    size_t Subscribe(Listener listener);
    void Unsubscribe(size_t id);

private:
    struct Folder;
    struct Entries;

    std::unique_ptr<Folder> Load(Folder* parent, std::string path, SiteChange* change);
    void Read(Folder& folder, Entries& entries);
    // Fills folder from entries (its files; the subfolders are the caller's).
    void Take(Folder& folder, Entries&& entries, SiteChange* change);
    // Reads folder again; foldersChanged is set when its subfolders changed.
    bool Relist(Folder& folder, SiteChange* change, const std::function<void()>& touch,
                bool& foldersChanged);
    // Takes the files of entries into folder, the difference into change.
    void Retake(Folder& folder, Entries& entries, SiteChange* change);
    void Drop(std::unique_ptr<Folder> folder, SiteChange* change);
    void Match(Folder& folder) const;
    void Watch(Folder& folder);
    void Unwatch(Folder& folder);
    void Renumber(); // the folders' order anew, and where their files start
    void Recount();  // where their files start
    void Notify(const SiteChange& change);
    bool RelistAll(const std::vector<std::string>& paths,
                   const std::function<void()>& beforeChange);
    std::string FolderPath(const Folder& folder) const;

    std::string root_;
    bool subfolders_ = false;
    FileTypes types_{std::vector<std::string>{}};
    std::unique_ptr<Folder> top_;
    std::vector<Folder*> order_;    // every folder, in list order
    std::vector<size_t> firstRows_; // the row of each one's first file
    std::vector<uint32_t> sizes_;   // how many files each one lists
    size_t count_ = 0;
    std::unordered_map<std::string_view, Folder*> byPath_; // keys: the folders' own paths
    std::unordered_map<int, std::vector<Folder*>> byWatch_;
    std::unique_ptr<platform::FolderWatch> watch_; // null: not watching
    std::vector<std::pair<std::string, int>> unreadable_;
    std::set<std::string> named_; // unreadable folders already taken
    std::map<size_t, Listener> listeners_;
    size_t nextListener_ = 0;
};

} // namespace sheafpad
