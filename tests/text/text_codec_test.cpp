// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/text_codec.h"

#include "test_util.h"

#include <cstdint>
#include <gtest/gtest.h>

#include <random>
#include <vector>

using sheafpad::ContainsNul;
using sheafpad::DecodedCapacity;
using sheafpad::DecodeText;
using sheafpad::DetectEncoding;
using sheafpad::EncodedCapacity;
using sheafpad::EncodeText;
using sheafpad::EncodeTextInto;
using sheafpad::TextEncoding;

namespace {

// Decodes with a guard zone after the promised capacity, so that a decoder
// writing past it is caught.
std::u16string Decode(std::string_view bytes, TextEncoding encoding) {
    const size_t capacity = DecodedCapacity(bytes);
    std::vector<char16_t> buffer(capacity + 16, u'#');
    const size_t length = DecodeText(bytes, encoding, buffer.data());
    EXPECT_LE(length, capacity);
    for (size_t i = capacity; i < buffer.size(); ++i) {
        EXPECT_EQ(buffer[i], u'#') << "written past the capacity at " << i;
    }
    return std::u16string(buffer.data(), length);
}

std::string Encode(std::u16string_view text, TextEncoding encoding) {
    std::string out;
    size_t bad = 0;
    EXPECT_TRUE(EncodeText(text, encoding, out, &bad)) << "failed at " << bad;
    return out;
}

// The file as a save of its unchanged text writes it: every CR LF, CR and
// LF becomes CR LF, every other byte stays.
std::string WithCrLf(std::string_view bytes) {
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            out += "\r\n";
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
        } else {
            out += bytes[i];
        }
    }
    return out;
}

struct GoldenCase {
    const char* name;
    TextEncoding encoding;
};

std::ostream& operator<<(std::ostream& os, const GoldenCase& c) {
    return os << c.name;
}

class GoldenRoundTrip : public testing::TestWithParam<GoldenCase> {};

