// SPDX-License-Identifier: GPL-3.0-or-later
#include "links/link_target.h"

#include <vector>

namespace sheafpad::links {

namespace {

bool IsSchemeStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool HasScheme(std::string_view path) {
    if (path.empty() || !IsSchemeStart(path[0])) {
        return false;
    }
    for (size_t i = 1; i < path.size(); ++i) {
        const char c = path[i];
        if (c == ':') {
            return true;
        }
        if (!IsSchemeStart(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') {
            return false;
        }
    }
    return false;
}

// Appends the parts of path to parts, resolving "." and ".."; false when a
// ".." goes above the start and keepAbove is off.
bool AddParts(std::vector<std::string_view>& parts, std::string_view path, bool keepAbove) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        const std::string_view part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..") {
                parts.pop_back();
            } else if (keepAbove) {
                parts.push_back(part);
            } else {
                return false;
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    return true;
}

std::string Joined(const std::vector<std::string_view>& parts, size_t from = 0) {
    std::string out;
    for (size_t i = from; i < parts.size(); ++i) {
        if (i > from) {
            out += '/';
        }
        out += parts[i];
    }
    return out;
}

} // namespace

std::string_view FolderOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

std::string_view NameOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

Target Resolve(std::string_view fromFile, std::string_view path) {
    Target target;
    if (path.empty()) {
        return target;
    }
    if (HasScheme(path) || path.substr(0, 2) == "//") {
        target.kind = TargetKind::External;
        return target;
    }
    std::vector<std::string_view> parts;
    target.rooted = path[0] == '/';
    if (!target.rooted) {
        AddParts(parts, FolderOf(fromFile), true);
    }
    if (!AddParts(parts, path, false)) {
        target.kind = TargetKind::Outside;
        return target;
    }
    if (!parts.empty() && parts.front() == "..") {
        target.kind = TargetKind::Outside; // the file itself is outside
        return target;
    }
    const std::string_view last = NameOf(path);
    target.kind = TargetKind::Local;
    target.folder = path.back() == '/' || last == "." || last == ".." || parts.empty();
    target.path = Joined(parts);
    return target;
}

std::string Normalized(std::string_view path) {
    std::vector<std::string_view> parts;
    AddParts(parts, path, true);
    return Joined(parts);
}

std::string RelativePath(std::string_view fromFolder, std::string_view to,
                         std::string_view rootAbsolute) {
    std::vector<std::string_view> from, dest;
    AddParts(from, rootAbsolute, false);
    AddParts(dest, rootAbsolute, false);
    AddParts(from, fromFolder, true);
    AddParts(dest, to, true);
    size_t common = 0;
    while (common < from.size() && common < dest.size() && from[common] == dest[common]) {
        ++common;
    }
    std::string out;
    for (size_t i = common; i < from.size(); ++i) {
        out += "../";
    }
    out += Joined(dest, common);
    if (!out.empty() && out.back() == '/') {
        out.pop_back();
    }
    return out;
}

std::optional<std::string> MovedPath(std::string_view path, const Move& move) {
    if (path == move.from) {
        return move.to;
    }
    if (move.from.empty()) {
        return move.to.empty() ? std::string(path) : move.to + "/" + std::string(path);
    }
    if (path.size() > move.from.size() && path[move.from.size()] == '/' &&
        path.substr(0, move.from.size()) == move.from) {
        return move.to + std::string(path.substr(move.from.size()));
    }
    return std::nullopt;
}

} // namespace sheafpad::links
