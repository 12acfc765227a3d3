#include "platform/file_identity.h"

#include <climits>
#include <cstdlib>
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
    identity.exists = true;
    identity.device = uint64_t(st.st_dev);
    identity.inode = uint64_t(st.st_ino);
    identity.size = uint64_t(st.st_size);
    identity.mtimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
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
    if (before.size != now.size || before.mtimeNs != now.mtimeNs) {
        return FileChange::Changed;
    }
    return FileChange::None;
}

} // namespace sheafpad::platform
