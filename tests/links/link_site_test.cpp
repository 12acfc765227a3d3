// SPDX-License-Identifier: GPL-3.0-or-later
// A small site: its index, the check of its links, and the edits that keep
// them when a file or a folder moves.
#include "links/link_check.h"
#include "links/link_index.h"
#include "links/link_move.h"
#include "syntax/grammars_or_skip.h"
#include "test_util.h"

#include <gtest/gtest.h>

namespace sheafpad::links {
namespace {

using test::TempDir;
using test::WriteFileIn;

class LinkSite : public testing::Test {
protected:
    void SetUp() override {
        SKIP_WITHOUT_GRAMMARS();
        Write("index.html",
              "<a href=\"en/dso.html#top\">DSO</a> <a href='./css/'>css</a>\n"
              "<img src=\"/img/Logo.png\" srcset=\"img/logo.png 1x, img/big%20logo.png 2x\">\n"
              "<a href=\"http://example.org/en/dso.html\">away</a><a href=\"../x.html\">out</a>\n");
        Write("en/dso.html", "<link href=../css/site.css rel=stylesheet>"
                             "<a href=\"dso.html?q=1#f\">me</a><a href=\"../fr/dso.html\">fr</a>"
                             "<a href=\"/en/\">home</a>");
        Write("en/index.html", "<script src=\"app.js\"></script>");
        Write("en/app.js", "import {x} from \"./lib/x.js\"; // import \"./gone.js\"\n");
        Write("en/lib/x.js", "export const x = new URL('../dso.html', import.meta.url);");
        Write("fr/dso.html", "<a href=\"dso.html\">ici</a><a href=\"../en/dso.html\">en</a>");
        Write("css/index.html", "<p style=\"background: url('../img/big logo.png')\">");
        Write("css/site.css", "@import \"print.css\"; body { background: url(../img/logo.png) }");
        Write("img/logo.png", "png");
        Write("img/big logo.png", "png");
    }
    void Write(const std::string& path, const std::string& bytes) {
        WriteFileIn(dir.path(), path, bytes);
        listed.push_back(path);
    }
    LinkIndex Index() {
        std::optional<LinkIndex> index = BuildIndex(dir.path(), listed, 2);
        EXPECT_TRUE(index);
        return index ? std::move(*index) : LinkIndex();
    }
    std::string Read(const std::string& path) { return test::ReadFile(dir.file(path)); }

