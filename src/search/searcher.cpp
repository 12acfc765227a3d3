// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/searcher.h"

#include "base/errors.h"
#include "platform/whole_file.h"
#include "platform/working_dir.h"

#include <cstring>

namespace sheafpad::search {

namespace {

// Hands each match to the sink: the matcher's callback without a
// std::function of the sink's own.
struct ToSink {
    SearchSink& sink;
    const SearchText& text;
    bool operator()(const Found& found) const { return sink.Matched(text, found); }
};

} // namespace

Searcher::Outcome Searcher::SearchPath(const std::string& path, SearchSink& sink,
                                       const std::atomic<bool>* stop) {
    identity_ = platform::FileIdentityOf(path);
    bytes_ = {};
    reason_.clear();
    try {
        const size_t size = platform::ReadWholeFile(path, buffer_);
        bytes_ = std::string_view(buffer_.data(), size);
    } catch (const Error& error) {
        if (platform::IsDirectory(path)) {
            return Outcome::Folder;
        }
        reason_ = error.what();
        return Outcome::Skipped;
    }
    return SearchBytes(bytes_, sink, stop);
}

Searcher::Outcome Searcher::SearchBytes(std::string_view bytes, SearchSink& sink,
                                        const std::atomic<bool>* stop) {
    bytes_ = bytes;
    reason_.clear();
    // A file that cannot match is not looked at further: one that is not
    // text is named only where it might have been changed.
    if (!matcher_->MayMatch(bytes)) {
        return Outcome::Passed;
    }
    if (std::memchr(bytes.data(), 0, bytes.size()) != nullptr) {
        reason_ = "The file holds NUL bytes, so it is not a text file";
        return Outcome::Skipped;
    }
    const auto stopped = [stop] { return stop != nullptr && stop->load(); };
    if (stopped()) {
        return Outcome::Stopped;
    }
    text_.Build(bytes);
    if (!matcher_->ForEach(text_.text(), scratch_, ToSink{sink, text_}, &reason_, stop)) {
        return Outcome::Skipped;
    }
    return stopped() ? Outcome::Stopped : Outcome::Searched;
}

} // namespace sheafpad::search
