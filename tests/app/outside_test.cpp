// SPDX-License-Identifier: GPL-3.0-or-later
// Files that other programs change while they are open: an unedited pane
// follows them quietly; an edited one is never written over them without a
// question whose safe answer keeps their work. And the current file stays
// the one it was opened from when the folder dialog moves the working
// directory.
#include "app/outside_changes.h"
#include "form_fixture.h"
#include "platform/working_dir.h"
#include "widgets/rich_edit.h"

#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sheafpad {
namespace {

using test::FileExists;
using test::ReadFile;
using test::WriteFile;

void ReplaceByRename(const std::string& path, const std::string& bytes) {
    WriteFile(path + ".tmp", bytes);
    ASSERT_EQ(std::rename((path + ".tmp").c_str(), path.c_str()), 0);
}

// Rewrites the file in place with bytes of the same length and puts its old
// modification time back, as cp -p or rsync --inplace -t do.
void RewriteKeepingSizeAndTime(const std::string& path, const std::string& bytes) {
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    ASSERT_EQ(size_t(before.st_size), bytes.size());
    WriteFile(path, bytes);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    ASSERT_EQ(after.st_ino, before.st_ino);
    ASSERT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

class OutsideTest : public test::FormFixture {
protected:
    void SetUp() override {
        ShowActive();
        TForm1::SetQuestionHook([this](const QString& text) {
            questions.push_back(text.toStdString());
            return overwrite;
        });
    }
    void TearDown() override { TForm1::SetQuestionHook(nullptr); }
    void Type(const QString& keys) { QTest::keyClicks(form.Memo1, keys); }

    std::vector<std::string> questions;
    bool overwrite = false; // the answer: the default keeps the other program's file
};

TEST_F(OutsideTest, AnEditedPaneAsksBeforeWritingOverAnotherProgramsWork) {
    List({{"a.htm", "one"}, {"b.htm", "one"}, {"c.htm", "one"}, {"d.htm", "one"}, {"z.htm", "z"}});
    struct Case {
        const char* name;
        void (*act)(const std::string& path);
        const char* told;
        const char* leftOnDisk; // nullptr: no file
    } cases[] = {
        {"a.htm", [](const std::string& p) { test::AppendFile(p, "\nmore"); },
         "was changed by another", "one\nmore"},
        {"b.htm", [](const std::string& p) { ReplaceByRename(p, "new"); }, "was replaced by",
         "new"},
        {"c.htm", [](const std::string& p) { ::unlink(p.c_str()); }, "was deleted", nullptr},
        {"d.htm", [](const std::string& p) { RewriteKeepingSizeAndTime(p, "two"); },
         "was changed by another", "two"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        Select(c.name);
        c.act(path);
        Type("X");
        EXPECT_FALSE(form.Outside()->Check()) << "an edited pane is never reloaded";

        // The switch asks once, names the file, and by default stops as a failed save does.
        questions.clear();
        overwrite = false;
        Select("z.htm");
        ASSERT_EQ(questions.size(), 1u);
        EXPECT_NE(questions[0].find('"' + path + "\" " + c.told), std::string::npos)
            << questions[0];
        EXPECT_EQ(c.leftOnDisk ? ReadFile(path) : std::string(), c.leftOnDisk ? c.leftOnDisk : "");
        EXPECT_EQ(FileExists(path), c.leftOnDisk != nullptr);
        EXPECT_EQ(form.LoadedFName, path);
        EXPECT_EQ(form.Memo1->toPlainText(), "Xone");
        EXPECT_TRUE(form.NeedsSave);
        EXPECT_EQ(*form.SelectedName(), "z.htm");
        EXPECT_TRUE(errors.empty()) << "the question said it all";
        // Cancel, then a click on the name: the other program's version.
        form.CancelButtonClick();
        if (c.leftOnDisk) {
            Select(c.name);
            EXPECT_EQ(form.Memo1->toPlainText(), c.leftOnDisk);
        }
    }
    // The other answer overwrites, and writes a deleted file again.
    overwrite = true;
    WriteFile(dir.file("c.htm"), "c");
    for (const char* name : {"b.htm", "c.htm"}) {
        SCOPED_TRACE(name);
        const bool replace = std::string(name) == "b.htm";
        Select(name);
        Type("Y");
        if (replace) {
            ReplaceByRename(dir.file(name), "newer");
        } else {
            ::unlink(dir.file(name).c_str());
        }
        questions.clear();
        form.SaveButton->click();
        EXPECT_EQ(questions.size(), 1u);
        EXPECT_EQ(ReadFile(dir.file(name)), replace ? "Ynew" : "Yc");
        EXPECT_FALSE(form.NeedsSave);
        // What this save left is the new reference: the next save asks nothing.
        Type("Z");
        form.SaveButton->click();
        EXPECT_EQ(questions.size(), 1u);
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(OutsideTest, ALinkToAnotherFileIsNeverWrittenWithoutTheQuestion) {
    test::TempDir elsewhere;
    const std::string secret = elsewhere.file("secret.txt");
    WriteFile(secret, "secret");
    List({{"a.htm", "one"}, {"z.htm", "z"}});
    Select("a.htm");
    Type("X");
    const std::string page = dir.file("a.htm");
    ::unlink(page.c_str());
    ASSERT_EQ(::symlink(secret.c_str(), page.c_str()), 0);

    // The session ends: nobody can be asked, so nothing is written.
    EXPECT_FALSE(form.SaveForEndOfSession(false));
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(ReadFile(secret), "secret");
    EXPECT_TRUE(form.NeedsSave);

    Select("z.htm");
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_NE(questions[0].find("was replaced by a link to \"" + secret + "\""), std::string::npos)
        << questions[0];
    EXPECT_EQ(ReadFile(secret), "secret");
    struct stat st;
    ASSERT_EQ(::lstat(page.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(form.LoadedFName, page);
}

TEST_F(OutsideTest, AnUneditedPaneFollowsTheFileQuietlyKeepingTheCaret) {
    List({{"a.htm", "line 1\nline 2\n"}});
    Select("a.htm");
    form.Memo1->SetSelectionStart(9);
    // Noticed by the watch on the file, then on its folder after a rename.
    test::AppendFile(dir.file("a.htm"), "line 3\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.Memo1->toPlainText().contains("3"); }, 5000));
    EXPECT_EQ(form.Memo1->SelectionStart(), 9);
    ReplaceByRename(dir.file("a.htm"), "line A\nline B\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.Memo1->toPlainText().contains("B"); }, 5000));
    EXPECT_EQ(form.Memo1->SelectionStart(), 9);
    EXPECT_FALSE(form.NeedsSave);

    // Not text any more: the pane keeps its text, and the next write asks.
    ReplaceByRename(dir.file("a.htm"), std::string("bin\0ary", 7));
    EXPECT_FALSE(form.Outside()->Check());
    EXPECT_EQ(form.Memo1->toPlainText(), "line A\nline B\n");
    Type("X");
    form.SaveButton->click();
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_EQ(ReadFile(dir.file("a.htm")), std::string("bin\0ary", 7));
    // Once saved, the pane holds the file again and follows it as before.
    overwrite = true;
    form.SaveButton->click();
    ASSERT_FALSE(form.NeedsSave);
    test::AppendFile(dir.file("a.htm"), "line C\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.Memo1->toPlainText().contains("C"); }, 5000));
    EXPECT_TRUE(errors.empty());
}

// The working directory moves with every folder the folder dialog opens.
class RelativeDirectoryTest : public OutsideTest, protected test::DirDialogAnswers {};

TEST_F(RelativeDirectoryTest, TheEditGoesIntoTheFileItCameFrom) {
    ASSERT_EQ(::mkdir(dir.file("site").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.file("site/site").c_str(), 0755), 0);
    WriteFile(dir.file("site/a.htm"), "mine");
    WriteFile(dir.file("site/site/a.htm"), "other");
    ASSERT_EQ(platform::SetWorkingDir(dir.path()), 0);

    // A relative directory in the settings file is taken from where the program starts.
    WriteFile(form.SettingsPathOverride, "[Initial]\r\nDir=site\r\n");
    TForm1 started;
    started.SettingsPathOverride = form.SettingsPathOverride;
    started.show();
    EXPECT_EQ(started.dirEdit->Text(), dir.file("site"));

    form.dirEdit->SetText("site");
    Select("a.htm");
    EXPECT_EQ(form.LoadedFName, dir.file("site/a.htm"));
    Type("X");
    form.dirEdit->BrowseClick(); // opens at site, then Cancel
    ASSERT_EQ(browses, 1);
    ASSERT_EQ(platform::WorkingDir(), dir.file("site")) << "the dialog moved the working directory";
    form.SaveButton->click();
    EXPECT_EQ(ReadFile(dir.file("site/a.htm")), "Xmine");
    EXPECT_EQ(ReadFile(dir.file("site/site/a.htm")), "other");
    EXPECT_TRUE(errors.empty());
}

} // namespace
} // namespace sheafpad
