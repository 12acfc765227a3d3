// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: its controls, start-up state and the file list.
#include "app/form1.h"
#include "form_fixture.h"
#include "syntax/syntax_language.h"
#include "test_util.h"
#include "widgets/about_box.h"
#include "widgets/dir_list_widget.h"
#include "widgets/directory_edit.h"
#include "widgets/file_list_model.h"
#include "widgets/rich_edit.h"
#include "widgets/search_window.h"
#include "widgets/select_dir_dialog.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace sheafpad;
using sheafpad::test::TempDir;
using sheafpad::test::WriteFile;

namespace {

QStringList ListedNames(const TForm1& form) {
    QStringList names;
    for (int row = 0; row < form.filesModel->rowCount(); ++row) {
        names << form.filesModel->index(row).data().toString();
    }
    names.sort();
    return names;
}

} // namespace

TEST(MainWindowLayout, ControlsHaveTheirNamesPlacesTextsAndTips) {
    TForm1 form;
    // The fields' column (and the left panel) is as wide as the find field's
    // prompt needs in the desktop's font, never narrower than the layout's.
    const int grow = form.Panel1->width() - 169;
    EXPECT_GE(grow, 0);
    const int frame = form.FindEdit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    EXPECT_LE(form.FindEdit->fontMetrics().horizontalAdvance(form.FindEdit->text()) + 2 * 2,
              form.FindEdit->width() - 2 * frame)
        << "the prompt is cut";
    struct Row {
        const char* name;
        QRect place; // null: docked, not checked here
        const char* tip;
    } rows[] = {
        {"TypesMemo", {8, 8, 145 + grow, 73}, "List of file extensions you wish to edit"},
        {"dirEdit", {8, 88, 145 + grow, 21}, "Directory in which the editable files will be found"},
        {"FindEdit",
         {8, 112, 145 + grow, 21},
         "Type text you wish to \"find\" here.  The current file will be searched starting at the "
         "cursor if you press <Enter> or <F3>"},
        {"CheckButton",
         {8, 140, 41, 17},
         "Check for file names that do not occur in any other file"},
        {"QuitButton", {112, 140, 41, 17}, "Quit this program"},

        {"SaveButton", {64, 162, 41, 17}, "Save currently displayed file, whether changed or not"},
        {"CancelButton", {112, 162, 41, 17}, "Cancel automatic save for currently displayed file"},
        {"SubfoldersBox",
         {8, 182, 145 + grow, 17},
         "List the files of every folder below this one too"},
        {"filesLB",
         {},
         "Click on a file to start editing it.  Current file will be saved first if it has been "
         "changed/edited."},
        {"Memo1", {}, ""},
    };
    for (const Row& row : rows) {
        auto* control = form.findChild<QWidget*>(row.name);
        ASSERT_NE(control, nullptr) << row.name;
        if (!row.place.isNull()) {
            EXPECT_EQ(control->geometry(), row.place) << row.name;
            EXPECT_EQ(control->parentWidget(), form.Panel2) << row.name;
        }
        EXPECT_EQ(control->toolTip(), QString::fromUtf8(row.tip)) << row.name;
    }
    EXPECT_EQ(form.Panel2->parentWidget(), form.Panel1);
    EXPECT_EQ(form.Panel3->parentWidget(), form.Panel1);
    EXPECT_EQ(form.filesLB->parentWidget(), form.Panel3);
    EXPECT_EQ(form.Memo1->parentWidget(), &form);
    EXPECT_EQ(form.TypesMemo->toPlainText(), ".htm\n.html\n.js");
    EXPECT_EQ(form.FindEdit->text(), "Type \"find\" text here + <Enter>");
    EXPECT_EQ(form.CheckButton->text(), "Check");
    EXPECT_EQ(form.QuitButton->text(), "&Quit");
    EXPECT_EQ(form.SaveButton->text(), "Save");
    EXPECT_EQ(form.CancelButton->text(), "Cancel");
    EXPECT_EQ(form.lNeedsSave->text(), "Changed");
    EXPECT_TRUE(form.lNeedsSave->font().bold());
    EXPECT_EQ(form.SubfoldersBox->text(), "&Include subfolders"); // Alt+I
    EXPECT_FALSE(form.SubfoldersBox->isChecked());
    EXPECT_EQ(form.OpenFolder1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    // The pane in the desktop's fixed-pitch font at its size; the controls in theirs.
    EXPECT_TRUE(QFontInfo(form.Memo1->font()).fixedPitch());
    EXPECT_EQ(form.Memo1->font().pointSizeF(),
              QFontDatabase::systemFont(QFontDatabase::FixedFont).pointSizeF());
    EXPECT_EQ(form.CheckButton->font().pointSize(), 8);
    // The label grows with its text from its place, never cutting it.
    EXPECT_EQ(form.lNeedsSave->pos(), QPoint(8, 163));
    EXPECT_GE(form.lNeedsSave->width(), 51);
    EXPECT_GE(form.lNeedsSave->width(), form.lNeedsSave->sizeHint().width());
    EXPECT_LE(form.lNeedsSave->geometry().right(), form.SaveButton->x());
    EXPECT_EQ(form.FindEdit->cursorPosition(), 0);
    EXPECT_EQ(form.windowTitle(), "Sheafpad");
    ASSERT_GE(form.MemoPopupMenu->actions().size(), 3);
    EXPECT_EQ(form.MemoPopupMenu->actions()[0]->text(), "Copy");
    EXPECT_EQ(form.MemoPopupMenu->actions()[1]->text(), "Cut");
    EXPECT_EQ(form.MemoPopupMenu->actions()[2]->text(), "Paste");
    EXPECT_EQ(form.filesLB->toolTipDuration(), 2500);
}

// The pane's menu ends with "About Sheafpad": the version, the licence, and
// each part of others built in with its copyright and licence notice.
TEST(MainWindowLayout, AboutIsTheLastEntryOfThePanesMenuAndNamesTheBuiltInParts) {
    TForm1 form;
    const QList<QAction*> actions = form.MemoPopupMenu->actions();
    ASSERT_GE(actions.size(), 5);
    EXPECT_EQ(actions.back(), form.About1);
    EXPECT_EQ(form.About1->text(), "About Sheafpad");
    EXPECT_TRUE(actions[actions.size() - 2]->isSeparator());

    int shown = 0;
    QString title, heading, licence, parts;
    AboutBox::SetShowHook([&](AboutBox& box) {
        ++shown;
        title = box.windowTitle();
        heading = box.TitleLabel->text();
        licence = box.LicenceLabel->text();
        parts = box.PartsText->toPlainText();
        EXPECT_TRUE(box.PartsText->isReadOnly());
        box.CloseButton->click();
        EXPECT_EQ(box.result(), QDialog::Rejected);
    });
    form.About1->trigger();
    AboutBox::SetShowHook(nullptr);
    ASSERT_EQ(shown, 1);
    EXPECT_EQ(title, "About Sheafpad");
    EXPECT_EQ(heading, "Sheafpad " SHEAFPAD_VERSION);
    EXPECT_TRUE(licence.contains("GPL-3.0-or-later")) << licence.toStdString();
    if (!syntax::GrammarsMissing().empty()) {
        EXPECT_TRUE(parts.startsWith("Nothing")) << parts.toStdString();
        return;
    }
    // Read from the grammars' own LICENSE files when the program was built.
    for (const char* name : {"tree-sitter-html ", "tree-sitter-css ", "tree-sitter-javascript "}) {
        const qsizetype at = parts.indexOf(QLatin1String(name));
        ASSERT_GE(at, 0) << name << parts.toStdString();
        const QString entry = parts.mid(at, parts.indexOf("\n\n", at) - at);
        EXPECT_TRUE(
            entry.contains(QRegularExpression("\\n  Copyright \\(c\\) 20\\d\\d Max Brunsfeld\\n  "
                                              "Licence: MIT$")))
            << entry.toStdString();
    }
    EXPECT_TRUE(parts.contains("Permission is hereby granted, free of charge"));
    EXPECT_TRUE(parts.trimmed().endsWith("OTHER DEALINGS IN THE\nSOFTWARE."));
}

// Screen readers see the main window and the search window as frames, the
// panels as panels, and a name for every list and column.
TEST(MainWindowLayout, AssistiveToolsSeeWindowsPanelsAndNamedLists) {
    TForm1 form;
    auto roleOf = [](QObject* object) {
        QAccessibleInterface* access = QAccessible::queryAccessibleInterface(object);
        return access != nullptr ? access->role() : QAccessible::NoRole;
    };
    EXPECT_EQ(roleOf(&form), QAccessible::Window);
    for (QWidget* panel : {form.Panel1, form.Panel2, form.Panel3}) {
        EXPECT_EQ(roleOf(panel), QAccessible::Pane) << panel->objectName().toStdString();
    }
    SearchWindow search;
    search.setWindowTitle("Search in Files");
    EXPECT_EQ(roleOf(&search), QAccessible::Window);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&search)->text(QAccessible::Name),
              "Search in Files");
    EXPECT_EQ(search.ResultsTree->model()->headerData(0, Qt::Horizontal).toString(),
              "Files and matching lines");
    TSelectDirDlg folders(nullptr, 0, 0);
    EXPECT_EQ(folders.DirList->accessibleName(), "Directories");
    EXPECT_EQ(folders.FileList->accessibleName(), "Files");
    EXPECT_EQ(roleOf(&folders), QAccessible::Dialog);
}

