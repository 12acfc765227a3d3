// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/thread_priority.h"

#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace sheafpad::platform {

void LowerThreadPriority(int steps) {
    // On Linux the nice value belongs to the thread, named by its id.
    const auto thread = id_t(::syscall(SYS_gettid));
    ::setpriority(PRIO_PROCESS, thread, steps);
}

void NameThread(const char* name) {
    ::pthread_setname_np(::pthread_self(), name);
}

} // namespace sheafpad::platform
