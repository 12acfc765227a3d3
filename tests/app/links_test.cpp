// SPDX-License-Identifier: GPL-3.0-or-later
// The site's links in the window: the report, following links, completing
// them, and renames and moves that keep them.
#include "app/link_completer.h"
#include "app/links_controller.h"
#include "form_fixture.h"
#include "syntax/grammars_or_skip.h"
#include "widgets/rename_dialog.h"
#include "widgets/rich_edit.h"
#include "widgets/search_window.h"
#include "widgets/site_list.h"
#include "widgets/status_line.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

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
    // Writes the files (in folders) into the site's folder, a folder of
    // the scratch one (what leaves the site stays in it), and lists it.
    void Site(const std::vector<std::pair<std::string, std::string>>& files) {
        for (const auto& [name, bytes] : files) {
            test::WriteFileIn(root, name, bytes);
        }
        form.dirEdit->SetText(root);
    }
    std::string File(const std::string& name) const { return root + "/" + name; }
    const std::string root = dir.path() + "/site";
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
    EXPECT_EQ(test::ReadFile(File("en/guide.html")).substr(0, 19), "<img src=\"pic.png\">");
    // Enter on a line opens its file at its place.
    form.Memo1->SetCaret(form.Memo1->Buffer().LineStart(2) + 3);
    QTest::keyClick(form.Memo1, Qt::Key_Return);
    EXPECT_EQ(form.LoadedFName, File("en/guide.html"));
    EXPECT_EQ(form.Memo1->CaretPosition(), 10);
    EXPECT_FALSE(form.Links()->ReportShown());
    EXPECT_EQ(Line(0).left(5), "<img ") << "Enter opened the file, typed nothing";
    EXPECT_TRUE(errors.empty());
}

