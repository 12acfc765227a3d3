// SPDX-License-Identifier: GPL-3.0-or-later
// The edits made to a text since its last whole recovery copy, one record
// each, appended as they are made: a copy and the journals that follow it
// give the text as it was at the last edit, however the program ended.
//
// On disk a journal starts with the line "Sheafpad journal 2", then the
// header of an entry without text (recovery_entry.h: the edited file, what
// it was when loaded, its encoding, when the journal began and its
// generation), then the base line, then records:
//   base file <units>   the text the edits start from is the loaded file's
//                       content as loading decoded it, of so many UTF-16
//                       units; so the journal can be applied to that file
//                       while it still holds that content, before any
//                       whole copy is finished
//   base copy           the text is that of the copy of its generation
// A record, numbers in the machine's byte order:
//   'E', position (8 bytes), units removed (8), units inserted n (4),
//   the n inserted UTF-16 units (2 bytes each), check (4 bytes, of all before it)
// Positions count UTF-16 units of the editor's text, line breaks as one.
// Journals of version 1 have the line "Sheafpad journal 1" alone before
// their records.
#pragma once

#include "recovery/recovery_entry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sheafpad {
class TextBuffer;
}

namespace sheafpad::recovery {

inline constexpr std::string_view kJournalMagic1 = "Sheafpad journal 1\n";

// What a journal says before its records.
struct JournalStart {
    Entry about;                      // its text empty
    std::optional<uint64_t> fromFile; // base file: the length of the loaded text
    size_t length = 0;                // of the start, in bytes
};

// The start of a journal about the entry (its text ignored); fromFile: the
// edits start from the loaded file's text, of so many units.
std::string JournalStartText(const Entry& about, std::optional<uint64_t> fromFile);
// The start of the journal in bytes; nothing where bytes do not begin with
// a whole start of version 2.
std::optional<JournalStart> ParseJournalStart(std::string_view bytes);

// One record: removed units at pos gave way to inserted.
std::string JournalRecord(uint64_t pos, uint64_t removed, std::u16string_view inserted);

// Applies the records of a journal's bytes (of either version) to text, in
// order. A record cut short, damaged or not fitting the text ends the
// journal there (a write that a crash cut off). Returns false when bytes
// are not a journal at all.
bool ApplyJournal(std::string_view bytes, TextBuffer& text);

} // namespace sheafpad::recovery
