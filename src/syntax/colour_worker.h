// SPDX-License-Identifier: GPL-3.0-or-later
// Colours a text on a thread of its own, so that colours never hold up the
// text: it is handed each version of the text (a snapshot, with the edit
// that made it) and hands back patches of final colours, each of the
// version it was found in. It sleeps while there is nothing to colour.
//
// A text of up to kMostKeptTree characters is coloured whole and keeps its
// syntax trees while it is being edited (each edit parses again
// incrementally: the colours of what the parse changed and of what was
// typed come back), and frees them once it has rested a few seconds. Of a
// bigger script or style sheet only what is shown and a margin around it is
// coloured, a stretch at a time (SegmentedColours), the rest when it is
// shown; a bigger page is parsed anew after edits and its trees dropped:
// the worker never keeps the trees of megabytes (tens of bytes a character).
#pragma once

#include "syntax/colour_store.h"
#include "syntax/syntax_parser.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace sheafpad::syntax {

class ColourWorker {
public:
    struct Result {
        uint64_t version = 0; // of the text the patches were found in
        std::vector<ColourPatch> patches;
        // Every character of that version that is wanted (the whole text,
        // or what is shown and a margin) has its final colour now.
        bool complete = false;
        // Every character shown has.
        bool shownComplete = false;
        // The text would cost too much to colour: it stays plain until the
        // next Start.
        bool tooCostly = false;
        // The Show calls since the Start that were taken into account.
        uint64_t shows = 0;
    };

    // What parsing a text of length characters may cost: no colours beyond.
    static ParseLimits LimitsFor(size_t length);
    // Texts up to this long keep their trees (some 20 MB at most).
    static constexpr size_t kMostKeptTree = 256 * 1024;

    // How long the trees of a text are kept after its last edit.
    static constexpr std::chrono::milliseconds kKeepTrees{3000};
    // Coloured around what is shown, of a text coloured by stretches.
    static constexpr size_t kMargin = 32 * 1024;
    // Everything: a text with no view.
    static constexpr TextRange kAll{0, size_t(-1)};

    // ready is called on the worker's thread whenever results wait.
    explicit ColourWorker(std::function<void()> ready,
                          std::chrono::milliseconds keepTrees = kKeepTrees);
    ~ColourWorker(); // stops a parse under way

    // A new text in language (Plain: nothing to colour): what was begun for
    // an older one is dropped. The colours of shown come first.
    void Start(Language language, TextSnapshot text, uint64_t version, TextRange shown = kAll);
    // The text was changed by edit and is now text.
    void Edited(const SyntaxEdit& edit, TextSnapshot text, uint64_t version);
    // What is shown now, in positions of the newest text given.
    void Show(TextRange shown);
    // The results not yet taken, oldest first; never one of a text before
    // the last Start.
    std::vector<Result> Take();
    // For tests: how often a text at rest has freed its trees.
    size_t TreesFreed() const { return treesFreed_; }

private:
    class Colouring;
    void Run();

    std::function<void()> ready_;
    const std::chrono::milliseconds keepTrees_;
    std::mutex mutex_;
    std::condition_variable wake_;
    // Work waiting, under mutex_.
    bool stop_ = false;
    bool restart_ = false;
    uint64_t starts_ = 0; // Start calls so far
    Language language_ = Language::Plain;
    TextRange shown_ = kAll;
    bool showing_ = false; // shown_ is new
    uint64_t shows_ = 0;   // Show calls since the last Start
    std::vector<SyntaxEdit> edits_;
    TextSnapshot text_;
    bool newText_ = false; // text_ is one the thread has not taken
    uint64_t version_ = 0;
    bool pending_ = false;
    std::vector<Result> results_;
    // Makes a parse of a text that is gone stop early.
    std::atomic<size_t> cancel_{0};
    std::atomic<size_t> treesFreed_{0};
    std::thread thread_;
};

} // namespace sheafpad::syntax
