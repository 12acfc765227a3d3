// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/select_dir_dialog.h"

#include "platform/working_dir.h"
#include "test_util.h"
#include "widgets/dir_list_widget.h"
#include "widgets/error_display.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sheafpad {
namespace {

using Picture = TDirectoryListBox::Picture;

std::string Bytes(const QString& text) {
    return text.toStdString();
}

// A scratch tree, the working directory put back afterwards, and failures
// collected instead of shown.
class SelectDirDlgTest : public testing::Test {
protected:
    SelectDirDlgTest() {
        ErrorDisplay::SetHook(
            [this](const QString&, const QString& message) { errors.push_back(Bytes(message)); });
        MakeDir("web");
        MakeDir("web/site");
        MakeDir("web/site/pages");
        platform::SetWorkingDir(dir.path());
    }
    ~SelectDirDlgTest() override {
        platform::SetWorkingDir(savedCwd);
        ErrorDisplay::SetHook(nullptr);
    }
    void MakeDir(const std::string& name) { ::mkdir(dir.file(name).c_str(), 0755); }
    static std::vector<std::string> Rows(const QListWidget* list) {
        std::vector<std::string> rows;
        for (int i = 0; i < list->count(); ++i) {
            rows.push_back(Bytes(list->item(i)->text()));
        }
        return rows;
    }

    test::TempDir dir;
    std::string savedCwd = platform::WorkingDir(); // destroyed before dir
    std::vector<std::string> errors;
};

TEST_F(SelectDirDlgTest, LayoutWithoutHelpContext) {
    TSelectDirDlg dlg(nullptr, 0, 0);
    EXPECT_EQ(dlg.windowTitle(), "Select Directory");
    EXPECT_EQ(dlg.size(), QSize(424, 255));
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());
    EXPECT_TRUE(dlg.HelpButton->isHidden());
    EXPECT_TRUE(dlg.NetButton->isHidden());
    EXPECT_TRUE(dlg.DirEdit->isHidden());
    EXPECT_EQ(dlg.OKButton->geometry(), QRect(256, 224, 77, 27));
    EXPECT_EQ(dlg.CancelButton->geometry(), QRect(340, 224, 77, 27));
    EXPECT_TRUE(dlg.OKButton->isDefault());
    EXPECT_EQ(dlg.DirLabel->geometry(), QRect(8, 24, 313, 20));
    EXPECT_EQ(dlg.DirListLabel->text(), "&Directories:");
    EXPECT_EQ(dlg.DirListLabel->buddy(), dlg.DirList);
    EXPECT_EQ(dlg.FileListLabel->text(), "&Files: (*.*)");
    EXPECT_EQ(dlg.DriveListLabel->buddy(), dlg.DriveList);
    EXPECT_EQ(dlg.DirEditLabel->buddy(), dlg.DirEdit);
    // Tab order: folders, (path box), drives, (network), OK, Cancel, files, (help).
    const std::vector<QWidget*> controls = {dlg.DirList,   dlg.DirEdit,   dlg.DriveList,
                                            dlg.NetButton, dlg.OKButton,  dlg.CancelButton,
                                            dlg.FileList,  dlg.HelpButton};
    std::vector<QWidget*> chain;
    for (QWidget* w = dlg.DirList; chain.size() < controls.size(); w = w->nextInFocusChain()) {
        if (std::find(controls.begin(), controls.end(), w) != controls.end()) {
            chain.push_back(w);
        }
    }
    EXPECT_EQ(chain, controls);

    TSelectDirDlg withHelp(nullptr, 0, 5);
    EXPECT_FALSE(withHelp.HelpButton->isHidden());
    EXPECT_EQ(withHelp.OKButton->geometry().left(), 172);
}

