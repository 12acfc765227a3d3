// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/unused_files.h"

#include "base/errors.h"
#include "test_util.h"

#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace sheafpad;
using sheafpad::test::TempDir;
using sheafpad::test::WriteFile;

namespace {
using Names = std::vector<std::string>;

// Which names the finder marks after searching the files' bytes.
std::vector<bool> Found(const Names& names, const std::vector<std::string>& files,
                        size_t denseEntries = UsedNameFinder::kDefaultDenseEntries) {
    UsedNameFinder finder(names, denseEntries);
    for (const std::string& bytes : files) {
        finder.SearchFile(bytes);
    }
    std::vector<bool> found;
    for (size_t j = 0; j < names.size(); ++j) {
        found.push_back(finder.IsUsed(j));
    }
    return found;
}

// The same question answered the slow, obvious way.
std::vector<bool> FoundByFind(const Names& names, const std::vector<std::string>& files) {
    std::vector<bool> found(names.size(), false);
    for (const std::string& bytes : files) {
        const std::string text = CheckedText(bytes);
        for (size_t j = 0; j < names.size(); ++j) {
            if (!names[j].empty() && text.find(names[j]) != std::string::npos) {
                found[j] = true;
            }
        }
    }
    return found;
}

// A directory with the given files; returns the names in the given order.
Names MakeSite(const TempDir& dir, const std::vector<std::pair<std::string, std::string>>& files) {
    Names names;
    for (const auto& [name, bytes] : files) {
        WriteFile(dir.file(name), bytes);
        names.push_back(name);
    }
    return names;
}
} // namespace

TEST(CheckedText, LinesJoinedWithCrLfAfterEach) {
    EXPECT_EQ(CheckedText(""), "");
    EXPECT_EQ(CheckedText("a"), "a\r\n");
    EXPECT_EQ(CheckedText("a\r\n"), "a\r\n");
    EXPECT_EQ(CheckedText("a\nb"), "a\r\nb\r\n");
    EXPECT_EQ(CheckedText("a\rb\r"), "a\r\nb\r\n");
    EXPECT_EQ(CheckedText("a\n\rb"), "a\r\n\r\nb\r\n"); // LF CR: two breaks
    EXPECT_EQ(CheckedText("a\r\r\nb"), "a\r\n\r\nb\r\n");
    EXPECT_EQ(CheckedText("\r\n\r\n"), "\r\n\r\n");
    EXPECT_EQ(CheckedText(std::string_view("ab\0cd\r\n", 7)), "ab\r\n");
    EXPECT_EQ(CheckedText(std::string_view("\0abc", 4)), "");
}

TEST(UsedNameFinder, SubstringAnywhereCaseSensitive) {
    const Names names = {"a.htm", "data.htm", "Logo.gif", "logo.gif", "b.js", "page.htm"};
    const auto found = Found(
        names, {"<img src=\"img/logo.gif\"><a href=\"data.htm\">x</a>", "var s = 'mypage.html';"});
    // a.htm lies inside data.htm; page.htm inside mypage.html; Logo.gif is another case.
    EXPECT_EQ(found, (std::vector<bool>{true, true, false, true, false, true}));
}

TEST(UsedNameFinder, LineBreaksAreSearchedAsCrLf) {
    // Names holding line-break bytes show exactly what the CR LF join gives.
    const Names names = {"a\r\nb", "c\r\nd", "e\r\n", "f\r\n\r\ng", "h\ri", "j\nk", "l\r\nx"};
    const auto found =
        Found(names, {"a\nb", "c\rd", "e", "f\n\rg", "h\ri", "j\nk", std::string("l\0x", 3)});
    // A reference split by a line break is not found as the plain name.
    EXPECT_EQ(found, (std::vector<bool>{true, true, true, true, false, false, false}));
    const auto split = Found({"page.htm", "page\r\n.htm"}, {"<a href=\"page\n.htm\">"});
    EXPECT_EQ(split, (std::vector<bool>{false, true}));
}

TEST(UsedNameFinder, NulEndsTheText) {
    const std::string bytes("see a.htm\0 and b.htm\r\nc.htm", 27);
    EXPECT_EQ(Found({"a.htm", "b.htm", "c.htm", "a.htm\r\n"}, {bytes}),
              (std::vector<bool>{true, false, false, true}));
}

TEST(UsedNameFinder, PiecesAcrossReadsGiveTheSameResult) {
    // A CR LF split over two pieces is one break, and names span the pieces.
    UsedNameFinder finder({"x\r\ny", "x\r\n\r\ny", "long-name.htm"});
    finder.BeginFile();
    finder.Feed("x\r");
    finder.Feed("\ny long-na");
    finder.Feed("me.htm");
    finder.EndFile();
    EXPECT_TRUE(finder.IsUsed(0));
    EXPECT_FALSE(finder.IsUsed(1));
    EXPECT_TRUE(finder.IsUsed(2));
}

TEST(UsedNameFinder, StateDoesNotCarryFromOneFileToTheNext) {
    // "a.h" ending one file and "tm" starting the next is no occurrence.
    EXPECT_EQ(Found({"a.htm"}, {"a.h", "tm"}), (std::vector<bool>{false}));
    // A file's last line is searched with its CR LF even without a final break.
    EXPECT_EQ(Found({"end\r\n"}, {"the end"}), (std::vector<bool>{true}));
}

