// SPDX-License-Identifier: GPL-3.0-or-later
// The colours of a stretch of text, from its syntax trees and the grammars'
// highlight queries: each capture name of a query comes down to one of a
// few kinds. Runs on the user-interface thread, for the part of the text
// being laid out, on that thread's own copy of the trees.
#pragma once

#include "syntax/query_predicates.h"
#include "syntax/syntax_trees.h"

#include <memory>
#include <string_view>
#include <vector>

namespace sheafpad::syntax {

enum class Kind : uint8_t {
    None,
    Keyword,
    String,
    Comment,
    Number,
    Tag,
    Attribute,
    Property,
    Function,
    Punctuation,
    Selector,    // a style sheet's class and ID selectors
    PseudoClass, // and its pseudo-classes and pseudo-elements
    AtRule,      // and its at-rules
    Entity,      // a page's character references (&amp;)
};
constexpr int kKindCount = 14;

// The kind a capture name of language's highlight query is shown as.
Kind KindOfCapture(Language language, std::string_view name);

struct ColourSpan {
    size_t start = 0;
    size_t length = 0;
    Kind kind = Kind::None;
    bool operator==(const ColourSpan&) const = default;
};

// Readies the highlight queries of language and of what it embeds, which
// takes milliseconds: done on the colour worker before the first parse.
// Safe to call from any thread.
void PrepareHighlights(Language language);

class SyntaxHighlighter {
public:
    SyntaxHighlighter();
    ~SyntaxHighlighter();
    SyntaxHighlighter(const SyntaxHighlighter&) = delete;
    SyntaxHighlighter& operator=(const SyntaxHighlighter&) = delete;

    // The coloured stretches of [from, to) in order, none of Kind::None, with
    // neighbours of one kind joined. text reads the text the trees are of.
    std::vector<ColourSpan> Spans(const SyntaxTrees& trees, const TextReader& text, size_t from,
                                  size_t to);
    // The kind of each character of [from, to).
    std::vector<Kind> Kinds(const SyntaxTrees& trees, const TextReader& text, size_t from,
                            size_t to);

    struct Query;

private:
    void Paint(const Query& query, TSTree* tree, const std::vector<TSRange>* clip,
               const TextReader& text, size_t from, size_t to, std::vector<Kind>& kinds);

    TSQueryCursor* cursor_;
};

} // namespace sheafpad::syntax
