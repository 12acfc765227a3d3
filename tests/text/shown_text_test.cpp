// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/shown_text.h"

#include <gtest/gtest.h>

namespace sheafpad {
namespace {

TEST(ShowBytes, EveryShownUnitLeadsBackToItsBytes) {
    // é, a stray byte, an emoji, LF, U+2028, a C1 control, an overlong form
    // and a sequence cut short at the end.
    const std::string bytes = "a\xC3\xA9\xFF\xF0\x9F\x98\x80\n\xE2\x80\xA8\xC2\x85\xC0\xAF\xE2\x82";
    const ShownText kept = ShowBytes(bytes);
    EXPECT_EQ(kept.text, std::u16string(u"a\u00E9\uFFFD\U0001F600\n\u2028\u0085\uFFFD\uFFFD"
                                        u"\uFFFD\uFFFD"));
    EXPECT_EQ(kept.byteAt, (std::vector<size_t>{0, 1, 3, 4, 4, 8, 9, 12, 14, 15, 16, 17, 18}));

    const ShownText escaped = ShowBytes(bytes, ControlChars::Escape);
    EXPECT_EQ(escaped.text, std::u16string(u"a\u00E9\uFFFD\U0001F600\\n\\u2028\\u0085\uFFFD"
                                           u"\uFFFD\uFFFD\uFFFD"));
    EXPECT_EQ(escaped.byteAt, (std::vector<size_t>{0, 1,  3,  4,  4,  8,  8,  9,  9,  9,  9,  9,
                                                   9, 12, 12, 12, 12, 12, 12, 14, 15, 16, 17, 18}));
    EXPECT_EQ(ShowBytes("tab\there\x7F\x1B\r", ControlChars::Escape).text,
              u"tab\\there\\x7F\\x1B\\r");
    EXPECT_EQ(ShowBytes("").byteAt, std::vector<size_t>{0});
}

TEST(ShowBytes, NamesThatCouldMisleadAreEscaped) {
    // A real backslash before a t never reads as an escaped tab.
    const ShownText slash = ShowBytes("a\\tb\tc", ControlChars::Escape);
    EXPECT_EQ(slash.text, u"a\\\\tb\\tc");
    EXPECT_NE(slash.text, ShowBytes("a\tb\tc", ControlChars::Escape).text);
    EXPECT_EQ(slash.byteAt, (std::vector<size_t>{0, 1, 1, 2, 3, 4, 4, 5, 6}));
    // Bidirectional controls (an override that shows "exe.txt" as "txt.exe")
    // are escaped; their neighbours and the bytes behind them stay.
    const std::string rlo = "a\xE2\x80\xAEtxt.exe\xE2\x81\xA6\xE2\x80\x8F";
    const ShownText bidi = ShowBytes(rlo, ControlChars::Escape);
    EXPECT_EQ(bidi.text, u"a\\u202Etxt.exe\\u2066\\u200F");
    EXPECT_EQ(bidi.byteAt[1], 1u);
    EXPECT_EQ(bidi.byteAt[7], 4u);
    EXPECT_EQ(bidi.byteAt.back(), rlo.size());
    EXPECT_EQ(ShowBytes(rlo).text, u"a\u202Etxt.exe\u2066\u200F"); // kept where asked
}

} // namespace
} // namespace sheafpad
