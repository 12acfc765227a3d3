// The mirror must equal the document's raw text after any edit whatsoever:
// a wrong patch would be written into the user's file.
#include "widgets/text_mirror.h"

#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

using sheafpad::TextMirror;

namespace {

QString RandomText(QRandomGenerator& random, int maxLength) {
    static const QString alphabet = QStringLiteral("ab c\n\u00E9\u20AC\u00A0\u2029");
    QString text;
    const int length = random.bounded(maxLength + 1);
    for (int i = 0; i < length; ++i) {
        text += alphabet[random.bounded(int(alphabet.size()))];
    }
    return text;
}

// Selects a random span of the document.
QTextCursor RandomSpan(QTextDocument& document, QRandomGenerator& random) {
    const int length = document.characterCount() - 1;
    QTextCursor cursor(&document);
    cursor.setPosition(random.bounded(length + 1));
    cursor.setPosition(random.bounded(length + 1), QTextCursor::KeepAnchor);
    return cursor;
}

} // namespace

TEST(TextMirror, FollowsEveryKindOfEdit) {
    QPlainTextEdit editor;
    QTextDocument& document = *editor.document();
    TextMirror mirror(&document);
    QRandomGenerator random(20261207);
    for (int round = 0; round < 3000; ++round) {
        const int action = random.bounded(10);
        if (action <= 3) {
            RandomSpan(document, random).insertText(RandomText(random, 8));
        } else if (action == 4) {
            RandomSpan(document, random).removeSelectedText();
        } else if (action == 5) {
            document.undo();
        } else if (action == 6) {
            document.redo();
        } else if (action == 7) {
            // Several edits between two reads merge into one span.
            for (int i = 0; i < 4; ++i) {
                RandomSpan(document, random).insertText(RandomText(random, 3));
            }
        } else if (action == 8) {
            editor.setFocus();
            editor.setTextCursor(RandomSpan(document, random));
            QTest::keyClicks(&editor, QStringLiteral("xy"));
            QTest::keyClick(&editor, Qt::Key_Return);
            QTest::keyClick(&editor, Qt::Key_Backspace);
            QTest::keyClick(&editor, Qt::Key_Delete);
        } else if (random.bounded(20) == 0) {
            QString text = RandomText(random, 40);
            editor.setPlainText(text);
            mirror.Reset(text.replace(QChar('\n'), QChar(0x2029))); // the raw form
        }
        ASSERT_EQ(mirror.Text(), document.toRawText()) << "round " << round;
    }
}

TEST(TextMirror, BuildsItselfWhenNeverReset) {
    QTextDocument document;
    document.setPlainText(QStringLiteral("one\ntwo"));
    TextMirror mirror(&document);
    EXPECT_EQ(mirror.Text(), QStringLiteral("one\u2029two"));
    QTextCursor(&document).insertText(QStringLiteral("zero\n"));
    EXPECT_EQ(mirror.Text(), QStringLiteral("zero\u2029one\u2029two"));
}
