// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/file_edit.h"

#include "base/errors.h"
#include "platform/file_io.h"
#include "search/literal_finder.h"
#include "search/search_text.h"
#include "text/text_format.h"

#include <cstring>

namespace sheafpad::search {

const char* const kChangedSinceSearch = "changed since the search: not replaced";
const char* const kReadOnly = "the file is read-only: not replaced";

namespace {

// A replacement (UTF-8, '\n' line breaks) as the file stores it; false where
// a character cannot be stored in the file's encoding.
bool Stored(std::string_view utf8, TextEncoding encoding, std::string_view lineBreak,
            std::string* out) {
    out->clear();
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = (unsigned char)utf8[i];
        if (c == '\n') {
            out->append(lineBreak);
        } else if (c < 0x80 || encoding == TextEncoding::Utf8) {
            out->push_back(char(c));
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
            out->push_back(char(((c & 0x03) << 6) | ((unsigned char)utf8[++i] & 0x3F)));
        } else {
            return false;
        }
    }
    return true;
}

void Splice(FileEdit& edit) {
    size_t at = 0;
    for (const Span& span : edit.spans) {
        edit.newBytes.append(edit.oldBytes, at, span.start - at);
        edit.newBytes += span.bytes;
        at = span.end;
    }
    edit.newBytes.append(edit.oldBytes, at, std::string::npos);
}

bool IsNameByte(unsigned char c) {
    return std::isalnum(c) || c == '_' || c == '-' || c >= 0x80;
}

} // namespace

namespace {

// The spans of edit.oldBytes's matches that chosen takes, with their
// replacements; the number of matches in *count. False with *reason set
// when matching failed or a replacement cannot be stored.
bool PlanSpans(FileEdit& edit, const Matcher& matcher, MatchScratch& scratch,
               const MatchChoice& chosen, size_t* count, std::string* reason) {
    SearchText text;
    text.Build(edit.oldBytes);
    edit.encoding = text.encoding();
    // A replacement's '\n' becomes the file's first line break, as the pane writes it.
    const std::string_view lineBreak = BreakBytes(FirstLineBreak(edit.oldBytes));
    bool storable = true;
    std::string error;
    *count = 0;
    const bool matched = matcher.ForEach(
        text.text(), scratch,
        [&](const Found& found) {
            const size_t number = (*count)++;
            if (chosen && !chosen(number)) {
                return true; // left as it is
            }
            Span span{text.FileOffset(found.start), text.FileOffset(found.end), {}};
            storable =
                Stored(matcher.Expand(text.text(), found), edit.encoding, lineBreak, &span.bytes);
            edit.spans.push_back(std::move(span));
            return storable;
        },
        &error);
    if (!matched) {
        *reason = error;
        return false;
    }
    if (!storable) {
        *reason = "the replace text holds a character that this file's one-byte encoding "
                  "cannot store: not replaced";
        return false;
    }
    return true;
}

} // namespace

std::optional<FileEdit> PlanReplace(const std::string& path, const platform::FileIdentity& searched,
                                    size_t searchedCount, const Matcher& matcher,
                                    MatchScratch& scratch, std::string* reason,
                                    const MatchChoice& chosen) {
    FileEdit edit;
    edit.path = path;
    edit.identity = platform::FileIdentityOf(path);
    if (platform::CompareIdentity(searched, edit.identity) != platform::FileChange::None) {
        *reason = kChangedSinceSearch;
        return std::nullopt;
    }
    try {
        edit.oldBytes = platform::ReadFileBytes(path);
    } catch (const Error& error) {
        *reason = error.what();
        return std::nullopt;
    }
    if (std::memchr(edit.oldBytes.data(), 0, edit.oldBytes.size()) != nullptr) {
        *reason = kChangedSinceSearch; // it was text when it was searched
        return std::nullopt;
    }
    size_t count = 0;
    if (!PlanSpans(edit, matcher, scratch, chosen, &count, reason)) {
        return std::nullopt;
    }
    if (count != searchedCount ||
        platform::CompareIdentity(searched, platform::FileIdentityOf(path)) !=
            platform::FileChange::None) {
        *reason = kChangedSinceSearch;
        return std::nullopt;
    }
    Splice(edit);
    return edit;
}

