// SPDX-License-Identifier: GPL-3.0-or-later
// Recovery copies through the main window: when a copy is taken and when it
// goes, what is never copied, the copy at the end of a session, a copy that
// cannot be written, and the question at start-up for the copies that ended
// runs left behind.
#include "app/outside_changes.h"
#include "app/recovery_keeper.h"
#include "form_fixture.h"
#include "platform/directory.h"
#include "platform/state_files.h"
#include "recovery/recovery_store.h"
#include "widgets/rich_edit.h"

#include <QClipboard>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace sheafpad {
namespace {

using test::FileExists;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class RecoveryTest : public test::FormFixture {
protected:
    RecoveryTest() {
        TForm1::SetRecoveryQuestionHook(
            [this](const QString& text, const std::vector<QString>& lines) {
                questions.push_back(text.toStdString());
                std::vector<TForm1::RecoveryAnswer> answers;
                copies.clear();
                for (const QString& line : lines) {
                    copies.push_back(line.toStdString());
                    // Discard b, Restore the others.
                    answers.push_back(line.contains("b.htm") ? TForm1::RecoveryAnswer::Discard
                                                             : TForm1::RecoveryAnswer::Restore);
                }
                return answers;
            });
        TForm1::SetNoticeHook(
            [this](const QString& text) { notices.push_back(text.toStdString()); });
    }
    ~RecoveryTest() override {
        TForm1::SetRecoveryQuestionHook(nullptr);
        TForm1::SetNoticeHook(nullptr);
    }
    void SetUp() override { ShowActive(); }

    // Starts the copies (and the questions) in the test's state folder.
    void Start(int pauseMs = 150, int longestMs = 30000) {
        form.StartRecovery(folder);
        form.Recovery()->SetDelays(pauseMs, longestMs);
    }
    // The entries of the folder after the work asked for so far, as a later
    // start finds them (with the edits of their journals); stored: as their
    // own files hold them.
    std::vector<recovery::Entry> Entries(bool stored = false) {
        form.Recovery()->Flush();
        std::vector<recovery::Entry> entries;
        platform::ForEachEntry(folder, [&](std::string_view name) {
            const std::string path = folder + std::string(name);
            if (name.ends_with(".entry") && !name.starts_with("unreadable-")) {
                entries.push_back(stored ? *recovery::Parse(ReadFile(path))
                                         : *recovery::Store::Recovered(path));
            }
        });
        return entries;
    }
    int Journals() {
        int journals = 0;
        platform::ForEachEntry(
            folder, [&](std::string_view name) { journals += name.ends_with(".journal") ? 1 : 0; });
        return journals;
    }
    // The first change is copied at once, the edits follow in its journal;
    // waits (at most 3 s) for the whole copy after the pause, which leaves
    // only its own (empty) journal.
    std::vector<recovery::Entry> CopyAfterPause(const std::string& text) {
        EXPECT_EQ(Entries().size(), 1u);
        EXPECT_EQ(Entries().empty() ? "" : Entries()[0].text, text);
        EXPECT_NE(Entries(true)[0].text, text) << "copied whole before the pause";
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return Entries(true)[0].text == text && Journals() == 1; }, 3000));
        return Entries();
    }
    void Type(const QString& keys) { QTest::keyClicks(form.Memo1, keys); }

    TempDir state;
    const std::string folder = state.path() + "/recovery/";
    std::vector<std::string> questions, copies, notices;
};

TEST_F(RecoveryTest, ACopyFollowsThePauseAndGoesWithSaveCancelAndSwitch) {
    List({{"a.htm", "one\n"}, {"b.htm", "two\n"}});
    Start();
    QGuiApplication::clipboard()->setText("p");
    form.Paste1Click(); // changes the introduction, which is never copied
    EXPECT_TRUE(form.NeedsSave);
    QTest::qWait(300);
    Select("a.htm");
    QTest::qWait(300);
    EXPECT_TRUE(Entries().empty()); // nothing changed yet

    Type("x");
    std::vector<recovery::Entry> entries = CopyAfterPause("xone\r\n");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].path, dir.file("a.htm"));
    EXPECT_TRUE(entries[0].loaded.exists);
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "one\n");
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    QTest::mouseClick(form.SaveButton, Qt::LeftButton);
    EXPECT_TRUE(Entries().empty());
    EXPECT_EQ(Journals(), 0);
    Type("y");
    CopyAfterPause("xyone\r\n");
    QTest::mouseClick(form.CancelButton, Qt::LeftButton);
    EXPECT_TRUE(Entries().empty());
    EXPECT_EQ(Journals(), 0);
    Type("z");
    CopyAfterPause("xyzone\r\n");
    Select("b.htm");
    EXPECT_TRUE(Entries().empty());
    EXPECT_EQ(Journals(), 0);
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "xyzone\n");

    // The unused-file report is never copied, even when typed into.
    form.CheckButtonClick();
    ASSERT_FALSE(form.PaneHoldsLoadedFile);
    Type("w");
    EXPECT_TRUE(form.NeedsSave);
    QTest::qWait(400);
    EXPECT_TRUE(Entries().empty());
    EXPECT_TRUE(errors.empty());
}

