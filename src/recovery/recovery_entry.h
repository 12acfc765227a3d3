// One recovery copy: the unsaved text of one file, as a save would write it,
// with what is needed to put it back into the editor at a later start.
//
// On disk an entry is a short header of text lines followed by the text's
// bytes; the path and the text are stored with their lengths, so any bytes
// come back as they were:
//   Sheafpad recovery 1
//   path <length>
//   <path bytes>
//   loaded <device> <inode> <mtime ns>   ("loaded -" when unknown)
//   encoding utf-8|latin-1
//   text-encoding utf-8|latin-1
//   copied <ns since 1970>
//   text <length>
//   <text bytes>
#pragma once

#include "platform/state_files.h"
#include "text/text_codec.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sheafpad::recovery {

struct Entry {
    std::string path;                           // the edited file's full path
    platform::FileIdentity loaded;              // the file as it was when its text was loaded
    TextEncoding encoding = TextEncoding::Utf8; // the file's: saves write in it
    // The encoding of text: the file's, unless the text holds a character
    // that the file's encoding cannot store; then UTF-8.
    TextEncoding textEncoding = TextEncoding::Utf8;
    std::string text;       // line breaks as CR LF
    int64_t copiedAtNs = 0; // when the copy was taken, ns since 1970 (UTC)
};

// Sets the entry's text from the editor's text (line breaks as '\n' or
// U+2029) and the file's encoding, as a save would write it. Where the save
// would refuse a character, the text is kept in UTF-8 instead, so that
// nothing typed is lost (a lone surrogate, which no encoding stores, becomes
// U+FFFD).
void SetText(Entry& entry, std::u16string_view text, TextEncoding fileEncoding);

// The header that precedes the text bytes in the entry's file.
std::string Header(const Entry& entry);

// The entry stored in bytes (a header followed by the text), or nothing when
// bytes are not a whole entry.
std::optional<Entry> Parse(std::string_view bytes);

} // namespace sheafpad::recovery
