// SPDX-License-Identifier: GPL-3.0-or-later
// The text view: painting the rows shown, in the text's colours, with the
// selection and the caret.
#include "textview/text_view.h"

#include <QGlyphRun>
#include <QPaintEvent>
#include <QPainter>
#include <QRawFont>
#include <QTextLine>
#include <algorithm>
#include <utility>
#include <vector>

namespace sheafpad {

namespace {

// A stretch of a row's characters, offsets in its layout's text, and the
// colour they are drawn in.
struct Stretch {
    int from, to;
    QRgb colour;
};

// What DrawRow fills for each row, kept from row to row.
struct RowScratch {
    std::vector<TextColours::Run> runs;
    std::vector<Stretch> stretches;
};

// A character that a font shows as a glyph of its own, in the order of the
// text: no control, half of a pair, combining mark, nor any written right
// to left. (Whether the font has it the shaping tells: a row of characters
// taken from another font is more than one run.)
bool SimpleChar(QChar c) {
    const char16_t u = c.unicode();
    if (u == u'\t' || (u >= 0x20 && u < 0x7F) || (u >= 0xA0 && u < 0x300)) {
        return true;
    }
    if (u < 0xA0 || c.isSurrogate() || c.isMark()) {
        return false;
    }
    switch (c.direction()) {
    case QChar::DirL:
    case QChar::DirEN:
    case QChar::DirES:
    case QChar::DirET:
    case QChar::DirCS:
    case QChar::DirON:
    case QChar::DirWS:
        return true;
    default:
        return false;
    }
}

// The glyphs of the rows painted so far, gathered by font and colour, so
// that the coloured text of a view takes a few draws, not one a stretch.
class GlyphBatch {
public:
    // Adds a row of simple characters (Latin letters and signs, no marks,
    // none written right to left) that its layout shaped into one run of a
    // glyph a character, in order. False, having taken nothing, for any
    // other row.
    bool Add(const TextLayout::Laid& laid, int index, const QTextLine& line, QPointF origin,
             const std::vector<Stretch>& stretches) {
        const TextLayout::RowGlyphs& row = GlyphsOf(laid, index, line, stretches);
        if (!row.simple) {
            return false;
        }
        const int rowFrom = stretches.front().from;
        const int drawnTo = rowFrom + int(row.indexes.size());
        const quint32* glyph = row.indexes.data() - rowFrom;
        const float* x = row.x.data() - rowFrom;
        const qreal y = row.y + origin.y();
        Part* part = nullptr;
        for (const Stretch& stretch : stretches) {
            if (!part || part->colour != stretch.colour) {
                part = &PartOf(row.font, stretch.colour);
            }
            for (int i = stretch.from; i < std::min(stretch.to, drawnTo); ++i) {
                part->glyphs.push_back(glyph[i]);
                part->positions.emplace_back(x[i] + origin.x(), y);
            }
        }
        return true;
    }
    // Draws what was gathered.
    void Flush(QPainter& painter) {
        if (parts_.empty()) {
            return;
        }
        const QPen pen = painter.pen();
        QGlyphRun run;
        for (const Part& part : parts_) {
            run.setRawFont(part.font);
            run.setGlyphIndexes(QList<quint32>(part.glyphs.begin(), part.glyphs.end()));
            run.setPositions(QList<QPointF>(part.positions.begin(), part.positions.end()));
            painter.setPen(QColor::fromRgba(part.colour));
            painter.drawGlyphRun(QPointF(0, 0), run);
        }
        painter.setPen(pen);
        parts_.clear();
    }

private:
    struct Part {
        QRawFont font;
        QRgb colour;
        std::vector<quint32> glyphs;
        std::vector<QPointF> positions;
    };
    Part& PartOf(const QRawFont& font, QRgb colour) {
        const auto found = std::find_if(parts_.begin(), parts_.end(), [&](const Part& p) {
            return p.colour == colour && p.font == font;
        });
        return found != parts_.end() ? *found : parts_.emplace_back(Part{font, colour, {}, {}});
    }

