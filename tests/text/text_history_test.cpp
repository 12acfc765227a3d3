// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/text_buffer.h"

#include <gtest/gtest.h>
#include <random>

namespace sheafpad {
namespace {

// A text of distinct characters, so that each says where it came from.
std::u16string Distinct(char16_t first, size_t count) {
    std::u16string text;
    for (size_t i = 0; i < count; ++i) {
        text += char16_t(first + i);
    }
    return text;
}

TEST(TextHistory, PositionsAndRangesOfAnOldRevisionFindTheirCharactersThroughEditsUndoAndRedo) {
    const std::u16string original = Distinct(0x4E00, 300);
    TextBuffer buffer(original);
    const uint64_t old = buffer.Revision();
    std::mt19937 random(7);
    char16_t next = 0x3040;
    for (int i = 0; i < 60; ++i) {
        const size_t pos = random() % (buffer.Length() + 1);
        if (random() % 3 == 0) {
            buffer.Remove(pos, random() % 9);
        } else if (random() % 2 == 0) {
            buffer.Insert(pos, Distinct(next, 1 + random() % 4));
            next += 8;
        } else { // a replacement, as the view makes one: one undo step
            buffer.BeginGroup();
            buffer.Remove(pos, 3);
            buffer.Insert(pos, Distinct(next, 2));
            buffer.EndGroup();
            next += 8;
        }
    }
    ASSERT_TRUE(buffer.Undo());
    ASSERT_TRUE(buffer.Undo());
    ASSERT_TRUE(buffer.Redo());
    EXPECT_GT(buffer.Revision(), old + 60); // a replacement counts its removal and insertion
    const std::u16string now = buffer.Text(0, buffer.Length());
    const TextHistory& history = buffer.History();
    size_t kept = 0;
    for (size_t pos = 0; pos < original.size(); ++pos) {
        const size_t at = now.find(original[pos]);
        const std::optional<size_t> moved = history.Move(pos, old, Stick::After);
        ASSERT_TRUE(moved);
        if (at != std::u16string::npos) {
            EXPECT_EQ(*moved, at) << "character " << pos;
            ++kept;
        }
    }
    EXPECT_GT(kept, 100u);
    // The kept parts of a range are its characters that are still there, in order.
    std::u16string parts;
    EXPECT_TRUE(history.ForEachKeptPart(
        TextRange{50, 250}, old, [&](size_t offset, size_t at, size_t length) {
            EXPECT_EQ(now.substr(at, length), original.substr(50 + offset, length));
            parts += now.substr(at, length);
        }));
    std::u16string survivors;
    for (const char16_t c : original.substr(50, 200)) {
        if (now.find(c) != std::u16string::npos) {
            survivors += c;
        }
    }
    EXPECT_EQ(parts, survivors);
}

TEST(TextHistory, InsertionsSticksAndTheReachOfTheHistory) {
    TextBuffer buffer(u"abcdef");
    const uint64_t before = buffer.Revision();
    buffer.Insert(2, u"XY");
    // At the insertion point a position stays before or goes after as asked;
    // a range does not take in what is inserted at its ends.
    EXPECT_EQ(buffer.History().Move(2, before, Stick::Before), 2u);
    EXPECT_EQ(buffer.History().Move(2, before, Stick::After), 4u);
    EXPECT_EQ(buffer.History().Move(TextRange{0, 2}, before), (TextRange{0, 2}));
    EXPECT_EQ(buffer.History().Move(TextRange{2, 4}, before), (TextRange{4, 6}));
    buffer.Remove(1, 4); // "bXYc": a range inside shrinks to the place, one after moves up
    EXPECT_EQ(buffer.History().Move(TextRange{1, 2}, before), (TextRange{1, 1}));
    EXPECT_EQ(buffer.History().Move(TextRange{3, 5}, before), (TextRange{1, 3}));
    EXPECT_EQ(buffer.Text(0, buffer.Length()), u"adef");

    // A position of a revision to come, or of a text since replaced, or
    // older than the history keeps, cannot be moved.
    EXPECT_FALSE(buffer.History().Move(0, buffer.Revision() + 1, Stick::After));
    const uint64_t last = buffer.Revision();
    buffer.Load(u"another text");
    EXPECT_EQ(buffer.History().FirstRevision(), buffer.Revision());
    EXPECT_FALSE(buffer.History().Move(0, last, Stick::After));
    const uint64_t wide = buffer.Revision();
    buffer.LoadNarrow("one byte a character"); // a text loaded narrow replaces it too
    EXPECT_GT(buffer.Revision(), wide);
    EXPECT_FALSE(buffer.History().Move(0, wide, Stick::After));
    EXPECT_FALSE(
        buffer.History().ForEachKeptPart(TextRange{0, 1}, last, [](size_t, size_t, size_t) {
            ADD_FAILURE() << "a part of a text that is gone";
        }));
    const uint64_t loaded = buffer.Revision();
    for (size_t i = 0; i <= TextHistory::kKeptChanges; ++i) {
        buffer.Insert(0, u"x");
    }
    EXPECT_FALSE(buffer.History().Reaches(loaded));
    EXPECT_EQ(buffer.History().Move(0, loaded + 1, Stick::After), TextHistory::kKeptChanges);
}

} // namespace
} // namespace sheafpad
