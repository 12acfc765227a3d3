// SPDX-License-Identifier: GPL-3.0-or-later
// The thin line under the editor pane: on the left short notes that need no
// answer ("Not found", "... does not exist"), each shown for a while, then
// gone; on the right where the caret is and how the file will be written.
#pragma once

#include <QFrame>
#include <QTimer>

class QLabel;

namespace sheafpad {

class StatusLine : public QFrame {
    Q_OBJECT
public:
    explicit StatusLine(QWidget* parent = nullptr);

    // Shows text for msecs (0: until the next message), in place of what
    // was shown.
    void ShowMessage(const QString& text, int msecs = kDefaultMs);
    void ClearMessage();
    QString Message() const;

    static constexpr int kDefaultMs = 5000;

    // The caret's line and column (from 1) and the selection's length in
    // characters (0: none shown).
    void SetCaret(qsizetype line, qsizetype column, qsizetype selected);
    // Typed text replaces what follows the caret.
    void SetOverwrite(bool overwrite);
    // The encoding and the line breaks that a save writes ("UTF-8", "LF").
    void SetFormat(const QString& encoding, const QString& lineBreaks);
    // The fields on the right, as shown, separated by two spaces.
    QString Fields() const;

protected:
    // The fields are painted, not a label's text: they change at every key,
    // and a label's new text would lay the line out again each time.
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowFields();
    void FitMessage();

    QLabel* message_;
    QString fields_;
    QTimer expiry_;
    QString caret_, selected_, overwriteText_, format_;
    static constexpr int kPadding = 4;
};

} // namespace sheafpad
