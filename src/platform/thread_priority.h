// SPDX-License-Identifier: GPL-3.0-or-later
// Scheduling of the program's own background threads.
#pragma once

namespace sheafpad::platform {

// Lowers the calling thread's priority, so that it yields the processor to
// the user-interface thread whenever both want it. Best effort. steps: how
// far (a nice value); a little is enough to put the window first, and much
// also puts the thread behind every other program on a busy machine.
void LowerThreadPriority(int steps = 10);
// Names the calling thread (at most 15 characters), as profilers and
// debuggers show it. Best effort.
void NameThread(const char* name);

} // namespace sheafpad::platform
