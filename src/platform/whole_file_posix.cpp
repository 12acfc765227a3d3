// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/user_text.h"
#include "platform/whole_file.h"

#include "base/errors.h"
#include "platform/file_io.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sheafpad::platform {

namespace {
[[noreturn]] void Fail(const std::string& path, int error) {
    throw EFOpenError(AbsolutePath(path), SystemReason(error));
}
} // namespace

size_t ReadWholeFile(const std::string& path, std::string& buffer) {
    // O_NONBLOCK keeps a FIFO from holding the open; it changes nothing for
    // a regular file, so it stays set.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        Fail(path, errno);
    }
    struct stat st;
    int error = ::fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    if (error == 0 && !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw EFOpenError(AbsolutePath(path), UserText("Errors", "Not a regular file"));
    }
    size_t size = 0;
    const size_t expected = error == 0 ? size_t(st.st_size) : 0;
    // One byte more than expected: a read that stops short of it has met the end.
    if (buffer.size() < expected + 1) {
        buffer.resize(expected + 1);
    }
    while (error == 0) {
        const ssize_t got = ::read(fd, buffer.data() + size, buffer.size() - size);
        if (got < 0) {
            error = errno == EINTR ? 0 : errno;
            continue;
        }
        size += size_t(got);
        if (got == 0 || (size >= expected && size < buffer.size())) {
            break;
        }
        if (size == buffer.size()) { // it grew meanwhile
            buffer.resize(buffer.size() * 2);
        }
    }
    ::close(fd);
    if (error != 0) {
        Fail(path, error);
    }
    return size;
}

} // namespace sheafpad::platform
