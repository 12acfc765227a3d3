// SPDX-License-Identifier: GPL-3.0-or-later
#include "recovery/recovery_entry.h"
#include "recovery/recovery_journal.h"
#include "recovery/recovery_store.h"
#include "text/text_buffer.h"

#include "base/content_hash.h"
#include "platform/directory.h"
#include "platform/file_identity.h"

#include "test_util.h"

#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sheafpad::recovery {
namespace {

using test::FileExists;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

unsigned ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

std::string Stored(const Entry& entry) {
    return Header(entry) + entry.text;
}

Entry Sample(const std::string& path, const std::string& text) {
    Entry entry;
    entry.path = path;
    entry.loaded = {.exists = true,
                    .device = 2049,
                    .inode = 1234567,
                    .size = 77,
                    .mtimeNs = -5,
                    .ctimeNs = 1796680000000000001,
                    .contentHash = 0xfedcba9876543210u};
    entry.format = {TextEncoding::Latin1, LineBreak::Cr, false};
    entry.textEncoding = TextEncoding::Latin1;
    entry.text = text;
    entry.copiedAtNs = 1796680000123456789;
    return entry;
}

TEST(RecoveryEntry, AnyBytesComeBackAndOnlyWholeEntriesParse) {
    // Line breaks, header-like lines and bytes that are no UTF-8 in both.
    const std::string path = std::string("/tmp/we\xff ird\nname\r.htm");
    const std::string text = std::string("text 99\nloaded -\r\n") + "\xe9\x80" + '\0' + "\r";
    const Entry entry = Sample(path, text);
    const std::string bytes = Stored(entry);
    const std::optional<Entry> back = Parse(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->path, path);
    EXPECT_EQ(back->text, text);
    EXPECT_EQ(back->loaded, entry.loaded);
    EXPECT_EQ(back->format, entry.format);
    EXPECT_EQ(back->copiedAtNs, entry.copiedAtNs);
    EXPECT_EQ(back->journal, 0u);
    Entry journaled = entry;
    journaled.journal = 7;
    journaled.format = {TextEncoding::Utf8, LineBreak::Lf, true};
    EXPECT_EQ(Parse(Stored(journaled))->journal, 7u);
    EXPECT_EQ(Parse(Stored(journaled))->format, journaled.format);
    // A copy written before the status-change time and the hash were kept.
    const std::string older = "Sheafpad recovery 1\npath 2\n/a\nloaded 1 2 3 4\nencoding utf-8\n"
                              "text-encoding utf-8\ncopied 5\ntext 00000000000000000002\nhi";
    ASSERT_TRUE(Parse(older));
    // ... and before the line break and the mark were: what its run wrote.
    EXPECT_EQ(Parse(older)->format, (TextFormat{TextEncoding::Utf8, LineBreak::CrLf, false}));
    EXPECT_EQ(Parse(older)->loaded.size, 4u);
    EXPECT_EQ(Parse(older)->loaded.ctimeNs, 0);
    EXPECT_EQ(Parse(older)->text, "hi");

    Entry unknown = Sample("/a", "");
    unknown.loaded = {};
    unknown.textEncoding = TextEncoding::Utf8;
    const std::optional<Entry> empty = Parse(Stored(unknown));
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->loaded.exists);
    EXPECT_EQ(empty->textEncoding, TextEncoding::Utf8);
    EXPECT_EQ(empty->text, "");

    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        EXPECT_FALSE(Parse(std::string_view(bytes).substr(0, cut))) << cut;
    }
    EXPECT_FALSE(Parse(bytes + "x"));
    EXPECT_FALSE(Parse("Sheafpad recovery 2" + bytes.substr(19)));
}

