// SPDX-License-Identifier: GPL-3.0-or-later
// The settings through the main window: what a start reads and applies, what
// a close writes, the ways out when writing fails, the end of a session, and
// the double-click that hands a file to the external editor.
#include "app/application.h"
#include "form_fixture.h"
#include "platform/process.h"
#include "widgets/file_list_model.h"
#include "widgets/rich_edit.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace sheafpad {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// The site's section as a close writes it when the subfolders are off and
// the folder shown is the only one.
std::string SiteSection(const std::string& folder) {
    return "[Site]\r\nSubfolders=0\r\nRecent1=" + folder + "\r\n";
}

// Each start makes a window of its own on the test's settings file.
class SettingsTest : public ::testing::Test, protected test::ErrorCapture {
protected:
    void SetUp() override {
        TForm1::SetQuestionHook([this](const QString&) {
            ++questions;
            return quitWithoutSettings;
        });
    }
    void TearDown() override { TForm1::SetQuestionHook(nullptr); }

    // A fresh window on the test's settings file, shown as at start-up.
    std::unique_ptr<TForm1> Start() {
        auto form = std::make_unique<TForm1>();
        form->SettingsPathOverride = ini;
        form->show();
        return form;
    }
    // Opens name and types into it, so that it is changed.
    void Edit(TForm1& form, const std::string& name, const QString& keys) {
        ASSERT_TRUE(test::RowOf(form, name).isValid());
        test::SelectName(form, name);
        QTest::keyClicks(form.Memo1, keys);
        ASSERT_TRUE(form.NeedsSave);
    }

    TempDir settingsDir, dir;
    std::string ini = settingsDir.file("Sheafpad.ini");
    int questions = 0;
    bool quitWithoutSettings = false;
};

TEST_F(SettingsTest, FirstStartUsesTheLayoutAndFirstCloseWritesTheSevenKeysInOrder) {
    auto form = Start();
    ASSERT_FALSE(form->ExeDir.empty());
    EXPECT_EQ(form->ExeDir.back(), '/');
    EXPECT_EQ(form->dirEdit->Text(), form->ExeDir);
    EXPECT_EQ(form->dirEdit->InitialDir(), form->ExeDir);
    EXPECT_EQ(form->OuterBounds(), QRect(268, 116, 924, 480));
    EXPECT_EQ(form->FindEdit->text(), "Type \"find\" text here + <Enter>");
    EXPECT_EQ(form->LoadedFName, "");
    EXPECT_FALSE(test::FileExists(ini)) << "a start only reads";

    EXPECT_TRUE(form->close());
    EXPECT_EQ(ReadFile(ini), "[Initial]\r\nDir=" + form->ExeDir +
                                 "\r\nLeft=268\r\nTop=116\r\nHeight=480\r\nWidth=924\r\n"
                                 "FindEdit=Type \"find\" text here + <Enter>\r\nLoadedFName=\r\n"
                                 "[Pane]\r\nHighlighting=1\r\nLineNumbers=1\r\nWrap=1\r\n" +
                                 SiteSection(form->ExeDir));
    EXPECT_TRUE(errors.empty());
}

TEST_F(SettingsTest, RestartRestoresEverythingButOpensNoFile) {
    WriteFile(dir.file("a.htm"), "a");
    WriteFile(dir.file("b.js"), "b");
    WriteFile(ini, "[Other]\r\nx=1\r\n[initial]\r\nLEFT=0x20\r\ndir=" + dir.path() +
                       "\r\nTop=40\r\nWidth=150\r\nHeight=$64\r\nFindEdit=n\xc3\xa4"
                       "edle\r\n"
                       "LoadedFName=" +
                       dir.file("a.htm") + "\r\n[Last]\r\ny=2\r\n");
    auto form = Start();
    EXPECT_EQ(form->dirEdit->Text(), dir.path());
    EXPECT_EQ(form->dirEdit->InitialDir(), dir.path());
    EXPECT_EQ(form->filesModel->Names().size(), 2u);
    // As stored, though smaller than the controls need.
    EXPECT_EQ(form->OuterBounds(), QRect(32, 40, 150, 100));
    EXPECT_EQ(form->FindEdit->text(), QString::fromUtf8("n\xc3\xa4"
                                                        "edle"));
    EXPECT_EQ(form->LoadedFName, dir.file("a.htm"));
    EXPECT_TRUE(form->Memo1->ReadOnly()) << "the introduction stays";
    EXPECT_FALSE(form->PaneHoldsLoadedFile);
    EXPECT_NE(form->Memo1->toPlainText(), "a");

    // Closing writes the same values back, in the keys' places, others kept.
    EXPECT_TRUE(form->close());
    EXPECT_EQ(ReadFile(ini),
              "[Other]\r\nx=1\r\n[initial]\r\nLEFT=32\r\ndir=" + dir.path() +
                  "\r\nTop=40\r\nWidth=150\r\nHeight=100\r\nFindEdit=n\xc3\xa4"
                  "edle\r\nLoadedFName=" +
                  dir.file("a.htm") +
                  "\r\n[Last]\r\ny=2\r\n[Pane]\r\nHighlighting=1\r\nLineNumbers=1\r\nWrap=1\r\n" +
                  SiteSection(dir.path()));
}

