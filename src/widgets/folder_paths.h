// SPDX-License-Identifier: GPL-3.0-or-later
// Path arithmetic of the folder dialog. Plain byte strings with "/" as the
// separator; no file-system access.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sheafpad {

// Shortens path until widthOf(result) <= maxWidth, leading folders first:
// /web/site/pages -> /.../site/pages -> /.../pages -> .../pages -> pages.
// Stops at the last component even if that is still too wide.
std::string ShortenPath(const std::string& path, int maxWidth,
                        const std::function<int(const std::string&)>& widthOf);

// "//server/share": a path that names a network share rather than a folder
// below the root (three or more slashes are just the root).
bool IsNetworkPath(std::string_view path);

// An absolute path with "." and ".." resolved, repeated "/" merged and no
// trailing "/" (except the root). ".." above the root stays at the root.
std::string NormalizePath(std::string_view absolute);

// path made absolute against cwd (relative paths are joined to it), normalised.
std::string AbsolutePath(const std::string& path, const std::string& cwd);

// dir + "/" + name, without a second "/" after the root.
std::string JoinFolder(const std::string& dir, const std::string& name);

// The folder names from root down to path, both absolute and normalised, root
// a leading part of path: ("/home", "/home/me/web") -> {"me", "web"}.
std::vector<std::string> FoldersBelow(const std::string& root, const std::string& path);

// Names beginning with "." are hidden on this system.
bool IsHiddenName(std::string_view name);

// Case-blind order for folder and file names: "apple" < "Banana" < "cherry";
// names equal but for case keep a fixed order (byte order).
bool NameLess(const std::string& a, const std::string& b);

} // namespace sheafpad
