// SPDX-License-Identifier: GPL-3.0-or-later
// Replace All and Undo Replace: files changed by others meanwhile are left
// alone, the old bytes come back exactly, and a kill part-way loses nothing.
#include "base/errors.h"
#include "platform/entry_names.h"
#include "platform/file_identity.h"
#include "search/replace_record.h"
#include "search_test_util.h"
#include "test_util.h"

#include <csignal>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sheafpad::search {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class ReplaceRecordTest : public testing::Test {
protected:
    ReplaceRecordTest() {
        test::UseScratchStateFolder();
        std::filesystem::remove_all(ReplaceRecordDir()); // no earlier test's record
    }

    // Writes count files holding old(i), searches them for "old" and plans
    // the replace by "new".
    std::vector<FileEdit> Plan(int count, const std::function<std::string(int)>& old = Old) {
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i) {
            paths.push_back(dir.file("f" + std::to_string(i) + ".htm"));
            WriteFile(paths.back(), old(i));
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
    // The record of the folder's last replace, as stored.
    std::string RecordFile() const {
        for (const std::string& name : test::DirNames(ReplaceRecordDir())) {
            if (name.rfind("replace-", 0) == 0) {
                return ReplaceRecordDir() + "/" + name;
            }
        }
        return {};
    }
    static std::string New(int i) { return "line\r\nnew " + std::to_string(i) + "\nend\r"; }

    TempDir dir;
};

TEST_F(ReplaceRecordTest, FilesChangedByOthersAreLeftAloneByReplaceAndByUndo) {
    std::vector<FileEdit> edits = Plan(4);
    // Another program changes f1 after the search.
    test::AppendFile(edits[1].path, "theirs");
    ASSERT_NE(platform::CompareIdentity(edits[1].identity, platform::FileIdentityOf(edits[1].path)),
              platform::FileChange::None);
    const ReplaceOutcome replaced = ApplyEdits(dir.path(), edits, {}, "");
    EXPECT_EQ(replaced.files, 3u);
    ASSERT_EQ(replaced.notes.size(), 1u);
    EXPECT_EQ(replaced.notes[0].path, edits[1].path);
    EXPECT_EQ(replaced.notes[0].reason, kChangedSinceSearch);
    EXPECT_EQ(ReadFile(edits[0].path), New(0));
    EXPECT_EQ(ReadFile(edits[1].path), Old(1) + "theirs");

    // After the replace another program changes f2.
    WriteFile(edits[2].path, "theirs too");
    const std::optional<ReplaceRecord> record = ReadReplaceRecord(dir.path());
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
    EXPECT_FALSE(ReadReplaceRecord(dir.path())); // undone once
}

