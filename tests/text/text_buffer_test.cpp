// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/text_buffer.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace sheafpad {
namespace {

// The text with the change applied to before gives after.
bool Describes(const TextChange& c, const std::u16string& before, const std::u16string& after) {
    return c.pos + c.removed <= before.size() && c.pos + c.inserted <= after.size() &&
           before.substr(0, c.pos) + after.substr(c.pos, c.inserted) +
                   before.substr(c.pos + c.removed) ==
               after;
}

void ExpectSame(const TextBuffer& buffer, const std::u16string& model, std::minstd_rand& random) {
    ASSERT_EQ(buffer.Length(), model.size());
    ASSERT_EQ(buffer.Text(0, model.size() + 5), model);
    std::vector<size_t> starts{0};
    for (size_t i = 0; i < model.size(); ++i) {
        if (model[i] == u'\n') {
            starts.push_back(i + 1);
        }
    }
    ASSERT_EQ(buffer.LineCount(), starts.size());
    std::vector<size_t> feeds{};
    buffer.ForEachLineFeed([&](size_t feed) { feeds.push_back(feed + 1); });
    feeds.insert(feeds.begin(), 0);
    ASSERT_EQ(feeds, starts);
    for (int probe = 0; probe < 5; ++probe) {
        const size_t line = random() % starts.size();
        ASSERT_EQ(buffer.LineStart(line), starts[line]);
        const size_t end = line + 1 < starts.size() ? starts[line + 1] - 1 : model.size();
        ASSERT_EQ(buffer.LineLength(line), end - starts[line]);
        const size_t pos = random() % (model.size() + 1);
        const size_t expected =
            std::upper_bound(starts.begin(), starts.end(), pos) - starts.begin();
        ASSERT_EQ(buffer.LineOfPosition(pos), expected - 1) << pos;
        if (pos < model.size()) {
            ASSERT_EQ(buffer.At(pos), model[pos]);
            const size_t count = random() % 50;
            ASSERT_EQ(buffer.Text(pos, count), model.substr(pos, count));
        }
    }
}

// Random edits, groups, undos and redos against a plain string and its own
// history of whole texts; every returned change must describe what changed,
// and a snapshot must keep its text while the buffer goes on.
TEST(TextBuffer, MatchesAPlainStringThroughEditsAndUndo) {
    std::minstd_rand random(7);
    std::u16string model = u"first line\nsecond\n\nfourth, the last";
    TextBuffer buffer(model);
    std::vector<std::u16string> undo{}, redo{};
    const std::u16string alphabet = u"ab\n\u00e9\U0001F600xyz\n";
    TextSnapshot snapshot;
    std::u16string snapshotText;
    for (int round = 0; round < 4000; ++round) {
        const int action = random() % 10;
        if (action < 6) {
            // A group of one to three edits.
            const std::u16string before = model;
            bool edited = false; // an edit that did something makes a step
            const int edits = 1 + random() % 3;
            if (edits > 1) {
                buffer.BeginGroup();
            }
            for (int e = 0; e < edits; ++e) {
                const size_t pos = random() % (model.size() + 1);
                if (random() % 2 == 0 || model.empty()) {
                    std::u16string text;
                    for (size_t n = 1 + random() % 8; n > 0; --n) {
                        text += alphabet[random() % alphabet.size()];
                    }
                    const size_t at = pos + (random() % 4 == 0 ? 3 : 0); // clamped
                    buffer.Insert(at, text);
                    model.insert(std::min(at, model.size()), text);
                    edited = true;
                } else {
                    const size_t count = random() % 12;
                    buffer.Remove(pos, count);
                    edited = edited || (count > 0 && pos < model.size());
                    model.erase(pos, count);
                }
            }
            if (edits > 1) {
                buffer.EndGroup();
            }
            if (edited) {
                undo.push_back(before);
                redo.clear();
            }
        } else if (action < 8) {
            const std::u16string before = model;
            const auto change = buffer.Undo();
            ASSERT_EQ(change.has_value(), !undo.empty());
            if (change) {
                model = undo.back();
                undo.pop_back();
                redo.push_back(before);
                ASSERT_TRUE(Describes(*change, before, model));
            }
        } else if (action < 9) {
            const std::u16string before = model;
            const auto change = buffer.Redo();
            ASSERT_EQ(change.has_value(), !redo.empty());
            if (change) {
                model = redo.back();
                redo.pop_back();
                undo.push_back(before);
                ASSERT_TRUE(Describes(*change, before, model));
            }
        }
        if (round == 2000) {
            snapshot = buffer.Snapshot();
            snapshotText = model;
        }
        ExpectSame(buffer, model, random);
        ASSERT_EQ(buffer.CanUndo(), !undo.empty());
        ASSERT_EQ(buffer.CanRedo(), !redo.empty());
    }
    EXPECT_EQ(snapshot.Text(0, snapshot.Length()), snapshotText);
    EXPECT_EQ(snapshot.LineCount(),
              size_t(std::count(snapshotText.begin(), snapshotText.end(), u'\n') + 1));
    buffer.ClearUndo();
    EXPECT_FALSE(buffer.Undo());
    EXPECT_EQ(buffer.Text(0, buffer.Length()), model);
}

// A 5 MB line: the loaded text is never copied, an insert in the middle cuts
// one piece in two, and typing on grows the typed piece instead of adding one
// per key; undo gives the loaded text back whole.
// A text loaded one byte a unit reads as the same UTF-16 text, in slices
// across its parts, and takes edits and undo as any other.
TEST(TextBuffer, ANarrowTextReadsAndEditsAsTheWideOne) {
    std::minstd_rand random(11);
    std::string units;
    for (int i = 0; i < 100000; ++i) {
        const uint32_t r = random() % 40;
        units += r == 0 ? '\n' : r == 1 ? char(0xE9) : r == 2 ? char(0xFF) : char('a' + r % 26);
    }
    std::u16string model;
    for (const char c : units) {
        model += char16_t(uint8_t(c));
    }
    TextBuffer buffer;
    buffer.LoadNarrow(units);
    ASSERT_NO_FATAL_FAILURE(ExpectSame(buffer, model, random));
    size_t parts = 0;
    std::u16string whole;
    buffer.ForEachChunk(5, model.size(), [&](std::u16string_view part) {
        ++parts;
        whole.append(part);
        return true;
    });
    EXPECT_EQ(whole, model.substr(5));
    EXPECT_GT(parts, 1u) << "one slice for the whole text";
    const TextSnapshot loaded = buffer.Snapshot();
    EXPECT_TRUE(buffer.Holds(loaded));
    buffer.Insert(50000, u"\u20ac\n");
    model.insert(50000, u"\u20ac\n");
    buffer.Remove(10, 20);
    model.erase(10, 20);
    ASSERT_NO_FATAL_FAILURE(ExpectSame(buffer, model, random));
    EXPECT_FALSE(buffer.Holds(loaded));
    buffer.Undo();
    buffer.Undo();
    EXPECT_EQ(buffer.Text(0, buffer.Length()), loaded.Text(0, loaded.Length()));
    EXPECT_FALSE(buffer.Holds(loaded)) << "an undone edit is still an edit";
}

TEST(TextBuffer, EditsInALongLineCopyNothing) {
    const size_t size = 5 * 1024 * 1024;
    std::u16string line(size, u'x');
    line[size - 1] = u'\n';
    const char16_t* loaded = line.data();
    TextBuffer buffer(std::move(line));
    std::u16string_view first;
    buffer.ForEachChunk(0, 10, [&](std::u16string_view part) {
        first = part;
        return false;
    });
    EXPECT_EQ(first.data(), loaded); // moved in, not copied
    ASSERT_EQ(buffer.LineCount(), 2u);

    const size_t middle = size / 2;
    buffer.BeginGroup();
    for (size_t i = 0; i < 1000; ++i) {
        buffer.Insert(middle + i, i == 500 ? u"\n" : u"y");
    }
    buffer.EndGroup();
    EXPECT_EQ(buffer.PieceCount(), 3u);
    EXPECT_EQ(buffer.StoredUnits(), size + 1000);
    EXPECT_EQ(buffer.LineCount(), 3u);
    EXPECT_EQ(buffer.LineStart(1), middle + 501);
    EXPECT_EQ(buffer.LineOfPosition(middle + 501), 1u);
    EXPECT_EQ(buffer.LineLength(1), size - 1 - middle + 499);
    EXPECT_EQ(buffer.Text(middle - 1, 3), u"xyy");
    int chunks = 0;
    buffer.ForEachChunk(0, buffer.Length(), [&](std::u16string_view) { return ++chunks > 0; });
    EXPECT_EQ(chunks, 3);

    EXPECT_EQ(buffer.Undo(), (TextChange{middle, 1000, 0}));
    EXPECT_EQ(buffer.PieceCount(), 1u);
    EXPECT_EQ(buffer.LineCount(), 2u);
    EXPECT_EQ(buffer.Redo(), (TextChange{middle, 0, 1000}));
    EXPECT_EQ(buffer.LineStart(2), size + 1000);
}

} // namespace
} // namespace sheafpad
