// SPDX-License-Identifier: GPL-3.0-or-later
// How much processor time a thread has had.
#pragma once

namespace sheafpad::platform {

// Seconds of processor time the calling thread has used so far.
double ThreadCpuSeconds();

} // namespace sheafpad::platform
