// SPDX-License-Identifier: GPL-3.0-or-later
// A plain-text view and editor over a TextBuffer that stays fluid on files
// of any size and on lines of megabytes (minified scripts).
//
// The text is held once, in the buffer (line breaks are '\n'). Only what is
// shown is laid out, by the view's TextLayout (chunks of lines laid out on
// their own and cached; see text_view_layout.h).
//
// The vertical scroll bar counts rows as estimated from each line's length
// (exact rows would need every line laid out); scrolling by rows, keys and
// the caret use the real layout. The top of the view is a text position, the
// start of its first row, so that it survives edits above and below it.
//
// Positions are offsets into the text in UTF-16 units; a line break is one.
#pragma once

#include "text/text_buffer.h"
#include "textview/text_view_layout.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QPoint>
#include <QRawFont>
#include <QString>
#include <QTextLayout>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

class QMimeData;

namespace sheafpad {

class TextView : public QAbstractScrollArea {
    Q_OBJECT
public:
    // Who makes an edit: the user's edits are recorded for undo and raise
    // userChangedText; the program's clear the undo history (its steps no
    // longer fit the text).
    enum class Origin { User, Program };

    explicit TextView(QWidget* parent = nullptr);
    ~TextView() override;

    // The text.
    qsizetype Length() const { return qsizetype(buffer_.Length()); }
    qsizetype LineCount() const { return qsizetype(buffer_.LineCount()); }
    QString Text(qsizetype pos, qsizetype count) const;
    QString toPlainText() const { return Text(0, Length()); }
    const TextBuffer& Buffer() const { return buffer_; }
    // The text as it is now, readable on another thread.
    TextSnapshot Snapshot() const { return buffer_.Snapshot(); }
    // Whether the text is the very version that snapshot was taken of.
    bool Holds(const TextSnapshot& snapshot) const { return buffer_.Holds(snapshot); }
    // Replaces the whole text (line breaks '\n' only, no NUL) as the program:
    // undo cleared, caret at the start, view at the top.
    void LoadText(std::u16string text);
    // The same for a text whose every unit is below U+0100, one byte a unit
    // (Latin-1), which is kept so (TextBuffer::LoadNarrow).
    void LoadNarrowText(std::string units);
    // LoadText after turning CR LF, CR, U+2028 and U+2029 into '\n'.
    void setPlainText(const QString& text);

    // Replaces count positions at pos by text (line breaks as setPlainText
    // takes them; the text ends at a NUL), cut to what MaxLength lets in.
    // Returns the number of positions inserted. The caret and the selection
    // move with the text around them.
    qsizetype Replace(qsizetype pos, qsizetype count, const QString& text, Origin origin);
    // Replace the selection by text and put the caret after it.
    qsizetype ReplaceSelection(const QString& text, Origin origin);
    // The most positions the text may hold; inserts are cut to fit.
    qsizetype MaxLength() const { return maxLength_; }
    void SetMaxLength(qsizetype maxLength) { maxLength_ = maxLength; }
    // The pane's form of text: line breaks '\n', ending at a NUL.
    static QString Normalized(const QString& text);

    // The caret and the selection (from the anchor to the caret).
    qsizetype CaretPosition() const { return caret_; }
    qsizetype AnchorPosition() const { return anchor_; }
    qsizetype SelectionStart() const { return std::min(caret_, anchor_); }
    qsizetype SelectionEnd() const { return std::max(caret_, anchor_); }
    bool HasSelection() const { return caret_ != anchor_; }
    QString SelectedPlainText() const; // line breaks '\n'
    // Selects from anchor to caret (clamped, never inside a surrogate pair)
    // and scrolls the caret into view.
    void SetSelection(qsizetype anchor, qsizetype caret);
    void SetCaret(qsizetype position) { SetSelection(position, position); }

