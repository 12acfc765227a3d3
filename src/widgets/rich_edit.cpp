#include "widgets/rich_edit.h"

#include <QTextBlock>
#include <QTextCursor>

namespace sheafpad {

TRichEdit::TRichEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
}

void TRichEdit::SetReadOnly(bool readOnly) {
    if (readOnly != isReadOnly()) {
        setReadOnly(readOnly);
    }
}

void TRichEdit::ClearText() {
    clear();
}

void TRichEdit::AppendLine(const QString& line) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    const bool endsWithBreak = document()->isEmpty() || cursor.positionInBlock() == 0;
    cursor.insertText(endsWithBreak ? line + '\n' : '\n' + line);
    setTextCursor(cursor);
}

} // namespace sheafpad
