// Phone book and last-dialled exports against the virtual GSM SIM.
#include <cstring>
#include <fstream>

#include "books_fixture.h"

namespace {

const std::vector<std::uint16_t> kAdn{0x7F10, 0x6F3A};
const std::vector<std::uint16_t> kLnd{0x7F10, 0x6F44};

_PHONEBOOK_ITEM Entry(const char* name, const char* number) {
    _PHONEBOOK_ITEM item{};
    std::strncpy(item.name, name, sizeof item.name - 1);
    std::strncpy(item.number, number, sizeof item.number - 1);
    return item;
}

// A shipped profile with one file or directory taken out wherever it sits.
simcard::CardProfile WithoutFile(const std::string& name, const std::string& id) {
    std::ifstream in(std::string(SIM_PROFILE_DIR) + "/" + name);
    nlohmann::json document = nlohmann::json::parse(in);
    auto prune = [&id](auto& self, nlohmann::json& node) -> void {
        nlohmann::json kept = nlohmann::json::array();
        for (auto& child : node["children"]) {
            if (child.value("id", "") == id)
                continue;
            if (child.contains("children"))
                self(self, child);
            kept.push_back(child);
        }
        node["children"] = kept;
    };
    prune(prune, document["mf"]);
    return simcard::ParseProfile(document);
}

class PhoneBookTest : public BookTest {
protected:
    void SetUp() override {
        BookTest::SetUp();
        Insert("book_gsm_sim.json");
    }
};

TEST_F(PhoneBookTest, OpenSelectsThePathAndReportsTheGeometry) {
    _FILE_INFO fi{};
    Mark();
    ASSERT_EQ(Quarn_OpenPhoneBook(handle_, &fi), QUARN_OK);
    ExpectSentSinceMark({"A0 A4 00 00 02 3F 00", "A0 C0 00 00", "A0 A4 00 00 02 7F 10",
                         "A0 C0 00 00", "A0 A4 00 00 02 6F 3A", "A0 C0 00 00"});
    EXPECT_EQ(fi.fileSize, 7000);
    EXPECT_EQ(fi.recordLength, 28);
    EXPECT_EQ(fi.recordCount, 250);

    ASSERT_EQ(Quarn_OpenLastNumDialledBook(handle_, &fi), QUARN_OK);
    EXPECT_EQ(fi.recordLength, 28);
    EXPECT_EQ(fi.recordCount, 5);
}

TEST_F(PhoneBookTest, ReadsEveryAlphaForm) {
    _FILE_INFO fi{};
    ASSERT_EQ(Quarn_OpenPhoneBook(handle_, &fi), QUARN_OK);
    _PHONEBOOK_ITEM item{};
    Mark();
    ASSERT_EQ(Quarn_ReadPhoneBook(handle_, &fi, &item, 1), QUARN_OK);
    ExpectSentSinceMark({"A0 B2 01 04 1C"});
    EXPECT_STREQ(item.name, "Anna Schmidt");
    EXPECT_STREQ(item.number, "+491701234567");

    ASSERT_EQ(Quarn_ReadPhoneBook(handle_, &fi, &item, 2), QUARN_OK);
    EXPECT_STREQ(item.name, "Bj\xF8rn");
    EXPECT_STREQ(item.number, "004712345678");

    const uint8_t ivan[] = {0x04, 0x18, 0x04, 0x32, 0x04, 0x30, 0x04, 0x3D, 0, 0};
    ASSERT_EQ(Quarn_ReadPhoneBook(handle_, &fi, &item, 3), QUARN_OK);
    EXPECT_STREQ(item.name, "");
    EXPECT_EQ(std::memcmp(item.nameUcs2, ivan, sizeof ivan), 0);
    EXPECT_EQ(item.nameLength, 4);
    EXPECT_STREQ(item.number, "*100#");

    const uint8_t yolka[] = {0x04, 0x01, 0x04, 0x3B, 0x04, 0x3A, 0x04, 0x30, 0, 0};
    ASSERT_EQ(Quarn_ReadPhoneBook(handle_, &fi, &item, 4), QUARN_OK);
    EXPECT_EQ(std::memcmp(item.nameUcs2, yolka, sizeof yolka), 0);

    const uint8_t omega[] = {0x03, 0xA9, 0x00, 'm', 0x00, 'e', 0x00, 'g', 0x00, 'a', 0, 0};
    ASSERT_EQ(Quarn_ReadPhoneBook(handle_, &fi, &item, 5), QUARN_OK);
    EXPECT_EQ(std::memcmp(item.nameUcs2, omega, sizeof omega), 0);

    ASSERT_EQ(Quarn_ReadPhoneBook(handle_, &fi, &item, 250), QUARN_OK);
    EXPECT_STREQ(item.name, "");
    EXPECT_STREQ(item.number, "");
}

TEST_F(PhoneBookTest, ReadOutsideTheBookSendsNothing) {
    _FILE_INFO fi{};
    ASSERT_EQ(Quarn_OpenPhoneBook(handle_, &fi), QUARN_OK);
    _PHONEBOOK_ITEM item = Entry("untouched", "1");
    Mark();
    for (int record : {251, 0, -1, 1000})
        EXPECT_EQ(Quarn_ReadPhoneBook(handle_, &fi, &item, record), QUARN_E_OUT_OF_RANGE);
    _FILE_INFO shortRecords = fi;
    shortRecords.recordLength = 13;
    EXPECT_EQ(Quarn_ReadPhoneBook(handle_, &shortRecords, &item, 1), QUARN_E_OUT_OF_RANGE);
    _FILE_INFO longRecords = fi;
    longRecords.recordLength = 256 + 28;
    EXPECT_EQ(Quarn_ReadPhoneBook(handle_, &longRecords, &item, 1), QUARN_E_OUT_OF_RANGE);
    ExpectSentSinceMark({});
    EXPECT_STREQ(item.name, "untouched");
}

TEST_F(PhoneBookTest, CardRefusingTheRecordIsPassedOn) {
    _FILE_INFO fi{};
    ASSERT_EQ(Quarn_OpenPhoneBook(handle_, &fi), QUARN_OK);
    fi.recordCount = 255; // the caller believes in more records than the card has
    _PHONEBOOK_ITEM item{};
    EXPECT_EQ(Quarn_ReadPhoneBook(handle_, &fi, &item, 253), QUARN_E_BAD_ANSWER);
    EXPECT_EQ(Quarn_GetStatusWord() >> 8, 0x94);
}

TEST_F(PhoneBookTest, WriteSendsTheEncodedRecord) {
    _FILE_INFO fi{};
    ASSERT_EQ(Quarn_OpenPhoneBook(handle_, &fi), QUARN_OK);
    _PHONEBOOK_ITEM item = Entry("\xC4@_", "+12345");
    Mark();
    ASSERT_EQ(Quarn_WritePhoneBook(handle_, &fi, &item, 7), QUARN_OK);
    const std::string image = "5B 00 11 FF FF FF FF FF FF FF FF FF FF FF "
                              "04 91 21 43 F5 FF FF FF FF FF FF FF FF FF";
    ExpectSentSinceMark({"A0 DC 07 04 1C " + image});
    EXPECT_EQ(HexOf(CardRecord(kAdn, 7, 28)), image);

    _PHONEBOOK_ITEM back{};
    ASSERT_EQ(Quarn_ReadPhoneBook(handle_, &fi, &back, 7), QUARN_OK);
    EXPECT_STREQ(back.name, "\xC4@_");
    EXPECT_STREQ(back.number, "+12345");

    // An empty item clears the record.
    item = Entry("", "");
    ASSERT_EQ(Quarn_WritePhoneBook(handle_, &fi, &item, 7), QUARN_OK);
    EXPECT_EQ(HexOf(CardRecord(kAdn, 7, 28)),
              HexOf(PaddedHex("FF FF FF FF FF FF FF FF FF FF FF FF FF FF 01 81", 28, 0xFF)));
}

TEST_F(PhoneBookTest, WriteRefusesWhatTheCardCannotHold) {
    _FILE_INFO fi{};
    ASSERT_EQ(Quarn_OpenPhoneBook(handle_, &fi), QUARN_OK);
    const auto before = card_->Contents(kAdn);
    Mark();
    _PHONEBOOK_ITEM longName = Entry("A name of fifteen", "1");
    EXPECT_EQ(Quarn_WritePhoneBook(handle_, &fi, &longName, 1), QUARN_E_OUT_OF_RANGE);
    _PHONEBOOK_ITEM badNumber = Entry("Bad", "12-34");
    EXPECT_EQ(Quarn_WritePhoneBook(handle_, &fi, &badNumber, 1), QUARN_E_OUT_OF_RANGE);
    _PHONEBOOK_ITEM fine = Entry("Fine", "1");
    for (int record : {0, 256, -3})
        EXPECT_EQ(Quarn_WritePhoneBook(handle_, &fi, &fine, record), QUARN_E_OUT_OF_RANGE);
    ExpectSentSinceMark({});
    EXPECT_EQ(card_->Contents(kAdn), before);
}

TEST_F(PhoneBookTest, LastDialledAppendGoesInFrontOfTheCyclicFile) {
    _FILE_INFO fi{};
    ASSERT_EQ(Quarn_OpenLastNumDialledBook(handle_, &fi), QUARN_OK);
    _PHONEBOOK_ITEM item{};
    ASSERT_EQ(Quarn_ReadLastNumDialledBook(handle_, &fi, &item, 1), QUARN_OK);
    EXPECT_STREQ(item.name, "Anna Schmidt");

    // Six appends to a five-record file: the oldest ones fall out.
    for (const char* number : {"1", "22", "333", "4444", "55555", "666666"}) {
        _PHONEBOOK_ITEM call = Entry("", number);
        Mark();
        ASSERT_EQ(Quarn_WriteLastNumDialledBook(handle_, &fi, &call), QUARN_OK);
        ASSERT_EQ(SentSinceMark().size(), 1u);
        EXPECT_EQ(SentSinceMark()[0].substr(0, 14), "A0 DC 00 03 1C");
    }
    const char* expected[] = {"666666", "55555", "4444", "333", "22"};
    for (int record = 1; record <= 5; ++record) {
        ASSERT_EQ(Quarn_ReadLastNumDialledBook(handle_, &fi, &item, record), QUARN_OK);
        EXPECT_STREQ(item.number, expected[record - 1]) << record;
    }
}

TEST_F(PhoneBookTest, MissingFileZeroesTheGeometry) {
    InsertCard(WithoutFile("book_phs.json", "7F10"));
    _FILE_INFO fi{1, 2, 3};
    EXPECT_NE(Quarn_OpenPhoneBook(handle_, &fi), QUARN_OK);
    // No DF_TELECOM: the directory fails and fi stays.
    EXPECT_EQ(fi.recordCount, 3);

    InsertCard(WithoutFile("book_ruim.json", "6F44"));
    EXPECT_NE(Quarn_OpenLastNumDialledBook(handle_, &fi), QUARN_OK);
    EXPECT_EQ(fi.fileSize, 0);
    EXPECT_EQ(fi.recordLength, 0);
    EXPECT_EQ(fi.recordCount, 0);
}

TEST_F(PhoneBookTest, BadArguments) {
    _FILE_INFO fi{};
    _PHONEBOOK_ITEM item{};
    EXPECT_EQ(Quarn_OpenPhoneBook(handle_, nullptr), nimbrel::pcsc::kInvalidParameter);
    EXPECT_EQ(Quarn_ReadPhoneBook(handle_, &fi, nullptr, 1), nimbrel::pcsc::kInvalidParameter);
    EXPECT_EQ(Quarn_WritePhoneBook(handle_, nullptr, &item, 1), nimbrel::pcsc::kInvalidParameter);
    EXPECT_EQ(Quarn_WriteLastNumDialledBook(handle_, &fi, nullptr),
              nimbrel::pcsc::kInvalidParameter);
    EXPECT_EQ(Quarn_OpenPhoneBook(handle_ + 100, &fi), nimbrel::pcsc::kInvalidHandle);
    EXPECT_EQ(Quarn_WritePhoneBook(handle_ + 100, &fi, &item, 1), nimbrel::pcsc::kInvalidHandle);
    EXPECT_EQ(Quarn_ReadLastNumDialledBook(handle_ + 100, &fi, &item, 1),
              nimbrel::pcsc::kInvalidHandle);
}

} // namespace
