// SPDX-License-Identifier: GPL-3.0-or-later
// The steps of a whole-file save, shared by a single save and a run of
// saves. Private to src/platform.
#pragma once

#include "platform/file_io.h"
#include "platform/file_io_posix_util.h"

#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace sheafpad::platform::posix {

// The target of a save: the given file with every symbolic link followed.
struct Target {
    std::string shown; // the path as messages show it
    std::string path;  // where the bytes go
    PathParts parts;   // path's directory and name
    bool exists = false;
    struct stat st {};     // valid when exists
    struct stat linkSt {}; // the given name's own status, valid when exists
    bool dirKnown = false; // the directory could be stat'ed
    struct stat dirSt {};  // valid when dirKnown
};

// How a file is saved: through a symbolic link to a file that does not exist
// yet (written in place at the given path), in place at target.path, or by
// a new copy renamed over it.
enum class SaveWay { ThroughLink, InPlace, ByRename };

// Looks at path and decides; throws EFCreateError where the file may not be
// saved at all (a directory, a read-only file, a locked directory).
SaveWay PlanSave(const std::string& path, LockedDirectories locked, Target* target);

// The new content in a new file beside the target, not named yet.
struct NewCopy {
    std::string tempPrefix; // of the temporary name it gets on its way
    std::optional<NewFile> file;
};

enum class SafeResult { Done, UseInPlace };

// Makes the new copy with the target's owner, mode and attributes and
// writes bytes to it, synced when sync. UseInPlace, with nothing changed,
// where a replacement could not keep what the file is, and, without sync
// (a copy made ahead), where the copy could not be made without a name.
// Throws as WriteFileBytes does.
SafeResult WriteCopy(const Target& target, std::string_view bytes, bool sync, NewCopy* copy);
// Puts the complete, synced copy in the target's place, crash-safely, and
// gives its status after. UseInPlace where the place refuses it.
SafeResult PlaceCopy(const Target& target, NewCopy& copy, struct stat* written);

// The identity of the file at path, as the save's own status of it says.
FileIdentity Written(const std::string& path, const struct stat& st, std::string_view bytes);

} // namespace sheafpad::platform::posix
