// SPDX-License-Identifier: GPL-3.0-or-later
// The site's files as one list: the walk of the tree, the list's order, and
// the list following the disk folder by folder.
#include "files/site_tree.h"

#include "test_util.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace sheafpad;
using sheafpad::test::TempDir;
using sheafpad::test::WriteFileIn;
using Names = std::vector<std::string>;

namespace {

const FileTypes kTypes({".htm", ".html", ".js", ".css"});

// A site with what a real one holds besides its pages.
void MakeSite(const std::string& root) {
    for (const char* path :
         {"index.html", "page10.html", "page2.html", "b.htm", ".swap.html", "notes.txt",
          "css/site.css", "js/app.js", "js/lib/jquery.js", "Docs/index.html", "a10/x.js", "a2/x.js",
          "old.html/x.htm", ".git/hooks/x.js", "js/.cache/y.js"}) {
        WriteFileIn(root, path, "x");
    }
    std::filesystem::create_symlink(root, root + "/loop"); // a linked folder: a loop
    std::filesystem::create_symlink("index.html", root + "/link.html");
    std::filesystem::create_directory(root + "/empty");
}

TEST(SiteTree, ListsEveryFolderOwnFilesFirstSkippingHiddenAndLinkedFolders) {
    TempDir dir;
    MakeSite(dir.path());
    SiteTree tree;
    tree.Open(dir.path(), true, kTypes);
    const Names expected = {"b.htm",           "index.html", "link.html",        "page2.html",
                            "page10.html",     "a2/x.js",    "a10/x.js",         "css/site.css",
                            "Docs/index.html", "js/app.js",  "js/lib/jquery.js", "old.html/x.htm"};
    EXPECT_EQ(tree.Paths(), expected);
    ASSERT_EQ(tree.Count(), expected.size());
    for (size_t row = 0; row < expected.size(); ++row) {
        EXPECT_EQ(tree.PathAt(row), expected[row]);
        EXPECT_EQ(tree.RowOf(expected[row]), row) << expected[row];
    }
    EXPECT_FALSE(tree.RowOf("js/.cache/y.js"));
    EXPECT_FALSE(tree.RowOf("loop/index.html"));
    EXPECT_FALSE(tree.RowOf("old.html"));
    EXPECT_EQ(tree.FullPath("js/app.js"), dir.path() + "/js/app.js");
    // root, a2, a10, css, Docs, empty, js, js/lib, old.html: one watch each.
    EXPECT_EQ(tree.FolderCount(), 9u);
    EXPECT_EQ(tree.UnwatchedFolders(), 0u);
    EXPECT_TRUE(tree.TakeUnreadable().empty());

    // The patterns match the file's own name, never its folder's.
    tree.SetTypes(FileTypes({"js"}));
    EXPECT_EQ(tree.Paths(), (Names{"a2/x.js", "a10/x.js", "js/app.js", "js/lib/jquery.js"}));

    // Without subfolders: the folder's matching entries, all of them, as ever.
    tree.Open(dir.path(), false, kTypes);
    EXPECT_EQ(tree.Paths(), (Names{".swap.html", "b.htm", "index.html", "link.html", "old.html",
                                   "page2.html", "page10.html"}));
    EXPECT_EQ(tree.Paths(), ListMatchingFiles(dir.path(), kTypes));
    EXPECT_EQ(tree.FolderCount(), 1u);
}

TEST(SiteTree, FollowsTheDiskReadingOnlyTheFoldersThatChanged) {
    TempDir dir;
    MakeSite(dir.path());
    SiteTree tree;
    tree.Open(dir.path(), true, kTypes);
    std::vector<SiteChange> changes;
    const size_t id = tree.Subscribe([&](const SiteChange& change) { changes.push_back(change); });
    int before = 0;
    auto count = [&] { ++before; };
    EXPECT_FALSE(tree.CatchUp(count)) << "nothing changed yet";
    EXPECT_EQ(before, 0);

    // Another program: a file made in a subfolder, one deleted at the top, a
    // file renamed, a folder made with a file, a folder moved within the site.
    WriteFileIn(dir.path(), "js/lib/more.js", "");
    std::remove(dir.file("b.htm").c_str());
    std::rename(dir.file("css/site.css").c_str(), dir.file("css/main.css").c_str());
    WriteFileIn(dir.path(), "new/deep/page.html", "");
    std::rename(dir.file("a2").c_str(), dir.file("empty/a2").c_str());
    WriteFileIn(dir.path(), "js/app.tmp", ""); // matches no pattern
    ASSERT_TRUE(tree.CatchUp(count));
    EXPECT_EQ(before, 1) << "once, before the first change";
    const Names expected = {
        "index.html",     "link.html",          "page2.html",    "page10.html", "a10/x.js",
        "css/main.css",   "Docs/index.html",    "empty/a2/x.js", "js/app.js",   "js/lib/jquery.js",
        "js/lib/more.js", "new/deep/page.html", "old.html/x.htm"};
    EXPECT_EQ(tree.Paths(), expected);
    for (size_t row = 0; row < expected.size(); ++row) {
        EXPECT_EQ(tree.RowOf(expected[row]), row) << expected[row];
    }
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_FALSE(changes[0].whole);
    auto sorted = [](Names names) {
        std::sort(names.begin(), names.end());
        return names;
    };
    EXPECT_EQ(sorted(changes[0].added),
              (Names{"css/main.css", "empty/a2/x.js", "js/lib/more.js", "new/deep/page.html"}));
    EXPECT_EQ(sorted(changes[0].removed), (Names{"a2/x.js", "b.htm", "css/site.css"}));
    EXPECT_EQ(tree.UnwatchedFolders(), 0u) << "the new folders are watched too";

    // The moved folder is followed at its new place, and only there.
    WriteFileIn(dir.path(), "empty/a2/y.js", "");
    ASSERT_TRUE(tree.CatchUp());
    EXPECT_EQ(changes.back().added, (Names{"empty/a2/y.js"}));
    EXPECT_TRUE(changes.back().removed.empty());

    // A whole subtree deleted; then the folder itself.
    std::filesystem::remove_all(dir.file("js"));
    ASSERT_TRUE(tree.CatchUp());
    EXPECT_EQ(sorted(changes.back().removed),
              (Names{"js/app.js", "js/lib/jquery.js", "js/lib/more.js"}));
    EXPECT_FALSE(tree.RowOf("js/app.js"));
    tree.Unsubscribe(id);
    std::filesystem::remove_all(dir.path());
    tree.CatchUp();
    EXPECT_EQ(tree.Count(), 0u);
    EXPECT_EQ(changes.size(), 3u) << "no notice after Unsubscribe";
}

// What a user who is not the folders' owner sees of a tree with a folder
// nobody may read: its paths, one per line, then the unreadable folders
// (twice taken: after the listing, and after a relist of their parent).
std::string ListAsUser(const std::string& root) {
    SiteTree tree;
    tree.Open(root, true, kTypes);
    std::string seen;
    for (const std::string& path : tree.Paths()) {
        seen += path + "\n";
    }
    auto unreadable = [&] {
        for (const auto& [path, error] : tree.TakeUnreadable()) {
            seen += "unreadable " + path + (error == EACCES ? " EACCES" : " other") + "\n";
        }
    };
    unreadable();
    WriteFileIn(root, "more.html", "");
    tree.CatchUp();
    tree.SetTypes(kTypes);
    unreadable();
    seen += tree.RowOf("more.html") ? "more.html listed\n" : "more.html missing\n";
    return seen;
}

TEST(SiteTree, AnUnreadableFolderIsLeftOutAndNamedOnce) {
    TempDir dir;
    ::chmod(dir.path().c_str(), 0777);
    WriteFileIn(dir.path(), "a.html", "");
    WriteFileIn(dir.path(), "locked/x.html", "");
    WriteFileIn(dir.path(), "sub/locked/y.html", "");
    WriteFileIn(dir.path(), "sub/z.html", "");
    ::chmod(dir.file("locked").c_str(), 0);
    ::chmod(dir.file("sub/locked").c_str(), 0);
    std::string seen;
    if (::geteuid() != 0) {
        seen = ListAsUser(dir.path());
    } else {
        // Permissions do not stop the superuser: the listing runs in a child
        // that has become an ordinary user.
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(out[0]);
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
                ::_exit(3);
            }
            const std::string result = ListAsUser(dir.path());
            const bool written =
                ::write(out[1], result.data(), result.size()) == ssize_t(result.size());
            ::_exit(written ? 0 : 4);
        }
        ::close(out[1]);
        char buffer[4096];
        for (ssize_t got; (got = ::read(out[0], buffer, sizeof buffer)) > 0;) {
            seen.append(buffer, size_t(got));
        }
        ::close(out[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 3) {
            GTEST_SKIP() << "no ordinary user to list as";
        }
        ASSERT_EQ(WEXITSTATUS(status), 0);
    }
    EXPECT_EQ(seen, "a.html\nsub/z.html\n"
                    "unreadable locked EACCES\nunreadable sub/locked EACCES\n"
                    "more.html listed\n");
}

} // namespace
