// SPDX-License-Identifier: GPL-3.0-or-later
// Renaming a file: the dialog that asks first, and the controller that
// renames only once the user has chosen.
#include "app/rename_controller.h"
#include "files/file_list.h"
#include "links/link_index.h"
#include "syntax/grammars_or_skip.h"
#include "test_util.h"
#include "widgets/rename_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <gtest/gtest.h>

namespace sheafpad {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(RenameDialog, SaysWhatWouldChangeAndOffersOnlyWhatRenames) {
    EXPECT_EQ(RenameDialog::ReferencesText(1, 1), "1 reference in 1 file would change.");
    EXPECT_EQ(RenameDialog::ReferencesText(5, 2), "5 references in 2 files would change.");
    RenameDialog none("a.htm", 0, 0, nullptr);
    EXPECT_EQ(none.ReferencesLabel->text(), "No listed file refers to it.");
    EXPECT_EQ(none.NameEdit->selectedText(), "a"); // ready to type over, extension kept
    none.NameEdit->setText("b.htm");
    EXPECT_FALSE(none.UpdateButton->isEnabled()); // nothing to update
    EXPECT_TRUE(none.OnlyButton->isEnabled() && none.OnlyButton->isDefault());
    none.NameEdit->setText("");
    EXPECT_FALSE(none.OnlyButton->isEnabled());
    RenameDialog::SetRunHook([](RenameDialog& dialog) { dialog.OnlyButton->click(); });
    EXPECT_EQ(none.Run().choice, RenameDialog::Choice::Cancel)
        << "a disabled button answers nothing";
    RenameDialog::SetRunHook(nullptr);
}

// The controller asks before anything is renamed; what it hands on to be
// written is each file's bytes with the new name, the renamed file's own
// edit under its new name.
TEST(RenameController, RenamesOnlyOnceTheUserHasChosen) {
    SKIP_WITHOUT_GRAMMARS();
    TempDir dir;
    WriteFile(dir.file("a.htm"), "see <a href=\"b.htm\">b.htm</a>");
    WriteFile(dir.file("b.htm"), "<a href=b.htm#top>I am b.htm</a>, not <a href=bb.htm>bb</a>");
    std::vector<std::pair<std::string, std::string>> moves;
    std::vector<search::FileEdit> committed;
    std::vector<search::RecordedRename> renamed;
    int saves = 0;
    links::LinkIndex index;
    RenameController::Window window;
    window.folder = [&] { return dir.path(); };
    window.index = [&]() -> const links::LinkIndex& {
        index = *links::BuildIndex(dir.path(), {"a.htm", "b.htm"}, 1);
        return index;
    };
    window.saveIfChanged = [&] { ++saves; };
    window.moved = [&](const std::string& from, const std::string& to) {
        moves.emplace_back(from, to);
    };
    window.commit = [&](std::vector<search::FileEdit> edits,
                        const std::vector<search::RecordedRename>& renames,
                        std::vector<search::FileNote>&) {
        committed = std::move(edits);
        renamed = renames;
    };
    RenameController controller(window, nullptr);

    std::string shown;
    RenameDialog::SetRunHook([&](RenameDialog& dialog) {
        shown = dialog.ReferencesLabel->text().toStdString();
        EXPECT_TRUE(dialog.UpdateButton->isDefault());
        dialog.NameEdit->setText("c.htm");
        dialog.CancelButton->click();
    });
    EXPECT_FALSE(controller.Rename("b.htm"));
    EXPECT_EQ(shown, "2 references in 2 files would change.");
    EXPECT_EQ(test::JoinedDirNames(dir.path()), "a.htm b.htm");
    EXPECT_TRUE(moves.empty() && renamed.empty());
    EXPECT_EQ(saves, 1) << "the open file is written before its references are counted";

    RenameDialog::SetRunHook([](RenameDialog& dialog) {
        dialog.NameEdit->setText("c.htm");
        dialog.UpdateButton->click();
    });
    const auto outcome = controller.Rename("b.htm");
    RenameDialog::SetRunHook(nullptr);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->newName, "c.htm");
    EXPECT_EQ(test::JoinedDirNames(dir.path()), "a.htm c.htm");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0], std::make_pair(dir.file("b.htm"), dir.file("c.htm")));
    ASSERT_EQ(renamed.size(), 1u);
    EXPECT_EQ(renamed[0].to, dir.file("c.htm"));
    ASSERT_EQ(committed.size(), 2u);
    std::sort(committed.begin(), committed.end(),
              [](const search::FileEdit& a, const search::FileEdit& b) { return a.path < b.path; });
    EXPECT_EQ(committed[0].newBytes, "see <a href=\"c.htm\">b.htm</a>") << "links, not texts";
    EXPECT_EQ(committed[1].path, dir.file("c.htm"));
    EXPECT_EQ(committed[1].newBytes, "<a href=c.htm#top>I am b.htm</a>, not <a href=bb.htm>bb</a>");
    // Its identity is the renamed file's, so the write does not take it for changed.
    EXPECT_EQ(platform::CompareIdentity(committed[1].identity,
                                        platform::FileIdentityOf(dir.file("c.htm"))),
              platform::FileChange::None);
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "see <a href=\"b.htm\">b.htm</a>")
        << "the window writes, not the controller";
}

} // namespace
} // namespace sheafpad
