// SPDX-License-Identifier: GPL-3.0-or-later
// Replace All and Undo Replace: files changed by others meanwhile are left
// alone, the old bytes come back exactly, and a kill part-way loses nothing.
#include "platform/entry_names.h"
#include "platform/file_identity.h"
#include "search/replace_record.h"
#include "search_test_util.h"
#include "test_util.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sheafpad::search {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class ReplaceRecordTest : public testing::Test {
protected:
    ReplaceRecordTest() { test::UseScratchStateFolder(); }

    // Writes count files holding old(i), searches them for "old" and plans
    // the replace by "new".
    std::vector<FileEdit> Plan(int count) {
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i) {
            paths.push_back(dir.file("f" + std::to_string(i) + ".htm"));
            WriteFile(paths.back(), Old(i));
        }
        const SearchOptions options{.find = "old", .replace = "new"};
        std::string error;
        auto matcher = Matcher::Compile(options, &error);
        MatchScratch scratch;
        std::vector<FileEdit> edits;
        for (const FileResult& result : test::SearchAll(paths, options)) {
            std::string reason;
            auto edit = PlanReplace(result.path, result.identity, result.matchCount, *matcher,
                                    scratch, &reason);
            EXPECT_TRUE(edit) << reason;
            edits.push_back(std::move(*edit));
        }
        EXPECT_EQ(edits.size(), size_t(count));
        return edits;
    }
    static std::string Old(int i) { return "line\r\nold " + std::to_string(i) + "\nend\r"; }
    static std::string New(int i) { return "line\r\nnew " + std::to_string(i) + "\nend\r"; }

    TempDir dir;
};

TEST_F(ReplaceRecordTest, FilesChangedByOthersAreLeftAloneByReplaceAndByUndo) {
    std::vector<FileEdit> edits = Plan(4);
    // Another program changes f1 after the search.
    test::AppendFile(edits[1].path, "theirs");
    ASSERT_NE(platform::CompareIdentity(edits[1].identity, platform::FileIdentityOf(edits[1].path)),
              platform::FileChange::None);
    const ReplaceOutcome replaced = ApplyEdits(edits, {}, "");
    EXPECT_EQ(replaced.files, 3u);
    ASSERT_EQ(replaced.notes.size(), 1u);
    EXPECT_EQ(replaced.notes[0].path, edits[1].path);
    EXPECT_EQ(replaced.notes[0].reason, kChangedSinceSearch);
    EXPECT_EQ(ReadFile(edits[0].path), New(0));
    EXPECT_EQ(ReadFile(edits[1].path), Old(1) + "theirs");

    // After the replace another program changes f2.
    WriteFile(edits[2].path, "theirs too");
    const std::optional<ReplaceRecord> record = ReadReplaceRecord();
    ASSERT_TRUE(record);
    const UndoOutcome undone = UndoReplace(*record);
    EXPECT_EQ(ReadFile(edits[0].path), Old(0));
    EXPECT_EQ(ReadFile(edits[3].path), Old(3));
    EXPECT_EQ(ReadFile(edits[1].path), Old(1) + "theirs"); // never written: not in the record
    EXPECT_EQ(ReadFile(edits[2].path), "theirs too");
    EXPECT_EQ(undone.files, 2u);
    ASSERT_EQ(undone.notes.size(), 1u);
    EXPECT_EQ(undone.notes[0].path, edits[2].path);
    const std::string& note = undone.notes[0].reason;
    ASSERT_NE(note.find("changed since the replace"), std::string::npos) << note;
    const std::string kept = note.substr(note.find("kept in \"") + 9);
    EXPECT_EQ(ReadFile(kept.substr(0, kept.size() - 1)), Old(2));
    EXPECT_FALSE(ReadReplaceRecord()); // undone once
}

TEST_F(ReplaceRecordTest, KilledPartWayEveryFileIsOldOrNewAndUndoWorksAfterwards) {
    const std::vector<FileEdit> edits = Plan(8);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        ApplyEdits(edits, {}, "", [&](size_t i) {
            if (i == 5) {
                (void)::write(ready[1], "5", 1);
                ::pause(); // killed here, five files written
            }
            return true;
        });
        ::_exit(0);
    }
    ::close(ready[1]);
    char mark = 0;
    ASSERT_EQ(::read(ready[0], &mark, 1), 1) << "the child ended before its sixth write";
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    ::close(ready[0]);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(ReadFile(edits[size_t(i)].path), i < 5 ? New(i) : Old(i)) << i;
    }
    EXPECT_EQ(test::JoinedDirNames(dir.path()),
              "f0.htm f1.htm f2.htm f3.htm f4.htm f5.htm f6.htm f7.htm");
    // A new run undoes it from the record alone.
    const std::optional<ReplaceRecord> record = ReadReplaceRecord();
    ASSERT_TRUE(record);
    const UndoOutcome undone = UndoReplace(*record);
    EXPECT_EQ(undone.files, 8u);
    EXPECT_EQ(undone.restored.size(), 5u);
    EXPECT_TRUE(undone.notes.empty());
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(ReadFile(edits[size_t(i)].path), Old(i)) << i;
    }
}

TEST_F(ReplaceRecordTest, RenameWithReferencesIsUndoneAsOneAndRefusesATakenName) {
    WriteFile(dir.file("a.htm"), "<a href=\"b.htm\">self</a>\n");
    WriteFile(dir.file("b.htm"), "<a href=\"a.htm\">a</a> <a href=\"data.htm\">\r\n");
    WriteFile(dir.file("c.htm"), "taken");
    EXPECT_EQ(platform::RenameWithoutReplacing(dir.file("a.htm"), dir.file("c.htm")), EEXIST);
    EXPECT_EQ(ReadFile(dir.file("c.htm")), "taken");

    ASSERT_EQ(platform::RenameWithoutReplacing(dir.file("a.htm"), dir.file("z.htm")), 0);
    std::vector<FileEdit> edits;
    for (const char* name : {"z.htm", "b.htm", "c.htm"}) {
        std::string reason;
        if (auto edit = PlanRename(dir.file(name), "a.htm", "z.htm", &reason)) {
            edits.push_back(std::move(*edit));
        }
        EXPECT_EQ(reason, "");
    }
    ASSERT_EQ(edits.size(), 1u);
    ApplyEdits(edits, {{dir.file("a.htm"), dir.file("z.htm")}}, "");
    EXPECT_EQ(ReadFile(dir.file("b.htm")), "<a href=\"z.htm\">a</a> <a href=\"data.htm\">\r\n");

    const UndoOutcome undone = UndoReplace(*ReadReplaceRecord());
    EXPECT_TRUE(undone.notes.empty());
    EXPECT_EQ(test::JoinedDirNames(dir.path()), "a.htm b.htm c.htm");
    EXPECT_EQ(ReadFile(dir.file("b.htm")), "<a href=\"a.htm\">a</a> <a href=\"data.htm\">\r\n");
}

} // namespace
} // namespace sheafpad::search
