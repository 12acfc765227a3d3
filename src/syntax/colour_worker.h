// SPDX-License-Identifier: GPL-3.0-or-later
// Parses on a thread of its own, so that colours never hold up the text:
// it is handed each version of the text (a snapshot, with the edit that
// made it) and hands back the syntax trees of the newest. It sleeps while
// there is nothing to parse.
#pragma once

#include "syntax/syntax_parser.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace sheafpad::syntax {

class ColourWorker {
public:
    struct Result {
        uint64_t version = 0; // as given with the text parsed
        SyntaxTrees trees;
        // The text would cost too much to colour: it stays plain until the
        // next Start.
        bool tooCostly = false;
    };

    // What parsing a text of length characters may cost: no colours beyond.
    static ParseLimits LimitsFor(size_t length);

    // ready is called on the worker's thread whenever a result waits.
    explicit ColourWorker(std::function<void()> ready);
    ~ColourWorker(); // stops a parse under way

    // A new text in language (Plain: nothing to parse, no result): what
    // was begun for an older one is dropped.
    void Start(Language language, TextSnapshot text, uint64_t version);
    // The text was changed by edit and is now text.
    void Edited(const SyntaxEdit& edit, TextSnapshot text, uint64_t version);
    // The newest result, once; results of versions that are no longer the
    // newest given are never handed out.
    std::optional<Result> Take();
    // Lets the worker free trees that are no longer shown: freeing a big
    // tree takes long.
    void Discard(SyntaxTrees trees);

private:
    void Run();

    std::function<void()> ready_;
    std::mutex mutex_;
    std::condition_variable wake_;
    // Work waiting, under mutex_.
    bool stop_ = false;
    bool restart_ = false;
    Language language_ = Language::Plain;
    std::vector<SyntaxEdit> edits_;
    TextSnapshot text_;
    uint64_t version_ = 0;
    bool pending_ = false;
    std::optional<Result> result_;
    std::vector<SyntaxTrees> discarded_;
    // Makes a parse of a text that is gone stop early.
    std::atomic<size_t> cancel_{0};
    std::thread thread_;
};

} // namespace sheafpad::syntax
