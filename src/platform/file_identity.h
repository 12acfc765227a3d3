// What a file on disk was at one moment, so that a later look can tell
// whether another program changed, replaced, deleted or re-pointed it.
#pragma once

#include <cstdint>
#include <string>

namespace sheafpad::platform {

struct FileIdentity {
    bool exists = false; // something readable as a file stands at the name
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t mtimeNs = 0; // modification time, nanoseconds since the epoch
    bool isLink = false; // the name itself is a symbolic link
    // For a link: the file it leads to, fully resolved (or the link's own
    // text when it leads nowhere). Empty for a plain name.
    std::string linkTarget;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file at path now (links followed for the file itself).
FileIdentity FileIdentityOf(const std::string& path);

// How the file at a name differs from what it was, most telling first.
enum class FileChange {
    None,
    Changed,   // the same file, with other content (size or modification time)
    Replaced,  // another file now stands at the name (a save by rename, mv)
    Deleted,   // nothing stands at the name any more
    Repointed, // the name became a link, stopped being one, or leads elsewhere
};
FileChange CompareIdentity(const FileIdentity& before, const FileIdentity& now);

} // namespace sheafpad::platform
