// SPDX-License-Identifier: GPL-3.0-or-later
// Searching the listed files: each file read, checked for text and matched
// on worker threads, results handed out in list order as they come.
#pragma once

#include "platform/file_identity.h"
#include "search/matcher.h"
#include "search/search_text.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace sheafpad::search {

// A match as the results show it.
struct MatchLine {
    uint64_t line = 0;       // counted from 0
    uint64_t panePos = 0;    // where the match starts in the editor pane
    uint64_t paneLength = 0; // its length there
    // The match's line, UTF-8: before it, the match's first line, after it;
    // each cut to a few hundred bytes ("…" marks a cut).
    std::string before, match, after;
};

struct FileResult {
    size_t index = 0; // in the searched list
    std::string path;
    platform::FileIdentity identity; // taken before the file was read
    size_t matchCount = 0;
    std::vector<MatchLine> lines; // the first matches (see SearchJob's limits)
    std::string skipped;          // why the file was not searched; empty when it was
};

// How many match lines the results keep, per file and in all.
struct ShownLimits {
    size_t perFile = 1000;
    size_t total = 100000;
};

// Searches one file. Nothing when there is nothing to tell: no match, or a
// folder. shownLeft: lines that may still be kept, taken from as they are.
// Once *stop is set the search of the file ends soon, wherever it is, with
// nothing.
std::optional<FileResult> SearchFile(size_t index, const std::string& path, const Matcher& matcher,
                                     MatchScratch& scratch, std::string& buffer, SearchText& text,
                                     size_t perFile, std::atomic<size_t>& shownLeft,
                                     const std::atomic<bool>* stop = nullptr);

class SearchJob {
public:
    // Starts searching paths on threads (0: one per processor).
    SearchJob(std::vector<std::string> paths, std::shared_ptr<const Matcher> matcher,
              ShownLimits limits = {}, unsigned threads = 0);
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

    std::shared_ptr<State> state_;
    std::vector<std::thread> threads_;
};

} // namespace sheafpad::search