// sheafpad DIR, sheafpad FILE: the folder given takes the stored one's place
// for this run, and is stored at the close; a file opens as a click opens it,
// its own pattern added when no pattern lists it.
TEST_F(SettingsTest, AFolderOrFileFromTheCommandLineTakesTheStoredFoldersPlace) {
    WriteFile(dir.file("a.htm"), "a");
    WriteFile(dir.file("style.css"), "b { }");
    TempDir stored;
    WriteFile(stored.file("old.htm"), "old");
    WriteFile(ini, "[Initial]\r\nDir=" + stored.path() +
                       "\r\nLoadedFName=" + stored.file("old.htm") + "\r\n");

    auto form = std::make_unique<TForm1>();
    form->SettingsPathOverride = ini;
    form->OpenAtStart(dir.path(), "style.css");
    form->show();
    EXPECT_EQ(form->dirEdit->Text(), dir.path());
    EXPECT_EQ(form->TypesMemo->toPlainText(), ".htm\n.html\n.js\n.css");
    EXPECT_EQ(form->filesModel->Names(), (std::vector<std::string>{"a.htm", "style.css"}));
    ASSERT_TRUE(form->SelectedName());
    EXPECT_EQ(*form->SelectedName(), "style.css");
    EXPECT_EQ(form->LoadedFName, dir.file("style.css"));
    EXPECT_TRUE(form->PaneHoldsLoadedFile);
    EXPECT_EQ(form->Memo1->toPlainText(), "b { }");
    EXPECT_FALSE(form->Memo1->ReadOnly());
    EXPECT_TRUE(form->close());
    EXPECT_NE(ReadFile(ini).find("Dir=" + dir.path() + "\r\n"), std::string::npos);
    EXPECT_NE(ReadFile(ini).find("LoadedFName=" + dir.file("style.css") + "\r\n"),
              std::string::npos);

    // A folder alone: listed, and the pane keeps the introduction.
    auto folder = std::make_unique<TForm1>();
    folder->SettingsPathOverride = ini;
    folder->OpenAtStart(stored.path(), "");
    folder->show();
    EXPECT_EQ(folder->dirEdit->Text(), stored.path());
    EXPECT_EQ(folder->filesModel->Names(), std::vector<std::string>{"old.htm"});
    EXPECT_TRUE(folder->Memo1->ReadOnly());
    EXPECT_FALSE(folder->PaneHoldsLoadedFile);
    EXPECT_TRUE(errors.empty());
}

