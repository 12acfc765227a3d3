// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/unused_files.h"

#include "base/user_text.h"
#include "files/file_list.h"
#include "platform/file_io.h"
#include "text/lines.h"

#include <algorithm>
#include <stdexcept>

namespace sheafpad {

std::string CheckedText(std::string_view fileBytes) {
    const size_t nul = fileBytes.find('\0');
    if (nul != std::string_view::npos) {
        fileBytes = fileBytes.substr(0, nul);
    }
    std::string text;
    text.reserve(fileBytes.size() + 2);
    for (size_t pos = 0; pos < fileBytes.size();) {
        const LineSpan line = LineAt(fileBytes, pos);
        text.append(fileBytes.substr(line.begin, line.end - line.begin)).append("\r\n");
        pos = line.next;
    }
    return text;
}

// ---------------------------------------------------------------------------
// Building the automaton.

namespace {
// The trie as it is built, before states are renumbered in breadth-first order.
struct Trie {
    struct Edge {
        uint16_t cls;
        uint32_t target;
        uint32_t next; // next edge of the same parent
    };
    std::vector<uint32_t> firstEdge{UINT32_MAX}; // per node; node 0 is the root
    std::vector<uint32_t> nameHead{UINT32_MAX};  // per node: first name ending there
    std::vector<Edge> edges;
    std::vector<uint32_t> rootChild; // per class: the root's child, for quick building

    uint32_t Child(uint32_t node, uint16_t cls) const {
        if (node == 0) {
            return rootChild[cls];
        }
        for (uint32_t e = firstEdge[node]; e != UINT32_MAX; e = edges[e].next) {
            if (edges[e].cls == cls) {
                return edges[e].target;
            }
        }
        return UINT32_MAX;
    }