TEST(RecoveryEntry, TextIsWhatASaveWritesOrUtf8WhenTheFileCannotHoldIt) {
    Entry entry;
    const TextFormat latin1{TextEncoding::Latin1, LineBreak::Lf, false};
    SetText(entry, u"caf\u00e9\u2029line\n", latin1); // a copy's breaks are CR LF
    EXPECT_EQ(entry.text, "caf\xe9\r\nline\r\n");
    EXPECT_EQ(entry.textEncoding, TextEncoding::Latin1);

    SetText(entry, u"\u20ac5", latin1); // no euro sign in Latin-1
    EXPECT_EQ(entry.format, latin1);
    EXPECT_EQ(entry.textEncoding, TextEncoding::Utf8);
    EXPECT_EQ(entry.text, "\xe2\x82\xac"
                          "5");

    const char16_t lone[] = {u'a', char16_t(0xD800), u'b', 0};
    SetText(entry, lone, TextFormat{});
    EXPECT_EQ(entry.text, "a\xef\xbf\xbd"
                          "b");

    // From a snapshot of a text kept one byte a unit, read in parts: a pair
    // across the encoder's pieces stays whole, a lone half at the very end
    // becomes U+FFFD, a Latin-1 letter goes to UTF-8 with the rest.
    TextBuffer buffer;
    buffer.LoadNarrow(std::string((256 << 10) - 1, 'a') + "\xe9");
    buffer.Insert((256 << 10) - 1, u"\U0001F600");
    const char16_t high[] = {char16_t(0xD83D), 0};
    buffer.Insert(buffer.Length(), high);
    std::string encoded;
    const TextSnapshot snapshot = buffer.Snapshot();
    const TextEncoding used = EncodeForCopy(
        [&](const std::function<bool(std::u16string_view)>& part) {
            snapshot.ForEachChunk(0, snapshot.Length(), part);
        },
        TextEncoding::Latin1, [&](TextEncoding) { encoded.clear(); },
        [&](std::string_view piece) { encoded.append(piece); });
    EXPECT_EQ(used, TextEncoding::Utf8);
    EXPECT_TRUE(encoded ==
                std::string((256 << 10) - 1, 'a') + "\xf0\x9f\x98\x80\xc3\xa9\xef\xbf\xbd")
        << encoded.substr(encoded.size() - 12);
}

TEST(RecoveryStore, FolderAndEntriesArePrivateAndWritesReplace) {
    TempDir home;
    const std::string dir = home.path() + "/state/Sheafpad/recovery";
    int error = -1;
    std::unique_ptr<Store> store = Store::Open(dir, &error);
    ASSERT_TRUE(store) << error;
    EXPECT_EQ(store->Dir(), dir + "/");
    EXPECT_EQ(ModeOf(dir), 0700u);
    EXPECT_EQ(ModeOf(home.path() + "/state/Sheafpad"), 0700u);

    const std::string a = store->EntryPath("/x/a.htm");
    EXPECT_NE(a, store->EntryPath("/x/b.htm"));
    ASSERT_EQ(store->Write(a, Sample("/x/a.htm", "one")), 0);
    ASSERT_EQ(store->Write(a, Sample("/x/a.htm", "two")), 0);
    EXPECT_EQ(ModeOf(a), 0600u);
    EXPECT_EQ(Parse(ReadFile(a))->text, "two");

    // Written from the editor's text in pieces: a pair of surrogates across
    // the pieces' border, and a euro sign that the Latin-1 file cannot hold.
    std::u16string text(64 * 1024 - 1, u'a');
    text += u"\U0001F600\u2029\u20ac";
    Entry meta = Sample("/x/a.htm", "ignored");
    const TextFormat format{TextEncoding::Latin1, LineBreak::Cr, false};
    Store::PendingWrite pending = store->Stage(a, meta, text, format);
    EXPECT_EQ(Parse(ReadFile(a))->text, "two"); // not in place before Commit
    ASSERT_EQ(pending.Commit(), 0);
    const std::optional<Entry> staged = Parse(ReadFile(a));
    ASSERT_TRUE(staged);
    EXPECT_EQ(staged->format, format);
    EXPECT_EQ(staged->textEncoding, TextEncoding::Utf8);
    EXPECT_EQ(staged->text, std::string(64 * 1024 - 1, 'a') + "\xf0\x9f\x98\x80\r\n\xe2\x82\xac");
    EXPECT_EQ(staged->loaded, meta.loaded);
    EXPECT_EQ(ModeOf(a), 0600u);

    int files = 0;
    platform::ForEachEntry(dir, [&](std::string_view) { ++files; });
    EXPECT_EQ(files, 2); // the entry and the run's lock: no temporary file left
    EXPECT_EQ(store->Remove(a), 0);
    EXPECT_FALSE(FileExists(a));
    EXPECT_EQ(store->Remove(a), 0);
    store.reset();

    // A folder that others could read is tightened; a file in the way fails.
    ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
    ASSERT_TRUE(Store::Open(dir, &error));
    EXPECT_EQ(ModeOf(dir), 0700u);
    WriteFile(home.file("plain"), "");
    EXPECT_FALSE(Store::Open(home.file("plain"), &error));
    EXPECT_NE(error, 0);
}

