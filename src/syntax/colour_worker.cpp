// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntax/colour_worker.h"

#include "platform/memory.h"
#include "platform/thread_priority.h"
#include "platform/thread_time.h"
#include "syntax/segmented_colours.h"

#include <algorithm>
#include <chrono>

namespace sheafpad::syntax {

namespace {

// Characters around an edit coloured again with it: a word's colour may
// hang on its whole text (a name that the grammar treats apart).
constexpr size_t kAround = 256;
// Of a text coloured whole, what is shown comes first, in a patch of this
// many characters from a little above it.
constexpr size_t kShownFirst = 16 * 1024;

} // namespace

// What the worker's thread knows of the text it colours.
class ColourWorker::Colouring {
public:
    TextSnapshot text; // the newest version given
    uint64_t version = 0;
    uint64_t shows = 0; // Show calls taken in

    void Start(Language language, TextRange shown) {
        language_ = language;
        shown_ = shown;
        parser_.reset();
        segmented_.reset();
        owed_.clear();
        stale_ = language != Language::Plain;
    }
    void Stop() { Start(Language::Plain, kAll); }
    void Show(TextRange shown) { shown_ = shown; }
    void Edit(const SyntaxEdit& edit) {
        const TextChange& change = edit.change;
        if (parser_) {
            parser_->Edit(edit);
        }
        if (segmented_) {
            segmented_->Edit(edit);
        }
        MoveRanges(owed_, change);
        AddRange(owed_, {change.pos - std::min(change.pos, kAround),
                         change.pos + change.inserted + kAround});
        shown_ = TextRange{MovePosition(shown_.start, change, Stick::Before),
                           shown_.end == kAll.end ? kAll.end
                                                  : MovePosition(shown_.end, change, Stick::After)};
        stale_ = language_ != Language::Plain;
    }
    // Whether syntax trees are kept for the next edit.
    bool KeepsTrees() const {
        return (parser_ && !parser_->Trees().Empty()) || (segmented_ && segmented_->KeepsTree());
    }
    // Frees the trees: the next edit parses the text (or its stretch) again.
    void DropTrees() {
        if (parser_) {
            parser_->Drop();
        }
        if (segmented_) {
            segmented_->DropTree();
        }
    }
    bool MoreToDo() const {
        return language_ != Language::Plain &&
               (stale_ || !owed_.empty() || (segmented_ && !segmented_->Done(Needed())));
    }
    ParseOutcome Work(const std::atomic<size_t>* cancel, Result& result) {
        const size_t length = text.Length();
        if (length > kMostKeptTree && language_ != Language::Html) {
            if (!segmented_) {
                parser_.reset();
                segmented_ = std::make_unique<SegmentedColours>(language_);
                segmented_->Reset(length);
            }
            owed_.clear(); // the stretches know what they owe
            stale_ = false;
            // A stretch is a few hundred thousand characters at most.
            ParseLimits limits =
                LimitsFor(SegmentedColours::kMostLead + SegmentedColours::kStretch);
            limits.slowestUnitsPerSecond = 0;
            const TextRange wanted = Wanted();
            const TextRange shown{shown_.start, std::max(shown_.end, shown_.start + 1)};
            const ParseOutcome outcome =
                segmented_->Step(text, shown, wanted, cancel, limits, result.patches);
            result.complete = segmented_->Done(Needed());
            result.shownComplete = segmented_->Done(shown);
            return outcome;
        }
        const ParseLimits limits = LimitsFor(length);
        segmented_.reset();
        if (stale_) {
            const ParseOutcome outcome = Parse(cancel, limits);
            if (outcome != ParseOutcome::Parsed) {
                return outcome;
            }
        }
        // What is shown first, when much more is owed.
        const auto& trees = parser_->Trees();
        std::vector<UnitRange> now;
        const UnitRange shown{shown_.start - std::min(shown_.start, kShownFirst / 4),
                              std::min(length, std::max(shown_.end, shown_.start + kShownFirst))};
        size_t owed = 0;
        for (const UnitRange& r : owed_) {
            owed += r.end - r.start;
        }
        if (owed > 2 * kShownFirst) {
            for (const UnitRange& r : owed_) {
                AddRange(now, {std::max(r.start, shown.start), std::min(r.end, shown.end)});
            }
        }
        if (now.empty()) {
            now.swap(owed_);
        }
        for (const UnitRange& r : now) {
            const size_t end = std::min(r.end, length);
            if (r.start < end) {
                result.patches.push_back(ColourPatch{
                    r.start,
                    highlighter_.Kinds(
                        trees, [&](size_t pos, size_t count) { return text.Text(pos, count); },
                        r.start, end)});
            }
            if (!owed_.empty()) { // taken out of what is owed
                std::vector<UnitRange> rest;
                for (const UnitRange& o : owed_) {
                    AddRange(rest, {o.start, std::min(o.end, r.start)});
                    AddRange(rest, {std::max(o.start, r.end), o.end});
                }
                owed_.swap(rest);
            }
        }
        result.complete = owed_.empty();
        result.shownComplete = std::none_of(owed_.begin(), owed_.end(), [&](const UnitRange& r) {
            return r.start < shown_.end && r.end > shown_.start;
        });
        if (result.complete && length > kMostKeptTree) {
            parser_->Drop(); // a big page is parsed anew after edits
        }
        return ParseOutcome::Parsed;
    }

private:
    // Parses the text again (incrementally while the trees are kept) and
    // owes the colours of what changed.
    ParseOutcome Parse(const std::atomic<size_t>* cancel, const ParseLimits& limits) {
        if (!parser_) {
            parser_ = std::make_unique<SyntaxParser>(language_);
        }
        const SyntaxTrees old = parser_->Trees(); // shares its nodes
        const ParseOutcome outcome = parser_->Parse(text, cancel, limits);
        if (outcome != ParseOutcome::Parsed) {
            return outcome;
        }
        stale_ = false;
        for (const UnitRange& r : ChangedRanges(old, parser_->Trees(), text.Length())) {
            AddRange(owed_, r);
        }
        return outcome;
    }

