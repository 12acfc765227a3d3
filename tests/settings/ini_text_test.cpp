// SPDX-License-Identifier: GPL-3.0-or-later
// The layout rules on text alone: where entries are found and where new ones go.
#include "settings/ini_text.h"

#include <gtest/gtest.h>

namespace sheafpad::ini {
namespace {

TEST(IniText, FirstOccurrenceCountsAndOnlyInsideSections) {
    const std::string text = "Dir=before any section\r\n"
                             "[Initial]\r\n"
                             "  dir = first\r\n"
                             "[Initial]\r\n"
                             "Dir=second\r\n"
                             "Top=only here\r\n";
    EXPECT_EQ(FindValue(text, "Initial", "Dir"), " first") << "blanks after = belong to the value";
    EXPECT_EQ(FindValue(text, "initial", "TOP"), "only here");
    EXPECT_EQ(FindValue(text, "Initial", "Left"), std::nullopt);
    EXPECT_EQ(FindValue(text, "Other", "Dir"), std::nullopt);
    EXPECT_EQ(SetValue(text, "Initial", "Dir", "x"), "Dir=before any section\r\n"
                                                     "[Initial]\r\n"
                                                     "  dir =x\r\n"
                                                     "[Initial]\r\n"
                                                     "Dir=second\r\n"
                                                     "Top=only here\r\n");
}

TEST(IniText, NewKeyGoesAfterTheLastLineOfItsSection) {
    EXPECT_EQ(SetValue("[Initial]", "Initial", "Left", "1"), "[Initial]\r\nLeft=1\r\n");
    EXPECT_EQ(SetValue("[Initial]\nA=1", "Initial", "B", "2"), "[Initial]\nA=1\r\nB=2\r\n");
    EXPECT_EQ(SetValue("[Initial]\r\nA=1\r\n\r\n\r\n[B]\r\n", "Initial", "C", ""),
              "[Initial]\r\nA=1\r\nC=\r\n\r\n\r\n[B]\r\n");
    EXPECT_EQ(SetValue("[B]\r\nx=1", "Initial", "C", "3"), "[B]\r\nx=1\r\n[Initial]\r\nC=3\r\n");
    EXPECT_EQ(SetValue("", "Initial", "C", "3"), "[Initial]\r\nC=3\r\n");
}

TEST(IniText, FitsOnOneLine) {
    EXPECT_TRUE(FitsOnOneLine("a b=c[d]\t\xff"));
    EXPECT_FALSE(FitsOnOneLine("a\rb"));
    EXPECT_FALSE(FitsOnOneLine("a\nb"));
    EXPECT_FALSE(FitsOnOneLine(std::string_view("a\0b", 3)));
}

} // namespace
} // namespace sheafpad::ini
