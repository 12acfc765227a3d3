// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntax/script_scan.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace sheafpad::syntax {

namespace {

enum class Mode : uint8_t {
    Code,
    LineComment,
    BlockComment,
    Single,
    Double,
    Template,
    Regex,
    RegexClass
};

// A checkpoint keeps its brackets only up to this depth (a text of errors
// may open thousands): a scan starts again only from one that kept them.
constexpr size_t kMostKeptStack = 256;
// Letters of a word kept to tell the keywords that matter here.
constexpr size_t kWordLetters = 10;

bool IsWordChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'_' || c == u'$' || c >= 0x80;
}

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v';
}

// After these words a '/' begins a regular expression, not a division.
bool TakesOperand(std::string_view word) {
    static constexpr std::string_view kWords[] = {"return", "typeof", "instanceof", "in",    "of",
                                                  "new",    "delete", "void",       "throw", "case",
                                                  "do",     "else",   "yield",      "await"};
    return std::find(std::begin(kWords), std::end(kWords), word) != std::end(kWords);
}

// Words that continue what a '}' ended, so that no boundary lies before them.
bool ContinuesBlock(std::string_view word) {
    static constexpr std::string_view kWords[] = {"else",       "catch", "finally", "while",
                                                  "instanceof", "in",    "of"};
    return std::find(std::begin(kWords), std::end(kWords), word) != std::end(kWords);
}

} // namespace

struct ScriptScan::State {
    Mode mode = Mode::Code;
    bool escaped = false;     // a backslash just before (strings, regular expressions)
    bool star = false;        // a '*' just before, in a block comment
    bool slash = false;       // a '/' just before, in code: its meaning waits on what follows
    bool dollar = false;      // a '$' just before, in a template string
    bool valueBefore = false; // what came last ends a value: a '/' divides
    uint8_t pending = 0;      // a boundary waits on the next token: 1 after ';', 2 after '}'
    size_t pendingAt = 0;
    uint8_t wordLength = 0; // letters of the word being read (kWordLetters + 1: a longer one)
    char word[kWordLetters] = {};
    bool wordIsNumber = false;
    std::vector<char> stack;      // open brackets: ( [ { and $ for a template's ${
    std::vector<uint64_t> hashes; // hash before each of them
    uint64_t hash = 0;            // of the stack
    size_t depth = 0;             // of the stack, kept when the stack is not

    // Whether a scan may fall in step here: nothing half read.
    bool Settled() const { return pending == 0 && wordLength == 0 && !slash && !dollar && !star; }
    bool SameAs(const State& o) const {
        return mode == o.mode && escaped == o.escaped && valueBefore == o.valueBefore &&
               depth == o.depth && hash == o.hash && Settled() && o.Settled();
    }
    void Push(char kind) {
        hashes.push_back(hash);
        stack.push_back(kind);
        hash = hash * 1000003 + uint64_t(uint8_t(kind)) + 1;
        ++depth;
    }
    char Top() const { return stack.empty() ? 0 : stack.back(); }
    void Pop() {
        hash = hashes.back();
        hashes.pop_back();
        stack.pop_back();
        --depth;
    }
};

struct ScriptScan::Checkpoint {
    size_t pos = 0;
    State state;
    bool full = true;         // its stack is kept: a scan may start here
    size_t statement = kNone; // the last statement start in the block up to the next one
};

