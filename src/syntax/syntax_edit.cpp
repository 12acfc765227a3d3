// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntax/syntax_edit.h"

namespace sheafpad::syntax {

namespace {

TSPoint PointOf(const TextBuffer& text, size_t pos) {
    const size_t line = text.LineOfPosition(pos);
    return TSPoint{uint32_t(line), uint32_t(2 * (pos - text.LineStart(line)))};
}

} // namespace

SyntaxEdit MakeSyntaxEdit(const TextBuffer& after, const TextSnapshot& before,
                          const TextChange& change) {
    SyntaxEdit edit;
    edit.change = change;
    // The text before pos is the same in both versions.
    edit.start = PointOf(after, change.pos);
    edit.newEnd = PointOf(after, change.pos + change.inserted);
    // Where the removed text ended: its line feeds and what follows the last.
    uint32_t feeds = 0;
    size_t afterLastFeed = 0;
    size_t seen = 0;
    before.ForEachChunk(change.pos, change.removed, [&](std::u16string_view part) {
        for (size_t i = 0; i < part.size(); ++i) {
            if (part[i] == u'\n') {
                ++feeds;
                afterLastFeed = seen + i + 1;
            }
        }
        seen += part.size();
        return true;
    });
    edit.oldEnd = feeds == 0
                      ? TSPoint{edit.start.row, edit.start.column + uint32_t(2 * seen)}
                      : TSPoint{edit.start.row + feeds, uint32_t(2 * (seen - afterLastFeed))};
    return edit;
}

TSInputEdit ToInputEdit(const SyntaxEdit& edit) {
    const TextChange& c = edit.change;
    return TSInputEdit{uint32_t(2 * c.pos),
                       uint32_t(2 * (c.pos + c.removed)),
                       uint32_t(2 * (c.pos + c.inserted)),
                       edit.start,
                       edit.oldEnd,
                       edit.newEnd};
}

} // namespace sheafpad::syntax
