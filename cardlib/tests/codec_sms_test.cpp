#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec_sms.h"
#include "codec_test_util.h"

using namespace nimbrel;
using namespace codec_test;

namespace {

std::vector<uint8_t> Record(std::string_view hex) {
    return Padded(Hex(hex), kSmsRecordBytes, 0xFF);
}

_SMS_ITEM Decode(const std::vector<uint8_t>& record) {
    _SMS_ITEM item;
    std::memset(&item, 0xCC, sizeof item); // nothing stale may survive
    DecodeSmsRecord(record, item);
    EXPECT_TRUE(Terminated(item.address));
    EXPECT_TRUE(Terminated(item.timeStamp));
    EXPECT_TRUE(Terminated(item.text));
    EXPECT_TRUE(Ucs2Terminated(item.textUcs2));
    return item;
}

struct DecodeVector {
    const char* name;
    const char* record;
    uint8_t status;
    const char* address;
    const char* timeStamp;
    std::string text;
    std::u16string ucs2;
};

void PrintTo(const DecodeVector& v, std::ostream* os) {
    *os << v.name;
}

// Records built by hand from the TPDU layouts of TS 23.040 9.2.2.
class SmsDecodeTest : public ::testing::TestWithParam<DecodeVector> {};

TEST_P(SmsDecodeTest, Decodes) {
    const DecodeVector& v = GetParam();
    const auto item = Decode(Record(v.record));
    EXPECT_EQ(item.status, v.status);
    EXPECT_STREQ(item.address, v.address);
    EXPECT_STREQ(item.timeStamp, v.timeStamp);
    EXPECT_EQ(std::string(item.text), v.text);
    EXPECT_EQ(Ucs2Text(item.textUcs2), v.ucs2);
}

INSTANTIATE_TEST_SUITE_P(
    Tpdus, SmsDecodeTest,
    ::testing::Values(
        DecodeVector{"free", "00 07 91 4477581006 50 04 05 91 2143F5", 0, "", "", "", u""},
        DecodeVector{"deliver 7-bit with service centre",
                     "01 07 91 447758100650 04 05 91 2143F5 00 00 21117031520000 05 E8329BFD06", 1,
                     "+12345", "1211071325", "hello", u""},
        DecodeVector{"deliver unread, national sender",
                     "03 00 04 03 81 21F3 00 00 "
                     "90302191044500 02 C130",
                     3, "123", "0903121940", "Aa", u""},
        DecodeVector{"deliver ucs2", "01 00 04 03 81 21F3 00 08 21117031520000 04 0410 0411", 1,
                     "123", "1211071325", "", u"\u0410\u0411"},
        DecodeVector{"deliver 8-bit", "01 00 04 03 81 21F3 00 04 21117031520000 03 414243", 1,
                     "123", "1211071325", "ABC", u""},
        DecodeVector{"escape is not interpreted",
                     "01 00 04 03 81 21F3 00 00 21117031520000 02 1B1E", 1, "123", "1211071325",
                     "\x1B<", u""},
        DecodeVector{"address half-bytes above B", "01 00 04 04 81 DCFE 00 04 21117031520000 00", 1,
                     "<=>?", "1211071325", "", u""},
        DecodeVector{"submit, no validity period",
                     "05 00 01 2A 0B 81 1032547698F0 00 00 05 "
                     "E8329BFD06",
                     5, "01234567890", "", "hello", u""},
        DecodeVector{"submit, relative validity period",
                     "07 00 11 00 03 91 21F3 00 00 AA 05 E8329BFD06", 7, "+123", "", "hello", u""},
        DecodeVector{"submit, absolute validity period",
                     "07 00 19 00 03 91 21F3 00 00 21117031520000 05 E8329BFD06", 7, "+123", "",
                     "hello", u""},
        DecodeVector{"submit, enhanced validity period",
                     "07 00 09 00 03 91 21F3 00 00 01000000000000 05 E8329BFD06", 7, "+123", "",
                     "hello", u""},
        DecodeVector{"unknown coding scheme keeps the address",
                     "01 00 04 03 81 21F3 00 F5 21117031520000 03 414243", 1, "123", "1211071325",
                     "", u""},
        DecodeVector{"status report is not decoded", "01 00 06 2A 03 81 21F3", 1, "", "", "", u""},
        DecodeVector{"service-centre length past the record", "01 FF 04 03 81 21F3", 1, "", "", "",
                     u""},
        DecodeVector{"submit user-data length above 160", "05 00 01 00 03 81 21F3 00 04 C8 414243",
                     5, "123", "", "", u""},
        DecodeVector{"odd ucs2 length keeps whole characters",
                     "01 00 04 03 81 21F3 00 08 21117031520000 03 004100", 1, "123", "1211071325",
                     "", u"A"}));

TEST(SmsDecode, UserDataLengthIsCutToTheRecordAndTheTextField) {
    // 17 header bytes leave 159 bytes: 181 septets, cut to the 161 of text.
    const std::string header = "01 00 04 03 81 21F3 00 00 21117031520000 FF";
    auto item = Decode(Record(header));
    EXPECT_EQ(std::strlen(item.text), 161u);

    item = Decode(Record("01 00 04 03 81 21F3 00 04 21117031520000 FF"));
    EXPECT_EQ(std::strlen(item.text), 159u);

    item = Decode(Record("01 00 04 03 81 21F3 00 08 21117031520000 FF"));
    EXPECT_EQ(Ucs2Text(item.textUcs2).size(), 79u);
    // A longer span than a card record still stops at the UCS2 field.
    item = Decode(Padded(Hex("01 00 04 03 81 21F3 00 08 21117031520000 FF"), 255, 0x41));
    EXPECT_EQ(Ucs2Text(item.textUcs2).size(), 80u);
}

TEST(SmsDecode, AddressDigitCountIsCutToTheField) {
    auto hex = std::string("01 00 04 FF 91 ");
    for (int i = 0; i < 128; ++i)
        hex += "21";
    hex += " 00 04 21117031520000 01 41";
    const auto item = Decode(Record(hex));
    EXPECT_EQ(std::strlen(item.address), 29u);
    EXPECT_EQ(std::string(item.address).substr(0, 5), "+1212");
    // The parse went on past the whole address field.
    EXPECT_STREQ(item.text, "A");
}

TEST(SmsDecode, ShortReadsDecodeWhatIsThere) {
    for (std::size_t length = 0; length < 30; ++length) {
        auto record = Hex("01 00 04 05 91 2143F5 00 00 21117031520000 05 E8329BFD06");
        record.resize(std::min(length, record.size()));
        _SMS_ITEM item{};
        DecodeSmsRecord(record, item);
        EXPECT_TRUE(Terminated(item.text));
        if (length >= 8) {
            EXPECT_STREQ(item.address, "+12345");
        }
    }
}

_SMS_ITEM NewMessage(std::string_view address, std::string_view text,
                     std::u16string_view ucs2 = {}) {
    _SMS_ITEM item{};
    std::memset(item.record, 0x5A, sizeof item.record);
    item.status = kSmsToBeSent;
    SetField(item.address, address);
    SetField(item.text, text);
    SetUcs2(item.textUcs2, ucs2);
    return item;
}

std::vector<uint8_t> Image(const _SMS_ITEM& item) {
    return {item.record, item.record + sizeof item.record};
}

TEST(SmsEncode, NewSevenBitMessage) {
    auto item = NewMessage("+12345", "@");
    const EncodeResult r = EncodeSmsRecord(item);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.length, 13u);
    EXPECT_EQ(Image(item), Record("07 00 01 00 05 91 2143F5 00 00 01 00"));
    EXPECT_EQ(item.text[0], 0x00); // converted in place to GSM codes
}

