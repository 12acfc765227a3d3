// SPDX-License-Identifier: GPL-3.0-or-later
// Which links name no file, and which listed files no other file links to.
//
// Whether a file exists is asked of the disk, not of the list: a page may
// link to images that the list does not show. Each folder is read once per
// check.
#pragma once

#include "links/link_index.h"
#include "platform/directory.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sheafpad::links {

// The entries of the site's folders as the disk has them, each folder read
// when first asked about.
class DiskNames {
public:
    explicit DiskNames(std::string root) : root_(std::move(root)) {}

    enum class Kind { None, File, Folder };
    Kind KindOf(std::string_view path);
    // The file that target names: its own path, or the index file of the
    // folder it names ("index.html", else "index.htm"); nothing when there
    // is none.
    std::optional<std::string> FileOf(const Target& target);
    // The path of an entry that path names when letters' case is ignored
    // ("css/Site.css" for "css/site.css"); nothing when none or several do.
    std::optional<std::string> CaseMatch(std::string_view path);
    // What a target that names nothing is called in a report: its path, the
    // index file for a folder.
    static std::string MissingName(const Target& target);

private:
    struct Folder {
        bool readable = false;
        std::unordered_map<std::string, platform::EntryKind> entries;
    };
    const Folder& FolderAt(std::string_view path);

    std::string root_;
    std::unordered_map<std::string, Folder> folders_;
};

struct BrokenLink {
    std::string file;              // the path of the file that holds it
    uint32_t line = 0, column = 0; // from 1
    std::string target;            // the path it names
    std::string caseMatch;         // a file whose name differs only in case, or empty
};

struct LinksReport {
    std::vector<BrokenLink> broken;
    std::vector<std::string> unlinked; // listed files that no other file links to
};

// The check of every link of index; listed (the list's paths, in its order)
// gives the order of the report and the files that may be unlinked.
LinksReport CheckLinks(const LinkIndex& index, const std::vector<std::string>& listed);

// The report as lines of text: "Links that name no file:", one line for
// each ("page.html:12:5: css/sit.css", with " (differs only in case from
// css/Site.css)" where that is so), then "Files that no other file links
// to:" and one path a line.
std::vector<std::string> ReportLines(const LinksReport& report);

} // namespace sheafpad::links
