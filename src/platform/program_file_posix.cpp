// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/program_file.h"

#include <climits>
#include <unistd.h>

namespace sheafpad::platform {

std::string ProgramDirectory() {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || size_t(length) >= sizeof buffer) {
        return {};
    }
    std::string path(buffer, size_t(length));
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    path.resize(slash + 1);
    return path;
}

} // namespace sheafpad::platform
