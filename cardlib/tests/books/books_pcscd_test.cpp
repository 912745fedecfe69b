// Every book through the real stack: libnimbrel.so -> pcscd -> vpcd -> a
// virtual card served by this process; afterwards the card's files must hold
// exactly what was written. Each test runs in its own process.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "card_in_slot.h"
#include "nimbrel.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Padded(Bytes bytes, std::size_t size, std::uint8_t fill) {
    bytes.resize(size, fill);
    return bytes;
}

std::string Profile(const char* name) {
    return std::string(SIM_PROFILE_DIR) + "/" + name;
}

class BooksThroughPcscd : public testing::Test {
protected:
    void Connect() { ASSERT_EQ(Quarn_Connect(&handle_), QUARN_OK); }
    void TearDown() override {
        if (handle_) {
            EXPECT_EQ(Quarn_DisConnect(handle_), QUARN_OK);
        }
    }
    QuarnConnection handle_ = 0;
};

_PHONEBOOK_ITEM Entry(const char* name, const char* number) {
    _PHONEBOOK_ITEM item{};
    std::strncpy(item.name, name, sizeof item.name - 1);
    std::strncpy(item.number, number, sizeof item.number - 1);
    return item;
}

TEST_F(BooksThroughPcscd, GsmSimPhoneBookLastDialledAndSms) {
    CardInSlot slot(Profile("book_gsm_sim.json"));
    Connect();

    _FILE_INFO adn{};
    ASSERT_EQ(Quarn_OpenPhoneBook(handle_, &adn), QUARN_OK);
    ASSERT_EQ(adn.recordCount, 250);
    int used = 0;
    for (int record = 1; record <= adn.recordCount; ++record) {
        _PHONEBOOK_ITEM item{};
        ASSERT_EQ(Quarn_ReadPhoneBook(handle_, &adn, &item, record), QUARN_OK);
        used += item.nameLength > 0 || item.number[0] != 0;
    }
    EXPECT_EQ(used, 5);
    _PHONEBOOK_ITEM entry = Entry("Zo\xEB", "+4930123456");
    ASSERT_EQ(Quarn_WritePhoneBook(handle_, &adn, &entry, 6), QUARN_OK);

    _FILE_INFO lnd{};
    ASSERT_EQ(Quarn_OpenLastNumDialledBook(handle_, &lnd), QUARN_OK);
    _PHONEBOOK_ITEM call = Entry("", "112");
    ASSERT_EQ(Quarn_WriteLastNumDialledBook(handle_, &lnd, &call), QUARN_OK);

    _FILE_INFO sms{};
    ASSERT_EQ(Quarn_OpenSMSBook(handle_, &sms), QUARN_OK);
    _SMS_ITEM message{};
    ASSERT_EQ(Quarn_ReadSMSBook(handle_, &sms, &message, 2), QUARN_OK);
    ASSERT_EQ(message.status, 3);
    message.status = 1;
    ASSERT_EQ(Quarn_WriteSMSBook(handle_, &sms, &message, 2), QUARN_OK);
    std::memset(&message, 0, sizeof message);
    message.status = 7;
    std::strcpy(message.address, "+12345");
    std::strcpy(message.text, "hello");
    ASSERT_EQ(Quarn_WriteSMSBook(handle_, &sms, &message, 46), QUARN_OK);

    ASSERT_EQ(Quarn_DisConnect(handle_), QUARN_OK);
    handle_ = 0;
    slot.Remove();

    // 'e' with diaeresis has no GSM letter and is written as a blank.
    EXPECT_EQ(slot.Record({0x7F10, 0x6F3A}, 6, 28),
              Padded({0x5A, 0x6F, 0x20, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                      0xFF, 0xFF, 0xFF, 0x06, 0x91, 0x94, 0x03, 0x21, 0x43, 0x65},
                     28, 0xFF));
    // The appended call is record 1; the previous newest moved to record 2.
    EXPECT_EQ(slot.Record({0x7F10, 0x6F44}, 1, 28),
              Padded({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                      0xFF, 0x03, 0x81, 0x11, 0xF2},
                     28, 0xFF));
    EXPECT_EQ(slot.Record({0x7F10, 0x6F44}, 2, 28)[0], 'A');
    EXPECT_EQ(slot.Record({0x7F10, 0x6F3C}, 2, 176)[0], 0x01);
    EXPECT_EQ(slot.Record({0x7F10, 0x6F3C}, 46, 176),
              Padded({0x07, 0x00, 0x01, 0x00, 0x05, 0x91, 0x21, 0x43, 0xF5, 0x00, 0x00, 0x05, 0xE8,
                      0x32, 0x9B, 0xFD, 0x06},
                     176, 0xFF));
}

