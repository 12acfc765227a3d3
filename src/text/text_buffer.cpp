// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/text_buffer.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <random>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sheafpad {
namespace text_buffer_detail {

// Room of a block for typed and pasted text; a longer insert gets a block of
// its own size.
constexpr size_t kBlockUnits = 64 * 1024;

// The offsets of the line feeds in a block: four bytes each while the
// block holds fewer than 2^32 units (a load of a few gigabytes at most has
// millions of lines), eight beyond.
class LineFeeds {
public:
    explicit LineFeeds(size_t capacity = 0) : far_(capacity > UINT32_MAX) {}
    size_t size() const { return far_ ? farFeeds_.size() : feeds_.size(); }
    size_t operator[](size_t i) const { return far_ ? farFeeds_[i] : feeds_[i]; }
    void reserve(size_t count) { far_ ? farFeeds_.reserve(count) : feeds_.reserve(count); }
    void push_back(size_t offset) {
        if (far_) {
            farFeeds_.push_back(offset);
        } else {
            feeds_.push_back(uint32_t(offset));
        }
    }
    // The index of the first feed at or after offset.
    size_t IndexOf(size_t offset) const {
        return far_ ? size_t(std::lower_bound(farFeeds_.begin(), farFeeds_.end(), offset) -
                             farFeeds_.begin())
                    : size_t(std::lower_bound(feeds_.begin(), feeds_.end(), offset) -
                             feeds_.begin());
    }

private:
    bool far_;
    std::vector<uint32_t> feeds_;
    std::vector<uint64_t> farFeeds_;
};

namespace {

// Appends offset + i to out for each line feed at units[i]. Eight units a
// step where the processor allows: a load runs this over the whole file.
void CollectLineFeeds(const char16_t* units, size_t size, size_t offset, LineFeeds& out) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i feed = _mm_set1_epi16(short(u'\n'));
    for (; i + 8 <= size; i += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
        // Two mask bits per unit.
        auto mask = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi16(eight, feed)));
        while (mask != 0) {
            const int bit = std::countr_zero(mask);
            out.push_back(offset + i + size_t(bit / 2));
            mask &= ~(3u << bit);
        }
    }
#endif
    for (; i < size; ++i) {
        if (units[i] == u'\n') {
            out.push_back(offset + i);
        }
    }
}

} // namespace

// A buffer the pieces point into. Units below used never change once
// written, and data never moves, so a snapshot can read them from another
// thread while the buffer's owner appends. lineFeeds (offsets of the '\n's
// below used) is read only by the owner.
struct Block {
    std::u16string loaded;             // the loaded text, or empty
    std::string narrow;                // or the loaded text, one byte a unit
    std::unique_ptr<char16_t[]> added; // room for appended text, or null
    const char16_t* data = nullptr;    // null for a narrow text
    size_t capacity = 0;
    size_t used = 0;
    LineFeeds lineFeeds;

    char16_t At(size_t i) const { return data != nullptr ? data[i] : char16_t(uint8_t(narrow[i])); }
    size_t FeedIndex(size_t offset) const { return lineFeeds.IndexOf(offset); }
    size_t FeedsIn(size_t begin, size_t end) const { return FeedIndex(end) - FeedIndex(begin); }
    void Append(std::u16string_view text) {
        std::copy(text.begin(), text.end(), added.get() + used);
        CollectLineFeeds(text.data(), text.size(), used, lineFeeds);
        used += text.size();
    }
};

struct Piece {
    const Block* block = nullptr;
    size_t start = 0;
    size_t length = 0;
    size_t lineFeeds = 0;
};

struct Node {
    Piece piece;
    uint32_t priority = 0;
    NodePtr left, right;
    size_t length = 0;    // of the subtree
    size_t lineFeeds = 0; // of the subtree
    size_t pieces = 0;    // of the subtree
};

