#include "settings/settings_place.h"

#include "platform/file_io.h"
#include "platform/user_dirs.h"
#include "settings/settings_keys.h"

namespace sheafpad::settings {

std::string SettingsFileFor(const std::string& exeDir) {
    const std::string beside = exeDir + kFileName;
    if (platform::EntryExists(beside) || platform::MayCreateFilesIn(exeDir)) {
        return beside;
    }
    const std::string configDir = platform::UserConfigDir();
    return configDir.empty() ? beside : configDir + kFileName;
}

void MakeSettingsFolder(const std::string& path) {
    const std::string configDir = platform::UserConfigDir();
    if (!configDir.empty() && path == configDir + kFileName) {
        // Private, as the XDG rules ask for folders they make.
        platform::MakeDirectories(configDir, 0700);
    }
}

} // namespace sheafpad::settings
