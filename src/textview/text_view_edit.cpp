// SPDX-License-Identifier: GPL-3.0-or-later
// The text view: loading, edits, undo, the caret and the selection, and the
// clipboard.
#include "textview/text_view.h"

#include <QScrollBar>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <algorithm>

namespace sheafpad {

namespace {

bool IsLowSurrogate(QChar c) {
    return c.unicode() >= 0xDC00 && c.unicode() <= 0xDFFF;
}

} // namespace

QString TextView::Normalized(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QChar(0)) {
            break;
        }
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            result += '\n';
        } else if (c.unicode() == 0x2028 || c.unicode() == 0x2029) {
            result += '\n';
        } else {
            result += c;
        }
    }
    return result;
}

QString TextView::Text(qsizetype pos, qsizetype count) const {
    QString text;
    pos = std::clamp<qsizetype>(pos, 0, Length());
    count = std::clamp<qsizetype>(count, 0, Length() - pos);
    text.reserve(count);
    buffer_.ForEachChunk(size_t(pos), size_t(count), [&](std::u16string_view part) {
        text.append(QStringView(part.data(), qsizetype(part.size())));
        return true;
    });
    return text;
}

void TextView::LoadText(std::u16string text) {
    const size_t lengthBefore = buffer_.Length();
    buffer_.Load(std::move(text));
    Loaded(lengthBefore);
}

void TextView::LoadNarrowText(std::string units) {
    const size_t lengthBefore = buffer_.Length();
    buffer_.LoadNarrow(std::move(units));
    Loaded(lengthBefore);
}

void TextView::Loaded(size_t lengthBefore) {
    run_ = Run::None;
    marked_.clear();
    if (colours_) {
        colours_->TextChanged(TextChange{0, lengthBefore, buffer_.Length()}, true);
    }
    layout_.Reset();
    caret_ = anchor_ = top_ = 0;
    caretLine_ = 0;
    layers_[0] = layers_[1] = Layer{};
    goalX_ = -1;
    preedit_.clear();
    UpdateGutterWidth();
    ++syncingScrollBar_;
    horizontalScrollBar()->setValue(0);
    --syncingScrollBar_;
    UpdateScrollBar();
    RepaintAll();
    emit contentsChange(0, -1, Length());
    emit textChanged();
    emit cursorPositionChanged();
}

void TextView::setPlainText(const QString& text) {
    const QString normal = Normalized(text);
    LoadText(std::u16string(reinterpret_cast<const char16_t*>(normal.constData()),
                            size_t(normal.size())));
}

QString TextView::SelectedPlainText() const {
    return Text(SelectionStart(), SelectionEnd() - SelectionStart());
}

qsizetype TextView::Clamped(qsizetype pos) const {
    pos = std::clamp<qsizetype>(pos, 0, Length());
    // Never between the halves of a surrogate pair.
    if (pos > 0 && pos < Length() && IsLowSurrogate(QChar(buffer_.At(size_t(pos)))) &&
        QChar(buffer_.At(size_t(pos - 1))).isHighSurrogate()) {
        --pos;
    }
    return pos;
}

void TextView::SetSelection(qsizetype anchor, qsizetype caret) {
    EndRun();
    goalX_ = -1;
    SetMarks(Clamped(anchor), Clamped(caret));
    ensureCursorVisible();
}

void TextView::SetMarks(qsizetype anchor, qsizetype caret) {
    const bool moved = caret != caret_;
    const bool selectionChanges = anchor != anchor_ || moved;
    const bool hadSelection = HasSelection();
    if (moved) {
        UpdateCaret(); // where it was
    }
    caret_ = caret;
    anchor_ = anchor;
    if (moved) {
        const qsizetype line = qsizetype(buffer_.LineOfPosition(size_t(caret_)));
        if (line != caretLine_) {
            caretLine_ = line;
            RepaintAll(); // the current line's ground moves
        }
    }
    if (moved && !preedit_.isEmpty()) {
        layout_.SetPreedit(caret_, preedit_, preeditFormats_); // the composition goes along
    }
    RestartBlink();
    if (selectionChanges && (hadSelection || HasSelection())) {
        RepaintAll();
        emit selectionChanged();
    }
    if (moved) {
        emit cursorPositionChanged();
    }
}

