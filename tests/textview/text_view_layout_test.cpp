// SPDX-License-Identifier: GPL-3.0-or-later
// The text view's layout: a long line laid out a chunk at a time wraps as one
// layout of the whole line does, whatever order its chunks are needed in and
// after edits, and chunks never start inside a character.
#include "textview/text_view_layout.h"

#include <QFontDatabase>
#include <QTextLine>
#include <gtest/gtest.h>
#include <random>

namespace sheafpad {
namespace {

// A minified script on one line of about length characters: tokens, signs,
// strings with combining marks and characters outside the BMP.
std::u16string MinifiedLine(size_t length) {
    const char16_t* const parts[] = {u"function(a,b){return a+b}",
                                     u"var x=",
                                     u"if(e){",
                                     u"}else{",
                                     u"for(var i=0;i<n;i++){",
                                     u"document.getElementById(\"m\")",
                                     u".push(",
                                     u");",
                                     u"\"caf\u00e9 cre\u0301me \U0001F600\"",
                                     u"[1,2,3]",
                                     u" null "};
    std::mt19937 random(7);
    std::u16string text;
    while (text.size() < length) {
        text += parts[random() % std::size(parts)];
    }
    return text;
}

// Where each row of line starts, laid out whole.
std::vector<qsizetype> WholeRows(const std::u16string& line, const TextLayout& layout) {
    QTextLayout whole(QString::fromStdU16String(line), layout.Font());
    whole.setTextOption(layout.Option());
    whole.beginLayout();
    std::vector<qsizetype> starts;
    for (QTextLine row = whole.createLine(); row.isValid(); row = whole.createLine()) {
        row.setLineWidth(layout.Width());
        starts.push_back(row.textStart());
    }
    whole.endLayout();
    return starts;
}

// Where each row of the one-line text starts, laid out in chunks.
std::vector<qsizetype> ChunkedRows(const TextLayout& layout) {
    std::vector<qsizetype> starts;
    TextLayout::Row row = layout.RowOf(0);
    do {
        starts.push_back(layout.RowStart(row));
    } while (layout.NextRow(row));
    return starts;
}

TEST(TextViewLayoutTest, ChunksOfALongLineWrapAsOneLayoutOfTheLine) {
    // A letter and its accent straddle the first chunk's nominal end, in a
    // long token.
    std::u16string text = std::u16string(4095, u'x') + u"e\u0301" + std::u16string(100, u'x') +
                          MinifiedLine(200 * 1024);
    TextBuffer buffer(text);
    TextLayout layout(buffer);
    layout.SetFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout.SetWidth(600);
    ASSERT_GT(layout.ChunkCount(0), 40);

    // Jumps into the line lay out a chunk or two there, not the line up to it.
    for (const qsizetype pos : {qsizetype(text.size()), qsizetype(text.size() / 2)}) {
        const qint64 before = layout.LayoutsMade();
        layout.RowOf(pos);
        EXPECT_LE(layout.LayoutsMade() - before, 3) << "at " << pos;
    }
    EXPECT_EQ(ChunkedRows(layout), WholeRows(text, layout));

    // Right steps over the letter with its accent, Left back before it.
    EXPECT_EQ(layout.NextCursorStop(4095, QTextLayout::SkipCharacters), 4097);
    EXPECT_EQ(layout.PreviousCursorStop(4097, QTextLayout::SkipCharacters), 4095);

    // Words typed into the middle, and a cut across chunks: the rows after
    // them wrap anew, those before stay.
    auto edit = [&](size_t pos, size_t removed, const std::u16string& inserted) {
        layout.RowOf(qsizetype(pos)); // laid out there before the edit
        buffer.Remove(pos, removed);
        buffer.Insert(pos, inserted);
        text.replace(pos, removed, inserted);
        layout.Changed(TextChange{pos, removed, inserted.size()}, 1);
    };
    edit(100'000, 0, u" some words typed here ");
    EXPECT_EQ(ChunkedRows(layout), WholeRows(text, layout));
    edit(50'000, 9'000, u"");
    edit(150'000, 0, MinifiedLine(20'000)); // a paste
    EXPECT_EQ(ChunkedRows(layout), WholeRows(text, layout));
}

// Short lines of ASCII are walked through without laying them out (a report
// of 16,000 names): what is known of them must be what a layout gives.
TEST(TextViewLayoutTest, ShortLinesKnownWithoutALayoutAreOneRowWhenLaidOut) {
    std::u16string text;
    std::mt19937 random(3);
    for (int line = 0; line < 300; ++line) {
        for (size_t length = random() % 120; length > 0; --length) {
            text += char16_t(0x20 + random() % 95);
        }
        text += u'\n';
    }
    TextBuffer buffer(text);
    TextLayout layout(buffer);
    layout.SetFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout.SetWidth(500);
    int known = 0;
    for (qsizetype line = 0; line < qsizetype(buffer.LineCount()); ++line) {
        if (layout.KnownRows(line) == 1) {
            ++known;
            EXPECT_EQ(layout.Layout(line, 0).rows, 1) << "line " << line;
        }
    }
    EXPECT_GT(known, 100);
}

} // namespace
} // namespace sheafpad
