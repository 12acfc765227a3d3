// SPDX-License-Identifier: GPL-3.0-or-later
// The text view: long lines laid out a chunk at a time, caret moves across
// chunks and rows, undo, the mouse, input methods, drops and scrolling.
#include "textview/text_view.h"

#include <QApplication>
#include <QFontDatabase>
#include <QImage>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace sheafpad {
namespace {

// Words separated by spaces, length characters in all, on one line.
QString OneLine(qsizetype length) {
    QString text;
    text.reserve(length);
    for (int i = 0; text.size() < length; ++i) {
        text += QStringLiteral("word%1 ").arg(i % 1000);
    }
    text.truncate(length);
    return text;
}

class TextViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(400, 300);
        view.show();
        QApplication::setActiveWindow(&view);
        view.setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    }
    // The caret is shown, and a click on it puts it back where it is.
    void ExpectCaretShownAndHit() {
        const QRect caret = view.cursorRect();
        ASSERT_FALSE(caret.isNull()) << "caret " << view.CaretPosition() << " not shown";
        EXPECT_TRUE(view.viewport()->rect().contains(caret));
        EXPECT_EQ(view.PositionAt(caret.center()), view.CaretPosition());
    }

    TextView view;
};

TEST_F(TextViewTest, LongLineIsLaidOutOnlyWhereShownAndEditedThere) {
    const qsizetype length = 2'000'000;
    view.setPlainText(OneLine(length));
    QApplication::processEvents();
    // The first chunk, shown, and the last with the one before it (where the
    // scroll bar's end shows), at two widths: the scroll bar comes in between.
    const qint64 afterOpen = view.LayoutsMade();
    EXPECT_LE(afterOpen, 6) << "more than the shown chunks were laid out";

    // Into the middle of the line: the caret is scrolled into view.
    view.SetCaret(length / 2);
    QApplication::processEvents();
    ExpectCaretShownAndHit();
    const qint64 beforeKeys = view.LayoutsMade();
    QTest::keyClicks(&view, "abc");
    QApplication::processEvents();
    EXPECT_EQ(view.Text(length / 2, 3), "abc");
    EXPECT_EQ(view.CaretPosition(), length / 2 + 3);
    EXPECT_LE(view.LayoutsMade() - beforeKeys, 3 * 4) << "a key laid out more than its chunks";
    ExpectCaretShownAndHit();

    // Right moves one position at a time across chunk starts; Down then Up
    // comes back to the same place; Home and End stay on the caret's row.
    view.SetCaret(8190);
    for (qsizetype expected = 8191; expected < 8200 + 80; ++expected) {
        QTest::keyClick(&view, Qt::Key_Right);
        ASSERT_EQ(view.CaretPosition(), expected);
    }
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(&view, Qt::Key_Down);
    }
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(&view, Qt::Key_Up);
    }
    EXPECT_EQ(view.CaretPosition(), 8200 + 79);
    const int y = view.cursorRect().y();
    QTest::keyClick(&view, Qt::Key_End);
    EXPECT_EQ(view.cursorRect().y(), y);
    EXPECT_GT(view.CaretPosition(), 8200 + 79);
    QTest::keyClick(&view, Qt::Key_Home);
    EXPECT_EQ(view.cursorRect().y(), y);
    EXPECT_LE(view.CaretPosition(), 8200 + 79);

    // The end of the text, and back to its start.
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(view.CaretPosition(), view.Length());
    ExpectCaretShownAndHit();
    EXPECT_EQ(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
    QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(view.FirstShownPosition(), 0);
    EXPECT_EQ(view.verticalScrollBar()->value(), 0);
}