TEST_F(SelectDirDlgTest, OpensAtTheWorkingDirectoryWithPathItemsAndSubfolders) {
    platform::SetWorkingDir(dir.file("web"));
    TSelectDirDlg dlg(nullptr, 0, 0);
    EXPECT_EQ(dlg.Directory(), dir.file("web"));
    // Root, the folders down to web, web itself, then its one subfolder.
    const std::vector<std::string> rows = Rows(dlg.DirList);
    const int open = dlg.DirList->OpenRow();
    EXPECT_EQ(rows[size_t(open)], "web");
    EXPECT_EQ(rows.back(), "site");
    EXPECT_EQ(dlg.DirList->currentRow(), open);
    EXPECT_EQ(dlg.DirList->PictureAt(0), Picture::OpenFolder);
    EXPECT_EQ(dlg.DirList->PictureAt(open), Picture::CurrentFolder);
    EXPECT_EQ(dlg.DirList->PictureAt(open + 1), Picture::ClosedFolder);
    EXPECT_EQ(dlg.DirList->IndentAt(0), 2);
    EXPECT_EQ(dlg.DirList->IndentAt(open), 4 * open + 2);
    EXPECT_EQ(dlg.DirList->IndentAt(open + 1), 4 * open + 6);
    EXPECT_EQ(dlg.DirList->PathAt(open + 1), dir.file("web/site"));
    EXPECT_EQ(dlg.DirLabel->Path(), dir.file("web"));
    EXPECT_EQ(Bytes(dlg.DirEdit->text()), dir.file("web"));
}

TEST_F(SelectDirDlgTest, StartPathRules) {
    platform::SetWorkingDir(dir.file("web"));
    {
        TSelectDirDlg dlg(nullptr, 0, 0);
        dlg.ApplyStartPath(dir.file("web/site/"));
        EXPECT_EQ(dlg.Directory(), dir.file("web/site"));
        EXPECT_EQ(platform::WorkingDir(), dir.file("web/site"));
    }
    platform::SetWorkingDir(dir.file("web"));
    for (const std::string start : {std::string(), dir.file("vanished"),
                                    std::string("//server/share"), dir.file("web/site/x/..")}) {
        TSelectDirDlg dlg(nullptr, 0, 0);
        dlg.ApplyStartPath(start);
        const std::string expected =
            start.find("x/..") != std::string::npos ? dir.file("web/site") : dir.file("web");
        EXPECT_EQ(dlg.Directory(), expected) << start;
        platform::SetWorkingDir(dir.file("web"));
    }
    TSelectDirDlg relative(nullptr, 0, 0);
    relative.ApplyStartPath("site/pages");
    EXPECT_EQ(relative.Directory(), dir.file("web/site/pages"));
    EXPECT_TRUE(errors.empty());
}

TEST_F(SelectDirDlgTest, DoubleClicksOpenSubfoldersAndPathItems) {
    TSelectDirDlg dlg(nullptr, 0, 0);
    dlg.ApplyStartPath(dir.file("web"));
    dlg.DirListDblClick(dlg.DirList->OpenRow() + 1); // site
    EXPECT_EQ(dlg.Directory(), dir.file("web/site"));
    EXPECT_EQ(platform::WorkingDir(), dir.file("web/site"));
    const int open = dlg.DirList->OpenRow();
    dlg.DirListDblClick(open); // the open folder itself: nothing
    EXPECT_EQ(dlg.Directory(), dir.file("web/site"));
    dlg.DirListDblClick(open - 1); // web
    EXPECT_EQ(dlg.Directory(), dir.file("web"));
    dlg.DirListDblClick(0); // the root
    EXPECT_EQ(dlg.Directory(),
              dlg.DriveList->Drives().at(size_t(dlg.DriveList->currentIndex())).mountPoint);
}

TEST_F(SelectDirDlgTest, ListsSortedWithoutCaseHiddenLeftOut) {
    for (const char* name : {"web/beta", "web/Alpha", "web/.hidden", "web/gamma"}) {
        MakeDir(name);
    }
    for (const char* name : {"web/b.htm", "web/A.htm", "web/.secret", "web/c.js"}) {
        test::WriteFile(dir.file(name), "x");
    }
    ASSERT_EQ(::symlink(dir.file("web/site").c_str(), dir.file("web/link").c_str()), 0);
    TSelectDirDlg dlg(nullptr, 0, 0);
    dlg.ApplyStartPath(dir.file("web"));
    std::vector<std::string> rows = Rows(dlg.DirList);
    rows.erase(rows.begin(), rows.begin() + dlg.DirList->OpenRow() + 1);
    EXPECT_EQ(rows, (std::vector<std::string>{"Alpha", "beta", "gamma", "link", "site"}));
    EXPECT_EQ(Rows(dlg.FileList), (std::vector<std::string>{"A.htm", "b.htm", "c.js"}));
    // The grey of disabled text.
    EXPECT_EQ(dlg.FileList->palette().color(QPalette::Text),
              dlg.FileList->palette().color(QPalette::Disabled, QPalette::Text));
}

