// SPDX-License-Identifier: GPL-3.0-or-later
// The links read from a site's files, kept on disk between runs (in the
// user's private state folder), so that a new index parses only the files
// that changed since. A file's entry is used only while its disk entry is
// exactly what it was when read: the same device and inode, size, and
// modification and change times. A cache that is damaged, of another
// version or of another folder is not used.
#pragma once

#include "links/link_index.h"

#include <memory>
#include <string>
#include <unordered_map>

namespace sheafpad::links {

class LinkCache {
public:
    // The cache of the site at root, from folder (by default the user's
    // state folder's "links"); empty when there is none or it is unusable.
    static LinkCache Load(const std::string& root, const std::string& folder = DefaultFolder());
    // Keeps what index read from the disk; a file read from the editor's
    // text is left out. 0 or the errno.
    static int Save(const LinkIndex& index, const std::string& folder = DefaultFolder());
    static std::string DefaultFolder();

    // What the file with key, read as language, held; nothing when unknown.
    std::shared_ptr<const ScannedFile> Find(const FileKey& key, syntax::Language language) const;
    size_t Size() const { return files_.size(); }

private:
    struct Entry {
        syntax::Language language;
        std::shared_ptr<const ScannedFile> scanned;
    };
    std::unordered_map<FileKey, Entry, FileKeyHash> files_;
};

} // namespace sheafpad::links
