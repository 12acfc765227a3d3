// SPDX-License-Identifier: GPL-3.0-or-later
// Replace All and Undo Replace stopped between files, a replace of some
// matches only, and literals found across the stretches a stop is looked
// for between.
#include "search/file_edit.h"
#include "search/file_search.h"
#include "search/replace_record.h"
#include "search_test_util.h"
#include "test_util.h"

#include <gtest/gtest.h>

namespace sheafpad::search {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::vector<FileEdit> PlanAll(const std::vector<std::string>& paths, const SearchOptions& options,
                              const MatchChoice& chosen = {}) {
    std::string error;
    const auto matcher = Matcher::Compile(options, &error);
    EXPECT_TRUE(matcher) << error;
    MatchScratch scratch;
    std::vector<FileEdit> edits;
    for (const FileResult& result : test::SearchAll(paths, options)) {
        std::string reason;
        auto edit = PlanReplace(result.path, result.identity, result.matchCount, *matcher, scratch,
                                &reason, chosen);
        EXPECT_TRUE(edit) << reason;
        if (edit) {
            edits.push_back(std::move(*edit));
        }
    }
    return edits;
}

TEST(ReplaceStop, AStopKeepsWhatWasWrittenInTheRecordAndAStoppedUndoFinishesLater) {
    test::UseScratchStateFolder();
    TempDir dir;
    std::vector<std::string> paths;
    for (int i = 0; i < 5; ++i) {
        paths.push_back(dir.file("f" + std::to_string(i) + ".htm"));
        WriteFile(paths.back(), "a old " + std::to_string(i) + "\r\n");
    }
    const std::vector<FileEdit> edits = PlanAll(paths, {.find = "old", .replace = "new"});
    ASSERT_EQ(edits.size(), 5u);
    std::vector<size_t> told;
    const ReplaceOutcome outcome = ApplyEdits(dir.path(), edits, {}, "", [&](size_t i) {
        told.push_back(i);
        return i < 2; // stopped before the third file
    });
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.files, 2u);
    EXPECT_EQ(told, (std::vector<size_t>{0, 1, 2}));
    EXPECT_EQ(ReadFile(paths[1]), "a new 1\r\n");
    EXPECT_EQ(ReadFile(paths[2]), "a old 2\r\n");
    std::optional<ReplaceRecord> record = ReadReplaceRecord(dir.path());
    ASSERT_TRUE(record);
    ASSERT_EQ(record->files.size(), 2u) << "the record holds what was done";

    // Undo stopped after its first file: the record stays for the rest.
    UndoOutcome undone = UndoReplace(*record, [](size_t i) { return i < 1; });
    EXPECT_TRUE(undone.stopped);
    EXPECT_EQ(ReadFile(paths[0]), "a old 0\r\n");
    EXPECT_EQ(ReadFile(paths[1]), "a new 1\r\n");
    record = ReadReplaceRecord(dir.path());
    ASSERT_TRUE(record);
    undone = UndoReplace(*record);
    EXPECT_FALSE(undone.stopped);
    EXPECT_EQ(undone.files, 2u) << "the one put back before counts as back";
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(ReadFile(paths[size_t(i)]), "a old " + std::to_string(i) + "\r\n");
    }
    EXPECT_FALSE(HasReplaceRecord(dir.path()));

    // Stopped before the first file: nothing to undo, no record.
    const ReplaceOutcome none = ApplyEdits(dir.path(), edits, {}, "", [](size_t) { return false; });
    EXPECT_TRUE(none.stopped);
    EXPECT_EQ(none.files, 0u);
    EXPECT_FALSE(HasReplaceRecord(dir.path()));
}

TEST(ReplaceStop, OnlyTheChosenMatchesAreReplacedAndAChangedTextIsRefused) {
    TempDir dir;
    WriteFile(dir.file("a.htm"), "old1 old2\r\nold3 old4");
    const std::vector<FileEdit> edits =
        PlanAll({dir.file("a.htm")}, {.find = "old", .replace = "new"},
                [](size_t match) { return match % 2 == 1; });
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0].Count(), 2u);
    EXPECT_EQ(edits[0].newBytes, "old1 new2\r\nold3 new4");

    std::string error, reason;
    const auto matcher =
        Matcher::Compile({.find = "o(l)d", .replace = "$1", .regex = true}, &error);
    MatchScratch scratch;
    auto text = PlanTextReplace("old old\nold", 3, *matcher, scratch, &reason,
                                [](size_t match) { return match != 1; });
    ASSERT_TRUE(text) << reason;
    EXPECT_EQ(text->newBytes, "l old\nl");
    EXPECT_FALSE(PlanTextReplace("old old", 3, *matcher, scratch, &reason));
    EXPECT_NE(reason.find("changed since the search"), std::string::npos) << reason;

    // A find text of line breaks alone (pasted) finds every kind of break.
    WriteFile(dir.file("b.htm"), "one\r\ntwo\rthree\nfour");
    const auto breaks =
        test::SearchAll({dir.file("b.htm")}, {.find = "\r\n", .replace = "", .matchCase = true});
    ASSERT_EQ(breaks.size(), 1u);
    EXPECT_EQ(breaks[0].matchCount, 3u);
}

TEST(ReplaceStop, LiteralsAcrossTheStretchesOfABigTextAreFoundOnce) {
    // The search looks at a stretch of a megabyte at a time: a needle at
    // every place around a stretch's end is found once, neither lost nor twice.
    std::string error;
    for (const SearchOptions& options :
         {SearchOptions{.find = "needle", .matchCase = true}, SearchOptions{.find = "NEEDLE"}}) {
        const auto matcher = Matcher::Compile(options, &error);
        ASSERT_TRUE(matcher) << error;
        MatchScratch scratch;
        for (size_t at = (1u << 20) - 7; at <= (1u << 20) + 1; ++at) {
            std::string text(2u << 20, 'x');
            text.replace(at, 6, "needle");
            text.replace(text.size() - 6, 6, "needle");
            std::vector<size_t> found;
            ASSERT_TRUE(matcher->ForEach(
                text, scratch,
                [&](const Found& match) {
                    found.push_back(match.start);
                    return true;
                },
                &error));
            EXPECT_EQ(found, (std::vector<size_t>{at, text.size() - 6})) << at;
        }
    }
}

} // namespace
} // namespace sheafpad::search
