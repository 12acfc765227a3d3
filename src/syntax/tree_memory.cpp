// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntax/tree_memory.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <tree_sitter/api.h>

namespace sheafpad::syntax {

namespace {

std::atomic<size_t> held{0};

// Each block carries its size in a header that keeps the alignment malloc gives.
constexpr size_t kHeader = alignof(std::max_align_t);

void* Allocate(size_t size) {
    auto* base = static_cast<char*>(malloc(size + kHeader));
    if (!base) {
        abort(); // as tree-sitter's own allocator does
    }
    memcpy(base, &size, sizeof size);
    held += size;
    return base + kHeader;
}

void* AllocateZeroed(size_t count, size_t size) {
    void* p = Allocate(count * size);
    memset(p, 0, count * size);
    return p;
}

void Free(void* p) {
    if (p) {
        char* base = static_cast<char*>(p) - kHeader;
        size_t size = 0;
        memcpy(&size, base, sizeof size);
        held -= size;
        free(base);
    }
}

void* Reallocate(void* p, size_t size) {
    if (!p) {
        return Allocate(size);
    }
    char* base = static_cast<char*>(p) - kHeader;
    size_t old = 0;
    memcpy(&old, base, sizeof old);
    base = static_cast<char*>(realloc(base, size + kHeader));
    if (!base) {
        abort();
    }
    memcpy(base, &size, sizeof size);
    held += size;
    held -= old;
    return base + kHeader;
}

} // namespace

void CountTreeMemory() {
    static std::once_flag once;
    std::call_once(once, [] { ts_set_allocator(Allocate, AllocateZeroed, Reallocate, Free); });
}

void FreeTreeSitterMemory(void* p) {
    Free(p);
}

size_t TreeMemory() {
    return held.load(std::memory_order_relaxed);
}

} // namespace sheafpad::syntax
