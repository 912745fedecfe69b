// USIM phone book: EF_PBR walk over the global and the local phone book.
#include <cstring>

#include "books_fixture.h"

namespace {

using nlohmann::json;

const std::string kAid = "A0 00 00 00 87 10 02 FF FF FF FF 89 06 19 00 00";

// A USIM whose global phone book has the given PBR records and one ADN file
// per identifier.
simcard::CardProfile UsimWithPbr(const std::vector<std::string>& pbr,
                                 const std::vector<std::string>& adnFiles) {
    json phonebook = json::array();
    phonebook.push_back({{"id", "4F30"},
                         {"type", "EF"},
                         {"structure", "linear"},
                         {"recordLength", 24},
                         {"recordCount", pbr.size()},
                         {"records", pbr}});
    for (const std::string& id : adnFiles)
        phonebook.push_back({{"id", id},
                             {"type", "EF"},
                             {"structure", "linear"},
                             {"recordLength", 28},
                             {"recordCount", 2},
                             {"records", {"41 FF FF FF FF FF FF FF FF FF FF FF FF FF 02 81 F1"}}});
    json profile = {
        {"name", "test USIM"},
        {"commandSet", "uicc"},
        // T=0, as the library's reader of these tests negotiates.
        {"atr", "3B 80 80 1F C7 D8"},
        {"mf",
         {{"id", "3F00"},
          {"type", "MF"},
          {"children",
           {{{"id", "7F10"},
             {"type", "DF"},
             {"children", {{{"id", "5F3A"}, {"type", "DF"}, {"children", phonebook}}}}}}}}}};
    return simcard::ParseProfile(profile);
}

class UsimPhoneBookTest : public BookTest {};

TEST_F(UsimPhoneBookTest, GlobalPhoneBookOverTwoAdnFiles) {
    Insert("book_usim_global.json");
    _USIM_PHONEBOOK_INFO info;
    std::memset(&info, 0xCC, sizeof info);
    ASSERT_EQ(Quarn_OpenUISMPhoneBook(handle_, &info), QUARN_OK);
    EXPECT_EQ(info.fileCount, 2);
    EXPECT_EQ(info.fileId[0], 0x4F3A);
    EXPECT_EQ(info.fileId[1], 0x4F3B);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(info.files[i].fileSize, 7000);
        EXPECT_EQ(info.files[i].recordLength, 28);
        EXPECT_EQ(info.files[i].recordCount, 250);
    }
    EXPECT_EQ(info.totalRecords, 500);
    EXPECT_EQ(info.fileId[2], 0);

    _PHONEBOOK_ITEM item{};
    Mark();
    ASSERT_EQ(Quarn_SelectADN(handle_, info.fileId[1]), QUARN_OK);
    ASSERT_EQ(Quarn_ReadPhoneBook(handle_, &info.files[1], &item, 1), QUARN_OK);
    // The card answers class A0 too, so the library stays in SIM mode.
    const auto sent = SentSinceMark();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].substr(2),
              " A4 00 " + std::string(sent[0][0] == 'A' ? "00" : "04") + " 02 4F 3B");
    EXPECT_EQ(sent[2].substr(2), " B2 01 04 1C");
    EXPECT_STREQ(item.name, "Second File");
    EXPECT_STREQ(item.number, "+15551234567");

    ASSERT_EQ(Quarn_SelectADN(handle_, info.fileId[0]), QUARN_OK);
    ASSERT_EQ(Quarn_ReadPhoneBook(handle_, &info.files[0], &item, 250), QUARN_OK);
    EXPECT_STREQ(item.name, "Last of A");
    ASSERT_EQ(Quarn_ReadPhoneBook(handle_, &info.files[0], &item, 2), QUARN_OK);
    EXPECT_EQ(item.nameLength, 2); // a UCS2 name

    _PHONEBOOK_ITEM entry{};
    std::strcpy(entry.name, "New");
    std::strcpy(entry.number, "+4930123");
    ASSERT_EQ(Quarn_WritePhoneBook(handle_, &info.files[0], &entry, 100), QUARN_OK);
    EXPECT_EQ(
        HexOf(CardRecord({0x7F10, 0x5F3A, 0x4F3A}, 100, 28)),
        HexOf(PaddedHex("4E 65 77 FF FF FF FF FF FF FF FF FF FF FF 05 91 94 03 21 F3", 28, 0xFF)));
}

