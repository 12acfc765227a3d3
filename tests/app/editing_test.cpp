// SPDX-License-Identifier: GPL-3.0-or-later
// Opening, editing and automatic saving through the main window: the file
// being left is written back first, only ever into the file its text came
// from; keys and user edits that mark the text changed; find from the three
// controls; the clipboard commands and the context menu.
#include "form_fixture.h"
#include "widgets/rich_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace sheafpad {
namespace {

using test::ReadFile;
using test::WriteFile;

class EditingTest : public test::FormFixture {
protected:
    void SetUp() override { ShowActive(); }

    void Type(const QString& keys) { QTest::keyClicks(form.Memo1, keys); }
    bool IndicatorShown() {
        return form.lNeedsSave->isVisible() && form.SaveButton->isVisible() &&
               form.CancelButton->isVisible();
    }
    bool IndicatorHidden() {
        return !form.lNeedsSave->isVisible() && !form.SaveButton->isVisible() &&
               !form.CancelButton->isVisible();
    }
};

TEST_F(EditingTest, SwitchingWritesTheEditedFileWithItsOwnLineBreaks) {
    List({{"a.htm", "one\ntwo\n"}, {"b.htm", "b"}});
    Select("a.htm");
    EXPECT_EQ(form.LoadedFName, dir.file("a.htm"));
    EXPECT_FALSE(form.Memo1->ReadOnly());
    EXPECT_TRUE(form.Memo1->hasFocus());
    EXPECT_TRUE(IndicatorHidden());
    Type("X");
    EXPECT_TRUE(form.NeedsSave);
    EXPECT_TRUE(IndicatorShown());
    Select("b.htm");
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "Xone\ntwo\n");
    EXPECT_EQ(form.Memo1->toPlainText(), "b");
    EXPECT_FALSE(form.NeedsSave);
    Select("a.htm"); // unchanged: nothing written
    EXPECT_EQ(ReadFile(dir.file("b.htm")), "b");
    EXPECT_TRUE(errors.empty());
}

TEST_F(EditingTest, AClickOnANameLeavesTheFocusInThePane) {
    List({{"a.htm", "a"}});
    form.filesLB->setFocus();
    const QRect rect = form.filesLB->visualRect(Row("a.htm"));
    QTest::mouseClick(form.filesLB->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(form.LoadedFName, dir.file("a.htm"));
    EXPECT_TRUE(form.Memo1->hasFocus());
}

TEST_F(EditingTest, AClickOnTheSelectedNameSavesAndOpensItAgain) {
    List({{"a.htm", "a"}, {"b.htm", "b"}, {"bad.htm", std::string("x\0y", 3)}});
    auto click = [&](const std::string& name) {
        const QRect rect = form.filesLB->visualRect(Row(name));
        QTest::mouseClick(form.filesLB->viewport(), Qt::LeftButton, {}, rect.center());
    };
    // The current file's own name: saved, then loaded again (caret at the start).
    click("a.htm");
    Type("1");
    click("a.htm");
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "1a");
    EXPECT_FALSE(form.NeedsSave);
    Type("2");
    EXPECT_EQ(form.Memo1->toPlainText(), "21a");

    // A failed save leaves the new name selected; once the cause is gone, a
    // click on it saves, then opens. Each click runs the handler once.
    ::chmod(dir.file("a.htm").c_str(), 0444);
    click("b.htm");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(form.LoadedFName, dir.file("a.htm"));
    ::chmod(dir.file("a.htm").c_str(), 0644);
    click("b.htm");
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "21a");
    EXPECT_EQ(form.Memo1->toPlainText(), "b");

    // The same after a failed open.
    click("bad.htm");
    EXPECT_EQ(errors.size(), 2u);
    WriteFile(dir.file("bad.htm"), "fixed");
    click("bad.htm");
    EXPECT_EQ(errors.size(), 2u);
    EXPECT_EQ(form.Memo1->toPlainText(), "fixed");
    EXPECT_FALSE(form.Memo1->ReadOnly());
}

