// SPDX-License-Identifier: GPL-3.0-or-later
// The editor pane: file bytes in and out, the line and find operations, the
// key and context-menu events, and which changes count as the user's.
#include "widgets/rich_edit.h"

#include "base/errors.h"
#include "platform/memory.h"
#include "test_util.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace sheafpad {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::string Bytes(const QString& text) {
    return text.toStdString();
}

class RichEditTest : public ::testing::Test {
protected:
    // A loaded file's text as the program sees it: lines with CR LF.
    std::string LoadedLines(const std::string& bytes) {
        WriteFile(dir.file("f.htm"), bytes);
        pane.LoadTextFile(dir.file("f.htm"));
        return Bytes(pane.LinesText());
    }
    // Loads bytes and saves them back unchanged.
    std::string RoundTrip(const std::string& bytes) {
        WriteFile(dir.file("f.htm"), bytes);
        pane.LoadTextFile(dir.file("f.htm"));
        pane.SaveTextFile(dir.file("f.htm"));
        return ReadFile(dir.file("f.htm"));
    }
    void ShowFocused() {
        pane.show();
        QApplication::setActiveWindow(&pane);
        pane.setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&pane));
    }

    TempDir dir;
    TRichEdit pane;
};

TEST_F(RichEditTest, SavesEveryLineBreakAsTheFirstOneAndKeepsEveryOtherByte) {
    struct Row {
        std::string in, out;
    } rows[] = {
        {"a\nb\n", "a\nb\n"},
        {"a\rb\r", "a\rb\r"},
        {"a\r\nb", "a\r\nb"},
        {"a\n\rb", "a\n\nb"},   // LF CR: two breaks, the first an LF
        {"a\r\r\nb", "a\r\rb"}, // CR CR LF: two breaks, the first a CR
        {"a\nb\r\nc\rd", "a\nb\nc\nd"},
        {"a\r\nb\nc\rd", "a\r\nb\r\nc\r\nd"},
        {"x\r", "x\r"}, // a CR as the last byte is a break
        {"", ""},
        {"\xA0\xE9\xFF z", "\xA0\xE9\xFF z"},               // Latin-1: every byte as it was
        {"caf\xC3\xA9 \xC2\xA0.", "caf\xC3\xA9 \xC2\xA0."}, // UTF-8, no-break space kept
        {"\xEF\xBB\xBFhi\r\n", "\xEF\xBB\xBFhi\r\n"},       // a byte-order mark stays
        {"\xC3(", "\xC3("},                                 // invalid UTF-8
    };
    for (const Row& row : rows) {
        EXPECT_EQ(RoundTrip(row.in), row.out) << "input: " << row.in;
    }
    EXPECT_EQ(pane.toPlainText(), "\u00C3("); // Latin-1
    RoundTrip("\xEF\xBB\xBFhi\n");
    EXPECT_EQ(pane.toPlainText(), "hi\n") << "the mark is no part of the text";
    EXPECT_EQ(pane.Format(), (TextFormat{TextEncoding::Utf8, LineBreak::Lf, true}));
    // A file of many decode parts, whose memory goes back part by part, with
    // characters and CR LF falling on every kind of part end, after a mark.
    std::string big = "\xEF\xBB\xBF";
    for (int i = 0; big.size() < 1'100'000; ++i) {
        big += "caf\xC3\xA9 \xE2\x82\xAC\xF0\x9F\x98\x80 " + std::to_string(i) + "\r\n";
    }
    EXPECT_TRUE(RoundTrip(big) == big);
    EXPECT_TRUE(pane.toPlainText().startsWith("caf"));
}

