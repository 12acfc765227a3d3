// SPDX-License-Identifier: GPL-3.0-or-later
#include "links/link_index.h"

#include "base/errors.h"
#include "files/file_list.h"
#include "links/link_cache.h"
#include "platform/whole_file.h"
#include "text/text_format.h"

#include <algorithm>
#include <numeric>
#include <thread>

namespace sheafpad::links {

namespace {

// Larger files are no site's pages: they are not read for links.
constexpr uint64_t kLargestScanned = 64 * 1024 * 1024;

std::vector<Target> Resolved(std::string_view path, const ScannedFile& scanned) {
    std::vector<Target> targets;
    targets.reserve(scanned.links.size());
    for (const RawLink& link : scanned.links) {
        targets.push_back(Resolve(path, SplitValue(link.value, link.kind).path));
    }
    return targets;
}

} // namespace

FileKey KeyOf(const platform::FileIdentity& identity) {
    return {identity.device, identity.inode, identity.size, identity.mtimeNs, identity.ctimeNs};
}

bool HoldsLinks(std::string_view path) {
    return syntax::LanguageForFileName(path) != syntax::Language::Plain;
}

std::shared_ptr<const ScannedFile> ScanFile(LinkScanner& scanner, const std::string& fullPath,
                                            const FileKey& key, std::string& buffer) {
    if (key.size > kLargestScanned) {
        return nullptr;
    }
    std::string_view bytes;
    try {
        bytes = std::string_view(buffer.data(), platform::ReadWholeFile(fullPath, buffer));
    } catch (const std::exception&) {
        return nullptr; // unreadable now: as if it held no links
    }
    if (ContainsNul(bytes)) {
        return nullptr;
    }
    auto scanned = std::make_shared<ScannedFile>();
    const TextFormat format = DetectFormat(bytes);
    scanned->key = key;
    scanned->bomLength = format.BomLength();
    scanned->encoding = format.encoding;
    scanned->links = scanner.ScanBytes(syntax::LanguageForFileName(fullPath),
                                       TextBytes(bytes, format), format.encoding);
    return scanned;
}

const IndexedFile* LinkIndex::Find(std::string_view path) const {
    const auto it = files_.find(std::string(path));
    return it == files_.end() ? nullptr : &it->second;
}

size_t LinkIndex::LinkCount() const {
    size_t count = 0;
    for (const auto& [path, file] : files_) {
        count += file.targets.size();
    }
    return count;
}

void LinkIndex::Set(const std::string& path, std::shared_ptr<const ScannedFile> scanned) {
    if (!scanned) {
        files_.erase(path);
        return;
    }
    IndexedFile& file = files_[path];
    file.targets = Resolved(path, *scanned);
    file.scanned = std::move(scanned);
}

void LinkIndex::Remove(const std::string& path) {
    files_.erase(path);
}

size_t LinkIndex::Refresh(LinkScanner& scanner) {
    std::vector<std::string> gone;
    std::string buffer;
    size_t read = 0;
    for (auto& [path, file] : files_) {
        const std::string full = JoinPath(root_, path);
        const platform::FileIdentity identity = platform::FileIdentityOf(full);
        if (!identity.exists) {
            gone.push_back(path);
            continue;
        }
        const FileKey key = KeyOf(identity);
        if (file.scanned && file.scanned->key == key) {
            continue;
        }
        ++read;
        std::shared_ptr<const ScannedFile> scanned = ScanFile(scanner, full, key, buffer);
        if (!scanned) {
            scanned = std::make_shared<ScannedFile>(ScannedFile{key, 0, TextEncoding::Utf8, {}});
        }
        file.targets = Resolved(path, *scanned);
        file.scanned = std::move(scanned);
    }
    for (const std::string& path : gone) {
        files_.erase(path);
    }
    return read;
}

std::optional<LinkIndex> BuildIndex(const std::string& root, const std::vector<std::string>& paths,
                                    unsigned threads, const std::atomic<bool>* cancel,
                                    const LinkCache* cache, size_t* read) {
    // Each file once, whatever leads to it.
    struct Unique {
        std::string full;
        FileKey key;
        std::shared_ptr<const ScannedFile> scanned;
        std::vector<size_t> names; // in named
    };
    std::vector<Unique> unique;
    std::vector<std::pair<const std::string*, size_t>> named; // path, its file in unique
    std::unordered_map<FileKey, size_t, FileKeyHash> seen;
    for (const std::string& path : paths) {
        if (!HoldsLinks(path)) {
            continue;
        }
        std::string full = JoinPath(root, path);
        const platform::FileIdentity identity = platform::FileIdentityOf(full);
        if (!identity.exists) {
            continue;
        }
        const FileKey key = KeyOf(identity);
        const auto [it, added] = seen.emplace(key, unique.size());
        if (added) {
            unique.push_back({std::move(full), key, nullptr});
        }
        unique[it->second].names.push_back(named.size());
        named.emplace_back(&path, it->second);
    }
    // Largest first: a big page taken last would keep one worker busy long
    // after the other has run out of files.
    std::vector<size_t> order(unique.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return unique[a].key.size > unique[b].key.size; });
    // Each name's links resolved by the worker that read its file, not
    // after the workers end.
    std::vector<std::vector<Target>> targets(named.size());
    auto resolve = [&](size_t i) {
        for (const size_t name : unique[i].names) {
            targets[name] = Resolved(*named[name].first, *unique[i].scanned);
        }
    };
    std::atomic<size_t> next{0}, scanned{0};
    auto work = [&] {
        LinkScanner scanner;
        std::string buffer;
        for (size_t n; (n = next++) < order.size();) {
            const size_t i = order[n];
            if (cancel && cancel->load()) {
                return;
            }
            if (cache) {
                unique[i].scanned =
                    cache->Find(unique[i].key, syntax::LanguageForFileName(unique[i].full));
                if (unique[i].scanned) {
                    resolve(i);
                    continue;
                }
            }
            ++scanned;
            unique[i].scanned = ScanFile(scanner, unique[i].full, unique[i].key, buffer);
            if (!unique[i].scanned) {
                unique[i].scanned = std::make_shared<ScannedFile>(
                    ScannedFile{unique[i].key, 0, TextEncoding::Utf8, {}});
            }
            resolve(i);
        }
    };
    std::vector<std::thread> workers;
    for (unsigned t = 1; t < std::max(1u, threads); ++t) {
        workers.emplace_back(work);
    }
    work();
    for (std::thread& worker : workers) {
        worker.join();
    }
    if (cancel && cancel->load()) {
        return std::nullopt;
    }
    if (read) {
        *read = scanned;
    }
    LinkIndex index(root);
    index.files_.reserve(named.size());
    for (size_t name = 0; name < named.size(); ++name) {
        IndexedFile& file = index.files_[*named[name].first];
        file.scanned = unique[named[name].second].scanned;
        file.targets = std::move(targets[name]);
    }
    return index;
}

} // namespace sheafpad::links