TEST_F(SettingsTest, ThePanesZoomIsKeptInASectionOfItsOwn) {
    auto form = Start();
    const qreal desktop = form->Memo1->PointSize();
    QTest::keyClick(form->Memo1, Qt::Key_Plus, Qt::ControlModifier);
    QTest::keyClick(form->Memo1, Qt::Key_Equal, Qt::ControlModifier);
    ASSERT_EQ(form->Memo1->PointSize(), desktop + 2);
    EXPECT_TRUE(form->close());
    const std::string initial = "[Initial]\r\nDir=" + form->ExeDir +
                                "\r\nLeft=268\r\nTop=116\r\nHeight=480\r\nWidth=924\r\n"
                                "FindEdit=Type \"find\" text here + <Enter>\r\nLoadedFName=\r\n";
    EXPECT_EQ(ReadFile(ini), initial + "[Pane]\r\nFontSize=" + std::to_string(int(desktop) + 2) +
                                 "\r\nHighlighting=1\r\nLineNumbers=1\r\nWrap=1\r\n" +
                                 SiteSection(form->ExeDir));
    // Restored at the next start; Ctrl+0 goes back to the desktop's size,
    // which empties the key.
    form = Start();
    EXPECT_EQ(form->Memo1->PointSize(), desktop + 2);
    QTest::keyClick(form->Memo1, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(form->Memo1->PointSize(), desktop);
    EXPECT_TRUE(form->close());
    EXPECT_EQ(ReadFile(ini),
              initial + "[Pane]\r\nFontSize=\r\nHighlighting=1\r\nLineNumbers=1\r\nWrap=1\r\n" +
                  SiteSection(form->ExeDir));
    EXPECT_EQ(Start()->Memo1->PointSize(), desktop);
}

TEST_F(SettingsTest, PartialFileEmptyDirAndBadNumbersTakeTheirDefaults) {
    WriteFile(ini, "[Initial]\r\nDir=\r\nLeft=12px\r\nWidth=600\r\nFindEdit=\r\n");
    auto form = Start();
    EXPECT_EQ(form->dirEdit->Text(), "");
    EXPECT_EQ(form->OuterBounds(), QRect(268, 116, 600, 480));
    EXPECT_EQ(form->FindEdit->text(), "");
}

TEST_F(SettingsTest, FindTextCutInsideACharacterLosesOnlyThatCharacter) {
    std::string find(2046, 'a');
    find += "\xc3\xa4"; // the cut falls between these two bytes
    WriteFile(ini, "[Initial]\r\nFindEdit=" + find + "\r\n");
    auto form = Start();
    EXPECT_EQ(form->FindEdit->text(), QString(2046, 'a'));
    WriteFile(ini, "[Initial]\r\nFindEdit=caf\xe9\r\n"); // written by hand in Latin-1
    auto second = Start();
    EXPECT_EQ(second->FindEdit->text(), QString::fromUtf8("caf\xc3\xa9"));
}

TEST_F(SettingsTest, BoundsOutsideEveryScreenMoveOntoThePrimaryKeepingTheSize) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    WriteFile(ini, "[Initial]\r\nLeft=-5000\r\nTop=9000\r\nHeight=300\r\nWidth=400\r\n");
    auto lost = Start();
    const QRect moved = lost->OuterBounds();
    EXPECT_EQ(moved.size(), QSize(400, 300));
    EXPECT_TRUE(screen.contains(moved)) << moved.x() << "," << moved.y();

    // Partly on a screen: applied unchanged.
    WriteFile(ini, "[Initial]\r\nLeft=-100\r\nTop=-20\r\nHeight=300\r\nWidth=400\r\n");
    auto partly = Start();
    EXPECT_EQ(partly->OuterBounds(), QRect(-100, -20, 400, 300));
}

TEST_F(SettingsTest, BoundsLargerThanTheScreenAreCutToItsAvailableArea) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    WriteFile(ini, "[Initial]\r\nLeft=30\r\nTop=40\r\nHeight=300\r\nWidth=2000000000\r\n");
    auto wide = Start();
    EXPECT_EQ(wide->OuterBounds(), QRect(area.left(), 40, area.width(), 300));
    EXPECT_TRUE(wide->close());
    EXPECT_NE(ReadFile(ini).find("Left=" + std::to_string(area.left()) +
                                 "\r\nTop=40\r\n"
                                 "Height=300\r\nWidth=" +
                                 std::to_string(area.width()) + "\r\n"),
              std::string::npos)
        << ReadFile(ini);
    WriteFile(ini, "[Initial]\r\nLeft=30\r\nTop=40\r\nHeight=70000\r\nWidth=400\r\n");
    EXPECT_EQ(Start()->OuterBounds(), QRect(30, area.top(), 400, area.height()));
}