namespace {

size_t Len(const NodePtr& n) {
    return n ? n->length : 0;
}
size_t Feeds(const NodePtr& n) {
    return n ? n->lineFeeds : 0;
}
size_t Pieces(const NodePtr& n) {
    return n ? n->pieces : 0;
}

uint32_t RandomPriority() {
    static thread_local std::minstd_rand random(0x5eaf);
    return uint32_t(random());
}

NodePtr Make(const Piece& piece, uint32_t priority, NodePtr left, NodePtr right) {
    auto n = std::make_shared<Node>();
    n->piece = piece;
    n->priority = priority;
    n->length = Len(left) + piece.length + Len(right);
    n->lineFeeds = Feeds(left) + piece.lineFeeds + Feeds(right);
    n->pieces = Pieces(left) + 1 + Pieces(right);
    n->left = std::move(left);
    n->right = std::move(right);
    return n;
}

NodePtr Merge(const NodePtr& a, const NodePtr& b) {
    if (!a || !b) {
        return a ? a : b;
    }
    if (a->priority >= b->priority) {
        return Make(a->piece, a->priority, a->left, Merge(a->right, b));
    }
    return Make(b->piece, b->priority, Merge(a, b->left), b->right);
}

Piece Cut(const Piece& p, size_t from, size_t to) {
    const size_t start = p.start + from, end = p.start + to;
    return Piece{p.block, start, to - from, p.block->FeedsIn(start, end)};
}

// The first pos units and the rest.
std::pair<NodePtr, NodePtr> Split(const NodePtr& n, size_t pos) {
    if (!n) {
        return {};
    }
    const size_t leftLength = Len(n->left);
    if (pos <= leftLength) {
        auto [a, b] = Split(n->left, pos);
        return {a, Make(n->piece, n->priority, b, n->right)};
    }
    const size_t inPiece = pos - leftLength;
    if (inPiece >= n->piece.length) {
        auto [a, b] = Split(n->right, inPiece - n->piece.length);
        return {Make(n->piece, n->priority, n->left, a), b};
    }
    const Piece& p = n->piece;
    return {Make(Cut(p, 0, inPiece), n->priority, n->left, nullptr),
            Merge(Make(Cut(p, inPiece, p.length), RandomPriority(), nullptr, nullptr), n->right)};
}

// n with its last piece grown by units appended right behind it in its block.
NodePtr GrowLast(const NodePtr& n, size_t units, size_t lineFeeds) {
    if (n->right) {
        return Make(n->piece, n->priority, n->left, GrowLast(n->right, units, lineFeeds));
    }
    Piece p = n->piece;
    p.length += units;
    p.lineFeeds += lineFeeds;
    return Make(p, n->priority, n->left, nullptr);
}

const Piece* LastPiece(const Node* n) {
    while (n && n->right) {
        n = n->right.get();
    }
    return n ? &n->piece : nullptr;
}

const Piece* FirstPiece(const Node* n) {
    while (n && n->left) {
        n = n->left.get();
    }
    return n ? &n->piece : nullptr;
}

// a followed by b, the pieces at the seam joined when one continues the
// other in the same block.
NodePtr Join(NodePtr a, NodePtr b) {
    const Piece* last = LastPiece(a.get());
    const Piece* first = FirstPiece(b.get());
    if (last && first && last->block == first->block &&
        last->start + last->length == first->start) {
        const Piece grow = *first;
        a = GrowLast(a, grow.length, grow.lineFeeds);
        b = Split(b, grow.length).second;
    }
    return Merge(a, b);
}

bool Visit(const Node* n, size_t offset, size_t begin, size_t end, const ChunkFn& fn) {
    if (!n || begin >= offset + n->length || end <= offset) {
        return true;
    }
    if (!Visit(n->left.get(), offset, begin, end, fn)) {
        return false;
    }
    const size_t pieceAt = offset + Len(n->left);
    const size_t from = std::max(begin, pieceAt), to = std::min(end, pieceAt + n->piece.length);
    const Block& block = *n->piece.block;
    const size_t start = n->piece.start + (from - pieceAt);
    if (from < to && block.data != nullptr &&
        !fn(std::u16string_view(block.data + start, to - from))) {
        return false;
    }
    if (from < to && block.data == nullptr) {
        // Widened a slice at a time, into room of this call's own.
        constexpr size_t kSlice = 16 * 1024;
        char16_t slice[kSlice];
        for (size_t at = start, stop = start + (to - from); at < stop;) {
            const size_t size = std::min(kSlice, stop - at);
            const auto* units = reinterpret_cast<const uint8_t*>(block.narrow.data() + at);
            std::copy(units, units + size, slice);
            if (!fn(std::u16string_view(slice, size))) {
                return false;
            }
            at += size;
        }
    }
    return Visit(n->right.get(), pieceAt + n->piece.length, begin, end, fn);
}

void ForEach(const NodePtr& root, size_t pos, size_t count, const ChunkFn& fn) {
    pos = std::min(pos, Len(root));
    count = std::min(count, Len(root) - pos);
    if (count > 0) {
        Visit(root.get(), 0, pos, pos + count, fn);
    }
}

void VisitFeeds(const Node* n, size_t offset, const std::function<void(size_t)>& fn) {
    if (!n) {
        return;
    }
    VisitFeeds(n->left.get(), offset, fn);
    const size_t pieceAt = offset + Len(n->left);
    const Piece& p = n->piece;
    const size_t first = p.block->FeedIndex(p.start);
    for (size_t i = 0; i < p.lineFeeds; ++i) {
        fn(pieceAt + p.block->lineFeeds[first + i] - p.start);
    }
    VisitFeeds(n->right.get(), pieceAt + p.length, fn);
}

std::u16string Copy(const NodePtr& root, size_t pos, size_t count) {
    std::u16string text;
    text.reserve(std::min(count, Len(root)));
    ForEach(root, pos, count, [&](std::u16string_view part) {
        text.append(part);
        return true;
    });
    return text;
}

} // namespace
} // namespace text_buffer_detail

