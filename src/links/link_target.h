// SPDX-License-Identifier: GPL-3.0-or-later
// Where a link leads: relative to its file's folder, "/..." from the site's
// root (the listed folder), to a folder's index file for "dir/"; anything
// with a scheme or a host is another site's, and a path that leaves the
// root is outside the site. Paths are relative to the root, "/" between
// their parts, as the site's list names its files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sheafpad::links {

enum class TargetKind : uint8_t {
    None,     // no path: the page itself ("", "?q", "#part")
    External, // a scheme ("http:", "mailto:") or a host ("//host/...")
    Outside,  // leaves the root
    Local,
};

struct Target {
    TargetKind kind = TargetKind::None;
    std::string path;    // Local: from the root, without "." or ".." ("" is the root folder)
    bool folder = false; // written as a folder ("dir/", ".", ".."): its index file is meant
    bool rooted = false; // written from the root ("/dir/a.html")
    bool operator==(const Target&) const = default;
};

// The target of path (decoded, without query or fragment) written in the
// file at fromFile.
Target Resolve(std::string_view fromFile, std::string_view path);

// The folder part of a path ("" for a file in the root).
std::string_view FolderOf(std::string_view path);
// The last part of a path.
std::string_view NameOf(std::string_view path);

// A path made plain: "." and empty parts dropped, ".." taking away the part
// before it; a ".." beyond the start is kept at the start ("../x").
std::string Normalized(std::string_view path);

// The path that leads from the folder fromFolder to to, both given from the
// same root (either may begin with ".."); rootAbsolute is the root as an absolute path,
// needed only where fromFolder lies outside it. "" when they are the same.
std::string RelativePath(std::string_view fromFolder, std::string_view to,
                         std::string_view rootAbsolute);

// A move of a file or a folder, paths from the root.
struct Move {
    std::string from, to;
};
// Where path is once move is made: the moved entry itself or anything in a
// moved folder; nothing when it stays.
std::optional<std::string> MovedPath(std::string_view path, const Move& move);

} // namespace sheafpad::links