// Every edit is on disk as soon as it is made, whatever it is (typing,
// deleting, undo, a paste too large for the journal), and long typing is
// still copied whole without a pause.
TEST_F(RecoveryTest, EveryEditIsKeptAtOnceAndLongTypingIsCopiedWhole) {
    List({{"a.htm", "one\ntwo"}});
    Start(400, 600);
    Select("a.htm");
    const auto kept = [&] {
        const std::vector<recovery::Entry> entries = Entries();
        QString shown = form.Memo1->toPlainText();
        shown.replace('\n', QStringLiteral("\r\n"));
        return entries.size() == 1 && entries[0].text == shown.toStdString();
    };
    bool wholeCopy = false;
    for (int i = 0; i < 12; ++i) {
        // Faster than the pause: letters, line breaks and deletions.
        QTest::keyClick(form.Memo1, i % 4 == 3 ? Qt::Key_Backspace : Qt::Key_K);
        QTest::keyClick(form.Memo1, i % 4 == 3 ? Qt::Key_Delete : Qt::Key_Return);
        EXPECT_TRUE(kept()) << i;
        wholeCopy = wholeCopy || Entries(true)[0].text.size() > 8;
        QTest::qWait(100);
    }
    EXPECT_TRUE(wholeCopy) << "no whole copy during long typing";
    form.Memo1->undo();
    EXPECT_TRUE(kept());
    QGuiApplication::clipboard()->setText(QString(100000, 'p'));
    form.Paste1Click();
    EXPECT_TRUE(kept());
    Type("q");
    EXPECT_TRUE(kept());
}

// The process ends while it still runs code, as Qt ends it after a lost
// display (exit) or on a fatal message (abort): the copy asked for is on
// disk first, though it was only just asked for and is a long one.
TEST_F(RecoveryTest, AnEndThatStillRunsCodeFinishesTheCopyFirst) {
    const std::string big(24 << 20, 'b');
    List({{"a.htm", big}});
    for (const bool fatal : {false, true}) {
        SCOPED_TRACE(fatal ? "fatal message" : "exit");
        const auto typeAndEnd = [&] {
            Start();
            Select("a.htm");
            Type("x");
            if (fatal) {
                qFatal("The end");
            }
            std::exit(1);
        };
        if (fatal) {
            EXPECT_DEATH(typeAndEnd(), "The end");
        } else {
            EXPECT_EXIT(typeAndEnd(), testing::ExitedWithCode(1), "");
        }
        const std::vector<recovery::Entry> entries = Entries();
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].text.size(), big.size() + 1);
        EXPECT_EQ(entries[0].text.substr(0, 3), "xbb");
        platform::ForEachEntry(folder, [&](std::string_view name) {
            std::remove((folder + std::string(name)).c_str());
        });
    }
}

TEST_F(RecoveryTest, AtTheEndOfTheSessionTheCopyIsWrittenFirstAndKeptUnlessSaved) {
    List({{"a.htm", "one"}});
    Start();
    Select("a.htm");
    Type("x");
    ASSERT_EQ(::chmod(dir.file("a.htm").c_str(), 0444), 0);
    EXPECT_FALSE(form.SaveForEndOfSession(false)); // no pause waited for
    std::vector<recovery::Entry> entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].text, "xone");
    // A save that leaves the file as it was (one that skips a file changed
    // by another program) keeps the copy, though it clears the flag.
    RecoveryKeeper& keeper = *form.Recovery();
    keeper.Hold(dir.file("a.htm"));
    keeper.Drop();
    keeper.EndHold(true);
    EXPECT_EQ(Entries().size(), 1u);
    ASSERT_EQ(::chmod(dir.file("a.htm").c_str(), 0644), 0);
    EXPECT_TRUE(form.SaveForEndOfSession(false));
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "xone");
    EXPECT_TRUE(Entries().empty());
    // A save that finds the file holding the text already writes nothing,
    // and the copy goes all the same.
    Type("y");
    QTest::keyClick(form.Memo1, Qt::Key_Backspace);
    ASSERT_EQ(Entries().size(), 1u);
    EXPECT_TRUE(form.SaveForEndOfSession(false));
    EXPECT_TRUE(Entries().empty());
}

