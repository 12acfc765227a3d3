// SPDX-License-Identifier: GPL-3.0-or-later
// What tree-sitter holds in memory, counted at each of its allocations, so
// that a text whose trees grow too big can go without colours.
#pragma once

#include <cstddef>

namespace sheafpad::syntax {

// Makes tree-sitter allocate through the counter. Called before anything
// else of tree-sitter is used (the parser and the highlighter do); more
// calls do nothing.
void CountTreeMemory();
// The bytes tree-sitter holds now, in all threads (each thread's last
// 64 KiB or so of change may not be counted yet).
size_t TreeMemory();
// Frees what tree-sitter allocated and handed over (as changed ranges).
void FreeTreeSitterMemory(void* p);

} // namespace sheafpad::syntax