TEST_F(ReplaceRecordTest, KilledPartWayEveryFileIsOldOrNewAndUndoWorksAfterwards) {
    const std::vector<FileEdit> edits = Plan(8);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        ApplyEdits(dir.path(), edits, {}, "", [&](size_t i) {
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
    const std::optional<ReplaceRecord> record = ReadReplaceRecord(dir.path());
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
    ApplyEdits(dir.path(), edits, {{dir.file("a.htm"), dir.file("z.htm")}}, "");
    EXPECT_EQ(ReadFile(dir.file("b.htm")), "<a href=\"z.htm\">a</a> <a href=\"data.htm\">\r\n");

    const UndoOutcome undone = UndoReplace(*ReadReplaceRecord(dir.path()));
    EXPECT_TRUE(undone.notes.empty());
    EXPECT_EQ(test::JoinedDirNames(dir.path()), "a.htm b.htm c.htm");
    EXPECT_EQ(ReadFile(dir.file("b.htm")), "<a href=\"a.htm\">a</a> <a href=\"data.htm\">\r\n");
}

// Each folder has its own record: undoing one folder's replace leaves the
// other's alone, and a later replace in the same folder (by any program)
// supersedes the earlier record, which an undo of the earlier then leaves.
TEST_F(ReplaceRecordTest, EachFolderKeepsTheRecordOfItsOwnLastReplace) {
    TempDir other;
    const std::vector<FileEdit> here = Plan(2);
    WriteFile(other.file("x.htm"), Old(9));
    std::string reason;
    const auto matcher = Matcher::Compile(SearchOptions{.find = "old", .replace = "new"}, &reason);
    MatchScratch scratch;
    const auto there =
        PlanReplace(other.file("x.htm"), platform::FileIdentityOf(other.file("x.htm")), 1, *matcher,
                    scratch, &reason);
    ASSERT_TRUE(there) << reason;
    const uint64_t first = ApplyEdits(dir.path(), here, {}, "").recordId;
    ApplyEdits(other.path(), {*there}, {}, "");
    const std::optional<ReplaceRecord> mine = ReadReplaceRecord(dir.path());
    ASSERT_TRUE(mine);
    EXPECT_EQ(mine->id, first);
    EXPECT_EQ(mine->files.size(), 2u);
    UndoReplace(*mine);
    EXPECT_EQ(ReadFile(here[0].path), Old(0));
    EXPECT_EQ(ReadFile(other.file("x.htm")), New(9)) << "another folder's replace undone";
    EXPECT_FALSE(HasReplaceRecord(dir.path()));
    ASSERT_TRUE(HasReplaceRecord(other.path()));

    // Two replaces in one folder: the later one's record stands, and an
    // undo of the earlier (read before) leaves it in place.
    const std::vector<FileEdit> again = Plan(2);
    ApplyEdits(dir.path(), {again[0]}, {}, "");
    const std::optional<ReplaceRecord> earlier = ReadReplaceRecord(dir.path());
    const uint64_t later = ApplyEdits(dir.path(), {again[1]}, {}, "").recordId;
    ASSERT_TRUE(earlier);
    UndoReplace(*earlier);
    const std::optional<ReplaceRecord> standing = ReadReplaceRecord(dir.path());
    ASSERT_TRUE(standing);
    EXPECT_EQ(standing->id, later);
    EXPECT_EQ(ReadFile(again[1].path), New(1));
}

// One flipped byte anywhere in a file's part: nothing is written, the file
// is named; the record is left for the user to look at.
TEST_F(ReplaceRecordTest, ADamagedRecordWritesNothingAndNamesTheFile) {
    const std::vector<FileEdit> edits = Plan(3);
    ApplyEdits(dir.path(), edits, {}, "");
    const std::string record = RecordFile();
    const std::string good = ReadFile(record);
    const std::string second = edits[1].path;
    for (const std::string& place : {Old(1), std::string("\x01"), std::string("line")}) {
        SCOPED_TRACE(place);
        std::string bad = good;
        // In the second file's old content; in the head (the first count
        // of one); in the first file's old content.
        const size_t at = place == Old(1)   ? bad.find(Old(1)) + 7
                          : place == "line" ? bad.find("line") + 1
                                            : bad.find(dir.path()) - 1;
        ASSERT_LT(at, bad.size());
        bad[at] ^= 0x20;
        WriteFile(record, bad);
        try {
            ReadReplaceRecord(dir.path());
            ADD_FAILURE() << "a damaged record was read";
        } catch (const sheafpad::Error& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("damaged"), std::string::npos) << message;
            if (place == Old(1)) {
                EXPECT_NE(message.find("\"" + second + "\""), std::string::npos) << message;
            }
        }
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(ReadFile(edits[size_t(i)].path), New(i));
        }
        EXPECT_EQ(ReadFile(record), bad) << "kept as it is";
    }
}

