// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/in_place_backup.h"

#include "platform/file_io_posix_util.h"
#include "platform/user_dirs.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace sheafpad::platform::posix {
namespace {

const char kMagic1[] = "Sheafpad in-place save backup 1\n";
const char kMagic2[] = "Sheafpad in-place save backup 2\n";
constexpr size_t kMarkSize = 44;  // "N " 20 digits " " 20 digits "\n"
constexpr size_t kMarkAlign = 64; // a block that no page boundary cuts
constexpr size_t kLengthLine = 21;
constexpr uint64_t kLongestTrailer = 65536;

std::string MarkText(const BackupMark& mark) {
    char text[kMarkSize + 1];
    std::snprintf(text, sizeof text, "%c %020" PRIu64 " %020" PRIu64 "\n",
                  mark.puttingBack ? 'O' : 'N', mark.at, mark.torn);
    return text;
}

std::optional<BackupMark> ParseMark(std::string_view text) {
    BackupMark mark;
    char kind = 0;
    if (text.size() != kMarkSize || text.back() != '\n' ||
        std::sscanf(std::string(text).c_str(), "%c %20" SCNu64 " %20" SCNu64, &kind, &mark.at,
                    &mark.torn) != 3 ||
        (kind != 'N' && kind != 'O')) {
        return std::nullopt;
    }
    mark.puttingBack = kind == 'O';
    return mark;
}

} // namespace

std::string BackupTrailer(BackupInfo* info) {
    char numbers[160];
    std::snprintf(numbers, sizeof numbers, "%" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64 " %zu\n",
                  info->dev, info->ino, info->newSize, info->newHash, info->path.size());
    std::string trailer = std::string(kMagic2) + numbers + info->path + "\n";
    const uint64_t start = info->oldSize + info->newSize;
    const uint64_t afterHead = start + trailer.size() + 1; // the pad's "\n" at least
    const size_t spaces = size_t((kMarkAlign - afterHead % kMarkAlign) % kMarkAlign);
    trailer += std::string(spaces, ' ') + "\n";
    info->markAt = start + trailer.size();
    info->mark = BackupMark{};
    trailer += MarkText(info->mark);
    char length[32];
    std::snprintf(length, sizeof length, "%020zu\n", trailer.size());
    return trailer + length;
}