    // The row's glyphs, found the first time it is painted in colours.
    static const TextLayout::RowGlyphs& GlyphsOf(const TextLayout::Laid& laid, int index,
                                                 const QTextLine& line,
                                                 const std::vector<Stretch>& stretches) {
        if (laid.glyphs.size() < size_t(laid.rows)) {
            laid.glyphs.resize(size_t(laid.rows));
        }
        TextLayout::RowGlyphs& row = laid.glyphs[size_t(std::clamp(index, 0, laid.rows - 1))];
        if (row.found) {
            return row;
        }
        row.found = true;
        const int rowFrom = stretches.front().from, rowTo = stretches.back().to;
        const QString& text = laid.layout->text();
        if (!std::all_of(text.begin() + rowFrom, text.begin() + rowTo, SimpleChar)) {
            return row;
        }
        const QList<QGlyphRun> runs = line.glyphRuns(rowFrom, rowTo - rowFrom);
        // The spaces that end a wrapped row have no glyphs.
        int drawnTo = rowTo;
        while (drawnTo > rowFrom && (text[drawnTo - 1] == u' ' || text[drawnTo - 1] == u'\t')) {
            --drawnTo;
        }
        if (runs.size() != 1) {
            return row;
        }
        const QList<quint32> indexes = runs.front().glyphIndexes();
        const QList<QPointF> positions = runs.front().positions();
        if (indexes.size() != rowTo - rowFrom && indexes.size() != drawnTo - rowFrom) {
            return row;
        }
        row.simple = true;
        row.font = runs.front().rawFont();
        row.indexes.assign(indexes.begin(), indexes.end());
        row.y = positions.isEmpty() ? 0 : float(positions.front().y());
        for (const QPointF& p : positions) {
            row.simple = row.simple && float(p.y()) == row.y;
            row.x.push_back(float(p.x()));
        }
        return row;
    }

