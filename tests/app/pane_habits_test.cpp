// SPDX-License-Identifier: GPL-3.0-or-later
// The pane's everyday helpers in the window: the find's highlight and "Not
// found", the status line, go to line, comment toggling in a page's
// languages, pairs in strings, and the switches kept in [Pane].
#include "app/pane_habits.h"
#include "form_fixture.h"
#include "syntax/syntax_language.h"
#include "widgets/pane_helpers.h"
#include "widgets/rich_edit.h"
#include "widgets/status_line.h"
#include "widgets/syntax_colouring.h"

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>

namespace sheafpad::test {
namespace {

class PaneHabitsTest : public FormFixture {
protected:
    void SetUp() override {
        form.TypesMemo->setPlainText(QStringLiteral(".txt\n.html\n.js"));
        ASSERT_NO_FATAL_FAILURE(ShowActive());
    }
    void TearDown() override { GoToLine::SetAskHook({}); }
    TRichEdit& Pane() { return *form.Memo1; }
    std::vector<TextRange> Found() { return Pane().Highlighted(TextView::Highlight::Found); }
};

TEST_F(PaneHabitsTest, FindHighlightsItsMatchMarksTheOthersAndSaysNotFoundForAWhile) {
    List({{"a.txt", "Cat catalog\r\nx\tb\xF0\x9F\x98\x80y cat"}});
    Select("a.txt");
    ASSERT_EQ(Pane().toPlainText().left(3), "Cat");
    EXPECT_TRUE(form.Status->Fields().endsWith("UTF-8  CR LF"))
        << form.Status->Fields().toStdString();
    form.FindEdit->setText(QStringLiteral("cat"));
    QTest::keyClick(form.FindEdit, Qt::Key_Return);
    // The caret just behind the match, nothing selected; the match highlighted.
    EXPECT_EQ(Pane().CaretPosition(), 3);
    EXPECT_FALSE(Pane().HasSelection());
    EXPECT_EQ(Found(), (std::vector<TextRange>{{0, 3}}));
    EXPECT_EQ(Pane().Occurrences(), "cat");
    // F3 in the pane: the next one, the highlight with it.
    QTest::keyClick(&Pane(), Qt::Key_F3);
    EXPECT_EQ(Pane().CaretPosition(), 7);
    EXPECT_EQ(Found(), (std::vector<TextRange>{{4, 7}}));
    // The status line counts characters: a tab and a pair of surrogates are one each.
    QTest::keyClick(&Pane(), Qt::Key_F3);
    QApplication::processEvents();
    EXPECT_TRUE(form.Status->Fields().startsWith("Ln 2, Col 10"))
        << form.Status->Fields().toStdString();
    // Any other key takes the highlight and the marks away.
    QTest::keyClick(&Pane(), Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_TRUE(Found().empty());
    EXPECT_TRUE(Pane().Occurrences().isEmpty());
    QApplication::processEvents();
    EXPECT_TRUE(form.Status->Fields().startsWith("1 selected  Ln 2, Col 9"));
    // Nothing more: the caret stays, no box, "Not found" for two seconds.
    QTest::keyClick(&Pane(), Qt::Key_Right);
    const qsizetype caret = Pane().CaretPosition();
    QTest::keyClick(&Pane(), Qt::Key_F3);
    EXPECT_EQ(Pane().CaretPosition(), caret);
    EXPECT_EQ(form.Status->Message(), "Not found");
    EXPECT_TRUE(errors.empty());
    QTRY_VERIFY_WITH_TIMEOUT(form.Status->Message().isEmpty(), 10000);
}

TEST_F(PaneHabitsTest, GoToLineCentresAWrappedLineAndEscapeLeavesTheCaret) {
    std::string text;
    for (int i = 1; i <= 200; ++i) {
        text += "line " + std::to_string(i) + (i == 100 ? std::string(3000, 'w') : "") + "\n";
    }
    List({{"a.txt", text}});
    Select("a.txt");
    std::vector<QString> prompts;
    GoToLine::SetAskHook([&](const QString& prompt) -> std::optional<QString> {
        prompts.push_back(prompt);
        return QStringLiteral(" 100 : 3000 ");
    });
    QTest::keyClick(&Pane(), Qt::Key_G, Qt::ControlModifier);
    ASSERT_EQ(prompts.size(), 1u);
    const qsizetype lineStart = qsizetype(Pane().Buffer().LineStart(99));
    EXPECT_EQ(Pane().CaretPosition(), lineStart + 2999);
    // The caret's row, far into the wrapped line, is in the middle of the view.
    const QRect caret = Pane().cursorRect();
    ASSERT_FALSE(caret.isNull());
    EXPECT_NEAR(caret.center().y(), Pane().viewport()->height() / 2, caret.height() * 2);
    // Escape: the caret stays; a line past the end is the last one.
    GoToLine::SetAskHook([](const QString&) { return std::nullopt; });
    QTest::keyClick(&Pane(), Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(Pane().CaretPosition(), lineStart + 2999);
    EXPECT_TRUE(form.Habits()->LineJump()->Go(QStringLiteral("9999")));
    EXPECT_EQ(Pane().CaretPosition(), qsizetype(Pane().Buffer().LineStart(200)));
    EXPECT_FALSE(form.Habits()->LineJump()->Go(QStringLiteral("ten")));
}

TEST_F(PaneHabitsTest, CommentToggleUsesThePagesLanguageAtTheCaretAsOneUndoStep) {
    const std::string page = "<p>a</p>\n<style>\np { color: red; }\n</style>\n"
                             "<script>\nlet a = 1;\nlet b = 2;\n</script>\n";
    List({{"a.html", page}, {"a.txt", "plain"}});
    Select("a.html");
    const QString original = Pane().toPlainText();
    auto toggleAt = [&](const QString& at, const QString& commented, qsizetype selectTo = -1) {
        const qsizetype pos = original.indexOf(at);
        Pane().SetSelection(selectTo < 0 ? pos : original.indexOf(at) + selectTo, pos);
        QTest::keyClick(&Pane(), Qt::Key_Slash, Qt::ControlModifier);
        EXPECT_TRUE(Pane().toPlainText().contains(commented)) << Pane().toPlainText().toStdString();
        QTest::keyClick(&Pane(), Qt::Key_Slash, Qt::ControlModifier); // and back
        EXPECT_EQ(Pane().toPlainText(), original);
        QTest::keyClick(&Pane(), Qt::Key_Slash, Qt::ControlModifier);
        QTest::keyClick(&Pane(), Qt::Key_Z, Qt::ControlModifier); // one step
        EXPECT_EQ(Pane().toPlainText(), original);
    };
    toggleAt(QStringLiteral("a</p>"), QStringLiteral("<!-- <p>a</p> -->\n<style>"));
    toggleAt(QStringLiteral("color"), QStringLiteral("/* p { color: red; } */"));
    toggleAt(QStringLiteral("let a"), QStringLiteral("// let a = 1;\n// let b = 2;\n"), 16);
    // Plain text has no comments.
    Select("a.txt");
    QTest::keyClick(&Pane(), Qt::Key_Slash, Qt::ControlModifier);
    EXPECT_EQ(Pane().toPlainText(), "plain");
    EXPECT_FALSE(form.NeedsSave);
}

TEST_F(PaneHabitsTest, BracketsInStringsPairOnlyAsTheSyntaxTreeSays) {
    if (!syntax::GrammarsMissing().empty()) {
        GTEST_SKIP() << "Colour tests skipped: " << syntax::GrammarsMissing();
    }
    List({{"a.js", "f(\")\", [1]);\n"}});
    Select("a.js");
    QTRY_VERIFY_WITH_TIMEOUT(form.Colours->Complete(), 20000);
    Pane().SetCaret(1); // before "("
    form.Habits()->Pairs()->UpdateNow();
    EXPECT_EQ(Pane().Highlighted(TextView::Highlight::Pair),
              (std::vector<TextRange>{{1, 2}, {10, 11}}));
    Pane().SetCaret(3); // before the ")" in the string: no partner there
    form.Habits()->Pairs()->UpdateNow();
    EXPECT_TRUE(Pane().Highlighted(TextView::Highlight::Pair).empty());
}

TEST_F(PaneHabitsTest, SwitchesAreKeptInThePaneSectionAndComeBeforeAbout) {
    const QList<QAction*> entries = form.MemoPopupMenu->actions();
    ASSERT_FALSE(entries.isEmpty());
    EXPECT_EQ(entries.back(), form.About1);
    QAction* numbers = form.Habits()->LineNumbersAction();
    QAction* wrap = form.Habits()->WordWrapAction();
    EXPECT_LT(entries.indexOf(numbers), entries.indexOf(form.About1));
    EXPECT_LT(entries.indexOf(wrap), entries.indexOf(form.About1));
    numbers->trigger();
    wrap->trigger();
    EXPECT_FALSE(Pane().LineNumbers());
    EXPECT_FALSE(Pane().WordWrap());
    EXPECT_TRUE(form.close());
    const std::string ini = ReadFile(settingsDir.file("Sheafpad.ini"));
    EXPECT_NE(ini.find("LineNumbers=0\r\nWrap=0\r\n"), std::string::npos) << ini;
    EXPECT_LT(ini.find("[Initial]"), ini.find("[Pane]"));
    // Read back at the next start.
    TForm1 again;
    again.SettingsPathOverride = settingsDir.file("Sheafpad.ini");
    again.show();
    EXPECT_FALSE(again.Memo1->LineNumbers());
    EXPECT_FALSE(again.Memo1->WordWrap());
    EXPECT_FALSE(again.Habits()->WordWrapAction()->isChecked());
}

} // namespace
} // namespace sheafpad::test
