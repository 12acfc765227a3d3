// SPDX-License-Identifier: GPL-3.0-or-later
// Searching one file (or one text) at a time: a Searcher reads the file
// into buffers of its own, which it keeps from file to file, turns its bytes
// into the text that the pane shows, and hands every match its Matcher
// finds to a sink. One Searcher a thread.
#pragma once

#include "platform/file_identity.h"
#include "search/matcher.h"
#include "search/search_text.h"

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

namespace sheafpad::search {

// Gets the matches of one file in turn.
class SearchSink {
public:
    virtual ~SearchSink() = default;
    // A match in text; false stops the search of the file.
    virtual bool Matched(const SearchText& text, const Found& found) = 0;
};

class Searcher {
public:
    explicit Searcher(std::shared_ptr<const Matcher> matcher) : matcher_(std::move(matcher)) {}

    enum class Outcome {
        Searched, // every match went to the sink (maybe none)
        Passed,   // the file surely holds no match: it was not looked at further
        Folder,   // a listed folder, which holds no text of its own
        Skipped,  // not searched: Reason() says why
        Stopped,  // *stop was set during the search
    };
    // Reads and searches the file at path. Its identity is taken before the
    // read, so that a change during the read shows as a change later.
    Outcome SearchPath(const std::string& path, SearchSink& sink,
                       const std::atomic<bool>* stop = nullptr);
    // Searches bytes (a file's content, outliving the call's use of Bytes()).
    Outcome SearchBytes(std::string_view bytes, SearchSink& sink,
                        const std::atomic<bool>* stop = nullptr);

    // Of the last search: the file's identity (SearchPath), its bytes and
    // text, and why it was skipped.
    const platform::FileIdentity& Identity() const { return identity_; }
    std::string_view Bytes() const { return bytes_; }
    const SearchText& Text() const { return text_; }
    const std::string& Reason() const { return reason_; }
    const Matcher& matcher() const { return *matcher_; }

private:
    std::shared_ptr<const Matcher> matcher_;
    MatchScratch scratch_;
    std::string buffer_; // the file's bytes, grown to the biggest file yet
    SearchText text_;
    platform::FileIdentity identity_;
    std::string_view bytes_;
    std::string reason_;
};

} // namespace sheafpad::search
