// SPDX-License-Identifier: GPL-3.0-or-later
// The pane's helpers alone: the status line and its fields, the column kept
// through edits, Home, comment toggling's selection rules, pairs in plain
// text and the language at a place in a page.
#include "syntax/embedded_language.h"
#include "widgets/pane_helpers.h"
#include "widgets/pane_status.h"
#include "widgets/rich_edit.h"
#include "widgets/status_line.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace sheafpad {
namespace {

class PaneHelpersTest : public ::testing::Test {
protected:
    void SetUp() override {
        pane.resize(400, 300);
        pane.show();
        QApplication::setActiveWindow(&pane);
        pane.setFocus();
        pane.SetReadOnly(false);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&pane));
    }
    TRichEdit pane;
    StatusLine line;
};

TEST_F(PaneHelpersTest, ColumnsFollowEditsBeforeAndAfterTheCaretAndMessagesExpire) {
    PaneStatus status(&pane, &line);
    pane.setPlainText(QStringLiteral("ab\tc\U0001F600d\nxy"));
    // A pair of surrogates is one character; the column found last is built on.
    EXPECT_EQ(status.ColumnOf(6), 6);
    EXPECT_EQ(status.ColumnOf(7), 7); // from 6 on
    EXPECT_EQ(status.ColumnOf(3), 4);
    // An edit before the position found last: counted again, not moved by hand.
    EXPECT_EQ(status.ColumnOf(7), 7);
    pane.Replace(0, 0, QStringLiteral("\U0001F600"), TextView::Origin::User);
    EXPECT_EQ(status.ColumnOf(9), 8);
    pane.Replace(0, 2, QStringLiteral("long"), TextView::Origin::User);
    EXPECT_EQ(status.ColumnOf(11), 11);
    // Typing after it keeps the count and adds the new characters.
    pane.Replace(11, 0, QStringLiteral("zz"), TextView::Origin::User);
    EXPECT_EQ(status.ColumnOf(13), 13);
    // Another line starts again at 1.
    EXPECT_EQ(status.ColumnOf(pane.Length()), 3);

    // The fields: selection, caret, overwrite and format, in that order.
    pane.SetSelection(0, 4);
    pane.SetOverwrite(true);
    status.UpdateNow();
    EXPECT_EQ(line.Fields(), "4 selected  Ln 1, Col 5  OVR  UTF-8  LF");
    pane.SetOverwrite(false);
    pane.SetCaret(pane.Length());
    status.UpdateNow();
    EXPECT_EQ(line.Fields(), "Ln 2, Col 3  UTF-8  LF");
    // A message goes after its time; a new one replaces it, and 0 keeps it.
    line.ShowMessage(QStringLiteral("first"), 50);
    line.ShowMessage(QStringLiteral("second"), 0);
    QTest::qWait(150);
    EXPECT_EQ(line.Message(), "second");
    line.ShowMessage(QStringLiteral("third"), 50);
    QTRY_COMPARE_WITH_TIMEOUT(line.Message(), QString(), 5000);
}

