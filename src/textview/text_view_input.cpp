// SPDX-License-Identifier: GPL-3.0-or-later
// The text view: keys, input methods, the mouse, and drag and drop.
#include "textview/text_view.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextLine>
#include <optional>

namespace sheafpad {

namespace {

bool IsWordChar(QChar c) {
    return c.isLetterOrNumber() || c == '_' || c.isMark();
}

// A key that types its text: printable characters, surrogate pairs and
// format characters, never with Ctrl alone (Ctrl+Alt is AltGr on some
// systems, and types).
bool TypesText(const QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty()) {
        return false;
    }
    const QChar c = text.front();
    if (c.category() == QChar::Other_Format) {
        return true;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::ControlModifier ||
        modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) {
        return false;
    }
    return c.isPrint() || c.category() == QChar::Other_PrivateUse ||
           (c.isHighSurrogate() && text.size() > 1 && text[1].isLowSurrogate());
}

// Keys that the view acts on itself, so that no shortcut of the window
// takes them first.
bool IsViewKey(QKeyEvent* event) {
    static const QKeySequence::StandardKey keys[] = {
        QKeySequence::Copy,
        QKeySequence::Cut,
        QKeySequence::Paste,
        QKeySequence::Undo,
        QKeySequence::Redo,
        QKeySequence::SelectAll,
        QKeySequence::Delete,
        QKeySequence::DeleteStartOfWord,
        QKeySequence::DeleteEndOfWord,
        QKeySequence::MoveToNextChar,
        QKeySequence::MoveToPreviousChar,
        QKeySequence::MoveToNextWord,
        QKeySequence::MoveToPreviousWord,
        QKeySequence::MoveToNextLine,
        QKeySequence::MoveToPreviousLine,
        QKeySequence::MoveToNextPage,
        QKeySequence::MoveToPreviousPage,
        QKeySequence::MoveToStartOfLine,
        QKeySequence::MoveToEndOfLine,
        QKeySequence::MoveToStartOfDocument,
        QKeySequence::MoveToEndOfDocument,
        QKeySequence::SelectNextChar,
        QKeySequence::SelectPreviousChar,
        QKeySequence::SelectNextWord,
        QKeySequence::SelectPreviousWord,
        QKeySequence::SelectNextLine,
        QKeySequence::SelectPreviousLine,
        QKeySequence::SelectNextPage,
        QKeySequence::SelectPreviousPage,
        QKeySequence::SelectStartOfLine,
        QKeySequence::SelectEndOfLine,
        QKeySequence::SelectStartOfDocument,
        QKeySequence::SelectEndOfDocument,
    };
    for (const QKeySequence::StandardKey key : keys) {
        if (event->matches(key)) {
            return true;
        }
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool plain = modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier;
    // Typing takes a key from the shortcuts only without Ctrl and Alt, so
    // that Alt+letter still reaches the window's buttons and menus.
    return plain && (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Return ||
                     event->key() == Qt::Key_Enter || TypesText(event));
}

std::optional<int> ZoomSteps(const QKeyEvent* event) {
    return TextView::ZoomStepsOf(event->key(), event->modifiers());
}

// Ctrl+Tab types a tab (plain Tab moves the focus).
bool IsCtrlTab(const QKeyEvent* event) {
    return event->key() == Qt::Key_Tab &&
           (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
}

} // namespace

std::optional<int> TextView::ZoomStepsOf(int key, Qt::KeyboardModifiers modifiers) {
    if ((modifiers & ~(Qt::ShiftModifier | Qt::KeypadModifier)) != Qt::ControlModifier) {
        return std::nullopt;
    }
    switch (key) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return 1;
    case Qt::Key_Minus:
        return -1;
    case Qt::Key_0:
        return 0;
    default:
        return std::nullopt;
    }
}

bool TextView::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        if (IsViewKey(keyEvent) || ZoomSteps(keyEvent) || IsCtrlTab(keyEvent)) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void TextView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
        break; // a modifier alone is no key yet
    default:
        ClearFindMarks();
    }
    if (HandleKey(event)) {
        event->accept();
    } else {
        event->ignore();
    }
}

