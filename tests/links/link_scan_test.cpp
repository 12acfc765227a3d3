// SPDX-License-Identifier: GPL-3.0-or-later
// Reading links from the syntax trees, and what their values say.
#include "links/link_scan.h"
#include "links/link_target.h"
#include "syntax/grammars_or_skip.h"

#include <gtest/gtest.h>

namespace sheafpad::links {
namespace {

// "line:column value" for each link.
std::vector<std::string> Described(const std::vector<RawLink>& links, std::string_view bytes) {
    std::vector<std::string> out;
    for (const RawLink& link : links) {
        EXPECT_EQ(bytes.substr(link.start, link.end - link.start), link.value)
            << "the place holds the value";
        out.push_back(std::to_string(link.line) + ":" + std::to_string(link.column) + " " +
                      link.value);
    }
    return out;
}

// A page with every kind of link, and texts that only look like links.
TEST(LinkScan, ReadsEveryKindOfLinkAndNothingElse) {
    SKIP_WITHOUT_GRAMMARS();
    const std::string page =
        "<!DOCTYPE html><html><head>\n"
        "<link rel=stylesheet href=\"css/site.css?v=2\">\n"
        "<meta http-equiv=\"Refresh\" content=\"5; URL='next.html'\">\n"
        "<style>@import \"print.css\"; body { background: url(img/bg.png) }\n"
        "/* url(comment.png) */ p::before { content: \"url(string.png)\" }</style>\n"
        "<script type=module>import a from './a.js'; export * from \"./b.js\";\n"
        "import('./c.js'); new Worker(\"w.js\"); new URL('u.png', import.meta.url);\n"
        "new URL('not.png'); // import('comment.js')\n"
        "const s = \"import('string.js')\";</script></head>\n"
        "<body><!-- <a href=\"commented.html\"> -->\n"
        "<p title=\"href=title.html\">href=\"text.html\"</p>\n"
        "<a HREF=sub/p%20q.html#part>x</a><img src='\xc3\xa9t\xc3\xa9.png' "
        "srcset=\"s1.png 1x,\n  s2.png 2x\" alt=\"\">\n"
        "<video poster=v.jpg></video><object data=o.svg></object><form action=f.cgi>"
        "<button formaction=g.cgi></button></form><q cite=c.html>q</q>\n"
        "<div style=\"color: red; background: url('st.png')\"></div><base href=\"/\">\n"
        "</body></html>\n";
    LinkScanner scanner;
    const std::vector<RawLink> links =
        scanner.ScanBytes(syntax::Language::Html, page, TextEncoding::Utf8);
    EXPECT_EQ(Described(links, page),
              (std::vector<std::string>{
                  "2:28 css/site.css?v=2", "3:45 next.html", "4:17 print.css", "4:52 img/bg.png",
                  "6:36 ./a.js", "6:60 ./b.js", "7:9 ./c.js", "7:31 w.js", "7:48 u.png",
                  "12:9 sub/p%20q.html#part", "12:44 \xc3\xa9t\xc3\xa9.png", "12:61 s1.png",
                  "13:3 s2.png", "14:15 v.jpg", "14:42 o.svg", "14:70 f.cgi", "14:95 g.cgi",
                  "14:125 c.html", "15:42 st.png"}));

    const std::string sheet = "@import url(\"a.css\");\n.x { src: url(\"f\\6f nt.woff\") }";
    EXPECT_EQ(Described(scanner.ScanBytes(syntax::Language::Css, sheet, TextEncoding::Utf8), sheet),
              (std::vector<std::string>{"1:14 a.css", "2:16 f\\6f nt.woff"}));
    EXPECT_EQ(SplitValue("f\\6f nt.woff", LinkKind::Css).path, "font.woff");
}

// Styles and scripts are parsed only where they may name a file: the
// words that every such link is written with, in any case where CSS has none.
TEST(LinkScan, StylesAndScriptsThatMayNameFilesAreRead) {
    SKIP_WITHOUT_GRAMMARS();
    const std::string page = "<style>P { background: URL(up.png) }</style><script>var x;</script>\n"
                             "<script>export * from \"./e.js\"; new SharedWorker('s.js')</script>"
                             "<style>@IMPORT 'i.css';</style>";
    LinkScanner scanner;
    EXPECT_EQ(Described(scanner.ScanBytes(syntax::Language::Html, page, TextEncoding::Utf8), page),
              (std::vector<std::string>{"1:28 up.png", "2:24 ./e.js", "2:51 s.js"}));
    EXPECT_TRUE(MayHoldLinks(syntax::Language::Css, "@IMPORT 'i.css';"));
    EXPECT_FALSE(MayHoldLinks(syntax::Language::Css, "p { color: red } /* imports, urls */"));
    EXPECT_FALSE(MayHoldLinks(syntax::Language::JavaScript, "location.href = 'a.html';"));
    EXPECT_TRUE(MayHoldLinks(syntax::Language::JavaScript, "export * from './b.js'"));
}

TEST(LinkScan, ValuesAreDecodedAndResolvedFromTheirFile) {
    const ValueParts parts = SplitValue(" ../a%20b.html?x=1&amp;y#f%C3%A9 ", LinkKind::Html);
    EXPECT_EQ(parts.path, "../a b.html");
    EXPECT_EQ(parts.fragment, "f\xc3\xa9");
    EXPECT_TRUE(parts.hasQuery && parts.hasFragment);
    EXPECT_EQ(parts.pathStart, 1u);
    EXPECT_EQ(parts.pathEnd, 14u);
    EXPECT_EQ(SplitValue("a&amp;b.html", LinkKind::Html).path, "a&b.html");
    EXPECT_EQ(SplitValue("a\\u0062.js", LinkKind::Script).path, "ab.js");

    auto resolve = [](std::string_view from, std::string_view path) {
        const Target t = Resolve(from, path);
        return std::to_string(int(t.kind)) + (t.folder ? "d " : " ") + t.path;
    };
    EXPECT_EQ(resolve("en/a.html", "b.html"), "3 en/b.html");
    EXPECT_EQ(resolve("en/a.html", "../fr/./b.html"), "3 fr/b.html");
    EXPECT_EQ(resolve("en/a.html", "/css/s.css"), "3 css/s.css");
    EXPECT_EQ(resolve("en/a.html", "sub/"), "3d en/sub");
    EXPECT_EQ(resolve("en/a.html", ".."), "3d ");
    EXPECT_EQ(resolve("en/a.html", "../../x.html"), "2 ");
    EXPECT_EQ(resolve("a.html", "/../x.html"), "2 ");
    EXPECT_EQ(resolve("a.html", "http://h/dso.html"), "1 ");
    EXPECT_EQ(resolve("a.html", "//h/dso.html"), "1 ");
    EXPECT_EQ(resolve("a.html", "mailto:x@y"), "1 ");
    EXPECT_EQ(resolve("a.html", ""), "0 ");
    EXPECT_EQ(resolve("a.html", "c:d.html"), "1 ") << "a scheme, as a browser takes it";

    EXPECT_EQ(RelativePath("en", "fr/b.html", "/srv/site"), "../fr/b.html");
    EXPECT_EQ(RelativePath("", "../shared/x.css", "/srv/site"), "../shared/x.css");
    EXPECT_EQ(RelativePath("../shared", "css/a.css", "/srv/site"), "../site/css/a.css");
    EXPECT_EQ(RelativePath("a/b", "a/b", "/srv/site"), "");
    EXPECT_EQ(MovedPath("img/x/y.png", {"img", "media"}), "media/x/y.png");
    EXPECT_FALSE(MovedPath("imgs/y.png", {"img", "media"}));
    EXPECT_EQ(EncodePath("a b&c%.html", LinkKind::Html, false), "a%20b&amp;c%25.html");
    EXPECT_EQ(EncodePath("(\xc3\xa9).css", LinkKind::Css, true), "%28%C3%A9%29.css");
}

} // namespace
} // namespace sheafpad::links