TEST_F(RichEditTest, LoadDecodesUtf8AndLatin1AndSetsTheLimit) {
    WriteFile(dir.file("u.htm"), "caf\xC3\xA9");
    pane.LoadTextFile(dir.file("u.htm"));
    EXPECT_EQ(pane.toPlainText(), QString::fromUtf8("café"));
    EXPECT_EQ(pane.Encoding(), TextEncoding::Utf8);
    WriteFile(dir.file("l.htm"), "caf\xE9");
    pane.LoadTextFile(dir.file("l.htm"));
    EXPECT_EQ(pane.toPlainText(), QString::fromUtf8("café"));
    EXPECT_EQ(pane.Encoding(), TextEncoding::Latin1);
    EXPECT_EQ(pane.MaxLength(), 2147483632);
    EXPECT_EQ(pane.SelectionStart(), 0);
    EXPECT_TRUE(pane.ReadOnly()); // loading leaves the flag alone
}

TEST_F(RichEditTest, RefusedLoadsLeaveThePaneAsItWas) {
    pane.AppendLine("before");
    pane.SetSelectionStart(3);
    WriteFile(dir.file("nul.htm"), std::string("ab\0cd", 5));
    for (const std::string& path : {dir.file("nul.htm"), dir.file("missing.htm"), dir.path()}) {
        try {
            pane.LoadTextFile(path);
            ADD_FAILURE() << "loaded " << path;
        } catch (const EFOpenError& error) {
            EXPECT_NE(std::string(error.what()).find("Cannot open file \"" + path + "\". "),
                      std::string::npos)
                << error.what();
        }
        EXPECT_EQ(Bytes(pane.LinesText()), "before\r\n");
        EXPECT_EQ(pane.SelectionStart(), 3);
        EXPECT_EQ(pane.MaxLength(), TRichEdit::kInitialMaxLength);
    }
    // A gigabyte of NUL bytes is refused by its first piece: the rest is
    // never read into memory.
    test::WriteSparseFile(dir.file("zeros.htm"), "text", int64_t(1) << 30);
    for (const char* name : {"nul.htm", "zeros.htm"}) {
        const int64_t growth = test::PeakMemoryGrowth([&] {
            try {
                pane.LoadTextFile(dir.file(name));
                ADD_FAILURE() << "loaded " << name;
            } catch (const EFOpenError& error) {
                EXPECT_NE(std::string(error.what()).find("NUL"), std::string::npos);
            }
        });
        EXPECT_LT(growth, 64 << 20) << name;
    }
}

// A file larger than a quarter of the computer's memory is refused before
// it is read, its size named; a big page below that takes less than one and
// a half times its size while it loads, one byte a character.
TEST_F(RichEditTest, AFileTooLargeForMemoryIsRefusedAndABigPageTakesLittleMore) {
    const uint64_t memory = platform::PhysicalMemoryBytes();
    ASSERT_GT(memory, 0u);
    pane.AppendLine("before");
    test::WriteSparseFile(dir.file("huge.htm"), "text", int64_t(memory / 4 + (64 << 20)));
    const int64_t refused = test::PeakMemoryGrowth([&] {
        try {
            pane.LoadTextFile(dir.file("huge.htm"));
            ADD_FAILURE() << "loaded";
        } catch (const EFOpenError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find(" GB, more than a quarter of this computer's memory ("),
                      std::string::npos)
                << message;
            EXPECT_NE(message.find("), too large to open"), std::string::npos) << message;
        }
    });
    EXPECT_LT(refused, 64 << 20);
    EXPECT_EQ(Bytes(pane.LinesText()), "before\r\n");
    ::unlink(dir.file("huge.htm").c_str());

    std::string page;
    for (int line = 0; page.size() < (96u << 20); ++line) {
        page += "<p>line " + std::to_string(line) +
                " of a caf\xC3\xA9 page, as long as lines are</p>\r\n";
    }
    WriteFile(dir.file("big.htm"), page);
    const int64_t growth = test::PeakMemoryGrowth([&] { pane.LoadTextFile(dir.file("big.htm")); });
    EXPECT_LT(double(growth), 1.5 * double(page.size()));
    std::printf("a page of %zu MB: %.2f times its size while loading\n", page.size() >> 20,
                double(growth) / double(page.size()));
    const QString first =
        QString::fromUtf8("<p>line 0 of a caf\xC3\xA9 page, as long as lines are</p>\n");
    EXPECT_EQ(pane.Text(0, first.size()), first);
    pane.SaveTextFile(dir.file("again.htm"));
    EXPECT_TRUE(test::ReadFile(dir.file("again.htm")) == page) << "not saved back as it was";
}

