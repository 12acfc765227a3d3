// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/entry_names.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sheafpad::platform {

namespace {
std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}
} // namespace

namespace {
void SyncFolder(const std::string& path) {
    const int folder = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder); // the change is done either way; this makes it last
        ::close(folder);
    }
}
} // namespace

int MakeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) != 0) {
        return errno;
    }
    SyncFolder(FolderOf(path));
    return 0;
}

int RemoveEmptyFolder(const std::string& path) {
    if (::rmdir(path.c_str()) != 0) {
        return errno == EEXIST ? ENOTEMPTY : errno;
    }
    SyncFolder(FolderOf(path));
    return 0;
}

int RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
        if (errno != EINVAL && errno != ENOSYS) {
            return errno;
        }
        // A file system without the flag: a look first, then the plain rename.
        struct stat st;
        if (::lstat(to.c_str(), &st) == 0) {
            return EEXIST;
        }
        if (::rename(from.c_str(), to.c_str()) != 0) {
            return errno;
        }
    }
    SyncFolder(FolderOf(to));
    return 0;
}

} // namespace sheafpad::platform
