// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/file_list.h"

#include "files/name_order.h"
#include "platform/directory.h"
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

std::vector<std::string> FileLister::List(const std::string& dirText, const FileTypes& types) {
    // The entries are compared with the last ones as they come; they are
    // copied only from the first that differs.
    std::string names;
    std::vector<uint32_t> start;
    size_t same = 0; // entries equal to the last ones so far, when all before were
    bool changed = false;
    std::vector<char> matches;
    matches.reserve(start_.size());
    const std::string dir = dirText.empty() ? std::string("/") : dirText;
    platform::ForEachEntry(dir, [&](std::string_view name) {
        if (!changed) {
            if (same + 1 < start_.size() && Entry(uint32_t(same)) == name) {
                ++same;
                matches.push_back(types.Matches(name));
                return;
            }
            changed = true;
            names.assign(names_, 0, same < start_.size() ? start_[same] : 0);
            start.assign(start_.begin(), start_.begin() + std::ptrdiff_t(same));
        }
        start.push_back(uint32_t(names.size()));
        names.append(name);
        matches.push_back(types.Matches(name));
    });
    if (changed || same + 1 != start_.size()) { // other entries, fewer, or in another order
        if (!changed) {
            names.assign(names_, 0, start_.empty() ? 0 : start_[same]);
            start.assign(start_.begin(), start_.begin() + std::ptrdiff_t(same));
        }
        start.push_back(uint32_t(names.size()));
        names_ = std::move(names);
        start_ = std::move(start);
        std::vector<std::string_view> entries(start_.size() - 1);
        for (uint32_t i = 0; i < entries.size(); ++i) {
            entries[i] = Entry(i);
        }
        order_ = NameOrder(entries);
    }
    std::vector<std::string> listed;
    for (uint32_t i : order_) {
        if (matches[i]) {
            listed.emplace_back(Entry(i));
        }
    }
    return listed;
}

std::string_view FileLister::Entry(uint32_t i) const {
    return std::string_view(names_).substr(start_[i], start_[i + 1] - start_[i]);
}

std::vector<std::string> ListMatchingFiles(const std::string& dirText, const FileTypes& types) {
    return FileLister().List(dirText, types);
}

} // namespace sheafpad