TEST_F(TextViewTest, UndoStepsAreRunsOfOneKindOfEditAndProgramEditsClearTheHistory) {
    QSignalSpy user(&view, &TextView::userChangedText);
    // A key pressed at a time on the key events' clock (ms).
    auto press = [&](Qt::Key key, const QString& text, ulong time) {
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, key, Qt::NoModifier, text);
            event.setTimestamp(time);
            QApplication::sendEvent(&view, &event);
        }
    };
    press(Qt::Key_Space, " ", 0);
    press(Qt::Key_Space, " ", 10);
    press(Qt::Key_A, "a", 20);
    press(Qt::Key_Return, "\r", 30); // the new line keeps the indent
    press(Qt::Key_C, "c", 40);
    press(Qt::Key_D, "d", 50);
    press(Qt::Key_E, "e", 1100); // after a pause
    press(Qt::Key_Backspace, "", 1110);
    press(Qt::Key_Backspace, "", 1120);
    QTest::keyClick(&view, Qt::Key_Home); // to the c after the indent
    EXPECT_EQ(view.CaretPosition(), 6);
    QTest::keyClick(&view, Qt::Key_Home); // and from there to the line's start
    press(Qt::Key_Delete, "", 1130);
    press(Qt::Key_Delete, "", 1140);
    EXPECT_EQ(view.toPlainText(), "  a\nc");
    EXPECT_EQ(user.count(), 11);
    // Each undo takes back one run, and redo gives them back in turn.
    const QString steps[] = {"  a\n  c", "  a\n  cde", "  a\n  cd", "  a\n  ", ""};
    for (const QString& text : steps) {
        view.undo();
        EXPECT_EQ(view.toPlainText(), text);
    }
    EXPECT_FALSE(view.CanUndo());
    for (int i = int(std::size(steps)) - 2; i >= 0; --i) {
        view.redo();
        EXPECT_EQ(view.toPlainText(), steps[i]);
    }
    view.redo();
    EXPECT_EQ(view.toPlainText(), "  a\nc");
    EXPECT_EQ(user.count(), 21);

    view.Replace(0, 1, "X\r\nY", TextView::Origin::Program);
    EXPECT_EQ(view.toPlainText(), "X\nY a\nc");
    EXPECT_FALSE(view.CanUndo());
    EXPECT_EQ(user.count(), 21);
    view.setReadOnly(true);
    QTest::keyClicks(&view, "z");
    QTest::keyClick(&view, Qt::Key_Backspace);
    EXPECT_EQ(view.toPlainText(), "X\nY a\nc");
}

TEST_F(TextViewTest, KeysMoveAndTabsStandAsOnThisDesktop) {
    view.setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view.setPlainText("abcdef\n\tx\n    y\nab\tz");
    // Left and Right first collapse a selection, whichever end the caret is at.
    view.SetSelection(2, 5);
    QTest::keyClick(&view, Qt::Key_Left);
    EXPECT_EQ(view.CaretPosition(), 2);
    EXPECT_FALSE(view.HasSelection());
    view.SetSelection(5, 2);
    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_EQ(view.CaretPosition(), 5);
    EXPECT_FALSE(view.HasSelection());
    // Up on the first row goes to the start, Down on the last to the end,
    // selecting with Shift.
    view.SetCaret(3);
    QTest::keyClick(&view, Qt::Key_Up);
    EXPECT_EQ(view.CaretPosition(), 0);
    view.SetCaret(view.Length() - 2);
    QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(view.SelectedPlainText(), "\tz");
    // Tab stops every four columns: x, y and z stand in one column.
    const int x = view.PositionRect(view.toPlainText().indexOf('x')).x();
    EXPECT_EQ(view.PositionRect(view.toPlainText().indexOf('y')).x(), x);
    EXPECT_EQ(view.PositionRect(view.toPlainText().indexOf('z')).x(), x);
    EXPECT_EQ(view.PositionRect(4).x(), x); // the fifth, as e in abcdef
}

