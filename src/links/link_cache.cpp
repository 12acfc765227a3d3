// SPDX-License-Identifier: GPL-3.0-or-later
#include "links/link_cache.h"

#include "platform/state_files.h"
#include "platform/user_dirs.h"

#include <cstring>
#include <optional>

namespace sheafpad::links {

namespace {

// Changed whenever what is kept, or how links are read, changes: a cache of
// an older reading is then not used.
constexpr std::string_view kMagic = "Sheafpad link cache 1\n";
// Larger caches are neither written nor read.
constexpr size_t kLargestCache = 256 * 1024 * 1024;

uint64_t Fnv(std::string_view bytes) {
    uint64_t hash = 1469598103934665603ull;
    for (const char c : bytes) {
        hash = (hash ^ uint8_t(c)) * 1099511628211ull;
    }
    return hash;
}

std::string FileName(const std::string& root) {
    char name[40];
    std::snprintf(name, sizeof name, "%016llx.links", static_cast<unsigned long long>(Fnv(root)));
    return name;
}

template <typename T> void Put(std::string& out, T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.append(bytes, sizeof(T));
}

void PutText(std::string& out, std::string_view text) {
    Put(out, uint32_t(text.size()));
    out.append(text);
}

// Reads what Put wrote; any read past the end leaves it failed.
struct Reader {
    std::string_view bytes;
    bool failed = false;

    template <typename T> T Get() {
        T value{};
        if (bytes.size() < sizeof(T)) {
            failed = true;
            return value;
        }
        std::memcpy(&value, bytes.data(), sizeof(T));
        bytes.remove_prefix(sizeof(T));
        return value;
    }
    std::string_view Text() {
        const auto size = Get<uint32_t>();
        if (failed || bytes.size() < size) {
            failed = true;
            return {};
        }
        const std::string_view text = bytes.substr(0, size);
        bytes.remove_prefix(size);
        return text;
    }
};

void PutFile(std::string& out, syntax::Language language, const ScannedFile& file) {
    const FileKey& key = file.key;
    Put(out, key.device);
    Put(out, key.inode);
    Put(out, key.size);
    Put(out, key.mtimeNs);
    Put(out, key.ctimeNs);
    Put(out, uint8_t(language));
    Put(out, uint8_t(file.encoding));
    Put(out, uint32_t(file.bomLength));
    Put(out, uint32_t(file.links.size()));
    for (const RawLink& link : file.links) {
        Put(out, link.start);
        Put(out, link.end);
        Put(out, link.line);
        Put(out, link.column);
        Put(out, uint8_t(link.kind));
        PutText(out, link.value);
    }
}

// One file's entry; nothing when it does not hold together.
std::optional<std::pair<syntax::Language, std::shared_ptr<ScannedFile>>> GetFile(Reader& in) {
    auto file = std::make_shared<ScannedFile>();
    FileKey& key = file->key;
    key.device = in.Get<uint64_t>();
    key.inode = in.Get<uint64_t>();
    key.size = in.Get<uint64_t>();
    key.mtimeNs = in.Get<int64_t>();
    key.ctimeNs = in.Get<int64_t>();
    const auto language = in.Get<uint8_t>();
    const auto encoding = in.Get<uint8_t>();
    file->bomLength = in.Get<uint32_t>();
    const auto count = in.Get<uint32_t>();
    // Each link takes at least 21 bytes: a count beyond that is damage.
    if (in.failed || language > uint8_t(syntax::Language::JavaScript) ||
        encoding > uint8_t(TextEncoding::Latin1) || file->bomLength > 4 ||
        count > in.bytes.size() / 21 || key == FileKey{}) {
        return std::nullopt;
    }
    file->encoding = TextEncoding(encoding);
    file->links.resize(count);
    for (RawLink& link : file->links) {
        link.start = in.Get<uint32_t>();
        link.end = in.Get<uint32_t>();
        link.line = in.Get<uint32_t>();
        link.column = in.Get<uint32_t>();
        const auto kind = in.Get<uint8_t>();
        link.value = std::string(in.Text());
        if (in.failed || kind > uint8_t(LinkKind::Script) || link.end < link.start) {
            return std::nullopt;
        }
        link.kind = LinkKind(kind);
    }
    return std::pair{syntax::Language(language), std::move(file)};
}

} // namespace

std::string LinkCache::DefaultFolder() {
    const std::string state = platform::UserStateDir();
    return state.empty() ? std::string() : state + "links";
}

LinkCache LinkCache::Load(const std::string& root, const std::string& folder) {
    LinkCache cache;
    std::optional<platform::PrivateFolder> dir;
    std::string bytes;
    if (folder.empty() || platform::PrivateFolder::Open(folder, &dir) != 0 ||
        dir->Read(FileName(root), &bytes, kLargestCache) != 0 ||
        bytes.size() < kMagic.size() + sizeof(uint64_t)) {
        return cache;
    }
    // The sum at the end covers the rest: a file cut short or altered is not used.
    const std::string_view body(bytes.data(), bytes.size() - sizeof(uint64_t));
    uint64_t sum = 0;
    std::memcpy(&sum, bytes.data() + body.size(), sizeof sum);
    if (sum != Fnv(body) || !body.starts_with(kMagic)) {
        return cache;
    }
    Reader in{body.substr(kMagic.size())};
    if (in.Text() != root) {
        return cache; // another folder's, with the same name
    }
    const auto count = in.Get<uint32_t>();
    for (uint32_t i = 0; i < count && !in.failed; ++i) {
        auto file = GetFile(in);
        if (!file) {
            return LinkCache();
        }
        const FileKey key = file->second->key;
        cache.files_[key] = Entry{file->first, std::move(file->second)};
    }
    return in.failed || !in.bytes.empty() ? LinkCache() : cache;
}

int LinkCache::Save(const LinkIndex& index, const std::string& folder) {
    if (folder.empty()) {
        return ENOENT;
    }
    std::string out(kMagic);
    PutText(out, index.Root());
    std::string files;
    std::unordered_map<FileKey, bool, FileKeyHash> kept;
    uint32_t count = 0;
    for (const auto& [path, file] : index.Files()) {
        const ScannedFile& scanned = *file.scanned;
        if (scanned.key == FileKey{} || !kept.emplace(scanned.key, true).second) {
            continue; // read from the editor, or already kept under another name
        }
        PutFile(files, syntax::LanguageForFileName(path), scanned);
        ++count;
    }
    Put(out, count);
    out += files;
    Put(out, Fnv(out));
    if (out.size() > kLargestCache) {
        return EFBIG;
    }
    std::optional<platform::PrivateFolder> dir;
    const int error = platform::PrivateFolder::Open(folder, &dir);
    return error != 0 ? error : dir->Write(FileName(index.Root()), {out});
}

std::shared_ptr<const ScannedFile> LinkCache::Find(const FileKey& key,
                                                   syntax::Language language) const {
    const auto it = files_.find(key);
    return it != files_.end() && it->second.language == language ? it->second.scanned : nullptr;
}

} // namespace sheafpad::links
