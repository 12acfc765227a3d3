// SPDX-License-Identifier: GPL-3.0-or-later
// Threads that were told to stop, joined away from the thread that told them:
// a window never waits for its workers. The last ones are joined when the
// program ends.
#pragma once

#include <thread>
#include <vector>

namespace sheafpad::search {

void JoinAside(std::vector<std::thread> threads);

} // namespace sheafpad::search
