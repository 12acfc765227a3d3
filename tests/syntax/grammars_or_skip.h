// SPDX-License-Identifier: GPL-3.0-or-later
// Colour tests need the grammars. In a build without them each such test is
// skipped with the reason, and a program whose tests all passed or skipped
// so says at its end, which CTest reports as skipped (see
// sheafpad_colour_test in CMake), never as passed.
#pragma once

#include "syntax/syntax_language.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>

#define SKIP_WITHOUT_GRAMMARS()                                                                    \
    if (!::sheafpad::syntax::GrammarsMissing().empty()) {                                          \
        GTEST_SKIP() << std::string(::sheafpad::syntax::GrammarsMissing());                        \
    }

namespace sheafpad::syntax::testing_detail {

class ReportSkipped : public ::testing::EmptyTestEventListener {
    void OnTestProgramEnd(const ::testing::UnitTest& test) override {
        if (!GrammarsMissing().empty() && test.failed_test_count() == 0 &&
            test.skipped_test_count() > 0) {
            printf("Colour tests skipped: %s\n", std::string(GrammarsMissing()).c_str());
        }
    }
};

inline const bool kReportSkipped =
    (::testing::UnitTest::GetInstance()->listeners().Append(new ReportSkipped), true);

} // namespace sheafpad::syntax::testing_detail
