// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/user_dirs.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sheafpad::platform {
namespace {

// $variable when it is absolute (relative values are invalid by the XDG
// rules and are ignored), else $HOME + fallback; then "Sheafpad/".
std::string XdgDir(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    std::string base;
    if (value != nullptr && value[0] == '/') {
        base = value;
    } else {
        const std::string home = HomeDir();
        if (home.empty()) {
            return {};
        }
        base = home + (home.back() == '/' ? "" : "/") + fallback;
    }
    if (base.back() != '/') {
        base += '/';
    }
    return base + "Sheafpad/";
}

} // namespace

std::string HomeDir() {
    const char* home = std::getenv("HOME");
    std::string dir;
    if (home != nullptr && home[0] == '/') {
        dir = home;
    } else if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir) {
        dir = entry->pw_dir; // no usable HOME (a stripped environment): the account's entry
    }
    while (dir.size() > 1 && dir.back() == '/') {
        dir.pop_back();
    }
    return dir;
}

std::string UserConfigDir() {
    return XdgDir("XDG_CONFIG_HOME", ".config");
}

std::string UserStateDir() {
    return XdgDir("XDG_STATE_HOME", ".local/state");
}

int MakeDirectories(const std::string& path, unsigned mode) {
    for (size_t end = 1; end <= path.size(); ++end) {
        if (end != path.size() && path[end] != '/') {
            continue;
        }
        const std::string prefix = path.substr(0, end);
        if (::mkdir(prefix.c_str(), mode_t(mode)) != 0 && errno != EEXIST) {
            return errno;
        }
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return errno;
    }
    return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
}

} // namespace sheafpad::platform