// A width or height of zero or less gives the smallest window there can
// be, on screen at the stored place; the close stores what it was.
TEST_F(SettingsTest, NoSizeOrANegativeOneGivesTheSmallestWindow) {
    WriteFile(ini, "[Initial]\r\nLeft=30\r\nTop=40\r\nHeight=-5\r\nWidth=0\r\n");
    auto form = Start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const QSize smallest =
        form->minimumSizeHint().expandedTo(form->minimumSize()).expandedTo(QSize(1, 1));
    EXPECT_EQ(form->size(), smallest);
    EXPECT_EQ(form->OuterBounds().topLeft(), QPoint(30, 40));
    EXPECT_TRUE(form->close());
    EXPECT_NE(ReadFile(ini).find("Height=" + std::to_string(form->OuterBounds().height()) +
                                 "\r\nWidth=" + std::to_string(form->OuterBounds().width())),
              std::string::npos)
        << ReadFile(ini);
    EXPECT_GT(form->OuterBounds().height(), 0);
}

TEST_F(SettingsTest, MinimizedWindowStoresItsRestoredRectangle) {
    WriteFile(ini, "[Initial]\r\nLeft=10\r\nTop=20\r\nHeight=300\r\nWidth=400\r\n");
    auto form = Start();
    form->showMinimized();
    QTest::qWait(20);
    ASSERT_TRUE(form->close());
    EXPECT_EQ(
        ReadFile(ini),
        "[Initial]\r\nLeft=10\r\nTop=20\r\nHeight=300\r\nWidth=400\r\n"
        "Dir=" +
            form->ExeDir +
            "\r\nFindEdit=Type \"find\" text here + "
            "<Enter>\r\nLoadedFName=\r\n[Pane]\r\nHighlighting=1\r\nLineNumbers=1\r\nWrap=1\r\n" +
            SiteSection(form->ExeDir));
}

TEST_F(SettingsTest, MaximizedWindowStoresItsMaximizedRectangle) {
    auto form = Start();
    const QRect normal = form->OuterBounds();
    form->showMaximized();
    QTest::qWait(20);
    const QRect maximized = form->frameGeometry();
    ASSERT_NE(maximized, normal);
    ASSERT_TRUE(form->close());
    auto next = Start();
    EXPECT_FALSE(next->isMaximized());
    EXPECT_EQ(next->OuterBounds(), maximized);
}

TEST_F(SettingsTest, ClosingWithAChangedFileWritesItAfterTheSettings) {
    WriteFile(dir.file("a.htm"), "one");
    auto form = Start();
    form->dirEdit->SetText(dir.path());
    Edit(*form, "a.htm", "X");
    EXPECT_TRUE(form->close());
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "Xone");
    EXPECT_NE(ReadFile(ini).find("LoadedFName=" + dir.file("a.htm") + "\r\n"), std::string::npos);
    EXPECT_TRUE(errors.empty());
}

TEST_F(SettingsTest, FailedSettingsWriteStillLetsTheUserLeaveWithTheFileSaved) {
    WriteFile(dir.file("a.htm"), "one");
    WriteFile(ini, "[Initial]\r\nDir=" + dir.path() + "\r\n");
    ::chmod(ini.c_str(), 0444);
    auto form = Start();
    Edit(*form, "a.htm", "X");

    // "No": the window stays and nothing was saved by this close.
    EXPECT_FALSE(form->close());
    EXPECT_EQ(errors, std::vector<std::string>{"Unable to write to " + ini + "."});
    EXPECT_EQ(questions, 1);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "one");
    EXPECT_TRUE(form->NeedsSave);

    // "Yes": the changed file is saved, then the program may end.
    quitWithoutSettings = true;
    EXPECT_TRUE(form->close());
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "Xone");
    EXPECT_EQ(ReadFile(ini), "[Initial]\r\nDir=" + dir.path() + "\r\n");
}

TEST_F(SettingsTest, WhenTheFileCannotBeSavedEitherTheWindowStaysOpen) {
    TempDir lockedDir;
    WriteFile(lockedDir.file("a.htm"), "one");
    ::chmod(settingsDir.path().c_str(), 0555);
    auto form = Start();
    form->dirEdit->SetText(lockedDir.path());
    Edit(*form, "a.htm", "X");
    ::chmod(lockedDir.file("a.htm").c_str(), 0444);
    quitWithoutSettings = true;
    EXPECT_FALSE(form->close());
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0], "Unable to write to " + ini + ".");
    EXPECT_NE(errors[1].find(lockedDir.file("a.htm")), std::string::npos) << errors[1];
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->NeedsSave);
    EXPECT_FALSE(test::FileExists(ini));
}

