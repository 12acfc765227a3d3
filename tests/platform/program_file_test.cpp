// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/program_file.h"

#include <climits>
#include <gtest/gtest.h>
#include <unistd.h>

TEST(ProgramDirectory, IsTheRunningProgramsDirectoryWithATrailingSlash) {
    const std::string dir = sheafpad::platform::ProgramDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.front(), '/');
    EXPECT_EQ(dir.back(), '/');
    EXPECT_EQ(::access((dir + "test_program_file").c_str(), X_OK), 0);
}
