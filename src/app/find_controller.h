// SPDX-License-Identifier: GPL-3.0-or-later
// The find of the find field: forward from the caret, leaving the caret just
// behind the match with nothing selected, the match highlighted and every
// other occurrence in the pane lightly marked until the next key or click in
// the pane; a find that finds nothing says so in the status line for a
// while, and changes nothing else.
#pragma once

#include <QObject>
#include <QString>

namespace sheafpad {

class StatusLine;
class TRichEdit;

class FindController : public QObject {
    Q_OBJECT
public:
    // Both must outlive this.
    FindController(TRichEdit* pane, StatusLine* status);

    static constexpr int kNotFoundMs = 2000;

    // Finds text (letter case ignored) from the caret on; true when found.
    bool FindNext(const QString& text);

private:
    TRichEdit* pane_;
    StatusLine* status_;
};

} // namespace sheafpad
