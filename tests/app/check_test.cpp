// SPDX-License-Identifier: GPL-3.0-or-later
// The Check button: the report of unused files in the pane, and what it
// leaves alone.
#include "form_fixture.h"
#include "widgets/rich_edit.h"

#include <QApplication>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace sheafpad;
using sheafpad::test::ReadFile;
using sheafpad::test::WriteFile;

namespace {
const QString kHeading = QStringLiteral("Files that are not used by another file: ");

// The pane's text after a report listing names, in the given order.
QString ReportText(const QStringList& names) {
    QString text = kHeading + "\n \n";
    for (const QString& name : names) {
        text += name + "\n";
    }
    return text;
}

class CheckTest : public test::FormFixture {
protected:
    void SetUp() override { form.show(); }

    // The listed names among wanted, in list order.
    QStringList InListOrder(const QStringList& wanted) const {
        QStringList names;
        for (const std::string& name : form.filesModel->Names()) {
            if (wanted.contains(QString::fromStdString(name))) {
                names << QString::fromStdString(name);
            }
        }
        return names;
    }
    // Selects the name in the list, as a click does: the file opens.
    void Open(const std::string& name) {
        Select(name);
        ASSERT_EQ(form.LoadedFName, dir.file(name));
    }
    bool AnySelected() const { return form.filesLB->selectionModel()->hasSelection(); }
    void Check() { form.CheckButton->click(); }
};
} // namespace

TEST_F(CheckTest, EmptyListChangesNothing) {
    form.dirEdit->SetText(dir.path());
    const QString intro = form.Memo1->toPlainText();
    Check();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(form.Memo1->toPlainText(), intro);
    EXPECT_TRUE(form.Memo1->ReadOnly());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(CheckTest, ReportsUnlinkedNamesIntoTheIntroduction) {
    // a.htm links to b.htm; b.htm names a.html, and with it a.htm; c.htm
    // names itself; D.htm is only written as d.htm; the NUL hides e.js.
    List({{"a.htm", "<a href=\"b.htm\">b</a>"},
          {"b.htm", "<a href=\"old/a.html\">"},
          {"c.htm", "<title>c.htm</title>"},
          {"D.htm", "see d.htm"},
          {"a.html", std::string("x\0e.js", 6)},
          {"e.js", "var a = 1;\nvar b = 2;"},
          {"notes.txt", "not listed: D.htm e.js"}});
    // The pointer shows the program busy while the report is written.
    bool busyWhileWriting = false;
    QObject::connect(form.Memo1, &TextView::textChanged, [&] {
        const QCursor* pointer = QApplication::overrideCursor();
        busyWhileWriting = pointer != nullptr && pointer->shape() == Qt::WaitCursor;
    });
    Check();
    EXPECT_TRUE(busyWhileWriting);
    EXPECT_TRUE(errors.empty()) << testing::PrintToString(errors);
    EXPECT_EQ(form.Memo1->toPlainText(), ReportText(InListOrder({"D.htm", "e.js"})));
    // The report goes into the read-only introduction, which stays read-only.
    EXPECT_TRUE(form.Memo1->ReadOnly());
    EXPECT_FALSE(form.PaneHoldsLoadedFile);
    EXPECT_TRUE(form.Memo1->hasFocus() || form.focusWidget() == form.Memo1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(CheckTest, LineBreaksOfEveryFormAndOverlappingNames) {
    // CR-only and LF-only files are searched line by line; a name split by a
    // line break is not found; data.htm uses a.htm as well.
    List({{"index.htm", "home\rdata.htm\rmenu.\njs\r"},
          {"data.htm", "rows\nindex.htm\n"},
          {"a.htm", "x"},
          {"menu.js", "y"}});
    Check();
    EXPECT_EQ(form.Memo1->toPlainText(), ReportText(InListOrder({"menu.js"})));
}

TEST_F(CheckTest, AllUsedLeavesEverythingAndWritesNothing) {
    List({{"a.htm", "b.htm"}, {"b.htm", "a.htm"}});
    Open("a.htm");
    QTest::keyClicks(form.Memo1, "zz");
    ASSERT_TRUE(form.NeedsSave);
    const QString edited = form.Memo1->toPlainText();
    Check();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(form.Memo1->toPlainText(), edited);
    EXPECT_TRUE(form.NeedsSave);
    EXPECT_TRUE(AnySelected());
    EXPECT_TRUE(form.PaneHoldsLoadedFile);
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "b.htm");
}

TEST_F(CheckTest, ReportSavesTheChangedFileFirstAndKeepsThePaneEditable) {
    List({{"a.htm", "b.htm"}, {"b.htm", "text"}});
    Open("b.htm");
    QTest::keyClicks(form.Memo1, "X");
    ASSERT_TRUE(form.NeedsSave);
    const std::string edited = form.Memo1->toPlainText().toStdString();
    Check();
    EXPECT_TRUE(errors.empty()) << testing::PrintToString(errors);
    EXPECT_EQ(ReadFile(dir.file("b.htm")), edited);
    EXPECT_FALSE(form.NeedsSave);
    EXPECT_EQ(form.Memo1->toPlainText(), ReportText({"a.htm"}));
    EXPECT_FALSE(form.Memo1->ReadOnly());
    // The selection is gone and the pane was not reloaded from it.
    EXPECT_FALSE(AnySelected());
    EXPECT_EQ(form.LoadedFName, dir.file("b.htm"));
}

TEST_F(CheckTest, AFailedSaveStopsTheReportAndKeepsTheEdits) {
    List({{"a.htm", "b.htm"}, {"b.htm", "text"}});
    Open("b.htm");
    QTest::keyClicks(form.Memo1, "X");
    const QString edited = form.Memo1->toPlainText();
    ::chmod(dir.file("b.htm").c_str(), 0444);
    Check();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("Cannot create file \"" + dir.file("b.htm") + "\". ", 0), 0u)
        << errors[0];
    // The unsaved text is still there, still the file's, still marked changed.
    EXPECT_EQ(form.Memo1->toPlainText(), edited);
    EXPECT_TRUE(form.NeedsSave);
    EXPECT_TRUE(form.PaneHoldsLoadedFile);
    EXPECT_TRUE(AnySelected());
    ::chmod(dir.file("b.htm").c_str(), 0644);
    form.SaveButton->click();
    EXPECT_EQ(ReadFile(dir.file("b.htm")), edited.toStdString());
}

TEST_F(CheckTest, TheReportNeverReachesAFile) {
    List({{"a.htm", "b.htm"}, {"b.htm", "text"}});
    Open("b.htm");
    Check();
    ASSERT_EQ(form.Memo1->toPlainText(), ReportText({"a.htm"}));
    // Typing in the report, saving and switching files write nothing.
    form.Memo1->setFocus();
    QTest::keyClicks(form.Memo1, "abc");
    form.SaveButton->click();
    EXPECT_EQ(ReadFile(dir.file("b.htm")), "text");
    QTest::keyClicks(form.Memo1, "def");
    Open("a.htm");
    EXPECT_EQ(ReadFile(dir.file("b.htm")), "text");
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "b.htm");
    // Reopening the file after a report shows the file again, and edits save.
    Open("b.htm");
    EXPECT_EQ(form.Memo1->toPlainText(), "text");
    QTest::keyClicks(form.Memo1, "Y");
    const std::string edited = form.Memo1->toPlainText().toStdString();
    form.SaveButton->click();
    EXPECT_EQ(ReadFile(dir.file("b.htm")), edited);
    EXPECT_TRUE(errors.empty()) << testing::PrintToString(errors);
}

