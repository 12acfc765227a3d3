// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/is_blank.h"

#include <gtest/gtest.h>

using sheafpad::IsBlank;

TEST(IsBlank, EmptyAndLineBreaksAndSpacesAreBlank) {
    EXPECT_TRUE(IsBlank(""));
    EXPECT_TRUE(IsBlank("   "));
    EXPECT_TRUE(IsBlank("\r\n \r\n"));
    EXPECT_TRUE(IsBlank("\n"));
}

TEST(IsBlank, TabsAndOtherCharactersAreNotBlank) {
    EXPECT_FALSE(IsBlank("\t"));
    EXPECT_FALSE(IsBlank(" \t "));
    EXPECT_FALSE(IsBlank(" x"));
    EXPECT_FALSE(IsBlank(std::string_view("\0", 1)));
    EXPECT_FALSE(IsBlank("\xA0")); // no-break space is a character
}
