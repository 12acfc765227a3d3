// SPDX-License-Identifier: GPL-3.0-or-later
// The site as one tree in the main window: the subfolder switch and its
// setting, everything that works on the listed files reaching into the
// subfolders, the list following the disk while a file is being edited, the
// folders it cannot read, and the other ways to choose the folder.
#include "app/search_controller.h"
#include "form_fixture.h"
#include "search/replace_record.h"
#include "widgets/recent_folders.h"
#include "widgets/rename_dialog.h"
#include "widgets/rich_edit.h"
#include "widgets/search_results.h"
#include "widgets/search_window.h"
#include "widgets/site_list.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace sheafpad;
using sheafpad::test::ReadFile;
using sheafpad::test::WriteFile;
using sheafpad::test::WriteFileIn;
using Names = std::vector<std::string>;

namespace {

// Replace records go to a scratch state folder, never to the user's own.
const test::TempDir& StateHome() {
    static const test::TempDir dir;
    return dir;
}
const bool kStateHomeSet = (::setenv("XDG_STATE_HOME", StateHome().path().c_str(), 1), true);

// The list follows the disk a moment after a change: this long is only
// ever waited for when it does not.
constexpr int kPatienceMs = 20000;

class SiteTest : public test::FormFixture {
protected:
    void TearDown() override {
        TForm1::SetQuestionHook(nullptr);
        RenameDialog::SetRunHook(nullptr);
        RecentFolders::SetChooserHook(nullptr);
    }
    void Tree(const std::vector<std::pair<std::string, std::string>>& files) {
        for (const auto& [path, bytes] : files) {
            WriteFileIn(dir.path(), path, bytes);
        }
    }
    void Type(const QString& keys) { QTest::keyClicks(form.Memo1, keys); }
    std::string SelectedName() const { return form.SelectedName().value_or("(none)"); }
};

TEST_F(SiteTest, ATreeFromTheSettingsIsOpenedWrittenAndCheckedAsTheFolderIs) {
    Tree({{"index.html", "<a href=\"sub/page.html\"><script src=\"js/app.js\">"},
          {"sub/index.html", "sub index"},
          {"sub/page.html", "page, back to index.html"},
          {"js/app.js", "app"},
          {"js/old.js", "nobody loads me"},
          {".git/x.html", "hidden"}});
    const std::string ini = form.SettingsPathOverride;
    WriteFile(ini, "[Initial]\r\nDir=" + dir.path() +
                       "\r\nLoadedFName=" + dir.file("sub/page.html") +
                       "\r\n[Site]\r\nSubfolders=1\r\nRecent1=/no/such/folder\r\n");
    ASSERT_NO_FATAL_FAILURE(ShowActive());
    EXPECT_TRUE(form.SubfoldersBox->isChecked());
    EXPECT_TRUE(form.Subfolders1->isChecked());
    EXPECT_EQ(form.filesModel->Names(),
              (Names{"index.html", "js/app.js", "js/old.js", "sub/index.html", "sub/page.html"}));
    EXPECT_EQ(form.filesModel->index(4).data().toString(), "sub/page.html");
    // The current file in its subfolder is restored, and not opened.
    EXPECT_EQ(form.LoadedFName, dir.file("sub/page.html"));
    EXPECT_TRUE(form.Memo1->ReadOnly());

    // Two files of one name: each edit goes to its own file.
    Select("sub/page.html");
    EXPECT_EQ(ReadFile(dir.file("sub/page.html")), "page, back to index.html");
    Type("X");
    Select("sub/index.html");
    EXPECT_EQ(ReadFile(dir.file("sub/page.html")), "Xpage, back to index.html");
    Type("Y");
    Select("index.html");
    EXPECT_EQ(ReadFile(dir.file("sub/index.html")), "Ysub index");
    EXPECT_EQ(form.LoadedFName, dir.file("index.html"));
    EXPECT_EQ(form.Memo1->toPlainText(), "<a href=\"sub/page.html\"><script src=\"js/app.js\">");

    // Off from the list's menu: the folder alone, the open file kept
    // selected; on again from the box.
    form.Subfolders1->trigger();
    EXPECT_FALSE(form.SubfoldersBox->isChecked());
    EXPECT_EQ(form.filesModel->Names(), (Names{"index.html"}));
    EXPECT_EQ(SelectedName(), "index.html");
    form.SubfoldersBox->click();
    EXPECT_TRUE(form.Subfolders1->isChecked());
    EXPECT_EQ(SelectedName(), "index.html");
    EXPECT_EQ(form.filesModel->rowCount(), 5);

    // Check looks for each file's own name and reports its path.
    form.CheckButton->click();
    EXPECT_EQ(form.Memo1->toPlainText(),
              "Files that are not used by another file: \n \njs/old.js\n");

    // The switch and the last folders are kept in the site's section.
    ASSERT_TRUE(form.close());
    EXPECT_NE(ReadFile(ini).find("\r\n[Site]\r\nSubfolders=1\r\nRecent1=" + dir.path() +
                                 "\r\nRecent2=/no/such/folder\r\n"),
              std::string::npos)
        << ReadFile(ini);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(SiteTest, FilesThatOtherProgramsMakeAndDeleteComeAndGoWhileAnEditWaits) {
    Tree({{"a.html", "a"}, {"old.html", "old"}, {"sub/b.html", "b"}});
    ASSERT_NO_FATAL_FAILURE(ShowActive());
    form.dirEdit->SetText(dir.path());
    form.SubfoldersBox->click();
    ASSERT_EQ(form.filesModel->Names(), (Names{"a.html", "old.html", "sub/b.html"}));
    Select("a.html");
    Type("X");
    ASSERT_TRUE(form.NeedsSave);

    WriteFile(dir.file("new.html"), "new");
    std::remove(dir.file("old.html").c_str());
    WriteFileIn(dir.path(), "sub/c.html", "c");
    std::rename(dir.file("sub/b.html").c_str(), dir.file("sub/d.html").c_str());
    WriteFileIn(dir.path(), "made/e.html", "e");
    QTRY_COMPARE_WITH_TIMEOUT(
        form.filesModel->Names(),
        (Names{"a.html", "new.html", "made/e.html", "sub/c.html", "sub/d.html"}), kPatienceMs);
    // The selection, the open file and its edit are as they were; nothing was written.
    EXPECT_EQ(SelectedName(), "a.html");
    EXPECT_EQ(form.filesLB->currentIndex().row(), 0);
    EXPECT_EQ(form.LoadedFName, dir.file("a.html"));
    EXPECT_EQ(form.Memo1->toPlainText(), "Xa");
    EXPECT_TRUE(form.NeedsSave);
    EXPECT_EQ(ReadFile(dir.file("a.html")), "a");

    // The file being edited deleted too: its row goes; the edit stays.
    Select("sub/c.html");
    EXPECT_EQ(ReadFile(dir.file("a.html")), "Xa");
    Type("Y");
    std::remove(dir.file("a.html").c_str());
    QTRY_VERIFY_WITH_TIMEOUT(!form.Site()->Tree().RowOf("a.html"), kPatienceMs);
    EXPECT_EQ(SelectedName(), "sub/c.html");
    EXPECT_EQ(form.Memo1->toPlainText(), "Yc");

    // The folder alone follows the disk as well.
    form.SubfoldersBox->click();
    EXPECT_EQ(form.filesModel->Names(), (Names{"new.html"}));
    WriteFile(dir.file("z.html"), "z");
    QTRY_COMPARE_WITH_TIMEOUT(form.filesModel->Names(), (Names{"new.html", "z.html"}), kPatienceMs);
    EXPECT_EQ(form.Memo1->toPlainText(), "Yc");
    EXPECT_TRUE(form.NeedsSave);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(SiteTest, SearchReplaceUndoAndRenameReachEverySubfolder) {
    Tree({{"a.html", "jquery <script src=\"js/lib.js\">"},
          {"js/lib.js", "jquery"},
          {".cache/h.html", "jquery"}});
    ASSERT_NO_FATAL_FAILURE(ShowActive());
    std::vector<std::string> questions;
    TForm1::SetQuestionHook([&](const QString& text) {
        questions.push_back(text.toStdString());
        return true;
    });
    std::filesystem::remove_all(search::ReplaceRecordDir()); // no earlier test's record
    form.dirEdit->SetText(dir.path());
    form.SubfoldersBox->click();
    form.Search()->Show(SearchWindow::Scope::ListedFiles);
    SearchWindow* window = form.SearchFiles();
    ASSERT_TRUE(window != nullptr);
    window->FindEdit->setText("jquery");
    window->ReplaceEdit->setText("jQuery");
    window->SearchButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(!window->Searching(), kPatienceMs);
    const QAbstractItemModel* results = window->ResultsTree->model();
    ASSERT_EQ(results->rowCount(), 2);
    EXPECT_EQ(results->index(0, 0).data().toString(), "a.html (1)");
    EXPECT_EQ(results->index(1, 0).data().toString(), "js/lib.js (1)");

    window->ReplaceAllButton->click();
    EXPECT_EQ(questions, Names{"Replace 2 matches in 2 files?"});
    EXPECT_EQ(ReadFile(dir.file("a.html")), "jQuery <script src=\"js/lib.js\">");
    EXPECT_EQ(ReadFile(dir.file("js/lib.js")), "jQuery");
    EXPECT_EQ(ReadFile(dir.file(".cache/h.html")), "jquery");
    window->UndoReplaceButton->click();
    EXPECT_EQ(ReadFile(dir.file("js/lib.js")), "jquery");
    EXPECT_EQ(ReadFile(dir.file("a.html")), "jquery <script src=\"js/lib.js\">");

    // A file in a subfolder is renamed in its folder; references follow.
    Select("js/lib.js");
    std::string offered;
    RenameDialog::SetRunHook([&](RenameDialog& dialog) {
        offered = dialog.NameEdit->text().toStdString();
        dialog.NameEdit->setText("util.js");
        dialog.UpdateButton->click();
    });
    form.RenameClick();
    EXPECT_EQ(offered, "lib.js");
    EXPECT_EQ(test::JoinedDirNames(dir.file("js")), "util.js");
    EXPECT_EQ(ReadFile(dir.file("a.html")), "jquery <script src=\"js/util.js\">");
    EXPECT_EQ(form.LoadedFName, dir.file("js/util.js"));
    EXPECT_EQ(SelectedName(), "js/util.js");
    EXPECT_EQ(form.filesModel->Names(), (Names{"a.html", "js/util.js"}));
    EXPECT_TRUE(errors.empty()) << errors.front();
}

// A chain of folders, each name 200 bytes long, that ends deeper than a
// path may reach (PATH_MAX): no user, the superuser included, can open its
// last folders by their paths. Made and removed a folder at a time.
class DeepChain {
public:
    DeepChain(const std::string& root, const std::string& first) : root_(root), first_(first) {
        int at = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
        std::string name = first;
        for (int level = 0; level < kLevels && at >= 0; ++level) {
            ::mkdirat(at, name.c_str(), 0755);
            const int next = ::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY);
            ::close(at);
            at = next;
            name = std::string(200, char('a' + level));
        }
        made_ = at >= 0;
        if (at >= 0) {
            ::close(at);
        }
    }
    ~DeepChain() { Remove(::open(root_.c_str(), O_RDONLY | O_DIRECTORY), first_, 0); }
    bool Made() const { return made_; }

private:
    static constexpr int kLevels = 24; // 24 x 201 bytes: well past 4096
    static void Remove(int at, const std::string& name, int level) {
        if (at < 0) {
            return;
        }
        if (level + 1 < kLevels) {
            Remove(::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY),
                   std::string(200, char('a' + level)), level + 1);
        }
        ::unlinkat(at, name.c_str(), AT_REMOVEDIR);
        ::close(at);
    }
    std::string root_, first_;
    bool made_ = false;
};

TEST_F(SiteTest, FoldersThatCannotBeReadAreNamedOnceInOneMessage) {
    Tree({{"a.html", "a"}});
    DeepChain one(dir.path(), "deep1"), two(dir.path(), "deep2");
    ASSERT_TRUE(one.Made() && two.Made());
    ASSERT_NO_FATAL_FAILURE(ShowActive());
    form.dirEdit->SetText(dir.path());
    form.SubfoldersBox->click();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(
        errors[0].rfind("2 folders could not be read, so their files are not listed:\ndeep1/", 0),
        0u)
        << errors[0];
    EXPECT_NE(errors[0].find("\ndeep2/"), std::string::npos) << errors[0];
    EXPECT_EQ(form.filesModel->Names(), (Names{"a.html"}));
    // Neither a relist of their parents, nor the patterns, name them again.
    WriteFile(dir.file("b.html"), "b");
    QTRY_COMPARE_WITH_TIMEOUT(form.filesModel->Names(), (Names{"a.html", "b.html"}), kPatienceMs);
    form.TypesMemo->appendPlainText(".css");
    EXPECT_EQ(errors.size(), 1u);
    // Anew when the folder is listed anew.
    form.SubfoldersBox->click();
    form.SubfoldersBox->click();
    EXPECT_EQ(errors.size(), 2u);
}

TEST_F(SiteTest, CtrlOAndTheFieldsMenuChooseTheFolderAsItsDialogDoes) {
    test::TempDir other;
    WriteFile(other.file("o.html"), "o");
    Tree({{"a.html", "a"}});
    ASSERT_NO_FATAL_FAILURE(ShowActive());
    form.dirEdit->SetText(dir.path());
    Select("a.html");
    std::string startedAt;
    RecentFolders::SetChooserHook([&](const std::string& start) {
        startedAt = start;
        return std::optional<std::string>(other.path());
    });
    QTest::keyClick(form.Memo1, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(startedAt, dir.path());
    EXPECT_EQ(form.dirEdit->Text(), other.path());
    EXPECT_EQ(form.dirEdit->InitialDir(), other.path());
    EXPECT_EQ(form.filesModel->Names(), (Names{"o.html"}));
    EXPECT_FALSE(form.NeedsSave) << "the key is no edit";

    // The field's menu: its own entries, then the folders shown, the latest first.
    std::unique_ptr<QMenu> menu(form.RecentDirs()->MakeMenu());
    QList<QAction*> folders;
    for (QAction* action : menu->actions()) {
        if (action->isCheckable()) {
            folders << action;
        }
    }
    ASSERT_EQ(folders.size(), 3); // and the program's folder, shown at start-up
    EXPECT_EQ(folders[2]->text().toStdString(), form.ExeDir);
    EXPECT_EQ(folders[0]->text().toStdString(), other.path());
    EXPECT_TRUE(folders[0]->isChecked());
    EXPECT_EQ(folders[1]->text().toStdString(), dir.path());
    folders[1]->trigger();
    EXPECT_EQ(form.dirEdit->Text(), dir.path());
    EXPECT_EQ(form.filesModel->Names(), (Names{"a.html"}));
    EXPECT_EQ(form.RecentDirs()->Folders(), (Names{dir.path(), other.path(), form.ExeDir}));
    // Eight at most.
    for (int i = 0; i < 10; ++i) {
        form.RecentDirs()->Remember("/folder" + std::to_string(i));
    }
    EXPECT_EQ(form.RecentDirs()->Folders().size(), 8u);
    EXPECT_EQ(form.RecentDirs()->Folders().front(), "/folder9");
    EXPECT_TRUE(errors.empty()) << errors.front();
}

} // namespace
