#include "recovery/recovery_entry.h"
#include "recovery/recovery_store.h"

#include "platform/directory.h"

#include "test_util.h"

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
    entry.loaded = {.exists = true, .device = 2049, .inode = 1234567, .size = 77, .mtimeNs = -5};
    entry.encoding = TextEncoding::Latin1;
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
    EXPECT_EQ(back->encoding, TextEncoding::Latin1);
    EXPECT_EQ(back->copiedAtNs, entry.copiedAtNs);

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
    SetText(entry, u"caf\u00e9\u2029line\n", TextEncoding::Latin1);
    EXPECT_EQ(entry.text, "caf\xe9\r\nline\r\n");
    EXPECT_EQ(entry.textEncoding, TextEncoding::Latin1);

    SetText(entry, u"\u20ac5", TextEncoding::Latin1); // no euro sign in Latin-1
    EXPECT_EQ(entry.encoding, TextEncoding::Latin1);
    EXPECT_EQ(entry.textEncoding, TextEncoding::Utf8);
    EXPECT_EQ(entry.text, "\xe2\x82\xac"
                          "5");

    const char16_t lone[] = {u'a', char16_t(0xD800), u'b', 0};
    SetText(entry, lone, TextEncoding::Utf8);
    EXPECT_EQ(entry.text, "a\xef\xbf\xbd"
                          "b");
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
    Store::PendingWrite pending = store->Stage(a, meta, text, TextEncoding::Latin1);
    EXPECT_EQ(Parse(ReadFile(a))->text, "two"); // not in place before Commit
    ASSERT_EQ(pending.Commit(), 0);
    const std::optional<Entry> staged = Parse(ReadFile(a));
    ASSERT_TRUE(staged);
    EXPECT_EQ(staged->encoding, TextEncoding::Latin1);
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
    // Adopted, it becomes the second run's own entry: no longer offered.
    ASSERT_EQ(second->Adopt(again[0].entryPath, "/x/a.htm"), 0);
    EXPECT_EQ(Parse(ReadFile(second->EntryPath("/x/a.htm")))->text, "typed");
    second->ReleaseClaimed();
    EXPECT_TRUE(first->ClaimEnded().empty());
}

} // namespace
} // namespace sheafpad::recovery
