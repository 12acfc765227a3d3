// The settings file on disk: capped reading and crash-safe replacing.
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
bool ReadForUpdate(const std::string& path, std::string& content, bool& exists);

// Replaces the file's content by bytes so that a crash leaves either the old
// or the new content: a temporary file in the same directory, flushed, then
// renamed over it, keeping its permission bits (and owner and group where the
// process may set them). A symbolic link is followed. Where a rename would
// change the file's identity (hard links, owner that cannot be kept) or the
// directory cannot take a new file, the file is rewritten in place with every
// write checked. A file or directory without any write permission bit is
// treated as read-only for every user, root included. Returns false, with the
// file unchanged where the rename path was taken, when anything fails.
bool ReplaceContent(const std::string& path, std::string_view bytes);

} // namespace sheafpad::ini
