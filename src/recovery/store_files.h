// SPDX-License-Identifier: GPL-3.0-or-later
// What the parts of the recovery store share: the names of its files and
// how they are read. Private to src/recovery.
#pragma once

#include "platform/file_io.h"
#include "recovery/recovery_entry.h"
#include "text/text_buffer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sheafpad::recovery::store_files {

constexpr size_t kRunIdLength = 16;
constexpr std::string_view kEntrySuffix = ".entry";
constexpr std::string_view kJournalSuffix = ".journal";
constexpr std::string_view kSetAsidePrefix = "unreadable-";
constexpr std::string_view kUnappliedPrefix = "unapplied-";
// Held by the program that claims ended runs, while it claims.
constexpr char kClaimLock[] = "claim.lock";
// Journals are kept short (a whole copy follows long typing); a longer file
// is not one of them.
constexpr uint64_t kLongestJournal = uint64_t(64) << 20;

std::string Hex16(uint64_t value);
// The run that a file of the folder belongs to ("" for a foreign file):
// "<run>.lock", "<run>-<key>.entry", or a temporary file ".<run>...".
std::string RunOf(std::string_view name);
// Temporary files start with "." and the entry's name, so they are known as the run's.
std::string TempPrefix(const std::string& entryPath);
bool EndsWith(std::string_view name, std::string_view suffix);
// Fills data from file, as far as the file goes; the count read.
size_t ReadFully(platform::FileReader& file, char* data, size_t size);
// The entry stored at path, read a piece at a time; nothing where it is not
// a whole entry. Throws EFOpenError when the file cannot be read.
std::optional<Entry> ReadEntry(const std::string& path);
// The whole of a journal, or nothing where it cannot be read (or is far
// longer than any journal this program writes).
std::optional<std::string> ReadJournal(const std::string& path);
// Makes the edits of journals (in order) in text. Returns how many could be
// applied; where one could not be read, *unreadable gets its index.
size_t ApplyJournals(TextBuffer& text, const std::vector<std::string>& journals,
                     size_t* unreadable = nullptr);
// The same in the entry's text.
size_t ApplyJournals(Entry& entry, const std::vector<std::string>& journals,
                     size_t* unreadable = nullptr);

} // namespace sheafpad::recovery::store_files
