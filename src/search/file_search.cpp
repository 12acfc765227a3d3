// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/file_search.h"

#include "base/errors.h"
#include "platform/thread_priority.h"
#include "platform/whole_file.h"
#include "platform/working_dir.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>

namespace sheafpad::search {

namespace {

constexpr size_t kBeforeBytes = 80;      // of a line, shown before its match
constexpr size_t kMatchBytes = 200;      // of a match
constexpr size_t kAfterBytes = 200;      // of a line, shown after its match
const std::string kCut = "\xE2\x80\xA6"; // …

bool IsContinuation(char c) {
    return ((unsigned char)c & 0xC0) == 0x80;
}

// At most limit bytes of piece from its start (fromEnd: from its end), never
// cutting a character, "…" marking a cut.
std::string Cut(std::string_view piece, size_t limit, bool fromEnd) {
    if (piece.size() <= limit) {
        return std::string(piece);
    }
    if (fromEnd) {
        size_t start = piece.size() - limit;
        while (start < piece.size() && IsContinuation(piece[start])) {
            ++start;
        }
        return kCut + std::string(piece.substr(start));
    }
    size_t end = limit;
    while (end > 0 && IsContinuation(piece[end])) {
        --end;
    }
    return std::string(piece.substr(0, end)) + kCut;
}

MatchLine Shown(std::string_view text, size_t start, size_t end) {
    const size_t lineStart = start == 0 ? 0 : text.rfind('\n', start - 1) + 1; // npos + 1 == 0
    size_t lineEnd = text.find('\n', end > start ? end - 1 : end);
    lineEnd = lineEnd == std::string_view::npos ? text.size() : lineEnd;
    const size_t matchEnd =
        std::min(end, text.find('\n', start) == std::string_view::npos ? text.size()
                                                                       : text.find('\n', start));
    MatchLine line;
    line.before = Cut(text.substr(lineStart, start - lineStart), kBeforeBytes, true);
    line.match = Cut(text.substr(start, matchEnd - start), kMatchBytes, false);
    if (matchEnd < end && line.match.size() <= kMatchBytes) {
        line.match += kCut; // the match goes on past its first line
    }
    if (matchEnd == end) {
        line.after = Cut(text.substr(end, lineEnd - end), kAfterBytes, false);
    }
    return line;
}

} // namespace

std::optional<FileResult> SearchFile(size_t index, const std::string& path, const Matcher& matcher,
                                     MatchScratch& scratch, std::string& buffer, SearchText& text,
                                     size_t perFile, std::atomic<size_t>& shownLeft,
                                     const std::atomic<bool>* stop) {
    FileResult result;
    result.index = index;
    result.path = path;
    // The identity is taken before the read whose bytes are searched, so
    // that a change during it shows as a change. Most files cannot match: a
    // first read without it tells, and only the others are read again.
    const bool filtered = matcher.Filters();
    auto read = [&](std::string_view* bytes) {
        if (!filtered || bytes->data() != nullptr) {
            result.identity = platform::FileIdentityOf(path);
        }
        try {
            const size_t size = platform::ReadWholeFile(path, buffer);
            *bytes = std::string_view(buffer.data(), size);
            return true;
        } catch (const Error& error) {
            result.skipped = error.what();
            return false;
        }
    };
    std::string_view bytes;
    if (!read(&bytes)) {
        if (platform::IsDirectory(path)) {
            return std::nullopt; // a listed folder holds no text of its own
        }
        return result;
    }
    // A file that cannot match is not looked at further: one that is not
    // text is named only where it might have been changed.
    if (!matcher.MayMatch(bytes)) {
        return std::nullopt;
    }
    if (filtered && !read(&bytes)) {
        return result;
    }
    if (std::memchr(bytes.data(), 0, bytes.size()) != nullptr) {
        result.skipped = "The file holds NUL bytes, so it is not a text file";
        return result;
    }
    const auto stopped = [stop] { return stop != nullptr && stop->load(); };
    if (stopped()) {
        return std::nullopt;
    }
    text.Build(bytes);
    std::vector<std::pair<size_t, size_t>> spans; // of the lines kept
    std::string error;
    const bool matched = matcher.ForEach(
        text.text(), scratch,
        [&](const Found& found) {
            ++result.matchCount;
            if (spans.size() < perFile) {
                // One line from the shared allowance, if any is left.
                size_t left = shownLeft.load();
                while (left > 0 && !shownLeft.compare_exchange_weak(left, left - 1)) {
                }
                if (left > 0) {
                    spans.emplace_back(found.start, found.end);
                }
            }
            return true;
        },
        &error, stop);
    if (stopped()) {
        return std::nullopt;
    }
    if (!matched) {
        result.skipped = error;
        result.matchCount = 0;
        return result;
    }
    if (result.matchCount == 0) {
        return std::nullopt;
    }
    std::vector<size_t> offsets;
    offsets.reserve(spans.size() * 2);
    for (const auto& [start, end] : spans) {
        offsets.push_back(text.FileOffset(start));
        offsets.push_back(text.FileOffset(end));
    }
    const std::vector<PanePlace> places = PanePlaces(bytes, text.encoding(), offsets);
    result.lines.reserve(spans.size());
    for (size_t i = 0; i < spans.size(); ++i) {
        MatchLine line = Shown(text.text(), spans[i].first, spans[i].second);
        line.line = places[2 * i].line;
        line.panePos = places[2 * i].pos;
        line.paneLength = places[2 * i + 1].pos - places[2 * i].pos;
        result.lines.push_back(std::move(line));
    }
    return result;
}

namespace {

// Joins the threads of cancelled searches away from the window's thread;
// the last ones are joined when the program ends.
class ThreadReaper {
public:
    static ThreadReaper& Instance() {
        static ThreadReaper reaper;
        return reaper;
    }
    void Add(std::vector<std::thread> threads) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            for (std::thread& thread : threads) {
                waiting_.push_back(std::move(thread));
            }
            if (!joiner_.joinable()) {
                joiner_ = std::thread([this] { Run(); });
            }
        }
        wake_.notify_one();
    }
    ~ThreadReaper() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        if (joiner_.joinable()) {
            joiner_.join();
        }
    }

private:
    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || !waiting_.empty(); });
            if (waiting_.empty()) {
                return;
            }
            std::thread thread = std::move(waiting_.front());
            waiting_.pop_front();
            lock.unlock();
            thread.join();
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::thread> waiting_;
    bool stop_ = false;
    std::thread joiner_;
};

} // namespace

SearchJob::SearchJob(std::vector<std::string> paths, std::shared_ptr<const Matcher> matcher,
                     ShownLimits limits, unsigned threads)
    : state_(std::make_shared<State>()) {
    state_->paths = std::move(paths);
    state_->matcher = std::move(matcher);
    state_->limits = limits;
    state_->shownLeft = limits.total;
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
        ThreadReaper::Instance().Add(std::move(threads_));
        threads_.clear();
    }
}

void SearchJob::Work(const std::shared_ptr<State>& state) {
    platform::LowerThreadPriority(); // the window first, searching in the time left over
    MatchScratch scratch;
    std::string buffer;
    SearchText text;
    for (;;) {
        const size_t index = state->next++;
        if (index >= state->paths.size() || state->cancelled) {
            return;
        }
        std::optional<FileResult> result =
            SearchFile(index, state->paths[index], *state->matcher, scratch, buffer, text,
                       state->limits.perFile, state->shownLeft, &state->cancelled);
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
