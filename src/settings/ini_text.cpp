// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ini_text.h"

#include "text/ascii.h"
#include "text/lines.h"

#include <cstddef>

namespace sheafpad::ini {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The name of the section that line starts, or nothing.
std::optional<std::string_view> SectionName(std::string_view line) {
    std::string_view text = Trim(line);
    if (text.empty() || text.front() != '[') {
        return std::nullopt;
    }
    const size_t close = text.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(text.substr(1, close - 1));
}

// What a scan for one key of one section found.
struct Location {
    bool sectionFound = false;
    size_t insertAt = 0;           // where a new entry of the section goes
    bool insertNeedsBreak = false; // the line before insertAt has no line end
    bool keyFound = false;
    LineSpan keyLine;  // the entry's line
    size_t keyEnd = 0; // offset of the entry's "="
};

Location Scan(std::string_view content, std::string_view section, std::string_view key) {
    Location where;
    bool inMatching = false; // inside a section of the wanted name
    bool inFirst = false;    // inside the first such section
    for (size_t pos = 0; pos < content.size();) {
        const LineSpan line = LineAt(content, pos);
        pos = line.next;
        const std::string_view text = content.substr(line.begin, line.end - line.begin);
        if (const auto name = SectionName(text)) {
            inMatching = EqualsIgnoringAsciiCase(*name, section);
            inFirst = inMatching && !where.sectionFound;
            if (inFirst) {
                where.sectionFound = true;
            }
        } else if (!inMatching || Trim(text).empty()) {
            continue;
        } else if (!where.keyFound) {
            const size_t eq = text.find('=');
            if (eq != std::string_view::npos &&
                EqualsIgnoringAsciiCase(Trim(text.substr(0, eq)), key)) {
                where.keyFound = true;
                where.keyLine = line;
                where.keyEnd = line.begin + eq;
            }
        }
        if (inFirst) {
            where.insertAt = line.next;
            where.insertNeedsBreak = line.next == line.end;
        }
    }
    return where;
}

} // namespace

std::optional<std::string_view> FindValue(std::string_view content, std::string_view section,
                                          std::string_view key) {
    const Location where = Scan(content, section, key);
    if (!where.keyFound) {
        return std::nullopt;
    }
    const size_t begin = where.keyEnd + 1;
    return content.substr(begin, where.keyLine.end - begin);
}

std::string SetValue(std::string_view content, std::string_view section, std::string_view key,
                     std::string_view value) {
    const Location where = Scan(content, section, key);
    std::string out;
    out.reserve(content.size() + section.size() + key.size() + value.size() + 8);
    if (where.keyFound) {
        // Keep the key as the file spells it; replace the rest of the line.
        out.append(content.substr(0, where.keyEnd + 1));
        out.append(value);
        out.append(kLineEnd);
        out.append(content.substr(where.keyLine.next));
    } else if (where.sectionFound) {
        out.append(content.substr(0, where.insertAt));
        if (where.insertNeedsBreak) {
            out.append(kLineEnd);
        }
        out.append(key).append("=").append(value).append(kLineEnd);
        out.append(content.substr(where.insertAt));
    } else {
        out.append(content);
        if (!content.empty() && content.back() != '\n' && content.back() != '\r') {
            out.append(kLineEnd);
        }
        out.append("[").append(section).append("]").append(kLineEnd);
        out.append(key).append("=").append(value).append(kLineEnd);
    }
    return out;
}

bool FitsOnOneLine(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

} // namespace sheafpad::ini