TEST_F(SettingsTest, LineBreaksInValuesNeverReachTheFile) {
    // A pasted find text keeps its first line.
    auto form = Start();
    form->FindEdit->setText("first\nLeft=-9999\r[Evil]");
    EXPECT_TRUE(form->close());
    EXPECT_NE(ReadFile(ini).find("\r\nFindEdit=first\r\nLoadedFName="), std::string::npos);
    EXPECT_EQ(ReadFile(ini).find("Evil"), std::string::npos);

    // A directory whose name holds a line break cannot be stored: the close
    // says so, and the file is left as it was.
    const std::string before = ReadFile(ini);
    TempDir parent;
    const std::string odd = parent.file("x\nLeft=-9999");
    ASSERT_EQ(::mkdir(odd.c_str(), 0755), 0);
    auto second = Start();
    second->dirEdit->SetText(odd);
    EXPECT_FALSE(second->close());
    EXPECT_EQ(errors, std::vector<std::string>{"Unable to write to " + ini +
                                               ". The value of \"Dir\" holds a line break."});
    EXPECT_EQ(ReadFile(ini), before);
}

// An installed program's folder is not the user's: the settings go to the
// user's config folder, made at the first close, unless a file is already
// beside the program. Everything else about the file stays as it was.
TEST_F(SettingsTest, ReadOnlyProgramFolderKeepsTheSettingsInTheUsersConfigFolder) {
    TempDir programDir, home;
    const std::string beside = programDir.file("Sheafpad.ini");
    const std::string configDir = home.file("config/Sheafpad");
    const std::string config = configDir + "/Sheafpad.ini";
    ::chmod(programDir.path().c_str(), 0555);
    const char* oldConfigHome = std::getenv("XDG_CONFIG_HOME");
    const std::string restore = oldConfigHome != nullptr ? oldConfigHome : "";
    ::setenv("XDG_CONFIG_HOME", home.file("config").c_str(), 1);
    // A close as the installed program makes it: its folder is programDir.
    auto closeAsInstalled = [&](const QString& findText) {
        auto form = std::make_unique<TForm1>();
        form->show();
        form->ExeDir = programDir.path() + "/";
        form->SettingsPathOverride.clear();
        form->FindEdit->setText(findText);
        return form->close();
    };
    const std::string keys = "[Initial]\r\nDir=";

    EXPECT_TRUE(closeAsInstalled("first"));
    EXPECT_FALSE(test::FileExists(beside));
    ASSERT_TRUE(test::FileExists(config));
    EXPECT_EQ(ReadFile(config).substr(0, keys.size()), keys);
    EXPECT_NE(ReadFile(config).find("\r\nWidth=924\r\nFindEdit=first\r\nLoadedFName=\r\n"),
              std::string::npos);
    struct stat info {};
    ASSERT_EQ(::stat(configDir.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u) << "the made folder is the user's alone";

    // A settings file beside the program is used even there.
    ::chmod(programDir.path().c_str(), 0755);
    WriteFile(beside, "[Initial]\r\n");
    ::chmod(programDir.path().c_str(), 0555);
    const std::string configBefore = ReadFile(config);
    EXPECT_TRUE(closeAsInstalled("second"));
    EXPECT_NE(ReadFile(beside).find("\r\nFindEdit=second\r\n"), std::string::npos);
    EXPECT_EQ(ReadFile(config), configBefore);

    // A config folder that cannot be made fails as any settings write does.
    ::chmod(programDir.path().c_str(), 0755);
    std::remove(beside.c_str());
    ::chmod(programDir.path().c_str(), 0555);
    WriteFile(home.file("file"), "");
    ::setenv("XDG_CONFIG_HOME", home.file("file").c_str(), 1);
    EXPECT_FALSE(closeAsInstalled("third"));
    EXPECT_EQ(errors, std::vector<std::string>{"Unable to write to " + home.file("file") +
                                               "/Sheafpad/Sheafpad.ini."});
    EXPECT_EQ(questions, 1);

    ::chmod(programDir.path().c_str(), 0755);
    if (oldConfigHome != nullptr) {
        ::setenv("XDG_CONFIG_HOME", restore.c_str(), 1);
    } else {
        ::unsetenv("XDG_CONFIG_HOME");
    }
}

TEST_F(SettingsTest, EndOfSessionSavesTheChangedFileButWritesNoSettings) {
    WriteFile(dir.file("a.htm"), "one");
    auto form = Start();
    form->dirEdit->SetText(dir.path());
    Edit(*form, "a.htm", "X");
    EXPECT_TRUE(form->SaveForEndOfSession(false));
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "Xone");
    // The session manager's "die" comes as a quit request, which closes the window.
    QObject anyObject;
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(&anyObject, &quit);
    EXPECT_TRUE(form->close()) << "the ending session is not held up";
    EXPECT_FALSE(test::FileExists(ini));
}