TEST_F(RichEditTest, UnstorableCharacterFailsTheSaveBeforeTouchingTheFile) {
    WriteFile(dir.file("l.htm"), "price \xA3");
    pane.LoadTextFile(dir.file("l.htm"));
    pane.SetReadOnly(false);
    pane.Replace(pane.Length(), 0, QString::fromUtf8("€"), TextView::Origin::User);
    try {
        pane.SaveTextFile(dir.file("l.htm"));
        FAIL() << "saved";
    } catch (const EFCreateError& error) {
        const std::string message = error.what();
        EXPECT_EQ(message.rfind("Cannot create file \"" + dir.file("l.htm") + "\". ", 0), 0u);
        EXPECT_NE(message.find("€"), std::string::npos) << message;
    }
    EXPECT_EQ(ReadFile(dir.file("l.htm")), "price \xA3");
    EXPECT_EQ(pane.toPlainText(), QString::fromUtf8("price £€"));
}

TEST_F(RichEditTest, FailedSavesLeaveTheFileAndThePane) {
    WriteFile(dir.file("ro.htm"), "old");
    pane.LoadTextFile(dir.file("ro.htm"));
    pane.ReplaceSelection("new ");
    ::chmod(dir.file("ro.htm").c_str(), 0444);
    EXPECT_THROW(pane.SaveTextFile(dir.file("ro.htm")), EFCreateError);
    EXPECT_EQ(ReadFile(dir.file("ro.htm")), "old");
    EXPECT_THROW(pane.SaveTextFile(dir.file("no/such/dir.htm")), EFCreateError);
    EXPECT_THROW(pane.SaveTextFile("/dev/full"), Error);
    EXPECT_EQ(pane.toPlainText(), "new old");
}

TEST_F(RichEditTest, LinesTextEndsEveryLineWithCrLf) {
    EXPECT_EQ(Bytes(pane.LinesText()), "");
    EXPECT_EQ(pane.LinesTextLength(), 0);
    struct Row {
        QString text;
        std::string lines;
    } rows[] = {{"a\nb", "a\r\nb\r\n"}, {"a\n", "a\r\n"}, {"\n\n", "\r\n\r\n"}, {"x", "x\r\n"}};
    for (const Row& row : rows) {
        pane.setPlainText(row.text);
        EXPECT_EQ(Bytes(pane.LinesText()), row.lines);
        EXPECT_EQ(pane.LinesTextLength(), pane.LinesText().size());
    }
}

