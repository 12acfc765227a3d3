// SPDX-License-Identifier: GPL-3.0-or-later
// The unused-file check: which listed names occur in none of the listed files.
//
// Each file is searched as its text: the bytes up to the first NUL, split into
// lines at CR, LF or CR LF, every line followed by CR LF (the last included).
// A name occurs in a file when it is a substring of that text, byte for byte
// and case-sensitively, anywhere (inside a longer word too).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sheafpad {

// The text of a file as the check searches it, built in full. The check
// itself never builds it: it streams the same bytes through its automaton.
std::string CheckedText(std::string_view fileBytes);

// Finds which of a list of names occur in a series of file texts, all names
// in one pass over each text: an Aho-Corasick automaton over the names' bytes,
// overlapping occurrences all counted (a.htm inside data.htm). Marks add up
// over the files, so one finder serves a whole check.
//
// The automaton's first states, nearest the root, get full transition rows
// over a compressed alphabet (one class per byte value that occurs in some
// name, one class for all other bytes); the states beyond the memory budget
// keep their trie edges and failure links. So any number of names works, in
// bounded memory, and the common case is one table look-up per byte.
class UsedNameFinder {
public:
    // Most transition-table entries spent on full rows (4 bytes each).
    static constexpr size_t kDefaultDenseEntries = size_t(1) << 22;

    explicit UsedNameFinder(const std::vector<std::string>& names,
                            size_t denseEntries = kDefaultDenseEntries);

    // One file's bytes, fed in pieces: BeginFile, Feed as often as needed,
    // EndFile. Feed returns false when the rest of the file need not be read:
    // its text has ended at a NUL byte, or every name is used.
    void BeginFile();
    bool Feed(std::string_view bytes);
    void EndFile();

    // A whole file at once.
    void SearchFile(std::string_view bytes);

    bool IsUsed(size_t index) const { return used_[index] != 0; }
    bool AllUsed() const { return unusedCount_ == 0; }

private:
    static constexpr uint32_t kNone = UINT32_MAX;
    // Set in a transition's value when the target state ends some name.
    static constexpr uint32_t kOutput = 0x80000000u;
    // Byte codes above the classes: bytes the line rules treat specially.
    static constexpr uint16_t kCodeCr = 0x100, kCodeLf = 0x101, kCodeNul = 0x102;

    void Build(const std::vector<std::string>& names, size_t denseEntries);
    // State code: row offset for a dense state, past denseLimit_ for a sparse one.
    uint32_t CodeOf(uint32_t state) const;
    uint32_t StateOf(uint32_t code) const;
    // Transition of a sparse state (child edge or failure links).
    uint32_t SparseNext(uint32_t code, uint32_t cls) const;
    // Marks every name ending at the state or at its suffix states. Returns
    // true when that left no unused name.
    bool Report(uint32_t code);

    // Alphabet: byteCode_[b] is b's class, or kCodeCr/kCodeLf/kCodeNul.
    uint16_t byteCode_[256] = {};
    uint32_t classCount_ = 1; // K: class 0 is every byte that occurs in no name
    uint32_t crClass_ = 0;    // classes of CR and LF, fed for every line break
    uint32_t lfClass_ = 0;

    uint32_t stateCount_ = 0;
    uint32_t denseCount_ = 0; // states 0..denseCount_-1 (BFS order) have full rows
    uint32_t denseLimit_ = 0; // denseCount_ * K: first code of a sparse state
    // dense_[code + cls]: next state's code, kOutput set if it ends a name.
    std::vector<uint32_t> dense_;
    // Trie edges of every state: edgeBegin_[s]..edgeBegin_[s+1] in the arrays.
    std::vector<uint32_t> edgeBegin_;
    std::vector<uint16_t> edgeClass_;
    std::vector<uint32_t> edgeValue_; // target code, kOutput as in dense_
    std::vector<uint32_t> failCode_;  // code of the longest proper suffix state
    // Names: nameHead_[s] is the first name ending at state s, nameNext_[j]
    // the next one (equal names share a state); dictLink_[s] the nearest
    // proper suffix state at which a name ends.
    std::vector<uint32_t> nameHead_;
    std::vector<uint32_t> nameNext_;
    std::vector<uint32_t> dictLink_;
    std::vector<char> reported_; // state's names (and its suffixes') all marked

    std::vector<char> used_; // by list position
    size_t unusedCount_ = 0;

    // Scan of the current file.
    uint32_t code_ = 0;      // automaton state
    bool pendingCr_ = false; // last byte was CR: an LF next is the same break
    bool lineOpen_ = false;  // characters since the last break: the line needs its CR LF
    bool textEnded_ = false; // a NUL byte was seen
};

// The listed files, in list order, whose names occur in no listed file.
// paths are relative to dirText ("index.html", "css/site.css"); each file is
// dirText joined with its path, read a piece at a time, and looked for by its
// own name (the part after the last "/"). Throws EFOpenError("Cannot open
// file "<path>". <reason>") for the first listed entry that cannot be read
// (a directory, a missing or unreadable file).
std::vector<std::string> FindUnusedFiles(const std::string& dirText,
                                         const std::vector<std::string>& paths);

} // namespace sheafpad