using namespace text_buffer_detail;

TextSnapshot::TextSnapshot() = default;
TextSnapshot::~TextSnapshot() = default;
TextSnapshot::TextSnapshot(const TextSnapshot&) = default;
TextSnapshot& TextSnapshot::operator=(const TextSnapshot&) = default;
size_t TextSnapshot::Length() const {
    return Len(root_);
}
size_t TextSnapshot::LineCount() const {
    return Feeds(root_) + 1;
}
std::u16string TextSnapshot::Text(size_t pos, size_t count) const {
    return Copy(root_, pos, count);
}
void TextSnapshot::ForEachChunk(size_t pos, size_t count, const ChunkFn& fn) const {
    ForEach(root_, pos, count, fn);
}

TextBuffer::TextBuffer(std::u16string text) {
    Load(std::move(text));
}
TextBuffer::~TextBuffer() = default;

void TextBuffer::Load(std::u16string text) {
    auto block = std::make_shared<Block>();
    block->loaded = std::move(text);
    block->data = block->loaded.data();
    block->capacity = block->used = block->loaded.size();
    block->lineFeeds = LineFeeds(block->capacity);
    // Counting first (a vectorised pass) sizes the index exactly.
    const char16_t* units = block->data;
    const size_t size = block->used;
    block->lineFeeds.reserve(size_t(std::count(units, units + size, u'\n')));
    CollectLineFeeds(units, size, 0, block->lineFeeds);
    const Piece whole{block.get(), 0, block->used, block->lineFeeds.size()};
    root_ = whole.length > 0 ? Make(whole, RandomPriority(), nullptr, nullptr) : nullptr;
    blocks_.assign(1, std::move(block));
    history_.Reset();
    groupDepth_ = 0;
    ClearUndo();
}