    std::vector<Part> parts_;
};

// Draws a row of laid (its first character at chunk position chunkStart) at
// origin, in colours' colours; the rows that batch can take wait there to be
// drawn with the others.
void DrawRow(QPainter& painter, const TextColours* colours, const TextLayout::Laid& laid,
             qsizetype chunkStart, int index, QPointF origin, GlyphBatch& batch,
             RowScratch& scratch) {
    const QTextLine line = TextLayout::RowLine(laid, index);
    // Offsets in the layout's text, which holds a composition where it
    // stands, and in the chunk's.
    const int at = laid.preeditAt;
    const int composed = at >= 0 ? int(laid.layout->preeditAreaText().size()) : 0;
    auto toText = [&](int i) { return at < 0 || i <= at ? i : std::max(at, i - composed); };
    auto toLayout = [&](int offset) {
        return at >= 0 && offset >= at ? offset + composed : offset;
    };
    const int rowFrom = toText(line.textStart());
    const int rowTo = std::min(toText(line.textStart() + line.textLength()), laid.length);
    std::vector<TextColours::Run>& runs = scratch.runs;
    runs.clear();
    if (colours && rowFrom < rowTo) {
        colours->Colours(chunkStart + rowFrom, rowTo - rowFrom, runs);
    }
    if (runs.empty() && composed == 0) {
        line.draw(&painter, origin); // a plain row, or nothing
        return;
    }
    // The row's stretches of one colour, the uncoloured ones in the pen's.
    std::vector<Stretch>& stretches = scratch.stretches;
    stretches.clear();
    const QPen pen = painter.pen();
    const QRgb plain = pen.color().rgba();
    int done = rowFrom;
    for (const TextColours::Run& run : runs) {
        const int from = std::max(rowFrom + run.start, done);
        const int to = std::min(rowFrom + run.start + run.length, rowTo);
        if (from < to) {
            stretches.push_back({done, from, plain});
            stretches.push_back({from, to, run.colour});
            done = to;
        }
    }
    stretches.push_back({done, rowTo, plain});
    // Each stretch's glyphs in its colour: the layout stays as it was laid
    // out, whatever the colours.
    if (composed == 0 && batch.Add(laid, index, line, origin, stretches)) {
        return;
    }
    batch.Flush(painter); // drawn in order
    for (const Stretch& stretch : stretches) {
        painter.setPen(QColor::fromRgba(stretch.colour));
        // Stretches of the layout's text: the composition may lie between.
        const int mid = at > stretch.from && at < stretch.to ? at : stretch.to;
        for (const auto& [a, b] : {std::pair{stretch.from, mid}, std::pair{mid, stretch.to}}) {
            if (a < b) {
                for (const QGlyphRun& run : line.glyphRuns(toLayout(a), b - a)) {
                    painter.drawGlyphRun(origin, run);
                }
            }
        }
    }
    painter.setPen(pen);
    if (composed > 0 && at < line.textStart() + line.textLength() &&
        at + composed > line.textStart()) {
        // The composition as the layout draws it, with its own formats.
        const qreal x1 = line.cursorToX(at), x2 = line.cursorToX(at + composed);
        painter.save();
        painter.setClipRect(QRectF(origin.x() + std::min(x1, x2), origin.y() + line.y(),
                                   std::abs(x2 - x1), line.height()));
        line.draw(&painter, origin);
        painter.restore();
    }
}

} // namespace

// What a paint draws each piece of a row with.
struct TextView::Painting {
    explicit Painting(QPainter& p) : painter(p) {}
    QPainter& painter;
    QTextCharFormat selected;
    qsizetype selStart = 0, selEnd = 0;
    bool caretDrawn = false;
    qsizetype caret = 0;
    Row caretPiece{-1, 0, 0}; // the caret's row of a chunk
    bool grounds = false;     // marks or highlights to draw under the text
    qsizetype currentLine = -1;
    GlyphBatch batch;
    RowScratch scratch;
};

void TextView::PaintPiece(Painting& painting, const Row& piece, const Laid& laid, QPointF origin,
                          bool ground) const {
    QPainter& painter = painting.painter;
    const QTextLine line = TextLayout::RowLine(laid, piece.index);
    const qsizetype chunkStart = layout_.ChunkPosition(piece.line, laid);
    QList<QTextLayout::FormatRange> selections;
    const qsizetype from = std::max(painting.selStart, chunkStart);
    const qsizetype to = std::min(painting.selEnd, chunkStart + laid.length);
    if (from < to) {
        selections.append({int(from - chunkStart), int(to - from), painting.selected});
    }
    if (painting.grounds || (ground && piece.line == painting.currentLine)) {
        painting.batch.Flush(painter);
        DrawGround(painter, laid, piece.index, origin, chunkStart,
                   ground && piece.line == painting.currentLine);
    }
    DrawRow(painter, colours_, laid, chunkStart, piece.index, origin, painting.batch,
            painting.scratch);
    if (!selections.isEmpty()) {
        painting.batch.Flush(painter); // the selected text is drawn over it
        DrawSelection(painter, laid, piece.index, origin, selections.front());
    }
    if (!painting.caretDrawn || !(painting.caretPiece == piece)) {
        return;
    }
    painting.batch.Flush(painter);
    int offset = int(painting.caret - chunkStart);
    if (!preedit_.isEmpty() && dropCaret_ < 0) {
        offset += preeditCursor_;
    }
    if (overwrite_ && dropCaret_ < 0 && preedit_.isEmpty()) {
        // A block over the character, which shows through it.
        const int next = laid.layout->nextCursorPosition(offset);
        const qreal x = line.cursorToX(offset);
        const qreal width =
            next > offset && offset < laid.length ? line.cursorToX(next) - x : layout_.AsciiWidth();
        QColor block = painter.pen().color();
        block.setAlpha(110);
        painter.fillRect(QRectF(origin.x() + x, origin.y() + line.y(), std::max<qreal>(2, width),
                                layout_.RowHeight()),
                         block);
    } else {
        laid.layout->drawCursor(&painter, origin, offset, 1);
    }
}

void TextView::paintEvent(QPaintEvent* event) {
    layout_.Trim();
    QPainter painter(viewport());
    const QRect area = event->rect();
    if (area.contains(viewport()->rect())) {
        repaintAll_ = false;
    }
    const bool focused = hasFocus() && isActiveWindow();
    const QPalette::ColorGroup group = focused ? QPalette::Active : QPalette::Inactive;
    Painting painting(painter);
    painting.selStart = SelectionStart();
    painting.selEnd = SelectionEnd();
    painting.selected.setBackground(palette().brush(group, QPalette::Highlight));
    painting.selected.setForeground(palette().brush(group, QPalette::HighlightedText));
    painter.setPen(palette().color(group, QPalette::Text));
    painting.caretDrawn = (focused && caretShown_) || dropCaret_ >= 0;
    painting.caret = dropCaret_ >= 0 ? dropCaret_ : caret_;
    if (painting.caretDrawn) {
        painting.caretPiece = layout_.ChunkRowOf(painting.caret);
    }
    painting.grounds = !marked_.empty() || !occurrences_.isEmpty() || !layers_[0].ranges.empty() ||
                       !layers_[1].ranges.empty();
    // The current line's ground, not while a selection shows where the caret is.
    painting.currentLine = HasSelection() ? -1 : caretLine_;
    const bool wraps = layout_.Wraps();
    Row row = layout_.RowOf(top_);
    bool more = true; // rows below the view
    const qreal left = kMargin - HorizontalOffset();
    // The line starts shown, to see whether the gutter still numbers them
    // (an edit within a line that changes its rows moves those below).
    std::vector<std::pair<int, qsizetype>>* lineStarts = gutter_ ? &scratchStarts_ : nullptr;
    if (lineStarts) {
        lineStarts->clear();
    }
    // What the view shows of the text, for the colours.
    qsizetype shownFrom = top_, shownTo = Length();
    for (int y = kMargin; y < viewport()->height(); y += layout_.RowHeight()) {
        if (lineStarts && row.chunk == 0 && row.index == 0) {
            lineStarts->emplace_back(y, row.line);
        }
        // The row's pieces: while wrapping, its one row of a chunk; else
        // the chunks of its line that reach into the view, side by side.
        Row piece = row;
        qreal x = 0;
        if (!wraps) {
            piece.chunk = layout_.ChunkAtX(row.line, -left);
            x = layout_.ChunkX(row.line, piece.chunk);
            if (y == kMargin) {
                shownFrom = qsizetype(buffer_.LineStart(size_t(row.line))) +
                            layout_.ChunkStart(row.line, piece.chunk);
            }
        }
        const bool painted = QRect(0, y, viewport()->width(), layout_.RowHeight()).intersects(area);
        const qsizetype chunks = wraps ? 0 : layout_.ChunkCount(row.line);
        for (bool first = true;; first = false) {
            if (painted) {
                const Laid& laid = layout_.Layout(piece.line, piece.chunk);
                const QTextLine line = TextLayout::RowLine(laid, piece.index);
                PaintPiece(painting, piece, laid, QPointF(left + x, y - line.y()), first);
            }
            if (wraps || piece.chunk + 1 >= chunks) {
                break;
            }
            x += layout_.ChunkWidth(piece.line, piece.chunk); // measured, when laid out
            if (left + x >= viewport()->width()) {
                break;
            }
            ++piece.chunk;
        }
        if (!wraps) {
            shownTo = qsizetype(buffer_.LineStart(size_t(row.line))) +
                      (piece.chunk + 1 < chunks ? layout_.ChunkStart(row.line, piece.chunk + 1)
                                                : layout_.LineLength(row.line));
        }
        if (!layout_.NextRow(row)) {
            more = false;
            break;
        }
    }
    painting.batch.Flush(painter);
    if (colours_) {
        colours_->Shown(shownFrom, more && wraps ? layout_.RowStart(row) : shownTo);
    }
    if (lineStarts && (*lineStarts != gutterRows_ || gutterCaretLine_ != caretLine_)) {
        gutter_->update(); // painted next (scrolls and changes of line have it painted at once)
    }
}

void TextView::DrawSelection(QPainter& painter, const Laid& laid, int index, QPointF origin,
                             const QTextLayout::FormatRange& range) const {
    // The selected part of one row, drawn again over its highlight.
    const QTextLine line = TextLayout::RowLine(laid, index);
    const int rowStart = line.textStart(), rowEnd = line.textStart() + line.textLength();
    const int from = std::max(range.start, rowStart);
    const int to = std::min(range.start + range.length, rowEnd);
    if (from >= to) {
        return;
    }
    const qreal x1 = line.cursorToX(from), x2 = line.cursorToX(to);
    const QRectF band(origin.x() + std::min(x1, x2), origin.y() + line.y(), std::abs(x2 - x1),
                      layout_.RowHeight());
    painter.save();
    painter.fillRect(band, range.format.background());
    painter.setClipRect(band);
    painter.setPen(range.format.foreground().color());
    // Drawn with the selection's format, which overrides the text's colours.
    laid.layout->draw(&painter, origin, {range}, band);
    painter.restore();
}

} // namespace sheafpad