    // What is shown, and a margin around it.
    // What is shown and margin around it.
    TextRange Around(size_t margin) const {
        return TextRange{shown_.start - std::min(shown_.start, margin),
                         shown_.end >= kAll.end - margin ? kAll.end : shown_.end + margin};
    }
    // Colouring is due when half the margin is not coloured (so that the
    // view moving by a row or a key does not parse a stretch each time),
    // and then colours the whole margin.
    TextRange Wanted() const { return Around(kMargin); }
    TextRange Needed() const { return Around(kMargin / 2); }

    Language language_ = Language::Plain;
    TextRange shown_ = kAll;
    std::unique_ptr<SyntaxParser> parser_;
    std::unique_ptr<SegmentedColours> segmented_;
    // The trees are behind the text.
    bool stale_ = false;
    // Where colours are owed: changed since they were last handed out.
    std::vector<UnitRange> owed_;
    SyntaxHighlighter highlighter_;
};

ColourWorker::ColourWorker(std::function<void()> ready, std::chrono::milliseconds keepTrees)
    : ready_(std::move(ready)), keepTrees_(keepTrees), thread_([this] { Run(); }) {}

ColourWorker::~ColourWorker() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        cancel_ = 1;
    }
    wake_.notify_one();
    thread_.join();
}

void ColourWorker::Start(Language language, TextSnapshot text, uint64_t version, TextRange shown) {
    {
        std::lock_guard lock(mutex_);
        restart_ = true;
        ++starts_;
        language_ = language;
        shown_ = shown;
        showing_ = false;
        shows_ = 0;
        edits_.clear();
        text_ = std::move(text);
        newText_ = true;
        version_ = version;
        pending_ = true;
        results_.clear();
        cancel_ = 1;
    }
    wake_.notify_one();
}

void ColourWorker::Edited(const SyntaxEdit& edit, TextSnapshot text, uint64_t version) {
    {
        std::lock_guard lock(mutex_);
        edits_.push_back(edit);
        if (showing_) { // not yet taken: it moves with the text
            const TextChange& c = edit.change;
            shown_ = TextRange{MovePosition(shown_.start, c, Stick::Before),
                               shown_.end == kAll.end ? kAll.end
                                                      : MovePosition(shown_.end, c, Stick::After)};
        }
        text_ = std::move(text);
        newText_ = true;
        version_ = version;
        pending_ = true;
    }
    wake_.notify_one();
}

