// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/comment_toggle.h"
#include "text/text_pairs.h"

#include <gtest/gtest.h>

namespace sheafpad {
namespace {

std::u16string Apply(std::u16string text, const std::vector<TextEdit>& edits) {
    for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit) {
        text.replace(edit->pos, edit->removed, edit->text);
    }
    return text;
}

TEST(TextPairsTest, BracketsPairAcrossNestingAndSkipStringsUnlessStartedInOne) {
    const TextBuffer text(u"f(a[1], \")\", {b}) x(");
    const SkipFn none;
    // After the caret first, then before it; forwards and backwards.
    EXPECT_EQ(MatchBracket(text, 1, none)->second, (TextRange{9, 10})); // the ")" in the string
    // The string's characters (8..11) are skipped: the real partner is found.
    const SkipFn strings = [](size_t pos) { return pos >= 8 && pos <= 10; };
    EXPECT_EQ(MatchBracket(text, 1, strings)->second, (TextRange{16, 17}));
    EXPECT_EQ(MatchBracket(text, 17, strings)->second, (TextRange{1, 2})); // before the caret
    EXPECT_EQ(MatchBracket(text, 3, strings)->second, (TextRange{5, 6}));
    EXPECT_EQ(MatchBracket(text, 13, strings)->second, (TextRange{15, 16}));
    // A bracket inside the string pairs only with what is in it: nothing.
    EXPECT_TRUE(MatchBracket(text, 9, strings)->second.Empty());
    EXPECT_FALSE(MatchBracket(text, 18, strings));                // no bracket beside " x"
    EXPECT_TRUE(MatchBracket(text, 20, strings)->second.Empty()); // unclosed at the end
}

TEST(TextPairsTest, TagsPairByNameSkippingVoidSelfClosingAndCommentedOnes) {
    const std::u16string page =
        u"<div class=\"a>b\"><div/><br><!-- </div> --><p><div>x</div></p></DIV>";
    const TextBuffer text(page);
    const size_t comment = page.find(u"<!--"), commentEnd = page.find(u"-->") + 3;
    const SkipFn skip = [&](size_t pos) { return pos >= comment && pos < commentEnd; };
    const size_t outerEnd = page.rfind(u"</DIV>");
    // In the start tag's name, and just before its ">" (past a quoted ">").
    for (const size_t caret : {size_t(2), page.find(u"<div/>") - 1}) {
        const auto pair = MatchTag(text, caret, skip);
        ASSERT_TRUE(pair) << caret;
        EXPECT_EQ(pair->first, (TextRange{0, 4}));
        EXPECT_EQ(pair->second, (TextRange{outerEnd, outerEnd + 5})) << caret;
    }
    // From the end tag back, letter case aside.
    const auto back = MatchTag(text, outerEnd + 3, skip);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->second, (TextRange{0, 4}));
    // The inner pair; void and self-closing elements have no partner.
    const size_t inner = page.find(u"<div>");
    EXPECT_EQ(MatchTag(text, inner + 1, skip)->second.start, page.find(u"</div></p>"));
    EXPECT_TRUE(MatchTag(text, page.find(u"<br>") + 1, skip)->second.Empty());
    EXPECT_TRUE(MatchTag(text, page.find(u"<div/>") + 1, skip)->second.Empty());
    // Just after a start tag, and just before an end tag.
    EXPECT_EQ(MatchTag(text, page.find(u"x</div>"), skip)->second.start, page.find(u"</div></p>"));
    EXPECT_EQ(MatchTag(text, page.find(u"</div></p>"), skip)->second.start, inner);
    EXPECT_FALSE(MatchTag(text, comment + 8, skip)); // in a comment
}

TEST(TextPairsTest, CommentTogglingRoundTripsInEachForm) {
    struct Case {
        CommentForm form;
        std::u16string text, commented;
        size_t first, last;
    };
    const Case cases[] = {
        // Lines: at the least indent, blank lines left alone.
        {{u"//", {}}, u"  a();\n\n    b();\nc", u"  // a();\n\n  //   b();\nc", 0, 2},
        // A block opens at the first text and closes after the last.
        {{u"/*", u"*/"}, u"p {\n  color: red;\n}", u"p {\n  /* color: red; */\n}", 1, 1},
        {{u"<!--", u"-->"},
         u"  <p>a</p>\n  <p>b</p>\n",
         u"  <!-- <p>a</p>\n  <p>b</p> -->\n",
         0,
         1},
    };
    for (const Case& c : cases) {
        TextBuffer text(c.text);
        const std::u16string commented =
            Apply(c.text, ToggleComment(text, c.first, c.last, c.form));
        EXPECT_EQ(commented, c.commented);
        text.Load(commented);
        EXPECT_EQ(Apply(commented, ToggleComment(text, c.first, c.last, c.form)), c.text);
    }
    // Lines of which only some are commented are commented all; blank ones give nothing to do.
    TextBuffer mixed(u"// a\nb");
    EXPECT_EQ(Apply(u"// a\nb", ToggleComment(mixed, 0, 1, {u"//", {}})), u"// // a\n// b");
    TextBuffer blank(u"  \n");
    EXPECT_TRUE(ToggleComment(blank, 0, 1, {u"/*", u"*/"}).empty());
    // Two comments side by side are not one to take out.
    TextBuffer two(u"/* a */ b /* c */");
    EXPECT_EQ(Apply(two.Text(0, two.Length()), ToggleComment(two, 0, 0, {u"/*", u"*/"})),
              u"/* /* a */ b /* c */ */");
}

} // namespace
} // namespace sheafpad
