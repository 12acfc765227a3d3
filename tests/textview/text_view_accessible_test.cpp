// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader gets from the text view: the text by ranges and by
// words and lines, the caret, the selection, the geometry, edits made as the
// user's, and an event for every caret move, selection and change.
#include "textview/text_view_accessible.h"

#include "textview/text_view.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

namespace sheafpad {
namespace {

QAccessibleTextInterface* TextOf(TextView& view) {
    AttachAccessibility(&view);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&view);
    return iface ? iface->textInterface() : nullptr;
}

// An item as "text [start, end)", to compare in one go.
QString Item(const QString& text, int start, int end) {
    return QStringLiteral("%1 [%2, %3)").arg(text).arg(start).arg(end);
}

using ItemFn = QString (QAccessibleTextInterface::*)(int, QAccessible::TextBoundaryType, int*,
                                                     int*) const;
QString Item(QAccessibleTextInterface* text, ItemFn fn, int offset,
             QAccessible::TextBoundaryType type) {
    int start = -3, end = -3;
    const QString found = (text->*fn)(offset, type, &start, &end);
    return Item(found, start, end);
}

constexpr ItemFn kBefore = &QAccessibleTextInterface::textBeforeOffset;
constexpr ItemFn kAt = &QAccessibleTextInterface::textAtOffset;
constexpr ItemFn kAfter = &QAccessibleTextInterface::textAfterOffset;

TEST(TextViewAccessible, ReadsMovesSelectsAndEditsAsTheUser) {
    TextView view;
    view.resize(400, 300);
    // Lines start at 0, 14, 30 and 31; the length is 40.
    view.setPlainText(QStringLiteral("one two three\nfour. Five six.\n\nlast line"));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QAccessible::queryAccessibleInterface(&view); // whatever Qt made before
    AttachAccessibility(&view);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(iface, nullptr);
    QAccessibleTextInterface* text = iface->textInterface();
    QAccessibleEditableTextInterface* edit = iface->editableTextInterface();
    ASSERT_NE(text, nullptr);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::EditableText);
    EXPECT_TRUE(iface->state().editable && iface->state().multiLine && iface->state().focusable);
    EXPECT_EQ(bool(iface->state().focused), view.hasFocus());

    EXPECT_EQ(text->characterCount(), 40);
    EXPECT_EQ(text->text(4, 7), "two");
    EXPECT_EQ(text->text(31, -1), "last line");
    EXPECT_EQ(text->text(7, 4), "");

    view.SetCaret(5);
    EXPECT_EQ(text->cursorPosition(), 5);
    text->setCursorPosition(9);
    EXPECT_EQ(view.CaretPosition(), 9);
    text->setSelection(0, 20, 14);
    EXPECT_EQ(view.AnchorPosition(), 20);
    EXPECT_EQ(view.CaretPosition(), 14);
    int start = -3, end = -3;
    text->selection(0, &start, &end);
    EXPECT_EQ(Item(text->text(start, end), start, end), Item("four. ", 14, 20));
    EXPECT_EQ(text->selectionCount(), 1);
    text->removeSelection(0);
    EXPECT_EQ(text->selectionCount(), 0);
    EXPECT_EQ(view.CaretPosition(), 14);

    // Screen coordinates both ways.
    for (int offset : {2, 21, 35}) {
        const QRect rect = text->characterRect(offset);
        ASSERT_FALSE(rect.isEmpty()) << offset;
        EXPECT_EQ(rect, QRect(view.viewport()->mapToGlobal(view.PositionRect(offset).topLeft()),
                              view.PositionRect(offset).size()));
        EXPECT_EQ(text->offsetAtPoint(rect.center()), offset);
    }
    EXPECT_EQ(text->offsetAtPoint(view.mapToGlobal(QPoint(-5, -5))), -1);

