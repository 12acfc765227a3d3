// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntax/colour_worker.h"

#include "platform/memory.h"
#include "syntax/syntax_highlighter.h"

#include <chrono>
#include <memory>

namespace sheafpad::syntax {

ColourWorker::ColourWorker(std::function<void()> ready)
    : ready_(std::move(ready)), thread_([this] { Run(); }) {}

ColourWorker::~ColourWorker() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        cancel_ = 1;
    }
    wake_.notify_one();
    thread_.join();
}

void ColourWorker::Start(Language language, TextSnapshot text, uint64_t version) {
    {
        std::lock_guard lock(mutex_);
        restart_ = true;
        language_ = language;
        edits_.clear();
        text_ = std::move(text);
        version_ = version;
        pending_ = true;
        result_.reset();
        cancel_ = 1;
    }
    wake_.notify_one();
}

void ColourWorker::Edited(const SyntaxEdit& edit, TextSnapshot text, uint64_t version) {
    {
        std::lock_guard lock(mutex_);
        edits_.push_back(edit);
        text_ = std::move(text);
        version_ = version;
        pending_ = true;
        result_.reset();
    }
    wake_.notify_one();
}

ParseLimits ColourWorker::LimitsFor(size_t length) {
    // Code parses at a few million characters a second of processor time;
    // a text that is no code at all (random letters and signs) at a tenth.
    ParseLimits limits;
    limits.cpuSeconds = 2.0 + double(length) / 1e6;
    limits.slowestUnitsPerSecond = 1e6;
    // The trees take 15 to 100 bytes a character (minified scripts the
    // most): an eighth of the computer's memory at most.
    const size_t memory = platform::PhysicalMemoryBytes();
    limits.treeBytes = memory > 0 ? memory / 8 : size_t(512) << 20;
    return limits;
}

void ColourWorker::Discard(SyntaxTrees trees) {
    if (trees.Empty()) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        discarded_.push_back(std::move(trees));
    }
    wake_.notify_one();
}

std::optional<ColourWorker::Result> ColourWorker::Take() {
    std::lock_guard lock(mutex_);
    std::optional<Result> result = std::move(result_);
    result_.reset();
    return result;
}

void ColourWorker::Run() {
    // The thread keeps its priority: the colours of a typed key are due
    // within milliseconds also while other programs keep the processors
    // busy, and the text's own thread never waits for this one.
    std::unique_ptr<SyntaxParser> parser;
    Language language = Language::Plain;
    bool tooCostly = false; // for the text since the last Start
    for (;;) {
        std::vector<SyntaxEdit> edits;
        std::vector<SyntaxTrees> discarded;
        std::unique_ptr<SyntaxParser> old; // freed outside the lock
        TextSnapshot text;
        uint64_t version = 0;
        bool work = false;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stop_ || pending_ || !discarded_.empty(); });
            // Freeing big trees takes long: when there is nothing to parse,
            // a moment later, so that it does not hold up the text of the
            // file opened meanwhile.
            auto parseWaits = [&] {
                return pending_ && !(restart_ && language_ == Language::Plain);
            };
            if (!parseWaits()) {
                wake_.wait_for(lock, std::chrono::milliseconds(150),
                               [&] { return stop_ || parseWaits(); });
            }
            if (stop_) {
                return;
            }
            discarded.swap(discarded_);
            if (pending_) {
                if (restart_ || !parser) {
                    old = std::move(parser);
                    language = language_;
                    tooCostly = false;
                    restart_ = false;
                    cancel_ = 0;
                }
                edits.swap(edits_);
                text = std::move(text_);
                text_ = TextSnapshot();
                version = version_;
                pending_ = false;
                work = true;
            }
        }
        discarded.clear();
        old.reset();
        if (!work) {
            continue;
        }
        if (!parser) {
            PrepareHighlights(language);
            parser = std::make_unique<SyntaxParser>(language);
        }
        for (const SyntaxEdit& edit : edits) {
            parser->Edit(edit);
        }
        const ParseOutcome outcome = parser->Parse(text, &cancel_, LimitsFor(text.Length()));
        if (outcome == ParseOutcome::TooCostly) {
            parser = std::make_unique<SyntaxParser>(Language::Plain);
            tooCostly = true;
        }
        // The text is already a newer one when a parse was cancelled or
        // edits came in meanwhile: its result would be thrown away. A plain
        // text has no colours to hand out.
        std::unique_lock lock(mutex_);
        if (outcome == ParseOutcome::Cancelled || (pending_ && outcome == ParseOutcome::Parsed) ||
            (language == Language::Plain && !tooCostly)) {
            continue;
        }
        result_ = Result{version, parser->Trees(), tooCostly};
        lock.unlock();
        ready_();
    }
}

} // namespace sheafpad::syntax