TEST(SmsEncode, NewUcs2Message) {
    auto item = NewMessage("123", "", u"\u0410\u0411");
    const EncodeResult r = EncodeSmsRecord(item);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(Image(item), Record("07 00 01 00 03 81 21F3 00 08 04 0410 0411"));
    EXPECT_EQ(r.length, 15u);
}

TEST(SmsEncode, EraseAndMarkRead) {
    auto item = NewMessage("1", "x");
    item.status = kSmsFree;
    EXPECT_TRUE(EncodeSmsRecord(item).ok());
    EXPECT_EQ(Image(item), Record("00"));

    const auto unread = Record("03 00 04 03 81 21F3 00 04 21117031520000 01 41");
    std::memcpy(item.record, unread.data(), unread.size());
    item.status = kSmsRead;
    EXPECT_TRUE(EncodeSmsRecord(item).ok());
    auto expected = unread;
    expected[0] = 0x01;
    EXPECT_EQ(Image(item), expected);

    const auto sent = Record("05 00 01 2A 03 81 21F3 00 04 01 41");
    std::memcpy(item.record, sent.data(), sent.size());
    EXPECT_TRUE(EncodeSmsRecord(item).ok());
    EXPECT_EQ(Image(item), sent);

    item.status = kSmsSent;
    const EncodeResult kept = EncodeSmsRecord(item);
    EXPECT_TRUE(kept.ok());
    EXPECT_EQ(kept.length, 0u);
    EXPECT_EQ(Image(item), sent);
}

