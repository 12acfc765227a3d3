// SPDX-License-Identifier: GPL-3.0-or-later
// The text view's layout: rows of text at a width in a font, made only where
// they are needed, and the estimated rows that the scroll bar counts. It
// reads the buffer and knows nothing of the widget, the caret or scrolling.
//
// A line is cut into chunks of about kChunk characters, each laid out on its
// own (word wrap at the width) when it is first needed and kept in a small
// cache, so a key typed on a 5 MB line lays out one or two chunks, not the
// line. Layout() is the one place where a chunk's QTextLayout is made.
//
// Rows wrap as a layout of the whole line would wrap them: a chunk starts
// where a row starts. Each chunk is laid out with some text of the next one
// after it, and the next chunk's start is moved back to the start of the row
// that holds it there. Starts are first nominal (about k * kChunk); a start
// is checked (and moved) once, when the chunk before it is first laid out,
// which happens before its own chunk is shown; then it stays, so that rows
// already shown never change under the caret. A jump into a long line lays
// out one chunk more, never the line up to there: wrapping begun anywhere
// falls into step with a whole layout's within a few rows, so the start
// reached is a whole layout's too. Checked starts move with the text through
// edits elsewhere in the line; the start after an edited chunk is checked
// again.
//
// Without word wrap a line is one row however long: its chunks stand side
// by side, each at the sum of the widths of those before it (measured once
// laid out, else estimated from their length), so that a key or a paint lays
// out only the chunks it reaches.
//
// Positions are offsets into the text in UTF-16 units; a line break is one.
#pragma once

#include "text/prefix_sums.h"
#include "text/text_buffer.h"

#include <QFont>
#include <QList>
#include <QRawFont>
#include <QRgb>
#include <QString>
#include <QTextLayout>
#include <list>
#include <map>
#include <memory>
#include <vector>

namespace sheafpad {

// Colours for the text view's characters (syntax colours): told of every
// change of the text at once, and asked for the colours of each row as it is
// painted (never as a row is laid out, so that new colours cost a paint, not
// a layout).
class TextColours {
public:
    virtual ~TextColours() = default;
    // Characters in one colour: start counts from the position asked for.
    struct Run {
        int start = 0;
        int length = 0;
        QRgb colour = 0;
    };
    // change was made to the text; loaded: the whole text was replaced.
    virtual void TextChanged(const TextChange& change, bool loaded) = 0;
    // The coloured stretches of [pos, pos + length), in order, into runs
    // (emptied first: the painter reuses it for every row); the rest of the
    // text is in the text's colour.
    virtual void Colours(qsizetype pos, qsizetype length, std::vector<Run>& runs) const = 0;
    // The view shows [from, to) of the text now (told at every paint).
    virtual void Shown(qsizetype from, qsizetype to) = 0;
};

class TextLayout {
public:
    // Characters in a chunk, about: laying out this many takes a millisecond
    // or less, so a key on a long line costs that, whatever the line's length.
    static constexpr qsizetype kChunk = 4096;

    // One laid-out chunk of a line.
    // A row's glyphs as the painter draws them in colours, found when it is
    // first painted so and kept with its chunk: a glyph a character from the
    // row's first on, or none (simple false: the layout draws the row).
    struct RowGlyphs {
        bool found = false;
        bool simple = false;
        QRawFont font;
        std::vector<quint32> indexes;
        std::vector<float> x; // of each glyph, from the row's origin
        float y = 0;          // of the row's baseline
    };
    struct Laid {
        std::unique_ptr<QTextLayout> layout;
        qsizetype start = 0; // its first position, counted from the line's start
        int length = 0;      // characters in it
        int rows = 0;        // its rows: the first lines of the layout
        bool last = false;   // the line's last chunk
        // Where the input method's composition stands in it (-1: none): the
        // layout's text holds the composed text there.
        int preeditAt = -1;
        mutable std::vector<RowGlyphs> glyphs; // by row, as painted in colours
    };
    // A row: the chunk it is in and its line within the chunk's layout.
    struct Row {
        qsizetype line = 0;
        qsizetype chunk = 0;
        int index = 0;
        bool operator==(const Row&) const = default;
    };