    using QA = QAccessible;
    EXPECT_EQ(Item(text, kAt, 5, QA::WordBoundary), Item("two", 4, 7));
    EXPECT_EQ(Item(text, kBefore, 5, QA::WordBoundary), Item(" ", 3, 4));
    EXPECT_EQ(Item(text, kAfter, 5, QA::WordBoundary), Item(" ", 7, 8));
    EXPECT_EQ(Item(text, kAfter, 7, QA::WordBoundary), Item("three", 8, 13));
    EXPECT_EQ(Item(text, kAt, 22, QA::CharBoundary), Item("v", 22, 23));
    EXPECT_EQ(Item(text, kAt, 15, QA::SentenceBoundary), Item("four. ", 14, 20));
    EXPECT_EQ(Item(text, kAt, 16, QA::LineBoundary), Item("four. Five six.\n", 14, 30));
    EXPECT_EQ(Item(text, kBefore, 16, QA::LineBoundary), Item("one two three\n", 0, 14));
    EXPECT_EQ(Item(text, kAfter, 16, QA::LineBoundary), Item("\n", 30, 31));
    EXPECT_EQ(Item(text, kAt, 40, QA::LineBoundary), Item("last line", 31, 40));
    EXPECT_EQ(Item(text, kAt, -1, QA::ParagraphBoundary), Item("last line", 31, 40));
    EXPECT_EQ(Item(text, kAfter, 35, QA::LineBoundary), Item("", -1, -1));
    EXPECT_EQ(Item(text, kBefore, 0, QA::WordBoundary), Item("", -1, -1));
    EXPECT_EQ(Item(text, kBefore, 40, QA::WordBoundary), Item("line", 36, 40));
    EXPECT_EQ(Item(text, kAt, 40, QA::WordBoundary), Item("", 40, 40));

    // Edits are the user's, and refused while read-only.
    QSignalSpy userChanged(&view, &TextView::userChangedText);
    edit->insertText(0, QStringLiteral("zero "));
    edit->replaceText(5, 8, QStringLiteral("ONE"));
    edit->deleteText(40, 45);
    EXPECT_EQ(view.toPlainText().toStdString(), "zero ONE two three\nfour. Five six.\n\nlast");
    EXPECT_EQ(userChanged.count(), 3);
    view.setReadOnly(true);
    EXPECT_TRUE(iface->state().readOnly && !iface->state().editable);
    edit->insertText(0, QStringLiteral("x"));
    edit->deleteText(0, 4);
    EXPECT_EQ(view.toPlainText().toStdString(), "zero ONE two three\nfour. Five six.\n\nlast");
    EXPECT_EQ(userChanged.count(), 3);
}

// A minified script is one line of megabytes: it is read in pieces that
// follow each other and end after a space, words are found near the offset.
TEST(TextViewAccessible, ReadsALongLineInPieces) {
    TextView view;
    QString line;
    for (int i = 0; i < 30000; ++i) {
        line += QStringLiteral("word ");
    }
    view.setPlainText(line + QStringLiteral("\n") + QString(20000, QLatin1Char('x')));
    QAccessibleTextInterface* text = TextOf(view);
    ASSERT_NE(text, nullptr);

    QString joined;
    int pieces = 0, start = -3, end = -3;
    QString piece = text->textAtOffset(0, QAccessible::LineBoundary, &start, &end);
    while (start >= 0 && start < line.size() + 1) {
        ++pieces;
        ASSERT_EQ(start, joined.size());
        joined += piece;
        EXPECT_LE(end - start, TextViewAccessible::kLinePiece * 9 / 8);
        EXPECT_TRUE(piece.endsWith(' ') || end == line.size() + 1) << start;
        EXPECT_EQ(Item(text, kAt, (start + end) / 2, QAccessible::LineBoundary),
                  Item(piece, start, end));
        EXPECT_EQ(Item(text, kBefore, end, QAccessible::LineBoundary), Item(piece, start, end));
        piece = text->textAfterOffset(start, QAccessible::LineBoundary, &start, &end);
        ASSERT_LT(pieces, 100);
    }
    EXPECT_EQ(joined, line + '\n');
    EXPECT_GT(pieces, 30);
    EXPECT_EQ(start, line.size() + 1); // then the next line, also long, in pieces
    EXPECT_EQ(end - start, TextViewAccessible::kLinePiece);
    const QString last = text->textAtOffset(-1, QAccessible::LineBoundary, &start, &end);
    EXPECT_TRUE(end == text->characterCount() && !last.isEmpty() && last.size() == end - start);

    EXPECT_EQ(Item(text, kAt, 75002, QAccessible::WordBoundary), Item("word", 75000, 75004));
    EXPECT_EQ(Item(text, kAfter, 75002, QAccessible::WordBoundary), Item(" ", 75004, 75005));
    // A word longer than the search reaches comes in parts around the offset.
    const int inWord = line.size() + 1 + 10000;
    const QString part = text->textAtOffset(inWord, QAccessible::WordBoundary, &start, &end);
    EXPECT_TRUE(start <= inWord && inWord < end && part == QString(end - start, 'x'))
        << start << " " << end;
}