void TextView::MoveCaret(qsizetype pos, bool select, bool keepGoalX) {
    EndRun();
    if (!keepGoalX) {
        goalX_ = -1;
    }
    pos = Clamped(pos);
    SetMarks(select ? anchor_ : pos, pos);
    ensureCursorVisible();
}

void TextView::SetOverwrite(bool overwrite) {
    if (overwrite != overwrite_) {
        overwrite_ = overwrite;
        UpdateCaret();
        RepaintAll();
        emit overwriteChanged(overwrite);
    }
}

void TextView::BeginEditStep() {
    EndRun();
    buffer_.BeginGroup();
}

void TextView::EndEditStep() {
    buffer_.EndGroup();
}

void TextView::setReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    setAttribute(Qt::WA_InputMethodEnabled, !readOnly);
    RestartBlink();
}

// Edits -------------------------------------------------------------------

qsizetype TextView::Replace(qsizetype pos, qsizetype count, const QString& text, Origin origin) {
    pos = Clamped(pos);
    count = Clamped(pos + std::max<qsizetype>(0, count)) - pos;
    QString insertion = Normalized(text);
    const qsizetype room = std::max<qsizetype>(0, maxLength_ - (Length() - count));
    if (insertion.size() > room) {
        insertion.truncate(room);
        if (!insertion.isEmpty() && insertion.back().isHighSurrogate()) {
            insertion.chop(1);
        }
    }
    if (count == 0 && insertion.isEmpty()) {
        return 0;
    }
    const std::u16string units(reinterpret_cast<const char16_t*>(insertion.constData()),
                               size_t(insertion.size()));
    if (origin == Origin::Program) {
        EndRun();
    } else {
        emit userChangingText();
    }
    buffer_.BeginGroup();
    const qsizetype linesBefore = LineCount();
    if (count > 0) {
        buffer_.Remove(size_t(pos), size_t(count));
    }
    if (!units.empty()) {
        buffer_.Insert(size_t(pos), units);
    }
    buffer_.EndGroup();
    if (origin == Origin::Program) {
        buffer_.ClearUndo(); // its steps no longer fit the text
    }
    AfterChange(TextChange{size_t(pos), size_t(count), units.size()}, linesBefore);
    if (origin == Origin::User) {
        emit userChangedText();
    }
    return insertion.size();
}

qsizetype TextView::ReplaceSelection(const QString& text, Origin origin) {
    EndRun(); // a step of its own
    const qsizetype start = SelectionStart();
    const qsizetype inserted = Replace(start, SelectionEnd() - start, text, origin);
    MoveCaret(start + inserted, false);
    return inserted;
}

void TextView::AfterChange(const TextChange& change, qsizetype linesBefore) {
    MoveMarks(change);
    if (colours_) {
        colours_->TextChanged(change, false);
    }
    const qsizetype pos = qsizetype(change.pos);
    const qsizetype removed = qsizetype(change.removed);
    const qsizetype inserted = qsizetype(change.inserted);
    const qsizetype first = qsizetype(buffer_.LineOfPosition(size_t(pos)));
    const bool withinLine = LineCount() == linesBefore &&
                            qsizetype(buffer_.LineOfPosition(size_t(pos + inserted))) == first;
    // The rows of a line of one chunk before the change, to see whether
    // the lines below it stay where they are.
    const int rows = withinLine ? layout_.CachedRows(first) : -1;
    layout_.Changed(change, linesBefore);
    // Marks after the change move with the text (a mark where text is
    // inserted goes after it); marks inside it go to its start.
    auto follow = [&](qsizetype mark) {
        return qsizetype(MovePosition(size_t(mark), change, Stick::After));
    };
    const qsizetype caret = follow(caret_), anchor = follow(anchor_);
    if (LineCount() != linesBefore) {
        UpdateGutterWidth();
    }
    const qsizetype top = ClampedTop(follow(top_));
    const bool scrolled = top != follow(top_) || pos < top_;
    top_ = top;
    SetMarks(Clamped(anchor), Clamped(caret));
    if (LineCount() != linesBefore) {
        caretLine_ = qsizetype(buffer_.LineOfPosition(size_t(caret_)));
    }
    UpdateScrollBar();
    if (withinLine && !scrolled) {
        UpdateEditedRows(first, pos, rows);
    } else {
        RepaintAll();
    }
    emit contentsChange(pos, removed, inserted);
    emit textChanged();
}

