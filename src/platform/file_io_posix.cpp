// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_io.h"

#include "base/errors.h"
#include "platform/file_io_posix_util.h"
#include "platform/working_dir.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace sheafpad::platform {

using posix::ClearNonBlock;
using posix::Fd;

namespace {

// Opens the regular file at path for reading and fills *st. Returns no
// descriptor (-1) when there is no file at path; throws EFOpenError for
// everything else that keeps it from being read.
Fd OpenForReading(const std::string& path, struct stat* st) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0 && errno == ENOENT) {
        return fd;
    }
    if (fd.get() < 0 || ::fstat(fd.get(), st) != 0) {
        throw EFOpenError(AbsolutePath(path), SystemReason(errno));
    }
    if (S_ISDIR(st->st_mode)) {
        throw EFOpenError(AbsolutePath(path), SystemReason(EISDIR));
    }
    if (!S_ISREG(st->st_mode)) {
        throw EFOpenError(AbsolutePath(path), "Not a regular file");
    }
    if (!ClearNonBlock(fd.get())) {
        throw EFOpenError(AbsolutePath(path), SystemReason(errno));
    }
    return fd;
}

// One read of up to size bytes, retried after signals; 0 at the end.
size_t ReadSome(int fd, const std::string& path, char* data, size_t size) {
    for (;;) {
        const ssize_t got = ::read(fd, data, size);
        if (got >= 0) {
            return size_t(got);
        }
        if (errno != EINTR) {
            throw EFOpenError(AbsolutePath(path), SystemReason(errno));
        }
    }
}

// Up to limit bytes of the file at path, or nothing when there is none;
// look (if any) sees each piece as it is read.
std::optional<std::string> ReadPieces(const std::string& path, size_t limit,
                                      const PieceCheck* look) {
    struct stat st;
    const Fd fd = OpenForReading(path, &st);
    if (fd.get() < 0) {
        return std::nullopt;
    }
    // Room for one byte more than the size seen, so that the end is found by
    // the first read that returns 0; a file that grows meanwhile is read on
    // to its end (or to the limit). The room is only reserved: the memory is
    // used a piece at a time, as the pieces come in.
    constexpr size_t kPiece = 1 << 20;
    std::string bytes;
    size_t filled = 0;
    try {
        bytes.reserve(std::min(size_t(st.st_size) + 1, limit));
        while (filled < limit) {
            // Up to the room reserved, so that the bytes read are never moved
            // and only what is read is cleared first.
            const size_t room = bytes.capacity() > filled ? bytes.capacity() - filled : kPiece;
            bytes.resize(std::min(filled + std::min(kPiece, room), limit));
            const size_t got =
                ReadSome(fd.get(), path, bytes.data() + filled, bytes.size() - filled);
            if (got == 0) {
                break;
            }
            if (look != nullptr) {
                (*look)(std::string_view(bytes.data() + filled, got));
            }
            filled += got;
        }
    } catch (const std::bad_alloc&) {
        throw EFOpenError(AbsolutePath(path), SystemReason(ENOMEM)); // too big to hold
    }
    bytes.resize(filled);
    return bytes;
}

} // namespace

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') {
        return path;
    }
    std::string result = WorkingDir();
    if (result.empty()) {
        return path;
    }
    if (result.back() != '/') {
        result += '/';
    }
    return result + path;
}

std::string ReadFileBytes(const std::string& path) {
    return ReadFileBytes(path, nullptr);
}

std::string ReadFileBytes(const std::string& path, const PieceCheck& look) {
    std::optional<std::string> bytes = ReadPieces(path, SIZE_MAX, look ? &look : nullptr);
    if (!bytes) {
        throw EFOpenError(AbsolutePath(path), SystemReason(ENOENT));
    }
    return std::move(*bytes);
}

std::optional<std::string> ReadFileStart(const std::string& path, size_t limit) {
    return ReadPieces(path, limit, nullptr);
}

FileReader::FileReader(const std::string& path) : path_(path), fd_(-1) {
    struct stat st;
    Fd fd = OpenForReading(path, &st);
    if (fd.get() < 0) {
        throw EFOpenError(AbsolutePath(path), SystemReason(ENOENT));
    }
    fd_ = fd.Release();
    size_ = uint64_t(st.st_size);
}

FileReader::~FileReader() {
    ::close(fd_);
}

size_t FileReader::Read(char* data, size_t size) {
    return ReadSome(fd_, path_, data, size);
}

bool FileHoldsBytes(const std::string& path, std::string_view bytes) {
    try {
        FileReader reader(path);
        if (reader.Size() != bytes.size()) {
            return false;
        }
        // Compared a piece at a time: the file is never held whole.
        constexpr size_t kPiece = 1 << 20;
        std::string piece(std::min(kPiece, bytes.size() + 1), '\0');
        size_t at = 0;
        while (const size_t got = reader.Read(piece.data(), piece.size())) {
            if (got > bytes.size() - at || std::memcmp(piece.data(), bytes.data() + at, got) != 0) {
                return false;
            }
            at += got;
        }
        return at == bytes.size();
    } catch (const Error&) {
        return false; // not there, or not readable: it cannot be taken as holding them
    }
}

bool EntryExists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

bool MayWriteFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return true;
    }
    return (info.st_mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0;
}

bool MayCreateFilesIn(const std::string& dir) {
    struct stat info {};
    if (::stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || (info.st_mode & 0222) == 0) {
        return false;
    }
    return ::access(dir.c_str(), W_OK | X_OK) == 0;
}

bool IsOwnWritableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & S_IWUSR) != 0 &&
           ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0; // read-only mount, ACL
}

} // namespace sheafpad::platform