namespace {

// What the scan finds, as it goes.
struct Found {
    std::vector<size_t>& boundaries;
    size_t& statement;
};

void EndWord(ScriptScan::State& s, Found& found) {
    const std::string_view word(s.word, s.wordLength <= kWordLetters ? s.wordLength : 0);
    s.valueBefore = s.wordIsNumber || !TakesOperand(word);
    if (s.pending == 1) {
        if (word != "else") {
            found.boundaries.push_back(s.pendingAt);
        }
    } else if (s.pending == 2) {
        if (!ContinuesBlock(word)) {
            found.boundaries.push_back(s.pendingAt);
        }
    }
    s.pending = 0;
    s.wordLength = 0;
}

// A token other than a word begins: a boundary waiting on it is decided.
void OtherToken(ScriptScan::State& s, Found& found) {
    if (s.pending == 1) {
        found.boundaries.push_back(s.pendingAt);
    }
    s.pending = 0;
}

// One character of code that is not part of a word, comment or literal.
void CodeChar(ScriptScan::State& s, char16_t c, size_t pos, Found& found) {
    if (IsSpace(c)) {
        return;
    }
    switch (c) {
    case u'/':
        s.slash = true; // a comment, a regular expression or a division
        return;
    case u'\'':
        OtherToken(s, found);
        s.mode = Mode::Single;
        return;
    case u'"':
        OtherToken(s, found);
        s.mode = Mode::Double;
        return;
    case u'`':
        OtherToken(s, found);
        s.mode = Mode::Template;
        return;
    default:
        break;
    }
    if (IsWordChar(c)) {
        s.wordIsNumber = c >= u'0' && c <= u'9';
        s.wordLength = 1;
        s.word[0] = char(c);
        return;
    }
    OtherToken(s, found);
    s.valueBefore = false;
    switch (c) {
    case u'(':
    case u'[':
    case u'{':
        s.Push(char(c));
        break;
    case u')':
    case u']':
        s.valueBefore = true;
        [[fallthrough]];
    case u'}':
        if (s.depth > 0) {
            const char top = s.Top();
            s.Pop();
            if (c == u'}' && top == '$') {
                s.mode = Mode::Template; // the end of a ${...}
                s.valueBefore = false;
            } else if (c == u'}' && s.depth == 0) {
                s.pending = 2;
                s.pendingAt = pos + 1;
            }
        }
        break;
    case u';':
        if (s.depth == 0) {
            s.pending = 1;
            s.pendingAt = pos + 1;
        } else if (s.Top() == '{') {
            found.statement = pos + 1;
        }
        break;
    default:
        break;
    }
}

// A character inside a quoted string: whether it ends the string (a line
// break ends an unclosed one).
bool EndsString(ScriptScan::State& s, char16_t c) {
    if (s.escaped) {
        s.escaped = false;
        return false;
    }
    if (c == u'\\') {
        s.escaped = true;
        return false;
    }
    return c == (s.mode == Mode::Single ? u'\'' : u'"') || c == u'\n';
}

void ScriptChar(ScriptScan::State& s, char16_t c, size_t pos, Found& found) {
    switch (s.mode) {
    case Mode::Code:
        if (s.wordLength > 0) {
            if (IsWordChar(c)) {
                if (s.wordLength < kWordLetters) {
                    s.word[s.wordLength] = char(c);
                }
                s.wordLength = uint8_t(std::min<size_t>(s.wordLength + 1, kWordLetters + 1));
                return;
            }
            EndWord(s, found);
        }
        if (s.slash) {
            s.slash = false;
            if (c == u'/') {
                s.mode = Mode::LineComment;
                return;
            }
            if (c == u'*') {
                s.mode = Mode::BlockComment;
                return;
            }
            OtherToken(s, found);
            if (!s.valueBefore) {
                s.mode = Mode::Regex;
                ScriptChar(s, c, pos, found);
                return;
            }
            s.valueBefore = false; // a division
        }
        CodeChar(s, c, pos, found);
        return;
    case Mode::LineComment:
        if (c == u'\n') {
            s.mode = Mode::Code;
        }
        return;
    case Mode::BlockComment:
        if (s.star && c == u'/') {
            s.mode = Mode::Code;
        }
        s.star = c == u'*';
        if (s.mode == Mode::Code) {
            s.star = false;
        }
        return;
    case Mode::Single:
    case Mode::Double:
        if (EndsString(s, c)) {
            s.mode = Mode::Code;
            s.valueBefore = true;
        }
        return;
    case Mode::Template:
        if (s.escaped) {
            s.escaped = false;
        } else if (s.dollar && c == u'{') {
            s.dollar = false;
            s.Push('$');
            s.mode = Mode::Code;
            s.valueBefore = false;
            return;
        } else if (c == u'\\') {
            s.escaped = true;
        } else if (c == u'`') {
            s.mode = Mode::Code;
            s.valueBefore = true;
        }
        s.dollar = c == u'$' && !s.escaped;
        return;
    case Mode::Regex:
    case Mode::RegexClass:
        if (s.escaped) {
            s.escaped = false;
        } else if (c == u'\\') {
            s.escaped = true;
        } else if (c == u'\n') {
            s.mode = Mode::Code; // no regular expression after all
            s.valueBefore = false;
        } else if (s.mode == Mode::RegexClass) {
            s.mode = c == u']' ? Mode::Regex : Mode::RegexClass;
        } else if (c == u'[') {
            s.mode = Mode::RegexClass;
        } else if (c == u'/') {
            s.mode = Mode::Code; // its flags read as a word
            s.valueBefore = true;
        }
        return;
    }
}

void StyleChar(ScriptScan::State& s, char16_t c, size_t pos, Found& found) {
    switch (s.mode) {
    case Mode::BlockComment:
        if (s.star && c == u'/') {
            s.mode = Mode::Code;
        }
        s.star = c == u'*' && s.mode == Mode::BlockComment;
        return;
    case Mode::Single:
    case Mode::Double:
        if (EndsString(s, c)) {
            s.mode = Mode::Code;
        }
        return;
    default:
        break;
    }
    if (s.slash) {
        s.slash = false;
        if (c == u'*') {
            s.mode = Mode::BlockComment;
            return;
        }
    }
    switch (c) {
    case u'/':
        s.slash = true;
        break;
    case u'\'':
        s.mode = Mode::Single;
        break;
    case u'"':
        s.mode = Mode::Double;
        break;
    case u'(':
    case u'[':
    case u'{':
        s.Push(char(c));
        break;
    case u')':
    case u']':
    case u'}':
        if (s.depth > 0) {
            s.Pop();
            if (c == u'}') {
                if (s.depth == 0) {
                    found.boundaries.push_back(pos + 1);
                } else if (s.Top() == '{') {
                    found.statement = pos + 1; // a nested rule's end
                }
            }
        }
        break;
    case u';':
        if (s.depth == 0) {
            found.boundaries.push_back(pos + 1);
        } else if (s.Top() == '{') {
            found.statement = pos + 1;
        }
        break;
    default:
        break;
    }
}

} // namespace