    uint32_t AddChild(uint32_t node, uint16_t cls) {
        const auto child = uint32_t(firstEdge.size());
        if (child == UINT32_MAX / 2) {
            throw std::length_error(UserText("Check", "too many names to search"));
        }
        firstEdge.push_back(UINT32_MAX);
        nameHead.push_back(UINT32_MAX);
        edges.push_back({cls, child, firstEdge[node]});
        firstEdge[node] = uint32_t(edges.size() - 1);
        if (node == 0) {
            rootChild[cls] = child;
        }
        return child;
    }
};
} // namespace

UsedNameFinder::UsedNameFinder(const std::vector<std::string>& names, size_t denseEntries)
    : used_(names.size(), 0), unusedCount_(names.size()) {
    Build(names, denseEntries);
}

uint32_t UsedNameFinder::CodeOf(uint32_t state) const {
    return state < denseCount_ ? state * classCount_ : denseLimit_ + (state - denseCount_);
}

uint32_t UsedNameFinder::StateOf(uint32_t code) const {
    return code < denseLimit_ ? code / classCount_ : denseCount_ + (code - denseLimit_);
}

void UsedNameFinder::Build(const std::vector<std::string>& names, size_t denseEntries) {
    // Alphabet: one class per byte value that some name holds. A name holding
    // a NUL byte can never occur (the text ends at a NUL) and is left out.
    auto searchable = [](const std::string& name) {
        return !name.empty() && name.find('\0') == std::string::npos;
    };
    bool inNames[256] = {};
    for (const std::string& name : names) {
        if (searchable(name)) {
            for (const char ch : name) {
                inNames[static_cast<unsigned char>(ch)] = true;
            }
        }
    }
    for (int b = 0; b < 256; ++b) {
        byteCode_[b] = inNames[b] ? uint16_t(classCount_++) : 0;
    }
    uint16_t classOf[256];
    std::copy(byteCode_, byteCode_ + 256, classOf);
    crClass_ = byteCode_[uint8_t('\r')];
    lfClass_ = byteCode_[uint8_t('\n')];
    byteCode_[uint8_t('\r')] = kCodeCr;
    byteCode_[uint8_t('\n')] = kCodeLf;
    byteCode_[0] = kCodeNul;

    // The trie of the names. An empty name is left out too: it is never found.
    Trie trie;
    trie.rootChild.assign(classCount_, UINT32_MAX);
    nameNext_.assign(names.size(), kNone);
    for (size_t j = 0; j < names.size(); ++j) {
        if (!searchable(names[j])) {
            continue;
        }
        uint32_t node = 0;
        for (const char ch : names[j]) {
            const uint16_t cls = classOf[static_cast<unsigned char>(ch)];
            uint32_t child = trie.Child(node, cls);
            if (child == UINT32_MAX) {
                child = trie.AddChild(node, cls);
            }
            node = child;
        }
        nameNext_[j] = trie.nameHead[node];
        trie.nameHead[node] = uint32_t(j);
    }

    // Renumber the states breadth-first, so that a state's failure target
    // always comes before it and the states nearest the root come first.
    stateCount_ = uint32_t(trie.firstEdge.size());
    std::vector<uint32_t> order{0};
    order.reserve(stateCount_);
    std::vector<uint32_t> newId(stateCount_);
    for (size_t i = 0; i < order.size(); ++i) {
        newId[order[i]] = uint32_t(i);
        for (uint32_t e = trie.firstEdge[order[i]]; e != UINT32_MAX; e = trie.edges[e].next) {
            order.push_back(trie.edges[e].target);
        }
    }
    edgeBegin_.assign(stateCount_ + 1, 0);
    edgeClass_.reserve(trie.edges.size());
    std::vector<uint32_t> edgeTarget; // state ids; codes once flags are known
    edgeTarget.reserve(trie.edges.size());
    nameHead_.resize(stateCount_);
    for (uint32_t s = 0; s < stateCount_; ++s) {
        edgeBegin_[s] = uint32_t(edgeClass_.size());
        nameHead_[s] = trie.nameHead[order[s]];
        for (uint32_t e = trie.firstEdge[order[s]]; e != UINT32_MAX; e = trie.edges[e].next) {
            edgeClass_.push_back(trie.edges[e].cls);
            edgeTarget.push_back(newId[trie.edges[e].target]);
        }
    }
    edgeBegin_[stateCount_] = uint32_t(edgeClass_.size());
    trie = Trie();
    order = {};
    newId = {};

    // Full rows for as many states as the budget allows, the root always.
    const size_t rows = std::max<size_t>(1, denseEntries / classCount_);
    denseCount_ = uint32_t(std::min<size_t>(stateCount_, rows));
    if (size_t(denseCount_) * classCount_ + (stateCount_ - denseCount_) >= kOutput) {
        throw std::length_error(UserText("Check", "too many names to search"));
    }
    denseLimit_ = denseCount_ * classCount_;
    dense_.assign(size_t(denseLimit_), 0);

    // Failure and dictionary links, then the rows, breadth-first.
    std::vector<uint32_t> fail(stateCount_, 0);
    dictLink_.assign(stateCount_, kNone);
    auto hasOutput = [&](uint32_t s) { return nameHead_[s] != kNone || dictLink_[s] != kNone; };
    auto value = [&](uint32_t s) { return CodeOf(s) | (hasOutput(s) ? kOutput : 0); };
    // The transition from an already finished state.
    auto delta = [&](uint32_t s, uint32_t cls) -> uint32_t {
        while (s >= denseCount_) {
            for (uint32_t e = edgeBegin_[s]; e < edgeBegin_[s + 1]; ++e) {
                if (edgeClass_[e] == cls) {
                    return edgeTarget[e];
                }
            }
            s = fail[s];
        }
        return StateOf(dense_[size_t(s) * classCount_ + cls] & ~kOutput);
    };
    for (uint32_t s = 0; s < stateCount_; ++s) {
        for (uint32_t e = edgeBegin_[s]; e < edgeBegin_[s + 1]; ++e) {
            const uint32_t child = edgeTarget[e];
            fail[child] = s == 0 ? 0 : delta(fail[s], edgeClass_[e]);
            const uint32_t f = fail[child];
            dictLink_[child] = nameHead_[f] != kNone ? f : dictLink_[f];
        }
        if (s < denseCount_) {
            uint32_t* row = &dense_[size_t(s) * classCount_];
            if (s != 0) {
                const uint32_t* failRow = &dense_[size_t(fail[s]) * classCount_];
                std::copy(failRow, failRow + classCount_, row);
            }
            for (uint32_t e = edgeBegin_[s]; e < edgeBegin_[s + 1]; ++e) {
                row[edgeClass_[e]] = value(edgeTarget[e]);
            }
        }
    }
    edgeValue_.resize(edgeTarget.size());
    for (size_t e = 0; e < edgeTarget.size(); ++e) {
        edgeValue_[e] = value(edgeTarget[e]);
    }
    failCode_.resize(stateCount_);
    for (uint32_t s = 0; s < stateCount_; ++s) {
        failCode_[s] = CodeOf(fail[s]);
    }
    reported_.assign(stateCount_, 0);
}

// ---------------------------------------------------------------------------
// Searching.

uint32_t UsedNameFinder::SparseNext(uint32_t code, uint32_t cls) const {
    while (code >= denseLimit_) {
        const uint32_t s = StateOf(code);
        for (uint32_t e = edgeBegin_[s]; e < edgeBegin_[s + 1]; ++e) {
            if (edgeClass_[e] == cls) {
                return edgeValue_[e];
            }
        }
        code = failCode_[s];
    }
    return dense_[code + cls];
}

bool UsedNameFinder::Report(uint32_t code) {
    // A reported state's suffix states are reported too, so the walk stops there.
    for (uint32_t s = StateOf(code); s != kNone && !reported_[s]; s = dictLink_[s]) {
        reported_[s] = 1;
        for (uint32_t j = nameHead_[s]; j != kNone; j = nameNext_[j]) {
            if (!used_[j]) {
                used_[j] = 1;
                --unusedCount_;
            }
        }
    }
    return unusedCount_ == 0;
}

void UsedNameFinder::BeginFile() {
    code_ = 0;
    pendingCr_ = false;
    lineOpen_ = false;
    textEnded_ = false;
}

bool UsedNameFinder::Feed(std::string_view bytes) {
    if (textEnded_ || unusedCount_ == 0) {
        return false;
    }
    // Locals, so that the loop keeps them in registers across Report calls.
    const uint16_t* byteCode = byteCode_;
    const uint32_t* dense = dense_.data();
    const uint32_t denseLimit = denseLimit_;
    uint32_t code = code_;
    bool pendingCr = pendingCr_;
    bool lineOpen = lineOpen_;
    // One symbol into the automaton; false once every name is used.
    auto step = [&](uint32_t cls) {
        uint32_t next = code < denseLimit ? dense[code + cls] : SparseNext(code, cls);
        if (next & kOutput) [[unlikely]] {
            next &= ~kOutput;
            code = next;
            return !Report(next);
        }
        code = next;
        return true;
    };
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    for (; p != end; ++p) {
        const uint32_t c = byteCode[*p];
        if (c < kCodeCr) [[likely]] {
            lineOpen = true;
            pendingCr = false;
            if (!step(c)) {
                break;
            }
            continue;
        }
        if (c == kCodeNul) {
            textEnded_ = true;
            break;
        }
        // Every line break, whatever its form, is CR LF in the searched text.
        const bool isCr = c == kCodeCr;
        if (!isCr && pendingCr) {
            pendingCr = false; // the LF of CR LF
            continue;
        }
        pendingCr = isCr;
        lineOpen = false;
        if (!step(crClass_) || !step(lfClass_)) {
            break;
        }
    }
    code_ = code;
    pendingCr_ = pendingCr;
    lineOpen_ = lineOpen;
    return !textEnded_ && unusedCount_ != 0;
}

void UsedNameFinder::EndFile() {
    // The last line gets its CR LF too, also when a NUL ended the text.
    if (lineOpen_) {
        for (const uint32_t cls : {crClass_, lfClass_}) {
            if (unusedCount_ == 0) {
                break;
            }
            const uint32_t next =
                code_ < denseLimit_ ? dense_[code_ + cls] : SparseNext(code_, cls);
            code_ = next & ~kOutput;
            if (next & kOutput) {
                Report(code_);
            }
        }
    }
    lineOpen_ = false;
    textEnded_ = true;
}

void UsedNameFinder::SearchFile(std::string_view bytes) {
    BeginFile();
    Feed(bytes);
    EndFile();
}

// ---------------------------------------------------------------------------
// The check over the listed files.

namespace {
// Feeds the file's bytes to the finder a piece at a time, as far as the
// finder wants them. The file is opened even when no name is left to find,
// so that an entry that cannot be read is reported whatever the list order.
void SearchOneFile(const std::string& path, UsedNameFinder& finder, std::vector<char>& buffer) {
    platform::FileReader file(path);
    if (finder.AllUsed()) {
        return;
    }
    finder.BeginFile();
    for (;;) {
        const size_t count = file.Read(buffer.data(), buffer.size());
        if (count == 0 || !finder.Feed(std::string_view(buffer.data(), count))) {
            break;
        }
    }
    finder.EndFile();
}
} // namespace

std::vector<std::string> FindUnusedFiles(const std::string& dirText,
                                         const std::vector<std::string>& paths) {
    // A file in a subfolder is looked for by its own name: a page refers to
    // it as "css/site.css", "../css/site.css" or, beside it, "site.css".
    std::vector<std::string> names;
    names.reserve(paths.size());
    for (const std::string& path : paths) {
        names.push_back(path.substr(path.rfind('/') + 1));
    }
    UsedNameFinder finder(names);
    std::vector<char> buffer(size_t(1) << 16);
    for (const std::string& path : paths) {
        SearchOneFile(JoinPath(dirText, path), finder, buffer);
    }
    std::vector<std::string> unused;
    for (size_t j = 0; j < paths.size(); ++j) {
        if (!finder.IsUsed(j)) {
            unused.push_back(paths[j]);
        }
    }
    return unused;
}

} // namespace sheafpad
