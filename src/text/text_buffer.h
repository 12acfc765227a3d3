// SPDX-License-Identifier: GPL-3.0-or-later
// The text of the editor pane's own view, held once (the pane does not use it
// yet): UTF-16 code units in which a line break is the one unit '\n' (CR LF
// is converted on loading and saving, not here), with a line index and undo.
//
// Storage is a piece table: the loaded text is kept as it is (moved in, never
// copied) and typed or pasted text goes into append-only blocks, so memory is
// about 2 bytes a character, 8 bytes a line and a small node a piece. A gap
// buffer would move up to the whole 5 MB line whenever the caret jumps, and
// gives no snapshot; a piece table edits in O(log pieces) wherever the caret
// is.
//
// The pieces form a persistent treap (immutable nodes shared between
// versions; an edit copies one root-to-leaf path): each node keeps its
// subtree's length and line-feed count, so position and line look-ups descend
// in O(log pieces), and every buffer keeps the offsets of its line feeds, so
// the line feeds inside one piece are found by binary search, never by
// scanning a long line. Because old versions stay valid, a snapshot for
// another thread is a root plus the blocks it refers to, taken in O(blocks).
// Undo keeps, for each edit, only the pieces it removed and inserted (not old
// roots, whose copied paths would cost KBs a step), and replays them.
// Adjacent pieces that continue each other in one block are joined, so typing
// on grows one piece and undoing an edit mends the pieces it cut.
#pragma once

#include "text/text_history.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sheafpad {

namespace text_buffer_detail {
struct Block;
struct Node;
using NodePtr = std::shared_ptr<const Node>;
} // namespace text_buffer_detail

// Called with consecutive parts of a range; returns false to stop early. A
// part is valid only during the call.
using ChunkFn = std::function<bool(std::u16string_view)>;

// The text as it was when taken, readable from any thread while the buffer
// it came from goes on being edited.
class TextSnapshot {
public:
    TextSnapshot();
    ~TextSnapshot();
    TextSnapshot(const TextSnapshot&);
    TextSnapshot& operator=(const TextSnapshot&);

    size_t Length() const;
    size_t LineCount() const;
    std::u16string Text(size_t pos, size_t count) const;
    // Hands fn the units of [pos, pos + count) as views into the stored
    // blocks, without copying them (a text loaded narrow: widened a slice at
    // a time).
    void ForEachChunk(size_t pos, size_t count, const ChunkFn& fn) const;
    // The revision of the text it is (see TextBuffer::Revision).
    uint64_t Revision() const { return revision_; }

private:
    friend class TextBuffer;
    uint64_t revision_ = 0;
    text_buffer_detail::NodePtr root_;
    std::vector<std::shared_ptr<const text_buffer_detail::Block>> blocks_;
};

class TextBuffer {
public:
    explicit TextBuffer(std::u16string text = {});
    ~TextBuffer();
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    // Replaces the whole text (moved in, not copied) and clears undo.
    void Load(std::u16string text);
    // The same for a text whose every unit is below U+0100, given one byte a
    // unit (Latin-1): kept so, at half the memory. Its parts are handed out
    // as UTF-16 all the same, a slice at a time.
    void LoadNarrow(std::string units);

    size_t Length() const;
    char16_t At(size_t pos) const; // pos < Length()
    std::u16string Text(size_t pos, size_t count) const;
    void ForEachChunk(size_t pos, size_t count, const ChunkFn& fn) const;

    // Edits; pos and count are clamped to the text.
    void Insert(size_t pos, std::u16string_view text);
    void Remove(size_t pos, size_t count);

    // Lines are separated by '\n': an empty text has one line, "a\n" two.
    size_t LineCount() const;
    size_t LineStart(size_t line) const;     // line < LineCount(), else Length()
    size_t LineLength(size_t line) const;    // without its '\n'
    size_t LineOfPosition(size_t pos) const; // pos <= Length()
    // Calls fn with the position of every '\n', in order, from the line
    // index: the text itself is not read.
    void ForEachLineFeed(const std::function<void(size_t)>& fn) const;

    // Edits between the outermost BeginGroup and EndGroup undo as one step;
    // an edit outside any group is a step of its own.
    void BeginGroup();
    void EndGroup();
    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    // Undo the last step (closing an open group first) or redo the last
    // undone one; nullopt when there is none.
    std::optional<TextChange> Undo();
    std::optional<TextChange> Redo();
    void ClearUndo();

    TextSnapshot Snapshot() const;
    // Whether the text is still the very version snapshot was taken of (no
    // edit since, not even one undone again).
    bool Holds(const TextSnapshot& snapshot) const { return root_ == snapshot.root_; }

    // The text's revision: one more with every change (each insertion and
    // removal, each edit that an undo or a redo replays, each Load), and
    // what those changes did to positions: keepers of positions of an older
    // revision move them to the present one with History().Move.
    uint64_t Revision() const { return history_.Revision(); }
    const TextHistory& History() const { return history_; }

    // For tests and benchmarks: how many pieces the text is made of, and how
    // many units the buffers hold (the loaded text plus everything added).
    size_t PieceCount() const;
    size_t StoredUnits() const;

private:
    // One edit: at pos the pieces removed gave way to the pieces inserted.
    struct Edit {
        size_t pos = 0;
        text_buffer_detail::NodePtr removed, inserted;
    };
    struct Step {
        std::vector<Edit> edits;
        TextChange change;
    };
    text_buffer_detail::NodePtr Replace(size_t pos, size_t count, text_buffer_detail::NodePtr with);
    void Record(const Edit& edit, size_t lengthBefore, const TextChange& change);
    void CloseGroup();
    text_buffer_detail::Block& AddBlock(size_t room);

    text_buffer_detail::NodePtr root_;
    std::vector<std::shared_ptr<text_buffer_detail::Block>> blocks_; // [0]: the loaded text
    TextHistory history_;
    std::vector<Step> undo_, redo_;
    // The open group: its depth, its edits so far, the length before it and
    // the prefix and suffix of that text which none of its edits touched.
    int groupDepth_ = 0;
    std::vector<Edit> groupEdits_;
    size_t groupLength_ = 0, groupPrefix_ = 0, groupSuffix_ = 0;
};

} // namespace sheafpad
