// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntax/syntax_highlighter.h"

#include "syntax/grammar.h"
#include "syntax/tree_memory.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace sheafpad::syntax {

Kind KindOfCapture(Language language, std::string_view name) {
    const std::string_view head = name.substr(0, name.find('.'));
    // Names of one grammar that mean another kind than elsewhere: a page's
    // doctype, a style sheet's units (10px reads as one number).
    if (language == Language::Html && head == "constant") {
        return Kind::Keyword;
    }
    if (language == Language::Css && head == "type") {
        return Kind::Number;
    }
    if (name == "constant.builtin") { // true, false, null
        return Kind::Keyword;
    }
    struct Named {
        std::string_view head;
        Kind kind;
    };
    static constexpr Named kByName[] = {
        {"keyword", Kind::Keyword},
        {"string", Kind::String},
        {"comment", Kind::Comment},
        {"number", Kind::Number},
        {"tag", Kind::Tag},
        {"attribute", Kind::Attribute},
        {"property", Kind::Property},
        {"function", Kind::Function},
        {"punctuation", Kind::Punctuation},
        {"operator", Kind::Punctuation},
        {"selector", Kind::Selector},
        {"pseudo_class", Kind::PseudoClass},
        {"at_rule", Kind::AtRule},
        {"entity", Kind::Entity},
    };
    for (const Named& n : kByName) {
        if (n.head == head) {
            return n.kind;
        }
    }
    return Kind::None; // variables, constructors, constants: the text's own colour
}

namespace {

// The capture names a pattern's source mentions, outside strings and comments.
std::vector<std::string_view> CapturesInSource(std::string_view source) {
    std::vector<std::string_view> names;
    for (size_t i = 0; i < source.size(); ++i) {
        const char c = source[i];
        if (c == '"') {
            for (++i; i < source.size() && source[i] != '"'; ++i) {
                i += source[i] == '\\';
            }
        } else if (c == ';') {
            i = std::min(source.find('\n', i), source.size());
        } else if (c == '@') {
            size_t end = i + 1;
            while (end < source.size() &&
                   (isalnum(static_cast<unsigned char>(source[end])) || source[end] == '.' ||
                    source[end] == '_' || source[end] == '-')) {
                ++end;
            }
            names.push_back(source.substr(i + 1, end - i - 1));
            i = end - 1;
        }
    }
    return names;
}

// Patterns of our own after each grammar's: of two on one node the later
// wins, so these colour what the grammar's own give the property colour.
const char* ExtraHighlightsOf(Language language) {
    switch (language) {
    case Language::Html:
        return "(entity) @entity\n";
    case Language::Css:
        return "(class_selector \".\" @selector (class_name) @selector)\n"
               "(id_selector \"#\" @selector (id_name) @selector)\n"
               "(pseudo_class_selector \":\" @pseudo_class (class_name) @pseudo_class)\n"
               "(pseudo_element_selector \"::\" @pseudo_class (tag_name) @pseudo_class)\n"
               "(at_keyword) @at_rule\n"
               "[\"@media\" \"@import\" \"@charset\" \"@namespace\" \"@supports\" "
               "\"@keyframes\"] @at_rule\n";
    default:
        return "";
    }
}

struct Hit {
    size_t start, end;
    uint32_t pattern;
    Kind kind;
};

} // namespace

struct SyntaxHighlighter::Query {
    TSQuery* query = nullptr;
    std::vector<Kind> kindOfCapture;
    std::unique_ptr<QueryPredicates> predicates;

    Query(Language language) {
        const std::string text =
            std::string(HighlightsOf(language)) + "\n" + ExtraHighlightsOf(language);
        const char* source = text.c_str();
        uint32_t errorOffset = 0;
        TSQueryError error = TSQueryErrorNone;
        query =
            ts_query_new(GrammarOf(language), source, uint32_t(text.size()), &errorOffset, &error);
        if (!query) {
            return;
        }
        for (uint32_t i = 0; i < ts_query_capture_count(query); ++i) {
            uint32_t length = 0;
            const char* name = ts_query_capture_name_for_id(query, i, &length);
            kindOfCapture.push_back(KindOfCapture(language, std::string_view(name, length)));
        }
        // Patterns that only name uncoloured captures (every identifier is a
        // variable) would cost time for nothing.
        const uint32_t patterns = ts_query_pattern_count(query);
        const std::string_view all(source);
        for (uint32_t p = 0; p < patterns; ++p) {
            const uint32_t begin = ts_query_start_byte_for_pattern(query, p);
            const uint32_t end =
                p + 1 < patterns ? ts_query_start_byte_for_pattern(query, p + 1) : all.size();
            const auto names = CapturesInSource(all.substr(begin, end - begin));
            if (std::all_of(names.begin(), names.end(), [&](std::string_view name) {
                    return KindOfCapture(language, name) == Kind::None;
                })) {
                ts_query_disable_pattern(query, p);
            }
        }
        predicates = std::make_unique<QueryPredicates>(query);
    }
    ~Query() {
        if (query) {
            ts_query_delete(query);
        }
    }
};

