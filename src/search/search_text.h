// SPDX-License-Identifier: GPL-3.0-or-later
// A file's text as a search sees it: what the editor pane shows when it
// opens the file (the same encoding rule, CR LF, CR and LF each one line
// break), held as UTF-8 with '\n' line breaks, and the way back from a place
// in that text to the file's bytes and to the pane's positions.
#pragma once

#include "text/text_format.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sheafpad::search {

class SearchText {
public:
    // bytes: a file's whole content, holding no NUL; they must outlive the
    // text, which may be a view of them. Reuses its buffers from the last Build.
    void Build(std::string_view bytes);

    std::string_view text() const { return text_; }
    // Whether the file's bytes hold a CR (else its line breaks are LF alone).
    bool HasCr() const { return hasCr_; }
    TextEncoding encoding() const { return encoding_; }
    // The byte offset in the file of a character boundary of text(). A line
    // break from CR LF starts at its CR and ends after its LF. A UTF-8
    // file's byte-order mark is no part of the text: offsets are past it.
    size_t FileOffset(size_t textPos) const;

private:
    std::string_view text_;
    std::string own_; // the text when it is not the file's bytes as they are
    TextEncoding encoding_ = TextEncoding::Utf8;
    bool hasCr_ = false;
    size_t base_ = 0; // the byte-order mark's length
    // (text position, file offset) after each place where the two stop
    // running in step: an LF dropped after a CR, a Latin-1 byte widened.
    std::vector<std::pair<size_t, size_t>> marks_;
};

// Where places of a file's bytes are in the editor pane.
struct PanePlace {
    uint64_t pos = 0;  // in the pane's positions (UTF-16 units, a line break one)
    uint64_t line = 0; // counted from 0
};

// The pane places of offsets (ascending, each at a character boundary and
// never between a CR and its LF) in a file of bytes read as encoding. The
// byte-order mark takes no place: an offset inside it is the text's start.
// hasCr false: the bytes hold no CR, which makes the count cheaper.
std::vector<PanePlace> PanePlaces(std::string_view bytes, TextEncoding encoding,
                                  const std::vector<size_t>& offsets, bool hasCr = true);

// text (UTF-8 or Latin-1 bytes) as UTF-8.
std::string ToUtf8(std::string_view text, TextEncoding encoding);

} // namespace sheafpad::search