    TempDir dir;
    std::vector<std::string> listed;
};

TEST_F(LinkSite, ReportNamesBrokenLinksCaseSlipsAndUnlinkedFiles) {
    const LinkIndex index = Index();
    EXPECT_EQ(index.Files().size(), 8u) << "the pages, style sheets and scripts";
    EXPECT_EQ(CountReferences(index, "en/dso.html").links, 4u) << "one of them its own";
    EXPECT_EQ(ReportLines(CheckLinks(index, listed)),
              (std::vector<std::string>{
                  "Links that name no file:",
                  "index.html:2:11: img/Logo.png (differs only in case from img/logo.png)",
                  "css/site.css:1:10: css/print.css",
                  "Files that no other file links to:", "index.html"}))
        << "../x.html leaves the site and http://... is another's; the comment's import is "
           "none; en/ is en/index.html; big%20logo.png is big logo.png";
}

TEST_F(LinkSite, RenameRewritesExactlyTheLinksToTheFile) {
    const LinkIndex index = Index();
    const MovePlan plan = PlanMove(index, {"en/dso.html", "en/mod_so.html"});
    ASSERT_EQ(plan.edits.size(), 4u);
    auto edited = [&](const std::string& path) {
        for (const search::FileEdit& edit : plan.edits) {
            if (edit.path == dir.file(path)) {
                return edit.newBytes;
            }
        }
        return std::string("(not edited)");
    };
    EXPECT_EQ(edited("index.html").substr(0, 40), "<a href=\"en/mod_so.html#top\">DSO</a> <a ");
    EXPECT_EQ(edited("en/dso.html"),
              "<link href=../css/site.css rel=stylesheet><a href=\"mod_so.html?q=1#f\">me</a>"
              "<a href=\"../fr/dso.html\">fr</a><a href=\"/en/\">home</a>");
    EXPECT_EQ(edited("fr/dso.html"),
              "<a href=\"dso.html\">ici</a><a href=\"../en/mod_so.html\">en</a>");
    EXPECT_EQ(edited("en/lib/x.js"),
              "export const x = new URL('../mod_so.html', import.meta.url);");
    EXPECT_EQ(edited("en/index.html"), "(not edited)");
    for (const search::FileEdit& edit : plan.edits) {
        EXPECT_EQ(edit.oldBytes, test::ReadFile(edit.path)) << "planned, nothing written";
    }
}

TEST_F(LinkSite, MovesTakeTheirOwnLinksAlongAndFoldersKeepTheirForm) {
    const LinkIndex index = Index();
    // A file into a new folder: the links to it, and its own relative links.
    MovePlan plan = PlanMove(index, {"en/dso.html", "en/mods/so/dso.html"});
    auto edited = [&](const std::string& path) {
        for (const search::FileEdit& edit : plan.edits) {
            if (edit.path == dir.file(path)) {
                return edit.newBytes;
            }
        }
        return std::string("(not edited)");
    };
    EXPECT_EQ(edited("en/dso.html"),
              "<link href=../../../css/site.css rel=stylesheet><a href=\"dso.html?q=1#f\">me</a>"
              "<a href=\"../../../fr/dso.html\">fr</a><a href=\"/en/\">home</a>");
    EXPECT_EQ(edited("fr/dso.html"),
              "<a href=\"dso.html\">ici</a><a href=\"../en/mods/so/dso.html\">en</a>");
    // A folder: links into it from elsewhere, a folder's link kept as one,
    // "./" kept, links inside it among themselves left as they are.
    plan = PlanMove(index, {"css", "style/main"});
    EXPECT_EQ(edited("index.html").substr(0, 57),
              "<a href=\"en/dso.html#top\">DSO</a> <a href='./style/main/'");
    EXPECT_EQ(edited("en/dso.html").substr(0, 43), "<link href=../style/main/site.css rel=style");
    EXPECT_EQ(edited("css/site.css"),
              "@import \"print.css\"; body { background: url(../../img/logo.png) }");
    EXPECT_EQ(edited("css/index.html"),
              "<p style=\"background: url('../../img/big%20logo.png')\">");
    // Out of the site: links to it lead out of the root.
    plan = PlanMove(index, {"img/logo.png", "../shared/logo.png"});
    EXPECT_NE(edited("index.html")
                  .find("<img src=\"/img/Logo.png\" srcset=\"../shared/logo.png 1x, "
                        "img/big%20logo.png 2x\">"),
              std::string::npos);
}

// A new name with a space or a quote: written raw it would end an unquoted
// value or a srcset candidate, so it is encoded there.
TEST_F(LinkSite, NewNamesAreWrittenAsTheirLinksNeed) {
    const LinkIndex index = Index();
    auto edited = [&](const MovePlan& plan, const std::string& path) {
        for (const search::FileEdit& edit : plan.edits) {
            if (edit.path == dir.file(path)) {
                return edit.newBytes;
            }
        }
        return std::string("(not edited)");
    };
    const MovePlan sheet = PlanMove(index, {"css/site.css", "css/my site's.css"});
    EXPECT_EQ(edited(sheet, "en/dso.html").substr(0, 48),
              "<link href=../css/my%20site%27s.css rel=styleshe");
    const MovePlan logo = PlanMove(index, {"img/logo.png", "img/new logo.png"});
    EXPECT_NE(
        edited(logo, "index.html").find("srcset=\"img/new%20logo.png 1x, img/big%20logo.png 2x\""),
        std::string::npos)
        << edited(logo, "index.html");
    EXPECT_EQ(edited(logo, "css/site.css"),
              "@import \"print.css\"; body { background: url(../img/new%20logo.png) }");
}

} // namespace
} // namespace sheafpad::links