TEST(RecoveryStore, OnlyEntriesOfEndedRunsAreClaimedAndByOneProgramAtATime) {
    TempDir home;
    const std::string dir = home.path() + "/recovery/";
    int error = 0;
    // A run that ends abruptly: a child process that never closes its store.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::unique_ptr<Store> crashed = Store::Open(dir, &error);
        const bool ok = crashed && crashed->Write(crashed->EntryPath("/x/a.htm"),
                                                  Sample("/x/a.htm", "typed")) == 0;
        WriteFile(dir + "." + crashed->RunId() + "-half.entry.abc", "half"); // cut-short write
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // A run still going, and one that ended normally leaving an entry behind.
    std::unique_ptr<Store> running = Store::Open(dir, &error);
    ASSERT_TRUE(running);
    ASSERT_EQ(running->Write(running->EntryPath("/x/live.htm"), Sample("/x/live.htm", "live")), 0);
    {
        std::unique_ptr<Store> ended = Store::Open(dir, &error);
        Entry older = Sample("/x/b.htm", "older");
        older.copiedAtNs = 1;
        ASSERT_EQ(ended->Write(ended->EntryPath("/x/b.htm"), older), 0);
    }
    WriteFile(dir + "notes.txt", "not ours");

    std::unique_ptr<Store> first = Store::Open(dir, &error);
    std::unique_ptr<Store> second = Store::Open(dir, &error);
    const std::vector<Store::Found> found = first->ClaimEnded();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].entry.text, "older"); // oldest copy first
    EXPECT_EQ(found[1].entry.text, "typed");
    EXPECT_TRUE(second->ClaimEnded().empty()); // claimed by the first; the live one is not ended
    EXPECT_TRUE(FileExists(dir + "notes.txt"));
    int temps = 0;
    platform::ForEachEntry(dir, [&](std::string_view name) { temps += name.front() == '.'; });
    EXPECT_EQ(temps, 0);

    // The first discards one and lets go; the other stays for a later start.
    ASSERT_EQ(first->Remove(found[0].entryPath), 0);
    first->ReleaseClaimed();
    const std::vector<Store::Found> again = second->ClaimEnded();
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].entry.text, "typed");
    // Restored, it becomes the second run's own copy, and its files go: no
    // longer offered.
    ASSERT_EQ(second->Write(second->EntryPath("/x/a.htm"), again[0].entry), 0);
    for (const std::string& file : again[0].Files()) {
        ASSERT_EQ(second->Remove(file), 0);
    }
    second->ReleaseClaimed();
    EXPECT_TRUE(first->ClaimEnded().empty());
}