TEST(MainWindowLayout, PanelsAreDockedAndTheWindowHasItsBounds) {
    TForm1 form;
    form.show();
    EXPECT_EQ(form.OuterBounds(), QRect(268, 116, 924, 480));
    EXPECT_EQ(form.Panel1->geometry().left(), 0);
    const int width = form.FindEdit->width() + 24; // 169 with the layout's fields
    EXPECT_EQ(form.Panel1->width(), width);
    EXPECT_EQ(form.Panel1->height(), form.height());
    // Grown by the subfolder box under the Save and Cancel row.
    EXPECT_EQ(form.Panel2->geometry(), QRect(0, 0, width, 184 + 17));
    EXPECT_EQ(form.Panel3->geometry().top(), 184 + 17);
    EXPECT_EQ(form.Memo1->geometry().left(), width);
    EXPECT_EQ(form.Memo1->width(), form.width() - width);
}

TEST(MainWindowLayout, TabOrderRunsThroughTheControlPanelThenListThenPane) {
    TForm1 form;
    QList<QWidget*> expected = {
        form.TypesMemo,  form.dirEdit,     form.CancelButton,  form.QuitButton, form.FindEdit,
        form.SaveButton, form.CheckButton, form.SubfoldersBox, form.filesLB,    form.Memo1};
    for (int i = 0; i + 1 < expected.size(); ++i) {
        QWidget* next = expected[i]->nextInFocusChain();
        // Skip the pieces of composite widgets that take no focus.
        while (next != nullptr && next->focusPolicy() == Qt::NoFocus) {
            next = next->nextInFocusChain();
        }
        EXPECT_EQ(next, expected[i + 1]) << expected[i]->objectName().toStdString();
    }
}

