// SPDX-License-Identifier: GPL-3.0-or-later
#include "links/link_check.h"

#include "files/file_list.h"

#include <algorithm>
#include <unordered_set>

namespace sheafpad::links {

namespace {

std::string Folded(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = char(c + ('a' - 'A'));
        }
    }
    return out;
}

std::string Joined(std::string_view folder, std::string_view name) {
    return folder.empty() ? std::string(name) : std::string(folder) + "/" + std::string(name);
}

} // namespace

const DiskNames::Folder& DiskNames::FolderAt(std::string_view path) {
    const auto found = folders_.find(std::string(path));
    if (found != folders_.end()) {
        return found->second;
    }
    Folder& folder = folders_[std::string(path)];
    folder.readable =
        platform::ForEachEntryWithKind(path.empty() ? root_ : JoinPath(root_, path), nullptr,
                                       [&](std::string_view name, platform::EntryKind kind) {
                                           folder.entries.emplace(std::string(name), kind);
                                       }) == 0;
    return folder;
}

DiskNames::Kind DiskNames::KindOf(std::string_view path) {
    if (path.empty()) {
        return Kind::Folder;
    }
    const Folder& folder = FolderAt(FolderOf(path));
    const auto it = folder.entries.find(std::string(NameOf(path)));
    if (it == folder.entries.end()) {
        return Kind::None;
    }
    return it->second == platform::EntryKind::File ? Kind::File : Kind::Folder;
}

std::optional<std::string> DiskNames::FileOf(const Target& target) {
    if (target.kind != TargetKind::Local) {
        return std::nullopt;
    }
    const Kind kind = KindOf(target.path);
    if (kind == Kind::File && !target.folder) {
        return target.path;
    }
    if (kind != Kind::Folder) {
        return std::nullopt;
    }
    // A folder, written so or not: a server gives its index file.
    for (const char* index : {"index.html", "index.htm"}) {
        std::string file = Joined(target.path, index);
        if (KindOf(file) == Kind::File) {
            return file;
        }
    }
    return std::nullopt;
}

std::optional<std::string> DiskNames::CaseMatch(std::string_view path) {
    std::string found;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        const std::string part = Folded(path.substr(start, end - start));
        const Folder& folder = FolderAt(found);
        std::string match;
        for (const auto& [name, kind] : folder.entries) {
            const bool last = end == path.size();
            if (Folded(name) == part &&
                (last ? kind == platform::EntryKind::File : kind != platform::EntryKind::File)) {
                if (!match.empty()) {
                    return std::nullopt; // several: none is the one meant
                }
                match = name;
            }
        }
        if (match.empty()) {
            return std::nullopt;
        }
        found = Joined(found, match);
        start = end + 1;
    }
    if (found == path) {
        return std::nullopt;
    }
    return found;
}

std::string DiskNames::MissingName(const Target& target) {
    return target.folder ? Joined(target.path, "index.html") : target.path;
}

LinksReport CheckLinks(const LinkIndex& index, const std::vector<std::string>& listed) {
    LinksReport report;
    DiskNames disk(index.Root());
    std::unordered_set<std::string> linked; // files some other file links to
    for (const std::string& path : listed) {
        const IndexedFile* file = index.Find(path);
        if (file == nullptr) {
            continue;
        }
        const std::vector<RawLink>& links = file->scanned->links;
        for (size_t i = 0; i < links.size(); ++i) {
            const Target& target = file->targets[i];
            if (target.kind != TargetKind::Local) {
                continue;
            }
            if (std::optional<std::string> named = disk.FileOf(target)) {
                if (*named != path) {
                    linked.insert(std::move(*named));
                }
                continue;
            }
            BrokenLink broken{
                path, links[i].line, links[i].column, DiskNames::MissingName(target), {}};
            if (std::optional<std::string> match = disk.CaseMatch(broken.target)) {
                broken.caseMatch = std::move(*match);
            }
            report.broken.push_back(std::move(broken));
        }
    }
    for (const std::string& path : listed) {
        if (linked.count(path) == 0) {
            report.unlinked.push_back(path);
        }
    }
    return report;
}

std::vector<std::string> ReportLines(const LinksReport& report) {
    std::vector<std::string> lines;
    lines.reserve(report.broken.size() + report.unlinked.size() + 2);
    lines.emplace_back("Links that name no file:");
    for (const BrokenLink& link : report.broken) {
        std::string line = link.file + ":" + std::to_string(link.line) + ":" +
                           std::to_string(link.column) + ": " + link.target;
        if (!link.caseMatch.empty()) {
            line += " (differs only in case from " + link.caseMatch + ")";
        }
        lines.push_back(std::move(line));
    }
    lines.emplace_back("Files that no other file links to:");
    lines.insert(lines.end(), report.unlinked.begin(), report.unlinked.end());
    return lines;
}

} // namespace sheafpad::links
