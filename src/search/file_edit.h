// SPDX-License-Identifier: GPL-3.0-or-later
// The new content of one file for a replace: only the matched bytes change.
// Everything outside them (line breaks of every kind, a missing final line
// break, the one-byte characters of a file that is not UTF-8) stays as it is.
#pragma once

#include "platform/file_identity.h"
#include "search/matcher.h"
#include "text/text_codec.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sheafpad::search {

// Bytes start..end of a file give way to bytes (in the file's encoding and
// line breaks).
struct Span {
    size_t start = 0, end = 0;
    std::string bytes;
};

struct FileEdit {
    std::string path;
    platform::FileIdentity identity; // what the file was when it was read
    TextEncoding encoding = TextEncoding::Utf8;
    std::string oldBytes, newBytes;
    std::vector<Span> spans; // ascending, none overlapping
    size_t Count() const { return spans.size(); }
};

// What the reason of a file skipped for a change by another program says.
extern const char* const kChangedSinceSearch;
// ... and of one that may not be written.
extern const char* const kReadOnly;

// Which matches of a file are replaced, by their number in it (from 0);
// empty: all of them.
using MatchChoice = std::function<bool(size_t)>;

// The file at path again, as a search found it (identity, number of
// matches), with its chosen matches replaced. Nothing, with *reason set,
// when the file changed since, cannot be read, or cannot take a replacement
// (a character that its encoding cannot store).
std::optional<FileEdit> PlanReplace(const std::string& path, const platform::FileIdentity& searched,
                                    size_t searchedCount, const Matcher& matcher,
                                    MatchScratch& scratch, std::string* reason,
                                    const MatchChoice& chosen = {});

// The same for a text held in memory (the pane's, as UTF-8 with '\n' line
// breaks), which must hold searchedCount matches as when it was searched:
// the edit's path and identity are left empty.
std::optional<FileEdit> PlanTextReplace(std::string utf8, size_t searchedCount,
                                        const Matcher& matcher, MatchScratch& scratch,
                                        std::string* reason, const MatchChoice& chosen = {});

// Where name occurs in bytes as the unused-file check finds it (byte for
// byte, anywhere), except inside a longer name: an occurrence with a letter,
// digit, '_', '-' or non-ASCII byte next to it, or a '.' followed by one,
// is part of another name ("a.htm" in "data.htm" or "a.html").
std::vector<size_t> NameReferences(std::string_view bytes, std::string_view name);

// The file at path with every reference to oldName replaced by newName.
// Nothing when it holds none (reason empty) or cannot be read or is not text
// (reason set).
std::optional<FileEdit> PlanRename(const std::string& path, const std::string& oldName,
                                   const std::string& newName, std::string* reason);

// The edit of a rename with newName in place of every reference it found
// (spans and new bytes): a rename's references can be found before the new
// name is known.
void RenameReferences(FileEdit& edit, const std::string& newName);

// An edit's spans in the editor pane's positions, with their new text
// (UTF-8), for the file that is open there.
struct PaneSpan {
    uint64_t pos = 0, length = 0;
    std::string text;
};
std::vector<PaneSpan> PaneSpans(const FileEdit& edit);

} // namespace sheafpad::search