TEST_F(UsimPhoneBookTest, LocalPhoneBookOfTheApplication) {
    Insert("book_usim_local.json");
    _USIM_PHONEBOOK_INFO info{};
    Mark();
    ASSERT_EQ(Quarn_OpenUISMPhoneBook(handle_, &info), QUARN_OK);
    const auto sent = SentSinceMark();
    // DF_PHONEBOOK is missing under DF_TELECOM: the application is selected
    // by its AID from EF_DIR and the phone book looked up there.
    bool selectedByAid = false;
    for (const std::string& command : sent)
        selectedByAid |= command == "00 A4 04 04 10 " + kAid;
    EXPECT_TRUE(selectedByAid) << testing::PrintToString(sent);
    EXPECT_EQ(info.fileCount, 1);
    EXPECT_EQ(info.fileId[0], 0x4F3A);
    EXPECT_EQ(info.files[0].recordLength, 30);
    EXPECT_EQ(info.files[0].recordCount, 20);
    EXPECT_EQ(info.totalRecords, 20);

    _PHONEBOOK_ITEM item{};
    ASSERT_EQ(Quarn_SelectADN(handle_, 0x4F3A), QUARN_OK);
    ASSERT_EQ(Quarn_ReadPhoneBook(handle_, &info.files[0], &item, 1), QUARN_OK);
    EXPECT_STREQ(item.name, "Local Entry");
    EXPECT_STREQ(item.number, "+33123456789");
}

struct PbrCase {
    const char* name;
    std::vector<std::string> pbr;
    std::vector<std::string> adnFiles;
    QuarnResult result;
    std::vector<int> fileIds;
};

void PrintTo(const PbrCase& c, std::ostream* os) {
    *os << c.name;
}

class PbrWalkTest : public BookTest, public testing::WithParamInterface<PbrCase> {};

TEST_P(PbrWalkTest, ListsTheAdnFiles) {
    InsertCard(UsimWithPbr(GetParam().pbr, GetParam().adnFiles));
    _USIM_PHONEBOOK_INFO info{};
    EXPECT_EQ(Quarn_OpenUISMPhoneBook(handle_, &info), GetParam().result);
    ASSERT_EQ(info.fileCount, static_cast<int>(GetParam().fileIds.size()));
    for (std::size_t i = 0; i < GetParam().fileIds.size(); ++i) {
        EXPECT_EQ(info.fileId[i], GetParam().fileIds[i]);
        EXPECT_EQ(info.files[i].recordCount, 2);
    }
    EXPECT_EQ(info.totalRecords, 2 * info.fileCount);
}

std::vector<std::string> SixteenPbrRecords() {
    std::vector<std::string> records;
    for (int i = 0; i < 16; ++i) {
        char record[32];
        std::snprintf(record, sizeof record, "A8 04 C0 02 4F %02X", 0x40 + i);
        records.push_back(record);
    }
    return records;
}

std::vector<std::string> SixteenAdnFiles() {
    std::vector<std::string> files;
    for (int i = 0; i < 16; ++i) {
        char id[8];
        std::snprintf(id, sizeof id, "4F%02X", 0x40 + i);
        files.push_back(id);
    }
    return files;
}

INSTANTIATE_TEST_SUITE_P(
    Records, PbrWalkTest,
    testing::Values(
        PbrCase{"type 2 record lists no file and is skipped",
                {"A9 04 C4 02 4F 11", "A8 04 C0 02 4F 3B"},
                {"4F3B"},
                QUARN_OK,
                {0x4F3B}},
        PbrCase{"type 3 record after a full one",
                {"A8 04 C0 02 4F 3A", "AA 04 C2 02 4F 4A"},
                {"4F3A"},
                QUARN_OK,
                {0x4F3A}},
        PbrCase{
            "free record", {"A8 04 C0 02 4F 3A", "FF"}, {"4F3A"}, QUARN_E_USIM_NOT_FOUND, {0x4F3A}},
        PbrCase{"listed file missing", {"A8 04 C0 02 4F 3C"}, {"4F3A"}, QUARN_E_BAD_ANSWER, {}},
        PbrCase{"sixteen files: the first fifteen are listed",
                SixteenPbrRecords(),
                SixteenAdnFiles(),
                QUARN_E_OUT_OF_RANGE,
                {0x4F40, 0x4F41, 0x4F42, 0x4F43, 0x4F44, 0x4F45, 0x4F46, 0x4F47, 0x4F48, 0x4F49,
                 0x4F4A, 0x4F4B, 0x4F4C, 0x4F4D, 0x4F4E}}));

TEST_F(UsimPhoneBookTest, GsmSimHasNoUsimPhoneBook) {
    Insert("book_gsm_sim.json");
    _USIM_PHONEBOOK_INFO info{};
    EXPECT_NE(Quarn_OpenUISMPhoneBook(handle_, &info), QUARN_OK);
    EXPECT_EQ(info.fileCount, 0);
    EXPECT_EQ(Quarn_OpenUISMPhoneBook(handle_, nullptr), nimbrel::pcsc::kInvalidParameter);
    EXPECT_EQ(Quarn_SelectADN(handle_, 0x10000), QUARN_E_OUT_OF_RANGE);
    EXPECT_EQ(Quarn_SelectADN(handle_ + 100, 0x4F3A), nimbrel::pcsc::kInvalidHandle);
}

} // namespace
