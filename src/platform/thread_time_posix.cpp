// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/thread_time.h"

#include <ctime>

namespace sheafpad::platform {

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

} // namespace sheafpad::platform
