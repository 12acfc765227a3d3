// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_identity.h"

#include "platform/file_io.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sheafpad::platform {
namespace {

std::string Resolved(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        return {};
    }
    std::string result(resolved);
    std::free(resolved);
    return result;
}

std::string DirName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Where the link at path leads, fully resolved. For a link that leads nowhere
// (its file was deleted) the folder is resolved and the last name kept, so
// that the deletion reads as a deletion, not as a link pointed elsewhere.
std::string LinkTarget(const std::string& path) {
    if (std::string target = Resolved(path); !target.empty()) {
        return target;
    }
    std::vector<char> buffer(PATH_MAX);
    const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (length <= 0) {
        return {};
    }
    std::string target(buffer.data(), size_t(length));
    if (target.front() != '/') {
        target = DirName(path) + '/' + target;
    }
    const std::string folder = Resolved(DirName(target));
    const std::string name = target.substr(target.rfind('/') + 1);
    return folder.empty() ? target : (folder == "/" ? "" : folder) + '/' + name;
}

} // namespace

namespace {

void SetStatus(FileIdentity& identity, const struct stat& st) {
    identity.exists = true;
    identity.device = uint64_t(st.st_dev);
    identity.inode = uint64_t(st.st_ino);
    identity.size = uint64_t(st.st_size);
    identity.mtimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    identity.ctimeNs = int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
}

} // namespace

FileIdentity FileIdentityOf(const std::string& path) {
    FileIdentity identity;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) {
        return identity;
    }
    if (S_ISLNK(st.st_mode)) {
        identity.isLink = true;
        identity.linkTarget = LinkTarget(path);
        if (::stat(path.c_str(), &st) != 0) {
            return identity; // a link that leads nowhere
        }
    }
    SetStatus(identity, st);
    return identity;
}

FileIdentity FileIdentityOf(const std::string& path, const struct stat& st) {
    FileIdentity identity = FileIdentityOf(path);
    SetStatus(identity, st);
    return identity;
}

FileChange CompareIdentity(const FileIdentity& before, const FileIdentity& now) {
    if (before.isLink != now.isLink || before.linkTarget != now.linkTarget) {
        return FileChange::Repointed;
    }
    if (!now.exists) {
        return before.exists ? FileChange::Deleted : FileChange::None;
    }
    if (!before.exists || before.device != now.device || before.inode != now.inode) {
        return FileChange::Replaced;
    }
    // A rewrite of the same length that puts the old modification time back
    // (touch -d, cp -p, rsync -t) still moves the status-change time.
    const bool statusChanged =
        before.ctimeNs != 0 && now.ctimeNs != 0 && before.ctimeNs != now.ctimeNs;
    if (before.size != now.size || before.mtimeNs != now.mtimeNs || statusChanged) {
        return FileChange::Changed;
    }
    return FileChange::None;
}

FileChange ChangeSince(const FileIdentity& before, const std::string& path, FileIdentity* now) {
    FileIdentity current = FileIdentityOf(path);
    FileChange change = CompareIdentity(before, current);
    const bool onlyStatus = change == FileChange::Changed && before.size == current.size &&
                            before.mtimeNs == current.mtimeNs;
    if (onlyStatus && before.contentHash != 0) {
        try {
            ContentHasher hasher;
            FileReader reader(path);
            std::string piece(size_t(1) << 20, '\0');
            while (const size_t got = reader.Read(piece.data(), piece.size())) {
                hasher.Add(std::string_view(piece.data(), got));
            }
            current.contentHash = hasher.Value();
            if (current.contentHash == before.contentHash) {
                change = FileChange::None;
            }
        } catch (const std::exception&) {
            // Unreadable now: counted as changed.
        }
    }
    if (now != nullptr) {
        *now = std::move(current);
    }
    return change;
}

} // namespace sheafpad::platform