// Ctrl+C or kill over a file that another program changed: the program ends
// without a box or a question, the edit in its copy; only when even the copy
// cannot be written does it stay and say why.
TEST_F(RecoveryTest, ASignalEndsWithTheEditInItsCopyOrStaysWhenThereIsNone) {
    List({{"a.htm", "one"}});
    Start();
    Select("a.htm");
    Type("x");
    test::AppendFile(dir.file("a.htm"), " more");
    EXPECT_TRUE(form.EndOnSignal());
    EXPECT_TRUE(errors.empty()) << errors[0];
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "one more");
    ASSERT_EQ(Entries().size(), 1u);
    EXPECT_EQ(Entries()[0].text, "xone");

    // The folder replaced by a file: no copy can be written now, even by root.
    ASSERT_EQ(
        std::rename(folder.substr(0, folder.size() - 1).c_str(), (state.path() + "/moved").c_str()),
        0);
    WriteFile(state.path() + "/recovery", "");
    Type("y");
    EXPECT_FALSE(form.EndOnSignal());
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "one more");
}

TEST_F(RecoveryTest, AnEndingSessionThatMayNotWriteTheFileLeavesWithTheCopyAskingNothing) {
    List({{"a.htm", "one"}});
    Start();
    Select("a.htm");
    Type("x");
    test::AppendFile(dir.file("a.htm"), " more"); // another program's work
    std::vector<std::string> asked;
    TForm1::SetQuestionHook([&](const QString& text) {
        asked.push_back(text.toStdString());
        return false;
    });
    EXPECT_FALSE(form.SaveForEndOfSession(false));
    // The session manager's "die": the close must not wait for an answer.
    QObject anyObject;
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(&anyObject, &quit);
    EXPECT_TRUE(form.close());
    TForm1::SetQuestionHook(nullptr);
    EXPECT_TRUE(asked.empty()) << asked[0];
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "one more");
    const std::vector<recovery::Entry> entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].text, "xone");
}

TEST_F(RecoveryTest, TheCopyStandsOnTheVersionTheEditStartedFrom) {
    List({{"a.htm", "one"}});
    Start();
    Select("a.htm");
    // Another program writes the file; the unedited pane follows it quietly.
    test::AppendFile(dir.file("a.htm"), " two");
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.Memo1->toPlainText() == "one two"; }, 5000));
    Type("x");
    const std::vector<recovery::Entry> entries = CopyAfterPause("xone two");
    ASSERT_EQ(entries.size(), 1u);
    // Restored later, the text must not count the version it was typed into
    // as another program's change.
    EXPECT_EQ(
        platform::CompareIdentity(entries[0].loaded, platform::FileIdentityOf(dir.file("a.htm"))),
        platform::FileChange::None);
}

TEST_F(RecoveryTest, ARestoredTextIsNeverReloadedAwayEvenAfterCancel) {
    List({{"a.htm", "on disk"}});
    {
        // A run that ended, with a copy typed into an older version of a.
        int error = 0;
        const auto ended = recovery::Store::Open(folder, &error);
        ASSERT_TRUE(ended);
        recovery::Entry e;
        e.path = dir.file("a.htm");
        e.loaded = {.exists = true, .device = 1, .inode = 2, .size = 3, .linkTarget = {}};
        e.text = "typed";
        ASSERT_EQ(ended->Write(ended->EntryPath(e.path), e), 0);
    }
    Start();
    ASSERT_EQ(form.Memo1->toPlainText(), "typed");
    EXPECT_FALSE(form.Outside()->Check());
    // Cancel drops the write, not the text: it stays to be copied from, as
    // after Cancel on any edited text.
    form.CancelButtonClick();
    EXPECT_FALSE(form.Outside()->Check());
    EXPECT_EQ(form.Memo1->toPlainText(), "typed");
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "on disk");
}

