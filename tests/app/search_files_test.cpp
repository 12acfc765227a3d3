// SPDX-License-Identifier: GPL-3.0-or-later
// Search in files from the main window: the keys that open the search
// window, Replace All with the open file changed in the pane, opening a
// result, Undo Replace, and renaming a file with the references to it.
#include "form_fixture.h"
#include "search/replace_record.h"
#include "widgets/rename_dialog.h"
#include "widgets/rich_edit.h"
#include "widgets/search_results.h"
#include "widgets/search_window.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <cstdlib>
#include <filesystem>
#include <gmock/gmock.h>
#include <sys/stat.h>

using namespace sheafpad;
using sheafpad::test::ReadFile;

namespace {

// Undo records go to a scratch state folder, never to the user's own.
const test::TempDir& StateHome() {
    static const test::TempDir dir;
    return dir;
}
const bool kStateHomeSet = (::setenv("XDG_STATE_HOME", StateHome().path().c_str(), 1), true);

class SearchFilesTest : public test::FormFixture {
protected:
    void SetUp() override {
        ShowActive();
        TForm1::SetQuestionHook([this](const QString& text) {
            questions.push_back(text.toStdString());
            return true;
        });
        std::filesystem::remove_all(search::ReplaceRecordDir()); // no earlier test's record
    }
    void TearDown() override {
        TForm1::SetQuestionHook(nullptr);
        RenameDialog::SetRunHook(nullptr);
    }
    // Ctrl+Shift+F where the focus is; the search window.
    SearchWindow* OpenSearch(QWidget* from) {
        QTest::keyClick(from, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        SearchWindow* window = form.SearchFiles();
        EXPECT_TRUE(window != nullptr && window->isVisible());
        return window;
    }
    // Types find and replace and presses Enter; waits for the results.
    void Search(SearchWindow* window, const QString& find, const QString& replace) {
        window->FindEdit->setText(find);
        window->ReplaceEdit->setText(replace);
        QTest::keyClick(window->FindEdit, Qt::Key_Return);
        QTRY_VERIFY(!window->Searching());
    }
    std::vector<std::string> questions;
};

TEST_F(SearchFilesTest, ReplaceAllChangesTheOpenFileInThePaneAndTheOthersByteForByte) {
    List({{"a.htm", "old\r\nx old"},
          {"b.htm", "old\nmid\rend old"},
          {"c.htm", "caf\xE9 old"},
          {"d.htm", std::string("old\0", 4)}});
    Select("a.htm");
    QTest::keyClicks(form.Memo1, "Z"); // typed, and written back by the search
    form.ClearChanged();
    SearchWindow* window = OpenSearch(form.Memo1);
    ASSERT_TRUE(window);
    EXPECT_FALSE(form.NeedsSave) << "the key is no edit";
    form.MarkChanged();
    Search(window, "old", "new");
    EXPECT_EQ(window->SummaryLabel->text(), "5 matches in 3 files; 1 file skipped");
    ASSERT_TRUE(window->ReplaceAllButton->isEnabled());

    window->ReplaceAllButton->click();
    EXPECT_EQ(questions, std::vector<std::string>{"Replace 5 matches in 3 files?"});
    EXPECT_EQ(ReadFile(dir.file("b.htm")), "new\nmid\rend new");
    EXPECT_EQ(ReadFile(dir.file("c.htm")), "caf\xE9 new");
    EXPECT_EQ(ReadFile(dir.file("d.htm")), std::string("old\0", 4));
    // The open file: changed in the pane, one step of its undo, not yet on disk.
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "Zold\r\nx old");
    EXPECT_EQ(form.Memo1->toPlainText(), "Znew\nx new");
    EXPECT_TRUE(form.NeedsSave);
    form.Memo1->undo(); // the replace alone, not the typing before it
    EXPECT_EQ(form.Memo1->toPlainText(), "Zold\nx old");
    form.Memo1->redo();
    EXPECT_THAT(window->OutcomeLabel->text().toStdString(),
                testing::StartsWith("Replaced 5 matches in 3 files."));
    EXPECT_FALSE(window->ReplaceAllButton->isEnabled()) << "the results are used";

    // Undo Replace writes the pane's file back first, then puts all three back.
    ASSERT_TRUE(window->UndoReplaceButton->isEnabled());
    window->UndoReplaceButton->click();
    EXPECT_EQ(questions.back(), "Undo the last Replace All in 3 files?");
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "Zold\r\nx old");
    EXPECT_EQ(ReadFile(dir.file("b.htm")), "old\nmid\rend old");
    EXPECT_EQ(ReadFile(dir.file("c.htm")), "caf\xE9 old");
    EXPECT_EQ(form.Memo1->toPlainText(), "Zold\nx old");
    EXPECT_FALSE(form.NeedsSave);
    EXPECT_FALSE(window->UndoReplaceButton->isEnabled());
    EXPECT_TRUE(errors.empty()) << errors.front();
}