std::optional<BackupInfo> ReadBackupTrailer(int fd) {
    struct stat st;
    char length[kLengthLine];
    if (::fstat(fd, &st) != 0 || uint64_t(st.st_size) < kLengthLine ||
        ReadAt(fd, length, kLengthLine, st.st_size - off_t(kLengthLine)) != ssize_t(kLengthLine) ||
        length[kLengthLine - 1] != '\n' ||
        !std::all_of(length, length + kLengthLine - 1,
                     [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const uint64_t size = std::strtoull(std::string(length, kLengthLine - 1).c_str(), nullptr, 10);
    if (size == 0 || size > uint64_t(st.st_size) - kLengthLine || size > kLongestTrailer) {
        return std::nullopt;
    }
    const uint64_t start = uint64_t(st.st_size) - kLengthLine - size;
    std::string trailer(size, '\0');
    if (ReadAt(fd, trailer.data(), size, off_t(start)) != ssize_t(size)) {
        return std::nullopt;
    }
    BackupInfo info;
    const bool first = trailer.rfind(kMagic1, 0) == 0;
    if (!first && trailer.rfind(kMagic2, 0) != 0) {
        return std::nullopt;
    }
    info.version = first ? 1 : 2;
    const size_t numbersAt = std::strlen(kMagic2);
    const size_t numbersEnd = trailer.find('\n', numbersAt);
    if (numbersEnd == std::string::npos) {
        return std::nullopt;
    }
    const std::string numbers = trailer.substr(numbersAt, numbersEnd - numbersAt);
    if (first) {
        // The path runs to the trailer's last line break.
        if (std::sscanf(numbers.c_str(), "%" SCNu64 " %" SCNu64 " %" SCNu64 " %" SCNu64, &info.dev,
                        &info.ino, &info.newSize, &info.newHash) != 4 ||
            trailer.back() != '\n') {
            return std::nullopt;
        }
        info.path = trailer.substr(numbersEnd + 1, trailer.size() - numbersEnd - 2);
        info.oldSize = start;
    } else {
        size_t pathLength = 0;
        if (std::sscanf(numbers.c_str(), "%" SCNu64 " %" SCNu64 " %" SCNu64 " %" SCNu64 " %zu",
                        &info.dev, &info.ino, &info.newSize, &info.newHash, &pathLength) != 5 ||
            size < kMarkSize || numbersEnd + 1 + pathLength + 1 > size - kMarkSize ||
            trailer[numbersEnd + 1 + pathLength] != '\n' || info.newSize > start) {
            return std::nullopt;
        }
        info.path = trailer.substr(numbersEnd + 1, pathLength);
        const size_t padAt = numbersEnd + 1 + pathLength + 1;
        const std::string_view pad =
            std::string_view(trailer).substr(padAt, size - kMarkSize - padAt);
        const std::optional<BackupMark> mark =
            ParseMark(std::string_view(trailer).substr(size - kMarkSize));
        if (pad.empty() || pad.back() != '\n' || pad.find_first_not_of(' ') != pad.size() - 1 ||
            !mark) {
            return std::nullopt;
        }
        info.mark = *mark;
        info.markAt = start + size - kMarkSize;
        info.oldSize = start - info.newSize;
    }
    if (info.path.empty() || info.path[0] != '/') {
        return std::nullopt;
    }
    return info;
}

std::string InPlaceBackupDir() {
    const std::string state = UserStateDir();
    return state.empty() ? state : state + "backup";
}

bool WriteMarked(int fd, std::string_view bytes, uint64_t from, const BackupInfo& info,
                 int backupFd, BackupMark mark) {
    while (from < bytes.size()) {
        const size_t size = size_t(std::min<uint64_t>(kInPlacePiece, bytes.size() - from));
        mark.at = from;
        if (!WriteBackupMark(backupFd, info, mark)) {
            return false;
        }
        const ssize_t written = ::pwrite(fd, bytes.data() + from, size, off_t(from));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            errno = written == 0 ? ENOSPC : errno;
            return false;
        }
        from += uint64_t(written);
    }
    // All written: what is left is cutting the file to its length.
    mark.at = bytes.size();
    return WriteBackupMark(backupFd, info, mark) && ::ftruncate(fd, off_t(bytes.size())) == 0 &&
           Sync(fd);
}

bool WriteBackupMark(int fd, const BackupInfo& info, const BackupMark& mark) {
    const std::string text = MarkText(mark);
    return ::pwrite(fd, text.data(), text.size(), off_t(info.markAt)) == ssize_t(text.size());
}

std::optional<uint64_t> SpliceAt(std::string_view now, std::string_view first,
                                 std::string_view second, uint64_t from, uint64_t to) {
    to = std::min<uint64_t>(to, first.size());
    if (from > to) {
        return std::nullopt;
    }
    // The longest j for which now starts with first's first j bytes.
    const size_t common = std::min(now.size(), first.size());
    size_t prefix = 0;
    while (prefix < common && now[prefix] == first[prefix]) {
        ++prefix;
    }
    if (now.size() > second.size()) {
        // Only first's bytes past second's end make it longer: j is its size.
        const uint64_t j = now.size();
        return j >= from && j <= to && j <= prefix ? std::optional<uint64_t>(j) : std::nullopt;
    }
    if (now.size() < second.size()) {
        return std::nullopt;
    }
    // The shortest j from which now ends as second does.
    size_t suffix = now.size();
    while (suffix > 0 && now[suffix - 1] == second[suffix - 1]) {
        --suffix;
    }
    const uint64_t j = std::max<uint64_t>(from, suffix);
    return j <= std::min<uint64_t>(to, prefix) ? std::optional<uint64_t>(j) : std::nullopt;
}

std::string Splice(std::string_view first, std::string_view second, uint64_t j) {
    std::string out(first.substr(0, size_t(j)));
    if (j < second.size()) {
        out.append(second.substr(size_t(j)));
    }
    return out;
}

} // namespace sheafpad::platform::posix
