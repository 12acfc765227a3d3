// SPDX-License-Identifier: GPL-3.0-or-later
// Searching the listed files and computing a replace: what is found, where
// the pane shows it, and which bytes change.
#include "search/file_edit.h"
#include "search/file_search.h"
#include "search_test_util.h"
#include "test_util.h"
#include "text/text_format.h"

#include <atomic>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace sheafpad::search {
namespace {

using test::TempDir;
using test::WriteFile;

// The pane's text of bytes, and a piece of it as UTF-8 (one line).
std::string PanePiece(const std::string& bytes, uint64_t pos, uint64_t length) {
    const TextFormat format = DetectFormat(bytes);
    const std::string_view body = TextBytes(bytes, format);
    std::u16string text(DecodedCapacity(body), u'\0');
    text.resize(DecodeText(body, format.encoding, text.data()));
    std::string piece;
    EncodeText(std::u16string_view(text).substr(pos, length), TextEncoding::Utf8, piece, nullptr);
    return piece;
}

struct Case {
    const char* what;
    std::string bytes;
    SearchOptions options;
    size_t matches;
    std::string replaced;
};

TEST(SearchAndReplace, OnlyTheMatchedBytesChangeAndThePaneShowsTheMatches) {
    SearchOptions literal{.find = "cat", .replace = "dog"};
    SearchOptions regex{.find = "(\\w+);\\n(\\w+)", .replace = "$2 \\1", .regex = true};
    SearchOptions lineStarts{.find = "^", .replace = "> ", .regex = true};
    SearchOptions accented{.find = "na\xC3\xAFve", .replace = "x\xE2\x82\xAC"}; // naïve -> x€
    SearchOptions kelvin{.find = "kelvin", .replace = "K", .wholeWords = true};
    SearchOptions latin1Needle{
        .find = "\xC3\xA9t\xC3\xA9", .replace = "summer", .matchCase = true}; // été
    // Long enough for the sixteen-byte steps, with CR LF split across them.
    std::string mixed, mixedReplaced;
    for (int i = 0; i < 300; ++i) {
        const std::string piece =
            std::string(size_t(i % 23), 'x') + "\r\n\xC3\xA9\r" + "\xF0\x9D\x84\x9E\n\xE2\x82\xAC ";
        mixed += piece + "cat";
        mixedReplaced += piece + "dog";
    }
    const Case cases[] = {
        {"a long text of every kind of line break and character", mixed, literal, 300,
         mixedReplaced},
        {"mixed line breaks, no final one", "one cat\r\ntwo Cat\rthree cAt\nfour CAT", literal, 4,
         "one dog\r\ntwo dog\rthree dog\nfour dog"},
        {"Latin-1 keeps its bytes", "caf\xE9 cat \xE9t\xE9\r\n", literal, 1,
         "caf\xE9 dog \xE9t\xE9\r\n"},
        {"a Latin-1 file found by a UTF-8 needle", "caf\xE9 \xE9t\xE9\n", latin1Needle, 1,
         "caf\xE9 summer\n"},
        {"UTF-8 with multi-byte matches, case ignored", "na\xC3\xAFve NA\xC3\x8FVE\nna\xC3\xAFvet",
         accented, 3,
         "x\xE2\x82\xAC x\xE2\x82\xAC\nx\xE2\x82\xAC"
         "t"},
        {"a regular expression across CR LF, with groups", "end;\r\nnext;\r\n", regex, 1,
         "next end;\r\n"},
        {"empty matches at every line start", "a\r\nb\rc", lineStarts, 3, "> a\r\n> b\r> c"},
        {"a byte-order mark is never matched, never moved",
         "\xEF\xBB\xBF"
         "a\nb",
         lineStarts, 2,
         "\xEF\xBB\xBF"
         "> a\n> b"},
        {"a byte-order mark takes no place in the pane",
         "\xEF\xBB\xBF"
         "cat\r\n\xC3\xA9 cat",
         literal, 2,
         "\xEF\xBB\xBF"
         "dog\r\n\xC3\xA9 dog"},
        {"whole words, the Kelvin sign",
         "kelvin \xE2\x84\xAA"
         "elvin skelvin kelvins",
         kelvin, 2, "K K skelvin kelvins"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("file.txt");
        WriteFile(path, c.bytes);
        const auto results = test::SearchAll({path}, c.options);
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].matchCount, c.matches);
        for (const MatchLine& line : results[0].lines) {
            if (line.match().find("\xE2\x80\xA6") == std::string::npos) { // on one line
                EXPECT_EQ(PanePiece(c.bytes, line.panePos, line.paneLength), line.match());
            }
        }
        std::string error, reason;
        auto matcher = Matcher::Compile(c.options, &error);
        MatchScratch scratch;
        const auto edit = PlanReplace(path, results[0].identity, results[0].matchCount, *matcher,
                                      scratch, &reason);
        ASSERT_TRUE(edit) << reason;
        EXPECT_EQ(edit->newBytes, c.replaced);
        EXPECT_EQ(edit->oldBytes, c.bytes);
    }
}

