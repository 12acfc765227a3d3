// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/find_controller.h"

#include "widgets/rich_edit.h"
#include "widgets/status_line.h"

namespace sheafpad {

FindController::FindController(TRichEdit* pane, StatusLine* status)
    : QObject(pane), pane_(pane), status_(status) {}

bool FindController::FindNext(const QString& text) {
    const qsizetype span = pane_->LinesTextLength();
    const qsizetype start = pane_->SelectionStart();
    const qsizetype found = pane_->FindForward(text, start, span);
    if (found < 0) {
        pane_->ClearFindMarks();
        if (!text.isEmpty()) {
            status_->ShowMessage(tr("Not found"), kNotFoundMs);
        }
        return false;
    }
    const qsizetype end = found + TRichEdit::PaneLength(text);
    pane_->SetSelectionStart(end);
    pane_->SetHighlight(TextView::Highlight::Found, {TextRange{size_t(found), size_t(end)}});
    pane_->SetOccurrences(TextView::Normalized(text));
    if (status_->Message() == tr("Not found")) {
        status_->ClearMessage(); // said of an earlier find
    }
    return true;
}

} // namespace sheafpad
