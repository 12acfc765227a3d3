// SPDX-License-Identifier: GPL-3.0-or-later
// The editable files of a directory: the entries whose names contain one of
// the type patterns. Names and paths are byte strings, as on disk.
#pragma once

#include "text/ascii.h" // AsciiLower, for the users of the list

#include <string>
#include <string_view>
#include <vector>

namespace sheafpad {

// The type patterns of the type list, lower-cased once, blank lines dropped.
class FileTypes {
public:
    explicit FileTypes(const std::vector<std::string>& lines);

    // True if the name, lower-cased (ASCII only), contains one of the patterns.
    bool Matches(std::string_view name) const;

private:
    std::vector<std::string> patterns_; // lower-cased, non-blank, untrimmed
};

// Splits the type list's text into lines at CR, LF or CR LF.
std::vector<std::string> SplitLines(std::string_view text);

// Directory text joined with a name: "/" between them, a trailing "/" of the
// directory text is kept (a doubled separator is harmless).
std::string JoinPath(std::string_view dir, std::string_view name);

// The matching entries of a directory, in the list's order (name_order.h),
// not the file system's (a hash order on most Linux file systems). An empty
// directory text means the root directory; a directory that cannot be read
// gives an empty list. (SiteTree keeps such a list, and follows the disk.)
std::vector<std::string> ListMatchingFiles(const std::string& dirText, const FileTypes& types);

} // namespace sheafpad