bool TextView::HandleKey(QKeyEvent* event) {
    using K = QKeySequence;
    struct Move {
        K::StandardKey move, select;
        std::function<qsizetype()> target;
        bool keepGoalX;
    };
    if (const std::optional<int> steps = ZoomSteps(event)) {
        ZoomBy(*steps);
        return true;
    }
    const qsizetype caret = caret_;
    // Left and Right first collapse a selection to its start or its end.
    if (HasSelection() && event->matches(K::MoveToNextChar)) {
        MoveCaret(SelectionEnd(), false);
        return true;
    }
    if (HasSelection() && event->matches(K::MoveToPreviousChar)) {
        MoveCaret(SelectionStart(), false);
        return true;
    }
    const Move moves[] = {
        {K::MoveToNextChar, K::SelectNextChar,
         [&] { return layout_.NextCursorStop(caret, QTextLayout::SkipCharacters); }, false},
        {K::MoveToPreviousChar, K::SelectPreviousChar,
         [&] { return layout_.PreviousCursorStop(caret, QTextLayout::SkipCharacters); }, false},
        {K::MoveToNextWord, K::SelectNextWord,
         [&] { return layout_.NextCursorStop(caret, QTextLayout::SkipWords); }, false},
        {K::MoveToPreviousWord, K::SelectPreviousWord,
         [&] { return layout_.PreviousCursorStop(caret, QTextLayout::SkipWords); }, false},
        {K::MoveToNextLine, K::SelectNextLine, [&] { return VerticalMove(caret, 1); }, true},
        {K::MoveToPreviousLine, K::SelectPreviousLine, [&] { return VerticalMove(caret, -1); },
         true},
        {K::MoveToNextPage, K::SelectNextPage, [&] { return PageMove(1); }, true},
        {K::MoveToPreviousPage, K::SelectPreviousPage, [&] { return PageMove(-1); }, true},
        {K::MoveToStartOfLine, K::SelectStartOfLine, [&] { return HomeOf(caret); }, false},
        {K::MoveToEndOfLine, K::SelectEndOfLine,
         [&] { return layout_.RowEnd(layout_.RowOf(caret)); }, false},
        {K::MoveToStartOfDocument, K::SelectStartOfDocument, [] { return qsizetype(0); }, false},
        {K::MoveToEndOfDocument, K::SelectEndOfDocument, [&] { return Length(); }, false},
    };
    for (const Move& move : moves) {
        const bool select = event->matches(move.select);
        if (select || event->matches(move.move)) {
            MoveCaret(move.target(), select, move.keepGoalX);
            if (select) {
                SetSelectionClipboard(); // X11's primary selection, as with the mouse
            }
            return true;
        }
    }
    return EditByKey(event);
}

qsizetype TextView::HomeOf(qsizetype pos) const {
    // On a line's first row: to its first non-blank character, and from
    // there to its start; on a row that a wrap began, to the row's start.
    const qsizetype rowStart = layout_.RowStart(layout_.RowOf(pos));
    const qsizetype lineStart = qsizetype(buffer_.LineStart(buffer_.LineOfPosition(size_t(pos))));
    if (rowStart > lineStart && pos != rowStart) {
        return rowStart;
    }
    qsizetype text = lineStart;
    const qsizetype lineEnd = lineStart + layout_.LineLength(buffer_.LineOfPosition(size_t(pos)));
    // Only so far: a line of megabytes of blanks is no indent.
    while (text < std::min(lineEnd, lineStart + TextLayout::kChunk) &&
           (buffer_.At(size_t(text)) == u' ' || buffer_.At(size_t(text)) == u'\t')) {
        ++text;
    }
    if (text == lineEnd) {
        text = lineStart; // a blank line
    }
    return pos == text ? lineStart : text;
}

