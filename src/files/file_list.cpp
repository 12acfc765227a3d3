#include "files/file_list.h"

#include "platform/directory.h"
#include "text/is_blank.h"

namespace sheafpad {

namespace {
char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}
} // namespace

std::string AsciiLower(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = LowerAscii(c);
    }
    return result;
}

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
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines.emplace_back(text.substr(start));
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
    std::vector<std::string> names;
    const std::string dir = dirText.empty() ? std::string("/") : dirText;
    platform::ForEachEntry(dir, [&](std::string_view name) {
        if (types.Matches(name)) {
            names.emplace_back(name);
        }
    });
    return names;
}

} // namespace sheafpad
