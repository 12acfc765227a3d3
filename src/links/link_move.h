// SPDX-License-Identifier: GPL-3.0-or-later
// Keeping links when a file or a folder moves: the references that lead to
// what moves, each written again relative to its own file, and the relative
// links of what moves, written from its new place.
//
// A link keeps its form: a relative one stays relative (and keeps a leading
// "./"), one from the root stays so while its target stays in the site, a
// folder's link stays a folder's; its query and fragment, quotes and
// escapes are kept. Where only the target's name changes, only the last
// part of the path is written anew. Links to other sites and links that
// leave the site are left alone.
#pragma once

#include "links/link_check.h"
#include "links/link_index.h"
#include "search/file_edit.h"
#include "search/replace_record.h"

#include <string>
#include <string_view>
#include <vector>

namespace sheafpad::links {

// The references to what is at path (a file, or a folder and all it holds)
// from the indexed files: links and the files they are in.
struct References {
    size_t links = 0, files = 0;
};
References CountReferences(const LinkIndex& index, std::string_view path);

struct MovePlan {
    // Each file's edit with the paths it has before the move.
    std::vector<search::FileEdit> edits;
    std::vector<search::FileNote> notes; // files that could not be read
    size_t links = 0;                    // links rewritten
};

// The edits that keep the links of the indexed files once move is made
// (paths from the index's root; move.to may lead out of it). Files are read
// from the disk as they are now.
MovePlan PlanMove(const LinkIndex& index, const Move& move);

// The link value written for a link of kind in the file that will be at
// fileNow (it was at fileBefore) when move is made; nothing when it stays.
// disk tells what the link leads to. In parts: [start, end) of value gives
// way to the returned text.
struct ValueEdit {
    size_t start = 0, end = 0;
    std::string text;
};
std::optional<ValueEdit> RewriteValue(std::string_view value, LinkKind kind,
                                      std::string_view fileBefore, std::string_view fileNow,
                                      const Move& move, DiskNames& disk,
                                      std::string_view rootAbsolute, bool asciiOnly);

} // namespace sheafpad::links
