// SPDX-License-Identifier: GPL-3.0-or-later
// The file list's controller on its own: a change of one folder keeps the
// view's selection and current row on their files, and where the system
// gives no folder watch, a few folders are read again in turns instead.
#include "files/site_tree.h"
#include "test_util.h"
#include "widgets/file_list_model.h"
#include "widgets/site_list.h"

#include <QItemSelectionModel>
#include <QListView>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>

using namespace sheafpad;
using Names = std::vector<std::string>;

namespace {

const std::vector<std::string> kTypes = {".html"};

TEST(SiteList, AChangedFolderKeepsTheSelectedFileSelectedEvenWithoutWatches) {
    for (const bool watch : {true, false}) {
        SCOPED_TRACE(watch ? "watched" : "polled");
        test::TempDir dir;
        test::WriteFileIn(dir.path(), "b.html", "");
        test::WriteFileIn(dir.path(), "d.html", "");
        test::WriteFileIn(dir.path(), "sub/x.html", "");
        SiteList list(nullptr, watch);
        list.SetSubfolders(true);
        list.Show(dir.path(), kTypes);
        QListView view;
        view.setModel(list.Model());
        QItemSelectionModel* selection = view.selectionModel();
        selection->setCurrentIndex(list.Model()->index(1), QItemSelectionModel::ClearAndSelect);
        ASSERT_EQ(list.Model()->NameAt(1), "d.html");
        QSignalSpy selected(selection, &QItemSelectionModel::selectionChanged);
        EXPECT_EQ(list.Tree().UnwatchedFolders(), watch ? 0u : 2u);

        // Rows come before the selected one and go after it.
        test::WriteFileIn(dir.path(), "a.html", "");
        test::WriteFileIn(dir.path(), "c.html", "");
        std::remove(dir.file("sub/x.html").c_str());
        QTRY_COMPARE_WITH_TIMEOUT(list.Model()->Names(),
                                  (Names{"a.html", "b.html", "c.html", "d.html"}), 20000);
        EXPECT_EQ(selection->selectedRows().size(), 1);
        EXPECT_EQ(view.currentIndex().row(), 3);
        EXPECT_TRUE(selection->isSelected(list.Model()->index(3)));
        EXPECT_EQ(list.FullPath(3), dir.file("d.html"));
        EXPECT_EQ(list.RowOf(dir.file("d.html")), 3);
        EXPECT_FALSE(list.RowOf(dir.file("sub/x.html")));
        // No selection event: nothing would open a file on its own.
        EXPECT_TRUE(selected.isEmpty());

        // The selected file goes: no row is selected, and none other is.
        std::remove(dir.file("d.html").c_str());
        QTRY_COMPARE_WITH_TIMEOUT(list.Model()->rowCount(), 3, 20000);
        EXPECT_TRUE(selection->selectedRows().isEmpty());
    }
}

} // namespace