TEST_F(TextViewTest, ZoomKeepsTheCaretsRowAndLaysOutOnlyWhatIsShown) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(10);
    view.SetBaseFont(font);
    QString text;
    for (int i = 0; i < 400; ++i) {
        text += QStringLiteral("ligne %1 : café, crème et thé\n").arg(i);
    }
    view.setPlainText(text);
    view.ShowFromPosition(text.indexOf("ligne 190 "));
    view.SetCaret(text.indexOf("ligne 200 ")); // in the middle of the view
    QApplication::processEvents();
    auto caretRow = [&] {
        const QRect caret = view.cursorRect();
        return caret.isNull() ? -1 : caret.center().y() / caret.height();
    };
    const int row = caretRow();
    ASSERT_GT(row, 2);
    auto zoom = [&](Qt::Key key, Qt::KeyboardModifiers modifiers, qreal size) {
        const qint64 before = view.LayoutsMade();
        QTest::keyClick(&view, key, modifiers);
        QApplication::processEvents();
        EXPECT_EQ(view.font().pointSizeF(), size) << "key " << key;
        EXPECT_LE(view.LayoutsMade() - before, view.VisibleRows() + 2) << "key " << key;
        EXPECT_EQ(caretRow(), row) << "key " << key;
        ExpectCaretShownAndHit();
    };
    zoom(Qt::Key_Plus, Qt::ControlModifier, 11);
    zoom(Qt::Key_Equal, Qt::ControlModifier, 12);
    zoom(Qt::Key_Minus, Qt::ControlModifier, 11);
    zoom(Qt::Key_0, Qt::ControlModifier, 10);
    // The wheel with Ctrl zooms by its notches; without, it scrolls.
    const QPoint middle = view.viewport()->rect().center();
    QWheelEvent wheel(middle, view.viewport()->mapToGlobal(middle), {}, {0, -240}, Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &wheel);
    EXPECT_EQ(view.font().pointSizeF(), 8);
    EXPECT_EQ(caretRow(), row);
    ExpectCaretShownAndHit();
}

TEST_F(TextViewTest, MouseSelectsCharactersWordsAndLines) {
    view.setPlainText("alpha beta gamma\nsecond line");
    const QRect beta = view.PositionRect(7);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, beta.topLeft() + QPoint(1, 2));
    EXPECT_EQ(view.CaretPosition(), 7);
    const QPoint start = view.PositionRect(0).topLeft() + QPoint(1, 2);
    const QPoint end = view.PositionRect(20).topLeft() + QPoint(1, 2);
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, start);
    QTest::mouseMove(view.viewport(), end);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, end);
    EXPECT_EQ(view.SelectedPlainText(), "alpha beta gamma\nsec");
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, start);
    EXPECT_EQ(view.SelectionStart(), 0);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, beta.center());
    EXPECT_EQ(view.SelectedPlainText(), "beta");
    // A third click soon after a double-click selects the whole line.
    struct Clock : QObject {
        quint64 doubleClick = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::MouseButtonDblClick) {
                doubleClick = static_cast<QMouseEvent*>(event)->timestamp();
            }
            return false;
        }
    } clock;
    view.viewport()->installEventFilter(&clock);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, end);
    QMouseEvent third(QEvent::MouseButtonPress, end, view.viewport()->mapToGlobal(end),
                      Qt::LeftButton, Qt::LeftButton, {});
    third.setTimestamp(clock.doubleClick + 100);
    QApplication::sendEvent(view.viewport(), &third);
    EXPECT_EQ(view.SelectedPlainText(), "second line");
}

TEST_F(TextViewTest, InputMethodsAndDropsEditAsTheUser) {
    view.setPlainText("ab");
    view.SetCaret(1);
    QSignalSpy user(&view, &TextView::userChangedText);
    QInputMethodEvent compose(QStringLiteral("ni"), {});
    QApplication::sendEvent(&view, &compose);
    EXPECT_EQ(view.toPlainText(), "ab"); // composing changes nothing yet
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("你"));
    QApplication::sendEvent(&view, &commit);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("a你b"));
    EXPECT_EQ(view.CaretPosition(), 2);
    EXPECT_EQ(view.inputMethodQuery(Qt::ImSurroundingText).toString(), QStringLiteral("a你b"));
    EXPECT_EQ(user.count(), 1);

    QMimeData data;
    data.setText("X\r\nY");
    const QPoint at = view.PositionRect(0).topLeft() + QPoint(0, 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(view.viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(view.viewport(), &drop);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("X\nYa你b"));
    EXPECT_EQ(user.count(), 2);
    view.undo();
    EXPECT_EQ(view.toPlainText(), QStringLiteral("a你b"));
}