TEST_F(RecoveryTest, RestoringTheCopyOfADeletedFileIsTheDecisionToWriteItAgain) {
    List({{"b.htm", "two"}});
    const std::string path = dir.file("a.htm");
    {
        int error = 0;
        const auto ended = recovery::Store::Open(folder, &error);
        ASSERT_TRUE(ended);
        recovery::Entry e;
        e.path = path;
        e.loaded = {.exists = true, .device = 1, .inode = 2, .size = 3}; // deleted since
        e.text = "typed";
        ASSERT_EQ(ended->Write(ended->EntryPath(e.path), e), 0);
    }
    Start();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_NE(questions[0].find("no longer exists"), std::string::npos) << questions[0];
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_NE(copies[0].find("no longer exists"), std::string::npos) << copies[0];
    ASSERT_EQ(form.Memo1->toPlainText(), "typed");
    std::vector<std::string> asked;
    TForm1::SetQuestionHook([&](const QString& text) {
        asked.push_back(text.toStdString());
        return false;
    });
    Select("b.htm");
    TForm1::SetQuestionHook(nullptr);
    EXPECT_TRUE(asked.empty()) << asked[0];
    EXPECT_EQ(ReadFile(path), "typed");
    EXPECT_TRUE(errors.empty());
}

TEST_F(RecoveryTest, ACopyThatCannotBeWrittenIsToldOnceAndTypingGoesOn) {
    List({{"a.htm", "one"}});
    Start();
    Select("a.htm");
    // The folder is replaced by a file: every write fails, whoever runs the test.
    ASSERT_EQ(
        std::rename(folder.substr(0, folder.size() - 1).c_str(), (state.path() + "/moved").c_str()),
        0);
    WriteFile(state.path() + "/recovery", "");
    Type("x");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !notices.empty(); }, 3000));
    Type("y");
    QTest::qWait(400);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("No recovery copy"), std::string::npos) << notices[0];
    EXPECT_TRUE(errors.empty());
    form.SaveButtonClick();
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "xyone");
}

TEST_F(RecoveryTest, CopiesOfEndedRunsAreOfferedRestoredOrDiscarded) {
    List({{"a.htm", "one\n"}, {"b.htm", "two\n"}});
    int error = 0;
    auto entry = [](const std::string& path, const std::string& text, int64_t time) {
        recovery::Entry e;
        e.path = path;
        e.loaded = {.exists = true, .device = 1, .inode = 2, .size = 3}; // not the file now
        e.format.encoding = e.textEncoding = TextEncoding::Latin1;
        e.format.lineBreak = LineBreak::Cr; // the file's, which the copy's CR LF do not show
        e.text = text;
        e.copiedAtNs = time;
        return e;
    };
    const std::string gone = state.path() + "/no/such/folder/c.htm";
    {
        // A run that ended, leaving three copies.
        const auto ended = recovery::Store::Open(folder, &error);
        ASSERT_TRUE(ended);
        const auto write = [&](const recovery::Entry& e) {
            ASSERT_EQ(ended->Write(ended->EntryPath(e.path), e), 0);
        };
        write(entry(dir.file("a.htm"), "caf\xe9\r\nrestored", 3000000000000000000));
        write(entry(dir.file("b.htm"), "dropped", 1000000000000000000));
        write(entry(gone, "nowhere\r\nelse", 2000000000000000000));
        WriteFile(folder + ended->RunId() + "-junk.entry", "junk");
    }
    // A program still running: its copy is not this program's to offer.
    const auto running = recovery::Store::Open(folder, &error);
    ASSERT_EQ(
        running->Write(running->EntryPath(dir.file("a.htm")), entry(dir.file("a.htm"), "live", 1)),
        0);

    Start();
    // One question for the three, oldest first.
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], "Sheafpad ended before the changes to 3 files were saved. Restore "
                            "the unsaved changes?");
    ASSERT_EQ(copies.size(), 3u);
    EXPECT_EQ(copies[0].rfind(dir.file("b.htm") + " (copied 2001-09-0", 0), 0u) << copies[0];
    EXPECT_NE(copies[1].find("folder no longer exists"), std::string::npos) << copies[1];
    EXPECT_NE(copies[2].find("changed on disk"), std::string::npos) << copies[2];

    // What could not be read is told first, naming the folder; the folder
    // that is gone: the text is on the clipboard, the copy kept.
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_NE(notices[0].find("set aside in " + folder), std::string::npos) << notices[0];
    EXPECT_NE(notices[1].find("clipboard"), std::string::npos);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "nowhere\r\nelse");

    // a is back in the pane, changed and unsaved, as if just typed.
    EXPECT_EQ(form.LoadedFName, dir.file("a.htm"));
    EXPECT_EQ(form.Memo1->toPlainText(), QString::fromUtf8("caf\xc3\xa9\nrestored"));
    EXPECT_TRUE(form.NeedsSave);
    EXPECT_TRUE(form.lNeedsSave->isVisible());
    EXPECT_FALSE(form.Memo1->ReadOnly());
    EXPECT_EQ(form.filesLB->currentIndex(), Row("a.htm"));
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "one\n");

    // Left: the running program's copy, the one for the lost folder, and a's
    // copy, now this program's. b's was discarded.
    std::vector<std::string> texts;
    for (const recovery::Entry& e : Entries()) {
        texts.push_back(e.text);
    }
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<std::string>{"caf\xe9\r\nrestored", "live", "nowhere\r\nelse"}));
    EXPECT_EQ(form.Recovery()->Store()->ClaimEnded().size(), 1u); // only the lost folder's
    form.Recovery()->Store()->ReleaseClaimed();

    // a changed on disk since its text was loaded: the switch asks first.
    std::string asked;
    TForm1::SetQuestionHook([&](const QString& text) {
        asked = text.toStdString();
        return true; // overwrite
    });
    Select("b.htm");
    TForm1::SetQuestionHook(nullptr);
    EXPECT_NE(asked.find(dir.file("a.htm")), std::string::npos) << asked;
    EXPECT_EQ(ReadFile(dir.file("a.htm")), "caf\xe9\rrestored"); // still Latin-1, still CR
    EXPECT_EQ(Entries().size(), 2u);
    EXPECT_TRUE(errors.empty());
}