TEST_F(LinksTest, FollowingALinkWithAFragmentAndBack) {
    Select("index.html");
    const QString index = form.Memo1->toPlainText();
    const qsizetype link = index.indexOf("guide.html#install") + 3;
    form.Memo1->SetCaret(0);
    form.Memo1->ReplaceSelection(QStringLiteral("<!-- x -->"));
    form.Memo1->SetCaret(link + 10);
    QTest::keyClick(form.Memo1, Qt::Key_F12);
    EXPECT_EQ(test::ReadFile(File("index.html")).substr(0, 10), "<!-- x -->") << "written first";
    ASSERT_EQ(form.LoadedFName, File("en/guide.html"));
    EXPECT_EQ(*form.SelectedName(), "en/guide.html");
    const QString guide = form.Memo1->toPlainText();
    EXPECT_EQ(form.Memo1->CaretPosition(), guide.indexOf("<h2 id=")) << "at the element";
    // Back to the file and the caret left, and forward again.
    QTest::keyClick(form.Memo1, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(form.LoadedFName, File("index.html"));
    EXPECT_EQ(form.Memo1->CaretPosition(), link + 10);
    QTest::keyClick(form.Memo1, Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(form.LoadedFName, File("en/guide.html"));
    EXPECT_EQ(form.Memo1->CaretPosition(), guide.indexOf("<h2 id="));
    // Ctrl+click on a link whose target does not exist: said under the pane.
    QTest::keyClick(form.Memo1, Qt::Key_Left, Qt::AltModifier);
    const QRect css = form.Memo1->PositionRect(form.Memo1->toPlainText().indexOf("site.css"));
    ASSERT_FALSE(css.isEmpty());
    QTest::mouseClick(form.Memo1->viewport(), Qt::LeftButton, Qt::ControlModifier, css.center());
    EXPECT_EQ(form.LoadedFName, File("index.html"));
    EXPECT_EQ(form.Status->Message(), "\"css/site.css\" does not exist");
    EXPECT_TRUE(errors.empty());
}

TEST_F(LinksTest, CompletionOffersTheListedPathsInEachLanguage) {
    LinkCompleter* completer = form.Completer();
    // HTML: opens by itself after the opening quote, narrows as "en/" is typed.
    Select("index.html");
    form.Memo1->SetCaret(0);
    QTest::keyClicks(form.Memo1, "<img src=\"");
    ASSERT_TRUE(QTest::qWaitFor([&] { return completer->IsOpen(); })); // once the quote is typed
    EXPECT_EQ(completer->Choices(),
              (QStringList{"css/Site.css", "en/app.js", "en/guide.html", "en/lib.js"}));
    QTest::keyClicks(form.Memo1, "en/g");
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return completer->Choices() == QStringList{"en/guide.html"};
    })) << completer->Choices().join(' ').toStdString();
    QTest::keyClick(form.Memo1, Qt::Key_Return);
    EXPECT_FALSE(completer->IsOpen());
    EXPECT_TRUE(form.Memo1->toPlainText().startsWith("<img src=\"en/guide.html<link href="))
        << "the typed part gave way to the path; nothing else changed";
    EXPECT_TRUE(form.NeedsSave);

    // CSS: Ctrl+Space in a string, relative to the sheet's folder; Escape closes.
    Select("css/Site.css");
    form.Memo1->SetCaret(0);
    form.Memo1->ReplaceSelection(QStringLiteral("@import \"\";\n"));
    form.Memo1->SetCaret(9);
    QTest::keyClick(form.Memo1, Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(completer->IsOpen());
    EXPECT_EQ(completer->Choices().first(), "../index.html");
    QTest::keyClick(form.Memo1, Qt::Key_Escape);
    EXPECT_FALSE(completer->IsOpen());
    EXPECT_TRUE(form.Memo1->toPlainText().startsWith("@import \"\";"));

    // JavaScript: a module from "./", the path at the caret replaced whole.
    Select("en/app.js");
    form.Memo1->SetCaret(form.Memo1->toPlainText().indexOf("lib.js"));
    QTest::keyClick(form.Memo1, Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(completer->IsOpen());
    EXPECT_EQ(completer->Choices(), (QStringList{"./guide.html", "./lib.js"}));
    QTest::keyClick(form.Memo1, Qt::Key_Down);
    QTest::keyClick(form.Memo1, Qt::Key_Return);
    EXPECT_EQ(form.Memo1->toPlainText(), "import {x} from './lib.js';\n");
    EXPECT_TRUE(errors.empty());
}

// The index has the open file as the pane holds it, before it is written,
// and follows the files other programs add and take away.
// The paths that the index has the links of path lead to.
std::vector<std::string> Targets(LinksController* links, const std::string& path) {
    std::vector<std::string> paths;
    if (const links::IndexedFile* file = links->Index().Find(path)) {
        for (const links::Target& target : file->targets) {
            paths.push_back(target.path);
        }
    }
    return paths;
}

TEST_F(LinksTest, TheIndexFollowsThePaneAndTheDisk) {
    Select("en/lib.js");
    LinksController* links = form.Links();
    auto targets = [&](const std::string& path) { return Targets(links, path); };
    ASSERT_EQ(targets("en/app.js"), std::vector<std::string>{"en/lib.js"});
    EXPECT_TRUE(targets("en/lib.js").empty());
    form.Memo1->SetCaret(0);
    form.Memo1->ReplaceSelection(QStringLiteral("import './app.js';\n"));
    // A slow (sanitized) build may take long over the parse or the watch.
    constexpr int kPatienceMs = 20000;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !targets("en/lib.js").empty(); }, kPatienceMs));
    EXPECT_EQ(targets("en/lib.js"), std::vector<std::string>{"en/app.js"});
    EXPECT_EQ(test::ReadFile(File("en/lib.js")), "export const x = 1;\n") << "not written";

    test::WriteFileIn(root, "en/extra.html", "<a href=\"../index.html\">home</a>");
    ASSERT_EQ(::unlink(File("en/app.js").c_str()), 0);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return links->Index().Find("en/app.js") == nullptr; }, kPatienceMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !targets("en/extra.html").empty(); }, kPatienceMs));
    EXPECT_EQ(targets("en/extra.html"), std::vector<std::string>{"index.html"});
    EXPECT_EQ(links->Index().Find("en/app.js"), nullptr);
    EXPECT_TRUE(errors.empty());
}

// A page too large to parse in full after each key follows each key all
// the same, its links after the edit moved to their new lines.
TEST_F(LinksTest, ALargePageFollowsItsEditsWithItsLinksInPlace) {
    constexpr int kPatienceMs = 20000; // for a slow (sanitized) build
    std::string page;
    for (int line = 0; line < 4000; ++line) {
        page += "<p>" + std::string(76, 'w') + "</p>\n";
    }
    const std::string big = dir.path() + "/big";
    test::WriteFileIn(big, "en/big.html", page + "<a href=\"../index.html\">home</a>\n");
    form.dirEdit->SetText(big);
    ASSERT_NO_FATAL_FAILURE(Select("en/big.html"));
    LinksController* links = form.Links();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !Targets(links, "en/big.html").empty(); }, kPatienceMs));
    ASSERT_EQ(Targets(links, "en/big.html"), std::vector<std::string>{"index.html"});
    form.Memo1->SetCaret(0);
    form.Memo1->ReplaceSelection(QStringLiteral("<a href=\"guide.html\">g</a>\n"));
    form.Memo1->SetCaret(form.Memo1->Length() - 1);
    form.Memo1->ReplaceSelection(QStringLiteral("<img src=\"x.png\">"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return Targets(links, "en/big.html").size() == 3; }, kPatienceMs));
    EXPECT_EQ(Targets(links, "en/big.html"),
              (std::vector<std::string>{"en/guide.html", "index.html", "en/x.png"}));
    std::vector<std::string> places;
    for (const links::RawLink& link : links->Index().Find("en/big.html")->scanned->links) {
        places.push_back(std::to_string(link.line) + ":" + std::to_string(link.column));
    }
    EXPECT_EQ(places, (std::vector<std::string>{"1:10", "4002:10", "4002:43"}))
        << Line(4001).toStdString();
}

