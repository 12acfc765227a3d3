// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/file_list.h"
#include "files/name_order.h"
#include "files/site_tree.h"

#include "test_util.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace sheafpad;
using sheafpad::test::TempDir;
using sheafpad::test::WriteFile;

namespace {
const std::vector<std::string> kDefaultTypes = {".htm", ".html", ".js"};

std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}
} // namespace

TEST(FileTypes, ContainmentNotSuffix) {
    FileTypes types(kDefaultTypes);
    EXPECT_TRUE(types.Matches("index.html"));
    EXPECT_TRUE(types.Matches("page.htm.bak"));
    EXPECT_TRUE(types.Matches("notes.jsx"));
    EXPECT_TRUE(types.Matches("old.html"));
    EXPECT_FALSE(types.Matches("style.css"));
    EXPECT_FALSE(types.Matches("htm")); // the dot is part of the pattern
}

TEST(FileTypes, CaseFoldsAsciiOnly) {
    EXPECT_TRUE(FileTypes({".htm"}).Matches("INDEX.HTM"));
    EXPECT_TRUE(FileTypes({".HTM"}).Matches("index.htm"));
    // Letters outside ASCII are compared as bytes: É (C3 89) is not é (C3 A9).
    EXPECT_TRUE(FileTypes({"\xC3\xA9"}).Matches("\xC3\x89t\xC3\xA9.txt"));
    EXPECT_FALSE(FileTypes({"\xC3\xA9"}).Matches("\xC3\x89t.txt"));
}

TEST(FileTypes, BlankLinesIgnoredOtherLinesKeptWhole) {
    EXPECT_FALSE(FileTypes({}).Matches("a.js"));
    EXPECT_FALSE(FileTypes({"", "  ", "\r"}).Matches("a.js"));
    // A leading space is part of the pattern.
    FileTypes spaced({" .js"});
    EXPECT_TRUE(spaced.Matches("my .js"));
    EXPECT_FALSE(spaced.Matches("my.js"));
    // A tab line is not blank: it matches only names holding a tab.
    FileTypes tab({"\t"});
    EXPECT_FALSE(tab.Matches("a.js"));
    EXPECT_TRUE(tab.Matches("a\tb"));
}

TEST(FileTypes, LongNamesMatch) {
    std::string name(2000, 'a');
    name += ".js";
    EXPECT_TRUE(FileTypes({".JS"}).Matches(name));
}

TEST(SplitLines, BreaksAtCrLfAndCrLf) {
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\n\nb\n"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(SplitLines("").empty());
}

TEST(JoinPath, KeepsTrailingSeparator) {
    EXPECT_EQ(JoinPath("/web", "a.htm"), "/web/a.htm");
    EXPECT_EQ(JoinPath("/web/", "a.htm"), "/web//a.htm");
    EXPECT_EQ(JoinPath("", "a.htm"), "/a.htm");
}

class ListMatchingFilesTest : public testing::Test {
protected:
    TempDir dir;
    void SetUp() override {
        for (const char* name : {"index.html", "page.htm.bak", "notes.jsx", "style.css",
                                 ".hidden.js", "with space .js", "raw\xFF\xFE.htm"}) {
            WriteFile(dir.file(name), "x");
        }
        ::mkdir(dir.file("old.html").c_str(), 0755);
        ::mkdir(dir.file("images").c_str(), 0755);
    }
};

TEST_F(ListMatchingFilesTest, ListsFilesHiddenEntriesAndSubdirectories) {
    auto names = ListMatchingFiles(dir.path(), FileTypes(kDefaultTypes));
    EXPECT_EQ(Sorted(names), Sorted({"index.html", "page.htm.bak", "notes.jsx", ".hidden.js",
                                     "with space .js", "raw\xFF\xFE.htm", "old.html"}));
}

TEST_F(ListMatchingFilesTest, TrailingSeparatorListsTheSame) {
    FileTypes types(kDefaultTypes);
    EXPECT_EQ(ListMatchingFiles(dir.path(), types), ListMatchingFiles(dir.path() + "/", types));
}

TEST_F(ListMatchingFilesTest, TypingAPatternNarrowsStepByStep) {
    WriteFile(dir.file("a.txt"), "");
    WriteFile(dir.file("b.tex"), "");
    EXPECT_EQ(ListMatchingFiles(dir.path(), FileTypes({"."})).size(), 10u);
    EXPECT_EQ(Sorted(ListMatchingFiles(dir.path(), FileTypes({".t"}))), Sorted({"a.txt", "b.tex"}));
    EXPECT_EQ(ListMatchingFiles(dir.path(), FileTypes({".tx"})), std::vector<std::string>{"a.txt"});
}