std::optional<FileEdit> PlanTextReplace(std::string utf8, size_t searchedCount,
                                        const Matcher& matcher, MatchScratch& scratch,
                                        std::string* reason, const MatchChoice& chosen) {
    FileEdit edit;
    edit.oldBytes = std::move(utf8);
    size_t count = 0;
    if (!PlanSpans(edit, matcher, scratch, chosen, &count, reason)) {
        return std::nullopt;
    }
    if (count != searchedCount) {
        *reason = "The open file changed since the search: nothing was replaced; search again";
        return std::nullopt;
    }
    edit.encoding = TextEncoding::Utf8; // the pane's text, whatever its file holds
    Splice(edit);
    return edit;
}

std::vector<size_t> NameReferences(std::string_view bytes, std::string_view name) {
    std::vector<size_t> found;
    const LiteralFinder finder{std::string(name), false};
    auto continues = [&](size_t at, int step) {
        // The byte next to the name, and for a '.' the one beyond it.
        if (at >= bytes.size()) {
            return false;
        }
        const unsigned char c = (unsigned char)bytes[at];
        if (c == '.') {
            const size_t beyond = at + size_t(step);
            return beyond < bytes.size() && IsNameByte((unsigned char)bytes[beyond]);
        }
        return IsNameByte(c);
    };
    for (size_t at = 0; (at = finder.Find(bytes, at)) != std::string_view::npos;) {
        const size_t end = at + name.size();
        if (!(at > 0 && continues(at - 1, -1)) && !continues(end, 1)) {
            found.push_back(at);
            at = end;
        } else {
            ++at;
        }
    }
    return found;
}

std::optional<FileEdit> PlanRename(const std::string& path, const std::string& oldName,
                                   const std::string& newName, std::string* reason) {
    reason->clear();
    FileEdit edit;
    edit.path = path;
    edit.identity = platform::FileIdentityOf(path);
    try {
        edit.oldBytes = platform::ReadFileBytes(path);
    } catch (const Error& error) {
        *reason = error.what();
        return std::nullopt;
    }
    // Past a byte-order mark, whose last byte would pass for part of a name.
    const size_t bom = std::string_view(edit.oldBytes).starts_with(kUtf8Bom)
                           ? BomLength(edit.oldBytes, DetectEncoding(edit.oldBytes))
                           : 0;
    for (size_t at : NameReferences(std::string_view(edit.oldBytes).substr(bom), oldName)) {
        edit.spans.push_back(Span{bom + at, bom + at + oldName.size(), newName});
    }
    if (edit.spans.empty()) {
        return std::nullopt;
    }
    if (std::memchr(edit.oldBytes.data(), 0, edit.oldBytes.size()) != nullptr) {
        *reason = "The file holds NUL bytes, so it is not a text file: not replaced";
        return std::nullopt;
    }
    edit.encoding = DetectEncoding(edit.oldBytes);
    Splice(edit);
    return edit;
}

void RenameReferences(FileEdit& edit, const std::string& newName) {
    for (Span& span : edit.spans) {
        span.bytes = newName;
    }
    edit.newBytes.clear();
    Splice(edit);
}

std::vector<PaneSpan> PaneSpans(const FileEdit& edit) {
    std::vector<size_t> offsets;
    for (const Span& span : edit.spans) {
        offsets.push_back(span.start);
        offsets.push_back(span.end);
    }
    const std::vector<PanePlace> places = PanePlaces(edit.oldBytes, edit.encoding, offsets);
    std::vector<PaneSpan> spans;
    for (size_t i = 0; i < edit.spans.size(); ++i) {
        spans.push_back(PaneSpan{places[2 * i].pos, places[2 * i + 1].pos - places[2 * i].pos,
                                 ToUtf8(edit.spans[i].bytes, edit.encoding)});
    }
    return spans;
}

} // namespace sheafpad::search
