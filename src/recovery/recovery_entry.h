// SPDX-License-Identifier: GPL-3.0-or-later
// One recovery copy: the unsaved text of one file, as a save would write it,
// with what is needed to put it back into the editor at a later start.
//
// On disk an entry is a short header of text lines followed by the text's
// bytes; the path and the text are stored with their lengths, so any bytes
// come back as they were:
//   Sheafpad recovery 1
//   path <length>
//   <path bytes>
//   loaded <device> <inode> <mtime ns> <size> <ctime ns> <content hash>
//                        ("loaded -" when unknown; older copies end after the size)
//   encoding utf-8|latin-1
//   text-encoding utf-8|latin-1
//   line-break crlf|lf|cr                (older copies: none, CR LF meant)
//   byte-order-mark                      (only where the file has one)
//   copied <ns since 1970>
//   journal <generation>                 (only where journals continue the copy)
//   text <length>                        (20 digits, filled in after the text)
//   <text bytes>
#pragma once

#include "platform/state_files.h"
#include "text/text_format.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace sheafpad::recovery {

struct Entry {
    std::string path;              // the edited file's full path
    platform::FileIdentity loaded; // the file as it was when its text was loaded
    // The file's format (encoding, line break, byte-order mark): saves write in it.
    TextFormat format;
    // The encoding of text: the file's, unless the text holds a character
    // that the file's encoding cannot store; then UTF-8.
    TextEncoding textEncoding = TextEncoding::Utf8;
    std::string text;       // line breaks as CR LF, no byte-order mark
    int64_t copiedAtNs = 0; // when the copy was taken, ns since 1970 (UTC)
    // The generation of the journals that hold the edits made after the copy
    // was taken (recovery_journal.h); 0 where none follow.
    uint64_t journal = 0;
};

// Encodes the editor's text (line breaks '\n' or U+2029) as a save in
// fileEncoding would write it, a piece at a time to sink, so that no copy of
// the whole is made. Where the save would refuse a character, the text goes
// in UTF-8 instead, so that nothing typed is lost (a lone surrogate, which no
// encoding stores, as U+FFFD): begin(encoding) is called before each attempt,
// so that the receiver can start over. Returns the encoding of the pieces.
TextEncoding EncodeForCopy(std::u16string_view text, TextEncoding fileEncoding,
                           const std::function<void(TextEncoding)>& begin,
                           const std::function<void(std::string_view)>& sink);
// The same for a text handed out in consecutive parts by each call of text
// (a snapshot's, which is never copied whole: a text kept one byte a unit
// would double).
using TextParts = std::function<void(const std::function<bool(std::u16string_view)>&)>;
TextEncoding EncodeForCopy(const TextParts& text, TextEncoding fileEncoding,
                           const std::function<void(TextEncoding)>& begin,
                           const std::function<void(std::string_view)>& sink);

// Sets the entry's text, format and text encoding through EncodeForCopy.
void SetText(Entry& entry, std::u16string_view text, const TextFormat& fileFormat);

// The header that precedes the text bytes in the entry's file.
std::string Header(const Entry& entry);
// Where in the header the text's length stands, and its form there.
constexpr size_t kLengthDigits = 20;
inline size_t LengthOffset(const std::string& header) {
    return header.size() - kLengthDigits - 1;
}
std::string LengthDigits(uint64_t length);

// The entry stored in bytes (a header followed by the text), or nothing when
// bytes are not a whole entry.
std::optional<Entry> Parse(std::string_view bytes);

// The header at the start of bytes (the entry without its text), where the
// text starts and how long it says the text is; nothing when bytes do not
// start with a whole header.
struct ParsedHeader {
    Entry entry;
    size_t headerLength = 0;
    uint64_t textLength = 0;
};
std::optional<ParsedHeader> ParseHeader(std::string_view bytes);

} // namespace sheafpad::recovery