// Another running program's later replace in the same folder supersedes this
// window's: its Undo Replace says so and undoes nothing of the other's work.
TEST_F(SearchFilesTest, AnotherProgramsLaterReplaceInTheFolderIsNotUndoneHere) {
    List({{"a.htm", "old a"}, {"b.htm", "old b"}});
    SearchWindow* window = OpenSearch(form.filesLB);
    ASSERT_TRUE(window);
    Search(window, "old", "new");
    window->ReplaceAllButton->click();
    ASSERT_EQ(ReadFile(dir.file("b.htm")), "new b");

    const std::string b = dir.file("b.htm");
    const uint64_t other = test::ReplaceAsAnotherProgram(dir.path(), b, "new", "theirs");
    ASSERT_NE(other, 0u);
    ASSERT_TRUE(window->UndoReplaceButton->isEnabled());
    window->UndoReplaceButton->click();
    EXPECT_THAT(window->OutcomeLabel->text().toStdString(),
                testing::StartsWith("Not undone: another running Sheafpad replaced in this "
                                    "folder after this window did"));
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "new a");
    EXPECT_EQ(ReadFile(b), "theirs b");
    const auto record = search::ReadReplaceRecord(dir.path());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->id, other) << "the other program's record must stay for it to undo";
    EXPECT_TRUE(errors.empty()) << errors.front();
}

// What Replace All and Undo Replace say: a read-only file is called so, one
// file is one file, and a replace that changed nothing offers no undo.
TEST_F(SearchFilesTest, ReplaceAndUndoSayWhatHappened) {
    List({{"e.htm", "old"}, {"f.htm", "old old"}});
    ASSERT_EQ(::chmod(dir.file("e.htm").c_str(), 0444), 0);
    SearchWindow* window = OpenSearch(form.filesLB);
    ASSERT_TRUE(window);
    Search(window, "old", "new");
    window->ReplaceAllButton->click();
    EXPECT_EQ(window->OutcomeLabel->text(),
              "Replaced 2 matches in 1 file.\ne.htm: the file is read-only: not replaced");
    ASSERT_TRUE(window->UndoReplaceButton->isEnabled());
    window->UndoReplaceButton->click();
    EXPECT_EQ(window->OutcomeLabel->text(), "Put back 1 file as it was.");
    EXPECT_EQ(ReadFile(dir.file("f.htm")), "old old");

    ASSERT_EQ(::chmod(dir.file("f.htm").c_str(), 0444), 0);
    Search(window, "old", "new");
    window->ReplaceAllButton->click();
    EXPECT_THAT(window->OutcomeLabel->text().toStdString(),
                testing::StartsWith("Replaced 0 matches in 0 files.\n"));
    EXPECT_FALSE(window->UndoReplaceButton->isEnabled());
    EXPECT_FALSE(search::HasReplaceRecord(dir.path()));
    EXPECT_TRUE(errors.empty());
}

TEST_F(SearchFilesTest, AResultOpensThroughTheClickPathWithTheMatchSelected) {
    List({{"a.htm", "first"}, {"b.htm", "one\r\ntwo caf\xC3\xA9 target here"}});
    Select("a.htm");
    QTest::keyClicks(form.Memo1, "X");
    ASSERT_TRUE(form.NeedsSave);
    form.Memo1->SetSelection(0, 1); // the selection fills the find field
    SearchWindow* window = OpenSearch(form.Memo1);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->FindEdit->text(), "X");
    Search(window, "TARGET", "");
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "Xfirst") << "written back before the search";
    const QModelIndex file = window->ResultsTree->model()->index(0, 0);
    const QModelIndex line = window->ResultsTree->model()->index(0, 0, file);
    ASSERT_TRUE(line.isValid());
    EXPECT_EQ(line.data().toString(), QString::fromUtf8("2: two caf\xC3\xA9 target here"));
    window->ResultsTree->setCurrentIndex(line);
    QTest::keyClick(window->ResultsTree, Qt::Key_Return);
    EXPECT_EQ(form.LoadedFName, dir.file("b.htm"));
    EXPECT_EQ(form.Memo1->SelectedPlainText(), "target");

    // Edited before the match and inside its line, the file shows the
    // match where it is now; a match whose text is gone selects where it was.
    form.Memo1->SetCaret(0);
    QTest::keyClicks(form.Memo1, "new line");
    QTest::keyClick(form.Memo1, Qt::Key_Return);
    form.Memo1->SetCaret(form.Memo1->toPlainText().indexOf("target") - 1);
    QTest::keyClick(form.Memo1, Qt::Key_Backspace);
    window->ResultsTree->setCurrentIndex(line);
    QTest::keyClick(window->ResultsTree, Qt::Key_Return);
    EXPECT_EQ(form.Memo1->SelectedPlainText(), "target");
    form.Memo1->SetSelection(form.Memo1->toPlainText().indexOf("target"),
                             form.Memo1->toPlainText().indexOf(" here"));
    QTest::keyClick(form.Memo1, Qt::Key_Delete);
    window->ResultsTree->setCurrentIndex(line);
    QTest::keyClick(window->ResultsTree, Qt::Key_Return);
    EXPECT_FALSE(form.Memo1->HasSelection());
    EXPECT_EQ(form.Memo1->CaretPosition(), form.Memo1->toPlainText().indexOf(" here"));
    EXPECT_TRUE(errors.empty());
}

