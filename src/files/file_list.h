// SPDX-License-Identifier: GPL-3.0-or-later
// The editable files of a directory: the entries whose names contain one of
// the type patterns. Names and paths are byte strings, as on disk.
#pragma once

#include "text/ascii.h" // AsciiLower, for the users of the list

#include <cstdint>
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

// Lists the matching entries of a directory in the list's order
// (name_order.h), not the file system's (a hash order on most Linux file
// systems). An empty directory text means the root directory; a directory
// that cannot be read gives an empty list.
//
// It keeps the order of the entries it last read: a relist that reads the
// very same entries (a keystroke in the type list) sorts nothing.
class FileLister {
public:
    std::vector<std::string> List(const std::string& dirText, const FileTypes& types);

private:
    std::string_view Entry(uint32_t i) const;

    std::string names_;           // the entries last read, one after another
    std::vector<uint32_t> start_; // where each begins in names_, and the end
    std::vector<uint32_t> order_; // their indices in the list's order
};

// The same, without keeping anything.
std::vector<std::string> ListMatchingFiles(const std::string& dirText, const FileTypes& types);

} // namespace sheafpad
