// SPDX-License-Identifier: GPL-3.0-or-later
// What a later look at a file tells about it: changed, replaced, deleted or
// re-pointed, each as another program would do it.
#include "platform/file_identity.h"
#include "test_util.h"

#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sheafpad::platform {
namespace {

using test::TempDir;
using test::WriteFile;

TEST(FileIdentity, TellsHowAnotherProgramTouchedTheFile) {
    TempDir dir;
    const std::string a = dir.file("a.htm");
    WriteFile(a, "one");
    const FileIdentity loaded = FileIdentityOf(a);
    ASSERT_TRUE(loaded.exists);
    EXPECT_EQ(loaded.size, 3u);
    EXPECT_FALSE(loaded.isLink);
    EXPECT_EQ(CompareIdentity(loaded, FileIdentityOf(a)), FileChange::None);

    test::AppendFile(a, "\n"); // echo >> a.htm
    EXPECT_EQ(CompareIdentity(loaded, FileIdentityOf(a)), FileChange::Changed);

    // The same size, only a newer time: still a change.
    WriteFile(dir.file("b.htm"), "one");
    const FileIdentity b = FileIdentityOf(dir.file("b.htm"));
    struct timespec times[2] = {{0, UTIME_OMIT}, {b.mtimeNs / 1000000000 + 5, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.file("b.htm").c_str(), times, 0), 0);
    EXPECT_EQ(CompareIdentity(b, FileIdentityOf(dir.file("b.htm"))), FileChange::Changed);

    // The same size, and the old modification time put back (touch -d, cp -p):
    // the status-change time, which nobody can set back, still tells.
    const FileIdentity kept = FileIdentityOf(dir.file("b.htm"));
    WriteFile(dir.file("b.htm"), "two");
    const struct timespec back[2] = {{0, UTIME_OMIT},
                                     {kept.mtimeNs / 1000000000, kept.mtimeNs % 1000000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.file("b.htm").c_str(), back, 0), 0);
    ASSERT_EQ(FileIdentityOf(dir.file("b.htm")).mtimeNs, kept.mtimeNs);
    EXPECT_EQ(CompareIdentity(kept, FileIdentityOf(dir.file("b.htm"))), FileChange::Changed);

    // A save by rename (mv over it), even with the same size.
    const FileIdentity before = FileIdentityOf(a);
    WriteFile(dir.file("new"), "one\n");
    ASSERT_EQ(std::rename(dir.file("new").c_str(), a.c_str()), 0);
    EXPECT_EQ(CompareIdentity(before, FileIdentityOf(a)), FileChange::Replaced);

    const FileIdentity last = FileIdentityOf(a);
    ::unlink(a.c_str());
    EXPECT_FALSE(FileIdentityOf(a).exists);
    EXPECT_EQ(CompareIdentity(last, FileIdentityOf(a)), FileChange::Deleted);
}

TEST(FileIdentity, LinksAreFollowedAndTheirTargetIsRemembered) {
    TempDir dir, outside;
    const std::string page = dir.file("page.htm");
    WriteFile(page, "mine");
    const FileIdentity plain = FileIdentityOf(page);

    // Replaced by a link to a file elsewhere, with the same content.
    WriteFile(outside.file("secret"), "mine");
    ::unlink(page.c_str());
    ASSERT_EQ(::symlink(outside.file("secret").c_str(), page.c_str()), 0);
    const FileIdentity linked = FileIdentityOf(page);
    EXPECT_TRUE(linked.isLink);
    EXPECT_EQ(linked.linkTarget, outside.file("secret"));
    EXPECT_EQ(CompareIdentity(plain, linked), FileChange::Repointed);

    // The link pointed at another file.
    WriteFile(outside.file("other"), "mine");
    ::unlink(page.c_str());
    // A relative link, resolved from the link's folder.
    const std::string relative =
        "../" + outside.path().substr(outside.path().rfind('/') + 1) + "/other";
    ASSERT_EQ(::symlink(relative.c_str(), page.c_str()), 0);
    EXPECT_EQ(FileIdentityOf(page).linkTarget, outside.file("other"));
    EXPECT_EQ(CompareIdentity(linked, FileIdentityOf(page)), FileChange::Repointed);

    // The link's file deleted: a deletion, not a new target.
    const FileIdentity relinked = FileIdentityOf(page);
    ::unlink(outside.file("other").c_str());
    EXPECT_EQ(CompareIdentity(relinked, FileIdentityOf(page)), FileChange::Deleted);
}

TEST(FileIdentity, AChangeOfStatusOverTheSameContentIsNoChange) {
    TempDir dir;
    const std::string a = dir.file("a.htm");
    // Longer than a few of the hash's blocks, so that pieces cross them.
    const std::string text = "some text of a few words, and some more of them, and more still: "
                             "enough to fill several blocks of the hash\n";
    WriteFile(a, text);
    FileIdentity loaded = FileIdentityOf(a);
    ContentHasher hasher; // fed in uneven pieces, as a load reads
    for (size_t at = 0; at < text.size(); at += 3) {
        hasher.Add(std::string_view(text).substr(at, 3));
    }
    loaded.contentHash = hasher.Value();
    ContentHasher whole;
    whole.Add(text);
    ASSERT_EQ(whole.Value(), loaded.contentHash);

    ASSERT_EQ(::chmod(a.c_str(), 0600), 0); // only the status changes
    ASSERT_EQ(CompareIdentity(loaded, FileIdentityOf(a)), FileChange::Changed);
    FileIdentity now;
    EXPECT_EQ(ChangeSince(loaded, a, &now), FileChange::None);
    EXPECT_NE(now.ctimeNs, loaded.ctimeNs);

    // Other content of the same size under the old times is a change.
    WriteFile(a, std::string(text.size(), 'x'));
    const timespec back[2] = {{0, UTIME_OMIT},
                              {loaded.mtimeNs / 1000000000, loaded.mtimeNs % 1000000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, a.c_str(), back, 0), 0);
    EXPECT_EQ(ChangeSince(loaded, a), FileChange::Changed);
    loaded.contentHash = 0; // not known: any change of status counts
    WriteFile(a, text);
    ASSERT_EQ(::utimensat(AT_FDCWD, a.c_str(), back, 0), 0);
    EXPECT_EQ(ChangeSince(loaded, a), FileChange::Changed);
}

} // namespace
} // namespace sheafpad::platform