void ColourWorker::Show(TextRange shown) {
    {
        std::lock_guard lock(mutex_);
        shown_ = shown;
        showing_ = true;
        ++shows_;
        pending_ = true;
    }
    wake_.notify_one();
}

ParseLimits ColourWorker::LimitsFor(size_t length) {
    // Code parses at a few million characters a second of processor time;
    // a text that is no code at all (random letters and signs) at a tenth.
    // Instrumented builds run it many times slower: the limits are of work,
    // not of time.
    ParseLimits limits;
    limits.cpuSeconds = (2.0 + double(length) / 1e6) * platform::kBuildSlowdown;
    limits.slowestUnitsPerSecond = 1e6 / platform::kBuildSlowdown;
    limits.judgeAfterSeconds = 0.2 * platform::kBuildSlowdown;
    // The trees take 15 to 100 bytes a character (minified scripts the
    // most): an eighth of the computer's memory at most.
    const size_t memory = platform::PhysicalMemoryBytes();
    limits.treeBytes = memory > 0 ? memory / 8 : size_t(512) << 20;
    return limits;
}

std::vector<ColourWorker::Result> ColourWorker::Take() {
    std::lock_guard lock(mutex_);
    std::vector<Result> results;
    results.swap(results_);
    return results;
}

void ColourWorker::Run() {
    // The thread keeps its priority: the colours of a typed key are due
    // within milliseconds also while other programs keep the processors
    // busy, and the text's own thread never waits for this one.
    platform::NameThread("colours");
    Colouring colouring;
    for (;;) {
        std::vector<SyntaxEdit> edits;
        bool restart = false;
        Language language = Language::Plain;
        TextRange shown = kAll;
        bool showing = false;
        uint64_t starts = 0, shows = colouring.shows;
        {
            std::unique_lock lock(mutex_);
            auto due = [&] { return stop_ || pending_ || colouring.MoreToDo(); };
            // Trees take tens of bytes a character: kept while the text is
            // being edited, freed once it has rested a while.
            if (colouring.KeepsTrees() && !wake_.wait_for(lock, keepTrees_, due)) {
                lock.unlock();
                colouring.DropTrees();
                treesFreed_ += colouring.KeepsTrees() ? 0 : 1;
                continue;
            }
            wake_.wait(lock, due);
            if (stop_) {
                return;
            }
            if (pending_) {
                if (restart_) {
                    restart = true;
                    language = language_;
                    shown = shown_;
                    restart_ = false;
                }
                cancel_ = 0; // whatever stopped the last parse has come
                edits.swap(edits_);
                if (newText_) {
                    colouring.text = std::move(text_);
                    text_ = TextSnapshot();
                    colouring.version = version_;
                    newText_ = false;
                }
                showing = showing_;
                shows = shows_;
                if (showing_) {
                    shown = shown_;
                    showing_ = false;
                }
                pending_ = false;
            }
            starts = starts_;
        }
        if (restart) {
            colouring.Start(language, shown); // frees the old trees, outside the lock
        }
        colouring.shows = shows;
        for (const SyntaxEdit& edit : edits) {
            colouring.Edit(edit);
        }
        if (showing) {
            colouring.Show(shown);
        }
        if (!colouring.MoreToDo()) {
            if (showing) {
                // Nothing more to colour there: its colours are complete.
                std::unique_lock lock(mutex_);
                if (starts == starts_) {
                    results_.push_back(
                        Result{colouring.version, {}, true, true, false, colouring.shows});
                    lock.unlock();
                    ready_();
                }
            }
            continue;
        }
        Result result;
        result.version = colouring.version;
        result.shows = colouring.shows;
        const ParseOutcome outcome = colouring.Work(&cancel_, result);
        if (outcome == ParseOutcome::Cancelled) {
            continue; // a new text or edit has come
        }
        if (outcome == ParseOutcome::TooCostly) {
            colouring.Stop();
            result = Result{colouring.version, {}, false, false, true, colouring.shows};
        }
        std::unique_lock lock(mutex_);
        if (starts != starts_) {
            continue; // of a text that is gone
        }
        results_.push_back(std::move(result));
        lock.unlock();
        ready_();
    }
}

} // namespace sheafpad::syntax