    // Zoom: the font's size in whole points, in steps by Ctrl+wheel, Ctrl++
    // (or Ctrl+=) and Ctrl+-, and back to the base font's size by Ctrl+0. The
    // caret's row keeps its place on the screen; only what is shown is laid
    // out anew.
    static constexpr qreal kMinPointSize = 4;
    static constexpr qreal kMaxPointSize = 96;
    // The font that Ctrl+0 returns to; the view takes it now.
    void SetBaseFont(const QFont& font);
    qreal BasePointSize() const { return basePointSize_; }
    qreal PointSize() const;
    void ZoomTo(qreal pointSize);
    void ZoomBy(int steps);
    // The zoom steps of a key (0 for Ctrl+0), or nullopt for a key that
    // does not zoom. Shift and the keypad do not matter.
    static std::optional<int> ZoomStepsOf(int key, Qt::KeyboardModifiers modifiers);

    bool isReadOnly() const { return readOnly_; }
    void setReadOnly(bool readOnly);

    bool CanUndo() const { return buffer_.CanUndo(); }
    bool CanRedo() const { return buffer_.CanRedo(); }

    // The caret's rectangle in viewport coordinates; empty when not shown.
    QRect cursorRect() const;
    // The rectangle of the character at pos (a caret-wide one at a line's
    // end), in viewport coordinates; empty when pos is not shown.
    QRect PositionRect(qsizetype pos) const;
    // The position nearest to point (viewport coordinates).
    qsizetype PositionAt(QPoint point) const;
    // The position of the first shown character, and of the last one.
    qsizetype FirstShownPosition() const { return top_; }
    // Scrolls so that the row of pos is the top one (as far as the text goes).
    void ShowFromPosition(qsizetype pos) { SetTop(pos); }
    void ensureCursorVisible(); // and sideways, while rows do not wrap
    void ScrollToPosition(qsizetype pos);
    // The number of whole rows the viewport shows.
    int VisibleRows() const;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    // Colours from colours (not owned; null: the text in its one colour).
    void SetColours(TextColours* colours);
    // The colours of [pos, pos + count) changed: what shows them is laid
    // out again.
    void RecolourRange(qsizetype pos, qsizetype count);
    // Stretches drawn on a light ground under the text (a search's matches):
    // (position, length) pairs, ascending, none overlapping. They move with
    // the text around them; an edit that touches one drops it, and loading a
    // text drops them all.
    using MarkedRanges = std::vector<std::pair<qsizetype, qsizetype>>;
    void SetMarkedRanges(MarkedRanges ranges);
    const MarkedRanges& Marked() const { return marked_; }

    // Line numbers in a gutter at the left (shown at first): a line's number
    // stands on its first row, the caret's line's in the text's colour.
    void SetLineNumbers(bool shown);
    bool LineNumbers() const { return lineNumbers_; }
    // The gutter's width: room for the digits of the last line's number (two
    // at least); 0 while hidden.
    int GutterWidth() const;
    // The numbers the gutter showed when last painted: (y, line) of each.
    const std::vector<std::pair<int, qsizetype>>& NumberedRows() const { return gutterRows_; }
    // Word wrap (on at first). Off, a line is one row however long, with a
    // horizontal scroll bar.
    void SetWordWrap(bool wrap);
    bool WordWrap() const { return layout_.Wraps(); }
    // The horizontal scroll, in pixels (0 while wrapping).
    qreal HorizontalOffset() const;
    // Overwrite: typed characters take the place of those after the caret
    // (never of a line break), and the caret is a block. Insert toggles it.
    void SetOverwrite(bool overwrite);
    bool Overwrite() const { return overwrite_; }

    // Highlights of the present text, each kind in a tint of its own, moved
    // along with later edits: the find's match (Found), a pair of brackets or
    // tags (Pair).
    enum class Highlight { Found, Pair };
    void SetHighlight(Highlight kind, std::vector<TextRange> ranges);
    // Where they are now.
    std::vector<TextRange> Highlighted(Highlight kind) const;
    // Each occurrence of text in the rows shown gets a light mark (letter
    // case ignored, as FindForward finds); empty: none.
    void SetOccurrences(const QString& text);
    const QString& Occurrences() const { return occurrences_; }
    // The find's highlight and the occurrences' marks go: at the next key
    // (other than a lone modifier) or click in the view.
    void ClearFindMarks();