TEST_F(SelectDirDlgTest, LinkedFolderKeepsTheNameItWasOpenedBy) {
    ASSERT_EQ(::symlink(dir.file("web/site").c_str(), dir.file("web/link").c_str()), 0);
    TSelectDirDlg dlg(nullptr, 0, 0);
    dlg.ApplyStartPath(dir.file("web/link"));
    EXPECT_EQ(dlg.Directory(), dir.file("web/link"));
    EXPECT_EQ(Rows(dlg.DirList).back(), "pages");
}

TEST_F(SelectDirDlgTest, AmpersandIsShownAsItself) {
    MakeDir("web/Tom & Jerry");
    TSelectDirDlg dlg(nullptr, 0, 0);
    dlg.ApplyStartPath(dir.file("web/Tom & Jerry"));
    EXPECT_EQ(Bytes(dlg.DirLabel->ShownText()), dir.file("web/Tom & Jerry"));
    EXPECT_EQ(Bytes(dlg.DirList->item(dlg.DirList->OpenRow())->text()), "Tom & Jerry");
}

TEST_F(SelectDirDlgTest, LongPathIsShortenedInTheLabelOnly) {
    std::string deep = "web";
    for (int i = 0; i < 8; ++i) {
        deep += "/a-rather-long-folder-name-" + std::to_string(i);
        MakeDir(deep);
    }
    TSelectDirDlg dlg(nullptr, 0, 0);
    dlg.ApplyStartPath(dir.file(deep));
    const QString shown = dlg.DirLabel->ShownText();
    EXPECT_TRUE(shown.startsWith("/.../") || shown.startsWith(".../")) << Bytes(shown);
    EXPECT_TRUE(shown.endsWith("a-rather-long-folder-name-7"));
    EXPECT_LE(QFontMetrics(dlg.DirLabel->font()).horizontalAdvance(shown), 313);
    EXPECT_EQ(dlg.Directory(), dir.file(deep));
}

TEST_F(SelectDirDlgTest, FolderThatCannotBeOpenedKeepsThePreviousOne) {
    MakeDir("web/doomed");
    TSelectDirDlg dlg(nullptr, 0, 0);
    dlg.ApplyStartPath(dir.file("web"));
    const std::vector<std::string> before = Rows(dlg.DirList);
    int doomed = -1;
    for (int row = 0; row < dlg.DirList->count(); ++row) {
        if (dlg.DirList->PathAt(row) == dir.file("web/doomed")) {
            doomed = row;
        }
    }
    ASSERT_GE(doomed, 0);
    ::rmdir(dir.file("web/doomed").c_str());
    // The handler as the double-click runs it: the failure is shown.
    emit dlg.DirList->itemDoubleClicked(dlg.DirList->item(doomed));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "No such file or directory.");
    EXPECT_EQ(dlg.Directory(), dir.file("web"));
    EXPECT_EQ(Rows(dlg.DirList), before);
    EXPECT_EQ(platform::WorkingDir(), dir.file("web"));
}