// Every file under root with its bytes; folders as "name/".
std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const std::string path = entry.path().string().substr(root.size() + 1);
        tree[entry.is_directory() ? path + "/" : path] =
            entry.is_directory() ? "" : test::ReadFile(entry.path().string());
    }
    return tree;
}

TEST_F(LinksTest, RenamesAndMovesKeepTheLinksAndOneUndoPutsEveryByteBack) {
    const std::map<std::string, std::string> before = Tree(root);
    TForm1::SetQuestionHook([](const QString&) { return true; });
    QTest::keyClick(form.filesLB, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    SearchWindow* search = form.SearchFiles(); // where Undo Replace is
    ASSERT_TRUE(search != nullptr);
    auto undo = [&] {
        ASSERT_TRUE(search->UndoReplaceButton->isEnabled());
        search->UndoReplaceButton->click();
        EXPECT_EQ(Tree(root), before);
    };
    // The open file moves into a folder that does not exist yet.
    Select("en/guide.html");
    RenameDialog::SetRunHook([](RenameDialog& dialog) {
        dialog.NameEdit->setText("manual/guide.html");
        dialog.UpdateButton->click();
    });
    form.RenameClick();
    EXPECT_EQ(form.LoadedFName, File("en/manual/guide.html"));
    EXPECT_EQ(form.Memo1->toPlainText().toStdString(),
              "<p>Read <a href=\"../../index.html\">home</a>.\n<h2 id=\"install\">Install</h2>\n"
              "<script src=\"../app.js\"></script>")
        << "its own links, in the pane";
    EXPECT_EQ(test::ReadFile(File("index.html")),
              "<link href=\"css/site.css\" rel=stylesheet>\n"
              "<a href=\"en/manual/guide.html#install\">Guide</a>\n");
    undo();
    EXPECT_EQ(form.LoadedFName, File("en/guide.html"));

    // A folder: a link into it from elsewhere (broken in case, still into it).
    Select("css/Site.css");
    RenameDialog::SetRunHook([](RenameDialog& dialog) {
        EXPECT_EQ(dialog.NameEdit->text(), "css");
        dialog.NameEdit->setText("../style");
        dialog.UpdateButton->click();
    });
    form.RenameFolderClick();
    RenameDialog::SetRunHook(nullptr);
    EXPECT_FALSE(test::FileExists(File("css")));
    EXPECT_EQ(form.LoadedFName, dir.file("style/Site.css"));
    EXPECT_EQ(form.Memo1->toPlainText().toStdString(),
              "body { background: url(../site/img/bg.png) }")
        << "moved out of the site, the open file's link leads back in";
    EXPECT_EQ(test::ReadFile(File("index.html")).substr(0, 31),
              "<link href=\"../style/site.css\" ");
    undo();
    TForm1::SetQuestionHook(nullptr);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

// A folder's link leads to its index page, another site's is said to be
// one; a rename onto a taken name, or into a folder that is a file, is
// refused whole: no name, no byte and no folder changes.
TEST_F(LinksTest, FolderLinksAndRefusedMovesChangeNothing) {
    Select("en/guide.html");
    form.Memo1->SetCaret(0);
    form.Memo1->ReplaceSelection(
        QStringLiteral("<a href=\"../\">up</a><a href=\"https://x.org/\">x</a>"));
    form.Memo1->SetCaret(10);
    QTest::keyClick(form.Memo1, Qt::Key_F12);
    ASSERT_EQ(form.LoadedFName, File("index.html"));
    QTest::keyClick(form.Memo1, Qt::Key_Left, Qt::AltModifier);
    ASSERT_EQ(form.LoadedFName, File("en/guide.html"));
    form.Memo1->SetCaret(form.Memo1->toPlainText().indexOf("x.org"));
    QTest::keyClick(form.Memo1, Qt::Key_F12);
    EXPECT_EQ(form.LoadedFName, File("en/guide.html"));
    EXPECT_EQ(form.Status->Message(), "\"https://x.org/\" is on another site");

    const std::map<std::string, std::string> before = Tree(root);
    for (const char* name : {"../index.html", "../img/bg.png/guide.html"}) {
        RenameDialog::SetRunHook([name](RenameDialog& dialog) {
            dialog.NameEdit->setText(name);
            dialog.UpdateButton->click();
        });
        errors.clear();
        form.Rename1->trigger(); // as F2 does: the refusal said, not thrown
        ASSERT_EQ(errors.size(), 1u) << name;
        EXPECT_TRUE(errors[0].starts_with("Cannot ")) << errors[0];
        EXPECT_EQ(Tree(root), before) << name;
        EXPECT_EQ(form.LoadedFName, File("en/guide.html"));
    }
    RenameDialog::SetRunHook(nullptr);
}

} // namespace
} // namespace sheafpad