// An ended run's copy comes back with the edits of the journals that follow
// it; whatever of the run cannot be read is set aside, once, without filling
// memory on the way.
TEST(RecoveryStore, JournalsFollowTheirCopyAndUnreadableFilesAreSetAsideOnce) {
    TempDir home;
    const std::string dir = home.path() + "/recovery/";
    int error = 0;
    std::string entryPath, run;
    {
        const std::unique_ptr<Store> ended = Store::Open(dir, &error);
        ASSERT_TRUE(ended);
        run = dir + ended->RunId();
        Entry entry = Sample("/x/a.htm", "one\r\ntwo");
        entry.journal = 3;
        entryPath = ended->EntryPath(entry.path);
        ASSERT_EQ(ended->Write(entryPath, entry), 0);
        const std::string magic(kJournalMagic1);
        const auto journal = [&](uint64_t generation, const std::string& records) {
            WriteFile(Store::JournalPath(entryPath, generation), magic + records);
        };
        journal(2, JournalRecord(0, 0, u"stale")); // older than the copy
        journal(3, JournalRecord(3, 1, u"-") + JournalRecord(0, 0, u"\u00e9"));
        journal(4, JournalRecord(8, 0, u"!") + JournalRecord(0, 0, u"cut off").substr(0, 12));
        journal(6, JournalRecord(0, 0, u"after a gap"));
        WriteFile(run + "-orphan.0000000000000001.journal", magic);

        WriteFile(run + "-garbage.entry", "garbage");
        WriteFile(run + "-empty.entry", "");
        const std::string whole = Stored(Sample("/x/c.htm", "cut"));
        WriteFile(run + "-cut.entry", whole.substr(0, whole.size() - 2));
        ASSERT_EQ(::mkdir((run + "-dir.entry").c_str(), 0700), 0);
        ASSERT_EQ(::mkfifo((run + "-fifo.entry").c_str(), 0600), 0);
        // A gigabyte of NUL bytes under a header that says so.
        const std::string header = Header(Sample("/x/zeros.htm", ""));
        test::WriteSparseFile(run + "-zeros.entry",
                              header.substr(0, LengthOffset(header)) +
                                  LengthDigits(uint64_t(1) << 30) + "\n",
                              int64_t(header.size()) + (int64_t(1) << 30));
    }
    const std::unique_ptr<Store> store = Store::Open(dir, &error);
    std::vector<Store::Found> found;
    std::vector<std::string> setAside, unapplied;
    const int64_t growth =
        test::PeakMemoryGrowth([&] { found = store->ClaimEnded(&setAside, &unapplied); });
    EXPECT_LT(growth, 64 << 20);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].entry.text, "\xe9one-two!"); // still Latin-1, as its file
    // Taken over under the claiming run's names.
    const auto claimed = [&](const std::string& path) {
        return dir + store->RunId() + "-" + path.substr(dir.size());
    };
    EXPECT_EQ(found[0].Files(), (std::vector<std::string>{
                                    claimed(entryPath), claimed(Store::JournalPath(entryPath, 3)),
                                    claimed(Store::JournalPath(entryPath, 4))}));
    EXPECT_FALSE(FileExists(Store::JournalPath(entryPath, 2)));
    std::sort(setAside.begin(), setAside.end());
    std::vector<std::string> expected;
    for (const std::string& name :
         {std::string("-cut.entry"), std::string("-dir.entry"), std::string("-empty.entry"),
          std::string("-fifo.entry"), std::string("-garbage.entry"), std::string("-zeros.entry")}) {
        expected.push_back(dir + "unreadable-" + run.substr(dir.size()) + name);
    }
    EXPECT_EQ(setAside, expected);
    // Journals that can be read but follow nothing are not called unreadable.
    std::sort(unapplied.begin(), unapplied.end());
    EXPECT_EQ(
        unapplied,
        (std::vector<std::string>{
            dir + "unapplied-" + Store::JournalPath(entryPath, 6).substr(dir.size()),
            dir + "unapplied-" + run.substr(dir.size()) + "-orphan.0000000000000001.journal"}));
    for (const std::string& path : setAside) {
        EXPECT_EQ(::access(path.c_str(), F_OK), 0) << path; // renamed, not deleted
    }
    store->ReleaseClaimed();
    // Set aside once: a later start finds only the copy, still there, under
    // its own names again.
    found = store->ClaimEnded(&setAside, &unapplied);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].entry.text, "\xe9one-two!");
    EXPECT_TRUE(setAside.empty());
    EXPECT_TRUE(unapplied.empty());
}

