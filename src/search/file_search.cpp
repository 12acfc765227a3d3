// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/file_search.h"

#include "platform/thread_priority.h"
#include "search/thread_reaper.h"

#include <algorithm>
#include <cstring>

namespace sheafpad::search {

namespace {

constexpr size_t kBeforeBytes = 80;      // of a line, shown before its match
constexpr size_t kMatchBytes = 200;      // of a match
constexpr size_t kAfterBytes = 200;      // of a line, shown after its match
const std::string kCut = "\xE2\x80\xA6"; // …

bool IsContinuation(char c) {
    return ((unsigned char)c & 0xC0) == 0x80;
}

// Appends at most limit bytes of piece from its start (fromEnd: from its
// end) to out, never cutting a character, "…" marking a cut.
void AppendCut(std::string& out, std::string_view piece, size_t limit, bool fromEnd) {
    if (piece.size() <= limit) {
        out += piece;
        return;
    }
    if (fromEnd) {
        size_t start = piece.size() - limit;
        while (start < piece.size() && IsContinuation(piece[start])) {
            ++start;
        }
        out += kCut;
        out += piece.substr(start);
        return;
    }
    size_t end = limit;
    while (end > 0 && IsContinuation(piece[end])) {
        --end;
    }
    out += piece.substr(0, end);
    out += kCut;
}

// The match's line around it. The line's ends are looked for only a little
// beyond what is shown, so that many matches on a line of megabytes (a
// minified script, a search index) cost no more than on a short line: a
// piece longer than its limit is cut, whether or not the line ends there.
MatchLine Shown(std::string_view text, size_t start, size_t end) {
    const char* const data = text.data();
    const size_t back = std::min(start, kBeforeBytes + 4);
    const void* before = ::memrchr(data + start - back, '\n', back);
    const size_t lineStart =
        before != nullptr ? size_t(static_cast<const char*>(before) - data) + 1 : start - back;
    const void* inMatch = std::memchr(data + start, '\n', end - start);
    const size_t matchEnd =
        inMatch != nullptr ? size_t(static_cast<const char*>(inMatch) - data) : end;
    MatchLine line;
    line.text.reserve(kBeforeBytes + kMatchBytes + kAfterBytes + 3 * kCut.size());
    AppendCut(line.text, text.substr(lineStart, start - lineStart), kBeforeBytes, true);
    line.matchStart = uint32_t(line.text.size());
    AppendCut(line.text, text.substr(start, matchEnd - start), kMatchBytes, false);
    if (matchEnd < end) {
        if (matchEnd - start <= kMatchBytes) {
            line.text += kCut; // the match goes on past its first line
        }
        line.matchEnd = uint32_t(line.text.size());
        return line;
    }
    line.matchEnd = uint32_t(line.text.size());
    const size_t ahead = std::min(text.size() - end, kAfterBytes + 4);
    const void* after = std::memchr(data + end, '\n', ahead);
    const size_t lineEnd =
        after != nullptr ? size_t(static_cast<const char*>(after) - data) : end + ahead;
    AppendCut(line.text, text.substr(end, lineEnd - end), kAfterBytes, false);
    return line;
}

} // namespace

bool ResultSink::Matched(const SearchText&, const Found& found) {
    ++count_;
    if (spans_.size() < perFile_) {
        // One line from the shared allowance, if any is left.
        size_t left = shownLeft_.load();
        while (left > 0 && !shownLeft_.compare_exchange_weak(left, left - 1)) {
        }
        if (left > 0) {
            spans_.emplace_back(found.start, found.end);
        }
    }
    return true;
}

FileResult ResultSink::Take(const Searcher& searcher) {
    FileResult result;
    result.identity = searcher.Identity();
    result.matchCount = count_;
    const SearchText& text = searcher.Text();
    std::vector<size_t> offsets;
    offsets.reserve(spans_.size() * 2);
    for (const auto& [start, end] : spans_) {
        offsets.push_back(text.FileOffset(start));
        offsets.push_back(text.FileOffset(end));
    }
    const std::vector<PanePlace> places =
        PanePlaces(searcher.Bytes(), text.encoding(), offsets, text.HasCr());
    result.lines.reserve(spans_.size());
    for (size_t i = 0; i < spans_.size(); ++i) {
        MatchLine line = Shown(text.text(), spans_[i].first, spans_[i].second);
        line.line = places[2 * i].line;
        line.panePos = places[2 * i].pos;
        line.paneLength = places[2 * i + 1].pos - places[2 * i].pos;
        result.lines.push_back(std::move(line));
    }
    count_ = 0;
    spans_.clear();
    return result;
}

std::optional<FileResult> SearchFile(Searcher& searcher, size_t index, const std::string& path,
                                     ResultSink& sink, const std::atomic<bool>* stop,
                                     const std::string* text) {
    const Searcher::Outcome outcome = text != nullptr ? searcher.SearchBytes(*text, sink, stop)
                                                      : searcher.SearchPath(path, sink, stop);
    FileResult result = sink.Take(searcher); // empties the sink whatever the outcome
    result.index = index;
    result.path = path;
    switch (outcome) {
    case Searcher::Outcome::Searched:
        if (result.matchCount == 0) {
            return std::nullopt;
        }
        return result;
    case Searcher::Outcome::Skipped:
        result.matchCount = 0;
        result.lines.clear();
        result.skipped = searcher.Reason();
        return result;
    default:
        return std::nullopt;
    }
}

SearchJob::SearchJob(std::vector<std::string> paths, std::shared_ptr<const Matcher> matcher,
                     ShownLimits limits, unsigned threads)
    : state_(std::make_shared<State>()) {
    state_->paths = std::move(paths);
    state_->matcher = std::move(matcher);
    state_->limits = limits;
    state_->shownLeft = limits.total;
    Start(threads);
}

SearchJob::SearchJob(std::string path, std::string text, std::shared_ptr<const Matcher> matcher,
                     ShownLimits limits)
    : state_(std::make_shared<State>()) {
    state_->paths = {std::move(path)};
    state_->text = std::move(text);
    state_->matcher = std::move(matcher);
    state_->limits = limits;
    state_->shownLeft = limits.total;
    Start(1);
}

void SearchJob::Start(unsigned threads) {
    state_->found.resize(state_->paths.size());
    state_->done.assign(state_->paths.size(), 0);
    if (threads == 0) {
        threads = std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
    }
    threads = unsigned(std::min<size_t>(threads, std::max<size_t>(1, state_->paths.size())));
    for (unsigned i = 0; i < threads; ++i) {
        threads_.emplace_back([state = state_] { Work(state); });
    }
}

SearchJob::~SearchJob() {
    Cancel();
}

void SearchJob::Cancel() {
    state_->cancelled = true;
    if (!threads_.empty()) {
        JoinAside(std::move(threads_));
        threads_.clear();
    }
}

void SearchJob::Work(const std::shared_ptr<State>& state) {
    // The window first; but a search the user waits for is not put behind
    // every other program of a busy machine.
    platform::LowerThreadPriority(1);
    Searcher searcher(state->matcher);
    ResultSink sink(state->limits.perFile, state->shownLeft);
    for (;;) {
        const size_t index = state->next++;
        if (index >= state->paths.size() || state->cancelled) {
            return;
        }
        std::optional<FileResult> result =
            SearchFile(searcher, index, state->paths[index], sink, &state->cancelled,
                       state->text ? &*state->text : nullptr);
        if (state->cancelled) {
            return; // the file was not searched to its end: not done
        }
        if (result && result->matchCount > result->lines.size()) {
            state->linesLeftOut = true;
        }
        {
            const std::lock_guard<std::mutex> lock(state->mutex);
            state->found[index] = std::move(result);
            state->done[index] = 1;
        }
        ++state->filesDone;
    }
}

std::vector<FileResult> SearchJob::Take() {
    std::vector<FileResult> taken;
    State& state = *state_;
    const std::lock_guard<std::mutex> lock(state.mutex);
    if (state.cancelled) {
        return taken;
    }
    for (; state.delivered < state.paths.size() && state.done[state.delivered]; ++state.delivered) {
        if (state.found[state.delivered]) {
            taken.push_back(std::move(*state.found[state.delivered]));
            state.found[state.delivered].reset();
        }
    }
    return taken;
}

bool SearchJob::Finished() const {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->delivered == state_->paths.size() || state_->cancelled;
}

} // namespace sheafpad::search
