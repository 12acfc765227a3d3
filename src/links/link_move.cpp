// SPDX-License-Identifier: GPL-3.0-or-later
#include "links/link_move.h"

#include "base/errors.h"
#include "files/file_list.h"
#include "platform/file_io.h"
#include "text/text_format.h"

#include <unordered_set>

namespace sheafpad::links {

namespace {

// The file a target leads to (a folder's index file), or the one it would
// lead to when it names nothing.
std::string FileReached(const Target& target, DiskNames& disk) {
    if (std::optional<std::string> file = disk.FileOf(target)) {
        return *file;
    }
    return DiskNames::MissingName(target);
}

bool Leaves(std::string_view path) {
    return path == ".." || path.starts_with("../");
}

} // namespace

References CountReferences(const LinkIndex& index, std::string_view path) {
    References count;
    DiskNames disk(index.Root());
    const Move move{std::string(path), std::string(path)};
    for (const auto& [file, indexed] : index.Files()) {
        size_t here = 0;
        for (const Target& target : indexed.targets) {
            if (target.kind == TargetKind::Local && MovedPath(FileReached(target, disk), move)) {
                ++here;
            }
        }
        count.links += here;
        count.files += here > 0 ? 1 : 0;
    }
    return count;
}

std::optional<ValueEdit> RewriteValue(std::string_view value, LinkKind kind,
                                      std::string_view fileBefore, std::string_view fileNow,
                                      const Move& move, DiskNames& disk,
                                      std::string_view rootAbsolute, bool asciiOnly) {
    const ValueParts parts = SplitValue(value, kind);
    const Target target = Resolve(fileBefore, parts.path);
    if (target.kind != TargetKind::Local) {
        return std::nullopt;
    }
    const std::string reached = FileReached(target, disk);
    const std::optional<std::string> moved = MovedPath(reached, move);
    const bool fileMoves = fileBefore != fileNow;
    if (!moved && (!fileMoves || target.rooted)) {
        return std::nullopt;
    }
    const std::string& now = moved ? *moved : reached;
    const bool encode = asciiOnly || parts.encodedNonAscii;
    const std::string_view written = value.substr(parts.pathStart, parts.pathEnd - parts.pathStart);
    // A folder's link (dir/, or dir where dir is a folder) names its index file.
    const bool folderLink = reached != target.path;
    const bool keepFolder = folderLink && NameOf(now) == NameOf(reached);
    if (fileMoves && !target.rooted && (!folderLink || keepFolder)) {
        // Moved together (a folder's files among themselves): as written, it still leads there.
        const Target after = Resolve(fileNow, parts.path);
        if (after.kind == TargetKind::Local && after.folder == target.folder &&
            after.path == (folderLink ? FolderOf(now) : std::string_view(now))) {
            return std::nullopt;
        }
    }
    ValueEdit edit{parts.pathStart, parts.pathEnd, {}};
    if (!fileMoves && FolderOf(now) == FolderOf(reached) && !target.rooted &&
        (!folderLink || !keepFolder)) {
        // Only the name changes: the last part gives way, the rest stays as written.
        if (folderLink) {
            edit.start = edit.end; // the folder as written, then the file's name
            edit.text = (written.ends_with('/') ? "" : "/") + EncodePath(NameOf(now), kind, encode);
        } else {
            edit.start = parts.pathStart + written.rfind('/') + 1;
            edit.text = EncodePath(NameOf(now), kind, encode);
        }
    } else {
        const std::string to = keepFolder ? std::string(FolderOf(now)) : now;
        std::string path;
        if (target.rooted && !Leaves(to)) {
            path = "/" + to + (keepFolder && !to.empty() ? "/" : "");
        } else {
            path = RelativePath(FolderOf(fileNow), to, rootAbsolute);
            if (keepFolder) {
                path = path.empty() ? "./" : path + (written.ends_with('/') ? "/" : "");
            }
            if (written.starts_with("./") && !Leaves(path) && !path.starts_with("./")) {
                path = "./" + path;
            }
        }
        edit.text = EncodePath(path, kind, encode);
    }
    if (value.substr(edit.start, edit.end - edit.start) == edit.text) {
        return std::nullopt;
    }
    return edit;
}

MovePlan PlanMove(const LinkIndex& index, const Move& move) {
    MovePlan plan;
    DiskNames disk(index.Root());
    const std::string rootAbsolute = platform::AbsolutePath(index.Root());
    LinkScanner scanner;
    for (const auto& [file, indexed] : index.Files()) {
        const std::optional<std::string> movedFile = MovedPath(file, move);
        bool concerned = movedFile.has_value();
        for (size_t i = 0; i < indexed.targets.size() && !concerned; ++i) {
            const Target& target = indexed.targets[i];
            concerned = target.kind == TargetKind::Local &&
                        MovedPath(FileReached(target, disk), move).has_value();
        }
        if (!concerned) {
            continue;
        }
        // Read again as it is now: what is written must fit these bytes.
        search::FileEdit edit;
        edit.path = JoinPath(index.Root(), file);
        edit.identity = platform::FileIdentityOf(edit.path);
        try {
            edit.oldBytes = platform::ReadFileBytes(edit.path);
        } catch (const Error& error) {
            plan.notes.push_back({edit.path, error.what()});
            continue;
        }
        if (ContainsNul(edit.oldBytes)) {
            continue;
        }
        const TextFormat format = DetectFormat(edit.oldBytes);
        edit.encoding = format.encoding;
        const std::string_view text = TextBytes(edit.oldBytes, format);
        const ByteText bytes(text, format.encoding);
        const std::string& fileNow = movedFile ? *movedFile : file;
        for (const RawLink& link :
             scanner.ScanBytes(syntax::LanguageForFileName(file), text, format.encoding)) {
            const std::optional<ValueEdit> value =
                RewriteValue(link.value, link.kind, file, fileNow, move, disk, rootAbsolute,
                             format.encoding != TextEncoding::Utf8);
            if (!value) {
                continue;
            }
            const std::string_view written = link.value;
            const size_t start =
                format.BomLength() + link.start + bytes.Width(written.substr(0, value->start));
            const size_t end =
                start + bytes.Width(written.substr(value->start, value->end - value->start));
            edit.spans.push_back({start, end, value->text});
        }
        if (edit.spans.empty()) {
            continue;
        }
        plan.links += edit.spans.size();
        size_t at = 0;
        for (const search::Span& span : edit.spans) {
            edit.newBytes.append(edit.oldBytes, at, span.start - at);
            edit.newBytes += span.bytes;
            at = span.end;
        }
        edit.newBytes.append(edit.oldBytes, at);
        plan.edits.push_back(std::move(edit));
    }
    return plan;
}

} // namespace sheafpad::links
