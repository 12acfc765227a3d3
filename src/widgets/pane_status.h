// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps the status line's fields in step with the editor pane: the caret's
// line and column, the selection's length, overwrite, and the encoding and
// line breaks that a save writes.
#pragma once

#include "text/text_history.h"

#include <QObject>
#include <QTimer>
#include <cstdint>

namespace sheafpad {

class StatusLine;
class TRichEdit;

class PaneStatus : public QObject {
    Q_OBJECT
public:
    // Both must outlive this.
    PaneStatus(TRichEdit* pane, StatusLine* line);

    // The column of pos (from 1) in characters: a tab counts one, and so
    // does a character written with two UTF-16 units. Found from the last
    // one asked while the text before it in the line is unchanged, so that a
    // key at the end of a line of megabytes does not count the line again.
    qsizetype ColumnOf(qsizetype pos);
    // The fields as they are now (the update waits for the events of a
    // key to be done).
    void UpdateNow();

private:
    void ShowFormat();

    TRichEdit* pane_;
    StatusLine* line_;
    QTimer pending_;
    // The last column found: of pos, in the text of revision.
    struct Known {
        uint64_t revision = UINT64_MAX;
        size_t lineStart = 0, pos = 0;
        qsizetype column = 1;
    } known_;
};

} // namespace sheafpad
