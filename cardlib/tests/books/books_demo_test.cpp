// The demo cards of sim/profiles (written by make_demo_profiles.py) read
// through the book exports: every contact and message comes back whole, in
// the alphabet it was stored in.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "books_fixture.h"

namespace {

// UCS2 text as the library hands it out: high byte first, zero terminated.
std::string Ucs2Hex(const std::uint8_t* text) {
    std::string out;
    for (int i = 0; text[i] || text[i + 1]; i += 2) {
        char unit[6];
        std::snprintf(unit, sizeof unit, "%02X%02X ", text[i], text[i + 1]);
        out += unit;
    }
    return out.empty() ? out : out.substr(0, out.size() - 1);
}

class DemoCardTest : public BookTest {
protected:
    // Every used record of a phone-book file, by number.
    std::map<std::string, _PHONEBOOK_ITEM> ReadBook(_FILE_INFO& fi, int& firstFree) {
        std::map<std::string, _PHONEBOOK_ITEM> byNumber;
        firstFree = 0;
        for (int record = 1; record <= fi.recordCount; ++record) {
            _PHONEBOOK_ITEM item{};
            EXPECT_EQ(Quarn_ReadPhoneBook(handle_, &fi, &item, record), QUARN_OK) << record;
            if (item.number[0])
                byNumber[item.number] = item;
            else if (!firstFree)
                firstFree = record;
        }
        return byNumber;
    }
};

TEST_F(DemoCardTest, GsmPhoneBookAndLastDialled) {
    Insert("demo_gsm_sim.json");
    _FILE_INFO fi{};
    ASSERT_EQ(Quarn_OpenPhoneBook(handle_, &fi), QUARN_OK);
    EXPECT_EQ(fi.recordCount, 250);
    int firstFree = 0;
    auto book = ReadBook(fi, firstFree);
    EXPECT_EQ(book.size(), 60u);
    EXPECT_GT(firstFree, 1);
    EXPECT_LT(firstFree, 60); // a book with gaps

    EXPECT_STREQ(book.at("+491712345678").name, "Mum");
    EXPECT_STREQ(book.at("+49891234567").name, "J\xFCrgen M\xFCller");
    EXPECT_STREQ(book.at("+49403456789").name, "G\xFCnther Wei\xDF");
    EXPECT_STREQ(book.at("+33612345678").name, "H\xE9l\xE8ne Dupont");
    EXPECT_STREQ(book.at("0308812345").name, "Dentist"); // national form
    EXPECT_STREQ(book.at("*100#").name, "Balance");
    // Names outside the GSM alphabet: both UCS2 forms of the alpha field.
    EXPECT_EQ(Ucs2Hex(book.at("+819012345678").nameUcs2), "5C71 7530 592A 90CE");
    EXPECT_EQ(Ucs2Hex(book.at("+79123456789").nameUcs2),
              "0418 0432 0430 043D 0020 041F 0435 0442 0440 043E 0432");
    EXPECT_EQ(Ucs2Hex(book.at("+905321234567").nameUcs2),
              "00D6 006D 0065 0072 0020 0059 0131 006C 006D 0061 007A");

    ASSERT_EQ(Quarn_OpenLastNumDialledBook(handle_, &fi), QUARN_OK);
    auto dialled = ReadBook(fi, firstFree);
    EXPECT_EQ(dialled.size(), 6u);
    EXPECT_EQ(firstFree, 7);
    _PHONEBOOK_ITEM latest{};
    ASSERT_EQ(Quarn_ReadLastNumDialledBook(handle_, &fi, &latest, 1), QUARN_OK);
    EXPECT_STREQ(latest.name, "Mum");
}

TEST_F(DemoCardTest, GsmSmsBookHoldsEveryBox) {
    Insert("demo_gsm_sim.json");
    _FILE_INFO fi{};
    ASSERT_EQ(Quarn_OpenSMSBook(handle_, &fi), QUARN_OK);
    std::map<int, int> byStatus;
    std::map<std::string, _SMS_ITEM> firstFrom;
    for (int record = 1; record <= fi.recordCount; ++record) {
        _SMS_ITEM item{};
        ASSERT_EQ(Quarn_ReadSMSBook(handle_, &fi, &item, record), QUARN_OK) << record;
        ++byStatus[item.status];
        if (item.status != 0 && !firstFrom.count(item.address))
            firstFrom[item.address] = item;
    }
    EXPECT_EQ(byStatus, (std::map<int, int>{{0, 14}, {1, 7}, {3, 4}, {5, 5}}));

    const _SMS_ITEM& mum = firstFrom.at("+491712345678");
    EXPECT_EQ(mum.status, 1);
    EXPECT_STREQ(mum.timeStamp, "2611280914");
    EXPECT_STREQ(mum.text, "Don't forget: dinner at ours on Sunday, 7 pm. Bring the photos!");

    const _SMS_ITEM& juergen = firstFrom.at("+49891234567");
    EXPECT_EQ(juergen.status, 3);
    EXPECT_EQ(std::string(juergen.text).rfind("Guten Morgen! K\xF6nnen wir", 0), 0u);

    const _SMS_ITEM& tokyo = firstFrom.at("+819012345678");
    EXPECT_STREQ(tokyo.text, "");
    EXPECT_EQ(Ucs2Hex(tokyo.textUcs2).substr(0, 9), "660E 65E5"); // the first two characters
}

TEST_F(DemoCardTest, PinVariantOpensItsBooksOnlyAfterVerification) {
    Insert("demo_gsm_sim_pin.json");
    _FILE_INFO fi{};
    ASSERT_EQ(Quarn_OpenPhoneBook(handle_, &fi), QUARN_OK);
    _PHONEBOOK_ITEM item{};
    EXPECT_NE(Quarn_ReadPhoneBook(handle_, &fi, &item, 1), QUARN_OK);
    ASSERT_EQ(Quarn_VerifySIMCHV(handle_, "1234", 4), QUARN_OK);
    ASSERT_EQ(Quarn_ReadPhoneBook(handle_, &fi, &item, 1), QUARN_OK);
    EXPECT_STREQ(item.name, "Mum");
}

TEST_F(DemoCardTest, UsimLocalPhoneBookOverTwoFilesAndApplicationSms) {
    Insert("demo_usim.json");
    _USIM_PHONEBOOK_INFO info{};
    ASSERT_EQ(Quarn_OpenUISMPhoneBook(handle_, &info), QUARN_OK);
    ASSERT_EQ(info.fileCount, 2);
    EXPECT_EQ(info.totalRecords, 350);
    std::size_t contacts = 0;
    for (int i = 0; i < info.fileCount; ++i) {
        ASSERT_EQ(Quarn_SelectADN(handle_, info.fileId[i]), QUARN_OK);
        int firstFree = 0;
        contacts += ReadBook(info.files[i], firstFree).size();
    }
    EXPECT_EQ(contacts, 60u);

    _FILE_INFO fi{};
    ASSERT_EQ(Quarn_OpenUSIMSMSBook(handle_, &fi), QUARN_OK);
    int used = 0;
    for (int record = 1; record <= fi.recordCount; ++record) {
        _SMS_ITEM item{};
        ASSERT_EQ(Quarn_ReadSMSBook(handle_, &fi, &item, record), QUARN_OK) << record;
        used += item.status != 0;
    }
    EXPECT_EQ(used, 16);
}

// The R-UIM and PHS cards carry the phone book and last-dialled list that
// card information needs, next to their own SMS files.
TEST_F(DemoCardTest, RuimAndPhsCardsGiveCardInformation) {
    for (const char* name : {"demo_ruim.json", "demo_phs.json"}) {
        Insert(name);
        _CARD_INFO info{};
        ASSERT_EQ(Quarn_GetSIMCardInfo(handle_, &info), QUARN_OK) << name;
        EXPECT_GT(info.phoneBookSize, 0) << name;
        EXPECT_GT(info.lastDialledSize, 0) << name;
    }
    EXPECT_EQ(Quarn_IsPHS_SIM(handle_), QUARN_OK);
    EXPECT_NE(Quarn_IsCDMA_RUIM(handle_), QUARN_OK);
}

TEST_F(DemoCardTest, RuimSmsInEveryUserDataEncoding) {
    Insert("demo_ruim.json");
    EXPECT_EQ(Quarn_IsCDMA_RUIM(handle_), QUARN_OK);
    _FILE_INFO fi{};
    ASSERT_EQ(Quarn_OpenCDMASMSBook(handle_, &fi), QUARN_OK);
    std::map<int, int> byStatus;
    std::map<std::string, _CDMA_SMS_ITEM> firstFrom;
    for (int record = 1; record <= fi.recordCount; ++record) {
        _CDMA_SMS_ITEM item{};
        ASSERT_EQ(Quarn_ReadCDMASMSBook(handle_, &fi, &item, record), QUARN_OK) << record;
        ++byStatus[item.status];
        if (item.status != 0 && !firstFrom.count(item.address))
            firstFrom[item.address] = item;
    }
    EXPECT_EQ(byStatus, (std::map<int, int>{{0, 9}, {1, 5}, {3, 3}, {5, 3}}));

    const _CDMA_SMS_ITEM& care = firstFrom.at("10000"); // 7-bit ASCII
    EXPECT_EQ(care.status, 1);
    EXPECT_STREQ(care.timeStamp, "261201080000");
    EXPECT_EQ(std::string(care.text).rfind("Your balance is 58.20 CNY.", 0), 0u);

    const _CDMA_SMS_ITEM& cafe = firstFrom.at("16505550175"); // ISO 8859-1 octets
    EXPECT_EQ(cafe.status, 3);
    EXPECT_EQ(std::string(cafe.text).rfind("Caf\xE9 at 10?", 0), 0u);

    const _CDMA_SMS_ITEM& meeting = firstFrom.at("13800138000"); // 16-bit units
    EXPECT_STREQ(meeting.text, "");
    EXPECT_EQ(Ucs2Hex(meeting.textUcs2).substr(0, 9), "660E 5929");
    EXPECT_STREQ(meeting.callback, "13800138000");
}

} // namespace