TEST_F(SearchFilesTest, RenameAsksBeforeItChangesAnythingAndOneUndoPutsItAllBack) {
    List({{"a.htm", "<a href=\"b.htm\">b</a>"},
          {"b.htm", "self: <a href=b.htm>b.htm</a>"},
          {"c.htm", "\xEF\xBB\xBF"
                    "<img src=b.htm> and bb.htm and b.html\n"}});
    const std::string files = test::JoinedDirNames(dir.path());
    Select("b.htm");
    std::vector<std::string> shown; // what each dialog said would change
    std::function<void(RenameDialog&)> answer;
    RenameDialog::SetRunHook([&](RenameDialog& dialog) {
        shown.push_back(dialog.ReferencesLabel->text().toStdString());
        answer(dialog);
    });
    auto type = [&](const QString& name, QPushButton* RenameDialog::*button) {
        answer = [name, button](RenameDialog& dialog) {
            dialog.NameEdit->setText(name);
            (dialog.*button)->click();
        };
    };
    // Asked first, with the references counted (the one after a byte-order
    // mark too); Cancel changes nothing. The old name renames nothing.
    answer = [](RenameDialog& dialog) {
        EXPECT_EQ(dialog.NameEdit->text(), "b.htm");
        EXPECT_FALSE(dialog.UpdateButton->isEnabled());
        dialog.NameEdit->setText("new.htm");
        EXPECT_TRUE(dialog.UpdateButton->isEnabled() && dialog.UpdateButton->isDefault());
        dialog.CancelButton->click();
    };
    form.filesLB->setFocus();
    QTest::keyClick(form.filesLB, Qt::Key_F2);
    EXPECT_EQ(shown, std::vector<std::string>{"3 references in 3 files would change."});
    EXPECT_EQ(test::JoinedDirNames(dir.path()), files);

    type("a.htm", &RenameDialog::UpdateButton);
    QTest::keyClick(form.filesLB, Qt::Key_F2);
    ASSERT_EQ(errors.size(), 1u) << "a taken name is refused";
    EXPECT_EQ(errors[0], "Cannot rename \"b.htm\" to \"a.htm\". A file of that name exists.");
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "<a href=\"b.htm\">b</a>");

    // F2 in the pane, where a click on a name leaves the focus, renames the
    // open file; the references go with it.
    QTest::mouseClick(form.filesLB->viewport(), Qt::LeftButton, {},
                      form.filesLB->visualRect(Row("b.htm")).center());
    ASSERT_TRUE(form.Memo1->hasFocus());
    type("new.htm", &RenameDialog::UpdateButton);
    QTest::keyClick(form.Memo1, Qt::Key_F2);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(test::JoinedDirNames(dir.path()), "a.htm c.htm new.htm");
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "<a href=\"new.htm\">b</a>");
    EXPECT_EQ(ReadFile(dir.file("c.htm")), "\xEF\xBB\xBF"
                                           "<img src=new.htm> and bb.htm and b.html\n");
    // The open file: renamed under the pane, its reference changed in the pane.
    EXPECT_EQ(form.LoadedFName, dir.file("new.htm"));
    EXPECT_EQ(form.Memo1->toPlainText(), "self: <a href=new.htm>b.htm</a>")
        << "the link, not the text";
    EXPECT_EQ(*form.SelectedName(), "new.htm");

    SearchWindow* window = OpenSearch(form.filesLB);
    ASSERT_TRUE(window);
    ASSERT_TRUE(window->UndoReplaceButton->isEnabled());
    window->UndoReplaceButton->click();
    EXPECT_EQ(questions.back(), "Undo the last rename and its replace in 3 files?");
    EXPECT_EQ(test::JoinedDirNames(dir.path()), files);
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "<a href=\"b.htm\">b</a>");
    EXPECT_EQ(ReadFile(dir.file("b.htm")), "self: <a href=b.htm>b.htm</a>");
    EXPECT_EQ(form.LoadedFName, dir.file("b.htm"));
    EXPECT_EQ(form.Memo1->toPlainText(), "self: <a href=b.htm>b.htm</a>");

    // Rename only: the name changes, every reference stays as it was.
    type("d.htm", &RenameDialog::OnlyButton);
    ASSERT_NO_FATAL_FAILURE(ShowActive()); // back from the search window
    form.filesLB->setFocus();
    QTest::keyClick(form.filesLB, Qt::Key_F2);
    EXPECT_EQ(test::JoinedDirNames(dir.path()), "a.htm c.htm d.htm");
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "<a href=\"b.htm\">b</a>");
    EXPECT_EQ(ReadFile(dir.file("d.htm")), "self: <a href=b.htm>b.htm</a>");
    EXPECT_EQ(form.LoadedFName, dir.file("d.htm"));
    EXPECT_EQ(shown.size(), 4u);
    EXPECT_EQ(errors.size(), 1u);
}

} // namespace