// The changed flag follows the text: a key that changes nothing marks
// nothing, every change marks, and Cancel holds until the next change.
TEST_F(EditingTest, OnlyAChangeOfTheTextMarksTheFile) {
    List({{"a.htm", "a"}, {"b.htm", "b"}});
    Select("a.htm");
    struct Key {
        int key;
        Qt::KeyboardModifiers modifiers;
    };
    const Key unchanging[] = {
        {Qt::Key_C, Qt::ControlModifier},
        {Qt::Key_A, Qt::ControlModifier},
        {Qt::Key_S, Qt::ControlModifier},
        {Qt::Key_X, Qt::AltModifier},
        {Qt::Key_Insert, Qt::NoModifier},
        {Qt::Key_Insert, Qt::NoModifier}, // overwrite off again
        {Qt::Key_Left, Qt::NoModifier},
        {Qt::Key_Home, Qt::ControlModifier},
        {Qt::Key_F5, Qt::NoModifier},
        {Qt::Key_Shift, Qt::ShiftModifier},
        {Qt::Key_Equal, Qt::ControlModifier},
        {Qt::Key_Minus, Qt::ControlModifier},
        {Qt::Key_0, Qt::ControlModifier},
        {Qt::Key_1, Qt::ControlModifier},
        {Qt::Key_Z, Qt::ControlModifier}, // nothing to undo
    };
    for (const Key& key : unchanging) {
        QTest::keyClick(form.Memo1, Qt::Key(key.key), key.modifiers);
        EXPECT_FALSE(form.NeedsSave) << std::hex << key.key;
    }
    EXPECT_EQ(form.Memo1->toPlainText(), "a");
    form.Memo1->SetSelectionStart(1);
    QApplication::clipboard()->setText("p");
    const Key changing[] = {
        {Qt::Key_Space, Qt::NoModifier},     {Qt::Key_7, Qt::KeypadModifier},
        {Qt::Key_Return, Qt::NoModifier},    {Qt::Key_Tab, Qt::ControlModifier},
        {Qt::Key_Backspace, Qt::NoModifier}, {Qt::Key_Insert, Qt::ShiftModifier},
        {Qt::Key_Z, Qt::ControlModifier},    {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier},
        {Qt::Key_Home, Qt::NoModifier},      {Qt::Key_Delete, Qt::NoModifier},
    };
    for (const Key& key : changing) {
        const QString before = form.Memo1->toPlainText();
        QTest::keyClick(form.Memo1, Qt::Key(key.key), key.modifiers);
        EXPECT_EQ(form.NeedsSave, form.Memo1->toPlainText() != before) << std::hex << key.key;
        form.CancelButtonClick();
    }
    EXPECT_EQ(form.Memo1->toPlainText(), "a 7\n");
    // Nothing changed since Cancel: the switch writes nothing.
    Select("b.htm");
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "a");

    // After Cancel, the next change marks the whole text again.
    Select("a.htm");
    Type("x");
    form.CancelButtonClick();
    Type("y");
    EXPECT_TRUE(form.NeedsSave);
    Select("b.htm");
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "xya");

    // Cancel, then Alt+Q: the window closes without writing, as a click on Quit does.
    Select("a.htm");
    Type("z");
    form.CancelButtonClick();
    QTest::keyClick(form.Memo1, Qt::Key_Q, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); })); // the button animates
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "xya");
    EXPECT_TRUE(errors.empty());
}

TEST_F(EditingTest, TheIntroductionIsNeverWritten) {
    List({{"a.htm", "a"}});
    form.LoadedFName = dir.file("a.htm"); // as restored from the settings
    EXPECT_TRUE(IndicatorHidden());
    const QString intro = form.Memo1->toPlainText();
    Type("zz");
    EXPECT_EQ(form.Memo1->toPlainText(), intro);
    EXPECT_FALSE(form.NeedsSave);
    QApplication::clipboard()->setText("pasted");
    form.Paste1Click(); // changes the read-only text and marks it
    EXPECT_TRUE(form.NeedsSave);
    EXPECT_TRUE(form.Memo1->toPlainText().startsWith("pasted"));
    Select("a.htm");
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "a");
    EXPECT_EQ(form.Memo1->toPlainText(), "a");
}