// With no whole copy on disk (killed while the first was still being
// written), the journals are applied to the file that the first of them
// started from while it still holds that content; a staging file written to
// its end counts as a whole copy.
TEST(RecoveryStore, JournalsWithoutAWholeCopyAreAppliedToTheFileOrTheStagedCopy) {
    TempDir home;
    const std::string dir = home.path() + "/recovery/";
    const std::string file = home.file("page.htm");
    const std::string content = "caf\xc3\xa9\none\r\n";
    int error = 0;
    // An ended run that journaled edits of file, its first copy cut short.
    const auto endedRun = [&](const std::function<void(Store&, const std::string&)>& more) {
        const std::unique_ptr<Store> ended = Store::Open(dir, &error);
        ASSERT_TRUE(ended);
        const std::string entryPath = ended->EntryPath(file);
        Entry about = Sample(file, "");
        about.loaded = platform::FileIdentityOf(file);
        about.loaded.contentHash = ContentHash(content);
        about.format = {TextEncoding::Utf8, LineBreak::Lf, false}; // as the file is
        about.textEncoding = TextEncoding::Utf8;
        about.journal = 5;
        WriteFile(Store::JournalPath(entryPath, 5),
                  JournalStartText(about, 9) + JournalRecord(0, 0, u"X"));
        about.journal = 6;
        WriteFile(Store::JournalPath(entryPath, 6),
                  JournalStartText(about, std::nullopt) + JournalRecord(9, 0, u"!"));
        const std::string header = Header(Sample(file, ""));
        WriteFile(dir + "." + entryPath.substr(dir.size()) + ".cut",
                  header.substr(0, LengthOffset(header)) + LengthDigits(100) + "\npart");
        if (more) {
            more(*ended, entryPath);
        }
    };
    WriteFile(file, content);
    ASSERT_NO_FATAL_FAILURE(endedRun(nullptr));
    const std::unique_ptr<Store> store = Store::Open(dir, &error);
    std::vector<std::string> setAside, unapplied;
    std::vector<Store::Found> found = store->ClaimEnded(&setAside, &unapplied);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].entry.path, file);
    EXPECT_EQ(found[0].entry.text, "Xcaf\xc3\xa9\r\none!\r\n");
    EXPECT_TRUE(setAside.empty());
    EXPECT_TRUE(unapplied.empty());
    // Kept as a whole copy of its own, the journals in it and gone.
    EXPECT_EQ(found[0].journals.size(), 0u);
    EXPECT_EQ(Store::Recovered(found[0].entryPath)->text, found[0].entry.text);
    for (const std::string& path : found[0].Files()) {
        ASSERT_EQ(store->Remove(path), 0);
    }
    EXPECT_EQ(test::DirNames(dir).size(), 2u) << test::JoinedDirNames(dir); // the locks

    // The file changed since: the journals are kept aside, readable as they are.
    ASSERT_NO_FATAL_FAILURE(endedRun(nullptr));
    WriteFile(file, "another text");
    found = store->ClaimEnded(&setAside, &unapplied);
    EXPECT_TRUE(found.empty());
    EXPECT_TRUE(setAside.empty());
    EXPECT_EQ(unapplied.size(), 2u);
    for (const std::string& path : unapplied) {
        ASSERT_EQ(std::remove(path.c_str()), 0);
    }

    // A staging file written to its end, newer than the entry: its text,
    // with the journals that follow it.
    ASSERT_NO_FATAL_FAILURE(endedRun([&](Store& ended, const std::string& entryPath) {
        Entry older = Sample(file, "older");
        older.journal = 5;
        ASSERT_EQ(ended.Write(entryPath, older), 0);
        Entry staged = Sample(file, "staged");
        staged.journal = 6;
        WriteFile(dir + "." + entryPath.substr(dir.size()) + ".whole", Stored(staged));
    }));
    found = store->ClaimEnded(&setAside, &unapplied);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].entry.text, "staged");
    EXPECT_EQ(found[0].journals.size(), 1u);
    EXPECT_TRUE(setAside.empty());
    EXPECT_EQ(unapplied.size(), 0u);
}

} // namespace
} // namespace sheafpad::recovery
