// The file-tree walks: which directories they visit, what they add up, the
// trace of the UICC walk, and where they stop.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "fake_pcsc_fixture.h"
#include "file_map.h"

using fake_pcsc::Bytes;

namespace {

class FileMap : public FakePcscTest {
protected:
    void Insert(simcard::CardProfile profile) {
        card_ = std::make_unique<simcard::VirtualCard>(std::move(profile));
        fake_pcsc::SetReaders({ReaderWithCard(*card_)});
        handle_ = Open();
    }
    void InsertResponder(fake_pcsc::CardResponder responder) {
        fake_pcsc::SetReaders({{"Generic MultiCard reader 1.0 00 00", true, 1, responder}});
        handle_ = Open();
    }
    static int SelectsSent() {
        return static_cast<int>(
            std::count_if(fake_pcsc::Sent().begin(), fake_pcsc::Sent().end(),
                          [](const Bytes& c) { return c.size() > 1 && c[1] == 0xA4; }));
    }
    static std::vector<std::uint16_t> Directories() {
        const nimbrel::DirectoryTable& table = nimbrel::WalkTable();
        std::vector<std::uint16_t> ids;
        for (std::uint16_t i = 0; i < table.count; ++i)
            ids.push_back(table.entries[i].fileId);
        return ids;
    }
    std::unique_ptr<simcard::VirtualCard> card_;
    QuarnConnection handle_ = 0;
};

// A GSM-form card that answers every SELECT with `answer`.
fake_pcsc::CardResponder EverySelectAnswers(Bytes answer) {
    return [answer](const Bytes& command) -> Bytes {
        if (command.size() >= 2 && command[1] == 0xA4)
            return {0x9F, static_cast<std::uint8_t>(answer.size())};
        if (command.size() >= 2 && command[1] == 0xC0) {
            Bytes out = answer;
            out.insert(out.end(), {0x90, 0x00});
            return out;
        }
        return {0x6D, 0x00};
    };
}

TEST_F(FileMap, SimWalkVisitsMfTelecomAndGsm) {
    Insert(Profile("gsm_sim.json"));
    int total = -1;
    ASSERT_EQ(Quarn_GetSIMFileMapSize(handle_, &total), QUARN_OK);
    EXPECT_EQ(Directories(), (std::vector<std::uint16_t>{0x3F00, 0x7F10, 0x7F20}));
    EXPECT_EQ(nimbrel::WalkTable().position, 3);
    // File sizes (ICCID 10, ADN 280, LND 140, SMS 880, IMSI 9) plus the
    // SELECT answers that described them (5 EFs x 15, 2 DFs x 22).
    EXPECT_EQ(total, 10 + 280 + 140 + 880 + 9 + 5 * 15 + 2 * 22);
}

TEST_F(FileMap, SimWalkReachesADirectoryTwoLevelsDown) {
    std::ifstream in(std::string(SIM_PROFILE_DIR) + "/gsm_sim.json");
    nlohmann::json profile = nlohmann::json::parse(in);
    profile["mf"]["children"][1]["children"].push_back({{"id", "5F3A"},
                                                        {"type", "DF"},
                                                        {"children",
                                                         {{{"id", "4F30"},
                                                           {"type", "EF"},
                                                           {"structure", "transparent"},
                                                           {"content", "01 02 03"}}}}});
    Insert(simcard::ParseProfile(profile));
    int total = -1;
    ASSERT_EQ(Quarn_GetSIMFileMapSize(handle_, &total), QUARN_OK);
    ASSERT_EQ(Directories(), (std::vector<std::uint16_t>{0x3F00, 0x7F10, 0x7F20, 0x5F3A}));
    EXPECT_EQ(nimbrel::WalkTable().entries[3].parentIndex, 1);
    // One more DF answer and the new 3-byte EF with its answer.
    EXPECT_EQ(total, 10 + 280 + 140 + 880 + 9 + 5 * 15 + 2 * 22 + 22 + 3 + 15);
}

TEST_F(FileMap, SimWalkStartsAfreshEachTime) {
    Insert(Profile("gsm_sim.json"));
    int first = -1;
    int second = -1;
    ASSERT_EQ(Quarn_GetSIMFileMapSize(handle_, &first), QUARN_OK);
    int selects = SelectsSent();
    ASSERT_EQ(Quarn_GetSIMFileMapSize(handle_, &second), QUARN_OK);
    EXPECT_EQ(first, second);
    EXPECT_EQ(SelectsSent(), 2 * selects);
    EXPECT_EQ(nimbrel::WalkTable().count, 3);
}

TEST_F(FileMap, SimWalkReadsFcpAnswersByTheirTags) {
    // What a USIM answers once its card information has left the UICC
    // command set in force: an EF of 0x0123 bytes for every identifier.
    const Bytes fcp = {0x62, 0x0C, 0x82, 0x02, 0x41, 0x21, 0x83,
                       0x02, 0x6F, 0x3A, 0x80, 0x02, 0x01, 0x23};
    InsertResponder([fcp](const Bytes& command) -> Bytes {
        if (command.size() >= 2 && command[1] == 0xA4)
            return {0x61, static_cast<std::uint8_t>(fcp.size())};
        if (command.size() >= 2 && command[1] == 0xC0) {
            Bytes out = fcp;
            out.insert(out.end(), {0x90, 0x00});
            return out;
        }
        return {0x6D, 0x00};
    });
    int total = -1;
    ASSERT_EQ(Quarn_GetSIMFileMapSize(handle_, &total), QUARN_OK);
    EXPECT_EQ(total, 512 * (0x0123 + static_cast<int>(fcp.size())));
    EXPECT_EQ(nimbrel::WalkTable().count, 1);
}

TEST_F(FileMap, SimWalkOfAUsimAfterItsCardInformation) {
    Insert(Profile("usim.json"));
    _CARD_INFO info{};
    ASSERT_EQ(Quarn_GetUSIMCardInfo(handle_, &info), QUARN_OK);
    int total = -1;
    ASSERT_EQ(Quarn_GetSIMFileMapSize(handle_, &total), QUARN_OK);
    // The files of the card outside the application, and what each answer
    // held: never more than the files and their answers can make up.
    EXPECT_GE(total, 64 + 10 + 20 + 600);
    EXPECT_LT(total, 64 + 10 + 20 + 600 + 9 + 1760 + 20 * 64);
}

TEST_F(FileMap, UiccWalkTracesAndSumsFileSizes) {
    Insert(Profile("usim.json"));
    std::FILE* trace = std::tmpfile();
    ASSERT_NE(trace, nullptr);
    std::uint32_t total = 0;
    QuarnResult rv = nimbrel::WalkUiccFileTree(Link(handle_), &total, trace);
    std::string text(8192, '\0');
    std::rewind(trace);
    text.resize(std::fread(text.data(), 1, text.size(), trace));
    std::fclose(trace);
    ASSERT_EQ(rv, QUARN_OK) << text;

    // DF_PHONEBOOK under the application shares its identifier with the one
    // under DF_TELECOM, so only the first is walked.
    EXPECT_EQ(Directories(), (std::vector<std::uint16_t>{0x3F00, 0x7F10, 0x7FFF, 0x5F3A}));
    // EF_DIR 64, EF_ICCID 10, EF_PBR 20, EF_ADN 600, EF_IMSI 9, EF_SMS 1760,
    // and the EF_ARR of the MF and of the application, 96 each.
    EXPECT_EQ(total, 64u + 10 + 20 + 600 + 9 + 1760 + 2 * 96);
    EXPECT_EQ(text.rfind("3F00's Parent DF Path: 3F00 \n\n3f00->2f00\nShareable File\n", 0), 0u)
        << text;
    EXPECT_NE(text.find("3f00->7f10\n7f10 AddInDFTable\n"), std::string::npos) << text;
    EXPECT_NE(text.find("3f00->7fff\n7fff AddInDFTable\n"), std::string::npos) << text;
    EXPECT_NE(text.find("5F3A's Parent DF Path: 3F00 \n7F10 \n\n5f3a->4f30\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("7fff->6f3c\n"), std::string::npos) << text;
}

TEST_F(FileMap, UiccWalkNeedsTheApplication) {
    Insert(Profile("gsm_sim.json"));
    int total = -1;
    EXPECT_NE(Quarn_GetUSIMFileMapSize(handle_, &total), QUARN_OK);
    EXPECT_EQ(total, -1);
}

TEST_F(FileMap, DirectoryTableStopsAtItsRoom) {
    Bytes directory(22, 0x00);
    directory[6] = 0x02;
    InsertResponder(EverySelectAnswers(directory));
    int total = -1;
    EXPECT_EQ(Quarn_GetSIMFileMapSize(handle_, &total), QUARN_E_DIRECTORY_TABLE_FULL);
    EXPECT_EQ(total, -1);
    EXPECT_EQ(nimbrel::WalkTable().count, nimbrel::kMaxDirectories);
}

TEST_F(FileMap, ShortAnswersAreCountedWithoutReadingPastThem) {
    InsertResponder(EverySelectAnswers({0x00, 0x00, 0x10}));
    int total = -1;
    ASSERT_EQ(Quarn_GetSIMFileMapSize(handle_, &total), QUARN_OK);
    // MF only: 512 identifiers, each "found" with a 3-byte answer that holds
    // no file size.
    EXPECT_EQ(total, 512 * 3);
    EXPECT_EQ(nimbrel::WalkTable().count, 1);
}

TEST_F(FileMap, ReaderFailureEndsTheWalkWithoutATotal) {
    Insert(Profile("gsm_sim.json"));
    // Two failures in a row: a SELECT retried in the other mode fails too.
    fake_pcsc::FailCall(fake_pcsc::Call::Transmit, 0x80100069L, 40);
    fake_pcsc::FailCall(fake_pcsc::Call::Transmit, 0x80100069L, 41);
    int total = -1;
    EXPECT_EQ(Quarn_GetSIMFileMapSize(handle_, &total), 0x80100069u);
    EXPECT_EQ(total, -1);
}

TEST_F(FileMap, NullTotalIsRefused) {
    Insert(Profile("gsm_sim.json"));
    EXPECT_EQ(Quarn_GetSIMFileMapSize(handle_, nullptr), nimbrel::pcsc::kInvalidParameter);
    EXPECT_EQ(Quarn_GetUSIMFileMapSize(handle_, nullptr), nimbrel::pcsc::kInvalidParameter);
    EXPECT_TRUE(fake_pcsc::Sent().empty());
}

} // namespace