TEST(UsedNameFinder, DuplicateEmptyAndPrefixNames) {
    const Names names = {"a", "ab", "abc", "", "ab", "bc", "c"};
    EXPECT_EQ(Found(names, {"xabcx"}),
              (std::vector<bool>{true, true, true, false, true, true, true}));
}

TEST(UsedNameFinder, MatchesTheObviousSearchOnRandomInput) {
    // Small alphabet with line breaks and NUL: many overlaps, partial
    // matches and breaks of every form; some names, bound to the sparse
    // states by a tiny row budget.
    std::mt19937 random(12345);
    const std::string alphabet("ab.\r\n\0", 6);
    auto randomText = [&](size_t maxLength, size_t letters) {
        std::string s(random() % (maxLength + 1), 'a');
        for (char& ch : s) {
            ch = alphabet[random() % letters];
        }
        return s;
    };
    for (int round = 0; round < 400; ++round) {
        Names names;
        for (int j = 0; j < 1 + int(random() % 30); ++j) {
            names.push_back(randomText(6, 5)); // no NUL in names
        }
        std::vector<std::string> files;
        for (int f = 0; f < 3; ++f) {
            files.push_back(randomText(60, 6));
        }
        const auto expected = FoundByFind(names, files);
        ASSERT_EQ(Found(names, files), expected) << "round " << round;
        ASSERT_EQ(Found(names, files, 8), expected) << "sparse, round " << round;
        ASSERT_EQ(Found(names, files, 1), expected) << "root only, round " << round;
    }
}

TEST(FindUnusedFiles, ReportsUnreferencedNamesInListOrder) {
    TempDir dir;
    // a.htm links to b.htm; c.htm names itself; D.htm is only named in lower case.
    const Names names = MakeSite(dir, {{"c.htm", "this is c.htm"},
                                       {"a.htm", "<a href=\"b.htm\">b</a> d.htm"},
                                       {"b.htm", "nothing"},
                                       {"D.htm", ""}});
    EXPECT_EQ(FindUnusedFiles(dir.path(), names), (Names{"a.htm", "D.htm"}));
    EXPECT_EQ(FindUnusedFiles(dir.path() + "/", names), (Names{"a.htm", "D.htm"}));
}

TEST(FindUnusedFiles, EmptyListAndAllUsed) {
    TempDir dir;
    EXPECT_TRUE(FindUnusedFiles(dir.path(), {}).empty());
    const Names names = MakeSite(dir, {{"a.htm", "b.htm"}, {"b.htm", "a.htm"}});
    EXPECT_TRUE(FindUnusedFiles(dir.path(), names).empty());
}

TEST(FindUnusedFiles, HiddenByNulAndSplitByLineBreaks) {
    TempDir dir;
    const Names names = MakeSite(dir, {{"index.htm", std::string("a.htm\r\0b.htm", 12)},
                                       {"a.htm", "c.\nhtm index.htm"},
                                       {"b.htm", "x"},
                                       {"c.htm", "lf\nonly\nd.js\n"},
                                       {"d.js", "cr\ronly\re.js\r"},
                                       {"e.js", "index.htm"}});
    EXPECT_EQ(FindUnusedFiles(dir.path(), names), (Names{"b.htm", "c.htm"}));
}

TEST(FindUnusedFiles, ManyNames) {
    // Far more than a table of 1000; the last names are the unused ones.
    TempDir dir;
    const int count = 2500;
    Names names;
    for (int i = 0; i < count; ++i) {
        names.push_back("p" + std::to_string(i) + ".htm");
    }
    for (int i = 0; i < count; ++i) {
        const int target = i + 1;
        WriteFile(dir.file(names[i]),
                  target < count - 3 ? "<a href=\"" + names[target] + "\">next</a>\r\n" : "end");
    }
    // p0 names nobody else links to; p2497..p2499 are never linked.
    EXPECT_EQ(FindUnusedFiles(dir.path(), names),
              (Names{"p0.htm", "p2497.htm", "p2498.htm", "p2499.htm"}));
}

TEST(FindUnusedFiles, EntryThatCannotBeReadStopsTheCheck) {
    TempDir dir;
    const Names names = MakeSite(dir, {{"a.htm", "b.htm"}, {"b.htm", "a.htm"}});
    ::mkdir(dir.file("old.htm").c_str(), 0755);
    const Names withDir = {"a.htm", "old.htm", "b.htm"};
    try {
        FindUnusedFiles(dir.path(), withDir);
        FAIL() << "a listed directory was searched";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file \"" + dir.file("old.htm") + "\". Is a directory");
    }
    // Every name used before the bad entry is reached changes nothing.
    EXPECT_THROW(FindUnusedFiles(dir.path(), {"a.htm", "b.htm", "old.htm"}), EFOpenError);
    // A vanished file.
    try {
        FindUnusedFiles(dir.path(), {"a.htm", "gone.htm"});
        FAIL() << "a missing file was accepted";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file \"" + dir.file("gone.htm") + "\". No such file or directory");
    }
}

TEST(FindUnusedFiles, UnreadableFile) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root reads every file";
    }
    TempDir dir;
    const Names names = MakeSite(dir, {{"a.htm", "a.htm"}, {"locked.htm", "a.htm"}});
    ::chmod(dir.file("locked.htm").c_str(), 0);
    EXPECT_THROW(FindUnusedFiles(dir.path(), names), EFOpenError);
}
