// Giving memory back to the system before it is freed.
#pragma once

#include <cstddef>

namespace sheafpad::platform {

// Tells the system that the bytes of [begin, begin + size) are no longer
// needed: the whole pages among them go back to it at once, and read as
// zeros afterwards. For a big buffer that is consumed from its start, so that
// what it turns into can grow while it shrinks. Best effort.
void DiscardMemory(char* begin, size_t size);

} // namespace sheafpad::platform
