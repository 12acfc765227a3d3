// SPDX-License-Identifier: GPL-3.0-or-later
// Syntax colours in a shown pane, of a one-line script of megabytes: what is
// shown is coloured, wherever the view goes, to the last row.
#include "syntax/grammars_or_skip.h"
#include "syntax/syntax_parser.h"
#include "widgets/rich_edit.h"
#include "widgets/syntax_colouring.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTest>

namespace sheafpad {
namespace {

using syntax::Kind;

class LongLineColours : public testing::Test {
protected:
    LongLineColours() {
        pane.resize(480, 320);
        pane.show();
        pane.SetReadOnly(false);
    }

    // Paints the pane (which tells the colours what it shows) and waits
    // until they are final for it.
    [[nodiscard]] testing::AssertionResult AwaitColours() {
        pane.viewport()->repaint();
        QElapsedTimer waited;
        waited.start();
        while (!colours.Complete()) {
            if (waited.elapsed() > 60000) {
                return testing::AssertionFailure() << "no colours for what is shown";
            }
            QTest::qWait(10);
        }
        pane.viewport()->repaint();
        return testing::AssertionSuccess();
    }
    // The coloured stretches of [pos, pos + length) shown.
    std::vector<TextColours::Run> Runs(qsizetype pos, qsizetype length) const {
        std::vector<TextColours::Run> runs;
        colours.Colours(pos, length, runs);
        return runs;
    }
    QRgb ColourOf(Kind kind) const {
        return SyntaxColouring::ColourOf(kind, pane.palette()).rgba();
    }
    // Whether [from, to) is coloured as a parse of the whole text colours it.
    testing::AssertionResult ColouredAsAWhole(qsizetype from, qsizetype to) {
        const TextSnapshot text = pane.Snapshot();
        syntax::SyntaxParser parser(syntax::Language::JavaScript);
        if (parser.Parse(text) != syntax::ParseOutcome::Parsed) {
            return testing::AssertionFailure() << "the text does not parse";
        }
        syntax::SyntaxHighlighter highlighter;
        const auto spans = highlighter.Spans(
            parser.Trees(), [&](size_t pos, size_t count) { return text.Text(pos, count); },
            size_t(from), size_t(to));
        const auto shown = Runs(from, to - from);
        if (spans.empty()) {
            return testing::AssertionFailure() << "nothing to colour at " << from;
        }
        for (size_t i = 0; i < std::max(shown.size(), spans.size()); ++i) {
            if (i >= shown.size() || i >= spans.size() ||
                shown[i].start != qsizetype(spans[i].start) - from ||
                shown[i].length != int(spans[i].length) ||
                shown[i].colour != ColourOf(spans[i].kind)) {
                return testing::AssertionFailure()
                       << "span " << i << " of " << spans.size() << " differs, at "
                       << (i < spans.size() ? spans[i].start : 0) << " (" << shown.size()
                       << " shown)";
            }
        }
        return testing::AssertionSuccess();
    }

    TRichEdit pane;
    SyntaxColouring colours{&pane};
};

TEST_F(LongLineColours, AFarJumpAndTheLastRowAreColouredAndSoIsTextTypedThere) {
    SKIP_WITHOUT_GRAMMARS();
    std::string script;
    for (int i = 0; script.size() < 1'200'000; ++i) {
        script += "var a" + std::to_string(i) +
                  "=/x+\\//g.test(\"s\")?1e3:`t${b}`;function f(c){if(c)return c/2;"
                  "else{for(;;)break}}/* c */class K extends f{m(){return{p:[1,'q']}}};";
    }
    script += "var last=\"end\";";
    pane.LoadTextBytes(script, TextEncoding::Utf8, TextFormat{});
    colours.SetLanguage(syntax::Language::JavaScript);
    ASSERT_TRUE(AwaitColours());
    EXPECT_TRUE(ColouredAsAWhole(0, pane.FirstShownPosition() + 2000));
    // Only what is shown and around it: the middle waits until it is shown.
    const qsizetype middle = pane.Length() / 2;
    EXPECT_TRUE(Runs(middle, 1000).empty());

    // A jump to the middle, then to the end as Ctrl+End makes it: each
    // shows its colours, the last row's too.
    pane.ShowFromPosition(middle);
    ASSERT_TRUE(AwaitColours());
    EXPECT_TRUE(ColouredAsAWhole(middle, middle + 2000));
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(&pane, &end);
    ASSERT_EQ(pane.CaretPosition(), pane.Length());
    ASSERT_TRUE(AwaitColours());
    const qsizetype top = pane.FirstShownPosition();
    ASSERT_GT(top, pane.Length() - 20000) << "the end is not shown";
    EXPECT_TRUE(ColouredAsAWhole(top, pane.Length()));
    EXPECT_EQ(Runs(pane.Length() - 5, 5).size(), 2u) << "\"end\" and ; at the end";

    // Typed on the last row, before the last string's end: the string grows,
    // and what is typed takes its colour.
    pane.SetCaret(pane.Length() - 2);
    QTest::keyClicks(&pane, "ing");
    ASSERT_TRUE(AwaitColours());
    EXPECT_TRUE(ColouredAsAWhole(top, pane.Length()));
    const auto last = Runs(pane.Length() - 9, 9);
    ASSERT_EQ(last.size(), 2u);
    EXPECT_EQ(last[0].length, 8); // "ending"
}

TEST_F(LongLineColours, TheLastRowOfAScriptOfErrorsThroughoutIsColouredAtOnce) {
    SKIP_WITHOUT_GRAMMARS();
    // Pieces of code strung together at random, as a broken minified script
    // is: no statement ends where another begins, and no boundary is found.
    const char* const pieces[] = {"function(a,b){return a+b}",
                                  "var x=",
                                  "if(e){",
                                  "}else{",
                                  "for(var i=0;i<n;i++){",
                                  "document.getElementById(\"m\")",
                                  ".push(",
                                  ");",
                                  "\"str\"",
                                  "[1,2,3]",
                                  "=>",
                                  "null"};
    std::string script;
    uint32_t seed = 2;
    while (script.size() < 1'000'000) {
        seed = seed * 1103515245 + 12345;
        script += pieces[(seed >> 16) % std::size(pieces)];
    }
    script += "\"tail\"";
    pane.LoadTextBytes(script, TextEncoding::Utf8, TextFormat{});
    colours.SetLanguage(syntax::Language::JavaScript);
    ASSERT_TRUE(AwaitColours());
    pane.SetCaret(pane.Length());
    ASSERT_GT(pane.FirstShownPosition(), pane.Length() - 20000) << "the end is not shown";
    ASSERT_TRUE(AwaitColours());
    const auto last = Runs(pane.Length() - 6, 6);
    ASSERT_EQ(last.size(), 1u) << "the last row is not coloured";
    EXPECT_EQ(last[0].colour, ColourOf(Kind::String));
}

} // namespace
} // namespace sheafpad