TEST(SearchAndReplace, LinesShownInListOrderAndFilesThatAreNotTextSkippedWithTheReason) {
    TempDir dir;
    WriteFile(dir.file("a.htm"), "x\nthe cat sat\n");
    WriteFile(dir.file("b.htm"), "no match here");
    WriteFile(dir.file("c.htm"), std::string("cat\0cat", 7));
    ASSERT_EQ(::mkdir(dir.file("d.htm").c_str(), 0700), 0);
    WriteFile(dir.file("e.htm"), std::string(5000, 'a') + " cat " + std::string(5000, 'b') + "cat");
    const std::vector<std::string> paths = {dir.file("a.htm"),    dir.file("b.htm"),
                                            dir.file("c.htm"),    dir.file("d.htm"),
                                            dir.file("gone.htm"), dir.file("e.htm")};
    const auto results = test::SearchAll(paths, SearchOptions{.find = "cat", .replace = ""});
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(results[0].index, 0u);
    ASSERT_EQ(results[0].lines.size(), 1u);
    EXPECT_EQ(results[0].lines[0].line, 1u);
    EXPECT_EQ(results[0].lines[0].before(), "the ");
    EXPECT_EQ(results[0].lines[0].match(), "cat");
    EXPECT_EQ(results[0].lines[0].after(), " sat");
    EXPECT_EQ(results[1].index, 2u);
    EXPECT_NE(results[1].skipped.find("NUL"), std::string::npos);
    EXPECT_EQ(results[1].matchCount, 0u);
    EXPECT_EQ(results[2].index, 4u);
    EXPECT_NE(results[2].skipped.find("gone.htm"), std::string::npos) << results[2].skipped;
    // A long line is cut around its match, never inside a character.
    EXPECT_EQ(results[3].matchCount, 2u);
    EXPECT_LT(results[3].lines[0].before().size(), 100u);
    EXPECT_EQ(results[3].lines[1].panePos, 10005u);
}

TEST(SearchAndReplace, NameReferencesAreWholeNamesOnly) {
    const std::string page = "<a href=\"a.htm\">a.htm</a> data.htm a.html a.htm.bak ../a.htm "
                             "see a.htm. x-a.htm (a.htm)";
    const std::vector<size_t> found = NameReferences(page, "a.htm");
    std::vector<std::string> contexts;
    for (size_t at : found) {
        contexts.push_back(page.substr(at == 0 ? 0 : at - 1, 7));
    }
    EXPECT_EQ(contexts,
              (std::vector<std::string>{"\"a.htm\"", ">a.htm<", "/a.htm ", " a.htm.", "(a.htm)"}));
}

TEST(SearchAndReplace, RegularExpressionsFindEveryFileTheyMatch) {
    // Files are passed over by a piece of plain text that every match holds:
    // these patterns, each matching the file, must never lose it.
    TempDir dir;
    const std::string path = dir.file("page.htm");
    WriteFile(path, "The color is red; a.htm x{2}y tab\there ab]c KELVIN \xE2\x84\xAA"
                    "elvin "
                    "2024-12-08\r\nend");
    const std::pair<const char*, size_t> patterns[] = {
        {"colou?r", 1},         {"a\\.htm", 1},
        {"x\\{2\\}y", 1},       {"ab]c", 1},
        {"tab\\there", 1},      {"[0-9]{4}-12-0[0-9]", 1},
        {"\\x{212A}elvin", 2},  {"kelvin", 2},
        {"(red|blue);", 1},     {"is +red", 1},
        {"08$\\nend", 1},       {"\\d+-\\d\\d-(08)?", 1},
        {"colou?r{1,2} is", 1}, {"[[:alpha:]]lvin", 2},
        {"The|nothing", 1}};
    for (const auto& [pattern, count] : patterns) {
        SCOPED_TRACE(pattern);
        const auto results =
            test::SearchAll({path}, SearchOptions{.find = pattern, .replace = "", .regex = true});
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].matchCount, count);
    }
    std::string error;
    EXPECT_TRUE(
        Matcher::Compile(SearchOptions{.find = "colou?r", .replace = "", .regex = true}, &error)
            ->Filters());
}