TEST_F(CheckTest, UnreadableEntryStopsTheCheckAndLeavesThePane) {
    ::mkdir(dir.file("old.htm").c_str(), 0755);
    List({{"a.htm", "x"}, {"b.htm", "y"}});
    Open("b.htm");
    QTest::keyClicks(form.Memo1, "Z");
    const QString edited = form.Memo1->toPlainText();
    Check();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Cannot open file \"" + dir.file("old.htm") + "\". Is a directory.");
    EXPECT_EQ(form.Memo1->toPlainText(), edited);
    EXPECT_TRUE(form.NeedsSave);
    EXPECT_TRUE(AnySelected());
    EXPECT_EQ(ReadFile(dir.file("b.htm")), "y"); // the failed check saved nothing
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(CheckTest, MoreThanAThousandNames) {
    // Each page links to the next; the first and the last two are unused.
    const int count = 1100;
    auto name = [](int i) { return "p" + std::to_string(i) + ".htm"; };
    for (int i = 0; i < count; ++i) {
        WriteFile(dir.file(name(i)), i + 1 < count - 2 ? "<a href=\"" + name(i + 1) + "\">" : "");
    }
    form.dirEdit->SetText(dir.path());
    std::vector<std::string> byNumber;
    for (int i = 0; i < count; ++i) {
        byNumber.push_back(name(i));
    }
    ASSERT_EQ(form.filesModel->Names(), byNumber); // p2 before p10, as the list shows them
    Check();
    EXPECT_TRUE(errors.empty()) << testing::PrintToString(errors);
    EXPECT_EQ(form.Memo1->toPlainText(), ReportText({"p0.htm", "p1098.htm", "p1099.htm"}));
}
