// SPDX-License-Identifier: GPL-3.0-or-later
// What a search looks for, compiled once and used by every file of a search:
// a literal text (case-insensitive unless matchCase, anywhere unless
// wholeWords) or a Perl-compatible regular expression (PCRE2, as Qt's
// QRegularExpression takes it, with ^ and $ at every line), matched against
// the text of each file as the editor pane shows it.
#pragma once

#include "search/literal_finder.h"
#include "text/text_codec.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sheafpad::search {

struct SearchOptions {
    std::string find;    // UTF-8
    std::string replace; // UTF-8
    bool matchCase = false;
    bool wholeWords = false;
    bool regex = false;
    bool operator==(const SearchOptions&) const = default;
};

// One match in a text, and its groups while it is being reported.
struct Found {
    size_t start = 0, end = 0;
    const size_t* groups = nullptr; // pairs of start and end (SIZE_MAX: unset), count of them
    size_t groupCount = 0;
};

// What one thread needs to match (PCRE2's match data and stack).
class MatchScratch {
public:
    MatchScratch();
    ~MatchScratch();
    MatchScratch(const MatchScratch&) = delete;
    MatchScratch& operator=(const MatchScratch&) = delete;

private:
    friend class Matcher;
    struct Data;
    std::unique_ptr<Data> data_;
};

class Matcher {
public:
    // The compiled options, or nullptr with *error set (an empty find text,
    // or the expression's fault and where it is).
    static std::shared_ptr<const Matcher> Compile(const SearchOptions& options, std::string* error);
    ~Matcher();

    const SearchOptions& options() const { return options_; }

    // False when a file of these bytes surely holds no match; cheap.
    bool MayMatch(std::string_view bytes) const;
    // Whether MayMatch tells some files apart (else it is always true).
    bool Filters() const { return !prefilterNone_; }

    // Calls found for each match in text (valid UTF-8 with '\n' line breaks,
    // as SearchText gives it), in order,
    // none overlapping; found returns false to stop. Returns false with
    // *error set when matching fails (an expression too complex for the text).
    // Once *stop is set (from any thread), returns true soon, wherever in
    // the text it is: within a stretch of a megabyte.
    bool ForEach(std::string_view text, MatchScratch& scratch,
                 const std::function<bool(const Found&)>& found, std::string* error,
                 const std::atomic<bool>* stop = nullptr) const;

    // The replacement for a match in text, as UTF-8 with '\n' for a line
    // break. With a regular expression: $1, ${1}, \1 and ${name} give a
    // group, $$ a $, \\ a backslash, \n a line break and \t a tab; otherwise
    // the replace text as it is.
    std::string Expand(std::string_view text, const Found& match) const;

private:
    Matcher() = default;
    bool ForEachLiteral(std::string_view text, const std::function<bool(const Found&)>& found,
                        const std::atomic<bool>* stop) const;

    SearchOptions options_;
    void* code_ = nullptr;                 // pcre2_code_8, when PCRE2 matches
    std::optional<LiteralFinder> exact_;   // when a plain literal search is exact
    std::vector<LiteralFinder> prefilter_; // a file may match only if one of these finds
    bool prefilterNone_ = false;           // no prefilter: every file may match
};

} // namespace sheafpad::search
