// SPDX-License-Identifier: GPL-3.0-or-later
// What the search tests share: a search run to its end, and a state folder
// of their own.
#pragma once

#include "search/file_search.h"

#include <string>
#include <vector>

namespace sheafpad::test {

// Searches paths with options to the end; the results in list order.
std::vector<search::FileResult> SearchAll(const std::vector<std::string>& paths,
                                          const search::SearchOptions& options);

// Points XDG_STATE_HOME at a scratch folder for the whole test program.
void UseScratchStateFolder();

} // namespace sheafpad::test
