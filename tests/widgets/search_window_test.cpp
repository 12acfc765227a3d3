// SPDX-License-Identifier: GPL-3.0-or-later
// The search window on its own: a change of the find text stops the search
// that runs and starts another a moment later, Replace All asked for before
// the results waits for them, the drop-downs keep ten texts, latest first,
// and the check boxes count what a replace would change.
#include "search/file_search.h"
#include "test_util.h"
#include "widgets/search_results.h"
#include "widgets/search_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace sheafpad {
namespace {

using test::TempDir;
using test::WriteFile;

TEST(SearchWindow, TypingSearchesAndAReplaceAskedForEarlyWaitsForTheResults) {
    TempDir dir;
    WriteFile(dir.file("a.htm"), "alpha beta\nalphabet");
    WriteFile(dir.file("b.htm"), "beta");
    SearchWindow window;
    int searches = 0, replaces = 0;
    window.ListedPaths = [&] {
        ++searches;
        return std::vector<std::string>{dir.file("a.htm"), dir.file("b.htm")};
    };
    window.ReplaceAllClick = [&] { ++replaces; };
    window.ShowWith("", SearchWindow::Scope::ListedFiles);

    // Each key starts the wait anew: one search, for the last text.
    QTest::keyClicks(window.FindEdit, "alp");
    EXPECT_TRUE(window.Searching());
    EXPECT_TRUE(window.ReplaceAllButton->isEnabled()) << "ready before the results";
    QTRY_VERIFY(!window.Searching());
    EXPECT_EQ(searches, 1);
    EXPECT_EQ(window.SummaryLabel->text(), "2 matches in 1 file");
    EXPECT_EQ(window.FindHistory(), QStringList()) << "typing alone remembers nothing";

    // Replace All at once after a change: it waits for the new results.
    QTest::keyClicks(window.FindEdit, "ha ");
    window.ReplaceAllButton->click();
    EXPECT_EQ(replaces, 0);
    QTRY_COMPARE(replaces, 1);
    EXPECT_EQ(window.SummaryLabel->text(), "1 match in 1 file");
    EXPECT_EQ(window.FindHistory(), QStringList{"alpha "});

    // A find text without a match replaces nothing; a bad expression says why.
    window.FindEdit->setText("gamma");
    window.ReplaceAllButton->click();
    QTRY_VERIFY(!window.Searching());
    EXPECT_EQ(replaces, 1);
    EXPECT_FALSE(window.ReplaceAllButton->isEnabled());
    window.RegexBox->setChecked(true);
    window.FindEdit->setText("(a");
    QTRY_VERIFY(!window.Searching());
    EXPECT_TRUE(window.SummaryLabel->text().startsWith("The regular expression is not valid"));
    EXPECT_FALSE(window.ReplaceAllButton->isEnabled());
}

TEST(SearchWindow, TheDropDownsKeepTenTextsLatestFirstAndLeaveTheFieldAlone) {
    SearchWindow window;
    window.SetHistory({"b", "a"}, {"x"});
    window.FindEdit->setText("now");
    EXPECT_EQ(window.FindHistory(), (QStringList{"b", "a"}));
    EXPECT_EQ(window.FindEdit->text(), "now");
    for (int i = 0; i < 12; ++i) {
        window.FindEdit->setText(QString::number(i));
        window.RememberTexts(i % 2 == 0);
    }
    window.FindEdit->setText("5");
    window.RememberTexts(false);
    const QStringList finds = window.FindHistory();
    ASSERT_EQ(finds.size(), 10);
    EXPECT_EQ(finds.front(), "5") << "a text used again moves to the top, once";
    EXPECT_EQ(finds.count("5"), 1);
    EXPECT_EQ(finds.back(), "2");
    EXPECT_EQ(window.FindEdit->text(), "5");
    EXPECT_EQ(window.ReplaceHistory(), QStringList{"x"}) << "an empty replace text is not kept";
}

TEST(SearchWindow, CheckBoxesCountWhatAReplaceChanges) {
    SearchResultsModel model;
    search::FileResult a, skipped;
    a.path = "/site/a.htm";
    a.matchCount = 5; // three shown, two beyond
    a.lines.resize(3);
    skipped.path = "/site/sub/b.bin";
    skipped.skipped = "not text";
    model.SetShownFrom("/site/");
    model.Add({a, skipped});
    EXPECT_EQ(model.index(1, 0).data().toString(), "sub/b.bin (skipped: not text)");
    EXPECT_FALSE(model.flags(model.index(1, 0)) & Qt::ItemIsUserCheckable);
    const QModelIndex file = model.index(0, 0);
    EXPECT_EQ(model.CheckedMatchCount(), 5u);

    ASSERT_TRUE(model.setData(model.index(0, 0, file), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_EQ(file.data(Qt::CheckStateRole).toInt(), Qt::PartiallyChecked);
    EXPECT_TRUE(model.AnyUnchecked());
    EXPECT_EQ(model.CheckedMatchCount(), 4u);
    EXPECT_FALSE(model.Chosen(0, 0));
    EXPECT_TRUE(model.Chosen(0, 4));

    // The file's box clears all its matches; a match checked then is that one alone.
    ASSERT_TRUE(model.setData(file, Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_EQ(model.CheckedMatchCount(), 0u);
    ASSERT_TRUE(model.setData(model.index(2, 0, file), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(model.CheckedMatchCount(), 1u);
    EXPECT_EQ(model.CheckedFileCount(), 1u);
    EXPECT_TRUE(model.Chosen(0, 2));
    EXPECT_FALSE(model.Chosen(0, 1) || model.Chosen(0, 3));

    // Checked again, the file is whole, and nothing is cleared any more.
    ASSERT_TRUE(model.setData(file, Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(file.data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_FALSE(model.AnyUnchecked());
    EXPECT_EQ(model.CheckedMatchCount(), 5u);
}

} // namespace
} // namespace sheafpad