struct SmsRefusal {
    _SMS_ITEM item;
    const char* why;
};

void PrintTo(const SmsRefusal& v, std::ostream* os) {
    *os << v.why;
}

class SmsRefusalTest : public ::testing::TestWithParam<SmsRefusal> {};

TEST_P(SmsRefusalTest, RefusesAndChangesNothing) {
    _SMS_ITEM item = GetParam().item;
    const _SMS_ITEM before = item;
    EXPECT_EQ(EncodeSmsRecord(item).code, QUARN_E_OUT_OF_RANGE);
    EXPECT_EQ(std::memcmp(&item, &before, sizeof item), 0);
}

INSTANTIATE_TEST_SUITE_P(
    TooLongOrInvalid, SmsRefusalTest,
    ::testing::Values(SmsRefusal{NewMessage("1", std::string(161, 'a')), "161 septets"},
                      SmsRefusal{NewMessage("1", "", std::u16string(71, u'x')), "71 UCS2"},
                      SmsRefusal{NewMessage("123456789012345678901", "a"), "21 digits"},
                      SmsRefusal{NewMessage("12-34", "a"), "dash in address"}));

struct SmsRoundTrip {
    std::string address;
    std::string text;
    std::u16string ucs2;
};

class SmsRoundTripTest : public ::testing::TestWithParam<SmsRoundTrip> {};

TEST_P(SmsRoundTripTest, NewMessageReadsBack) {
    auto item = NewMessage(GetParam().address, GetParam().text, GetParam().ucs2);
    const EncodeResult r = EncodeSmsRecord(item);
    ASSERT_TRUE(r.ok());
    EXPECT_LE(r.length, kSmsRecordBytes);
    for (std::size_t i = r.length; i < kSmsRecordBytes; ++i)
        ASSERT_EQ(item.record[i], 0xFF) << i;
    const auto back = Decode(Image(item));
    EXPECT_EQ(back.status, kSmsToBeSent);
    EXPECT_EQ(std::string(back.address), GetParam().address);
    EXPECT_EQ(std::string(back.text), GetParam().text);
    EXPECT_EQ(Ucs2Text(back.textUcs2), GetParam().text.empty() ? GetParam().ucs2 : u"");
}

INSTANTIATE_TEST_SUITE_P(
    Messages, SmsRoundTripTest,
    ::testing::Values(SmsRoundTrip{"+12345", "hello", u""},
                      SmsRoundTrip{"0123456789", "1234567", u""},
                      SmsRoundTrip{"*#1", "12345678", u""},
                      SmsRoundTrip{"+12345678901234567890", std::string(160, 'z'), u""},
                      SmsRoundTrip{"", "\xE9\xE8\xC4\xD6\xDC\xA7\xBF\xA3$@_", u""},
                      SmsRoundTrip{"555", "", u"\u4F60\u597D"},
                      SmsRoundTrip{"555", "", std::u16string(70, u'\u00E9')},
                      SmsRoundTrip{"555", "", u""}));

} // namespace
