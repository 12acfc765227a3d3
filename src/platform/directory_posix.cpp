// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/directory.h"

#include <dirent.h>

namespace sheafpad::platform {

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

} // namespace sheafpad::platform