TEST_F(ListMatchingFilesTest, MissingOrUnreadableDirectoryGivesEmptyList) {
    FileTypes types(kDefaultTypes);
    EXPECT_TRUE(ListMatchingFiles(dir.file("missing"), types).empty());
    EXPECT_TRUE(ListMatchingFiles(dir.file("index.html"), types).empty()); // a file, not a dir
    EXPECT_TRUE(ListMatchingFiles(dir.path(), FileTypes({})).empty());
}

TEST(ListMatchingFiles, EmptyDirectoryTextListsTheRoot) {
    auto names = ListMatchingFiles("", FileTypes({"tmp"}));
    EXPECT_NE(std::find(names.begin(), names.end(), "tmp"), names.end());
}

TEST(NameOrder, ListedAsAFileManagerShowsThemCaseNumbersThenBytes) {
    const std::vector<std::string> order = {
        "A.htm",
        "a.htm", // ties by bytes
        "a0.htm",
        "a01.htm",
        "a1.htm",
        "a2.htm",
        "a10.htm",
        "B.htm",
        "b.htm",
        "page2.htm",
        "Page3.htm",
        "page10.htm",
        "x99999999999999999999.htm", // no number is too long
        "x100000000000000000000.htm",
        "Zeta.htm",
        "\xC3\xA9"
        "clair.htm",
        "\xC3\x89lan.htm", // \u00e9clair, \u00c9lan
        "\xD0\xB4\xD0\xB0.htm",
        "\xD0\x94\xD0\xBE.htm", // Cyrillic \u0434\u0430, \u0414\u043e
        "\xFF.htm"};            // not UTF-8: by its bytes
    for (size_t i = 0; i + 1 < order.size(); ++i) {
        EXPECT_TRUE(NameBefore(order[i], order[i + 1])) << order[i] << " " << order[i + 1];
        EXPECT_FALSE(NameBefore(order[i + 1], order[i])) << order[i] << " " << order[i + 1];
        EXPECT_FALSE(NameBefore(order[i], order[i])) << order[i];
    }
    // The list of a directory comes in this order, whatever the file system's.
    TempDir dir;
    for (const std::string& name : order) {
        WriteFile(dir.file(name), "");
    }
    EXPECT_EQ(ListMatchingFiles(dir.path(), FileTypes({"."})), order);
}

// A folder that no watch follows is read again at every change of the
// patterns, and whenever asked.
TEST(SiteTree, UnwatchedFolderRelistsFollowEveryChangeOfTheEntries) {
    TempDir dir;
    for (const char* name : {"b.htm", "a10.htm", "a9.js", "c.txt"}) {
        WriteFile(dir.file(name), "");
    }
    SiteTree tree(false);
    const FileTypes types(kDefaultTypes);
    using Names = std::vector<std::string>;
    tree.Open(dir.path(), false, types);
    EXPECT_EQ(tree.Paths(), (Names{"a9.js", "a10.htm", "b.htm"}));
    EXPECT_EQ(tree.UnwatchedFolders(), 1u);
    tree.SetTypes(FileTypes({".t"}));
    EXPECT_EQ(tree.Paths(), (Names{"c.txt"}));
    WriteFile(dir.file("A.htm"), "");
    tree.SetTypes(types);
    EXPECT_EQ(tree.Paths(), (Names{"A.htm", "a9.js", "a10.htm", "b.htm"}));
    std::remove(dir.file("b.htm").c_str());
    EXPECT_TRUE(tree.RereadUnwatched());
    EXPECT_EQ(tree.Paths(), (Names{"A.htm", "a9.js", "a10.htm"}));
    EXPECT_FALSE(tree.RereadUnwatched()) << "nothing changed";
    std::rename(dir.file("a9.js").c_str(), dir.file("z.js").c_str());
    tree.SetTypes(types);
    EXPECT_EQ(tree.Paths(), (Names{"A.htm", "a10.htm", "z.js"}));
    tree.Open(dir.file("missing"), false, types);
    EXPECT_EQ(tree.Count(), 0u);
    tree.Open(dir.path() + "/", false, types);
    EXPECT_EQ(tree.Paths(), (Names{"A.htm", "a10.htm", "z.js"}));
    EXPECT_EQ(tree.FullPath(tree.PathAt(2)), dir.path() + "//z.js");
}
