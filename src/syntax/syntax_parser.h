// SPDX-License-Identifier: GPL-3.0-or-later
// Parses a text into its syntax trees straight from the piece table, and
// parses it again after edits, reusing what they left untouched. Used on one
// thread at a time (the colour worker's).
#pragma once

#include "syntax/syntax_trees.h"
#include "text/text_buffer.h"

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <string_view>

namespace sheafpad::syntax {

// What one parse may cost before the text goes without colours: tree-sitter
// takes minutes and gigabytes over some broken texts, and its trees take
// tens of bytes a character.
struct ParseLimits {
    double cpuSeconds = std::numeric_limits<double>::infinity(); // of this thread
    size_t treeBytes = std::numeric_limits<size_t>::max();       // all of tree-sitter's
    // A first parse that reads fewer characters a second than this once it
    // has run for judgeAfterSeconds: tree-sitter recovers from the errors of
    // a text that is no code at all at a tenth of its usual speed.
    double slowestUnitsPerSecond = 0;
    double judgeAfterSeconds = 0.2;
};

enum class ParseOutcome { Parsed, Cancelled, TooCostly };

class SyntaxParser {
public:
    // A parser for language; it parses nothing when the grammar is missing.
    // Without embedded, the contents of <style> and <script> are not parsed
    // (nor looked for): the trees are the host's only.
    explicit SyntaxParser(Language language, bool embedded = true);
    ~SyntaxParser();
    SyntaxParser(const SyntaxParser&) = delete;
    SyntaxParser& operator=(const SyntaxParser&) = delete;

    Language language() const { return trees_.language; }
    // Removals up to this many characters are always told to the trees.
    static constexpr size_t kSmallRemoval = 64 * 1024;
    // Tells the trees of an edit made to the text since the last parse.
    void Edit(const SyntaxEdit& edit);
    // Parses text: in full the first time, then reusing the edited trees.
    // Stops when *cancel becomes non-zero or the parse goes beyond limits;
    // the trees are then dropped and the next parse is a full one.
    ParseOutcome Parse(const TextSnapshot& text, const std::atomic<size_t>* cancel = nullptr,
                       const ParseLimits& limits = {});
    // Parses [from, to) of text as a text of its own (the trees count from
    // from), reusing the trees as Parse does.
    ParseOutcome ParseRange(const TextSnapshot& text, size_t from, size_t to,
                            const std::atomic<size_t>* cancel = nullptr,
                            const ParseLimits& limits = {});
    // Parses a whole text held as UTF-8 bytes (fewer than 4 GiB): the trees
    // count in bytes of UTF-8, and edits are not told to them.
    ParseOutcome ParseUtf8(std::string_view bytes, const std::atomic<size_t>* cancel = nullptr,
                           const ParseLimits& limits = {});
    // Forgets the trees: the next parse is a full one.
    void Drop();
    const SyntaxTrees& Trees() const { return trees_; }
    // Whether the last parse reused the trees before it; if so, where the
    // host tree's structure changed (tree-sitter's changed ranges).
    bool Reused() const { return reused_; }
    const std::vector<TSRange>& ChangedRanges() const { return changed_; }

private:
    struct Parsers;
    ParseOutcome ParseInput(const TSInput& input);
    ParseOutcome ParseEmbedded(const TSInput& input);
    // One tree-sitter parse, in slices so that the limits are checked.
    ParseOutcome ParseOne(TSParser* parser, TSTree* old, const TSInput& input, Tree& out);

    SyntaxTrees trees_;
    bool reused_ = false;
    std::vector<TSRange> changed_;
    std::unique_ptr<Parsers> parsers_;
    const std::atomic<size_t>* cancel_ = nullptr;
    ParseLimits limits_;
    double cpuAtStart_ = 0;
};

} // namespace sheafpad::syntax
