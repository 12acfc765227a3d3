// SPDX-License-Identifier: GPL-3.0-or-later
// The searcher apart from the window: a search stopped inside a big file
// stops there, for each kind of matcher; what PCRE2 says every match holds
// passes files over unread; a line of megabytes with many matches shows
// each match cut short, at its place.
#include "search/file_search.h"
#include "search/searcher.h"
#include "search_test_util.h"
#include "test_util.h"

#include <gtest/gtest.h>

namespace sheafpad::search {
namespace {

using test::TempDir;
using test::WriteFile;

// Counts matches, and sets stop at the first one.
class StoppingSink final : public SearchSink {
public:
    explicit StoppingSink(std::atomic<bool>& stop) : stop_(stop) {}
    bool Matched(const SearchText&, const Found&) override {
        ++count;
        stop_ = true;
        return true;
    }
    size_t count = 0;

private:
    std::atomic<bool>& stop_;
};

TEST(Searcher, AStopInsideABigFileEndsItsSearchThereForEveryMatcher) {
    TempDir dir;
    // 16 MB with a match every 64 bytes: 262,144 in all.
    std::string line(63, 'x');
    line += '\n';
    line.replace(10, 8, " needle ");
    std::string big;
    big.reserve(16 << 20);
    while (big.size() < (16u << 20)) {
        big += line;
    }
    const size_t all = big.size() / 64;
    WriteFile(dir.file("big.txt"), big);
    for (const SearchOptions& options :
         {SearchOptions{.find = "needle", .replace = "", .matchCase = true},
          SearchOptions{.find = "NEEDLE", .replace = ""},
          SearchOptions{.find = "ne+dle", .replace = "", .regex = true},
          SearchOptions{.find = "needle", .replace = "", .wholeWords = true}}) {
        std::string error;
        auto matcher = Matcher::Compile(options, &error);
        ASSERT_TRUE(matcher) << error;
        Searcher searcher(matcher);
        std::atomic<bool> stop{false};
        StoppingSink sink(stop);
        EXPECT_EQ(searcher.SearchPath(dir.file("big.txt"), sink, &stop), Searcher::Outcome::Stopped)
            << options.find;
        // Seen at the latest a stretch of a megabyte on, far from the end.
        EXPECT_GE(sink.count, 1u);
        EXPECT_LT(sink.count, all / 4) << options.find;
        // Unstopped, the same searcher finds them all.
        std::atomic<bool> never{false};
        struct Counter final : SearchSink {
            size_t count = 0;
            bool Matched(const SearchText&, const Found&) override { return ++count > 0; }
        } counter;
        EXPECT_EQ(searcher.SearchPath(dir.file("big.txt"), counter, &never),
                  Searcher::Outcome::Searched);
        EXPECT_EQ(counter.count, all) << options.find;
    }

    // A job cancelled while it is in the file hands out nothing more.
    std::string error;
    SearchJob job({dir.file("big.txt"), dir.file("big.txt")},
                  Matcher::Compile(SearchOptions{.find = "needle", .replace = ""}, &error));
    job.Cancel();
    EXPECT_TRUE(job.Finished());
    EXPECT_TRUE(job.Take().empty());
}

TEST(Searcher, WhatPcreSaysEveryMatchHoldsPassesFilesOverAndLongLinesStayCheap) {
    std::string error;
    const auto regex = Matcher::Compile(
        SearchOptions{.find = "href=\"[a-z]+\\.html\"", .replace = "", .regex = true}, &error);
    ASSERT_TRUE(regex) << error;
    EXPECT_TRUE(regex->Filters());
    EXPECT_FALSE(regex->MayMatch("no links, quotes only: \"a\""));
    EXPECT_TRUE(regex->MayMatch("<a href=\"x.html\">"));
    // Case ignored: an ASCII letter is looked for in either case; k has a
    // partner outside ASCII (the Kelvin sign), so it tells nothing.
    const auto caseless =
        Matcher::Compile(SearchOptions{.find = "h[0-9]", .replace = "", .regex = true}, &error);
    EXPECT_TRUE(caseless->MayMatch("<H1>"));
    EXPECT_FALSE(caseless->MayMatch("<p>"));
    const auto kelvin =
        Matcher::Compile(SearchOptions{.find = "k[0-9]", .replace = "", .regex = true}, &error);
    EXPECT_TRUE(kelvin->MayMatch("\xE2\x84\xAA"
                                 "1"));

    // One line of 2 MB holding 20,000 matches: each shown line is cut
    // around its match, at the match's place in the pane.
    TempDir dir;
    std::string line;
    for (int i = 0; i < 20000; ++i) {
        line += std::string(100, i % 2 ? 'a' : 'b') + "hit";
    }
    WriteFile(dir.file("min.js"), "\xC3\xA9\n" + line + "\n");
    const auto results = test::SearchAll(
        {dir.file("min.js")}, SearchOptions{.find = "hit", .replace = "", .matchCase = true});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].matchCount, 20000u);
    ASSERT_EQ(results[0].lines.size(), 1000u);
    const MatchLine& shown = results[0].lines[999];
    EXPECT_EQ(shown.line, 1u);
    EXPECT_EQ(shown.panePos, 2u + 999 * 103 + 100);
    EXPECT_EQ(shown.match(), "hit");
    EXPECT_EQ(shown.before(), "\xE2\x80\xA6" + std::string(80 - 3, 'a').substr(0, 0) +
                                  line.substr(999 * 103 + 100 - 80, 80));
    EXPECT_EQ(shown.after().substr(0, 100), line.substr(1000 * 103, 100));
    EXPECT_EQ(shown.after().substr(shown.after().size() - 3), "\xE2\x80\xA6");
}

} // namespace
} // namespace sheafpad::search