bool TextView::EditByKey(const QKeyEvent* event) {
    using K = QKeySequence;
    const quint64 time = event->timestamp();
    const qsizetype caret = caret_;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool plain = !(modifiers & ~Qt::ShiftModifier);
    // Deleting a selection is a step of its own; a character or a word at
    // the caret goes on with a run of deletes.
    auto erase = [&](qsizetype to, Run run) {
        if (HasSelection()) {
            DeleteRange(caret, anchor_, Run::None, time);
        } else {
            DeleteRange(caret, to, run, time);
        }
    };
    if (event->matches(K::Copy)) {
        copy();
    } else if (event->matches(K::Cut)) {
        cut();
    } else if (event->matches(K::Paste)) {
        paste();
    } else if (event->key() == Qt::Key_Insert && modifiers == Qt::NoModifier) {
        SetOverwrite(!overwrite_);
    } else if (event->matches(K::Undo)) {
        undo();
    } else if (event->matches(K::Redo)) {
        redo();
    } else if (event->matches(K::SelectAll)) {
        selectAll();
        SetSelectionClipboard();
    } else if (event->matches(K::Delete)) {
        erase(layout_.NextCursorStop(caret, QTextLayout::SkipCharacters), Run::DeletingForward);
    } else if (event->matches(K::DeleteStartOfWord)) {
        erase(layout_.PreviousCursorStop(caret, QTextLayout::SkipWords), Run::DeletingBack);
    } else if (event->matches(K::DeleteEndOfWord)) {
        erase(layout_.NextCursorStop(caret, QTextLayout::SkipWords), Run::DeletingForward);
    } else if (event->key() == Qt::Key_Backspace && plain) {
        // One code point back, so that a combining mark goes alone.
        qsizetype before = caret - 1;
        if (before > 0 && QChar(buffer_.At(size_t(before))).isLowSurrogate() &&
            QChar(buffer_.At(size_t(before - 1))).isHighSurrogate()) {
            --before;
        }
        erase(std::max<qsizetype>(0, before), Run::DeletingBack);
    } else if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && plain) {
        // Shift+Enter too: a line break (never U+2028), and the new line starts
        // with the indent of the one it was split from; the break ends the run.
        TypeText(u'\n' + IndentBefore(SelectionStart()), time);
        EndRun();
    } else if (IsCtrlTab(event)) {
        TypeText(QStringLiteral("\t"), time); // plain Tab moves the focus
    } else if (TypesText(event)) {
        TypeText(event->text(), time);
    } else {
        return false;
    }
    return true;
}

QString TextView::IndentBefore(qsizetype pos) const {
    const qsizetype lineStart = qsizetype(buffer_.LineStart(buffer_.LineOfPosition(size_t(pos))));
    QString indent;
    buffer_.ForEachChunk(size_t(lineStart), size_t(pos - lineStart), [&](std::u16string_view part) {
        const size_t blanks = part.find_first_not_of(u" \t");
        indent.append(QStringView(part.data(), qsizetype(std::min(blanks, part.size()))));
        return blanks == std::u16string_view::npos;
    });
    return indent;
}

// Caret moves -------------------------------------------------------------

qsizetype TextView::VerticalMove(qsizetype pos, int rows) {
    if (goalX_ < 0) {
        goalX_ = layout_.XOf(pos);
    }
    Row row = layout_.RowOf(pos);
    const Row from = row;
    for (; rows > 0 && layout_.NextRow(row); --rows) {
    }
    for (; rows < 0 && layout_.PreviousRow(row); ++rows) {
    }
    if (row == from) {
        return rows < 0 ? 0 : Length(); // from the first row to the start, the last to the end
    }
    return layout_.PositionInRow(row, goalX_);
}

qsizetype TextView::PageMove(int direction) {
    const int rows = std::max(1, VisibleRows() - 1);
    const qsizetype target = VerticalMove(caret_, direction * rows);
    ScrollRows(direction * rows);
    return target;
}

void TextView::SelectWordAt(qsizetype pos) {
    // A word: letters, digits and '_' around pos, read within a window.
    constexpr qsizetype kWindow = 256;
    const qsizetype from = std::max<qsizetype>(0, pos - kWindow);
    const QString around = Text(from, std::min(Length(), pos + kWindow) - from);
    qsizetype start = pos - from, end = pos - from;
    while (start > 0 && IsWordChar(around[start - 1])) {
        --start;
    }
    while (end < around.size() && IsWordChar(around[end])) {
        ++end;
    }
    if (start == end && end < around.size() && around[end] != '\n') {
        end = layout_.NextCursorStop(pos, QTextLayout::SkipCharacters) - from; // a space or a sign
    }
    unitStart_ = from + start;
    unitEnd_ = from + end;
    SetMarks(unitStart_, unitEnd_);
}

// Input methods -----------------------------------------------------------

void TextView::inputMethodEvent(QInputMethodEvent* event) {
    if (readOnly_) {
        event->ignore();
        return;
    }
    if (!event->commitString().isEmpty() || event->replacementLength() > 0) {
        EndRun();
        buffer_.BeginGroup();
        if (HasSelection()) {
            ReplaceSelection(QString(), Origin::User);
        }
        const qsizetype start = Clamped(caret_ + event->replacementStart());
        const qsizetype inserted =
            Replace(start, event->replacementLength(), event->commitString(), Origin::User);
        buffer_.EndGroup();
        SetMarks(start + inserted, start + inserted);
    }
    preedit_ = event->preeditString();
    preeditFormats_.clear();
    preeditCursor_ = int(preedit_.size());
    for (const QInputMethodEvent::Attribute& a : event->attributes()) {
        if (a.type == QInputMethodEvent::TextFormat) {
            const QTextCharFormat format = a.value.value<QTextFormat>().toCharFormat();
            if (format.isValid()) {
                preeditFormats_.append({a.start, a.length, format});
            }
        } else if (a.type == QInputMethodEvent::Cursor) {
            preeditCursor_ = a.start;
        }
    }
    layout_.SetPreedit(caret_, preedit_, preeditFormats_);
    ensureCursorVisible();
    RepaintAll();
    event->accept();
}

