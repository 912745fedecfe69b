#include <gtest/gtest.h>

#include <array>
#include <string>

#include "codec_alphabet.h"
#include "codec_test_util.h"

using namespace nimbrel;
using codec_test::Hex;

namespace {

struct CharPair {
    uint8_t gsm;
    uint8_t latin1;
};

// Every GSM code whose ISO 8859-1 letter differs from the code (TS 23.038
// default alphabet), plus identity samples from each region of the table.
class GsmLetterTest : public ::testing::TestWithParam<CharPair> {};

TEST_P(GsmLetterTest, DecodesAndEncodesBothWays) {
    EXPECT_EQ(GsmToLatin1(GetParam().gsm), GetParam().latin1);
    EXPECT_EQ(Latin1ToGsm(GetParam().latin1), GetParam().gsm);
}

INSTANTIATE_TEST_SUITE_P(
    DefaultAlphabet, GsmLetterTest,
    ::testing::Values(
        CharPair{0x00, '@'}, CharPair{0x01, 0xA3}, CharPair{0x02, '$'}, CharPair{0x03, 0xA5},
        CharPair{0x04, 0xE8}, CharPair{0x05, 0xE9}, CharPair{0x06, 0xF9}, CharPair{0x07, 0xEC},
        CharPair{0x08, 0xF2}, CharPair{0x09, 0xC7}, CharPair{0x0A, '\n'}, CharPair{0x0B, 0xD8},
        CharPair{0x0C, 0xF8}, CharPair{0x0D, '\r'}, CharPair{0x0E, 0xC5}, CharPair{0x0F, 0xE5},
        CharPair{0x10, 0x10}, CharPair{0x11, '_'}, CharPair{0x12, 0x12}, CharPair{0x1A, 0x1A},
        CharPair{0x1B, 0x1B}, CharPair{0x1C, 0xC6}, CharPair{0x1D, 0xE6}, CharPair{0x1E, 0xDF},
        CharPair{0x1F, 0xC9}, CharPair{0x20, ' '}, CharPair{0x23, '#'}, CharPair{0x24, 0xA4},
        CharPair{0x25, '%'}, CharPair{0x40, 0xA1}, CharPair{0x41, 'A'}, CharPair{0x5A, 'Z'},
        CharPair{0x5B, 0xC4}, CharPair{0x5C, 0xD6}, CharPair{0x5D, 0xD1}, CharPair{0x5E, 0xDC},
        CharPair{0x5F, 0xA7}, CharPair{0x60, 0xBF}, CharPair{0x61, 'a'}, CharPair{0x7A, 'z'},
        CharPair{0x7B, 0xE4}, CharPair{0x7C, 0xF6}, CharPair{0x7D, 0xF1}, CharPair{0x7E, 0xFC},
        CharPair{0x7F, 0xE0}));

TEST(GsmAlphabet, EveryCodeSurvivesTheRoundTrip) {
    for (unsigned gsm = 0; gsm < 128; ++gsm)
        EXPECT_EQ(Latin1ToGsm(GsmToLatin1(static_cast<uint8_t>(gsm))), gsm) << gsm;
}

// Extension-table characters become the escape code alone; NUL stays NUL.
class EscapeOnlyTest : public ::testing::TestWithParam<uint8_t> {};
TEST_P(EscapeOnlyTest, EncodesAsBareEscape) {
    EXPECT_EQ(Latin1ToGsm(GetParam()), 0x1B);
}
INSTANTIATE_TEST_SUITE_P(Brackets, EscapeOnlyTest,
                         ::testing::Values('\f', '[', '\\', ']', '^', '{', '|', '}', '~'));

TEST(GsmAlphabet, NulStaysNul) {
    EXPECT_EQ(Latin1ToGsm(0x00), 0x00);
}

// Characters with no GSM letter fall back to a space: control codes, the
// grave accent, DEL, the C1 range, NBSP and accented letters GSM lacks.
class UnmappedTest : public ::testing::TestWithParam<uint8_t> {};
TEST_P(UnmappedTest, EncodesAsSpace) {
    EXPECT_EQ(Latin1ToGsm(GetParam()), 0x20);
}
INSTANTIATE_TEST_SUITE_P(Latin1, UnmappedTest,
                         ::testing::Values(0x01, 0x09, 0x0B, 0x0E, 0x11, 0x1F, 0x60, 0x7F, 0x80,
                                           0x9F, 0xA0, 0xA2, 0xC0, 0xE1, 0xFF));

TEST(GsmAlphabet, SpaceIsTheFallbackOfExactlyTheUnmappedValues) {
    // 256 values: 128 come from decoding, 9 escape, NUL; the rest plus the
    // space itself give 0x20.
    int spaces = 0;
    for (unsigned c = 0; c < 256; ++c)
        spaces += Latin1ToGsm(static_cast<uint8_t>(c)) == 0x20;
    EXPECT_EQ(spaces, 256 - 128 - 9 - 1 + 1);
}

TEST(GsmAlphabet, BytesAboveTheSeptetRangeDecodeAsSpace) {
    EXPECT_EQ(GsmToLatin1(0x80), 0x20);
    EXPECT_EQ(GsmToLatin1(0xFE), 0x20);
}

struct PackVector {
    std::string septets;
    std::string packed;
};

// Packed forms worked out by hand from the bit order of TS 23.038 6.1.2.1.
class SeptetPackingTest : public ::testing::TestWithParam<PackVector> {};

TEST_P(SeptetPackingTest, PacksAndUnpacks) {
    const std::string& text = GetParam().septets;
    const auto expected = Hex(GetParam().packed);
    std::vector<uint8_t> septets(text.begin(), text.end());

    std::array<uint8_t, 200> out{};
    const EncodeResult r = PackSeptets(septets, out);
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.length, expected.size());
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + r.length), expected);

    std::array<uint8_t, 200> back{};
    ASSERT_EQ(UnpackSeptets(expected, septets.size(), back), septets.size());
    EXPECT_EQ(std::vector<uint8_t>(back.begin(), back.begin() + septets.size()), septets);
}

INSTANTIATE_TEST_SUITE_P(Vectors, SeptetPackingTest,
                         ::testing::Values(PackVector{"", ""}, PackVector{"A", "41"},
                                           PackVector{"hello", "E8329BFD06"},
                                           PackVector{"1234567", "31D98C56B3DD00"},
                                           PackVector{"12345678", "31D98C56B3DD70"},
                                           PackVector{"123456789", "31D98C56B3DD7039"},
                                           PackVector{"hellohello", "E8329BFD4697D9EC37"}));

TEST(SeptetPacking, RefusesAShortOutputAndWritesNothing) {
    const std::vector<uint8_t> septets(8, 'x');
    std::array<uint8_t, 6> out;
    out.fill(0xEE);
    EXPECT_EQ(PackSeptets(septets, out).code, QUARN_E_OUT_OF_RANGE);
    for (uint8_t b : out)
        EXPECT_EQ(b, 0xEE);
}

TEST(SeptetPacking, UnpackStopsAtTheEndOfInputAndOutput) {
    const auto packed = Hex("E8329BFD06");
    std::array<uint8_t, 100> out{};
    // Five bytes hold five whole septets; a count of 200 is cut to them.
    EXPECT_EQ(UnpackSeptets(packed, 200, out), 5u);
    std::array<uint8_t, 3> small{};
    EXPECT_EQ(UnpackSeptets(packed, 5, small), 3u);
    EXPECT_EQ(small[2], 'l');
}

} // namespace
