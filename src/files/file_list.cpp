// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/file_list.h"

#include "files/site_tree.h"
#include "text/is_blank.h"
#include "text/lines.h"

namespace sheafpad {

FileTypes::FileTypes(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        if (!IsBlank(line)) {
            patterns_.push_back(AsciiLower(line));
        }
    }
}

bool FileTypes::Matches(std::string_view name) const {
    if (patterns_.empty()) {
        return false;
    }
    // Names are short: a stack buffer avoids an allocation per entry.
    char buffer[512];
    std::string heap;
    char* lowered = buffer;
    if (name.size() > sizeof buffer) {
        heap.resize(name.size());
        lowered = heap.data();
    }
    for (size_t i = 0; i < name.size(); ++i) {
        lowered[i] = LowerAscii(name[i]);
    }
    std::string_view haystack(lowered, name.size());
    for (const std::string& pattern : patterns_) {
        if (haystack.find(pattern) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    for (size_t pos = 0; pos < text.size();) {
        const LineSpan line = LineAt(text, pos);
        lines.emplace_back(text.substr(line.begin, line.end - line.begin));
        pos = line.next;
    }
    return lines;
}

std::string JoinPath(std::string_view dir, std::string_view name) {
    std::string path;
    path.reserve(dir.size() + 1 + name.size());
    path.append(dir).append("/").append(name);
    return path;
}

std::vector<std::string> ListMatchingFiles(const std::string& dirText, const FileTypes& types) {
    SiteTree tree(false);
    tree.Open(dirText, false, types);
    return tree.Paths();
}

} // namespace sheafpad
