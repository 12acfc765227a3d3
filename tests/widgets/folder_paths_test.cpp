// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/folder_paths.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace sheafpad {
namespace {

int Length(const std::string& text) {
    return int(text.size());
}

TEST(ShortenPath, CutsLeadingFoldersStepByStep) {
    const std::string path = "/website/site/pages"; // 19 wide
    EXPECT_EQ(ShortenPath(path, 19, Length), "/website/site/pages");
    EXPECT_EQ(ShortenPath(path, 18, Length), "/.../site/pages");
    EXPECT_EQ(ShortenPath(path, 15, Length), "/.../site/pages");
    EXPECT_EQ(ShortenPath(path, 14, Length), "/.../pages");
    EXPECT_EQ(ShortenPath(path, 9, Length), ".../pages");
    EXPECT_EQ(ShortenPath(path, 8, Length), "pages");
    // The last component stays even when it does not fit.
    EXPECT_EQ(ShortenPath(path, 1, Length), "pages");
}

TEST(ShortenPath, ShortPathsAndTheRoot) {
    EXPECT_EQ(ShortenPath("/web", 2, Length), "web");
    EXPECT_EQ(ShortenPath("/", 0, Length), "");
    EXPECT_EQ(ShortenPath("/a/b", 4, Length), "/a/b");
    EXPECT_EQ(ShortenPath("/a/b", 3, Length), "b");
    EXPECT_EQ(ShortenPath("/a/b", 1, Length), "b");
}

TEST(FolderPaths, NormalisesAbsolutePaths) {
    EXPECT_EQ(NormalizePath("/"), "/");
    EXPECT_EQ(NormalizePath("/web/"), "/web");
    EXPECT_EQ(NormalizePath("/web//site/./pages/../img"), "/web/site/img");
    EXPECT_EQ(NormalizePath("/../.."), "/");
    EXPECT_EQ(AbsolutePath("site/", "/web"), "/web/site");
    EXPECT_EQ(AbsolutePath("..", "/web"), "/");
    EXPECT_EQ(AbsolutePath("/abs/", "/web"), "/abs");
}

TEST(FolderPaths, NetworkPathsBeginWithExactlyTwoSlashes) {
    EXPECT_TRUE(IsNetworkPath("//server/share"));
    EXPECT_FALSE(IsNetworkPath("///server"));
    EXPECT_FALSE(IsNetworkPath("/server"));
    EXPECT_FALSE(IsNetworkPath("//"));
}

TEST(FolderPaths, JoinsAndSplitsBelowADriveRoot) {
    EXPECT_EQ(JoinFolder("/", "web"), "/web");
    EXPECT_EQ(JoinFolder("/web", "a&b"), "/web/a&b");
    EXPECT_EQ(FoldersBelow("/", "/"), std::vector<std::string>{});
    EXPECT_EQ(FoldersBelow("/", "/web/site"), (std::vector<std::string>{"web", "site"}));
    EXPECT_EQ(FoldersBelow("/home", "/home/ann"), std::vector<std::string>{"ann"});
}

TEST(FolderPaths, SortsWithoutRegardToCaseAndHidesDotNames) {
    std::vector<std::string> names = {"cherry", "Banana", "apple", "Apple", "_x", "Zed"};
    std::sort(names.begin(), names.end(), NameLess);
    EXPECT_EQ(names, (std::vector<std::string>{"_x", "Apple", "apple", "Banana", "cherry", "Zed"}));
    EXPECT_TRUE(IsHiddenName(".git"));
    EXPECT_FALSE(IsHiddenName("git."));
}

} // namespace
} // namespace sheafpad
