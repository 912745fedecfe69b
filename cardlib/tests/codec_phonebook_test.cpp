#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec_phonebook.h"
#include "codec_test_util.h"

using namespace nimbrel;
using namespace codec_test;

namespace {

_PHONEBOOK_ITEM Item(std::string_view name, std::string_view number,
                     std::u16string_view ucs2 = {}) {
    _PHONEBOOK_ITEM item{};
    SetField(item.name, name);
    SetUcs2(item.nameUcs2, ucs2);
    SetField(item.number, number);
    return item;
}

std::vector<uint8_t> Encode(const _PHONEBOOK_ITEM& item, std::size_t recordLength,
                            QuarnResult expect = QUARN_OK) {
    std::vector<uint8_t> out(recordLength, 0xEE);
    const EncodeResult r = EncodeDiallingRecord(item, out);
    EXPECT_EQ(r.code, expect);
    if (r.ok()) {
        EXPECT_EQ(r.length, recordLength);
    }
    return out;
}

_PHONEBOOK_ITEM Decode(const std::vector<uint8_t>& record) {
    _PHONEBOOK_ITEM item;
    std::memset(&item, 0xCC, sizeof item); // stale content must not survive
    EXPECT_EQ(DecodeDiallingRecord(record, item), QUARN_OK);
    return item;
}

// A record of X = 14 alpha bytes: 28 bytes in all.
std::vector<uint8_t> Record28(std::string_view alpha, std::string_view tail) {
    auto bytes = Padded(Hex(alpha), 14, 0xFF);
    auto t = Padded(Hex(tail), 14, 0xFF);
    bytes.insert(bytes.end(), t.begin(), t.end());
    return bytes;
}

TEST(DiallingRecord, FreeRecordReadsEmpty) {
    const auto item = Decode(std::vector<uint8_t>(28, 0xFF));
    EXPECT_STREQ(item.name, "");
    EXPECT_EQ(Ucs2Text(item.nameUcs2), u"");
    EXPECT_EQ(item.nameLength, 0);
    EXPECT_STREQ(item.number, "");
}

TEST(DiallingRecord, EmptyItemWritesTheFreeLayout) {
    EXPECT_EQ(Encode(Item("", ""), 28), Record28("", "0181"));
}

TEST(DiallingRecord, InternationalNumberUsesTypeByte91) {
    const auto record = Encode(Item("", "+12345"), 28);
    EXPECT_EQ(record, Record28("", "049121 43F5"));
    EXPECT_STREQ(Decode(record).number, "+12345");
    EXPECT_EQ(Encode(Item("", "12345"), 28), Record28("", "048121 43F5"));
}

TEST(DiallingRecord, GsmNameUsesTheDefaultAlphabet) {
    const auto record = Encode(Item("\xC4@_", ""), 28);
    EXPECT_EQ(record, Record28("5B0011", "0181"));
    const auto item = Decode(record);
    EXPECT_STREQ(item.name, "\xC4@_");
    EXPECT_EQ(item.nameLength, 3);
}

TEST(DiallingRecord, Ucs2NameFillsTheFieldAndLeavesTheLastByteFree) {
    const auto record = Encode(Item("", "", u"\u0410\u0411\u0412\u0413\u0414\u0415"), 28);
    EXPECT_EQ(record, Record28("80 0410 0411 0412 0413 0414 0415 FF", "0181"));
    const auto item = Decode(record);
    EXPECT_EQ(item.nameLength, 6);
    EXPECT_STREQ(item.name, "");
    EXPECT_EQ(Ucs2Text(item.nameUcs2), u"\u0410\u0411\u0412\u0413\u0414\u0415");
}

TEST(DiallingRecord, FullwidthNameUsesTheBasedFormSoItIsNotCutShort) {
    // U+FF21 would read as the end of a 0x80 name.
    const auto record = Encode(Item("", "", u"\uFF21\uFF22e"), 28);
    EXPECT_EQ(record, Record28("82 03 FF21 80 81 65", "0181"));
    EXPECT_EQ(Ucs2Text(Decode(record).nameUcs2), u"\uFF21\uFF22e");
}

TEST(DiallingRecord, Ucs2NameTooLongForThe80FormGoesOutBased) {
    // Ten Cyrillic letters and a blank: 22 bytes in the 0x80 form, 14 in 0x81
    // (base byte 08 = U+0400).
    const std::u16string cyrillic =
        u"\u0410\u043D\u043D\u0430 \u041F\u0435\u0442\u0440\u043E\u0432";
    auto record = Encode(Item("", "", cyrillic), 28);
    EXPECT_EQ(record, Record28("81 0B 08 90 BD BD B0 20 9F B5 C2 C0 BE B2", "0181"));
    EXPECT_EQ(Ucs2Text(Decode(record).nameUcs2), cyrillic);
    // Hiragana and katakana straddle a 128-window: the 16-bit base of 0x82.
    const std::u16string kana = u"\u3072\u3089\u304C\u306A\u30AB\u30BF\u30AB\u30CA";
    record = Encode(Item("", "", kana), 28);
    EXPECT_EQ(record, Record28("82 08 304C A6 BD 80 9E DF F3 DF FE", "0181"));
    EXPECT_EQ(Ucs2Text(Decode(record).nameUcs2), kana);
}

struct AlphaVector {
    const char* alpha; // hex, padded with FF to 14 bytes
    std::u16string ucs2;
    int length;
};

// UCS2 alpha forms of TS 31.102 annex A, worked by hand.
class Ucs2AlphaTest : public ::testing::TestWithParam<AlphaVector> {};

TEST_P(Ucs2AlphaTest, Decodes) {
    const auto item = Decode(Record28(GetParam().alpha, ""));
    EXPECT_EQ(Ucs2Text(item.nameUcs2), GetParam().ucs2);
    EXPECT_EQ(item.nameLength, GetParam().length);
    EXPECT_STREQ(item.name, "");
}

INSTANTIATE_TEST_SUITE_P(Forms, Ucs2AlphaTest,
                         ::testing::Values(
                             // 0x81: base byte 08 gives 0x0400; 0x81 is base + 1.
                             AlphaVector{"81 01 08 81", u"\u0401", 1},
                             // 0x81 mixes base characters with GSM letters (0x00 is '@').
                             AlphaVector{"81 04 13 53 95 00 A6", u"S\u0995@\u09A6", 4},
                             // 0x82: a 16-bit base.
                             AlphaVector{"82 02 04 10 C1 45", u"\u0451E", 2},
                             // The base plus the character byte wraps within 16 bits.
                             AlphaVector{"82 01 FFF0 FF", u"o", 1},
                             // 0x80 ends at the first character whose high byte is FF.
                             AlphaVector{"80 0041 0042 FF41", u"AB", 2},
                             AlphaVector{"80 FFFF", u"", 0},
                             // Counts above the field are cut to it: 11 and 10 character bytes.
                             AlphaVector{"81 FF 00 4142434445464748494A4B", u"ABCDEFGHIJK", 11},
                             AlphaVector{"82 FF 0000 4142434445464748494A", u"ABCDEFGHIJ", 10}));

TEST(DiallingRecord, BasedFormCountIsCutToTheItemAsWell) {
    // A 255-byte record has 241 alpha bytes; nameUcs2 holds 120 characters.
    std::vector<uint8_t> record(255, 0x41);
    record[0] = 0x81;
    record[1] = 0xFF;
    record[2] = 0x00;
    const auto item = Decode(record);
    EXPECT_EQ(item.nameLength, 120);
    EXPECT_TRUE(Ucs2Terminated(item.nameUcs2));
    EXPECT_EQ(Ucs2Text(item.nameUcs2).size(), 120u);
}

TEST(DiallingRecord, GsmNameMayFillTheWholeField) {
    const auto item = Decode(Record28("4142434445464748494A4B4C4D4E", ""));
    EXPECT_STREQ(item.name, "ABCDEFGHIJKLMN");
    EXPECT_EQ(item.nameLength, 14);
}

TEST(DiallingRecord, GsmNameBytesWithBit8AreNotLetters) {
    const auto item = Decode(Record28("41 85 42", ""));
    EXPECT_STREQ(item.name, "A B");
}

TEST(DiallingRecord, NumberEndsAtTheFirstFillerAndIgnoresTheLengthByte) {
    // The length byte claims 10 digits; the digits stop at the F half.
    EXPECT_STREQ(Decode(Record28("", "0B81 21 3A FB 65")).number, "12*3#");
    // Twenty digits, no filler at all.
    EXPECT_STREQ(Decode(Record28("", "0B81 1032547698 1032547698")).number, "01234567890123456789");
    // C to E end the number like F.
    EXPECT_STREQ(Decode(Record28("", "0281 C1")).number, "1");
}

TEST(DiallingRecord, ShortRecordIsRefused) {
    _PHONEBOOK_ITEM item{};
    std::vector<uint8_t> record(13, 0xFF);
    EXPECT_EQ(DecodeDiallingRecord(record, item), QUARN_E_OUT_OF_RANGE);
    std::vector<uint8_t> out(13);
    EXPECT_EQ(EncodeDiallingRecord(item, out).code, QUARN_E_OUT_OF_RANGE);
}

TEST(DiallingRecord, SeparatorsOfTheDialStringEncodeAsWildAndExpansion) {
    EXPECT_EQ(Encode(Item("", "1:2;"), 28), Record28("", "0381 A1 B2"));
}

struct Refusal {
    _PHONEBOOK_ITEM item;
    const char* why;
};

// What does not fit the card record is refused before anything is built.
class DiallingRefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(DiallingRefusalTest, RefusesAndLeavesTheOutputAlone) {
    const auto out = Encode(GetParam().item, 28, QUARN_E_OUT_OF_RANGE);
    EXPECT_EQ(out, std::vector<uint8_t>(28, 0xEE)) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(
    TooLongOrInvalid, DiallingRefusalTest,
    ::testing::Values(Refusal{Item("ABCDEFGHIJKLMNO", ""), "15 GSM characters in 14 bytes"},
                      Refusal{Item("", "",
                                   u"\u0410\u0411\u0412\u0413\u0414\u0415\u0416\u0417"
                                   u"\u0418\u0419\u041A\u041B"),
                              "12 UCS2 characters in 14 bytes"},
                      Refusal{Item("", "", u"\u0410\u0411\u0412\u0413\u0414\u0415\u4E00"),
                              "7 UCS2 characters, no base"},
                      Refusal{Item("", "", u"\uFF21\u4E00"), "fullwidth and CJK, no base"},
                      Refusal{Item("", "", std::u16string(11, u'\uFF10')), "11 based in 14"},
                      Refusal{Item("", "123456789012345678901"), "21 digits"},
                      Refusal{Item("", "12a"), "letter"}, Refusal{Item("", "12+3"), "plus inside"},
                      Refusal{Item("", "12 3"), "blank"}));

TEST(DiallingRecord, UnterminatedFieldsAreRefusedNotOverread) {
    _PHONEBOOK_ITEM item{};
    std::memset(item.name, 'A', sizeof item.name);
    std::vector<uint8_t> out(255);
    EXPECT_EQ(EncodeDiallingRecord(item, out).code, QUARN_E_OUT_OF_RANGE);

    std::memset(item.name, 0, sizeof item.name);
    std::memset(item.number, '1', sizeof item.number);
    EXPECT_EQ(EncodeDiallingRecord(item, out).code, QUARN_E_OUT_OF_RANGE);
    std::memset(item.number, 0, sizeof item.number);

    std::memset(item.name, 0, sizeof item.name);
    std::memset(item.nameUcs2, 0x41, sizeof item.nameUcs2);
    EXPECT_EQ(EncodeDiallingRecord(item, out).code, QUARN_E_OUT_OF_RANGE);
}

struct RoundTrip {
    _PHONEBOOK_ITEM item;
    std::size_t recordLength;
};

class DiallingRoundTripTest : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(DiallingRoundTripTest, ReadsBackWhatWasWritten) {
    const _PHONEBOOK_ITEM& in = GetParam().item;
    const auto back = Decode(Encode(in, GetParam().recordLength));
    EXPECT_STREQ(back.name, in.name);
    EXPECT_EQ(Ucs2Text(back.nameUcs2),
              std::string(in.name).empty() ? Ucs2Text(in.nameUcs2) : std::u16string());
    EXPECT_STREQ(back.number, in.number);
}

INSTANTIATE_TEST_SUITE_P(
    Items, DiallingRoundTripTest,
    ::testing::Values(
        RoundTrip{Item("Anna", "0123456789"), 28},
        RoundTrip{Item("@$_\xA3\xA5\xE8\xE9\xF9\xEC\xF2\xC7\xD8\xF8\xC5", "*#"), 28},
        RoundTrip{Item("\xE5\xC6\xE6\xDF\xC9\xA4\xA1\xC4\xD6\xD1\xDC\xA7\xBF\xE4", "+1"), 28},
        RoundTrip{Item("\xF6\xF1\xFC\xE0 !\"#%&'()*", "12345678901234567890"), 28},
        RoundTrip{Item("", "+12345678901234567890", u"\u4E2D\u6587"), 28},
        RoundTrip{Item("", "", u"ABCDEF"), 28}, RoundTrip{Item("", "", u"\uFF34el @1\uFF10"), 28},
        RoundTrip{Item("", "", std::u16string(10, u'\uFFE5')), 28},
        RoundTrip{Item("", "", u"\u00E9\u0401"), 19}, RoundTrip{Item("AB", "1"), 16},
        RoundTrip{Item("", "+"), 14}, RoundTrip{Item(std::string(241, 'x'), "5"), 255},
        RoundTrip{Item("", "", std::u16string(120, u'\u00FF')), 255}));

} // namespace