TEST_F(PaneHelpersTest, HomeGoesToTheTextThenTheStartAndShiftSelectsTheSame) {
    pane.setPlainText(QStringLiteral("    text\n\t\n"));
    pane.SetCaret(6);
    QTest::keyClick(&pane, Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(pane.CaretPosition(), 4);
    EXPECT_EQ(pane.AnchorPosition(), 6);
    QTest::keyClick(&pane, Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(pane.CaretPosition(), 0);
    EXPECT_EQ(pane.AnchorPosition(), 6);
    QTest::keyClick(&pane, Qt::Key_Home);
    EXPECT_EQ(pane.CaretPosition(), 4);
    // A line of blanks only: Home goes to its start.
    pane.SetCaret(10);
    QTest::keyClick(&pane, Qt::Key_Home);
    EXPECT_EQ(pane.CaretPosition(), 9);
    // On a row that a wrap began, to the row's start first.
    pane.setPlainText(QString(2000, u'x'));
    pane.SetCaret(1510);
    const qsizetype rowStart = pane.PositionAt(QPoint(0, pane.cursorRect().center().y()));
    ASSERT_GT(rowStart, 0);
    QTest::keyClick(&pane, Qt::Key_Home);
    EXPECT_EQ(pane.CaretPosition(), rowStart);
    QTest::keyClick(&pane, Qt::Key_Home);
    EXPECT_EQ(pane.CaretPosition(), 0);
}

TEST_F(PaneHelpersTest, CommentsKeepTheSelectionsLinesAndTheCaretsPlace) {
    syntax::Language language = syntax::Language::JavaScript;
    CommentToggler comments(&pane, [&] { return language; });
    pane.setPlainText(QStringLiteral("a();\nb();\nc();"));
    // A selection that ends at a line's start leaves that line alone.
    pane.SetSelection(0, 5);
    ASSERT_TRUE(comments.Toggle());
    EXPECT_EQ(pane.toPlainText(), "// a();\nb();\nc();");
    EXPECT_EQ(pane.SelectedPlainText(), "// a();");
    // The caret stays beside the character it was at.
    pane.SetCaret(10); // before "();" of b
    QTest::keyClick(&pane, Qt::Key_Slash, Qt::ControlModifier);
    EXPECT_EQ(pane.toPlainText(), "// a();\n// b();\nc();");
    EXPECT_EQ(pane.CaretPosition(), 13);
    QTest::keyClick(&pane, Qt::Key_Slash, Qt::ControlModifier);
    EXPECT_EQ(pane.CaretPosition(), 10);
    // Read-only or plain: nothing.
    pane.SetReadOnly(true);
    EXPECT_FALSE(comments.Toggle());
    pane.SetReadOnly(false);
    language = syntax::Language::Plain;
    EXPECT_FALSE(comments.Toggle());
    EXPECT_EQ(pane.toPlainText(), "// a();\nb();\nc();");
}

TEST_F(PaneHelpersTest, PairsShowInPlainTextAndGoWhenTheCaretLeaves) {
    PairHighlighter pairs(&pane, nullptr);
    pane.setPlainText(QStringLiteral("f(a[1]) x"));
    pane.SetCaret(7); // after ")"
    pairs.UpdateNow();
    EXPECT_EQ(pane.Highlighted(TextView::Highlight::Pair),
              (std::vector<TextRange>{{1, 2}, {6, 7}}));
    pane.SetCaret(9);
    QTRY_VERIFY_WITH_TIMEOUT(pane.Highlighted(TextView::Highlight::Pair).empty(), 5000);
}

TEST(EmbeddedLanguageTest, ScriptsAndStylesOfAPageHaveTheirLanguages) {
    const std::u16string page =
        u"<p>x</p><SCRIPT type=\"module\">let a;</SCRIPT><style>p{}</style><scripts>";
    const TextBuffer text(page);
    auto at = [&](std::u16string_view what) {
        return syntax::LanguageAt(text, page.find(what), syntax::Language::Html);
    };
    EXPECT_EQ(at(u"x</p>"), syntax::Language::Html);
    EXPECT_EQ(at(u"type="), syntax::Language::Html); // in the start tag
    EXPECT_EQ(at(u"let"), syntax::Language::JavaScript);
    EXPECT_EQ(at(u"</SCRIPT>"), syntax::Language::JavaScript);
    EXPECT_EQ(at(u"p{}"), syntax::Language::Css);
    EXPECT_EQ(at(u"<scripts>"), syntax::Language::Html); // after </style>
    EXPECT_EQ(syntax::LanguageAt(text, page.size(), syntax::Language::Html),
              syntax::Language::Html); // <scripts> is no script
    EXPECT_EQ(syntax::LanguageAt(text, 3, syntax::Language::Css), syntax::Language::Css);
}

TEST(GoToLineTest, PlacesAreALineOrALineAndAColumn) {
    using Place = std::optional<std::pair<qsizetype, qsizetype>>;
    EXPECT_EQ(GoToLine::Parse(QStringLiteral("12")), (Place{{12, 1}}));
    EXPECT_EQ(GoToLine::Parse(QStringLiteral(" 12:5 ")), (Place{{12, 5}}));
    EXPECT_EQ(GoToLine::Parse(QStringLiteral("0:0")), (Place{{1, 1}}));
    for (const char* bad : {"", ":5", "12:", "-3", "1.5", "x", "1234567890123"}) {
        EXPECT_FALSE(GoToLine::Parse(QString::fromLatin1(bad))) << bad;
    }
}

} // namespace
} // namespace sheafpad
