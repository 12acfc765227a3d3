// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file on disk: its size cap and its rules for writing, over
// the platform's file reading and saving.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace sheafpad::ini {

// A settings file larger than this is not one this program wrote: reading
// looks at this much of it only, and writing refuses to touch it.
constexpr size_t kMaxFileBytes = 4 * 1024 * 1024;

// The first kMaxFileBytes bytes of the regular file at path, or nothing when
// it is missing, not a regular file or cannot be read. Never blocks on a
// FIFO or device.
std::optional<std::string> ReadCapped(const std::string& path);

// Reads the whole file for a rewrite. Returns false when it cannot be read or
// is larger than kMaxFileBytes; a missing file gives true with empty content.
bool ReadForUpdate(const std::string& path, std::string& content);

// Replaces the file's content by bytes crash-safely, as the editor saves
// files (platform::WriteFileBytes). Beyond that, a directory without any
// write permission bit is read-only for every user, root included: no
// settings file is made in it and one there is rewritten in place. Returns
// false, with the file unchanged where it was replaced by renaming, when
// anything fails.
bool ReplaceContent(const std::string& path, std::string_view bytes);

} // namespace sheafpad::ini
