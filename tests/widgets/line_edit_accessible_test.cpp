// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader gets from a single-line field: words and lines at
// once for a path (Qt's own interface loops on a text that begins with "/"),
// geometry that maps back to the same character, and edits that obey the
// field's read-only flag and go through its undo.
#include "widgets/line_edit_accessible.h"

#include <QAccessible>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace sheafpad {
namespace {

QString At(QAccessibleTextInterface* text, int offset, QAccessible::TextBoundaryType type) {
    int start = -3, end = -3;
    const QString found = text->textAtOffset(offset, type, &start, &end);
    return QStringLiteral("%1 [%2, %3)").arg(found).arg(start).arg(end);
}

TEST(LineEditAccessible, PathFieldAnswersGeometryRoundTripsAndEditsObeyTheField) {
    InstallLineEditAccessibility();
    QLineEdit edit(QStringLiteral("/home/ann/site"));
    edit.resize(300, 24);
    edit.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&edit));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&edit);
    ASSERT_NE(dynamic_cast<LineEditAccessible*>(iface), nullptr);
    QAccessibleTextInterface* text = iface->textInterface();
    ASSERT_NE(text, nullptr);

    EXPECT_EQ(At(text, 0, QAccessible::WordBoundary), "/ [0, 1)");
    EXPECT_EQ(At(text, 7, QAccessible::WordBoundary), "ann [6, 9)");
    EXPECT_EQ(At(text, 14, QAccessible::LineBoundary), "/home/ann/site [0, 14)");
    EXPECT_EQ(At(text, -1, QAccessible::CharBoundary), " [14, 14)");
    int start = -3, end = -3;
    EXPECT_EQ(text->textAfterOffset(3, QAccessible::LineBoundary, &start, &end), QString());
    EXPECT_EQ(iface->text(QAccessible::Value), edit.text());

    // Each character's rectangle leads back to it, with the caret anywhere.
    for (int caret : {0, 14}) {
        edit.setCursorPosition(caret);
        for (int offset : {0, 6, 13}) {
            const QRect rect = text->characterRect(offset);
            ASSERT_FALSE(rect.isEmpty()) << offset;
            EXPECT_EQ(text->offsetAtPoint(rect.center() - QPoint(rect.width() / 4, 0)), offset)
                << offset << " caret " << caret;
        }
    }

    QAccessibleEditableTextInterface* editable = iface->editableTextInterface();
    ASSERT_NE(editable, nullptr);
    editable->replaceText(6, 9, QStringLiteral("bob"));
    editable->insertText(-1, QStringLiteral("/x"));
    EXPECT_EQ(edit.text(), "/home/bob/site/x");
    edit.undo();
    edit.undo();
    EXPECT_EQ(edit.text(), "/home/ann/site");
    edit.setReadOnly(true);
    editable->deleteText(0, 5);
    EXPECT_EQ(edit.text(), "/home/ann/site");
    EXPECT_TRUE(iface->state().readOnly);
}

} // namespace
} // namespace sheafpad