TEST_F(EditingTest, AfterAFailedOpenNothingIsWrittenAnywhere) {
    List({{"a.htm", "a"}, {"bad.htm", std::string("x\0y", 3)}, {"c.htm", "c"}});
    Select("a.htm");
    Type("1");
    Select("bad.htm");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("Cannot open file \"" + dir.file("bad.htm") + "\". ", 0), 0u);
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "1a"); // the file left was saved first
    EXPECT_EQ(form.Memo1->toPlainText(), "1a");   // the pane is unchanged
    EXPECT_EQ(form.LoadedFName, dir.file("bad.htm"));
    EXPECT_TRUE(form.Memo1->ReadOnly());
    EXPECT_FALSE(form.PaneHoldsLoadedFile);
    Type("2");
    QApplication::clipboard()->setText("3");
    form.Paste1Click();
    form.SaveButtonClick();
    Select("c.htm");
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "1a");
    EXPECT_EQ(ReadFile(dir.file("bad.htm")), std::string("x\0y", 3));
    EXPECT_EQ(ReadFile(dir.file("c.htm")), "c");
    EXPECT_FALSE(form.Memo1->ReadOnly());
}

TEST_F(EditingTest, TextThatIsNotTheLoadedFilesIsNeverWritten) {
    List({{"a.htm", "a"}, {"b.htm", "b"}});
    Select("a.htm");
    // A report replaces the pane's text, as the unused-file check does.
    form.Memo1->ClearText();
    form.Memo1->AppendLine("Files that are not used by another file: ");
    form.PaneHoldsLoadedFile = false;
    Type("x");
    EXPECT_TRUE(form.NeedsSave);
    form.SaveButtonClick();
    Select("b.htm");
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "a");
    EXPECT_EQ(ReadFile(dir.file("b.htm")), "b");
}

TEST_F(EditingTest, AFailedSaveStopsTheSwitchAndKeepsTheText) {
    List({{"a.htm", "a"}, {"b.htm", "b"}});
    Select("a.htm");
    Type("x");
    ::chmod(dir.file("a.htm").c_str(), 0444);
    Select("b.htm");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("Cannot create file \"" + dir.file("a.htm") + "\". ", 0), 0u);
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "a");
    EXPECT_EQ(form.Memo1->toPlainText(), "xa");
    EXPECT_EQ(form.LoadedFName, dir.file("a.htm"));
    EXPECT_TRUE(form.NeedsSave);
    EXPECT_TRUE(IndicatorShown());
    ::chmod(dir.file("a.htm").c_str(), 0644);
    form.SaveButtonClick();
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "xa");
    EXPECT_FALSE(form.NeedsSave);
}

TEST_F(EditingTest, ACharacterTheFileCannotHoldFailsTheSave) {
    List({{"l.htm", "caf\xE9"}, {"b.htm", "b"}});
    Select("l.htm");
    form.Memo1->SetCaret(form.Memo1->Length());
    QTest::sendKeyEvent(QTest::Click, form.Memo1, Qt::Key(0x20AC), QString::fromUtf8("€"), {});
    Select("b.htm");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("\xE2\x82\xAC"), std::string::npos) << errors[0];
    EXPECT_EQ(ReadFile(dir.file("l.htm")), "caf\xE9");
    EXPECT_TRUE(form.NeedsSave);
}

TEST_F(EditingTest, SaveAndCancelButtons) {
    List({{"a.htm", "a"}, {"b.htm", "b"}});
    EXPECT_TRUE(IndicatorHidden()); // nothing to save at start-up
    form.CancelButtonClick();
    EXPECT_TRUE(IndicatorHidden());
    EXPECT_TRUE(form.Memo1->hasFocus());
    Select("a.htm");
    Type("1");
    form.CancelButtonClick();
    Select("b.htm");
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "a"); // cancelled: nothing written
    Select("a.htm");
    Type("2");
    form.CancelButtonClick();
    Type("3");
    form.SaveButtonClick();
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "23a"); // the edits before Cancel too
    EXPECT_TRUE(IndicatorHidden());
}

