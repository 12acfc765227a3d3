// SPDX-License-Identifier: GPL-3.0-or-later
// What a search looks for, compiled once and used by every file of a search:
// a literal text (case-insensitive unless matchCase, anywhere unless
// wholeWords) or a Perl-compatible regular expression (PCRE2, as Qt's
// QRegularExpression takes it, with ^ and $ at every line), matched against
// the text of each file as the editor pane shows it.
//
// Matching is apart from searching: a Matcher finds matches in a text and
// knows nothing of files; the Searcher (searcher.h) reads files and hands
// what a Matcher finds to a sink.
#pragma once

#include "search/literal_finder.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
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

// What one thread needs to match (PCRE2's match data and stack); a
// Searcher owns one.
class MatchScratch {
public:
    MatchScratch();
    ~MatchScratch();
    MatchScratch(const MatchScratch&) = delete;
    MatchScratch& operator=(const MatchScratch&) = delete;

    struct Data;
    Data& data() { return *data_; }

private:
    std::unique_ptr<Data> data_;
};

using FoundFn = std::function<bool(const Found&)>;

// What a file's bytes must hold for a match to be possible: for each group,
// one of its pieces (a group of two: the text's UTF-8 or Latin-1 form).
using Prefilter = std::vector<std::vector<LiteralFinder>>;

class Matcher {
public:
    // The compiled options, or nullptr with *error set (an empty find text,
    // or the expression's fault and where it is).
    static std::shared_ptr<const Matcher> Compile(const SearchOptions& options, std::string* error);
    virtual ~Matcher();

    const SearchOptions& options() const { return options_; }

    // False when a file of these bytes surely holds no match; cheap.
    bool MayMatch(std::string_view bytes) const;
    // Whether MayMatch tells some files apart (else it is always true).
    bool Filters() const { return !prefilter_.empty(); }

    // Calls found for each match in text (valid UTF-8 with '\n' line breaks,
    // as SearchText gives it), in order, none overlapping; found returns
    // false to stop. Returns false with *error set when matching fails (an
    // expression too complex for the text). Once *stop is set (from any
    // thread), returns true soon, wherever in the text it is.
    virtual bool ForEach(std::string_view text, MatchScratch& scratch, const FoundFn& found,
                         std::string* error, const std::atomic<bool>* stop = nullptr) const = 0;

    // The replacement for a match in text, as UTF-8 with '\n' for a line
    // break. With a regular expression: $1, ${1}, \1 and ${name} give a
    // group, $$ a $, \\ a backslash, \n a line break and \t a tab; otherwise
    // the replace text as it is.
    virtual std::string Expand(std::string_view text, const Found& match) const = 0;

protected:
    Matcher(SearchOptions options, Prefilter prefilter)
        : options_(std::move(options)), prefilter_(std::move(prefilter)) {}

private:
    SearchOptions options_;
    Prefilter prefilter_;
};

// Line breaks of any kind (CR LF, CR, LF) as LF.
std::string LineBreaksAsLf(std::string_view text);

// The matchers behind Compile: a plain literal found byte for byte (ASCII
// letters folded when case is ignored), and PCRE2 for everything else.
// pattern: what PCRE2 compiles (the find text, or a literal escaped);
// prefilter: none to take the one that PCRE2 tells of the compiled pattern.
std::shared_ptr<const Matcher> MakeLiteralMatcher(SearchOptions options, Prefilter prefilter);
std::shared_ptr<const Matcher> MakePcreMatcher(SearchOptions options, const std::string& pattern,
                                               Prefilter prefilter, std::string* error);

} // namespace sheafpad::search
