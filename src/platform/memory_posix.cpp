// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/memory.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace sheafpad::platform {

void DiscardMemory(char* begin, size_t size) {
    // Only pages wholly inside the range: the rest of a partly covered page
    // may belong to something else.
    static const auto page = uintptr_t(::sysconf(_SC_PAGESIZE));
    const uintptr_t first = (uintptr_t(begin) + page - 1) & ~(page - 1);
    const uintptr_t last = (uintptr_t(begin) + size) & ~(page - 1);
    if (last > first) {
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
    }
}

size_t PhysicalMemoryBytes() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long page = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && page > 0 ? size_t(pages) * size_t(page) : 0;
}

} // namespace sheafpad::platform