    // Scrolls so that pos's row is in the middle of the view (as far as the
    // text goes).
    void CentreOn(qsizetype pos);
    // Edits between these undo as one step.
    void BeginEditStep();
    void EndEditStep();

    // For tests and benchmarks: how many chunk layouts were made so far.
    qint64 LayoutsMade() const { return layout_.LayoutsMade(); }

public slots:
    void undo();
    void redo();
    void copy();
    void cut();
    void paste();
    void selectAll();

signals:
    // Any change of the text, the program's included.
    void textChanged();
    // The user changed the text (typing, pasting, dropping, input methods,
    // undo and redo).
    void userChangedText();
    // The same change of the user's, just before it is made (the text is
    // still as it was): for what must see the text before every change.
    void userChangingText();
    void cursorPositionChanged();
    void selectionChanged();
    void overwriteChanged(bool overwrite);
    // removed positions at pos gave way to added ones (for screen readers and
    // anything else that follows the text).
    void contentsChange(qsizetype pos, qsizetype removed, qsizetype added);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Pasted or dropped data as text; a user change.
    virtual void insertFromMimeData(const QMimeData* source);
    // Handles the editing and moving keys; false when the key is not one.
    bool HandleKey(QKeyEvent* event);

private:
    using Row = TextLayout::Row;
    using Laid = TextLayout::Laid;
    // The space between the text and the view's edges.
    static constexpr int kMargin = 4;
    // After a load replaced a text of lengthBefore units: the view starts over.
    void Loaded(size_t lengthBefore);

    // Rows.
    qsizetype LastTop() const; // the top that shows the end at the bottom
    // The start of pos's row, or the row as far above it as the view shows
    // when the text ends less than a view below: a top. Reads only the rows
    // it shows.
    qsizetype ClampedTop(qsizetype pos) const;
    // Whether the view shows the end of the text.
    bool EndShown() const;
    // The row of pos counted from the top row: -1 above it, more than
    // VisibleRows() below the view.
    int ScreenRowOf(qsizetype pos) const;
    // Repaints what an edit within one line changed, from the row before
    // pos on: to the line's end when its rows are as many as before (rows
    // < 0: unknown), else to the bottom.
    void UpdateEditedRows(qsizetype line, qsizetype pos, int rows);

    // Scrolling by the estimated rows of the scroll bar.
    void UpdateScrollBar();
    void SetTop(qsizetype pos);
    void ScrollRows(int rows);
    int TextWidth() const;

    // The caret and the selection.
    qsizetype Clamped(qsizetype pos) const;
    void SetMarks(qsizetype anchor, qsizetype caret);
    qsizetype VerticalMove(qsizetype pos, int rows);
    qsizetype PageMove(int direction);
    qsizetype HomeOf(qsizetype pos) const; // where Home goes from pos
    void MoveCaret(qsizetype pos, bool select, bool keepGoalX = false);
    void SelectWordAt(qsizetype pos);
    void ExtendSelectionTo(QPoint point);
    void AutoScroll();

    // Edits.
    void AfterChange(const TextChange& change, qsizetype linesBefore);
    // Undo steps of typing and deleting: a run of edits of one kind undoes
    // as one step, ending when the kind changes, after a pause of about a
    // second (times of key events, in ms), at a line break, and when the
    // caret is moved.
    enum class Run { None, Typing, DeletingBack, DeletingForward };
    static constexpr quint64 kRunPauseMs = 1000;
    void EndRun();
    void GoOnWithRun(Run run, quint64 time);
    void TypeText(const QString& text, quint64 time);
    // Deletes from..to and puts the caret there; a run of deletes goes on,
    // or with Run::None the deletion is a step of its own.
    void DeleteRange(qsizetype from, qsizetype to, Run run = Run::None, quint64 time = 0);
    // The editing keys: clipboard, undo, deleting, Enter, Ctrl+Tab, typing.
    bool EditByKey(const QKeyEvent* event);
    // The spaces and tabs that begin pos's line, up to pos.
    QString IndentBefore(qsizetype pos) const;
    void ApplyUndo(bool redo);
    QMimeData* SelectionMimeData() const;
    void SetSelectionClipboard() const;
    void StartDrag();

