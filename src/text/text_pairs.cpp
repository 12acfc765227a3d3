// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/text_pairs.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

namespace sheafpad {

namespace {

constexpr size_t kBlock = 4096;
// A tag is looked for this far around the caret.
constexpr size_t kTagReach = 2048;

// Reads a text block by block from a position, forwards or backwards, so
// that a partner nearby costs a block, not the whole reach.
class Reader {
public:
    Reader(const TextBuffer& text, size_t from, bool forward)
        : text_(text), next_(from), forward_(forward), start_(from) {}
    // The character at the next position (moving on), or nullopt at the
    // text's edge or beyond the reach.
    std::optional<std::pair<size_t, char16_t>> Next() {
        const size_t done = forward_ ? next_ - start_ : start_ - next_;
        if (done >= kPairScan || (forward_ && next_ >= text_.Length()) ||
            (!forward_ && next_ == 0)) {
            return std::nullopt;
        }
        const size_t pos = forward_ ? next_++ : --next_;
        if (pos < blockStart_ || pos >= blockStart_ + block_.size()) {
            blockStart_ = forward_ ? pos : pos + 1 - std::min(pos + 1, kBlock);
            block_ = text_.Text(blockStart_, forward_ ? kBlock : pos + 1 - blockStart_);
        }
        return std::pair{pos, block_[pos - blockStart_]};
    }

private:
    const TextBuffer& text_;
    size_t next_;
    bool forward_;
    size_t start_;
    size_t blockStart_ = 0;
    std::u16string block_;
};

bool IsAsciiAlpha(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

char16_t AsciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c;
}

int BracketOf(char16_t c) {
    static constexpr std::u16string_view kBrackets = u"([{)]}";
    const size_t at = kBrackets.find(c);
    return at == std::u16string_view::npos ? -1 : int(at);
}

bool NameChar(char16_t c) {
    return IsAsciiAlpha(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u':' || c == u'_' ||
           c == u'.';
}

bool IsVoidElement(std::u16string_view name) {
    static constexpr std::array<std::u16string_view, 14> kVoid = {
        u"area",  u"base", u"br",   u"col",   u"embed",  u"hr",    u"img",
        u"input", u"link", u"meta", u"param", u"source", u"track", u"wbr"};
    return std::find(kVoid.begin(), kVoid.end(), name) != kVoid.end();
}

std::u16string Lower(std::u16string_view text) {
    std::u16string lower(text);
    for (char16_t& c : lower) {
        c = AsciiLower(c);
    }
    return lower;
}

// A tag read from its "<" in a block of text: its name (lower case), whether
// it ends one, whether it closes itself, and where its ">" is (npos: not in
// the block).
struct Tag {
    std::u16string name;
    bool end = false;
    bool selfClosing = false;
    size_t nameEnd = 0; // offset just after the name
    size_t close = 0;   // offset of its ">"
};

std::optional<Tag> ReadTag(std::u16string_view text, size_t lt) {
    Tag tag;
    size_t i = lt + 1;
    if (i < text.size() && text[i] == u'/') {
        tag.end = true;
        ++i;
    }
    const size_t nameStart = i;
    while (i < text.size() && NameChar(text[i])) {
        ++i;
    }
    if (i == nameStart || !IsAsciiAlpha(text[nameStart])) {
        return std::nullopt;
    }
    tag.name = Lower(text.substr(nameStart, i - nameStart));
    tag.nameEnd = i;
    // To the ">", past quoted attribute values.
    char16_t quote = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'>') {
            tag.close = i;
            tag.selfClosing = i > 0 && text[i - 1] == u'/';
            return tag;
        } else if (c == u'<') {
            return std::nullopt;
        }
    }
    tag.close = std::u16string_view::npos;
    return tag;
}

} // namespace

std::optional<TextPair> MatchBracket(const TextBuffer& text, size_t pos, const SkipFn& skip) {
    std::optional<size_t> at;
    for (const size_t candidate : {pos, pos - 1}) {
        if (candidate < text.Length() && BracketOf(text.At(candidate)) >= 0) {
            at = candidate;
            break;
        }
    }
    if (!at) {
        return std::nullopt;
    }
    const int kind = BracketOf(text.At(*at));
    const bool opening = kind < 3;
    const char16_t self = text.At(*at);
    const char16_t partner = u"([{)]}"[(kind + 3) % 6];
    const bool skipped = skip && skip(*at);
    TextPair pair{{*at, *at + 1}, {}};
    Reader reader(text, opening ? *at + 1 : *at, opening);
    int depth = 0;
    while (const auto next = reader.Next()) {
        const auto [p, c] = *next;
        if ((c != self && c != partner) || (skip && skip(p) != skipped)) {
            continue;
        }
        if (c == self) {
            ++depth;
        } else if (depth-- == 0) {
            pair.second = {p, p + 1};
            return pair;
        }
    }
    return pair; // unmatched: the bracket alone
}

std::optional<TextPair> MatchTag(const TextBuffer& text, size_t pos, const SkipFn& skip) {
    // The nearest "<" before pos: its tag, if pos is in it or just after it.
    const size_t from = pos - std::min(pos, kTagReach);
    // (A tag that starts at pos counts as the one beside it.)
    const std::u16string before = text.Text(from, pos - from + (pos < text.Length() ? 1 : 0));
    const size_t lt = before.rfind(u'<');
    if (lt == std::u16string::npos || (skip && skip(from + lt))) {
        return std::nullopt;
    }
    const size_t start = from + lt;
    const std::u16string around = text.Text(start, kTagReach);
    const std::optional<Tag> tag = ReadTag(around, 0);
    if (!tag || tag->close == std::u16string::npos || pos > start + tag->close + 1) {
        return std::nullopt;
    }
    TextPair pair{{start, start + tag->nameEnd}, {}};
    if (tag->selfClosing || (!tag->end && IsVoidElement(tag->name))) {
        return pair;
    }
    // Tags of the same name, counted out to the partner.
    const bool forward = !tag->end;
    Reader reader(text, forward ? start + tag->close + 1 : start, forward);
    int depth = 0;
    while (const auto next = reader.Next()) {
        const auto [p, c] = *next;
        if (c != u'<' || (skip && skip(p))) {
            continue;
        }
        // The name first; the whole tag only when it is the same.
        const std::u16string head = text.Text(p, tag->name.size() + 3);
        const std::optional<Tag> named = ReadTag(head, 0);
        if (!named || named->name != tag->name || named->nameEnd >= head.size() ||
            NameChar(head[named->nameEnd])) {
            continue;
        }
        if (!named->end) {
            const std::optional<Tag> whole = ReadTag(text.Text(p, kTagReach), 0);
            if (!whole || whole->selfClosing) {
                continue; // an element of its own
            }
        }
        if (named->end == tag->end) {
            ++depth;
        } else if (depth-- == 0) {
            pair.second = {p, p + named->nameEnd};
            return pair;
        }
    }
    return pair;
}

} // namespace sheafpad
