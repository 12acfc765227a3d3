// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/comment_toggle.h"

#include <algorithm>
#include <string_view>

namespace sheafpad {

namespace {

bool Blank(char16_t c) {
    return c == u' ' || c == u'\t';
}

size_t IndentOf(std::u16string_view line) {
    size_t i = 0;
    while (i < line.size() && Blank(line[i])) {
        ++i;
    }
    return i;
}

std::vector<TextEdit> ToggleLines(const TextBuffer& text, size_t first, size_t last,
                                  const std::u16string& open) {
    struct Line {
        size_t start;
        std::u16string text;
    };
    std::vector<Line> lines;
    size_t indent = SIZE_MAX;
    bool allCommented = true;
    for (size_t line = first; line <= last; ++line) {
        Line l{text.LineStart(line), text.Text(text.LineStart(line), text.LineLength(line))};
        const size_t at = IndentOf(l.text);
        if (at == l.text.size()) {
            continue; // blank lines stay as they are
        }
        indent = std::min(indent, at);
        allCommented = allCommented && std::u16string_view(l.text).substr(at).starts_with(open);
        lines.push_back(std::move(l));
    }
    std::vector<TextEdit> edits;
    for (const Line& line : lines) {
        if (allCommented) {
            const size_t at = IndentOf(line.text);
            size_t removed = open.size();
            removed += at + removed < line.text.size() && line.text[at + removed] == u' ' ? 1 : 0;
            edits.push_back({line.start + at, removed, {}});
        } else {
            edits.push_back({line.start + indent, 0, open + u' '});
        }
    }
    return edits;
}

std::vector<TextEdit> ToggleBlock(const TextBuffer& text, size_t first, size_t last,
                                  const CommentForm& form) {
    // The lines' text from the first non-blank character to the last one.
    const size_t from = text.LineStart(first);
    const size_t to = text.LineStart(last) + text.LineLength(last);
    const std::u16string whole = text.Text(from, to - from);
    const size_t begin = whole.find_first_not_of(u" \t\n");
    if (begin == std::u16string::npos) {
        return {};
    }
    const size_t end = whole.find_last_not_of(u" \t\n") + 1;
    const std::u16string_view inner = std::u16string_view(whole).substr(begin, end - begin);
    if (inner.size() >= form.open.size() + form.close.size() && inner.starts_with(form.open) &&
        inner.ends_with(form.close) &&
        inner.substr(form.open.size(), inner.size() - form.open.size() - form.close.size())
                .find(form.close) == std::u16string_view::npos) {
        size_t openLength = form.open.size();
        size_t closeLength = form.close.size();
        size_t closeAt = end - closeLength;
        if (begin + openLength < closeAt && whole[begin + openLength] == u' ') {
            ++openLength;
        }
        if (closeAt > begin + openLength && whole[closeAt - 1] == u' ') {
            --closeAt;
            ++closeLength;
        }
        return {{from + begin, openLength, {}}, {from + closeAt, closeLength, {}}};
    }
    return {{from + begin, 0, form.open + u' '}, {from + end, 0, u' ' + form.close}};
}

} // namespace

std::vector<TextEdit> ToggleComment(const TextBuffer& text, size_t firstLine, size_t lastLine,
                                    const CommentForm& form) {
    lastLine = std::min(lastLine, text.LineCount() - 1);
    if (firstLine > lastLine) {
        return {};
    }
    return form.close.empty() ? ToggleLines(text, firstLine, lastLine, form.open)
                              : ToggleBlock(text, firstLine, lastLine, form);
}

} // namespace sheafpad