// Edits repaint only the rows they change: what the screen holds afterwards
// must be what a paint of the whole view gives.
TEST_F(TextViewTest, PartialRepaintsLeaveWhatAFullPaintShows) {
    QApplication::setCursorFlashTime(0); // a steady caret
    QString text;
    for (int i = 0; i < 12; ++i) {
        text +=
            QStringLiteral("row %1 of words that wrap at the view's width, more words\n").arg(i);
    }
    view.setPlainText(text);
    QApplication::processEvents();
    auto onScreen = [&] {
        QApplication::processEvents();
        const QPoint origin = view.viewport()->mapToGlobal(QPoint(0, 0));
        return view.screen()
            ->grabWindow(0, origin.x(), origin.y(), view.viewport()->width(),
                         view.viewport()->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    auto painted = [&] {
        return view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    view.SetCaret(view.Text(0, 200).indexOf("wrap") + 2);
    const struct {
        Qt::Key key;
        int repeat;
    } steps[] = {{Qt::Key_X, 12},
                 {Qt::Key_Backspace, 30},
                 {Qt::Key_Down, 1},
                 {Qt::Key_Delete, 25},
                 {Qt::Key_Space, 40}};
    for (const auto& step : steps) {
        for (int i = 0; i < step.repeat; ++i) {
            QTest::keyClick(&view, step.key);
        }
        const QImage shown = onScreen();
        ASSERT_FALSE(shown.isNull());
        ASSERT_EQ(shown, painted()) << "stale pixels after key " << step.key;
    }
    QApplication::setCursorFlashTime(1000);
}

TEST_F(TextViewTest, ScrollBarReachesEveryLineAndFollowsEdits) {
    QString text;
    for (int i = 0; i < 3000; ++i) {
        text += QStringLiteral("line %1\n").arg(i);
    }
    view.setPlainText(text + OneLine(50'000));
    QScrollBar* bar = view.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 3000);
    bar->setValue(1500);
    const qsizetype middle = view.FirstShownPosition();
    EXPECT_EQ(view.Text(middle, 10), "line 1500\n");
    bar->setValue(bar->maximum());
    EXPECT_FALSE(view.PositionRect(view.Length()).isNull()) << "the end is not shown";
    // Lines inserted above the top keep the same text at the top.
    const qsizetype top = view.FirstShownPosition();
    const QString shown = view.Text(top, 20);
    view.Replace(0, 0, "new\nlines\n", TextView::Origin::Program);
    EXPECT_EQ(view.Text(view.FirstShownPosition(), 20), shown);
    bar->setValue(0);
    EXPECT_EQ(view.FirstShownPosition(), 0);
}

} // namespace
} // namespace sheafpad

namespace sheafpad {
namespace {

TEST_F(TextViewTest, GutterFollowsTheLineCountAndHighlightsFollowEditsUntilAKey) {
    // Two digits at least; a digit more for a thousand lines, and back.
    view.setPlainText(QStringLiteral("a\nb"));
    const int two = view.GutterWidth();
    ASSERT_GT(two, 0);
    EXPECT_EQ(view.viewport()->geometry().left() - view.contentsRect().left(), two);
    view.setPlainText(QString(999, u'\n'));
    EXPECT_GT(view.GutterWidth(), two);
    const int four = view.GutterWidth();
    view.Replace(0, 10, QString(), TextView::Origin::User); // 990 lines: three digits
    EXPECT_LT(view.GutterWidth(), four);
    EXPECT_GT(view.GutterWidth(), two);
    view.SetLineNumbers(false);
    EXPECT_EQ(view.GutterWidth(), 0);
    EXPECT_EQ(view.viewport()->geometry().left(), view.contentsRect().left());
    view.SetLineNumbers(true);

    // A highlight moves with text typed before it and goes at the next key;
    // a lone Shift does not take it away.
    view.setPlainText(QStringLiteral("one two one"));
    view.SetHighlight(TextView::Highlight::Found, {{4, 7}});
    view.SetOccurrences(QStringLiteral("ONE"));
    view.Replace(0, 0, QStringLiteral(">>"), TextView::Origin::Program);
    EXPECT_EQ(view.Highlighted(TextView::Highlight::Found), (std::vector<TextRange>{{6, 9}}));
    view.Replace(7, 1, QStringLiteral("W"), TextView::Origin::Program); // inside it: kept, smaller
    EXPECT_EQ(view.Highlighted(TextView::Highlight::Found), (std::vector<TextRange>{{6, 9}}));
    view.Replace(5, 3, QString(), TextView::Origin::Program); // most of it: what is left
    EXPECT_EQ(view.Highlighted(TextView::Highlight::Found), (std::vector<TextRange>{{5, 6}}));
    QTest::keyClick(&view, Qt::Key_Shift);
    EXPECT_FALSE(view.Highlighted(TextView::Highlight::Found).empty());
    EXPECT_EQ(view.Occurrences(), "ONE");
    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_TRUE(view.Highlighted(TextView::Highlight::Found).empty());
    EXPECT_TRUE(view.Occurrences().isEmpty());
    // A click takes it away too.
    view.SetHighlight(TextView::Highlight::Found, {{0, 2}});
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.PositionRect(3).center());
    EXPECT_TRUE(view.Highlighted(TextView::Highlight::Found).empty());
}

TEST_F(TextViewTest, OverwriteReplacesUpToTheLineEndAndUnwrappedRowsScrollSideways) {
    view.setPlainText(QStringLiteral("ab\ncd"));
    QSignalSpy toggled(&view, &TextView::overwriteChanged);
    QTest::keyClick(&view, Qt::Key_Insert);
    ASSERT_TRUE(view.Overwrite());
    EXPECT_EQ(toggled.count(), 1);
    QTest::keyClicks(&view, QStringLiteral("xyz")); // the third goes in before the break
    EXPECT_EQ(view.toPlainText(), "xyz\ncd");
    QTest::keyClick(&view, Qt::Key_Return); // a line break is never typed over
    EXPECT_EQ(view.toPlainText(), "xyz\n\ncd");
    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view.toPlainText(), "ab\ncd");
    QTest::keyClick(&view, Qt::Key_Insert);
    EXPECT_FALSE(view.Overwrite());

    // Unwrapped, a line wider than the view is one row, and the view
    // scrolls sideways to keep the caret shown; wrapped again, no bar.
    const QString line = OneLine(3000);
    view.setPlainText(line + QStringLiteral("\nend"));
    view.SetWordWrap(false);
    QApplication::processEvents();
    EXPECT_TRUE(view.horizontalScrollBar()->isVisible());
    EXPECT_EQ(view.PositionRect(line.size() + 1).top(),
              view.PositionRect(0).top() + view.PositionRect(0).height());
    view.SetCaret(2900);
    EXPECT_GT(view.HorizontalOffset(), 0);
    ExpectCaretShownAndHit();
    view.SetCaret(0);
    EXPECT_EQ(view.HorizontalOffset(), 0);
    view.SetWordWrap(true);
    QApplication::processEvents();
    EXPECT_FALSE(view.horizontalScrollBar()->isVisible());
}

TEST_F(TextViewTest, UnwrappedLineOfManyChunksIsOneRow) {
    // A fixed font, whose characters all have the width of an 'x'.
    view.SetBaseFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const qreal charWidth = QFontMetricsF(view.font()).horizontalAdvance(QChar(u'x'));
    const qsizetype length = 40'000, start = 6, end = start + length; // ten chunks
    view.setPlainText(QStringLiteral("first\n") + OneLine(length) +
                      QStringLiteral("\nthird\nfourth"));
    view.SetWordWrap(false);
    QApplication::processEvents();
    const int top = view.PositionRect(0).top(), rowHeight = view.PositionRect(0).height();
    auto rowOf = [&](qsizetype pos) { return (view.PositionRect(pos).top() - top) / rowHeight; };
    EXPECT_EQ(rowOf(end + 1), 2) << "the long line took more than one row";
    EXPECT_EQ(rowOf(end + 7), 3);
    ASSERT_TRUE(view.LineNumbers());
    view.viewport()->repaint();
    QApplication::processEvents();
    std::vector<qsizetype> numbered;
    for (const auto& [y, line] : view.NumberedRows()) {
        EXPECT_EQ(y - view.NumberedRows().front().first, int(line) * rowHeight);
        numbered.push_back(line);
    }
    EXPECT_EQ(numbered, (std::vector<qsizetype>{0, 1, 2, 3}));

    // Down goes to the next line, End to its end on the same row, shown far
    // to the right; Down and Up keep the column.
    view.SetCaret(2);
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(view.CaretPosition(), start + 2);
    QTest::keyClick(&view, Qt::Key_End);
    EXPECT_EQ(view.CaretPosition(), end);
    EXPECT_EQ(rowOf(end), 1);
    EXPECT_NEAR(view.HorizontalOffset(), length * charWidth, view.width());
    ASSERT_NO_FATAL_FAILURE(ExpectCaretShownAndHit());
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(view.CaretPosition(), end + 6); // the end of the short line below
    QTest::keyClick(&view, Qt::Key_Up);
    EXPECT_EQ(view.CaretPosition(), end);

    // Right and Left step one position at a time across a chunk's start, the
    // caret moving right on the same row; Home goes back to the line's start.
    const qsizetype seam = start + 4 * 4096;
    view.SetCaret(seam - 3);
    qreal x = view.cursorRect().left();
    for (qsizetype expected = seam - 2; expected <= seam + 3; ++expected) {
        QTest::keyClick(&view, Qt::Key_Right);
        ASSERT_EQ(view.CaretPosition(), expected);
        EXPECT_EQ(rowOf(expected), 1);
        EXPECT_NEAR(view.cursorRect().left() - x, charWidth, 1.5);
        x = view.cursorRect().left();
    }
    for (qsizetype expected = seam + 2; expected >= seam - 2; --expected) {
        QTest::keyClick(&view, Qt::Key_Left);
        ASSERT_EQ(view.CaretPosition(), expected);
    }
    // The find's highlight across the chunk's start is drawn on both sides.
    view.SetCaret(seam + 10);
    view.SetHighlight(TextView::Highlight::Found, {{size_t(seam - 3), size_t(seam + 3)}});
    const QImage shown = view.viewport()->grab().toImage();
    auto groundAt = [&](qsizetype pos) {
        const QRect rect = view.PositionRect(pos);
        return shown.pixel(rect.center().x(), rect.top() + 1);
    };
    EXPECT_EQ(groundAt(seam - 2), groundAt(seam + 2));
    EXPECT_NE(groundAt(seam + 2), groundAt(seam + 6));
    view.ClearFindMarks();
    QTest::keyClick(&view, Qt::Key_Home); // to the first non-blank, the start
    EXPECT_EQ(view.CaretPosition(), start);
    EXPECT_EQ(view.HorizontalOffset(), 0);

    // Scrolled to the middle of the row, only the chunks shown are laid out,
    // and a click near the right edge puts the caret at the column under it.
    const qint64 laidBefore = view.LayoutsMade();
    QScrollBar* bar = view.horizontalScrollBar();
    bar->setValue(bar->maximum() / 2);
    view.viewport()->repaint();
    EXPECT_LE(view.LayoutsMade() - laidBefore, 4) << "chunks laid out that are not shown";
    const QPoint far(view.viewport()->width() - 10, view.PositionRect(start).center().y());
    const qreal column = (view.HorizontalOffset() + far.x() - 4) / charWidth; // 4: the margin
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, far);
    EXPECT_NEAR(qreal(view.CaretPosition() - start), column, 1.0);
    EXPECT_EQ(rowOf(view.CaretPosition()), 1);
    // A drag to the left selects on the same row.
    const QPoint mid(view.viewport()->width() / 2, far.y());
    const QPoint left = mid - QPoint(int(20 * charWidth), 0);
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, mid);
    QTest::mouseMove(view.viewport(), left);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, left);
    EXPECT_NEAR(qreal(view.AnchorPosition() - view.CaretPosition()), 20, 1.0);
    EXPECT_EQ(rowOf(view.CaretPosition()), 1);

    // Wrapped again, the long line takes many rows.
    view.SetWordWrap(true);
    QApplication::processEvents();
    view.SetCaret(0);
    EXPECT_GT(view.PositionRect(start + 200).top(), view.PositionRect(start).top());

    // Unwrapped, a chunk never starts between the halves of a pair: the
    // caret steps over the pair whole.
    QString paired = OneLine(5000);
    paired[4095] = QChar(0xD83D);
    paired[4096] = QChar(0xDE00);
    view.setPlainText(paired);
    view.SetWordWrap(false);
    view.SetCaret(4095);
    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_EQ(view.CaretPosition(), 4097);
    QTest::keyClick(&view, Qt::Key_Left);
    EXPECT_EQ(view.CaretPosition(), 4095);
}

} // namespace
} // namespace sheafpad
