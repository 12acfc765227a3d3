// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/folder_paths.h"

#include <QString>

namespace sheafpad {

std::string ShortenPath(const std::string& path, int maxWidth,
                        const std::function<int(const std::string&)>& widthOf) {
    std::string result = path;
    const size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // Paths here have no drive part; the loop keeps the shape that has one.
    std::string drive;
    while ((!dir.empty() || !drive.empty()) && widthOf(result) > maxWidth) {
        if (dir == "/.../") {
            drive.clear();
            dir = ".../";
        } else if (dir.empty()) {
            drive.clear();
        } else if (dir == "/") {
            dir.clear();
        } else {
            // Cut the first folder (or the "..." put in place of earlier ones).
            const bool rooted = dir[0] == '/';
            if (rooted) {
                dir.erase(0, 1);
            }
            if (!dir.empty() && dir[0] == '.') {
                dir.erase(0, 4);
            }
            const size_t next = dir.find('/');
            dir = next == std::string::npos ? std::string() : ".../" + dir.substr(next + 1);
            if (rooted && !dir.empty()) {
                dir.insert(0, "/");
            }
        }
        result = drive + dir + name;
    }
    return result;
}

bool IsNetworkPath(std::string_view path) {
    return path.size() > 2 && path[0] == '/' && path[1] == '/' && path[2] != '/';
}

std::string NormalizePath(std::string_view absolute) {
    std::vector<std::string_view> parts;
    size_t pos = 0;
    while (pos <= absolute.size()) {
        size_t end = absolute.find('/', pos);
        if (end == std::string_view::npos) {
            end = absolute.size();
        }
        const std::string_view part = absolute.substr(pos, end - pos);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = end + 1;
    }
    std::string out;
    for (std::string_view part : parts) {
        out += '/';
        out += part;
    }
    return out.empty() ? std::string("/") : out;
}

std::string AbsolutePath(const std::string& path, const std::string& cwd) {
    if (!path.empty() && path[0] == '/') {
        return NormalizePath(path);
    }
    return NormalizePath(cwd + "/" + path);
}

std::string JoinFolder(const std::string& dir, const std::string& name) {
    if (!dir.empty() && dir.back() == '/') {
        return dir + name;
    }
    return dir + "/" + name;
}

std::vector<std::string> FoldersBelow(const std::string& root, const std::string& path) {
    std::vector<std::string> names;
    if (path.size() <= root.size()) {
        return names;
    }
    size_t pos = root == "/" ? 1 : root.size() + 1;
    while (pos < path.size()) {
        const size_t end = std::min(path.find('/', pos), path.size());
        names.push_back(path.substr(pos, end - pos));
        pos = end + 1;
    }
    return names;
}

bool IsHiddenName(std::string_view name) {
    return !name.empty() && name[0] == '.';
}

bool NameLess(const std::string& a, const std::string& b) {
    const int order =
        QString::fromUtf8(a.data(), qsizetype(a.size()))
            .compare(QString::fromUtf8(b.data(), qsizetype(b.size())), Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
}

} // namespace sheafpad