// One sent event, what a bridge would read from it.
struct Sent {
    QAccessible::Event type;
    int a = -1, b = -1; // the caret, a selection's ends or a change's position
    QString text = {};
    bool operator==(const Sent&) const = default;
};
using Events = std::vector<Sent>;

std::ostream& operator<<(std::ostream& out, const Sent& sent) {
    return out << "{" << int(sent.type) << ", " << sent.a << ", " << sent.b << ", \""
               << sent.text.toStdString() << "\"}";
}

class EventCapture {
public:
    explicit EventCapture(QObject* from) { Start(from); }
    ~EventCapture() { SetAccessibilityEventHook(nullptr); }
    void Start(QObject* from) {
        SetAccessibilityEventHook([this, from](QAccessibleEvent& event) {
            EXPECT_EQ(event.object(), from);
            switch (event.type()) {
            case QAccessible::TextCaretMoved:
                sent.push_back({event.type(),
                                static_cast<QAccessibleTextCursorEvent&>(event).cursorPosition()});
                break;
            case QAccessible::TextSelectionChanged: {
                auto& e = static_cast<QAccessibleTextSelectionEvent&>(event);
                sent.push_back({event.type(), e.selectionStart(), e.selectionEnd()});
                break;
            }
            case QAccessible::TextInserted: {
                auto& e = static_cast<QAccessibleTextInsertEvent&>(event);
                sent.push_back({event.type(), e.changePosition(), -1, e.textInserted()});
                break;
            }
            case QAccessible::TextRemoved: {
                auto& e = static_cast<QAccessibleTextRemoveEvent&>(event);
                sent.push_back({event.type(), e.changePosition(), -1, e.textRemoved()});
                break;
            }
            default:
                sent.push_back({event.type()});
            }
        });
    }
    // The events of one kind, taken out of the list.
    Events Take(QAccessible::Event type) {
        Events taken;
        std::erase_if(sent, [&](const Sent& s) {
            return s.type == type ? (taken.push_back(s), true) : false;
        });
        return taken;
    }

    Events sent;
};

TEST(TextViewAccessible, SendsCaretSelectionAndChangeEventsOnce) {
    TextView view;
    view.setPlainText(QStringLiteral("hello world"));
    EventCapture capture(&view);
    // A tool that finds the view gets its events.
    InstallTextViewAccessibility();
    QAccessible::queryAccessibleInterface(&view);
    using QA = QAccessible;
    view.SetCaret(1);
    EXPECT_EQ(capture.Take(QA::TextCaretMoved), (Events{{QA::TextCaretMoved, 1}}));
    AttachAccessibility(&view);
    AttachAccessibility(&view); // no second set of events

    view.SetCaret(3);
    EXPECT_EQ(capture.Take(QA::TextCaretMoved), (Events{{QA::TextCaretMoved, 3}}));
    view.SetSelection(2, 7);
    EXPECT_EQ(capture.Take(QA::TextSelectionChanged), (Events{{QA::TextSelectionChanged, 2, 7}}));
    capture.sent.clear();

    // A replacement: the removed text as it was, then the new one.
    view.Replace(6, 5, QStringLiteral("there"), TextView::Origin::User);
    EXPECT_EQ(capture.Take(QA::TextRemoved), (Events{{QA::TextRemoved, 6, -1, "world"}}));
    EXPECT_EQ(capture.Take(QA::TextInserted), (Events{{QA::TextInserted, 6, -1, "there"}}));
    view.undo();
    EXPECT_EQ(capture.Take(QA::TextRemoved), (Events{{QA::TextRemoved, 6, -1, "there"}}));
    EXPECT_EQ(capture.Take(QA::TextInserted), (Events{{QA::TextInserted, 6, -1, "world"}}));

    // Nobody listening: nothing sent; listening again, a change that was
    // missed meanwhile never gives stale text (spaces stand for it).
    SetAccessibilityEventHook(nullptr);
    view.Replace(0, 5, QStringLiteral("HELLO"), TextView::Origin::User);
    capture.sent.clear();
    capture.Start(&view);
    view.Replace(0, 5, QStringLiteral("howdy"), TextView::Origin::Program);
    EXPECT_EQ(capture.Take(QA::TextRemoved), (Events{{QA::TextRemoved, 0, -1, "     "}}));
    view.Replace(0, 1, QString(), TextView::Origin::User);
    EXPECT_EQ(capture.Take(QA::TextRemoved), (Events{{QA::TextRemoved, 0, -1, "h"}}));
}

} // namespace
} // namespace sheafpad
