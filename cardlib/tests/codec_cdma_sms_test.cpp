#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "codec_cdma_sms.h"
#include "codec_test_util.h"

using namespace nimbrel;
using namespace codec_test;

namespace {

// status, L, point-to-point type byte, then the parameters; 0xFF after the
// message so that only L can end it.
std::vector<uint8_t> Record(uint8_t status, std::string_view params) {
    auto p = Hex(params);
    std::vector<uint8_t> record{status, static_cast<uint8_t>(p.size() + 1), 0x00};
    record.insert(record.end(), p.begin(), p.end());
    return Padded(record, kCdmaRecordBytes, 0xFF);
}

// Bit fields, most significant bit first, zero-padded to whole bytes.
std::string Bits(const std::vector<std::pair<uint32_t, unsigned>>& fields) {
    std::vector<uint8_t> out;
    unsigned used = 0;
    for (auto [value, width] : fields) {
        for (unsigned i = width; i-- > 0;) {
            if (used % 8 == 0)
                out.push_back(0);
            if ((value >> i) & 1)
                out.back() |= static_cast<uint8_t>(0x80 >> (used % 8));
            ++used;
        }
    }
    static const char* digits = "0123456789ABCDEF";
    std::string hex;
    for (uint8_t b : out) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex;
}

std::string Entry(uint8_t id, const std::string& dataHex) {
    char head[5];
    std::snprintf(head, sizeof head, "%02X%02X", id, static_cast<unsigned>(dataHex.size() / 2));
    return head + dataHex;
}

_CDMA_SMS_ITEM Decode(const std::vector<uint8_t>& record) {
    _CDMA_SMS_ITEM item;
    std::memset(&item, 0xCC, sizeof item);
    DecodeCdmaSmsRecord(record, item);
    EXPECT_TRUE(Terminated(item.address));
    EXPECT_TRUE(Terminated(item.timeStamp));
    EXPECT_TRUE(Terminated(item.text));
    EXPECT_TRUE(Ucs2Terminated(item.textUcs2));
    EXPECT_TRUE(Terminated(item.callback));
    return item;
}

// A received message worked out by hand from the parameter and subparameter
// layouts of C.S0015: teleservice 1002, originating address 5551234567,
// message identifier, 7-bit ASCII "Hi", time stamp and callback 911.
constexpr const char* kReceived = "00021002 02 07 02955448D159C0 "
                                  "08 18 0003100010 0104 10148D20 0306 211107132500 0E03 01C888";

TEST(CdmaDecode, ReceivedMessage) {
    const auto item = Decode(Record(0x03, kReceived));
    EXPECT_EQ(item.status, 0x03);
    EXPECT_STREQ(item.address, "5551234567");
    EXPECT_STREQ(item.text, "Hi");
    EXPECT_EQ(Ucs2Text(item.textUcs2), u"");
    EXPECT_STREQ(item.timeStamp, "211107132500");
    EXPECT_STREQ(item.callback, "911");
}

TEST(CdmaDecode, FreeAndTooShortRecordsReadEmpty) {
    for (auto record : {Record(0x00, kReceived), Record(0x01, "0002"), std::vector<uint8_t>{},
                        std::vector<uint8_t>{0x01, 0x05}}) {
        const auto item = Decode(record);
        EXPECT_STREQ(item.address, "");
        EXPECT_STREQ(item.text, "");
        EXPECT_STREQ(item.callback, "");
        EXPECT_STREQ(item.timeStamp, "");
    }
}

struct UserDataVector {
    const char* name;
    std::string bearer; // hex of the user-data subparameter's data
    std::string text;
    std::u16string ucs2;
};

void PrintTo(const UserDataVector& v, std::ostream* os) {
    *os << v.name;
}

class CdmaUserDataTest : public ::testing::TestWithParam<UserDataVector> {};

TEST_P(CdmaUserDataTest, Decodes) {
    const auto item = Decode(Record(0x01, Entry(0x08, Entry(0x01, GetParam().bearer))));
    EXPECT_EQ(std::string(item.text), GetParam().text);
    EXPECT_EQ(Ucs2Text(item.textUcs2), GetParam().ucs2);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, CdmaUserDataTest,
    ::testing::Values(
        UserDataVector{"7-bit ASCII", "100C10", "A", u""},
        UserDataVector{"7-bit ASCII keeps @ and [", Bits({{2, 5}, {2, 8}, {'@', 7}, {'[', 7}}),
                       "@[", u""},
        UserDataVector{"IA5", "18140B60", "@[", u""},
        UserDataVector{"unicode", "20127B02CBE8", "", u"\u4F60\u597D"},
        UserDataVector{"latin", "40174A08",
                       "\xE9"
                       "A",
                       u""},
        UserDataVector{"octets, NUL shown as blank", "00120800", "A ", u""},
        UserDataVector{"GSM 7-bit", "48100220", "@_", u""},
        UserDataVector{"extended protocol is not shown", "0800141840", "", u""},
        UserDataVector{"latin/hebrew converted to UCS2",
                       Bits({{7, 5}, {4, 8}, {0xE0, 8}, {'A', 8}, {0xAA, 8}, {0xFA, 8}}), "",
                       u"\u05D0A\u00D7\u05EA"},
        UserDataVector{"GSM coding scheme, default alphabet",
                       Bits({{10, 5}, {0x00, 8}, {2, 8}, {0x00, 7}, {0x11, 7}}), "@_", u""},
        UserDataVector{"GSM coding scheme, 8-bit", Bits({{10, 5}, {0xF4, 8}, {1, 8}, {0xE9, 8}}),
                       "\xE9", u""},
        UserDataVector{"GSM coding scheme, UCS2", Bits({{10, 5}, {0x08, 8}, {1, 8}, {0x4F60, 16}}),
                       "", u"\u4F60"},
        UserDataVector{"shift-JIS taken as 16-bit", Bits({{5, 5}, {1, 8}, {0x8140, 16}}), "",
                       u"\u8140"},
        UserDataVector{"count above the data", "10548D20", "Hi", u""},
        UserDataVector{"count above the text field",
                       [] {
                           std::vector<std::pair<uint32_t, unsigned>> f{{2, 5}, {255, 8}};
                           f.insert(f.end(), 200, {'A', 7});
                           return Bits(f);
                       }(),
                       std::string(161, 'A'), u""},
        UserDataVector{"count above the UCS2 field",
                       [] {
                           std::vector<std::pair<uint32_t, unsigned>> f{{4, 5}, {255, 8}};
                           f.insert(f.end(), 90, {'B', 16});
                           return Bits(f);
                       }(),
                       "", std::u16string(80, u'B')}));

TEST(CdmaDecode, AddressAndCallbackCountsAreCutToTheirFields) {
    const auto item =
        Decode(Record(0x01, "02 20 3FC4444444444444444444444444444444444444444444444444444444444440"
                            "08 18 0E16 7F911111111111111111111111111111111111111100"));
    EXPECT_EQ(std::string(item.address), std::string(29, '1'));
    EXPECT_EQ(std::string(item.callback), std::string(29, '2'));
}

TEST(CdmaDecode, AsciiDigitModeAddressesStayEmpty) {
    const auto item = Decode(Record(0x01, "02 03 80 1234 08 05 0E03 8000FF"));
    EXPECT_STREQ(item.address, "");
    EXPECT_STREQ(item.callback, "");
}

TEST(CdmaDecode, TimeStampIsCutToTheField) {
    const auto item = Decode(Record(0x01, "08 0C 030A 21110713250001020304"));
    EXPECT_STREQ(item.timeStamp, "21110713250001");
}

TEST(CdmaDecode, MessageLengthEndsTheWalk) {
    // The bearer data lies after L: it is not decoded.
    auto record = Record(0x01, std::string("0002 1002 ") + Entry(0x08, Entry(0x01, "100C10")));
    record[1] = 5;
    EXPECT_STREQ(Decode(record).text, "");
    // A parameter length past L is cut to L.
    record = Record(0x01, Entry(0x08, Entry(0x01, "100C10")));
    record[4] = 0xF0;
    EXPECT_STREQ(Decode(record).text, "A");
    // L beyond the record is cut to the record.
    record[1] = 0xFF;
    EXPECT_STREQ(Decode(record).text, "A");
}

_CDMA_SMS_ITEM NewMessage(std::string_view address, std::string_view text,
                          std::u16string_view ucs2 = {}) {
    _CDMA_SMS_ITEM item{};
    std::memset(item.record, 0x5A, sizeof item.record);
    item.status = 0x07;
    SetField(item.address, address);
    SetField(item.text, text);
    SetUcs2(item.textUcs2, ucs2);
    return item;
}

std::vector<uint8_t> Image(const _CDMA_SMS_ITEM& item) {
    return {item.record, item.record + sizeof item.record};
}

TEST(CdmaEncode, NewMessage) {
    auto item = NewMessage("0912", "A");
    const EncodeResult r = EncodeCdmaSmsRecord(item);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(Image(item),
              Padded(Hex("07 1A 00 00021002 04 04 012A4480 0601FC 080A 000314EBB0 0103100C10"),
                     kCdmaRecordBytes, 0x00));
    EXPECT_EQ(r.length, 2u + 0x1A);
}

TEST(CdmaEncode, NonDtmfAddressCharactersBecomeHash) {
    auto item = NewMessage("+12", "A");
    ASSERT_TRUE(EncodeCdmaSmsRecord(item).ok());
    EXPECT_EQ(Image(item),
              Padded(Hex("07 19 00 00021002 04 03 00F048 0601FC 080A 000314EBB0 0103100C10"),
                     kCdmaRecordBytes, 0x00));
    EXPECT_STREQ(item.address, "#12");
}

TEST(CdmaEncode, EraseAndMarkRead) {
    auto item = NewMessage("1", "x");
    item.status = 0;
    ASSERT_TRUE(EncodeCdmaSmsRecord(item).ok());
    EXPECT_EQ(Image(item), Padded({0x00}, kCdmaRecordBytes, 0xFF));

    const auto unread = Record(0x03, kReceived);
    std::memcpy(item.record, unread.data(), unread.size());
    item.status = 1;
    ASSERT_TRUE(EncodeCdmaSmsRecord(item).ok());
    EXPECT_EQ(item.record[0], 0x01);
    EXPECT_EQ(std::memcmp(item.record + 1, unread.data() + 1, unread.size() - 1), 0);

    item.status = 5;
    const auto before = Image(item);
    EXPECT_EQ(EncodeCdmaSmsRecord(item).length, 0u);
    EXPECT_EQ(Image(item), before);
}

TEST(CdmaEncode, UnterminatedFieldsAreRefused) {
    auto item = NewMessage("1", "A");
    std::memset(item.address, '1', sizeof item.address);
    const auto before = Image(item);
    EXPECT_EQ(EncodeCdmaSmsRecord(item).code, QUARN_E_OUT_OF_RANGE);
    EXPECT_EQ(Image(item), before);

    item = NewMessage("1", "");
    std::memset(item.textUcs2, 0x41, sizeof item.textUcs2);
    EXPECT_EQ(EncodeCdmaSmsRecord(item).code, QUARN_E_OUT_OF_RANGE);
}

struct CdmaRoundTrip {
    std::string address;
    std::string text;
    std::u16string ucs2;
    std::string readText;
    std::u16string readUcs2;
};

class CdmaRoundTripTest : public ::testing::TestWithParam<CdmaRoundTrip> {};

TEST_P(CdmaRoundTripTest, NewMessageReadsBack) {
    auto item = NewMessage(GetParam().address, GetParam().text, GetParam().ucs2);
    const EncodeResult r = EncodeCdmaSmsRecord(item);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.length, 2u + item.record[1]);
    const auto back = Decode(Image(item));
    EXPECT_EQ(back.status, 0x07);
    EXPECT_EQ(std::string(back.address), GetParam().address);
    EXPECT_EQ(std::string(back.text), GetParam().readText);
    EXPECT_EQ(Ucs2Text(back.textUcs2), GetParam().readUcs2);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, CdmaRoundTripTest,
    ::testing::Values(
        CdmaRoundTrip{"0912", "A", u"", "A", u""},
        CdmaRoundTrip{"5551234567*#", "Hello, world! @$_[]", u"", "Hello, world! @$_[]", u""},
        CdmaRoundTrip{std::string(29, '9'), std::string(161, 'x'), u"", std::string(161, 'x'), u""},
        // Accented ISO 8859-1 letters do not fit 7-bit ASCII: sent as 16-bit.
        CdmaRoundTrip{"1", "caf\xE9", u"", "", u"caf\u00E9"},
        CdmaRoundTrip{"1", "", u"\u4F60\u597D", "", u"\u4F60\u597D"},
        CdmaRoundTrip{"1", "", std::u16string(80, u'\u0416'), "", std::u16string(80, u'\u0416')},
        CdmaRoundTrip{"", "", u"", "", u""}));

} // namespace