    // Painting: each row in pieces (rows of chunks), side by side in a row
    // that does not wrap.
    struct Painting;
    void PaintPiece(Painting& painting, const Row& piece, const Laid& laid, QPointF origin,
                    bool ground) const;
    void DrawSelection(QPainter& painter, const Laid& laid, int index, QPointF origin,
                       const QTextLayout::FormatRange& range) const;
    void RestartBlink();
    // Repaints the caret where it is now (unless all is to be repainted).
    void UpdateCaret();
    // Repaints the whole view (and so the caret: UpdateCaret need not look
    // for it until then).
    void RepaintAll();

    TextBuffer buffer_;
    TextLayout layout_{buffer_};

    qsizetype top_ = 0;    // the text position at the start of the top row
    qsizetype caret_ = 0;  // where typed text goes
    qsizetype anchor_ = 0; // the selection's other end
    qreal goalX_ = -1;     // the column that Up and Down keep, or -1
    qsizetype maxLength_ = std::numeric_limits<qsizetype>::max();
    bool readOnly_ = false;
    Run run_ = Run::None;      // the run whose undo group is open
    quint64 runTime_ = 0;      // the time of its last edit
    bool caretShown_ = true;   // the blink's phase
    bool repaintAll_ = false;  // the whole view is to be painted
    int syncingScrollBar_ = 0; // the program is setting the scroll bar
    int hScale_ = 1;           // pixels a step of the horizontal scroll bar
    qreal basePointSize_ = -1;
    bool zooming_ = false; // the font changes by a zoom, which places the top itself
    int wheelZoom_ = 0;    // Ctrl+wheel turned by less than a step so far
    TextColours* colours_ = nullptr;
    MarkedRanges marked_;
    // Highlights, kept as of the revision they were set at.
    struct Layer {
        std::vector<TextRange> ranges;
        uint64_t revision = 0;
    };
    mutable Layer layers_[2];
    QString occurrences_;
    bool overwrite_ = false;
    bool lineNumbers_ = true;
    qsizetype caretLine_ = 0; // the line whose rows have the current line's ground
    friend class TextViewGutter;
    QWidget* gutter_ = nullptr; // a TextViewGutter
    // The font's digits, for the gutter (found again after a change of font).
    mutable QRawFont digitFont_;
    mutable QList<quint32> digitGlyphs_;
    mutable qreal digitAdvance_ = 0;
    // The line starts the gutter last painted: (y, line); the caret's line then.
    mutable std::vector<std::pair<int, qsizetype>> gutterRows_;
    mutable qsizetype gutterCaretLine_ = -1;
    std::vector<std::pair<int, qsizetype>> scratchStarts_; // the paint's, kept for its room
    void UpdateGutterWidth();
    void PaintGutter(QPainter& painter) const; // text_view_gutter.cpp
    // Draws row index of laid: its ground (the current line's), the marks,
    // the occurrences and the highlights (text_view_marks.cpp).
    void DrawGround(QPainter& painter, const Laid& laid, int index, QPointF origin,
                    qsizetype chunkStart, bool currentLine) const;
    void UpdateHorizontalBar();
    void ScrollHorizontallyTo(qsizetype pos);
    void MoveMarks(const TextChange& change); // text_view_marks.cpp
    QBasicTimer blink_;
    QBasicTimer autoScroll_;
    // Input method composition at the caret, its formats and its cursor.
    QString preedit_;
    QList<QTextLayout::FormatRange> preeditFormats_;
    int preeditCursor_ = 0;
    // The mouse: where a press fell, whether it may start a drag of the
    // selection, the unit it selects (1 character, 2 words, 3 lines) and the
    // first unit selected.
    QPoint pressPoint_;
    bool mayDrag_ = false;
    bool selecting_ = false;
    int clickUnit_ = 1;
    qsizetype unitStart_ = 0, unitEnd_ = 0;
    qint64 lastDoubleClickMs_ = -1;
    qsizetype dropCaret_ = -1; // the caret drawn while a drag is over the view
    bool dragFromHere_ = false;
};

} // namespace sheafpad