    explicit TextLayout(const TextBuffer& buffer);
    ~TextLayout();
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;

    // The font (tab stops every four of its columns) and the width in pixels
    // at which rows wrap; a change drops every layout.
    void SetFont(const QFont& font);
    const QFont& Font() const { return font_; }
    void SetWidth(int width);
    int Width() const { return width_; }
    // Word wrap (on at first). Off, a row is a whole line, its chunks side by
    // side (ChunkX).
    void SetWrap(bool wrap);
    bool Wraps() const { return wraps_; }
    // The width rows are laid out at while they do not wrap.
    static constexpr int kUnwrappedWidth = 1 << 22;
    // The length of the longest line (found when asked after a change).
    qsizetype LongestLine() const;
    // The widest printable ASCII character.
    qreal AsciiWidth() const { return asciiWidth_; }
    // The width a character is taken to have in a chunk not yet laid out.
    qreal EstimatedCharWidth() const { return estimatedCharWidth_; }
    // Wrapping and tab stops, as every chunk is laid out with them.
    const QTextOption& Option() const { return option_; }
    int RowHeight() const { return rowHeight_; }
    // The input method's composition, shown at pos (none when text is empty).
    void SetPreedit(qsizetype pos, const QString& text,
                    const QList<QTextLayout::FormatRange>& formats);

    // Chunks.
    qsizetype ChunkCount(qsizetype line) const;
    qsizetype ChunkOf(qsizetype line, qsizetype offset) const;
    const Laid& Layout(qsizetype line, qsizetype chunk) const;
    // Row index of a chunk (never past its last row).
    static QTextLine RowLine(const Laid& laid, int index);
    // The text position of a chunk's first character.
    qsizetype ChunkPosition(qsizetype line, const Laid& laid) const;
    // Without word wrap: where the chunk starts in its line's row (0 while
    // wrapping), its width, and the chunk that holds x of the row.
    qreal ChunkX(qsizetype line, qsizetype chunk) const;
    // Where chunk starts, from its line's start (without laying it out).
    qsizetype ChunkStart(qsizetype line, qsizetype chunk) const;
    qreal ChunkWidth(qsizetype line, qsizetype chunk) const;
    qsizetype ChunkAtX(qsizetype line, qreal x) const;
    // How many chunk layouts were made so far (for tests and benchmarks).
    qint64 LayoutsMade() const { return layoutsMade_; }

    // Rows. Without word wrap a row is a line (chunk and index 0); the row
    // of its chunk that holds pos is ChunkRowOf(pos) (the same as RowOf
    // while wrapping).
    Row RowOf(qsizetype pos) const;
    Row ChunkRowOf(qsizetype pos) const;
    qsizetype RowStart(const Row& row) const;
    // Where End puts the caret: before the next row's start.
    qsizetype RowEnd(const Row& row) const;
    bool IsLastRowOfLine(const Row& row) const;
    bool NextRow(Row& row) const;
    bool PreviousRow(Row& row) const;
    // The position in row nearest to x, and the x of pos in its row (from
    // the start of a row that does not wrap).
    qsizetype PositionInRow(const Row& row, qreal x) const;
    qreal XOf(qsizetype pos) const;
    qsizetype NextCursorStop(qsizetype pos, QTextLayout::CursorMode mode) const;
    qsizetype PreviousCursorStop(qsizetype pos, QTextLayout::CursorMode mode) const;
    // The rows of line known without laying it out: 1 for a line of printable
    // ASCII that is certainly narrower than the width, else -1 (a report or
    // a page of short lines is walked through without shaping it).
    int KnownRows(qsizetype line) const;
    // The rows of line when it is one chunk whose layout is cached, else -1
    // (before a change, to see whether the lines below it move).
    int CachedRows(qsizetype line) const;

    // Changes of the text. Reset after the whole text was replaced; Changed
    // after each edit, with the line count before it.
    void Reset();
    void Changed(const TextChange& change, qsizetype linesBefore);
    // Drops the cached layouts of the chunks that hold [pos, pos + count).
    void Drop(qsizetype pos, qsizetype count);
    void DropAll();
    // Keeps the cache within its bounds.
    void Trim() const;

