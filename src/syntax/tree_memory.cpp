// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntax/tree_memory.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <malloc.h>
#include <mutex>
#include <new>
#include <tree_sitter/api.h>
#include <type_traits>

namespace sheafpad::syntax {

namespace {

std::atomic<int64_t> held{0};

// Each thread counts on its own and adds to the shared count only when it has
// moved by this much: a parse allocates a block for most nodes, and two
// threads adding each one to the same counter make their cores fight over it.
constexpr int64_t kBatch = 64 * 1024;

struct ThreadCount {
    int64_t delta = 0;
    ~ThreadCount() { held += delta; }
    void Add(int64_t bytes) {
        delta += bytes;
        if (delta > kBatch || delta < -kBatch) {
            held += delta;
            delta = 0;
        }
    }
};
thread_local ThreadCount count;

// Where the blocks come from: mimalloc when the system has it, else the C
// library's malloc. A parse allocates a block for most nodes and frees them
// all with the tree; mimalloc's per-thread pages do both faster. It is opened
// for tree-sitter alone (RTLD_LOCAL), so that the rest of the program keeps
// the C library's malloc.
struct Heap {
    void* (*allocate)(size_t) = malloc;
    void* (*allocateZeroed)(size_t, size_t) = calloc;
    void* (*reallocate)(void*, size_t) = realloc;
    void (*release)(void*) = free;
    size_t (*usable)(void*) = malloc_usable_size;
};
Heap heap;

void UseMimalloc() {
    void* library = dlopen("libmimalloc.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        return;
    }
    Heap mi;
    auto find = [&](auto& function, const char* name) {
        if (void* symbol = dlsym(library, name)) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(symbol);
            return true;
        }
        return false;
    };
    if (find(mi.allocate, "mi_malloc") && find(mi.allocateZeroed, "mi_calloc") &&
        find(mi.reallocate, "mi_realloc") && find(mi.release, "mi_free") &&
        find(mi.usable, "mi_usable_size")) {
        heap = mi; // kept open for the program's life: its blocks live as long
    } else {
        dlclose(library);
    }
}

// Blocks are counted at the size the allocator gave them, which it tells
// again when they are freed: no header of our own.
void* Allocate(size_t size) {
    void* p = heap.allocate(size);
    if (!p) {
        abort(); // as tree-sitter's own allocator does
    }
    count.Add(int64_t(heap.usable(p)));
    return p;
}

void* AllocateZeroed(size_t n, size_t size) {
    void* p = heap.allocateZeroed(n, size);
    if (!p) {
        abort();
    }
    count.Add(int64_t(heap.usable(p)));
    return p;
}

void Free(void* p) {
    if (p) {
        count.Add(-int64_t(heap.usable(p)));
        heap.release(p);
    }
}

void* Reallocate(void* p, size_t size) {
    const int64_t old = p ? int64_t(heap.usable(p)) : 0;
    p = heap.reallocate(p, size > 0 ? size : 1); // never the free that realloc(p, 0) is
    if (!p) {
        abort();
    }
    count.Add(int64_t(heap.usable(p)) - old);
    return p;
}

} // namespace

void CountTreeMemory() {
    static std::once_flag once;
    std::call_once(once, [] {
        UseMimalloc();
        ts_set_allocator(Allocate, AllocateZeroed, Reallocate, Free);
    });
}

void FreeTreeSitterMemory(void* p) {
    Free(p);
}

size_t TreeMemory() {
    const int64_t bytes = held.load(std::memory_order_relaxed) + count.delta;
    return bytes > 0 ? size_t(bytes) : 0;
}

} // namespace sheafpad::syntax
