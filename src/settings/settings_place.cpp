// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settings_place.h"

#include "base/app_id.h"
#include "platform/file_io.h"
#include "platform/user_dirs.h"
#include "settings/settings_keys.h"

namespace sheafpad::settings {

bool IsInstalledCopy(const std::string& exeDir) {
    return !exeDir.empty() &&
           platform::EntryExists(exeDir + "../share/applications/" + kAppId + ".desktop");
}

std::string SettingsFileFor(const std::string& exeDir) {
    const std::string beside = exeDir + kFileName;
    const std::string configDir = platform::UserConfigDir();
    if (configDir.empty()) {
        return beside;
    }
    if (IsInstalledCopy(exeDir)) {
        return configDir + kFileName;
    }
    const bool usable = platform::EntryExists(beside) ? platform::IsOwnWritableFile(beside)
                                                      : platform::MayCreateFilesIn(exeDir);
    if (usable) {
        return beside;
    }
    return configDir + kFileName;
}

void MakeSettingsFolder(const std::string& path) {
    const std::string configDir = platform::UserConfigDir();
    if (!configDir.empty() && path == configDir + kFileName) {
        // Private, as the XDG rules ask for folders they make.
        platform::MakeDirectories(configDir, 0700);
    }
}

} // namespace sheafpad::settings