QVariant TextView::inputMethodQuery(Qt::InputMethodQuery query) const {
    // The text around the caret: its line, within a window.
    constexpr qsizetype kAround = 512;
    const qsizetype line = qsizetype(buffer_.LineOfPosition(size_t(caret_)));
    const qsizetype lineStart = qsizetype(buffer_.LineStart(size_t(line)));
    const qsizetype from = std::max(lineStart, caret_ - kAround);
    const qsizetype to =
        std::min(lineStart + qsizetype(buffer_.LineLength(size_t(line))), caret_ + kAround);
    switch (query) {
    case Qt::ImEnabled:
        return !readOnly_;
    case Qt::ImReadOnly:
        return readOnly_;
    case Qt::ImCursorRectangle:
        return cursorRect().translated(viewport()->pos());
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return int(caret_ - from);
    case Qt::ImAnchorPosition:
        return int(std::clamp(anchor_, from, to) - from);
    case Qt::ImSurroundingText:
        return Text(from, to - from);
    case Qt::ImTextBeforeCursor:
        return Text(from, caret_ - from);
    case Qt::ImTextAfterCursor:
        return Text(caret_, to - caret_);
    case Qt::ImCurrentSelection:
        return Text(SelectionStart(), std::min<qsizetype>(SelectionEnd() - SelectionStart(), 4096));
    case Qt::ImMaximumTextLength:
        return QVariant(); // none that an input method needs to know
    case Qt::ImAbsolutePosition:
        return caret_;
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// The mouse ---------------------------------------------------------------

void TextView::mousePressEvent(QMouseEvent* event) {
    EndRun();
    ClearFindMarks();
    const QPoint point = event->position().toPoint();
    const qsizetype pos = PositionAt(point);
    if (event->button() == Qt::MiddleButton) {
        QClipboard* clipboard = QApplication::clipboard();
        if (!readOnly_ && clipboard->supportsSelection()) {
            MoveCaret(pos, false);
            insertFromMimeData(clipboard->mimeData(QClipboard::Selection));
        }
        return;
    }
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const qint64 now = qint64(event->timestamp());
    const bool tripleClick =
        lastDoubleClickMs_ >= 0 && now >= lastDoubleClickMs_ &&
        now - lastDoubleClickMs_ < QGuiApplication::styleHints()->mouseDoubleClickInterval();
    pressPoint_ = point;
    selecting_ = true;
    mayDrag_ = false;
    if (tripleClick) {
        // A third click selects the whole line with its break.
        clickUnit_ = 3;
        const qsizetype line = qsizetype(buffer_.LineOfPosition(size_t(pos)));
        unitStart_ = qsizetype(buffer_.LineStart(size_t(line)));
        unitEnd_ =
            line + 1 < LineCount() ? qsizetype(buffer_.LineStart(size_t(line + 1))) : Length();
        goalX_ = -1;
        SetMarks(unitStart_, unitEnd_);
        return;
    }
    clickUnit_ = 1;
    const bool inSelection = HasSelection() && pos >= SelectionStart() && pos < SelectionEnd();
    if (inSelection && !(event->modifiers() & Qt::ShiftModifier)) {
        mayDrag_ = true; // a drag of the selection, or a click on release
        return;
    }
    MoveCaret(pos, event->modifiers() & Qt::ShiftModifier);
}

void TextView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    EndRun();
    lastDoubleClickMs_ = qint64(event->timestamp());
    clickUnit_ = 2;
    selecting_ = true;
    mayDrag_ = false;
    goalX_ = -1;
    SelectWordAt(PositionAt(event->position().toPoint()));
}

void TextView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton) || !selecting_) {
        return;
    }
    const QPoint point = event->position().toPoint();
    if (mayDrag_) {
        if ((point - pressPoint_).manhattanLength() >= QApplication::startDragDistance()) {
            mayDrag_ = false;
            selecting_ = false;
            StartDrag();
        }
        return;
    }
    ExtendSelectionTo(point);
    const bool outside = point.y() < 0 || point.y() >= viewport()->height() ||
                         (!layout_.Wraps() && (point.x() < 0 || point.x() >= viewport()->width()));
    if (outside && !autoScroll_.isActive()) {
        autoScroll_.start(50, this);
    } else if (!outside) {
        autoScroll_.stop();
    }
}

