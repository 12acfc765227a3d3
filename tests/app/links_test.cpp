// SPDX-License-Identifier: GPL-3.0-or-later
// The site's links in the window: the report, following links, completing
// them, and renames and moves that keep them.
#include "app/links_controller.h"
#include "form_fixture.h"
#include "syntax/grammars_or_skip.h"
#include "widgets/rich_edit.h"
#include "widgets/site_list.h"
#include "widgets/status_line.h"

#include <QAction>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace sheafpad {
namespace {

class LinksTest : public test::FormFixture {
protected:
    void SetUp() override {
        SKIP_WITHOUT_GRAMMARS();
        ASSERT_NO_FATAL_FAILURE(ShowActive()); // the settings read, the window in front
        form.TypesMemo->setPlainText(".html\n.css\n.js");
        form.SubfoldersBox->setChecked(true);
        Site(
            {{"index.html", "<link href=\"css/site.css\" rel=stylesheet>\n"
                            "<a href=\"en/guide.html#install\">Guide</a>\n"},
             {"en/guide.html", "<p>Read <a href=\"../index.html\">home</a>.\n"
                               "<h2 id=\"install\">Install</h2>\n<script src=\"app.js\"></script>"},
             {"en/app.js", "import {x} from './lib.js';\n"},
             {"en/lib.js", "export const x = 1;\n"},
             {"css/Site.css", "body { background: url(../img/bg.png) }"},
             {"img/bg.png", "png"}});
    }
    // Writes the files (in folders) and lists the folder.
    void Site(const std::vector<std::pair<std::string, std::string>>& files) {
        for (const auto& [name, bytes] : files) {
            test::WriteFileIn(dir.path(), name, bytes);
        }
        form.dirEdit->SetText(dir.path());
    }
    QString Line(qsizetype line) const {
        const TextBuffer& text = form.Memo1->Buffer();
        return QString::fromStdU16String(
            text.Text(text.LineStart(size_t(line)), text.LineLength(size_t(line))));
    }
};

TEST_F(LinksTest, ReportOfTheSiteAsShownAndItsLinesOpenTheirPlace) {
    Select("en/guide.html");
    // An unsaved edit counts: the report writes the file first.
    form.Memo1->SetCaret(0);
    form.Memo1->ReplaceSelection(QStringLiteral("<img src=\"pic.png\">"));
    QTest::keyClick(&form, Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(form.Links()->ReportShown());
    EXPECT_EQ(form.Memo1->toPlainText().toStdString(),
              "Links that name no file:\n"
              "index.html:1:13: css/site.css (differs only in case from css/Site.css)\n"
              "en/guide.html:1:11: en/pic.png\n"
              "Files that no other file links to:\n"
              "css/Site.css\n");
    EXPECT_TRUE(form.Memo1->ReadOnly());
    EXPECT_FALSE(form.PaneHoldsLoadedFile);
    EXPECT_EQ(test::ReadFile(dir.file("en/guide.html")).substr(0, 19), "<img src=\"pic.png\">");
    // Enter on a line opens its file at its place.
    form.Memo1->SetCaret(form.Memo1->Buffer().LineStart(2) + 3);
    QTest::keyClick(form.Memo1, Qt::Key_Return);
    EXPECT_EQ(form.LoadedFName, dir.file("en/guide.html"));
    EXPECT_EQ(form.Memo1->CaretPosition(), 10);
    EXPECT_FALSE(form.Links()->ReportShown());
    EXPECT_EQ(Line(0).left(5), "<img ") << "Enter opened the file, typed nothing";
    EXPECT_TRUE(errors.empty());
}

} // namespace
} // namespace sheafpad