void TextBuffer::LoadNarrow(std::string units) {
    auto block = std::make_shared<Block>();
    block->narrow = std::move(units);
    block->capacity = block->used = block->narrow.size();
    block->lineFeeds = LineFeeds(block->capacity);
    const char* begin = block->narrow.data();
    const char* const end = begin + block->narrow.size();
    block->lineFeeds.reserve(size_t(std::count(begin, end, '\n')));
    for (const char* p = begin;
         (p = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)))); ++p) {
        block->lineFeeds.push_back(size_t(p - begin));
    }
    const Piece whole{block.get(), 0, block->used, block->lineFeeds.size()};
    root_ = whole.length > 0 ? Make(whole, RandomPriority(), nullptr, nullptr) : nullptr;
    blocks_.assign(1, std::move(block));
    history_.Reset();
    groupDepth_ = 0;
    ClearUndo();
}

size_t TextBuffer::Length() const {
    return Len(root_);
}

char16_t TextBuffer::At(size_t pos) const {
    const Node* n = root_.get();
    while (n) {
        const size_t leftLength = Len(n->left);
        if (pos < leftLength) {
            n = n->left.get();
        } else if (pos - leftLength < n->piece.length) {
            return n->piece.block->At(n->piece.start + pos - leftLength);
        } else {
            pos -= leftLength + n->piece.length;
            n = n->right.get();
        }
    }
    return u'\0';
}

std::u16string TextBuffer::Text(size_t pos, size_t count) const {
    return Copy(root_, pos, count);
}

void TextBuffer::ForEachChunk(size_t pos, size_t count, const ChunkFn& fn) const {
    ForEach(root_, pos, count, fn);
}

void TextBuffer::ForEachLineFeed(const std::function<void(size_t)>& fn) const {
    VisitFeeds(root_.get(), 0, fn);
}

Block& TextBuffer::AddBlock(size_t room) {
    Block* last = blocks_.size() > 1 ? blocks_.back().get() : nullptr;
    if (!last || last->capacity - last->used < room) {
        auto block = std::make_shared<Block>();
        block->capacity = std::max(room, kBlockUnits);
        block->added.reset(new char16_t[block->capacity]);
        block->data = block->added.get();
        blocks_.push_back(block);
        last = block.get();
    }
    return *last;
}

NodePtr TextBuffer::Replace(size_t pos, size_t count, NodePtr with) {
    auto [left, rest] = Split(root_, pos);
    auto [removed, right] = Split(rest, count);
    root_ = Join(Join(left, with), right);
    if (count > 0 || with) {
        history_.Add(TextChange{pos, count, Len(with)});
    }
    return removed;
}

void TextBuffer::Insert(size_t pos, std::u16string_view text) {
    pos = std::min(pos, Length());
    if (text.empty()) {
        return;
    }
    Block& block = AddBlock(text.size());
    const size_t start = block.used;
    block.Append(text);
    const Piece piece{&block, start, text.size(), block.FeedsIn(start, block.used)};
    const size_t lengthBefore = Length();
    const NodePtr inserted = Make(piece, RandomPriority(), nullptr, nullptr);
    Replace(pos, 0, inserted);
    Record(Edit{pos, nullptr, inserted}, lengthBefore, TextChange{pos, 0, text.size()});
}

void TextBuffer::Remove(size_t pos, size_t count) {
    pos = std::min(pos, Length());
    count = std::min(count, Length() - pos);
    if (count == 0) {
        return;
    }
    const size_t lengthBefore = Length();
    const NodePtr removed = Replace(pos, count, nullptr);
    Record(Edit{pos, removed, nullptr}, lengthBefore, TextChange{pos, count, 0});
}

size_t TextBuffer::LineCount() const {
    return Feeds(root_) + 1;
}

size_t TextBuffer::LineStart(size_t line) const {
    if (line == 0) {
        return 0;
    }
    if (line >= LineCount()) {
        return Length();
    }
    // Just after the line-th '\n'.
    size_t offset = 0;
    const Node* n = root_.get();
    while (n) {
        if (line <= Feeds(n->left)) {
            n = n->left.get();
            continue;
        }
        line -= Feeds(n->left);
        offset += Len(n->left);
        const Piece& p = n->piece;
        if (line <= p.lineFeeds) {
            const size_t feed = p.block->lineFeeds[p.block->FeedIndex(p.start) + line - 1];
            return offset + (feed - p.start) + 1;
        }
        line -= p.lineFeeds;
        offset += p.length;
        n = n->right.get();
    }
    return Length();
}

