// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntax/syntax_parser.h"

#include "platform/thread_time.h"
#include "syntax/grammar.h"
#include "syntax/tree_memory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

namespace sheafpad::syntax {

namespace {

// How far tree-sitter has read, whatever it reads.
struct Progress {
    uint32_t lowest = UINT32_MAX, highest = 0; // bytes asked for
    uint32_t unitBytes = 2;

    size_t UnitsRead() const { return highest > lowest ? (highest - lowest) / unitBytes : 0; }
};

// What tree-sitter reads: [base, end) of the text, as a text of its own.
struct Input : Progress {
    Input(const TextSnapshot& t, size_t b, size_t e) : text(t), base(b), end(e) {}
    const TextSnapshot& text;
    size_t base = 0, end = 0;
    std::u16string piece; // the last piece read, until the next
};

// ... or a text held as UTF-8 bytes, read in place.
struct ByteInput : Progress {
    explicit ByteInput(std::string_view b) : bytes(b) { unitBytes = 1; }
    std::string_view bytes;
};

const char* ReadBytes(void* payload, uint32_t byte, TSPoint, uint32_t* bytesRead) {
    auto& input = *static_cast<ByteInput*>(payload);
    input.lowest = std::min(input.lowest, byte);
    input.highest = std::max(input.highest, byte);
    if (byte >= input.bytes.size()) {
        *bytesRead = 0;
        return "";
    }
    *bytesRead = uint32_t(input.bytes.size() - byte);
    return input.bytes.data() + byte;
}

// tree-sitter reads the text through this: each call gets the rest of the
// piece that holds the position asked for, at most kReadUnits of it, so
// that how far the parse has come shows. It is copied: a text kept one byte
// a unit hands its parts out only for the time of the call.
constexpr size_t kReadUnits = 64 * 1024;

const char* ReadPieces(void* payload, uint32_t byte, TSPoint, uint32_t* bytesRead) {
    auto& input = *static_cast<Input*>(payload);
    input.lowest = std::min(input.lowest, byte);
    input.highest = std::max(input.highest, byte);
    const size_t pos = input.base + byte / 2;
    const char* data = "";
    *bytesRead = 0;
    if (pos < input.end) {
        input.text.ForEachChunk(pos, std::min(kReadUnits, input.end - pos),
                                [&](std::u16string_view part) {
                                    input.piece.assign(part);
                                    data = reinterpret_cast<const char*>(input.piece.data());
                                    *bytesRead = uint32_t(2 * part.size());
                                    return false;
                                });
    }
    return data;
}

struct ParserDeleter {
    void operator()(TSParser* p) const { ts_parser_delete(p); }
};
struct QueryDeleter {
    void operator()(TSQuery* q) const { ts_query_delete(q); }
};
struct CursorDeleter {
    void operator()(TSQueryCursor* c) const { ts_query_cursor_delete(c); }
};

} // namespace

struct SyntaxParser::Parsers {
    std::map<Language, std::unique_ptr<TSParser, ParserDeleter>> byLanguage;
    // The host grammar's injection query, the language each of its patterns
    // names, and the capture that marks the embedded text.
    std::unique_ptr<TSQuery, QueryDeleter> injections;
    std::vector<Language> patternLanguage;
    uint32_t contentCapture = UINT32_MAX;
    std::unique_ptr<TSQueryCursor, CursorDeleter> cursor{ts_query_cursor_new()};

    const size_t* cancel = nullptr;

    TSParser* For(Language language) {
        auto& parser = byLanguage[language];
        if (!parser) {
            parser.reset(ts_parser_new());
            ts_parser_set_language(parser.get(), GrammarOf(language));
            ts_parser_set_cancellation_flag(parser.get(), cancel);
        }
        return parser.get();
    }
    void SetCancel(const size_t* flag) {
        cancel = flag;
        for (auto& [language, parser] : byLanguage) {
            ts_parser_set_cancellation_flag(parser.get(), flag);
        }
    }