TEST(MainWindowStartup, ListsTheProgramDirectoryAndFocusesTheList) {
    TForm1 form;
    form.show();
    const std::string exeDir = QCoreApplication::applicationDirPath().toStdString() + "/";
    EXPECT_EQ(form.ExeDir, exeDir);
    EXPECT_EQ(form.dirEdit->InitialDir(), exeDir);
    EXPECT_EQ(form.dirEdit->Text(), exeDir);
    EXPECT_EQ(form.focusWidget(), form.filesLB);
    EXPECT_TRUE(form.LoadedFName.empty());
    EXPECT_FALSE(form.NeedsSave);
    // The introduction is shown read-only; nothing to save: no "Changed", Save or Cancel.
    EXPECT_TRUE(form.Memo1->isReadOnly());
    EXPECT_TRUE(form.Memo1->toPlainText().startsWith(
        "Every text editor can edit multiple files, so what's the big deal here? Allow me to "
        "explain."));
    EXPECT_TRUE(form.Memo1->toPlainText().endsWith(
        "Hover the cursor over the buttons to see what they do!\n"
        "Click on a file name to get started with your editing!\n"));
    EXPECT_FALSE(form.SaveButton->isVisible());
    EXPECT_FALSE(form.CancelButton->isVisible());
    EXPECT_FALSE(form.lNeedsSave->isVisible());
}

class FileListTest : public testing::Test {
protected:
    TempDir dir;
    TForm1 form;
    void SetUp() override {
        for (const char* name : {"index.html", "page.htm.bak", "notes.jsx", "style.css", "a.txt",
                                 "b.tex", "bad\xFF.htm"}) {
            WriteFile(dir.file(name), "x");
        }
        form.show();
        form.dirEdit->SetText(dir.path());
    }
};

