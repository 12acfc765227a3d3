// SPDX-License-Identifier: GPL-3.0-or-later
// Giving memory back to the system before it is freed, and how much the
// computer has.
#pragma once

#include <cstddef>

namespace sheafpad::platform {

// Tells the system that the bytes of [begin, begin + size) are no longer
// needed: the whole pages among them go back to it at once, and read as
// zeros afterwards. For a big buffer that is consumed from its start, so that
// what it turns into can grow while it shrinks. Best effort.
void DiscardMemory(char* begin, size_t size);

// The computer's physical memory in bytes, or 0 when unknown.
size_t PhysicalMemoryBytes();

} // namespace sheafpad::platform
