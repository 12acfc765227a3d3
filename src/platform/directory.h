// SPDX-License-Identifier: GPL-3.0-or-later
// Directory enumeration: every entry of a directory, in the order the file
// system returns them, hidden entries and subdirectories included.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace sheafpad::platform {

// Calls visit(name) for each entry of dir except "." and "..". Returns false
// (having visited nothing) when dir cannot be opened; a read error part-way
// ends the enumeration.
bool ForEachEntry(const std::string& dir, const std::function<void(std::string_view)>& visit);

// What an entry is, as far as walking a tree of folders needs to know.
enum class EntryKind : uint8_t {
    File,         // anything that is not a folder (a link to a file included)
    Folder,       // a folder itself
    LinkedFolder, // a symbolic link that leads to a folder: never walked into
};

// A folder's identity: the same folder reached twice (a bind mount) has one.
struct FolderId {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool operator==(const FolderId&) const = default;
};

// As ForEachEntry, with each entry's kind: the type the file system keeps in
// the folder where it keeps one, else a look at the entry (and, for a
// symbolic link, at what it leads to). id, when given, gets the folder's
// identity. Returns 0, or the errno of the failed open (nothing visited).
int ForEachEntryWithKind(const std::string& dir, FolderId* id,
                         const std::function<void(std::string_view, EntryKind)>& visit);

} // namespace sheafpad::platform
