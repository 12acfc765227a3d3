// SPDX-License-Identifier: GPL-3.0-or-later
// The links of every listed page, style sheet and script, each resolved from
// its file's place in the site.
//
// A file is read once however many listed names lead to it (a translation
// that is a symbolic link to another page): what it says is shared, and only
// resolved from each name. Built with several threads; then kept current a
// file at a time.
#pragma once

#include "links/link_scan.h"
#include "links/link_target.h"
#include "platform/file_identity.h"

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sheafpad::links {

// What a file was when it was read: a later look tells whether to read it again.
struct FileKey {
    uint64_t device = 0, inode = 0, size = 0;
    int64_t mtimeNs = 0, ctimeNs = 0;
    bool operator==(const FileKey&) const = default;
};
FileKey KeyOf(const platform::FileIdentity& identity);
struct FileKeyHash {
    size_t operator()(const FileKey& key) const {
        return std::hash<uint64_t>()(key.inode * 1000003 ^ key.device);
    }
};

class LinkCache;

// The links one file holds as written.
struct ScannedFile {
    FileKey key;          // all zero: read from the editor's text, not from the disk
    size_t bomLength = 0; // the places of the links count from after it
    TextEncoding encoding = TextEncoding::Utf8;
    std::vector<RawLink> links;
};

struct IndexedFile {
    std::shared_ptr<const ScannedFile> scanned;
    std::vector<Target> targets; // one for each link, resolved from the file's path
};

// Whether a listed file is read for links: a page, a style sheet or a script.
bool HoldsLinks(std::string_view path);

// Reads the file at fullPath for links; nothing when it cannot be read or is
// no text. buffer is kept from file to file.
std::shared_ptr<const ScannedFile> ScanFile(LinkScanner& scanner, const std::string& fullPath,
                                            const FileKey& key, std::string& buffer);

class LinkIndex {
public:
    LinkIndex() = default;
    explicit LinkIndex(std::string root) : root_(std::move(root)) {}

    // The directory text that the paths are relative to.
    const std::string& Root() const { return root_; }
    const IndexedFile* Find(std::string_view path) const;
    const std::unordered_map<std::string, IndexedFile>& Files() const { return files_; }
    size_t LinkCount() const;

    // What the file at path says now (resolved here).
    void Set(const std::string& path, std::shared_ptr<const ScannedFile> scanned);
    void Remove(const std::string& path);

    // Reads again each file whose disk entry is no longer what was read (or
    // that was read from the editor), and takes out those that are gone.
    // Returns how many were read.
    size_t Refresh(LinkScanner& scanner);

private:
    friend std::optional<LinkIndex> BuildIndex(const std::string&, const std::vector<std::string>&,
                                               unsigned, const std::atomic<bool>*, const LinkCache*,
                                               size_t*);
    std::string root_;
    std::unordered_map<std::string, IndexedFile> files_;
};

// The index of the listed paths (relative to root; those that hold no links
// are left out), read by threads workers. Nothing when *cancel became true.
// What cache holds of a file as it is now is taken instead of reading it;
// *read, when given, is how many files were read.
std::optional<LinkIndex> BuildIndex(const std::string& root, const std::vector<std::string>& paths,
                                    unsigned threads, const std::atomic<bool>* cancel = nullptr,
                                    const LinkCache* cache = nullptr, size_t* read = nullptr);

} // namespace sheafpad::links