void TextView::ExtendSelectionTo(QPoint point) {
    const qsizetype pos = PositionAt(point);
    if (clickUnit_ == 1) {
        SetMarks(anchor_, Clamped(pos));
        return;
    }
    // Words and lines: the selection keeps the first unit whole.
    qsizetype start = pos, end = pos;
    if (clickUnit_ == 3) {
        const qsizetype line = qsizetype(buffer_.LineOfPosition(size_t(pos)));
        start = qsizetype(buffer_.LineStart(size_t(line)));
        end = line + 1 < LineCount() ? qsizetype(buffer_.LineStart(size_t(line + 1))) : Length();
    } else {
        start = layout_.PreviousCursorStop(layout_.NextCursorStop(pos, QTextLayout::SkipWords),
                                           QTextLayout::SkipWords);
        end = layout_.NextCursorStop(pos, QTextLayout::SkipWords);
    }
    if (pos < unitStart_) {
        SetMarks(unitEnd_, start);
    } else {
        SetMarks(unitStart_, std::max(end, unitEnd_));
    }
}

void TextView::AutoScroll() {
    const QPoint point = viewport()->mapFromGlobal(QCursor::pos());
    if (!selecting_ || !(QApplication::mouseButtons() & Qt::LeftButton)) {
        autoScroll_.stop();
        return;
    }
    bool scrolled = true;
    if (point.y() < 0) {
        ScrollRows(-1);
    } else if (point.y() >= viewport()->height()) {
        ScrollRows(1);
    } else {
        scrolled = false;
    }
    if (!layout_.Wraps() && (point.x() < 0 || point.x() >= viewport()->width())) {
        // Sideways along rows that do not wrap.
        QScrollBar* bar = horizontalScrollBar();
        bar->setValue(bar->value() + (point.x() < 0 ? -1 : 1) * bar->singleStep());
        scrolled = true;
    }
    if (!scrolled) {
        autoScroll_.stop();
    }
    ExtendSelectionTo(point);
}

void TextView::mouseReleaseEvent(QMouseEvent* event) {
    autoScroll_.stop();
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (mayDrag_) {
        MoveCaret(PositionAt(event->position().toPoint()), false); // a click, not a drag
    }
    mayDrag_ = false;
    selecting_ = false;
    SetSelectionClipboard();
    ensureCursorVisible();
}

// Drag and drop -----------------------------------------------------------

void TextView::StartDrag() {
    auto* drag = new QDrag(this);
    drag->setMimeData(SelectionMimeData());
    const qsizetype start = SelectionStart(), end = SelectionEnd();
    dragFromHere_ = true;
    const Qt::DropAction action =
        drag->exec(readOnly_ ? Qt::CopyAction : Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    dragFromHere_ = false;
    QObject* target = drag->target();
    if (action == Qt::MoveAction && target != this && target != viewport()) {
        // Moved into another program or widget: the text leaves here.
        DeleteRange(start, end);
    }
}

void TextView::dragEnterEvent(QDragEnterEvent* event) {
    if (!readOnly_ && event->mimeData()->hasText()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TextView::dragMoveEvent(QDragMoveEvent* event) {
    if (readOnly_ || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    dropCaret_ = PositionAt(event->position().toPoint());
    RepaintAll();
    event->acceptProposedAction();
}

void TextView::dragLeaveEvent(QDragLeaveEvent*) {
    dropCaret_ = -1;
    RepaintAll();
}

void TextView::dropEvent(QDropEvent* event) {
    dropCaret_ = -1;
    if (readOnly_ || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    EndRun();
    qsizetype pos = PositionAt(event->position().toPoint());
    const bool moveHere = dragFromHere_ && event->dropAction() == Qt::MoveAction;
    if (moveHere && pos >= SelectionStart() && pos <= SelectionEnd()) {
        event->acceptProposedAction(); // dropped onto itself: nothing moves
        RepaintAll();
        return;
    }
    buffer_.BeginGroup(); // a move undoes as one step
    if (moveHere) {
        const qsizetype start = SelectionStart(), length = SelectionEnd() - start;
        Replace(start, length, QString(), Origin::User);
        if (pos > start) {
            pos -= length;
        }
    }
    SetMarks(pos, pos);
    insertFromMimeData(event->mimeData());
    buffer_.EndGroup();
    SetMarks(pos, caret_);
    setFocus(Qt::MouseFocusReason);
    event->acceptProposedAction();
}

} // namespace sheafpad