namespace {

// Each language's query, made once and then only read, from any thread.
const SyntaxHighlighter::Query* QueryFor(Language language) {
    static std::mutex mutex;
    static std::map<Language, std::unique_ptr<SyntaxHighlighter::Query>> queries;
    std::lock_guard lock(mutex);
    auto& query = queries[language];
    if (!query) {
        query = std::make_unique<SyntaxHighlighter::Query>(language);
    }
    return query->query ? query.get() : nullptr;
}

} // namespace

void PrepareHighlights(Language language) {
    CountTreeMemory();
    QueryFor(language);
    if (language == Language::Html) {
        QueryFor(Language::Css);
        QueryFor(Language::JavaScript);
    }
}

SyntaxHighlighter::SyntaxHighlighter() : cursor_((CountTreeMemory(), ts_query_cursor_new())) {}

SyntaxHighlighter::~SyntaxHighlighter() {
    ts_query_cursor_delete(cursor_);
}

void SyntaxHighlighter::Paint(const Query& query, TSTree* tree, const std::vector<TSRange>* clip,
                              const TextReader& text, size_t from, size_t to,
                              std::vector<Kind>& kinds) {
    ts_query_cursor_set_byte_range(cursor_, uint32_t(2 * from), uint32_t(2 * to));
    ts_query_cursor_exec(cursor_, query.query, ts_tree_root_node(tree));
    std::vector<Hit> hits;
    TSQueryMatch match;
    uint32_t index = 0;
    while (ts_query_cursor_next_capture(cursor_, &match, &index)) {
        if (!query.predicates->Satisfied(match, text)) {
            ts_query_cursor_remove_match(cursor_, match.id);
            continue;
        }
        const TSQueryCapture& capture = match.captures[index];
        const Kind kind = query.kindOfCapture[capture.index];
        if (kind != Kind::None) {
            hits.push_back(Hit{ts_node_start_byte(capture.node) / 2,
                               ts_node_end_byte(capture.node) / 2, match.pattern_index, kind});
        }
    }
    // Outer nodes first, so that what lies inside them shows; of two
    // patterns on one node, the later wins.
    std::stable_sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) {
        if (a.start != b.start) {
            return a.start < b.start;
        }
        return a.end != b.end ? a.end > b.end : a.pattern < b.pattern;
    });
    auto fill = [&](size_t start, size_t end, Kind kind) {
        start = std::max(start, from);
        end = std::min(end, to);
        if (start < end) {
            std::fill(kinds.begin() + (start - from), kinds.begin() + (end - from), kind);
        }
    };
    for (const Hit& hit : hits) {
        if (!clip) {
            fill(hit.start, hit.end, hit.kind);
            continue;
        }
        // An embedded language colours only its own ranges of the text.
        auto range =
            std::lower_bound(clip->begin(), clip->end(), hit.start,
                             [](const TSRange& r, size_t pos) { return r.end_byte / 2 <= pos; });
        for (; range != clip->end() && range->start_byte / 2 < hit.end; ++range) {
            fill(std::max<size_t>(hit.start, range->start_byte / 2),
                 std::min<size_t>(hit.end, range->end_byte / 2), hit.kind);
        }
    }
}

std::vector<Kind> SyntaxHighlighter::Kinds(const SyntaxTrees& trees, const TextReader& text,
                                           size_t from, size_t to) {
    std::vector<Kind> kinds(to > from ? to - from : 0, Kind::None);
    if (trees.Empty() || from >= to) {
        return kinds;
    }
    if (const Query* query = QueryFor(trees.language)) {
        Paint(*query, trees.tree.get(), nullptr, text, from, to, kinds);
    }
    for (const EmbeddedTree& e : trees.embedded) {
        if (const Query* query = QueryFor(e.language)) {
            Paint(*query, e.tree.get(), &e.ranges, text, from, to, kinds);
        }
    }
    return kinds;
}

std::vector<ColourSpan> SyntaxHighlighter::Spans(const SyntaxTrees& trees, const TextReader& text,
                                                 size_t from, size_t to) {
    const std::vector<Kind> kinds = Kinds(trees, text, from, to);
    std::vector<ColourSpan> spans;
    for (size_t i = 0; i < kinds.size();) {
        size_t end = i + 1;
        while (end < kinds.size() && kinds[end] == kinds[i]) {
            ++end;
        }
        if (kinds[i] != Kind::None) {
            spans.push_back(ColourSpan{from + i, end - i, kinds[i]});
        }
        i = end;
    }
    return spans;
}

} // namespace sheafpad::syntax