TEST(SearchAndReplace, BadExpressionsAndEmptyTextsAreRefusedWithTheReason) {
    std::string error;
    EXPECT_FALSE(
        Matcher::Compile(SearchOptions{.find = "a(b", .replace = "", .regex = true}, &error));
    EXPECT_NE(error.find("at character 4"), std::string::npos) << error;
    // One byte of a character: refused, saying why and what to use instead.
    EXPECT_FALSE(
        Matcher::Compile(SearchOptions{.find = "caf\\C", .replace = "", .regex = true}, &error));
    EXPECT_NE(error.find("\\C (a single byte) is not allowed"), std::string::npos) << error;
    EXPECT_NE(error.find("at character 4"), std::string::npos) << error;
    EXPECT_FALSE(Matcher::Compile(SearchOptions{}, &error));
    EXPECT_FALSE(error.empty());

    // A pattern that would take ages: the file is skipped, saying so and where.
    TempDir dir;
    WriteFile(dir.file("a.htm"), "one\ntwo\n" + std::string(40, 'a') + "!\n");
    const auto results = test::SearchAll(
        {dir.file("a.htm")}, SearchOptions{.find = "(a|aa)+$", .replace = "", .regex = true});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].skipped, "the pattern is too costly to match: it gave up at line 3 of "
                                  "this file (a pattern with fewer nested repeats may work)");
}

// \w, \d and \b know the letters and digits of every script, so a
// replace never leaves half a character behind.
TEST(SearchAndReplace, ClassesOfARegularExpressionTakeWholeCharacters) {
    TempDir dir;
    const std::string path = dir.file("page.htm");
    WriteFile(path, "caf\xC3\xA9 na\xC3\xAFve \xD9\xA3\xD9\xA4 \xC3\xA9t\xC3\xA9\n");
    const struct {
        const char* find;
        size_t matches;
        std::string replaced;
    } cases[] = {
        {"caf\\w", 1, "X na\xC3\xAFve \xD9\xA3\xD9\xA4 \xC3\xA9t\xC3\xA9\n"},
        {"\\bna\\w+\\b", 1, "caf\xC3\xA9 X \xD9\xA3\xD9\xA4 \xC3\xA9t\xC3\xA9\n"},
        {"\\d+", 1, "caf\xC3\xA9 na\xC3\xAFve X \xC3\xA9t\xC3\xA9\n"},
        {"\\b\\w+", 4, "X X X X\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.find);
        const SearchOptions options{.find = c.find, .replace = "X", .regex = true};
        const auto results = test::SearchAll({path}, options);
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].matchCount, c.matches);
        std::string error, reason;
        const auto matcher = Matcher::Compile(options, &error);
        MatchScratch scratch;
        const auto edit = PlanReplace(path, results[0].identity, results[0].matchCount, *matcher,
                                      scratch, &reason);
        ASSERT_TRUE(edit) << reason;
        EXPECT_EQ(edit->newBytes, c.replaced);
    }
}

// A stop is seen wherever the matching is: at a match, and in a long
// stretch without any; a cancelled job hands out nothing more and its
// thread leaves the big file it was in.
TEST(SearchAndReplace, AStopEndsTheSearchInsideABigFile) {
    std::string text(6 << 20, 'x');
    for (size_t at = 0; at < text.size(); at += 1 << 20) {
        text.replace(at, 3, "cat");
    }
    std::string error;
    for (const bool regex : {false, true}) {
        SCOPED_TRACE(regex ? "regular expression" : "literal");
        const auto matcher = Matcher::Compile(
            SearchOptions{.find = regex ? "c.t" : "cat", .replace = "", .regex = regex}, &error);
        ASSERT_TRUE(matcher) << error;
        MatchScratch scratch;
        std::atomic<bool> stop{false};
        size_t found = 0;
        const auto count = [&](const Found&) {
            ++found;
            stop = true;
            return true;
        };
        EXPECT_TRUE(matcher->ForEach(text, scratch, count, &error, &stop));
        EXPECT_EQ(found, 1u);
        found = 0;
        stop = false;
        EXPECT_TRUE(matcher->ForEach(
            text, scratch, [&](const Found&) { return ++found; }, &error, &stop));
        EXPECT_EQ(found, 6u) << "matches across the stretches";
    }

    // A big file that takes long to match, then a small one: cancelled
    // once the thread is in the big file, the job is finished at once, the
    // big file not counted as searched and the small one never searched.
    TempDir dir;
    WriteFile(dir.file("big.htm"), std::string(48 << 20, 'y') + "z");
    WriteFile(dir.file("small.htm"), "yz");
    const auto slow = Matcher::Compile(
        SearchOptions{.find = "[y!]{1,60}[z!]", .replace = "", .regex = true}, &error);
    ASSERT_TRUE(slow) << error;
    ASSERT_FALSE(slow->Filters()) << "the big file must be read once, then matched";
    SearchJob job({dir.file("big.htm"), dir.file("small.htm")}, slow, {}, 1);
    bool reading = false;
    for (int i = 0; i < 1000000 && !reading && job.FilesDone() == 0; ++i) {
        reading = test::OpenedByThisProcess(dir.file("big.htm"));
    }
    ASSERT_TRUE(reading) << "the big file was never seen being read";
    job.Cancel();
    EXPECT_EQ(job.FilesDone(), 0u) << "the cancel waited for the big file";
    EXPECT_TRUE(job.Finished());
    EXPECT_TRUE(job.Take().empty());
}

} // namespace
} // namespace sheafpad::search