// tests/text/golden/<name>.in is a file as found on disk, <name>.out what an
// unchanged save writes back; without .out the file comes back unchanged.
TEST_P(GoldenRoundTrip, SaveOfUnchangedTextWritesTheExpectedBytes) {
    const std::string base = std::string(SHEAFPAD_GOLDEN_DIR) + "/" + GetParam().name;
    const std::string input = sheafpad::test::ReadFile(base + ".in");
    const std::string expected =
        sheafpad::test::FileExists(base + ".out") ? sheafpad::test::ReadFile(base + ".out") : input;
    ASSERT_FALSE(ContainsNul(input));
    const TextEncoding encoding = DetectEncoding(input);
    EXPECT_EQ(encoding, GetParam().encoding);
    const std::u16string text = Decode(input, encoding);
    EXPECT_EQ(text.find(u'\r'), std::u16string::npos) << "a CR survived decoding";
    EXPECT_EQ(Encode(text, encoding), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, GoldenRoundTrip,
    testing::Values(
        GoldenCase{"lf", TextEncoding::Utf8}, GoldenCase{"cr", TextEncoding::Utf8},
        GoldenCase{"crlf", TextEncoding::Utf8}, GoldenCase{"lfcr", TextEncoding::Utf8},
        GoldenCase{"crcrlf", TextEncoding::Utf8}, GoldenCase{"mixed", TextEncoding::Utf8},
        GoldenCase{"no_final_break", TextEncoding::Utf8}, GoldenCase{"cr_last", TextEncoding::Utf8},
        GoldenCase{"only_breaks", TextEncoding::Utf8}, GoldenCase{"empty", TextEncoding::Utf8},
        GoldenCase{"latin1_high", TextEncoding::Latin1},
        GoldenCase{"utf8_multibyte", TextEncoding::Utf8}, GoldenCase{"utf8_lf", TextEncoding::Utf8},
        GoldenCase{"invalid_utf8", TextEncoding::Latin1},
        GoldenCase{"utf8_bom", TextEncoding::Utf8}, GoldenCase{"utf8_u2028", TextEncoding::Latin1},
        GoldenCase{"utf8_fdd0", TextEncoding::Latin1},
        GoldenCase{"rtf_source", TextEncoding::Utf8}),
    [](const testing::TestParamInfo<GoldenCase>& info) { return std::string(info.param.name); });

TEST(DecodeText, EachLineBreakFormIsOneBreak) {
    struct Row {
        std::string_view bytes;
        std::u16string_view text;
    } rows[] = {
        {"a\r\nb", u"a\nb"},     {"a\rb", u"a\nb"}, {"a\nb", u"a\nb"}, {"a\n\rb", u"a\n\nb"},
        {"a\r\r\nb", u"a\n\nb"}, {"\r", u"\n"},     {"x\r", u"x\n"},   {"\r\n", u"\n"},
        {"a\r\n\r\n", u"a\n\n"}, {"", u""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Decode(row.bytes, TextEncoding::Latin1), row.text) << row.bytes;
        EXPECT_EQ(Decode(row.bytes, TextEncoding::Utf8), row.text) << row.bytes;
    }
}

TEST(DecodeText, CharactersKeepTheirValues) {
    EXPECT_EQ(Decode("\xA0\xE9\xFF\x80", TextEncoding::Latin1), u"\u00A0\u00E9\u00FF\u0080");
    EXPECT_EQ(Decode("\xEF\xBB\xBFx", TextEncoding::Utf8), u"\uFEFFx"); // the BOM stays
    EXPECT_EQ(Decode("\xC2\xA0\xE2\x82\xAC\xF0\x9F\x98\x80", TextEncoding::Utf8),
              u"\u00A0\u20AC\U0001F600");
    // Runs long enough for the 8-byte paths, with a character split across them.
    const std::string run = "0123456789abcdef\xC3\xA9" + std::string(20, 'z') + "\r\n";
    EXPECT_EQ(Decode(run, TextEncoding::Utf8),
              u"0123456789abcdef\u00E9" + std::u16string(20, u'z') + u"\n");
}

TEST(DecodeText, InvalidUtf8StaysWithinCapacity) {
    // Not what the caller may pass, but it must not corrupt memory.
    for (std::string_view bytes :
         {"\xF0\x9F\x98", "\xC3", "\x80\x80", "\xF4\x90\x80\x80", "\xFF"}) {
        EXPECT_FALSE(Decode(bytes, TextEncoding::Utf8).empty());
    }
}

TEST(DetectEncoding, StrictUtf8OrLatin1) {
    struct Row {
        std::string_view bytes;
        TextEncoding expected;
        const char* why;
    } rows[] = {
        {"plain ascii", TextEncoding::Utf8, "ASCII"},
        {"", TextEncoding::Utf8, "empty"},
        {"\xC3\xA9", TextEncoding::Utf8, "two bytes"},
        {"\xEF\xBF\xBF\xF4\x8F\xBF\xBF", TextEncoding::Utf8, "U+FFFF and U+10FFFF"},
        {"\xEF\xB7\x92", TextEncoding::Utf8, "U+FDD2 is kept"},
        {"\xE9t\xE9", TextEncoding::Latin1, "Latin-1 letters"},
        {"\xC0\xAF", TextEncoding::Latin1, "overlong two bytes"},
        {"\xE0\x80\xAF", TextEncoding::Latin1, "overlong three bytes"},
        {"\xF0\x80\x80\xAF", TextEncoding::Latin1, "overlong four bytes"},
        {"\xED\xA0\x80", TextEncoding::Latin1, "surrogate"},
        {"\xF4\x90\x80\x80", TextEncoding::Latin1, "above U+10FFFF"},
        {"\xF5\x80\x80\x80", TextEncoding::Latin1, "F5 lead"},
        {"abc\xE2\x82", TextEncoding::Latin1, "truncated at the end"},
        {"\xE2\x28\xA1", TextEncoding::Latin1, "bad continuation"},
        {"\xE2\x80\xA8", TextEncoding::Latin1, "U+2028"},
        {"\xE2\x80\xA9", TextEncoding::Latin1, "U+2029"},
        {"\xEF\xB7\x90", TextEncoding::Latin1, "U+FDD0"},
        {"\xEF\xB7\x91", TextEncoding::Latin1, "U+FDD1"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(DetectEncoding(row.bytes), row.expected) << row.why;
        // The same far into a long ASCII text, past the fast paths.
        const std::string padded = std::string(77, 'x') + std::string(row.bytes) + "tail";
        EXPECT_EQ(DetectEncoding(padded), row.expected) << row.why << " (padded)";
    }
}

TEST(EncodeText, LineBreaksAndParagraphSeparatorsBecomeCrLf) {
    for (TextEncoding encoding : {TextEncoding::Latin1, TextEncoding::Utf8}) {
        EXPECT_EQ(Encode(u"a\nb\u2029c\n", encoding), "a\r\nb\r\nc\r\n");
        EXPECT_EQ(Encode(u"", encoding), "");
    }
    std::string out = "kept";
    EXPECT_TRUE(EncodeText(u"x", TextEncoding::Utf8, out, nullptr));
    EXPECT_EQ(out, "keptx") << "appends";
}

TEST(EncodeText, SpecialCharactersAtEveryPlaceInLongRuns) {
    // Each character at every offset of a run, inside and across the blocks
    // that the fast path takes at once.
    struct Row {
        char16_t unit;
        std::string_view latin1;
        std::string_view utf8;
    } rows[] = {{u'\n', "\r\n", "\r\n"},         {u'\u2029', "\r\n", "\r\n"},
                {u'\u00E9', "\xE9", "\xC3\xA9"}, {u'\u007F', "\x7F", "\x7F"},
                {u'\u0080', "\x80", "\xC2\x80"}, {u'\u20AC', "", "\xE2\x82\xAC"}};
    for (const Row& row : rows) {
        for (size_t at = 0; at < 40; ++at) {
            std::u16string text(40, u'a');
            text[at] = row.unit;
            const std::string before(at, 'a');
            const std::string after(39 - at, 'a');
            EXPECT_EQ(Encode(text, TextEncoding::Utf8), before + std::string(row.utf8) + after);
            if (!row.latin1.empty()) {
                EXPECT_EQ(Encode(text, TextEncoding::Latin1),
                          before + std::string(row.latin1) + after);
            } else {
                std::string out;
                size_t bad = 0;
                EXPECT_FALSE(EncodeText(text, TextEncoding::Latin1, out, &bad));
                EXPECT_EQ(bad, at);
            }
        }
    }
}

TEST(EncodeText, CharactersTheEncodingCannotHoldFail) {
    std::string out;
    size_t bad = 99;
    EXPECT_FALSE(EncodeText(u"price: 5\u20AC", TextEncoding::Latin1, out, &bad));
    EXPECT_EQ(bad, 8u);
    EXPECT_TRUE(EncodeText(u"\u00FF\u00A0", TextEncoding::Latin1, out, &bad));

    struct Row {
        std::u16string text;
        size_t index;
    } rows[] = {
        {u"ab" + std::u16string(1, char16_t(0xD800)), 2}, // high surrogate at the end
        {u"a" + std::u16string(1, char16_t(0xDC00)) + u"b", 1},
        {std::u16string{char16_t(0xDC00), char16_t(0xD800)}, 0}, // pair in the wrong order
        {std::u16string{u'x', char16_t(0xD800), u'y'}, 1},
    };
    for (const Row& row : rows) {
        EXPECT_FALSE(EncodeText(row.text, TextEncoding::Utf8, out, &bad));
        EXPECT_EQ(bad, row.index);
    }
    EXPECT_EQ(Encode(u"\U0001F600", TextEncoding::Utf8), "\xF0\x9F\x98\x80");
}

// The one-pass encoder gives EncodeText's bytes, or its failure at the same
// unit, for random texts of every kind of unit.
TEST(EncodeTextInto, AgreesWithEncodeText) {
    std::mt19937 random(777);
    const char16_t units[] = {u'a',      u'\n',     u'\u2029',        u'\u00E9',        u'\u00FF',
                              u'\u0100', u'\u20AC', char16_t(0xD83D), char16_t(0xDE00), u'~'};
    for (int round = 0; round < 2000; ++round) {
        std::u16string text(random() % 60, u'x');
        for (char16_t& unit : text) {
            unit = random() % 3 == 0 ? units[random() % std::size(units)] : u'p';
        }
        for (TextEncoding encoding : {TextEncoding::Latin1, TextEncoding::Utf8}) {
            std::string expected;
            size_t expectedBad = 0, bad = 0;
            const bool ok = EncodeText(text, encoding, expected, &expectedBad);
            std::string out(EncodedCapacity(text.size()), '\0');
            const size_t size = EncodeTextInto(text, encoding, out.data(), &bad);
            if (ok) {
                EXPECT_EQ(out.substr(0, size), expected);
            } else {
                EXPECT_EQ(size, SIZE_MAX);
                EXPECT_EQ(bad, expectedBad);
            }
        }
    }
}

TEST(ContainsNul, FindsNulAnywhere) {
    EXPECT_FALSE(ContainsNul("text\r\n"));
    EXPECT_FALSE(ContainsNul(""));
    EXPECT_TRUE(ContainsNul(std::string_view("\0abc", 4)));
    EXPECT_TRUE(ContainsNul(std::string(5000, 'a') + '\0'));
}

// Random files: whatever the bytes, an unchanged save gives the file with
// its line breaks made CR LF, and nothing else changes. Decoding in parts of
// any size, as a big file is, gives the same text.
TEST(RoundTrip, RandomFilesComeBackWithCrLfBreaks) {
    std::mt19937 random(12345);
    // UTF-8 pieces of typical pages, line breaks among them.
    const std::string_view pieces[] = {
        "\r",  "\xC3\xA9", "\n",           "\xC2\xA0",         "a",
        "<p>", " ",        "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xEF\xBB\xBF"};
    for (int round = 0; round < 400; ++round) {
        std::string bytes;
        const int length = int(random() % 200);
        for (int i = 0; i < length; ++i) {
            if (round % 2 == 0) {
                bytes += char(1 + random() % 255); // any byte but NUL
            } else {
                // Every fourth round, only characters below U+0100.
                bytes += pieces[random() % (round % 4 == 1 ? 4 : std::size(pieces))];
            }
        }
        const TextEncoding encoding = DetectEncoding(bytes);
        if (round % 2 == 1) {
            EXPECT_EQ(encoding, TextEncoding::Utf8);
        }
        const std::u16string text = Decode(bytes, encoding);
        EXPECT_EQ(Encode(text, encoding), WithCrLf(bytes));

        std::u16string inParts;
        size_t done = 0;
        DecodeTextInParts(bytes, encoding, inParts, size_t(1 + round % 9), [&](size_t upTo) {
            EXPECT_GT(upTo, done);
            done = upTo;
        });
        EXPECT_EQ(inParts, text);
        EXPECT_EQ(done, bytes.size());

        // Kept one byte a unit where every character allows: the same text.
        const bool narrow =
            std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x100; });
        EXPECT_EQ(DecodesNarrow(bytes, encoding), narrow);
        if (narrow) {
            std::string units = bytes;
            units.resize(DecodeNarrowInPlace(units.data(), units.size(), encoding));
            std::u16string widened;
            for (const char c : units) {
                widened += char16_t(uint8_t(c));
            }
            EXPECT_EQ(widened, text);
        }
    }
}

} // namespace
