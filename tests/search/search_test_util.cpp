// SPDX-License-Identifier: GPL-3.0-or-later
#include "search_test_util.h"

#include "test_util.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

namespace sheafpad::test {

std::vector<search::FileResult> SearchAll(const std::vector<std::string>& paths,
                                          const search::SearchOptions& options) {
    std::string error;
    auto matcher = search::Matcher::Compile(options, &error);
    EXPECT_TRUE(matcher) << error;
    if (!matcher) {
        return {};
    }
    search::SearchJob job(paths, matcher);
    std::vector<search::FileResult> results;
    while (!job.Finished()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        for (auto& result : job.Take()) {
            results.push_back(std::move(result));
        }
    }
    return results;
}

void UseScratchStateFolder() {
    static const TempDir dir;
    ::setenv("XDG_STATE_HOME", dir.path().c_str(), 1);
}

} // namespace sheafpad::test