    void LoadInjections(Language host) {
        const char* source = InjectionsOf(host);
        uint32_t errorOffset = 0;
        TSQueryError error = TSQueryErrorNone;
        if (!*source) {
            return;
        }
        injections.reset(
            ts_query_new(GrammarOf(host), source, uint32_t(strlen(source)), &errorOffset, &error));
        if (!injections) {
            return;
        }
        for (uint32_t i = 0; i < ts_query_capture_count(injections.get()); ++i) {
            uint32_t length = 0;
            const char* name = ts_query_capture_name_for_id(injections.get(), i, &length);
            if (std::string_view(name, length) == "injection.content") {
                contentCapture = i;
            }
        }
        // (#set! injection.language "name"): a string step after the key.
        for (uint32_t p = 0; p < ts_query_pattern_count(injections.get()); ++p) {
            uint32_t steps = 0;
            const TSQueryPredicateStep* step =
                ts_query_predicates_for_pattern(injections.get(), p, &steps);
            Language named = Language::Plain;
            for (uint32_t s = 0; s + 2 < steps; ++s) {
                auto text = [&](uint32_t k) {
                    uint32_t length = 0;
                    const char* value =
                        ts_query_string_value_for_id(injections.get(), step[k].value_id, &length);
                    return step[k].type == TSQueryPredicateStepTypeString
                               ? std::string_view(value, length)
                               : std::string_view();
                };
                if (text(s) == "set!" && text(s + 1) == "injection.language") {
                    named = LanguageNamed(text(s + 2));
                }
            }
            patternLanguage.push_back(named);
        }
    }
};

SyntaxParser::SyntaxParser(Language language, bool embedded)
    : parsers_((CountTreeMemory(), std::make_unique<Parsers>())) {
    trees_.language = GrammarOf(language) ? language : Language::Plain;
    if (trees_.language != Language::Plain && embedded) {
        parsers_->LoadInjections(trees_.language);
    }
}

SyntaxParser::~SyntaxParser() = default;

void SyntaxParser::Edit(const SyntaxEdit& edit) {
    // Telling a tree of an edit visits every node the edit removed: when it
    // removed most of the text, parsing the rest anew costs less.
    const size_t covered =
        trees_.tree ? ts_node_end_byte(ts_tree_root_node(trees_.tree.get())) / 2 : 0;
    if (edit.change.removed > kSmallRemoval && 2 * edit.change.removed > covered) {
        Drop();
        return;
    }
    trees_.Edit(edit);
}

void SyntaxParser::Drop() {
    trees_.tree = Tree();
    trees_.embedded.clear();
}

ParseOutcome SyntaxParser::Parse(const TextSnapshot& text, const std::atomic<size_t>* cancel,
                                 const ParseLimits& limits) {
    return ParseRange(text, 0, text.Length(), cancel, limits);
}

ParseOutcome SyntaxParser::ParseRange(const TextSnapshot& text, size_t from, size_t to,
                                      const std::atomic<size_t>* cancel,
                                      const ParseLimits& limits) {
    if (trees_.language == Language::Plain) {
        return ParseOutcome::Parsed;
    }
    static_assert(sizeof(std::atomic<size_t>) == sizeof(size_t));
    cancel_ = cancel;
    limits_ = limits;
    cpuAtStart_ = platform::ThreadCpuSeconds();
    parsers_->SetCancel(reinterpret_cast<const size_t*>(cancel));
    Input read{text, from, std::min(to, text.Length())};
    return ParseInput(TSInput{&read, ReadPieces, TSInputEncodingUTF16});
}

ParseOutcome SyntaxParser::ParseUtf8(std::string_view bytes, const std::atomic<size_t>* cancel,
                                     const ParseLimits& limits) {
    if (trees_.language == Language::Plain) {
        return ParseOutcome::Parsed;
    }
    if (bytes.size() >= UINT32_MAX) {
        return ParseOutcome::TooCostly; // beyond what the trees can count
    }
    Drop(); // another text: nothing to reuse
    cancel_ = cancel;
    limits_ = limits;
    cpuAtStart_ = platform::ThreadCpuSeconds();
    parsers_->SetCancel(reinterpret_cast<const size_t*>(cancel));
    ByteInput read{bytes};
    return ParseInput(TSInput{&read, ReadBytes, TSInputEncodingUTF8});
}

ParseOutcome SyntaxParser::ParseInput(const TSInput& input) {
    Tree parsed;
    ParseOutcome outcome =
        ParseOne(parsers_->For(trees_.language), trees_.tree.get(), input, parsed);
    reused_ = false;
    changed_.clear();
    if (outcome == ParseOutcome::Parsed) {
        if (trees_.tree) {
            uint32_t count = 0;
            TSRange* ranges = ts_tree_get_changed_ranges(trees_.tree.get(), parsed.get(), &count);
            changed_.assign(ranges, ranges + count);
            FreeTreeSitterMemory(ranges);
            reused_ = true;
        }
        trees_.tree = std::move(parsed);
        outcome = ParseEmbedded(input);
        if (outcome == ParseOutcome::Parsed) {
            return outcome;
        }
    }
    // What was begun is thrown away.
    for (auto& [language, parser] : parsers_->byLanguage) {
        ts_parser_reset(parser.get());
    }
    Drop();
    return outcome;
}

ParseOutcome SyntaxParser::ParseOne(TSParser* parser, TSTree* old, const TSInput& input,
                                    Tree& out) {
    // A parse that runs out of time resumes where it stopped when called again.
    constexpr uint64_t kSliceMicros = 20'000;
    ts_parser_set_timeout_micros(parser, kSliceMicros);
    Progress& read = *static_cast<Progress*>(input.payload);
    read.lowest = UINT32_MAX;
    read.highest = 0;
    const double cpuAtParse = platform::ThreadCpuSeconds();
    for (;;) {
        out = Tree(ts_parser_parse(parser, old, input));
        if (out) {
            return ParseOutcome::Parsed;
        }
        if (cancel_ && cancel_->load() != 0) {
            return ParseOutcome::Cancelled;
        }
        const double now = platform::ThreadCpuSeconds();
        const double spent = now - cpuAtParse;
        if (now - cpuAtStart_ > limits_.cpuSeconds || TreeMemory() > limits_.treeBytes ||
            (!old && spent > limits_.judgeAfterSeconds &&
             double(read.UnitsRead()) < limits_.slowestUnitsPerSecond * spent)) {
            return ParseOutcome::TooCostly;
        }
    }
}

ParseOutcome SyntaxParser::ParseEmbedded(const TSInput& input) {
    if (!parsers_->injections) {
        return ParseOutcome::Parsed;
    }
    // Each embedded language is parsed as one text made of all its ranges.
    std::map<Language, std::vector<TSRange>> ranges;
    TSQueryCursor* cursor = parsers_->cursor.get();
    ts_query_cursor_exec(cursor, parsers_->injections.get(), ts_tree_root_node(trees_.tree.get()));
    TSQueryMatch match;
    while (ts_query_cursor_next_match(cursor, &match)) {
        const Language language = parsers_->patternLanguage[match.pattern_index];
        if (!GrammarOf(language)) {
            continue;
        }
        for (uint16_t i = 0; i < match.capture_count; ++i) {
            const TSNode node = match.captures[i].node;
            if (match.captures[i].index == parsers_->contentCapture &&
                ts_node_end_byte(node) > ts_node_start_byte(node)) {
                ranges[language].push_back(
                    TSRange{ts_node_start_point(node), ts_node_end_point(node),
                            ts_node_start_byte(node), ts_node_end_byte(node)});
            }
        }
    }
    std::vector<EmbeddedTree> parsed;
    for (auto& [language, list] : ranges) {
        std::sort(list.begin(), list.end(),
                  [](const TSRange& a, const TSRange& b) { return a.start_byte < b.start_byte; });
        TSParser* parser = parsers_->For(language);
        if (!ts_parser_set_included_ranges(parser, list.data(), uint32_t(list.size()))) {
            continue;
        }
        const auto old =
            std::find_if(trees_.embedded.begin(), trees_.embedded.end(),
                         [&](const EmbeddedTree& e) { return e.language == language; });
        Tree tree;
        const ParseOutcome outcome =
            ParseOne(parser, old != trees_.embedded.end() ? old->tree.get() : nullptr, input, tree);
        if (outcome != ParseOutcome::Parsed) {
            return outcome;
        }
        parsed.push_back(EmbeddedTree{language, std::move(tree), std::move(list)});
    }
    trees_.embedded = std::move(parsed);
    return ParseOutcome::Parsed;
}

} // namespace sheafpad::syntax
