// SPDX-License-Identifier: GPL-3.0-or-later
// The directory field in the main window: browsing rebuilds the file list.
#include "form_fixture.h"
#include "platform/working_dir.h"
#include "widgets/select_dir_dialog.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace sheafpad {
namespace {

// The window is not shown yet; the folder dialog is answered by `answer`.
class DirectoryInMainWindow : public test::FormFixture, protected test::DirDialogAnswers {};

TEST_F(DirectoryInMainWindow, OkAtOnceAfterStartUpDropsTheSlashAndRelists) {
    form.show();
    ASSERT_FALSE(form.ExeDir.empty());
    ASSERT_EQ(form.ExeDir.back(), '/');
    ASSERT_EQ(form.dirEdit->Text(), form.ExeDir);
    // List the test program itself, which is surely in its own directory.
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    form.TypesMemo->setPlainText(self);
    ASSERT_EQ(form.filesModel->Names().size(), 1u);

    QSignalSpy relists(form.filesModel, &QAbstractItemModel::modelReset);
    answer = [](TSelectDirDlg& dlg) { dlg.OKButton->click(); };
    form.dirEdit->setFocus();
    QTest::keyClick(form.dirEdit, Qt::Key_Down, Qt::AltModifier);
    const std::string withoutSlash = form.ExeDir.substr(0, form.ExeDir.size() - 1);
    EXPECT_EQ(form.dirEdit->Text(), withoutSlash);
    EXPECT_EQ(form.dirEdit->InitialDir(), withoutSlash);
    EXPECT_EQ(relists.count(), 1);
    EXPECT_EQ(form.filesModel->Names(), std::vector<std::string>{self.toStdString()});

    // The same folder again: nothing changes and nothing is relisted.
    QTest::keyClick(form.dirEdit, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(relists.count(), 1);
    EXPECT_TRUE(errors.empty());
}

TEST_F(DirectoryInMainWindow, BrowsingElsewhereListsThatFolder) {
    test::TempDir site;
    test::WriteFile(site.file("index.htm"), "x");
    test::WriteFile(site.file("notes.txt"), "x");
    form.show();
    answer = [&](TSelectDirDlg& dlg) {
        dlg.ApplyStartPath(site.path());
        dlg.OKButton->click();
    };
    form.dirEdit->BrowseClick();
    EXPECT_EQ(form.dirEdit->Text(), site.path());
    EXPECT_EQ(form.filesModel->Names(), std::vector<std::string>{"index.htm"});
    platform::SetWorkingDir(savedCwd); // before site is removed
}

} // namespace
} // namespace sheafpad
