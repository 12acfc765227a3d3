// SPDX-License-Identifier: GPL-3.0-or-later
// The edits made to a text since its last whole recovery copy, one record
// each, appended as they are made: a copy and the journals that follow it
// give the text as it was at the last edit, however the program ended.
//
// On disk a journal is the line "Sheafpad journal 1" followed by records,
// numbers in the machine's byte order:
//   'E', position (8 bytes), units removed (8), units inserted n (4),
//   the n inserted UTF-16 units (2 bytes each), check (4 bytes, of all before it)
// Positions count UTF-16 units of the editor's text, line breaks as one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sheafpad {
class TextBuffer;
}

namespace sheafpad::recovery {

inline constexpr std::string_view kJournalMagic = "Sheafpad journal 1\n";

// One record: removed units at pos gave way to inserted.
std::string JournalRecord(uint64_t pos, uint64_t removed, std::u16string_view inserted);

// Applies the records of a journal's bytes to text, in order. A record cut
// short, damaged or not fitting the text ends the journal there (a write
// that a crash cut off). Returns false when bytes are not a journal at all.
bool ApplyJournal(std::string_view bytes, TextBuffer& text);

} // namespace sheafpad::recovery