size_t TextBuffer::LineLength(size_t line) const {
    const size_t start = LineStart(line);
    return line + 1 < LineCount() ? LineStart(line + 1) - 1 - start : Length() - start;
}

size_t TextBuffer::LineOfPosition(size_t pos) const {
    // The '\n's before pos.
    size_t line = 0;
    const Node* n = root_.get();
    while (n) {
        const size_t leftLength = Len(n->left);
        if (pos <= leftLength) {
            n = n->left.get();
            continue;
        }
        const Piece& p = n->piece;
        line += Feeds(n->left);
        pos -= leftLength;
        if (pos <= p.length) {
            return line + p.block->FeedsIn(p.start, p.start + pos);
        }
        line += p.lineFeeds;
        pos -= p.length;
        n = n->right.get();
    }
    return line;
}

void TextBuffer::BeginGroup() {
    ++groupDepth_;
}

void TextBuffer::EndGroup() {
    if (groupDepth_ > 0 && --groupDepth_ == 0 && !groupEdits_.empty()) {
        CloseGroup();
    }
}

void TextBuffer::CloseGroup() {
    const size_t pos = groupPrefix_;
    undo_.push_back(Step{std::move(groupEdits_), TextChange{pos, groupLength_ - pos - groupSuffix_,
                                                            Length() - pos - groupSuffix_}});
    groupEdits_.clear();
}

void TextBuffer::Record(const Edit& edit, size_t lengthBefore, const TextChange& change) {
    redo_.clear();
    const size_t suffix = lengthBefore - change.pos - change.removed;
    if (groupEdits_.empty()) {
        groupLength_ = lengthBefore;
        groupPrefix_ = change.pos;
        groupSuffix_ = suffix;
    } else {
        // What no edit of the group touched stays a common prefix and suffix.
        groupPrefix_ = std::min(groupPrefix_, change.pos);
        groupSuffix_ = std::min(groupSuffix_, suffix);
    }
    groupEdits_.push_back(edit);
    if (groupDepth_ == 0) {
        CloseGroup(); // a step of its own
    }
}

std::optional<TextChange> TextBuffer::Undo() {
    while (groupDepth_ > 0) {
        EndGroup();
    }
    if (undo_.empty()) {
        return std::nullopt;
    }
    Step step = std::move(undo_.back());
    undo_.pop_back();
    for (auto edit = step.edits.rbegin(); edit != step.edits.rend(); ++edit) {
        Replace(edit->pos, Len(edit->inserted), edit->removed);
    }
    const TextChange c = step.change;
    redo_.push_back(std::move(step));
    return TextChange{c.pos, c.inserted, c.removed};
}

std::optional<TextChange> TextBuffer::Redo() {
    if (redo_.empty()) {
        return std::nullopt;
    }
    Step step = std::move(redo_.back());
    redo_.pop_back();
    for (const Edit& edit : step.edits) {
        Replace(edit.pos, Len(edit.removed), edit.inserted);
    }
    const TextChange c = step.change;
    undo_.push_back(std::move(step));
    return c;
}

void TextBuffer::ClearUndo() {
    undo_.clear();
    redo_.clear();
    groupEdits_.clear(); // the open group's edits so far can no longer be undone either
}

TextSnapshot TextBuffer::Snapshot() const {
    TextSnapshot s;
    s.root_ = root_;
    s.revision_ = Revision();
    s.blocks_.assign(blocks_.begin(), blocks_.end());
    return s;
}

size_t TextBuffer::PieceCount() const {
    return Pieces(root_);
}

size_t TextBuffer::StoredUnits() const {
    size_t units = 0;
    for (const auto& block : blocks_) {
        units += block->used;
    }
    return units;
}

} // namespace sheafpad
