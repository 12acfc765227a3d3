// SPDX-License-Identifier: GPL-3.0-or-later
// The backup that an in-place save keeps until the file is written whole,
// shared by the save and by the start-up that settles a save cut short.
// Private to src/platform.
//
// A backup holds the old content, then the new content, then a trailer:
//   "Sheafpad in-place save backup 2\n"
//   "<dev> <ino> <new size> <new hash> <path length>\n" <path> "\n"
//   spaces and "\n", so that the mark starts at a multiple of 64 bytes
//   the mark: "<N|O> <k, 20 digits> <t, 20 digits>\n"
//   the length of all of the trailer before this line, 20 digits, "\n"
// The mark tells what the save was writing when it stopped, so that a later
// start can tell by the file's bytes alone whether nothing but the save
// touched it: N k, the new content from offset k on (the file is the new
// content's first j bytes followed by the old content's rest, for a j from
// k up to one piece further); O k t, the old content put back from k on
// over such a file of the new content's first t bytes. The mark is one
// write within one aligned block, so a kill never leaves half of it.
// Backups of version 1 (written before the new content was kept) hold the
// old content and a trailer without the new content and the mark.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sheafpad::platform::posix {

// The file's content is written, and put back, this much at a time.
inline constexpr size_t kInPlacePiece = 4 << 20;

struct BackupMark {
    bool puttingBack = false; // O: the old content is being put back
    uint64_t at = 0;          // k
    uint64_t torn = 0;        // t, for O
};

struct BackupInfo {
    int version = 2;
    uint64_t dev = 0, ino = 0; // the file written in place
    uint64_t oldSize = 0;      // the old content's length, at the backup's start
    uint64_t newSize = 0;      // the new content's length and hash; it follows the old
    uint64_t newHash = 0;
    std::string path;    // the file's full path
    uint64_t markAt = 0; // where the mark stands in the backup (version 2)
    BackupMark mark;     // as last written (version 2)
};

// The trailer for info (its mark: N 0), to follow old and new content in a
// backup that starts at offset 0; sets info->markAt.
std::string BackupTrailer(BackupInfo* info);
// Reads the trailer of the backup file fd; nothing where it is not one.
std::optional<BackupInfo> ReadBackupTrailer(int fd);
// Writes mark into the backup fd at info's place for it. False (errno set) on failure.
bool WriteBackupMark(int fd, const BackupInfo& info, const BackupMark& mark);

// The folder of the backups: UserStateDir() + "backup" (empty when unknown).
std::string InPlaceBackupDir();

// Writes bytes over the file fd from offset from on, a piece at a time,
// writing mark (its k the offset) into the backup before each write call;
// then marks the end, cuts the file to bytes' length and syncs it. False
// (errno set) on any failure.
bool WriteMarked(int fd, std::string_view bytes, uint64_t from, const BackupInfo& info,
                 int backupFd, BackupMark mark);

// The smallest j in [from, to] (j <= first's size) for which now is first's
// first j bytes followed by second's bytes from j on: what writing first
// over second from the start leaves when it stops after j bytes. Nothing
// where there is none.
std::optional<uint64_t> SpliceAt(std::string_view now, std::string_view first,
                                 std::string_view second, uint64_t from, uint64_t to);
// first's first j bytes followed by second's bytes from j on.
std::string Splice(std::string_view first, std::string_view second, uint64_t j);

} // namespace sheafpad::platform::posix