void TextView::EndRun() {
    if (run_ != Run::None) {
        run_ = Run::None;
        buffer_.EndGroup();
    }
}

void TextView::GoOnWithRun(Run run, quint64 time) {
    // A pause ends a run; a time before the last one is another clock's.
    const bool paused = time < runTime_ || time - runTime_ > kRunPauseMs;
    if (run != run_ || paused) {
        EndRun();
        buffer_.BeginGroup();
        run_ = run;
    }
    runTime_ = time;
}

void TextView::TypeText(const QString& text, quint64 time) {
    if (readOnly_) {
        return;
    }
    if (HasSelection()) {
        EndRun(); // typing over a selection starts a run
    }
    GoOnWithRun(Run::Typing, time);
    goalX_ = -1;
    const qsizetype start = SelectionStart();
    qsizetype end = SelectionEnd();
    if (overwrite_ && start == end && preedit_.isEmpty() && !text.contains(u'\n')) {
        // As many characters as are typed, up to the line's end.
        const auto typed =
            std::count_if(text.begin(), text.end(), [](QChar c) { return !c.isLowSurrogate(); });
        for (qsizetype left = typed;
             left > 0 && end < Length() && buffer_.At(size_t(end)) != u'\n';) {
            end = layout_.NextCursorStop(end, QTextLayout::SkipCharacters);
            --left;
        }
    }
    const qsizetype inserted = Replace(start, end - start, text, Origin::User);
    SetMarks(start + inserted, start + inserted);
    ensureCursorVisible();
}

void TextView::DeleteRange(qsizetype from, qsizetype to, Run run, quint64 time) {
    if (readOnly_ || from == to) {
        return;
    }
    if (run == Run::None) {
        EndRun();
    } else {
        GoOnWithRun(run, time);
    }
    goalX_ = -1;
    const qsizetype start = std::min(from, to);
    Replace(start, std::abs(to - from), QString(), Origin::User);
    SetMarks(start, start);
    ensureCursorVisible();
}

void TextView::ApplyUndo(bool redo) {
    if (readOnly_) {
        return;
    }
    EndRun();
    if (!(redo ? CanRedo() : CanUndo())) {
        return;
    }
    emit userChangingText();
    const qsizetype linesBefore = LineCount();
    const std::optional<TextChange> change = redo ? buffer_.Redo() : buffer_.Undo();
    if (!change) {
        return;
    }
    AfterChange(*change, linesBefore);
    MoveCaret(qsizetype(change->pos + change->inserted), false);
    emit userChangedText();
}

void TextView::undo() {
    ApplyUndo(false);
}

void TextView::redo() {
    ApplyUndo(true);
}

// The clipboard -----------------------------------------------------------

QMimeData* TextView::SelectionMimeData() const {
    auto* data = new QMimeData;
    data->setText(SelectedPlainText());
    return data;
}

void TextView::copy() {
    if (HasSelection()) {
        QApplication::clipboard()->setMimeData(SelectionMimeData());
    }
}

void TextView::cut() {
    if (HasSelection() && !readOnly_) {
        copy();
        DeleteRange(SelectionStart(), SelectionEnd());
    }
}

void TextView::paste() {
    if (!readOnly_) {
        insertFromMimeData(QApplication::clipboard()->mimeData());
    }
}

void TextView::selectAll() {
    EndRun();
    SetMarks(0, Length());
}

void TextView::SetSelectionClipboard() const {
    QClipboard* clipboard = QApplication::clipboard();
    if (HasSelection() && clipboard->supportsSelection()) {
        clipboard->setMimeData(SelectionMimeData(), QClipboard::Selection);
    }
}

void TextView::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || !source->hasText() || readOnly_) {
        return;
    }
    EndRun();
    ReplaceSelection(source->text(), Origin::User);
}

} // namespace sheafpad
