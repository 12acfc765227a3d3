// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/text_codec.h"
#include "text/text_format.h"

#include "test_util.h"

#include <cstdint>
#include <gtest/gtest.h>

#include <random>
#include <vector>

using sheafpad::ContainsNul;
using sheafpad::DecodedCapacity;
using sheafpad::DecodeText;
using sheafpad::DetectEncoding;
using sheafpad::DetectFormat;
using sheafpad::EncodedCapacity;
using sheafpad::EncodeFile;
using sheafpad::EncodeText;
using sheafpad::EncodeTextInto;
using sheafpad::LineBreak;
using sheafpad::TextEncoding;
using sheafpad::TextFormat;

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
// LF becomes lineBreak, every other byte stays.
std::string WithBreaks(std::string_view bytes, std::string_view lineBreak) {
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            out += lineBreak;
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
    TextFormat format; // what the file is found to be
};

std::ostream& operator<<(std::ostream& os, const GoldenCase& c) {
    return os << c.name;
}

class GoldenRoundTrip : public testing::TestWithParam<GoldenCase> {};

// tests/text/golden/<name>.in is a file as found on disk, <name>.out what an
// unchanged save writes back; without .out the file comes back unchanged.
// The file's first line break is every line's; a byte-order mark stays
// where it was and is no part of the text.
TEST_P(GoldenRoundTrip, SaveOfUnchangedTextWritesTheExpectedBytes) {
    const std::string base = std::string(SHEAFPAD_GOLDEN_DIR) + "/" + GetParam().name;
    const std::string input = sheafpad::test::ReadFile(base + ".in");
    const std::string expected =
        sheafpad::test::FileExists(base + ".out") ? sheafpad::test::ReadFile(base + ".out") : input;
    ASSERT_FALSE(ContainsNul(input));
    const TextFormat format = DetectFormat(input);
    EXPECT_EQ(format.encoding, GetParam().format.encoding);
    EXPECT_EQ(format.lineBreak, GetParam().format.lineBreak);
    EXPECT_EQ(format.bom, GetParam().format.bom);
    const std::u16string text = Decode(sheafpad::TextBytes(input, format), format.encoding);
    EXPECT_EQ(text.find(u'\r'), std::u16string::npos) << "a CR survived decoding";
    EXPECT_NE(text.substr(0, 1), u"\uFEFF") << "the mark is in the text";
    std::string out;
    ASSERT_TRUE(EncodeFile(text, format, out, nullptr));
    EXPECT_EQ(out, expected);
}

constexpr TextEncoding kUtf8 = TextEncoding::Utf8, kLatin1 = TextEncoding::Latin1;
constexpr LineBreak kLf = LineBreak::Lf, kCr = LineBreak::Cr, kCrLf = LineBreak::CrLf;

INSTANTIATE_TEST_SUITE_P(
    Files, GoldenRoundTrip,
    testing::Values(
        GoldenCase{"lf", {kUtf8, kLf}}, GoldenCase{"cr", {kUtf8, kCr}},
        GoldenCase{"crlf", {kUtf8, kCrLf}}, GoldenCase{"lfcr", {kUtf8, kLf}},
        GoldenCase{"crcrlf", {kUtf8, kCr}}, GoldenCase{"mixed", {kUtf8, kCrLf}},
        GoldenCase{"no_final_break", {kUtf8, kCrLf}}, GoldenCase{"cr_last", {kUtf8, kCr}},
        GoldenCase{"only_breaks", {kUtf8, kLf}}, GoldenCase{"empty", {kUtf8, kLf}},
        GoldenCase{"latin1_high", {kLatin1, kCrLf}}, GoldenCase{"utf8_multibyte", {kUtf8, kCrLf}},
        GoldenCase{"utf8_lf", {kUtf8, kLf}}, GoldenCase{"invalid_utf8", {kLatin1, kLf}},
        GoldenCase{"utf8_bom", {kUtf8, kCrLf, true}}, GoldenCase{"utf8_bom_lf", {kUtf8, kLf, true}},
        GoldenCase{"bom_only", {kUtf8, kLf, true}},
        GoldenCase{"latin1_bom_bytes", {kLatin1, kCrLf, false}},
        GoldenCase{"utf8_u2028", {kLatin1, kCrLf}}, GoldenCase{"utf8_fdd0", {kLatin1, kCrLf}},
        GoldenCase{"rtf_source", {kUtf8, kCrLf}}),
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
    EXPECT_EQ(Decode("\xEF\xBB\xBFx", TextEncoding::Utf8),
              u"\uFEFFx"); // TextBytes takes a mark off first
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
            const LineBreak lineBreak = LineBreak(round % 3);
            std::string expected;
            size_t expectedBad = 0, bad = 0;
            const bool ok = EncodeText(text, encoding, expected, &expectedBad, lineBreak);
            std::string out(EncodedCapacity(text.size()), '\0');
            const size_t size = EncodeTextInto(text, encoding, out.data(), &bad, lineBreak);
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
// every line break made its first one, and nothing else changes. Decoding in parts of
// any size, as a big file is, gives the same text.
TEST(RoundTrip, RandomFilesComeBackWithTheirFirstLineBreak) {
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
        const TextFormat format = DetectFormat(bytes);
        const TextEncoding encoding = format.encoding;
        if (round % 2 == 1) {
            EXPECT_EQ(encoding, TextEncoding::Utf8);
        }
        const std::string_view body = sheafpad::TextBytes(bytes, format);
        const std::u16string text = Decode(body, encoding);
        std::string saved;
        ASSERT_TRUE(EncodeFile(text, format, saved, nullptr));
        EXPECT_EQ(saved, bytes.substr(0, format.BomLength()) +
                             WithBreaks(body, sheafpad::BreakBytes(format.lineBreak)));
        EXPECT_EQ(Encode(text, encoding), WithBreaks(body, "\r\n")); // a recovery copy's form

        std::u16string inParts;
        size_t done = 0;
        DecodeTextInParts(body, encoding, inParts, size_t(1 + round % 9), [&](size_t upTo) {
            EXPECT_GT(upTo, done);
            done = upTo;
        });
        EXPECT_EQ(inParts, text);
        EXPECT_EQ(done, body.size());

        // Kept one byte a unit where every character allows: the same text,
        // decoded over the bytes from their start, the mark left out.
        const bool narrow =
            std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x100; });
        EXPECT_EQ(DecodesNarrow(body, encoding), narrow);
        if (narrow) {
            std::string units = bytes;
            units.resize(DecodeNarrowInPlace(units, format.BomLength(), encoding));
            std::u16string widened;
            for (const char c : units) {
                widened += char16_t(uint8_t(c));
            }
            EXPECT_EQ(widened, text);
        }
    }
}

} // namespace