// The record goes only once every old content that an undo leaves is kept
// elsewhere: with no room for those copies it stays, says so, and a later
// undo with room finishes.
TEST_F(ReplaceRecordTest, TheRecordStaysUntilEveryOldContentIsKept) {
    // The file whose old content must be set aside is the long one.
    const std::string longOld = Old(2) + std::string(4096, '.');
    const std::vector<FileEdit> edits = Plan(3, [&](int i) { return i == 2 ? longOld : Old(i); });
    ApplyEdits(dir.path(), edits, {}, "");
    WriteFile(edits[2].path, "theirs"); // changed since: set aside, not put back
    const pid_t child = ::fork();
    if (child == 0) {
        // The state disk is full: no file may grow past what the short
        // files need to be put back.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{1024, 1024};
        ::setrlimit(RLIMIT_FSIZE, &small);
        const UndoOutcome undone = UndoReplace(*ReadReplaceRecord(dir.path()));
        const bool kept = undone.recordKept.find("is kept in") != std::string::npos &&
                          undone.notes.size() == 1 &&
                          undone.notes[0].reason.find("stays in the record") != std::string::npos &&
                          HasReplaceRecord(dir.path());
        ::_exit(kept ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the record went though an old content was not kept";
    EXPECT_EQ(ReadFile(edits[0].path), Old(0)) << "the others were put back meanwhile";
    const std::optional<ReplaceRecord> record = ReadReplaceRecord(dir.path());
    ASSERT_TRUE(record);
    const UndoOutcome undone = UndoReplace(*record);
    EXPECT_EQ(undone.recordKept, "");
    EXPECT_EQ(undone.files, 2u);
    ASSERT_EQ(undone.notes.size(), 1u);
    const std::string& note = undone.notes[0].reason;
    const std::string kept = note.substr(note.find("kept in \"") + 9);
    EXPECT_EQ(ReadFile(kept.substr(0, kept.size() - 1)), longOld);
    EXPECT_FALSE(HasReplaceRecord(dir.path()));
}

// Another user's file or a link in the records' place is never read nor
// written through; neither is a records folder that is a link.
TEST_F(ReplaceRecordTest, RecordsAreUsedOnlyInTheUsersOwnFolderNeverThroughALink) {
    const std::vector<FileEdit> edits = Plan(1);
    ApplyEdits(dir.path(), edits, {}, "");
    const std::string record = RecordFile();
    const std::string planted = dir.file("planted");
    WriteFile(planted, ReadFile(record));
    ASSERT_EQ(::unlink(record.c_str()), 0);
    ASSERT_EQ(::symlink(planted.c_str(), record.c_str()), 0);
    EXPECT_THROW(
        {
            try {
                ReadReplaceRecord(dir.path());
            } catch (const sheafpad::Error& error) {
                EXPECT_NE(std::string(error.what()).find("symbolic link"), std::string::npos)
                    << error.what();
                throw;
            }
        },
        sheafpad::Error);
    EXPECT_EQ(ReadFile(edits[0].path), New(0));

    // The folder itself a link to a folder elsewhere: nothing is replaced.
    TempDir elsewhere;
    const std::string records = ReplaceRecordDir();
    ASSERT_EQ(::rename(records.c_str(), elsewhere.file("records").c_str()), 0);
    ASSERT_EQ(::symlink(elsewhere.file("records").c_str(), records.c_str()), 0);
    EXPECT_THROW(ApplyEdits(dir.path(), Plan(1), {}, ""), sheafpad::Error);
    EXPECT_EQ(ReadFile(edits[0].path), Old(0)) << "replaced without a record";
    EXPECT_THROW(ReadReplaceRecord(dir.path()), sheafpad::Error);
    ASSERT_EQ(::unlink(records.c_str()), 0);
}

TEST_F(ReplaceRecordTest, ARecordOrFolderOfAnotherUserIsRefused) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give a file to another user";
    }
    const std::vector<FileEdit> edits = Plan(1);
    ApplyEdits(dir.path(), edits, {}, "");
    const std::string record = RecordFile();
    ASSERT_EQ(::chown(record.c_str(), 65534, 65534), 0);
    try {
        ReadReplaceRecord(dir.path());
        ADD_FAILURE() << "another user's record was read";
    } catch (const sheafpad::Error& error) {
        EXPECT_NE(std::string(error.what()).find("another user"), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(ReadFile(edits[0].path), New(0));
    ASSERT_EQ(::chown(ReplaceRecordDir().c_str(), 65534, 65534), 0);
    EXPECT_THROW(ApplyEdits(dir.path(), Plan(1), {}, ""), sheafpad::Error);
    EXPECT_FALSE(HasReplaceRecord(dir.path()));
    ASSERT_EQ(::chown(ReplaceRecordDir().c_str(), 0, 0), 0);
    ASSERT_EQ(::unlink(record.c_str()), 0);
}

} // namespace
} // namespace sheafpad::search