ScriptScan::ScriptScan(Language language) : language_(language) {
    Reset(0);
}

ScriptScan::~ScriptScan() = default;

void ScriptScan::Reset(size_t length) {
    checkpoints_.assign(1, Checkpoint{});
    boundaries_.clear();
    stale_.assign(1, TextRange{0, length});
    length_ = length;
}

void ScriptScan::Edit(const TextChange& change) {
    const size_t removedEnd = change.pos + change.removed;
    auto inRemoved = [&](size_t pos) { return pos > change.pos && pos < removedEnd; };
    std::vector<Checkpoint> kept;
    kept.reserve(checkpoints_.size());
    for (Checkpoint& cp : checkpoints_) {
        if (inRemoved(cp.pos)) {
            continue;
        }
        // A state or a place right before the change stays before what it inserts.
        cp.pos = MovePosition(cp.pos, change, Stick::Before);
        cp.state.pendingAt = MovePosition(cp.state.pendingAt, change, Stick::Before);
        if (cp.statement != kNone) {
            cp.statement =
                inRemoved(cp.statement) ? kNone : MovePosition(cp.statement, change, Stick::Before);
        }
        kept.push_back(std::move(cp));
    }
    kept.front().pos = 0;
    checkpoints_ = std::move(kept);
    std::vector<size_t> boundaries;
    boundaries.reserve(boundaries_.size());
    for (const size_t b : boundaries_) {
        if (!inRemoved(b)) {
            boundaries.push_back(MovePosition(b, change, Stick::Before));
        }
    }
    boundaries_ = std::move(boundaries);
    MoveRanges(stale_, change);
    // Even a removal changes what the scan reads after it.
    AddRange(stale_, TextRange{change.pos, change.pos + change.inserted + 1});
    length_ = length_ - change.removed + change.inserted;
}

void ScriptScan::Update(const TextSnapshot& text) {
    lastScanned_ = 0;
    length_ = text.Length();
    while (!stale_.empty()) {
        const TextRange stale = stale_.front();
        if (stale.start >= length_) {
            stale_.clear();
            break;
        }
        // The last checkpoint before the change that kept its stack.
        size_t first =
            size_t(std::upper_bound(checkpoints_.begin(), checkpoints_.end(), stale.start,
                                    [](size_t pos, const Checkpoint& cp) { return pos < cp.pos; }) -
                   checkpoints_.begin()) -
            1;
        while (first > 0 && !checkpoints_[first].full) {
            --first;
        }
        const size_t through = Rescan(text, first, stale.end);
        std::vector<TextRange> rest;
        for (const TextRange& r : stale_) {
            AddRange(rest, TextRange{std::max(r.start, through), r.end});
        }
        stale_ = std::move(rest);
    }
}

