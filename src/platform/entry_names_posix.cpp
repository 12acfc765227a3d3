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
    const int folder = ::open(FolderOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder); // the rename is done either way; this makes it last
        ::close(folder);
    }
    return 0;
}

} // namespace sheafpad::platform
