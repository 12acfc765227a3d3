// A plain-text view and editor over a TextBuffer that stays fluid on files
// of any size and on lines of megabytes (minified scripts).
//
// The text is held once, in the buffer (line breaks are '\n'). Only what is
// shown is laid out: a line is cut into chunks of about kChunk characters,
// each laid out on its own (word wrap at the view's width) when it is first
// shown and kept in a small cache, so a key typed on a 5 MB line lays out one
// or two chunks, not the line. A chunk ends at a row break, so a long line
// shows one slightly short row per chunk; the text itself is never changed.
//
// The vertical scroll bar counts rows as estimated from each line's length
// (exact rows would need every line laid out); scrolling by rows, keys and
// the caret use the real layout. The top of the view is a text position, the
// start of its first row, so that it survives edits above and below it.
//
// Positions are offsets into the text in UTF-16 units; a line break is one.
#pragma once

#include "text/prefix_sums.h"
#include "text/text_buffer.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QPoint>
#include <QString>
#include <QTextLayout>
#include <limits>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

class QMimeData;

namespace sheafpad {

// Colours for the text view's characters (syntax colours): told of every
// change of the text at once, before anything is laid out again, and asked
// for the formats of each chunk as it is laid out.
class TextColours {
public:
    virtual ~TextColours() = default;
    // change was made to the text; loaded: the whole text was replaced.
    virtual void TextChanged(const TextChange& change, bool loaded) = 0;
    // Formats for [pos, pos + length), their starts counted from pos.
    virtual QList<QTextLayout::FormatRange> Formats(qsizetype pos, qsizetype length) const = 0;
};

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
    // Replaces the whole text (line breaks '\n' only, no NUL) as the program:
    // undo cleared, caret at the start, view at the top.
    void LoadText(std::u16string text);
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
    void ensureCursorVisible() { ScrollToPosition(caret_); }
    void ScrollToPosition(qsizetype pos);
    // The number of whole rows the viewport shows.
    int VisibleRows() const;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    // Colours from colours (not owned; null: the text in its one colour).
    void SetColours(TextColours* colours);
    // The colours of [pos, pos + count) changed: what shows them is laid
    // out again.
    void RecolourRange(qsizetype pos, qsizetype count);
    // For tests and benchmarks: how many chunk layouts were made so far.
    qint64 LayoutsMade() const { return layoutsMade_; }

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
    void cursorPositionChanged();
    void selectionChanged();
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
    // Characters in a chunk, about: laying out this many takes a millisecond
    // or two, so a key on a long line costs that, whatever the line's length.
    static constexpr qsizetype kChunk = 4096;

    // One laid-out chunk of a line.
    struct Laid {
        std::unique_ptr<QTextLayout> layout;
        qsizetype start = 0; // its first position, counted from the line's start
        int length = 0;      // characters in it
    };
    // A row: the chunk it is in and its line within the chunk's layout.
    struct Row {
        qsizetype line = 0;
        qsizetype chunk = 0;
        int index = 0;
    };

    // Chunks. Chunk k of a line starts near k * kChunk, after a space where
    // one is close, so that the short row ends at a word's end.
    qsizetype ChunkStart(qsizetype line, qsizetype lineStart, qsizetype lineLength,
                         qsizetype chunk) const;
    qsizetype ChunkCount(qsizetype lineLength) const;
    qsizetype ChunkOf(qsizetype line, qsizetype lineStart, qsizetype lineLength,
                      qsizetype offset) const;
    const Laid& Layout(qsizetype line, qsizetype chunk) const;
    static quint64 LayoutKey(qsizetype line, qsizetype chunk) {
        return (quint64(line) << 24) | quint64(chunk);
    }
    void TrimCache() const;
    void DropLayouts(qsizetype fromLine, qsizetype fromChunk, bool shiftedLines);
    void DropAllLayouts();