// A save writes the text in the file's own format (its first line break,
// its byte-order mark, which the pane never shows), and writes nothing when
// the file already holds those bytes.
TEST_F(EditingTest, ASaveKeepsTheFilesFormatAndWritesNothingThatIsThereAlready) {
    const std::string bom = "\xEF\xBB\xBF";
    List({{"a.htm", bom + "one\r\ntwo\r\n"}, {"b.htm", "x\ny\rz"}, {"c.htm", "c"}});
    std::vector<std::string> questions;
    TForm1::SetQuestionHook([&](const QString& text) {
        questions.push_back(text.toStdString());
        return true;
    });
    const timespec past[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.file("a.htm").c_str(), past, 0), 0);
    struct stat before {
    }, after{};
    ASSERT_EQ(::stat(dir.file("a.htm").c_str(), &before), 0);

    Select("a.htm");
    EXPECT_EQ(form.Memo1->toPlainText(), "one\ntwo\n");
    EXPECT_EQ(form.Memo1->Format(), (TextFormat{TextEncoding::Utf8, LineBreak::CrLf, true}));
    // An edit taken back still marks the file, but the save writes nothing:
    // the file keeps its time and identity, and the flag goes.
    Type("X");
    QTest::keyClick(form.Memo1, Qt::Key_Backspace);
    ASSERT_TRUE(form.NeedsSave);
    form.SaveButtonClick();
    EXPECT_TRUE(IndicatorHidden());
    ASSERT_EQ(::stat(dir.file("a.htm").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);

    // Ctrl+Home then X: the X goes after the mark, which stays first.
    QTest::keyClick(form.Memo1, Qt::Key_Home, Qt::ControlModifier);
    Type("X");
    Select("b.htm");
    EXPECT_EQ(ReadFile(dir.file("a.htm")), bom + "Xone\r\ntwo\r\n");
    // The first line break (LF) is every line's; no mark where there was none.
    Type("1");
    Select("c.htm");
    EXPECT_EQ(ReadFile(dir.file("b.htm")), "1x\ny\nz");

    // Another program wrote just what the pane holds: nothing to ask, nothing to write.
    Type("2");
    WriteFile(dir.file("c.htm"), "2c");
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.file("c.htm").c_str(), past, 0), 0);
    Select("a.htm");
    EXPECT_TRUE(questions.empty());
    ASSERT_EQ(::stat(dir.file("c.htm").c_str(), &after), 0);
    EXPECT_EQ(after.st_mtim.tv_sec, past[0].tv_sec);
    EXPECT_EQ(ReadFile(dir.file("c.htm")), "2c");
    TForm1::SetQuestionHook(nullptr);
    EXPECT_TRUE(errors.empty());
}