size_t ScriptScan::Rescan(const TextSnapshot& text, size_t first, size_t staleEnd) {
    const size_t start = checkpoints_[first].pos;
    State s = checkpoints_[first].state;
    std::vector<Checkpoint> old(std::make_move_iterator(checkpoints_.begin() + long(first) + 1),
                                std::make_move_iterator(checkpoints_.end()));
    checkpoints_.resize(first + 1);
    checkpoints_.back().statement = kNone;
    // A boundary that waits on what follows is decided anew.
    const auto keptEnd =
        std::lower_bound(boundaries_.begin(), boundaries_.end(), s.pending ? s.pendingAt : start);
    std::vector<size_t> oldBoundaries(keptEnd, boundaries_.end());
    boundaries_.erase(keptEnd, boundaries_.end());

    size_t next = 0; // the old checkpoint to compare with next
    size_t pos = start;
    size_t resyncAt = kNone;
    size_t lastCheckpoint = start;
    size_t statement = kNone;
    const bool script = language_ == Language::JavaScript;
    auto checkpoint = [&](size_t at) {
        checkpoints_.back().statement = statement;
        statement = kNone;
        Checkpoint cp;
        cp.pos = at;
        cp.full = s.depth <= kMostKeptStack;
        cp.state = s;
        if (!cp.full) {
            cp.state.stack.clear();
            cp.state.hashes.clear();
            cp.state.stack.shrink_to_fit();
            cp.state.hashes.shrink_to_fit();
        }
        checkpoints_.push_back(std::move(cp));
        lastCheckpoint = at;
    };
    Found found{boundaries_, statement};
    text.ForEachChunk(start, length_ - start, [&](std::u16string_view part) {
        for (const char16_t c : part) {
            while (next < old.size() && old[next].pos < pos) {
                ++next;
            }
            if (next < old.size() && old[next].pos == pos && pos > start) {
                if (pos >= staleEnd && s.SameAs(old[next].state)) {
                    resyncAt = pos;
                    return false;
                }
                checkpoint(pos);
                ++next;
            } else if (pos - lastCheckpoint >= kCheckpoint &&
                       (next >= old.size() || old[next].pos - pos > kCheckpoint / 2)) {
                checkpoint(pos);
            }
            if (script) {
                ScriptChar(s, c, pos, found);
            } else {
                StyleChar(s, c, pos, found);
            }
            ++pos;
        }
        return true;
    });
    lastScanned_ += pos - start;
    if (resyncAt == kNone) {
        // To the end: a word or a ';' there ends the text, no boundary.
        checkpoints_.back().statement = statement;
        return length_;
    }
    checkpoints_.back().statement = statement;
    for (size_t i = next; i < old.size(); ++i) {
        checkpoints_.push_back(std::move(old[i]));
    }
    for (const size_t b : oldBoundaries) {
        if (b >= resyncAt) {
            boundaries_.push_back(b);
        }
    }
    return resyncAt;
}

size_t ScriptScan::BoundaryBefore(size_t pos) const {
    const auto after = std::upper_bound(boundaries_.begin(), boundaries_.end(), pos);
    return after == boundaries_.begin() ? 0 : *std::prev(after);
}

size_t ScriptScan::BoundaryAfter(size_t pos) const {
    const auto at = std::lower_bound(boundaries_.begin(), boundaries_.end(), pos);
    return at == boundaries_.end() ? kNone : *at;
}

size_t ScriptScan::StartBefore(size_t pos) const {
    auto cp = std::upper_bound(checkpoints_.begin(), checkpoints_.end(), pos,
                               [](size_t p, const Checkpoint& c) { return p < c.pos; });
    // The block of the checkpoint holding pos may have its statement after
    // pos; one in code serves when no statement comes first.
    size_t inCode = kNone;
    for (int looked = 0; cp != checkpoints_.begin() && looked < 64; ++looked) {
        --cp;
        if (cp->statement != kNone && cp->statement <= pos) {
            return cp->statement;
        }
        if (inCode == kNone && cp->state.mode == Mode::Code && cp->state.Settled()) {
            inCode = cp->pos;
        }
    }
    return inCode;
}

} // namespace sheafpad::syntax