TEST_F(SelectDirDlgTest, ChoosingADriveOpensItsMountPointOrKeepsTheFolder) {
    TSelectDirDlg dlg(nullptr, 0, 0);
    dlg.ApplyStartPath(dir.file("web"));
    std::vector<platform::Drive> drives(3);
    drives[0].mountPoint = "/";
    drives[1].mountPoint = dir.file("web/site"); // a mount with a folder below it
    drives[2].mountPoint = dir.file("unplugged");
    dlg.DriveList->SetDrives(drives);
    emit dlg.DriveList->activated(1);
    EXPECT_EQ(dlg.Directory(), dir.file("web/site"));
    EXPECT_EQ(dlg.DriveList->currentIndex(), 1);
    // The mount point is the root item: the open folder and its subfolder
    // only, which is indented 10 below a root as below a first folder.
    EXPECT_EQ(Rows(dlg.DirList), (std::vector<std::string>{dir.file("web/site"), "pages"}));
    EXPECT_EQ(dlg.DirList->OpenRow(), 0);
    EXPECT_EQ(dlg.DirList->IndentAt(1), 10);
    MakeDir("web/site/pages/old");
    dlg.DirListDblClick(1);
    EXPECT_EQ(dlg.DirList->IndentAt(2), 10);
    // Choosing the drive shown keeps its folder open.
    emit dlg.DriveList->activated(1);
    EXPECT_EQ(dlg.Directory(), dir.file("web/site/pages"));

    dlg.DriveList->setCurrentIndex(2);
    emit dlg.DriveList->activated(2);
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(dlg.Directory(), dir.file("web/site/pages"));
    EXPECT_EQ(dlg.DriveList->currentIndex(), 1);

    // A drive root as the start path stands for the drive's current
    // directory: the working directory on its drive, the root on another.
    TSelectDirDlg again(nullptr, 0, 0);
    again.DriveList->SetDrives(drives);
    again.ApplyStartPath(dir.file("web/site"));
    EXPECT_EQ(again.Directory(), dir.file("web/site/pages"));
    platform::SetWorkingDir(dir.file("web"));
    TSelectDirDlg elsewhere(nullptr, 0, 0);
    elsewhere.DriveList->SetDrives(drives);
    elsewhere.ApplyStartPath("/");
    EXPECT_EQ(elsewhere.Directory(), dir.file("web"));
    elsewhere.ApplyStartPath(dir.file("web/site/"));
    EXPECT_EQ(elsewhere.Directory(), dir.file("web/site"));
    EXPECT_EQ(errors.size(), 1u);
}

TEST_F(SelectDirDlgTest, ChooseDirectoryReturnsTheOpenFolderOnOkOnly) {
    std::string path = dir.file("web") + "/";
    TSelectDirDlg::SetRunHook([&](TSelectDirDlg& dlg) {
        dlg.DirListDblClick(dlg.DirList->OpenRow() + 1);      // open site
        dlg.DirList->setCurrentRow(dlg.DirList->count() - 1); // highlight pages only
        dlg.OKButton->click();
    });
    EXPECT_TRUE(ChooseDirectory(path, 0, 0));
    EXPECT_EQ(path, dir.file("web/site"));

    TSelectDirDlg::SetRunHook([&](TSelectDirDlg& dlg) {
        dlg.DirListDblClick(dlg.DirList->OpenRow() + 1); // open pages
        dlg.CancelButton->click();
    });
    EXPECT_FALSE(ChooseDirectory(path, 0, 0));
    EXPECT_EQ(path, dir.file("web/site"));
    EXPECT_EQ(platform::WorkingDir(), dir.file("web/site/pages"));
    TSelectDirDlg::SetRunHook(nullptr);
}

TEST(DriveItemText, MountPointWithLabelOrRemoteNameLowerCased) {
    platform::Drive drive;
    drive.mountPoint = "/Data";
    drive.label = "BACKUP";
    EXPECT_EQ(DriveItemText(drive), "/Data [backup]");
    drive.label.clear(); // none, or unreadable: no empty brackets
    EXPECT_EQ(DriveItemText(drive), "/Data");
    drive.kind = platform::DriveKind::RamDisk;
    EXPECT_EQ(DriveItemText(drive), "/Data");
    drive.label = "Scratch";
    EXPECT_EQ(DriveItemText(drive), "/Data [scratch]");
    drive.label.clear();
    drive.kind = platform::DriveKind::Removable;
    EXPECT_EQ(DriveItemText(drive), "/Data");
    drive.kind = platform::DriveKind::Network;
    drive.source = "//Server/Share";
    EXPECT_EQ(DriveItemText(drive), "/Data //server/share");
}

} // namespace
} // namespace sheafpad
