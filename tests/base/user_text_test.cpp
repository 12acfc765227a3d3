// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/errors.h"
#include "base/user_text.h"

#include <gtest/gtest.h>

namespace sheafpad {
namespace {

// Places are filled in one pass, in the order the translation puts them,
// and what an argument holds (a path with "%2" in it) is never filled again.
TEST(UserText, PlacesFilledOnceInTheTranslationsOrder) {
    EXPECT_EQ(FillIn("%2 / %1", {"a", "b"}), "b / a");
    EXPECT_EQ(FillIn("Cannot open \"%1\". %2", {"/x/100%2.htm", "%1"}),
              "Cannot open \"/x/100%2.htm\". %1");
    EXPECT_EQ(FillIn("%1 of %3, 50%", {"one"}), "one of %3, 50%");
    EXPECT_EQ(FillIn("ends in %", {}), "ends in %");
}

TEST(UserText, TheInstalledTranslatorMakesTheCoresMessages) {
    EXPECT_STREQ(EFOpenError("/a", "Gone").what(), "Cannot open file \"/a\". Gone");
    SetTextTranslator([](const char* context, const char* english, int) {
        return std::string(context) == "Errors" &&
                       std::string(english) == "Cannot open file \"%1\". %2"
                   ? std::string("%2: \"%1\" lässt sich nicht öffnen.")
                   : std::string(english);
    });
    EXPECT_STREQ(EFOpenError("/a", "Weg").what(), "Weg: \"/a\" lässt sich nicht öffnen.");
    EXPECT_STREQ(EFCreateError("/a", "Voll").what(), "Cannot create file \"/a\". Voll");
    SetTextTranslator(nullptr);
    EXPECT_STREQ(EFOpenError("/a", "Gone").what(), "Cannot open file \"/a\". Gone");
}

} // namespace
} // namespace sheafpad