TEST_F(SettingsTest, AfterACancelledLogOffEditsAndClosesAreTheUsualOnes) {
    WriteFile(dir.file("a.htm"), "one");
    auto form = Start();
    form->dirEdit->SetText(dir.path());
    Edit(*form, "a.htm", "X");
    ASSERT_TRUE(form->SaveForEndOfSession(false));
    // The log-off was cancelled (Qt does not say so): the user goes on typing.
    QTest::keyClicks(form->Memo1, "Y");
    QObject anyObject;
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(&anyObject, &quit); // even a later quit request
    EXPECT_TRUE(form->close());
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "XYone");
    EXPECT_TRUE(test::FileExists(ini)) << "the close wrote the settings";

    // A checkpoint save, then the user closes without a key or a click.
    auto again = Start();
    Edit(*again, "a.htm", "Z");
    ASSERT_TRUE(again->SaveForEndOfSession(false));
    ::unlink(ini.c_str());
    EXPECT_TRUE(again->close());
    EXPECT_TRUE(test::FileExists(ini)) << "FormClose ran";
    EXPECT_TRUE(errors.empty());
}

TEST_F(SettingsTest, TerminationSignalReachesTheHandlerOnTheEventLoop) {
    for (int signal : {SIGTERM, SIGHUP, SIGINT, SIGQUIT}) {
        int calls = 0;
        {
            TerminationSignals watcher([&] { ++calls; });
            ::raise(signal);
            ::raise(signal);
            QTRY_VERIFY_WITH_TIMEOUT(calls > 0, 5000);
        }
        EXPECT_EQ(calls, 1) << "requests arriving together are handled once";
    }
}

TEST_F(SettingsTest, DoubleClickHandsTheWholePathAsOneArgumentAndTellsWhenNothingStarts) {
    std::vector<std::pair<std::string, std::vector<std::string>>> started;
    std::string failure;
    platform::SetStartDetachedHook(
        [&](const std::string& program, const std::vector<std::string>& args) {
            started.emplace_back(program, args);
            return failure;
        });
    const std::string name = "my \"quoted\" file's $(x).htm";
    WriteFile(dir.file(name), "a");
    auto form = Start();
    form->dirEdit->SetText(dir.path());
    form->filesLBDblClick(); // nothing selected
    EXPECT_TRUE(started.empty());
    form->filesLB->selectionModel()->setCurrentIndex(form->filesModel->index(0),
                                                     QItemSelectionModel::ClearAndSelect);
    const QRect row = form->filesLB->visualRect(form->filesModel->index(0));
    QTest::mouseClick(form->filesLB->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(form->filesLB->viewport(), Qt::LeftButton, {}, row.center());
    ASSERT_EQ(started.size(), 1u);
    // The desktop's text editor, or xdg-open where none is registered.
    EXPECT_FALSE(started[0].first.empty());
    EXPECT_EQ(started[0].second, std::vector<std::string>{dir.path() + "/" + name});
    EXPECT_EQ(form->LoadedFName, dir.file(name)) << "the file stays open in the pane";
    EXPECT_TRUE(errors.empty());

    failure = "Unable to find terminal required for application";
    QTest::mouseDClick(form->filesLB->viewport(), Qt::LeftButton, {}, row.center());
    platform::SetStartDetachedHook(nullptr);
    EXPECT_EQ(started.size(), 2u);
    EXPECT_EQ(errors, std::vector<std::string>{"Cannot open \"" + dir.file(name) +
                                               "\" in a text editor. " + failure + "."});
    EXPECT_EQ(form->LoadedFName, dir.file(name));
}

} // namespace
} // namespace sheafpad
