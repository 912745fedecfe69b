// SMS books against the virtual GSM SIM, USIM, PHS card and R-UIM.
#include <cstring>

#include "books_fixture.h"

namespace {

const std::vector<std::uint16_t> kTelecomSms{0x7F10, 0x6F3C};
const std::vector<std::uint16_t> kCdmaSms{0x7F25, 0x6F3C};
const std::vector<std::uint16_t> kPhsSms{0x7FD0, 0x6F3C};

class SmsBookTest : public BookTest {};

TEST_F(SmsBookTest, ReadsTheGsmSimBook) {
    Insert("book_gsm_sim.json");
    _FILE_INFO fi{};
    Mark();
    ASSERT_EQ(Quarn_OpenSMSBook(handle_, &fi), QUARN_OK);
    ExpectSentSinceMark({"A0 A4 00 00 02 3F 00", "A0 C0 00 00", "A0 A4 00 00 02 7F 10",
                         "A0 C0 00 00", "A0 A4 00 00 02 6F 3C", "A0 C0 00 00"});
    EXPECT_EQ(fi.recordLength, 176);
    EXPECT_EQ(fi.recordCount, 50);

    _SMS_ITEM item{};
    Mark();
    ASSERT_EQ(Quarn_ReadSMSBook(handle_, &fi, &item, 1), QUARN_OK);
    ExpectSentSinceMark({"A0 B2 01 04 B0"});
    EXPECT_EQ(item.status, 1);
    EXPECT_STREQ(item.address, "+4917601234");
    EXPECT_STREQ(item.timeStamp, "1211071325");
    EXPECT_STREQ(item.text, "Hello from the virtual card");
    EXPECT_EQ(std::memcmp(item.record, CardRecord(kTelecomSms, 1, 176).data(), 176), 0);

    ASSERT_EQ(Quarn_ReadSMSBook(handle_, &fi, &item, 2), QUARN_OK);
    EXPECT_EQ(item.status, 3);
    EXPECT_STREQ(item.text, "");
    EXPECT_EQ(item.textUcs2[0], 0x04);
    EXPECT_EQ(item.textUcs2[1], 0x1F); // П

    ASSERT_EQ(Quarn_ReadSMSBook(handle_, &fi, &item, 3), QUARN_OK);
    EXPECT_EQ(item.status, 5);
    EXPECT_STREQ(item.address, "+491701234567");
    EXPECT_STREQ(item.timeStamp, "");
    EXPECT_STREQ(item.text, "See you at 8");

    ASSERT_EQ(Quarn_ReadSMSBook(handle_, &fi, &item, 50), QUARN_OK);
    EXPECT_EQ(item.status, 0);
    EXPECT_STREQ(item.address, "");
    EXPECT_STREQ(item.text, "");
    EXPECT_EQ(Quarn_ReadSMSBook(handle_, &fi, &item, 51), QUARN_E_OUT_OF_RANGE);
}

TEST_F(SmsBookTest, WritesByStatus) {
    Insert("book_gsm_sim.json");
    _FILE_INFO fi{};
    ASSERT_EQ(Quarn_OpenSMSBook(handle_, &fi), QUARN_OK);
    _SMS_ITEM item{};

    // Unread -> read changes only the status byte.
    ASSERT_EQ(Quarn_ReadSMSBook(handle_, &fi, &item, 2), QUARN_OK);
    auto expected = CardRecord(kTelecomSms, 2, 176);
    expected[0] = 0x01;
    item.status = 1;
    ASSERT_EQ(Quarn_WriteSMSBook(handle_, &fi, &item, 2), QUARN_OK);
    EXPECT_EQ(CardRecord(kTelecomSms, 2, 176), expected);

    // A new message to be sent.
    std::memset(&item, 0, sizeof item);
    item.status = 7;
    std::strcpy(item.address, "+12345");
    std::strcpy(item.text, "@");
    Mark();
    ASSERT_EQ(Quarn_WriteSMSBook(handle_, &fi, &item, 46), QUARN_OK);
    const std::string image = HexOf(PaddedHex("07 00 01 00 05 91 21 43 F5 00 00 01 00", 176, 0xFF));
    ExpectSentSinceMark({"A0 DC 2E 04 B0 " + image});
    EXPECT_EQ(HexOf(CardRecord(kTelecomSms, 46, 176)), image);

    // Erase.
    item.status = 0;
    ASSERT_EQ(Quarn_WriteSMSBook(handle_, &fi, &item, 1), QUARN_OK);
    EXPECT_EQ(CardRecord(kTelecomSms, 1, 176), PaddedHex("00", 176, 0xFF));

    // Too long for an SMS: refused, nothing sent.
    std::memset(&item, 0, sizeof item);
    item.status = 7;
    std::strcpy(item.address, "1");
    std::memset(item.text, 'x', 161);
    Mark();
    EXPECT_EQ(Quarn_WriteSMSBook(handle_, &fi, &item, 47), QUARN_E_OUT_OF_RANGE);
    ExpectSentSinceMark({});

    // A record length the item cannot carry.
    _FILE_INFO wide = fi;
    wide.recordLength = 177;
    item.status = 0;
    EXPECT_EQ(Quarn_WriteSMSBook(handle_, &wide, &item, 47), QUARN_E_OUT_OF_RANGE);
    EXPECT_EQ(Quarn_ReadSMSBook(handle_, &wide, &item, 47), QUARN_E_OUT_OF_RANGE);
}

TEST_F(SmsBookTest, UsimBookLivesInTheApplication) {
    Insert("book_usim_global.json");
    _FILE_INFO fi{};
    ASSERT_EQ(Quarn_OpenUSIMSMSBook(handle_, &fi), QUARN_OK);
    EXPECT_EQ(nimbrel::CurrentMode(), nimbrel::CommandMode::Uicc);
    EXPECT_EQ(fi.recordLength, 176);
    EXPECT_EQ(fi.recordCount, 10);
    _SMS_ITEM item{};
    Mark();
    ASSERT_EQ(Quarn_ReadSMSBook(handle_, &fi, &item, 1), QUARN_OK);
    ExpectSentSinceMark({"00 B2 01 04 B0"});
    EXPECT_STREQ(item.text, "USIM message");

    Insert("book_gsm_sim.json");
    _FILE_INFO untouched{1, 2, 3};
    EXPECT_NE(Quarn_OpenUSIMSMSBook(handle_, &untouched), QUARN_OK);
    EXPECT_EQ(untouched.recordCount, 3);
}

TEST_F(SmsBookTest, PhsBookSharesTheGsmBodies) {
    Insert("book_phs.json");
    _FILE_INFO fi{};
    Mark();
    ASSERT_EQ(Quarn_OpenPHSSMSBook(handle_, &fi), QUARN_OK);
    ExpectSentSinceMark({"A0 A4 00 00 02 3F 00", "A0 C0 00 00", "A0 A4 00 00 02 7F D0",
                         "A0 C0 00 00", "A0 A4 00 00 02 6F 3C", "A0 C0 00 00"});
    EXPECT_EQ(fi.recordCount, 10);
    _SMS_ITEM item{};
    ASSERT_EQ(Quarn_ReadPHSSMSBook(handle_, &fi, &item, 1), QUARN_OK);
    EXPECT_STREQ(item.address, "07012345678");
    EXPECT_STREQ(item.text, "PHS message");

    std::memset(&item, 0, sizeof item);
    item.status = 7;
    std::strcpy(item.address, "0801234567");
    std::strcpy(item.text, "Reply");
    ASSERT_EQ(Quarn_WritePHSSMSBook(handle_, &fi, &item, 3), QUARN_OK);
    _SMS_ITEM back{};
    ASSERT_EQ(Quarn_ReadPHSSMSBook(handle_, &fi, &back, 3), QUARN_OK);
    EXPECT_EQ(back.status, 7);
    EXPECT_STREQ(back.address, "0801234567");
    EXPECT_STREQ(back.text, "Reply");
    EXPECT_EQ(CardRecord(kPhsSms, 3, 176)[0], 0x07);

    Insert("book_gsm_sim.json");
    EXPECT_NE(Quarn_OpenPHSSMSBook(handle_, &fi), QUARN_OK);
}

TEST_F(SmsBookTest, CdmaBookOfTheRuim) {
    Insert("book_ruim.json");
    _FILE_INFO fi{};
    Mark();
    ASSERT_EQ(Quarn_OpenCDMASMSBook(handle_, &fi), QUARN_OK);
    ExpectSentSinceMark({"A0 A4 00 00 02 3F 00", "A0 C0 00 00", "A0 A4 00 00 02 7F 25",
                         "A0 C0 00 00", "A0 A4 00 00 02 6F 3C", "A0 C0 00 00"});
    EXPECT_EQ(fi.fileSize, 2550);
    EXPECT_EQ(fi.recordLength, 255);
    EXPECT_EQ(fi.recordCount, 10);

    _CDMA_SMS_ITEM item{};
    Mark();
    ASSERT_EQ(Quarn_ReadCDMASMSBook(handle_, &fi, &item, 1), QUARN_OK);
    ExpectSentSinceMark({"A0 B2 01 04 FF"});
    EXPECT_EQ(item.status, 1);
    EXPECT_STREQ(item.address, "5551234567");
    EXPECT_STREQ(item.text, "Hi from CDMA");
    EXPECT_STREQ(item.timeStamp, "211107132500");
    EXPECT_STREQ(item.callback, "911");

    ASSERT_EQ(Quarn_ReadCDMASMSBook(handle_, &fi, &item, 2), QUARN_OK);
    EXPECT_STREQ(item.text, "");
    const uint8_t nihao[] = {0x4F, 0x60, 0x59, 0x7D, 0, 0};
    EXPECT_EQ(std::memcmp(item.textUcs2, nihao, sizeof nihao), 0);

    std::memset(&item, 0, sizeof item);
    item.status = 7;
    std::strcpy(item.address, "0912");
    std::strcpy(item.text, "A");
    Mark();
    ASSERT_EQ(Quarn_WriteCDMASMSBook(handle_, &fi, &item, 4), QUARN_OK);
    const std::string image = HexOf(PaddedHex(
        "07 1A 00 00 02 10 02 04 04 01 2A 44 80 06 01 FC 08 0A 00 03 14 EB B0 01 03 10 0C 10", 255,
        0x00));
    ExpectSentSinceMark({"A0 DC 04 04 FF " + image});
    EXPECT_EQ(HexOf(CardRecord(kCdmaSms, 4, 255)), image);

    item.status = 0;
    ASSERT_EQ(Quarn_WriteCDMASMSBook(handle_, &fi, &item, 4), QUARN_OK);
    EXPECT_EQ(CardRecord(kCdmaSms, 4, 255), PaddedHex("00", 255, 0xFF));
    EXPECT_EQ(Quarn_ReadCDMASMSBook(handle_, &fi, &item, 11), QUARN_E_OUT_OF_RANGE);
    EXPECT_EQ(Quarn_WriteCDMASMSBook(handle_, &fi, nullptr, 1), nimbrel::pcsc::kInvalidParameter);
}

TEST_F(SmsBookTest, EveryRecordOfTheBooksDecodes) {
    Insert("book_gsm_sim.json");
    _FILE_INFO fi{};
    ASSERT_EQ(Quarn_OpenSMSBook(handle_, &fi), QUARN_OK);
    int used = 0;
    for (int record = 1; record <= fi.recordCount; ++record) {
        _SMS_ITEM item{};
        ASSERT_EQ(Quarn_ReadSMSBook(handle_, &fi, &item, record), QUARN_OK);
        used += item.status != 0;
        if (record >= 6 && record <= 45) {
            EXPECT_EQ(std::string(item.text),
                      "Message number " + std::to_string(record) + " of the test book");
        }
    }
    EXPECT_EQ(used, 45);
}

} // namespace