TEST_F(RichEditTest, AppendLineAddsLinesWhateverTheReadOnlyFlag) {
    ASSERT_TRUE(pane.ReadOnly());
    pane.AppendLine("a");
    pane.AppendLine("b");
    pane.AppendLine("c");
    EXPECT_EQ(Bytes(pane.LinesText()), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(pane.LineCount(), 4); // an empty last line after the final break
    pane.ClearText();
    pane.setPlainText("x");
    pane.AppendLine("a");
    EXPECT_EQ(pane.toPlainText(), "x\na");
    EXPECT_EQ(pane.SelectionStart(), 3);
}

TEST_F(RichEditTest, AppendLineBeyondTheLimitKeepsWhatFitsAndFails) {
    pane.SetMaxLength(10);
    pane.AppendLine("12345");
    try {
        pane.AppendLine("6789abc");
        FAIL() << "no error";
    } catch (const EOutOfResources& error) {
        EXPECT_STREQ(error.what(), "RichEdit line insertion error");
    }
    EXPECT_EQ(pane.toPlainText(), "12345\n6789");
}

TEST_F(RichEditTest, FindForwardIsCaseInsensitiveForwardAndNeverWraps) {
    pane.setPlainText("Cat catalog");
    const qsizetype all = pane.LinesTextLength();
    EXPECT_EQ(pane.FindForward("cat", 0, all), 0);
    EXPECT_EQ(pane.FindForward("cat", 1, all), 4);
    EXPECT_EQ(pane.FindForward("cat", 5, all), -1);
    EXPECT_EQ(pane.FindForward("cat", 11, all), -1);
    EXPECT_EQ(pane.FindForward("", 0, all), -1);
    EXPECT_EQ(pane.FindForward("catalogue", 4, all), -1);
    EXPECT_EQ(pane.FindForward("cat", 1, 4), -1); // the match must end within the span
    EXPECT_EQ(pane.FindForward("Cat", 1, all, TRichEdit::MatchCase), -1);
    EXPECT_EQ(pane.FindForward("cat", 1, all, TRichEdit::WholeWord), -1);
    pane.setPlainText("ab\ncd");
    EXPECT_EQ(pane.FindForward("b\r\nc", 0, 100), 1); // a break matches a break
}

TEST_F(RichEditTest, FindForwardMatchesLettersInEitherCase) {
    pane.setPlainText(QString::fromUtf8("<P>Ünïcode, 42 KELVIN, \u212Aelvin; tail<p"));
    const qsizetype all = pane.LinesTextLength();
    EXPECT_EQ(pane.FindForward("<p", 0, all), 0);
    EXPECT_EQ(pane.FindForward("<p", 1, all), 35);
    EXPECT_EQ(pane.FindForward(QString::fromUtf8("üNÏ"), 0, all), 3);
    EXPECT_EQ(pane.FindForward("42 k", 0, all), 12);
    EXPECT_EQ(pane.FindForward("kelvin;", 0, all), 23); // the Kelvin sign folds to k
    EXPECT_EQ(pane.FindForward("TAIL<P", 0, all), 31);
    EXPECT_EQ(pane.FindForward("TAIL<P>", 0, all), -1);
    // A search after an edit sees the edited text.
    pane.SetSelectionStart(0);
    pane.ReplaceSelection("zz");
    EXPECT_EQ(pane.FindForward("<p", 0, pane.LinesTextLength()), 2);
    pane.Replace(pane.Length(), 0, "ZZ", TextView::Origin::User);
    EXPECT_EQ(pane.FindForward("zz", 3, pane.LinesTextLength()), 39);
}

TEST_F(RichEditTest, SelectionReadAndReplacedInPaneUnits) {
    pane.setPlainText("one\ntwo");
    pane.SetSelection(1, 6);
    EXPECT_EQ(pane.SelectionStart(), 1);
    EXPECT_EQ(Bytes(pane.SelectedText()), "ne\r\ntw");
    pane.ReplaceSelection("X\r\nY");
    EXPECT_EQ(pane.toPlainText(), "oX\nYo");
    EXPECT_EQ(pane.SelectionStart(), 4);
    EXPECT_FALSE(pane.HasSelection());
    EXPECT_TRUE(pane.CanUndo()); // an edit as the user's (the menu's Cut and Paste)
    pane.ReplaceSelection(QString::fromLatin1("a\0b", 3));
    EXPECT_EQ(pane.toPlainText(), "oX\nYao");
    pane.SetSelectionStart(99);
    EXPECT_EQ(pane.SelectionStart(), 6);
}

TEST_F(RichEditTest, FontIsTheDesktopsFixedPitchOneAtItsSize) {
    const QFont desktop = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    EXPECT_TRUE(QFontInfo(pane.font()).fixedPitch());
    EXPECT_EQ(pane.font().pointSizeF(), desktop.pointSizeF());
    // A desktop whose fixed font is proportional, at 16 pt.
    QFont proportional(QStringLiteral("DejaVu Sans"));
    proportional.setPointSizeF(16);
    ASSERT_FALSE(QFontInfo(proportional).fixedPitch());
    const QFont fixed = TRichEdit::FixedPitchFont(proportional);
    EXPECT_TRUE(QFontInfo(fixed).fixedPitch());
    EXPECT_EQ(fixed.pointSizeF(), 16);
}

TEST_F(RichEditTest, ProgramEditsAreNotUserChanges) {
    QSignalSpy changes(&pane, &TRichEdit::userChangedText);
    WriteFile(dir.file("f.htm"), "text");
    pane.LoadTextFile(dir.file("f.htm"));
    pane.AppendLine("y");
    pane.ClearText();
    pane.setFont(QFont("Monospace", 14));
    pane.resize(50, 50);
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(RichEditTest, UserEditsAreReportedWhicheverWayTheyCome) {
    pane.SetReadOnly(false);
    ShowFocused();
    QSignalSpy changes(&pane, &TRichEdit::userChangedText);
    QTest::keyClick(&pane, Qt::Key_Space, Qt::NoModifier);
    EXPECT_EQ(changes.count(), 1);
    QTest::keyClick(&pane, Qt::Key_5, Qt::KeypadModifier);
    EXPECT_EQ(changes.count(), 2);
    QApplication::clipboard()->setText("pasted");
    QTest::keyClick(&pane, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(changes.count(), 3);
    EXPECT_EQ(pane.toPlainText(), " 5pasted");
    QTest::keyClick(&pane, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(changes.count(), 4);
    EXPECT_NE(pane.toPlainText(), " 5pasted");
}

TEST_F(RichEditTest, ShiftEnterAndPastedSeparatorsAreOrdinaryLineBreaks) {
    pane.SetReadOnly(false);
    ShowFocused();
    QTest::keyClicks(&pane, "a");
    QTest::keyClick(&pane, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(&pane, "b");
    auto* data = new QMimeData;
    data->setText(QString::fromUtf8("\u2028c\0d", 5));
    QApplication::clipboard()->setMimeData(data);
    pane.paste();
    EXPECT_EQ(pane.toPlainText(), "a\nb\nc");
    EXPECT_EQ(pane.LineCount(), 3);
}

TEST_F(RichEditTest, KeyDownComesFirstAndCanSwallowTheKey) {
    pane.SetReadOnly(false);
    ShowFocused();
    std::vector<int> keys;
    pane.OnKeyDown = [&](int& key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Control || key == Qt::Key_Alt) {
            return; // modifier keys are reported too; not looked at here
        }
        keys.push_back(key);
        if (key == Qt::Key_X) {
            key = 0;
        }
    };
    QTest::keyClick(&pane, Qt::Key_A);
    QTest::keyClick(&pane, Qt::Key_X);
    QTest::keyClick(&pane, Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(&pane, Qt::Key_F3);
    QTest::keyClick(&pane, Qt::Key_X, Qt::AltModifier);
    EXPECT_EQ(pane.toPlainText(), "a\t"); // Ctrl+Tab types a tab
    EXPECT_EQ(keys, (std::vector<int>{Qt::Key_A, Qt::Key_X, Qt::Key_Tab, Qt::Key_F3, Qt::Key_X}));
    pane.SetReadOnly(true);
    QTest::keyClick(&pane, Qt::Key_B);
    EXPECT_EQ(keys.back(), Qt::Key_B); // reported while read-only too
    EXPECT_EQ(pane.toPlainText(), "a\t");
}

TEST_F(RichEditTest, AltLettersTypeNothingButAltGrTypes) {
    pane.SetReadOnly(false);
    ShowFocused();
    std::vector<int> keys;
    pane.OnKeyDown = [&](int& key, Qt::KeyboardModifiers) { keys.push_back(key); };
    QTest::keyClick(&pane, Qt::Key_X, Qt::AltModifier);
    QTest::keyClick(&pane, Qt::Key_X, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(pane.toPlainText(), "");
    EXPECT_NE(std::find(keys.begin(), keys.end(), Qt::Key_X), keys.end()) << "still reported";
    // AltGr: a group switch on X11, Ctrl+Alt where the system reports it so.
    QTest::sendKeyEvent(QTest::Click, &pane, Qt::Key_E, QStringLiteral("\u20AC"),
                        Qt::GroupSwitchModifier);
    QTest::sendKeyEvent(QTest::Click, &pane, Qt::Key_Q, QStringLiteral("@"),
                        Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(pane.toPlainText(), "\u20AC@");
}

TEST_F(RichEditTest, ReadOnlyPaneMovesTheCaretAndSelectsWithTheKeyboard) {
    pane.setPlainText("abc\n\ndef");
    ASSERT_TRUE(pane.ReadOnly());
    QApplication::setCursorFlashTime(0); // a steady caret, to be seen below
    ShowFocused();
    std::vector<qsizetype> caretWhenReported;
    pane.OnKeyDown = [&](int& key, Qt::KeyboardModifiers) {
        if (key != Qt::Key_Shift) {
            caretWhenReported.push_back(pane.CaretPosition());
        }
    };
    QTest::keyClick(&pane, Qt::Key_Right);
    QTest::keyClick(&pane, Qt::Key_Right);
    QTest::keyClick(&pane, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(pane.SelectionStart(), 2);
    EXPECT_EQ(Bytes(pane.SelectedText()), "c");
    QTest::keyClick(&pane, Qt::Key_Down);
    EXPECT_EQ(pane.CaretPosition(), 4); // the empty line
    QTest::keyClick(&pane, Qt::Key_X);
    EXPECT_EQ(pane.toPlainText(), "abc\n\ndef");
    // Each key was reported before the pane acted on it.
    EXPECT_EQ(caretWhenReported, (std::vector<qsizetype>{0, 1, 2, 3, 4}));

    // The caret is drawn where nothing else is: at the start of the empty line.
    pane.SetSelectionStart(4);
    const QImage image = pane.viewport()->grab().toImage();
    const QRect caret = pane.cursorRect();
    int ink = 0;
    for (int y = caret.top(); y <= caret.bottom(); ++y) {
        for (int x = caret.left(); x <= caret.right() && x < image.width(); ++x) {
            ink += qGray(image.pixel(x, y)) < 128;
        }
    }
    EXPECT_GT(ink, 3);
    QApplication::setCursorFlashTime(1000);
}

TEST(RichEditFocusTest, TabMovesTheFocusUnreported) {
    QWidget window;
    auto* pane = new TRichEdit(&window);
    auto* next = new QPlainTextEdit(&window);
    pane->SetReadOnly(false);
    window.show();
    QApplication::setActiveWindow(&window);
    pane->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    int reported = 0;
    pane->OnKeyDown = [&](int&, Qt::KeyboardModifiers) { ++reported; };
    QTest::keyClick(pane, Qt::Key_Tab);
    EXPECT_EQ(reported, 0);
    EXPECT_TRUE(next->hasFocus());
    EXPECT_EQ(pane->toPlainText(), "");
}

TEST_F(RichEditTest, ContextRequestsFromMouseAndKeyboard) {
    pane.resize(300, 200);
    ShowFocused();
    std::vector<QPoint> requests;
    pane.OnContextPopup = [&](QPoint pos) { requests.push_back(pos); };
    QContextMenuEvent mouse(QContextMenuEvent::Mouse, QPoint(10, 20),
                            pane.viewport()->mapToGlobal(QPoint(10, 20)));
    QApplication::sendEvent(pane.viewport(), &mouse);
    QContextMenuEvent keyboard(QContextMenuEvent::Keyboard, QPoint(5, 5),
                               pane.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&pane, &keyboard);
    QTest::keyClick(&pane, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(requests, (std::vector<QPoint>{QPoint(10, 20), QPoint(-1, -1), QPoint(-1, -1)}));
}

} // namespace
} // namespace sheafpad
