// SPDX-License-Identifier: GPL-3.0-or-later
// The search window as a user drives it: results that come as the find text
// is typed, Replace Checked, Cancel in the middle of Replace All and of Undo
// Replace, the open file as the scope with the pane's undo, the matches
// marked in the pane, and the drop-downs kept in the settings.
#include "app/search_controller.h"
#include "form_fixture.h"
#include "search/replace_record.h"
#include "widgets/rich_edit.h"
#include "widgets/search_results.h"
#include "widgets/search_window.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gmock/gmock.h>
#include <thread>

using namespace sheafpad;
using sheafpad::test::ReadFile;

namespace {

const test::TempDir& StateHome() {
    static const test::TempDir dir;
    return dir;
}
const bool kStateHomeSet = (::setenv("XDG_STATE_HOME", StateHome().path().c_str(), 1), true);

class SearchReplaceTest : public test::FormFixture {
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
        EditRunner::SetStepHook(nullptr);
    }
    SearchWindow* Open(QWidget* from, QKeyCombination keys) {
        QTest::keyClick(from, keys.key(), keys.keyboardModifiers());
        SearchWindow* window = form.SearchFiles();
        EXPECT_TRUE(window != nullptr && window->isVisible());
        if (window != nullptr) {
            QApplication::setActiveWindow(window); // its buttons' Alt keys work there
            EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        }
        return window;
    }
    // Types the find text as a user does, without Enter; the results come.
    static void Type(SearchWindow* window, const QString& find) {
        window->FindEdit->clear();
        QTest::keyClicks(window->FindEdit, find);
        EXPECT_TRUE(window->Searching()) << "no search under way after typing";
        QTRY_VERIFY(!window->Searching());
    }
    // The worker stops at step `at` of its run number `run` (counted from 0)
    // until act (by default a press of the dialog's Cancel button) has run
    // on the window's thread.
    void ActAtStep(int run, size_t at, std::function<void()> act) {
        auto runs = std::make_shared<std::atomic<int>>(0);
        auto reached = std::make_shared<std::atomic<bool>>(false);
        auto done = std::make_shared<std::atomic<bool>>(false);
        EditRunner::SetStepHook([=](size_t step) {
            if (step == 0 && !reached->load()) {
                ++*runs;
            }
            if (*runs - 1 != run || step != at || reached->exchange(true)) {
                return;
            }
            for (int i = 0; i < 10000 && !done->load(); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        auto* poll = new QTimer(&form);
        QObject::connect(poll, &QTimer::timeout, poll, [=] {
            if (reached->load() && form.Search()->Runner().Dialog() != nullptr && !done->load()) {
                act();
                done->store(true);
                poll->deleteLater();
            }
        });
        poll->start(5);
        acted = done;
    }
    void CancelAtStep(int run, size_t at) {
        ActAtStep(run, at, [this] {
            auto* button = form.Search()->Runner().Dialog()->findChild<QPushButton*>();
            ASSERT_TRUE(button != nullptr);
            button->click();
        });
    }
    std::vector<std::string> questions;
    std::shared_ptr<std::atomic<bool>> acted;
};

TEST_F(SearchReplaceTest, TypedResultsReplaceCheckedOnlyAndTheTextsAreKept) {
    List({{"a.htm", "old old old"}, {"b.htm", "old\r\nold"}, {"c.htm", "old"}});
    SearchWindow* window = Open(form.filesLB, Qt::CTRL | Qt::SHIFT | Qt::Key_H);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->CurrentScope(), SearchWindow::Scope::ListedFiles);
    Type(window, "old");
    EXPECT_EQ(window->SummaryLabel->text(), "6 matches in 3 files");
    QTest::keyClicks(window->ReplaceEdit, "new");
    // An Alt+letter that no button takes types nothing.
    QTest::keyClick(window->ReplaceEdit, Qt::Key_Q, Qt::AltModifier);
    EXPECT_EQ(window->ReplaceEdit->text(), "new");
    ASSERT_TRUE(window->ReplaceAllButton->isEnabled());

    // Clear c.htm's box and the middle match of a.htm.
    SearchResultsModel& results = window->Results();
    ASSERT_EQ(results.rowCount(), 3);
    const QModelIndex a = results.index(0, 0), c = results.index(2, 0);
    ASSERT_TRUE(results.setData(c, Qt::Unchecked, Qt::CheckStateRole));
    ASSERT_TRUE(results.setData(results.index(1, 0, a), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_EQ(results.data(a, Qt::CheckStateRole).toInt(), Qt::PartiallyChecked);
    EXPECT_EQ(window->ReplaceAllButton->text(), "Repl&ace Checked");
    QTest::keyClick(window->ReplaceEdit, Qt::Key_A, Qt::AltModifier);
    // The button animates its click before it acts.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !questions.empty(); }));
    EXPECT_EQ(window->ReplaceEdit->text(), "new");
    EXPECT_EQ(questions, std::vector<std::string>{"Replace 4 matches in 2 files?"});
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "new old new");
    EXPECT_EQ(ReadFile(dir.file("b.htm")), "new\r\nnew");
    EXPECT_EQ(ReadFile(dir.file("c.htm")), "old");
    EXPECT_THAT(window->OutcomeLabel->text().toStdString(),
                testing::StartsWith("Replaced 4 matches in 2 files."));

    // The texts are offered again, and kept in the settings' [Search] section.
    EXPECT_EQ(window->FindHistory(), QStringList{"old"});
    EXPECT_EQ(window->ReplaceHistory(), QStringList{"new"});
    ASSERT_TRUE(form.FormClose());
    const std::string ini = ReadFile(form.SettingsPathOverride);
    EXPECT_THAT(ini, testing::HasSubstr("[Search]\r\nFindText1=old\r\nReplaceText1=new\r\n"));
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(SearchReplaceTest, CancelStopsReplaceAllAndUndoBetweenFilesAndUndoIsExact) {
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < 8; ++i) {
        files.emplace_back("f" + std::to_string(i) + ".htm",
                           "old " + std::to_string(i) + (i % 2 ? "\r\nold" : "\nx"));
    }
    List(files);
    SearchWindow* window = Open(form.filesLB, Qt::CTRL | Qt::SHIFT | Qt::Key_F);
    ASSERT_TRUE(window);
    Type(window, "old");
    window->ReplaceEdit->setText("new");
    auto isNew = [&](size_t i) {
        const std::string now = ReadFile(dir.file(files[i].first));
        std::string replaced = files[i].second;
        for (size_t at = 0; (at = replaced.find("old", at)) != std::string::npos;) {
            replaced.replace(at, 3, "new");
        }
        EXPECT_TRUE(now == files[i].second || now == replaced) << files[i].first << ": " << now;
        return now == replaced;
    };

    // Run 0 reads the files, run 1 writes them: Cancel as the fourth is written.
    CancelAtStep(1, 3);
    window->ReplaceAllButton->click();
    ASSERT_TRUE(acted->load()) << "the Cancel button was never pressed";
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(isNew(i), i < 3) << i;
    }
    EXPECT_THAT(window->OutcomeLabel->text().toStdString(),
                testing::StartsWith("Cancelled after 3 files: replaced 4 matches."));
    ASSERT_TRUE(window->UndoReplaceButton->isEnabled());

    // Undo, cancelled after its first file: that one old, the rest as they were.
    CancelAtStep(0, 1);
    window->UndoReplaceButton->click();
    ASSERT_TRUE(acted->load());
    EXPECT_EQ(questions.back(), "Undo the last Replace All in 3 files?");
    EXPECT_FALSE(isNew(0));
    EXPECT_TRUE(isNew(1) && isNew(2));
    EXPECT_THAT(window->OutcomeLabel->text().toStdString(),
                testing::StartsWith("Cancelled: Put back 1 file as it was."));

    // Undo again finishes it: every byte as before the replace.
    EditRunner::SetStepHook(nullptr);
    ASSERT_TRUE(window->UndoReplaceButton->isEnabled());
    window->UndoReplaceButton->click();
    for (const auto& [name, bytes] : files) {
        EXPECT_EQ(ReadFile(dir.file(name)), bytes) << name;
    }
    EXPECT_FALSE(search::HasReplaceRecord(dir.path()));
    EXPECT_TRUE(errors.empty()) << errors.front();
}

// An undo stopped part-way leaves the replace this window's: a later replace
// by another program in the folder is still not undone from here.
TEST_F(SearchReplaceTest, AStoppedUndoStillKeepsAnotherProgramsLaterReplace) {
    List({{"a.htm", "old a"}, {"b.htm", "old b"}, {"c.htm", "old c"}});
    SearchWindow* window = Open(form.filesLB, Qt::CTRL | Qt::SHIFT | Qt::Key_F);
    ASSERT_TRUE(window);
    Type(window, "old");
    window->ReplaceEdit->setText("new");
    window->ReplaceAllButton->click();
    ASSERT_EQ(ReadFile(dir.file("c.htm")), "new c");
    CancelAtStep(0, 1);
    window->UndoReplaceButton->click();
    ASSERT_TRUE(acted->load()) << "the Cancel button was never pressed";
    ASSERT_EQ(ReadFile(dir.file("a.htm")) + ReadFile(dir.file("c.htm")), "old anew c");
    EditRunner::SetStepHook(nullptr);

    const std::string c = dir.file("c.htm");
    const uint64_t other = test::ReplaceAsAnotherProgram(dir.path(), c, "new", "theirs");
    ASSERT_NE(other, 0u);
    window->UndoReplaceButton->click();
    EXPECT_THAT(window->OutcomeLabel->text().toStdString(),
                testing::StartsWith("Not undone: another running Sheafpad replaced"));
    EXPECT_EQ(ReadFile(c), "theirs c");
    const auto record = search::ReadReplaceRecord(dir.path());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->id, other);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(SearchReplaceTest, ClosingDuringReplaceAllAsksAndClosesOnceTheFileBeingWrittenIsDone) {
    List({{"a.htm", "old"}, {"b.htm", "old"}, {"c.htm", "old"}});
    SearchWindow* window = Open(form.filesLB, Qt::CTRL | Qt::SHIFT | Qt::Key_F);
    ASSERT_TRUE(window);
    Type(window, "old");
    window->ReplaceEdit->setText("new");
    ActAtStep(1, 1, [this] { form.close(); });
    window->ReplaceAllButton->click();
    ASSERT_TRUE(acted->load()) << "the window was never closed";
    EXPECT_EQ(questions.back(),
              "Files are being changed. Stop after the file being written, and close?");
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "new");
    EXPECT_EQ(ReadFile(dir.file("b.htm")) + ReadFile(dir.file("c.htm")), "oldold");
    QTRY_VERIFY(!form.isVisible());
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(SearchReplaceTest, CtrlHReplacesInTheOpenFileAsOneStepOfItsUndo) {
    List({{"a.htm", "old\r\nold"}, {"b.htm", "old"}});
    Select("a.htm");
    form.Memo1->SetCaret(form.Memo1->Length());
    QTest::keyClicks(form.Memo1, " old"); // unsaved: the pane's text is what is searched
    form.Memo1->SetCaret(0);
    SearchWindow* window = Open(form.Memo1, Qt::CTRL | Qt::Key_H);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->CurrentScope(), SearchWindow::Scope::OpenFile);
    Type(window, "old");
    EXPECT_EQ(window->SummaryLabel->text(), "3 matches in 1 file");
    window->ReplaceEdit->setText("new");
    // A pane changed since the search is not replaced by its old results.
    form.Memo1->Replace(0, 0, "old ", TextView::Origin::User);
    window->ReplaceAllButton->click();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_THAT(errors[0], testing::HasSubstr("changed since the search"));
    EXPECT_EQ(form.Memo1->toPlainText(), "old old\nold old");
    form.Memo1->undo();
    errors.clear();
    questions.clear();
    window->SearchButton->click();
    QTRY_VERIFY(!window->Searching());
    window->ReplaceAllButton->click();
    EXPECT_EQ(questions, std::vector<std::string>{"Replace 3 matches in the open file?"});
    EXPECT_EQ(form.Memo1->toPlainText(), "new\nnew new");
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "old\r\nold") << "the pane's edit, not yet written";
    EXPECT_EQ(ReadFile(dir.file("b.htm")), "old");
    EXPECT_TRUE(form.NeedsSave);
    EXPECT_FALSE(search::HasReplaceRecord(dir.path())) << "the pane's undo takes it back";
    QTest::keyClick(form.Memo1, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(form.Memo1->toPlainText(), "old\nold old");
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(SearchReplaceTest, AnOpenedResultMarksTheMatchesUntilTheSearchChanges) {
    List({{"a.htm", "x"}, {"b.htm", "one old\r\ntwo old old"}});
    SearchWindow* window = Open(form.filesLB, Qt::CTRL | Qt::SHIFT | Qt::Key_F);
    ASSERT_TRUE(window);
    Type(window, "old");
    const QModelIndex file = window->Results().index(0, 0);
    window->ResultsTree->setCurrentIndex(window->Results().index(1, 0, file));
    QTest::keyClick(window->ResultsTree, Qt::Key_Return);
    ASSERT_EQ(form.LoadedFName, dir.file("b.htm"));
    EXPECT_EQ(form.Memo1->SelectionStart(), 12);
    const TextView::MarkedRanges marks{{4, 3}, {12, 3}, {16, 3}};
    EXPECT_EQ(form.Memo1->Marked(), marks);
    // An edit moves the marks after it and drops the one it touches.
    form.Memo1->Replace(0, 3, "1", TextView::Origin::User);
    form.Memo1->Replace(12, 1, "", TextView::Origin::User);
    EXPECT_EQ(form.Memo1->Marked(), (TextView::MarkedRanges{{2, 3}, {13, 3}}));
    // Another find text: the marks go.
    QTest::keyClicks(window->FindEdit, "d");
    EXPECT_TRUE(form.Memo1->Marked().empty());
    EXPECT_TRUE(errors.empty()) << errors.front();
}

} // namespace
