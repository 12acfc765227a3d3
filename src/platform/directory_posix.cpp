// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/directory.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sheafpad::platform {

namespace {

EntryKind KindOf(int folder, const dirent& entry) {
    struct stat st;
    switch (entry.d_type) {
    case DT_DIR:
        return EntryKind::Folder;
    case DT_LNK:
        // Only where a link leads tells whether it is a folder.
        return ::fstatat(folder, entry.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode)
                   ? EntryKind::LinkedFolder
                   : EntryKind::File;
    case DT_UNKNOWN:
        break; // a file system that keeps no types: look
    default:
        return EntryKind::File;
    }
    if (::fstatat(folder, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return EntryKind::File; // gone meanwhile: listed as it was read
    }
    if (S_ISDIR(st.st_mode)) {
        return EntryKind::Folder;
    }
    if (S_ISLNK(st.st_mode) && ::fstatat(folder, entry.d_name, &st, 0) == 0 &&
        S_ISDIR(st.st_mode)) {
        return EntryKind::LinkedFolder;
    }
    return EntryKind::File;
}

} // namespace

bool ForEachEntry(const std::string& dir, const std::function<void(std::string_view)>& visit) {
    DIR* handle = ::opendir(dir.c_str());
    if (handle == nullptr) {
        return false;
    }
    while (const dirent* entry = ::readdir(handle)) {
        std::string_view name(entry->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        visit(name);
    }
    ::closedir(handle);
    return true;
}

int ForEachEntryWithKind(const std::string& dir, FolderId* id,
                         const std::function<void(std::string_view, EntryKind)>& visit) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    DIR* handle = ::fdopendir(fd);
    if (handle == nullptr) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    if (id != nullptr) {
        struct stat st;
        *id =
            ::fstat(fd, &st) == 0 ? FolderId{uint64_t(st.st_dev), uint64_t(st.st_ino)} : FolderId{};
    }
    while (const dirent* entry = ::readdir(handle)) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        visit(name, KindOf(fd, *entry));
    }
    ::closedir(handle);
    return 0;
}

} // namespace sheafpad::platform
