// The editor pane: a plain-text editor around QPlainTextEdit.
#pragma once

#include <QPlainTextEdit>

namespace sheafpad {

class TRichEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TRichEdit(QWidget* parent = nullptr);

    bool ReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool readOnly);

    // The text becomes empty; the caret is at 0.
    void ClearText();
    // Adds line as the new last line.
    void AppendLine(const QString& line);
};

} // namespace sheafpad
