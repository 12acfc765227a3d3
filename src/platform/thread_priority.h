// SPDX-License-Identifier: GPL-3.0-or-later
// Scheduling of the program's own background threads.
#pragma once

namespace sheafpad::platform {

// Lowers the calling thread's priority, so that it yields the processor to
// the user-interface thread whenever both want it. Best effort.
void LowerThreadPriority();

} // namespace sheafpad::platform
