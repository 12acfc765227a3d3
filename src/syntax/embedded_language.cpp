// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntax/embedded_language.h"

#include <algorithm>
#include <string>

namespace sheafpad::syntax {

namespace {

char16_t Lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c;
}

// The last place in text where tag (lower case) starts, followed by a
// character that ends a tag's name; npos when none.
size_t LastTag(const std::u16string& text, std::u16string_view tag) {
    for (size_t at = text.size(); at-- > 0;) {
        if (text[at] != u'<' || at + tag.size() >= text.size()) {
            continue;
        }
        bool same = true;
        for (size_t i = 1; i < tag.size() && same; ++i) {
            same = Lower(text[at + i]) == tag[i];
        }
        const char16_t after = text[at + tag.size()];
        if (same &&
            (after == u'>' || after == u' ' || after == u'\t' || after == u'\n' || after == u'/')) {
            return at;
        }
    }
    return std::u16string::npos;
}

} // namespace

Language LanguageAt(const TextBuffer& text, size_t pos, Language file) {
    if (file != Language::Html) {
        return file;
    }
    pos = std::min(pos, text.Length());
    const size_t from = pos - std::min(pos, kEmbeddedReach);
    const std::u16string before = text.Text(from, pos - from);
    struct Element {
        std::u16string_view open, close;
        Language language;
    };
    for (const Element& element : {Element{u"<script", u"</script", Language::JavaScript},
                                   Element{u"<style", u"</style", Language::Css}}) {
        const size_t open = LastTag(before, element.open);
        if (open == std::u16string::npos) {
            continue;
        }
        const size_t close = LastTag(before, element.close);
        const size_t openEnd = before.find(u'>', open);
        if ((close == std::u16string::npos || close < open) && openEnd != std::u16string::npos) {
            return element.language; // after the start tag, before the end tag
        }
    }
    return Language::Html;
}

} // namespace sheafpad::syntax
