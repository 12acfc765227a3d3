// SPDX-License-Identifier: GPL-3.0-or-later
// Searching the listed files: each file read, checked for text and matched
// on worker threads, results handed out in list order as they come.
#pragma once

#include "platform/file_identity.h"
#include "search/matcher.h"
#include "search/searcher.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace sheafpad::search {

// A match as the results show it.
struct MatchLine {
    uint64_t line = 0;       // counted from 0
    uint64_t panePos = 0;    // where the match starts in the editor pane
    uint64_t paneLength = 0; // its length there
    // The match's line, UTF-8, in one string (one allocation a line): before
    // the match, the match's first line, after it; each piece cut to a few
    // hundred bytes ("…" marks a cut).
    std::string text;
    uint32_t matchStart = 0, matchEnd = 0; // the match's piece in text
    std::string_view before() const { return std::string_view(text).substr(0, matchStart); }
    std::string_view match() const {
        return std::string_view(text).substr(matchStart, matchEnd - matchStart);
    }
    std::string_view after() const { return std::string_view(text).substr(matchEnd); }
};

struct FileResult {
    size_t index = 0; // in the searched list
    std::string path;
    platform::FileIdentity identity; // taken before the file was read
    size_t matchCount = 0;
    // The first matches in order (see ShownLimits): lines[i] is match i.
    std::vector<MatchLine> lines;
    std::string skipped; // why the file was not searched; empty when it was
};

// How many match lines the results keep, per file and in all.
struct ShownLimits {
    size_t perFile = 1000;
    size_t total = 100000;
};

// Collects what the results show of one file's matches: all are counted,
// the first ones (within the limits) kept as lines.
class ResultSink final : public SearchSink {
public:
    // shownLeft: lines that may still be kept in all, taken from as they are.
    ResultSink(size_t perFile, std::atomic<size_t>& shownLeft)
        : perFile_(perFile), shownLeft_(shownLeft) {}
    bool Matched(const SearchText& text, const Found& found) override;
    // The result of the searcher's last search into this sink; the sink is
    // empty again after it.
    FileResult Take(const Searcher& searcher);

private:
    size_t perFile_;
    std::atomic<size_t>& shownLeft_;
    size_t count_ = 0;
    std::vector<std::pair<size_t, size_t>> spans_; // of the lines kept
};

// Searches one file with searcher (or, when text is given, that text in
// the file's place: the file as an editor holds it). Nothing when there is
// nothing to tell: no match, a folder, or a search stopped by *stop.
std::optional<FileResult> SearchFile(Searcher& searcher, size_t index, const std::string& path,
                                     ResultSink& sink, const std::atomic<bool>* stop = nullptr,
                                     const std::string* text = nullptr);

class SearchJob {
public:
    // Starts searching paths on threads (0: one per processor).
    SearchJob(std::vector<std::string> paths, std::shared_ptr<const Matcher> matcher,
              ShownLimits limits = {}, unsigned threads = 0);
    // Searches one text (UTF-8, '\n' line breaks) that stands for the file at path.
    SearchJob(std::string path, std::string text, std::shared_ptr<const Matcher> matcher,
              ShownLimits limits = {});
    ~SearchJob(); // cancels
    SearchJob(const SearchJob&) = delete;
    SearchJob& operator=(const SearchJob&) = delete;

    // The results found since the last call, in list order (files with
    // nothing to tell left out). Never waits for the threads.
    std::vector<FileResult> Take();
    // Every result has been taken (or the job was cancelled).
    bool Finished() const;
    size_t FilesDone() const { return state_->filesDone.load(); }
    size_t FileCount() const { return state_->paths.size(); }
    // Whether some match lines were left out by the limits.
    bool LinesLeftOut() const { return state_->linesLeftOut.load(); }
    // Stops the search at once: no result comes after it. The threads end
    // soon after, wherever they are, also inside a big file; nothing waits
    // for them (they are joined aside).
    void Cancel();

private:
    // What the threads share with the job, kept alive by them until they end.
    struct State {
        std::vector<std::string> paths;
        std::optional<std::string> text; // searched in the place of the one path
        std::shared_ptr<const Matcher> matcher;
        ShownLimits limits;
        std::atomic<size_t> next{0};
        std::atomic<size_t> filesDone{0};
        std::atomic<size_t> shownLeft{0};
        std::atomic<bool> linesLeftOut{false};
        std::atomic<bool> cancelled{false};
        std::mutex mutex;
        std::vector<std::optional<FileResult>> found; // by list index, until taken
        std::vector<char> done;
        size_t delivered = 0; // results before this index are taken
    };
    static void Work(const std::shared_ptr<State>& state);
    void Start(unsigned threads);

    std::shared_ptr<State> state_;
    std::vector<std::thread> threads_;
};

} // namespace sheafpad::search