TEST_F(FileListTest, ListsMatchingNamesAndShowsInvalidUtf8WithAReplacement) {
    EXPECT_EQ(ListedNames(form),
              (QStringList{"bad\uFFFD.htm", "index.html", "notes.jsx", "page.htm.bak"}));
    // The raw bytes stay beside the shown text.
    const auto& names = form.filesModel->Names();
    EXPECT_NE(std::find(names.begin(), names.end(), "bad\xFF.htm"), names.end());
}

TEST_F(FileListTest, OddCharactersInPatternsAndNamesAreKept) {
    // A pattern is matched as typed: a no-break space is not a space.
    WriteFile(dir.file("nb\xC2\xA0.htm"), "x");
    WriteFile(dir.file("nb .htm"), "x");
    form.TypesMemo->setPlainText(QString::fromUtf8("\xC2\xA0.htm"));
    EXPECT_EQ(ListedNames(form), QStringList{"nb\u00A0.htm"});

    // A name with a line break or a tab shows on one row of the common height,
    // and opens by its exact bytes.
    WriteFile(dir.file("two\nlines.htm"), "second");
    WriteFile(dir.file("tab\t.htm"), "x");
    form.TypesMemo->setPlainText(".htm");
    EXPECT_EQ(ListedNames(form),
              (QStringList{"bad\uFFFD.htm", "index.html", "nb .htm", "nb\u00A0.htm", "page.htm.bak",
                           "tab\\t.htm", "two\\nlines.htm"}));
    const int height = form.filesLB->visualRect(form.filesModel->index(0)).height();
    EXPECT_LT(height, 2 * form.filesLB->fontMetrics().height());
    for (int row = 0; row < form.filesModel->rowCount(); ++row) {
        EXPECT_EQ(form.filesLB->sizeHintForRow(row), height) << row;
    }
    test::SelectName(form, "two\nlines.htm");
    EXPECT_EQ(form.LoadedFName, dir.file("two\nlines.htm"));
    EXPECT_EQ(form.Memo1->toPlainText(), "second");
}

TEST_F(FileListTest, TypingAPatternRelistsAfterEveryCharacter) {
    form.TypesMemo->clear();
    EXPECT_EQ(form.filesModel->rowCount(), 0);
    form.TypesMemo->setFocus();
    QTest::keyClick(form.TypesMemo, Qt::Key_Period);
    EXPECT_EQ(form.filesModel->rowCount(), 7);
    QTest::keyClick(form.TypesMemo, Qt::Key_T);
    EXPECT_EQ(ListedNames(form), (QStringList{"a.txt", "b.tex"}));
    QTest::keyClick(form.TypesMemo, Qt::Key_X);
    EXPECT_EQ(ListedNames(form), (QStringList{"a.txt"}));
}

TEST_F(FileListTest, DirectoryChangeRuleFiresOnlyOnRealChanges) {
    QSignalSpy changes(form.dirEdit, &TJvDirectoryEdit::OnChange);
    form.dirEdit->SetText(dir.path());
    EXPECT_EQ(changes.count(), 0);
    form.dirEdit->SetText(dir.path() + "/");
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(form.filesModel->rowCount(), 4); // the same entries with a trailing "/"
    form.dirEdit->SetText(dir.file("missing"));
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(form.filesModel->rowCount(), 0);
}

TEST_F(FileListTest, RelistingLeavesThePaneAndTheCurrentFileAlone) {
    form.LoadedFName = dir.file("index.html");
    form.NeedsSave = true;
    const QString paneText = form.Memo1->toPlainText();
    {
        // Select without opening the file.
        QSignalBlocker quiet(form.filesLB->selectionModel());
        form.filesLB->selectionModel()->select(form.filesModel->index(0),
                                               QItemSelectionModel::ClearAndSelect);
    }
    form.RefreshFileList();
    EXPECT_TRUE(form.filesLB->selectionModel()->selectedRows().isEmpty());
    EXPECT_EQ(form.LoadedFName, dir.file("index.html"));
    EXPECT_TRUE(form.NeedsSave);
    EXPECT_EQ(form.Memo1->toPlainText(), paneText);
}