TEST_F(BooksThroughPcscd, UsimGlobalPhoneBookAndApplicationSms) {
    CardInSlot slot(Profile("book_usim_global.json"));
    Connect();

    _USIM_PHONEBOOK_INFO info{};
    ASSERT_EQ(Quarn_OpenUISMPhoneBook(handle_, &info), QUARN_OK);
    ASSERT_EQ(info.fileCount, 2);
    EXPECT_EQ(info.totalRecords, 500);
    int used = 0;
    for (int file = 0; file < info.fileCount; ++file) {
        ASSERT_EQ(Quarn_SelectADN(handle_, info.fileId[file]), QUARN_OK);
        for (int record = 1; record <= info.files[file].recordCount; ++record) {
            _PHONEBOOK_ITEM item{};
            ASSERT_EQ(Quarn_ReadPhoneBook(handle_, &info.files[file], &item, record), QUARN_OK);
            used += item.nameLength > 0;
        }
    }
    EXPECT_EQ(used, 6);
    _PHONEBOOK_ITEM entry{};
    std::strcpy(entry.number, "42");
    const std::uint8_t name[] = {0x4E, 0x2D, 0x65, 0x87, 0, 0}; // two CJK characters
    std::memcpy(entry.nameUcs2, name, sizeof name);
    ASSERT_EQ(Quarn_SelectADN(handle_, 0x4F3B), QUARN_OK);
    ASSERT_EQ(Quarn_WritePhoneBook(handle_, &info.files[1], &entry, 250), QUARN_OK);

    _FILE_INFO sms{};
    ASSERT_EQ(Quarn_OpenUSIMSMSBook(handle_, &sms), QUARN_OK);
    _SMS_ITEM message{};
    message.status = 0;
    ASSERT_EQ(Quarn_WriteSMSBook(handle_, &sms, &message, 1), QUARN_OK);

    ASSERT_EQ(Quarn_DisConnect(handle_), QUARN_OK);
    handle_ = 0;
    slot.Remove();
    EXPECT_EQ(slot.Record({0x7F10, 0x5F3A, 0x4F3B}, 250, 28),
              Padded({0x80, 0x4E, 0x2D, 0x65, 0x87, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                      0xFF, 0x02, 0x81, 0x24},
                     28, 0xFF));
    EXPECT_EQ(slot.Record({0x7FFF, 0x6F3C}, 1, 176), Padded({0x00}, 176, 0xFF));
}

TEST_F(BooksThroughPcscd, UsimLocalPhoneBook) {
    CardInSlot slot(Profile("book_usim_local.json"));
    Connect();
    _USIM_PHONEBOOK_INFO info{};
    ASSERT_EQ(Quarn_OpenUISMPhoneBook(handle_, &info), QUARN_OK);
    ASSERT_EQ(info.fileCount, 1);
    ASSERT_EQ(Quarn_SelectADN(handle_, info.fileId[0]), QUARN_OK);
    _PHONEBOOK_ITEM item{};
    ASSERT_EQ(Quarn_ReadPhoneBook(handle_, &info.files[0], &item, 1), QUARN_OK);
    EXPECT_STREQ(item.name, "Local Entry");
    _PHONEBOOK_ITEM entry = Entry("Sixteen chars ok", "0");
    ASSERT_EQ(Quarn_WritePhoneBook(handle_, &info.files[0], &entry, 20), QUARN_OK);
    ASSERT_EQ(Quarn_DisConnect(handle_), QUARN_OK);
    handle_ = 0;
    slot.Remove();
    const Bytes name(entry.name, entry.name + 16);
    Bytes expected = name;
    for (std::uint8_t b : {0x02, 0x81, 0xF0})
        expected.push_back(b);
    EXPECT_EQ(slot.Record({0x7FFF, 0x5F3A, 0x4F3A}, 20, 30), Padded(expected, 30, 0xFF));
}

TEST_F(BooksThroughPcscd, RuimCdmaSms) {
    CardInSlot slot(Profile("book_ruim.json"));
    Connect();
    EXPECT_EQ(Quarn_IsCDMA_RUIM(handle_), QUARN_OK);
    _FILE_INFO fi{};
    ASSERT_EQ(Quarn_OpenCDMASMSBook(handle_, &fi), QUARN_OK);
    _CDMA_SMS_ITEM item{};
    ASSERT_EQ(Quarn_ReadCDMASMSBook(handle_, &fi, &item, 1), QUARN_OK);
    EXPECT_STREQ(item.text, "Hi from CDMA");
    EXPECT_STREQ(item.callback, "911");
    std::memset(&item, 0, sizeof item);
    item.status = 7;
    std::strcpy(item.address, "0912");
    std::strcpy(item.text, "A");
    ASSERT_EQ(Quarn_WriteCDMASMSBook(handle_, &fi, &item, 5), QUARN_OK);
    ASSERT_EQ(Quarn_DisConnect(handle_), QUARN_OK);
    handle_ = 0;
    slot.Remove();
    EXPECT_EQ(
        slot.Record({0x7F25, 0x6F3C}, 5, 255),
        Padded({0x07, 0x1A, 0x00, 0x00, 0x02, 0x10, 0x02, 0x04, 0x04, 0x01, 0x2A, 0x44, 0x80, 0x06,
                0x01, 0xFC, 0x08, 0x0A, 0x00, 0x03, 0x14, 0xEB, 0xB0, 0x01, 0x03, 0x10, 0x0C, 0x10},
               255, 0x00));
}

TEST_F(BooksThroughPcscd, PhsSms) {
    CardInSlot slot(Profile("book_phs.json"));
    Connect();
    EXPECT_EQ(Quarn_IsPHS_SIM(handle_), QUARN_OK);
    _FILE_INFO fi{};
    ASSERT_EQ(Quarn_OpenPHSSMSBook(handle_, &fi), QUARN_OK);
    _SMS_ITEM item{};
    ASSERT_EQ(Quarn_ReadPHSSMSBook(handle_, &fi, &item, 1), QUARN_OK);
    EXPECT_STREQ(item.text, "PHS message");
    item.status = 0;
    ASSERT_EQ(Quarn_WritePHSSMSBook(handle_, &fi, &item, 2), QUARN_OK);
    ASSERT_EQ(Quarn_DisConnect(handle_), QUARN_OK);
    handle_ = 0;
    slot.Remove();
    EXPECT_EQ(slot.Record({0x7FD0, 0x6F3C}, 2, 176), Padded({0x00}, 176, 0xFF));
}

} // namespace
