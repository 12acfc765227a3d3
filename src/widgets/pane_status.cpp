// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/pane_status.h"

#include "widgets/rich_edit.h"
#include "widgets/status_line.h"

#include <string_view>

namespace sheafpad {

namespace {

// Characters in [from, to): units less the second halves of pairs.
qsizetype Characters(const TextBuffer& text, size_t from, size_t to) {
    size_t seconds = 0;
    text.ForEachChunk(from, to - from, [&](std::u16string_view part) {
        for (const char16_t c : part) {
            seconds += (c & 0xFC00) == 0xDC00 ? 1 : 0;
        }
        return true;
    });
    return qsizetype(to - from - seconds);
}

} // namespace

PaneStatus::PaneStatus(TRichEdit* pane, StatusLine* line)
    : QObject(pane), pane_(pane), line_(line) {
    pending_.setSingleShot(true);
    pending_.setInterval(0);
    connect(&pending_, &QTimer::timeout, this, &PaneStatus::UpdateNow);
    auto later = [this] {
        if (!pending_.isActive()) {
            pending_.start();
        }
    };
    connect(pane, &TextView::cursorPositionChanged, this, later);
    connect(pane, &TextView::selectionChanged, this, later);
    connect(pane, &TextView::textChanged, this, later);
    connect(pane, &TextView::overwriteChanged, line, &StatusLine::SetOverwrite);
    connect(pane, &TRichEdit::formatChanged, this, &PaneStatus::ShowFormat);
    ShowFormat();
    UpdateNow();
}

qsizetype PaneStatus::ColumnOf(qsizetype pos) {
    const TextBuffer& text = pane_->Buffer();
    const size_t at = size_t(std::clamp<qsizetype>(pos, 0, pane_->Length()));
    const size_t lineStart = text.LineStart(text.LineOfPosition(at));
    // Where the text before the last position asked is now, if it is still
    // there whole and still the start of this line.
    std::optional<size_t> knownAt;
    if (known_.revision != UINT64_MAX && known_.pos > known_.lineStart) {
        int parts = 0;
        text.History().ForEachKeptPart({known_.lineStart, known_.pos}, known_.revision,
                                       [&](size_t offset, size_t now, size_t length) {
                                           ++parts;
                                           if (offset == 0 && now == lineStart &&
                                               length == known_.pos - known_.lineStart) {
                                               knownAt = now + length;
                                           }
                                       });
        if (parts != 1) {
            knownAt.reset();
        }
    }
    qsizetype column = 0;
    if (knownAt && *knownAt <= at) {
        column = known_.column + Characters(text, *knownAt, at);
    } else if (knownAt && at - lineStart > *knownAt - at) {
        column = known_.column - Characters(text, at, *knownAt);
    } else {
        column = 1 + Characters(text, lineStart, at);
    }
    known_ = {text.Revision(), lineStart, at, column};
    return column;
}

void PaneStatus::UpdateNow() {
    pending_.stop();
    const TextBuffer& text = pane_->Buffer();
    const qsizetype caret = pane_->CaretPosition();
    const qsizetype selected =
        pane_->HasSelection()
            ? Characters(text, size_t(pane_->SelectionStart()), size_t(pane_->SelectionEnd()))
            : 0;
    line_->SetCaret(qsizetype(text.LineOfPosition(size_t(caret))) + 1, ColumnOf(caret), selected);
    line_->SetOverwrite(pane_->Overwrite());
}

void PaneStatus::ShowFormat() {
    const TextFormat& format = pane_->Format();
    const QString encoding = format.encoding == TextEncoding::Latin1 ? QStringLiteral("Latin-1")
                             : format.bom                            ? tr("UTF-8 with BOM")
                                                                     : QStringLiteral("UTF-8");
    const QString breaks = format.lineBreak == LineBreak::CrLf ? QStringLiteral("CR LF")
                           : format.lineBreak == LineBreak::Cr ? QStringLiteral("CR")
                                                               : QStringLiteral("LF");
    line_->SetFormat(encoding, breaks);
}

} // namespace sheafpad