    // The scroll bar's estimated rows: of a line of length, and their sums by line.
    int EstimatedRows(qsizetype lineLength) const;
    const PrefixSums& Estimates() const;
    qsizetype LineLength(qsizetype line) const { return qsizetype(lineLength_[size_t(line)]); }

private:
    struct CacheEntry {
        Laid laid;
        std::list<quint64>::iterator use;
    };
    static quint64 Key(qsizetype line, qsizetype chunk) {
        return (quint64(line) << 24) | quint64(chunk);
    }
    // The chunk starts of a line longer than kChunk, from the line's start
    // (starts[0] == 0), and for each whether the chunk before it, as it is
    // laid out now, starts a row there.
    struct Seams {
        std::vector<qsizetype> starts;
        std::vector<char> checked;
        std::vector<float> widths; // laid out without wrap (< 0: not yet)
    };
    // The seams of line, made when first needed; nullptr for a line of one chunk.
    Seams* SeamsOf(qsizetype line) const;
    // The chunk whose span holds offset, by the starts as they are now.
    qsizetype StoredChunkOf(qsizetype line, qsizetype offset) const;
    // Makes sure that the start of chunk was checked: lays out the chunk before.
    void Check(qsizetype line, qsizetype chunk) const;
    // Where a chunk may start at about offset: never between the halves of a pair.
    qsizetype ChunkStartAt(qsizetype line, qsizetype offset) const;
    // Characters of the next chunk laid out with a chunk: more than a row.
    qsizetype Lookahead() const;
    Laid Make(qsizetype line, qsizetype chunk) const;
    // Moves the start of chunk of line (not yet shown) to start.
    void MoveSeam(Seams& seams, qsizetype line, qsizetype chunk, qsizetype start) const;
    // Keeps the seams of line through an edit within it.
    void EditSeams(qsizetype line, qsizetype offset, qsizetype removed, qsizetype inserted);
    // Keeps the layouts of the chunks after the edited one: was holds each
    // chunk's number before the edit (-1: new), delta how far they moved.
    void KeepLaterChunks(qsizetype line, qsizetype edited, const std::vector<qsizetype>& was,
                         qsizetype delta);
    void DropFrom(qsizetype line, qsizetype chunk, bool laterLines);
    void Evict(std::map<quint64, CacheEntry>::iterator entry) const;
    QString Text(qsizetype pos, qsizetype count) const;

    const TextBuffer& buffer_;
    QFont font_;
    QTextOption option_;
    int width_ = 1;
    int viewWidth_ = 1; // asked for by SetWidth: width_ while wrapping
    bool wraps_ = true;
    mutable qsizetype longest_ = 0;
    mutable bool longestStale_ = true;
    int rowHeight_ = 1;
    qreal charWidth_ = 1;  // an average character, for the estimates
    qreal asciiWidth_ = 1; // the widest printable ASCII character
    qreal estimatedCharWidth_ = 1;
    qsizetype preeditPos_ = -1, preeditLine_ = -1;
    QString preedit_;
    QList<QTextLayout::FormatRange> preeditFormats_;

    // Laid-out chunks by (line, chunk), in order, so that the chunks of a
    // range of lines are found without a scan; least recently used first in
    // order_.
    mutable std::map<quint64, CacheEntry> layouts_;
    mutable std::list<quint64> order_;
    mutable std::map<quint64, CacheEntry>::iterator recent_ = layouts_.end(); // the last asked
    mutable qsizetype cachedChars_ = 0;
    mutable qint64 layoutsMade_ = 0;
    // Seams of the long lines laid out so far, by line.
    mutable std::map<qsizetype, Seams> seams_;

    // Length of each line, kept with every edit, and the estimated rows of
    // each line, built anew when stale (a load, a new width or font, lines
    // added or removed) and changed line by line by typing.
    std::vector<uint32_t> lineLength_;
    // KnownRows() of each line once found (0: not yet), kept like the lengths.
    mutable std::vector<int8_t> known_;
    mutable PrefixSums estimates_;
    mutable bool estimatesStale_ = true;
    mutable qreal charsPerRow_ = 1; // of the estimates, as of the last rebuild
};

} // namespace sheafpad
