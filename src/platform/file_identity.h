// SPDX-License-Identifier: GPL-3.0-or-later
// What a file on disk was at one moment, so that a later look can tell
// whether another program changed, replaced, deleted or re-pointed it.
#pragma once

#include "base/content_hash.h"

#include <cstdint>
#include <string>
#include <string_view>

struct stat;

namespace sheafpad::platform {

struct FileIdentity {
    bool exists = false; // something readable as a file stands at the name
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t mtimeNs = 0; // modification time, nanoseconds since the epoch
    // Status-change time: set by the system on every write, and unlike the
    // modification time no program can put it back. 0 where unknown.
    int64_t ctimeNs = 0;
    // A hash of the content (ContentHasher), where the bytes were at hand
    // (loaded or written); 0 where unknown. Not part of CompareIdentity.
    uint64_t contentHash = 0;
    bool isLink = false; // the name itself is a symbolic link
    // For a link: the file it leads to, fully resolved (or the link's own
    // text when it leads nowhere). Empty for a plain name.
    std::string linkTarget;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file at path now (links followed for the file itself).
FileIdentity FileIdentityOf(const std::string& path);
// The same, with the file's status taken from st (as the one who has just
// written it sees it through its descriptor) and only the links from the name.
FileIdentity FileIdentityOf(const std::string& path, const struct stat& st);

// How the file at a name differs from what it was, most telling first.
enum class FileChange {
    None,
    Changed,   // the same file, with other content (size, modification or status-change time)
    Replaced,  // another file now stands at the name (a save by rename, mv)
    Deleted,   // nothing stands at the name any more
    Repointed, // the name became a link, stopped being one, or leads elsewhere
};
FileChange CompareIdentity(const FileIdentity& before, const FileIdentity& now);

// CompareIdentity with the file at path now; where only the status-change
// time moved (a change of mode, owner or links, or a rewrite that kept size
// and modification time) and before knows its content's hash, the content
// decides. *now, when given, gets the identity now, with the hash where the
// content was read.
FileChange ChangeSince(const FileIdentity& before, const std::string& path,
                       FileIdentity* now = nullptr);

} // namespace sheafpad::platform