TEST_F(EditingTest, FindFromTheFindFieldAndThePane) {
    List({{"cat.htm", "Cat catalog"}});
    Select("cat.htm");
    form.FindEdit->setText("cat");
    form.FindEdit->setFocus();
    QTest::keyClick(form.FindEdit, Qt::Key_Return);
    EXPECT_EQ(form.Memo1->SelectionStart(), 3);
    EXPECT_FALSE(form.Memo1->HasSelection());
    EXPECT_TRUE(form.Memo1->hasFocus());
    QTest::keyClick(form.Memo1, Qt::Key_F3);
    EXPECT_EQ(form.Memo1->SelectionStart(), 7);
    QTest::keyClick(form.Memo1, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(form.Memo1->SelectionStart(), 7);
    EXPECT_FALSE(form.NeedsSave);
    form.FindEdit->setText("");
    form.Memo1->SetSelectionStart(1);
    QTest::keyClick(form.FindEdit, Qt::Key_F3);
    EXPECT_EQ(form.Memo1->SelectionStart(), 1);
}

// The focus stays where the user types: Enter in the type list and a file
// opened from the keyboard leave it there; Enter in the list (which
// searches and opens nothing) and a click on a name put it in the pane.
TEST_F(EditingTest, TheFocusStaysWhereTheUserTypes) {
    List({{"cat.htm", "Cat catalog"}, {"cow.htm", "cow"}, {"dog.htm", "dog"}});
    Select("cat.htm");
    form.FindEdit->setText("cat");
    form.TypesMemo->setFocus();
    form.TypesMemo->moveCursor(QTextCursor::End);
    const int lines = form.TypesMemo->blockCount();
    QTest::keyClick(form.TypesMemo, Qt::Key_Return);
    EXPECT_EQ(form.TypesMemo->blockCount(), lines + 1);
    EXPECT_EQ(form.Memo1->SelectionStart(), 3);
    EXPECT_TRUE(form.TypesMemo->hasFocus());
    QTest::keyClicks(form.TypesMemo, ".css");
    EXPECT_TRUE(form.TypesMemo->toPlainText().endsWith("\n.css"));

    form.filesLB->setFocus();
    const auto names = form.filesModel->Names();
    ASSERT_EQ(names.size(), 3u);
    QTest::keyClick(form.filesLB, Qt::Key_End);
    EXPECT_EQ(form.LoadedFName, dir.file(names[2]));
    QTest::keyClick(form.filesLB, Qt::Key_Home);
    EXPECT_EQ(form.LoadedFName, dir.file(names[0]));
    EXPECT_TRUE(form.filesLB->hasFocus());
    // A name typed into the list finds it; no letter of it reaches the pane.
    QTest::keyClicks(form.filesLB, "dog");
    EXPECT_EQ(form.LoadedFName, dir.file("dog.htm"));
    EXPECT_TRUE(form.filesLB->hasFocus());
    EXPECT_EQ(form.Memo1->toPlainText(), "dog");
    EXPECT_FALSE(form.NeedsSave);

    form.filesLB->selectionModel()->setCurrentIndex(Row("cow.htm"), QItemSelectionModel::NoUpdate);
    form.FindEdit->setText("g");
    QTest::keyClick(form.filesLB, Qt::Key_Return);
    EXPECT_EQ(form.LoadedFName, dir.file("dog.htm"));
    EXPECT_EQ(form.Memo1->SelectionStart(), 3);
    EXPECT_TRUE(form.Memo1->hasFocus());
    EXPECT_TRUE(errors.empty());
}

TEST_F(EditingTest, ClipboardCommandsInAFile) {
    List({{"a.htm", "hello world"}, {"b.htm", "b"}});
    Select("a.htm");
    form.Memo1->SetSelection(0, 5);
    form.Copy1Click();
    EXPECT_EQ(QApplication::clipboard()->text(), "hello");
    EXPECT_FALSE(form.NeedsSave);
    form.Memo1->SetSelectionStart(0);
    Type(">");
    form.Memo1->SetSelection(1, 6);
    form.Cut1Click();
    EXPECT_EQ(form.Memo1->toPlainText(), "> world");
    EXPECT_TRUE(form.NeedsSave);
    form.Memo1->SetSelectionStart(7);
    QApplication::clipboard()->setText(QString::fromLatin1("!\0tail", 6));
    form.Paste1Click();
    // The menu's Cut and Paste undo as Ctrl+X and Ctrl+V do, each a step,
    // and the typing before them stays undoable.
    const QString steps[] = {"> world", ">hello world", "hello world"};
    for (const QString& text : steps) {
        QTest::keyClick(form.Memo1, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(form.Memo1->toPlainText(), text);
    }
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(form.Memo1, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    }
    Select("b.htm");
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "> world!");
    QApplication::clipboard()->setText("left over");
    ASSERT_EQ(QApplication::clipboard()->text(), "left over");
    form.Memo1->SetSelectionStart(0);
    form.Copy1Click(); // nothing selected: empties the clipboard's text
    EXPECT_EQ(QApplication::clipboard()->text(), "");
    form.Paste1Click(); // an empty clipboard changes nothing, and marks nothing
    form.Cut1Click();   // nor does a cut of nothing
    EXPECT_FALSE(form.NeedsSave);
    EXPECT_EQ(form.Memo1->toPlainText(), "b");
}

TEST_F(EditingTest, ContextMenuOpensAtThePointerOrTheCaret) {
    List({{"a.htm", "a\nb"}});
    Select("a.htm");
    form.Memo1ContextPopup(QPoint(30, 40));
    EXPECT_TRUE(form.MemoPopupMenu->isVisible());
    EXPECT_EQ(form.MemoPopupMenu->pos(), form.Memo1->viewport()->mapToGlobal(QPoint(30, 40)));
    form.MemoPopupMenu->hide();
    form.Memo1->SetSelectionStart(2);
    form.Memo1ContextPopup(QPoint(-1, -1));
    EXPECT_EQ(form.MemoPopupMenu->pos(),
              form.Memo1->viewport()->mapToGlobal(form.Memo1->cursorRect().bottomLeft()));
    form.MemoPopupMenu->hide();
}

TEST_F(EditingTest, ClosingSavesAChangedFile) {
    List({{"a.htm", "a"}});
    Select("a.htm");
    Type("z");
    form.close();
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "za");
}

} // namespace
} // namespace sheafpad