    // Rows.
    Row RowOf(qsizetype pos) const;
    qsizetype RowStart(const Row& row) const;
    // Where End puts the caret: before the next row's start.
    qsizetype RowEnd(const Row& row) const;
    bool IsLastRowOfLine(const Row& row) const;
    bool NextRow(Row& row) const;
    bool PreviousRow(Row& row) const;
    qsizetype LastTop() const; // the top that shows the end at the bottom
    // The row of pos counted from the top row: -1 above it, more than
    // VisibleRows() below the view.
    int ScreenRowOf(qsizetype pos) const;
    // Repaints what an edit within one line changed, from the row before
    // pos on: to the line's end when its rows are as many as before (rows
    // < 0: unknown), else to the bottom.
    void UpdateEditedRows(qsizetype line, qsizetype pos, int rows);
    qsizetype PositionInRow(const Row& row, qreal x) const;

    // Scrolling by the estimated rows of the scroll bar.
    int EstimatedRows(qsizetype lineLength) const;
    void RebuildRowIndex() const;
    void UpdateScrollBar();
    void SetTop(qsizetype pos);
    void ScrollRows(int rows);
    int TextWidth() const;

    // The caret and the selection.
    qsizetype Clamped(qsizetype pos) const;
    void SetMarks(qsizetype anchor, qsizetype caret);
    qsizetype NextCursorStop(qsizetype pos, QTextLayout::CursorMode mode) const;
    qsizetype PreviousCursorStop(qsizetype pos, QTextLayout::CursorMode mode) const;
    qsizetype VerticalMove(qsizetype pos, int rows);
    qsizetype PageMove(int direction);
    void MoveCaret(qsizetype pos, bool select, bool keepGoalX = false);
    void SelectWordAt(qsizetype pos);
    void ExtendSelectionTo(QPoint point);
    void AutoScroll();
    qreal XOf(qsizetype pos) const;

    // Edits.
    void UpdateLineLengths();
    void AfterChange(const TextChange& change, qsizetype linesBefore);
    void EndTypingRun();
    void TypeText(const QString& text);
    void DeleteRange(qsizetype from, qsizetype to);
    void ApplyUndo(bool redo);
    QMimeData* SelectionMimeData() const;
    void SetSelectionClipboard() const;
    void StartDrag();

    // Painting.
    void DrawSelection(QPainter& painter, const Laid& laid, int index, QPointF origin,
                       const QTextLayout::FormatRange& range) const;
    void RestartBlink();
    void UpdateCaret();

    TextBuffer buffer_;
    // Length of each line, kept with every edit: the scroll bar's estimates.
    std::vector<uint32_t> lineLength_;
    // Estimated rows of each line; built anew when stale (a load, a new
    // width, lines added or removed), changed line by line by typing.
    mutable PrefixSums rows_;
    mutable bool rowIndexStale_ = true;

    // Laid-out chunks by (line, chunk), least recently used first in order_.
    struct CacheEntry {
        Laid laid;
        std::list<quint64>::iterator use;
    };
    mutable std::unordered_map<quint64, CacheEntry> layouts_;
    mutable std::list<quint64> order_;
    mutable qsizetype cachedChars_ = 0;
    int layoutWidth_ = -1; // the text width the cached layouts have
    mutable qint64 layoutsMade_ = 0;

    qsizetype top_ = 0;    // the text position at the start of the top row
    qsizetype caret_ = 0;  // where typed text goes
    qsizetype anchor_ = 0; // the selection's other end
    qreal goalX_ = -1;     // the column that Up and Down keep, or -1
    qsizetype maxLength_ = std::numeric_limits<qsizetype>::max();
    bool readOnly_ = false;
    bool typingRun_ = false;   // an open undo group of typed characters
    bool caretShown_ = true;   // the blink's phase
    int syncingScrollBar_ = 0; // the program is setting the scroll bar
    int rowHeight_ = 1;
    qreal charWidth_ = 1;           // an average character, for the estimates
    mutable qreal charsPerRow_ = 1; // of the estimates, as of the last rebuild
    TextColours* colours_ = nullptr;
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
