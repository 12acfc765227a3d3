// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ini_storage.h"

#include "base/errors.h"
#include "platform/file_io.h"

namespace sheafpad::ini {

std::optional<std::string> ReadCapped(const std::string& path) {
    try {
        return platform::ReadFileStart(path, kMaxFileBytes);
    } catch (const Error&) {
        return std::nullopt;
    }
}

bool ReadForUpdate(const std::string& path, std::string& content) {
    try {
        // One byte past the cap tells a file that is over it.
        content = platform::ReadFileStart(path, kMaxFileBytes + 1).value_or(std::string());
    } catch (const Error&) {
        content.clear();
        return false;
    }
    return content.size() <= kMaxFileBytes;
}

bool ReplaceContent(const std::string& path, std::string_view bytes) {
    try {
        platform::WriteFileBytes(path, bytes, platform::LockedDirectories::ReadOnly);
        return true;
    } catch (const Error&) {
        return false;
    }
}

} // namespace sheafpad::ini