// However many copies ended runs left, there is one question, and no
// descriptor is held for each while it is asked; unanswered, they are all
// there for the next start.
TEST_F(RecoveryTest, ManyCopiesAreOneQuestionHoldingNoDescriptorEach) {
    List({{"a.htm", "one"}});
    constexpr int kCopies = 1500;
    ASSERT_EQ(platform::MakePrivateDirectory(folder), 0);
    for (int i = 0; i < kCopies; ++i) {
        // Runs whose lock files are gone, as after a crash and a reboot.
        char run[40];
        std::snprintf(run, sizeof run, "%016x-%016x.entry", i + 1, i);
        recovery::Entry e;
        e.path = dir.file("page" + std::to_string(i) + ".htm");
        e.text = "typed " + std::to_string(i);
        e.copiedAtNs = int64_t(i) * 1000000000;
        WriteFile(folder + run, recovery::Header(e) + e.text);
    }
    const int before = test::OpenDescriptorCount();
    int during = -1;
    size_t asked = 0, listed = 0;
    TForm1::SetRecoveryQuestionHook([&](const QString&, const std::vector<QString>& lines) {
        ++asked;
        listed = lines.size();
        during = test::OpenDescriptorCount();
        return std::vector<TForm1::RecoveryAnswer>(lines.size(), TForm1::RecoveryAnswer::Later);
    });
    Start();
    EXPECT_EQ(asked, 1u);
    EXPECT_EQ(listed, size_t(kCopies));
    EXPECT_LT(during - before, 50) << "descriptors held while asking";
    EXPECT_FALSE(form.PaneHoldsLoadedFile) << "restored without a Restore";

    // Left for a later start, which finds them all again.
    int error = 0;
    const auto later = recovery::Store::Open(folder, &error);
    ASSERT_TRUE(later);
    const std::vector<recovery::Store::Found> found = later->ClaimEnded();
    ASSERT_EQ(found.size(), size_t(kCopies));
    EXPECT_EQ(found.front().entry.text, "typed 0");
    EXPECT_EQ(found.back().entry.text, "typed " + std::to_string(kCopies - 1));
    for (const recovery::Store::Found& copy : found) {
        later->Remove(copy.entryPath);
    }
    EXPECT_TRUE(errors.empty());
}

// The journal of the first edit after a load starts from the file itself;
// one after an edit undone again, or after a restored text, from its copy.
TEST_F(RecoveryTest, OnlyAnUneditedLoadedTextIsTheFileForItsJournal) {
    List({{"a.htm", "one\ntwo"}});
    Start();
    Select("a.htm");
    Type("x");
    // The base lines of the journals there are once the work asked for is done.
    const auto base = [&] {
        form.Recovery()->Flush();
        std::string lines;
        platform::ForEachEntry(folder, [&](std::string_view name) {
            if (name.ends_with(".journal")) {
                const std::string journal = ReadFile(folder + std::string(name));
                const size_t at = journal.find("\nbase ");
                lines += journal.substr(at + 1, journal.find('\n', at + 1) - at - 1) + ";";
            }
        });
        return lines;
    };
    EXPECT_EQ(base(), "base file 7;");
    form.SaveButtonClick();
    form.Memo1->undo();
    ASSERT_EQ(form.Memo1->toPlainText(), "one\ntwo");
    form.MarkChanged();
    EXPECT_EQ(base(), "base copy;");
}

} // namespace
} // namespace sheafpad
