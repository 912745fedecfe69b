// SELECT with its automatic mode switch, SELECT by AID, the USIM application
// and the bounded parsers of SELECT answers.
#include <ostream>
#include <string>
#include <vector>

#include "fake_pcsc_fixture.h"
#include "file_access.h"

using fake_pcsc::Bytes;
using fake_pcsc::Hex;
using nimbrel::CommandMode;

namespace {

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

std::string GsmMfAnswer() {
    // 23 bytes: a GSM 11.11 answer for the MF.
    return "00 00 1F 40 3F 00 01 00 00 00 00 00 0A 13 02 01 04 00 83 8A 83 8A 00";
}

class SelectFileTest : public FakePcscTest {
protected:
    void SetUp() override {
        FakePcscTest::SetUp();
        OneScriptedReader();
        handle_ = Open();
    }
    QuarnResult Select(std::uint16_t id) {
        answer_ = nimbrel::SelectFile(Link(handle_), id);
        return answer_.result;
    }
    QuarnConnection handle_ = 0;
    nimbrel::Response answer_{};
};

TEST_F(SelectFileTest, GsmAnswer9FxxFetchedWithGetResponseOfThatLength) {
    fake_pcsc::Script({{"select MF", Hex("A0 A4 00 00 02 3F 00"), Hex("9F 17")},
                       {"get response", Hex("A0 C0 00 00 17"), Hex(GsmMfAnswer() + " 90 00")},
                       {"next in SIM mode", Hex("A0 A4 00 00 02 7F 10"), Hex("9F 16")},
                       {"get response", Hex("A0 C0 00 00 16"), Hex(Repeat("00 ", 22) + "90 00")}});
    ASSERT_EQ(Select(0x3F00), QUARN_OK);
    EXPECT_EQ(answer_.data().size(), 0x17u);
    EXPECT_EQ(answer_.data()[4], 0x3F);
    EXPECT_EQ(nimbrel::CurrentMode(), CommandMode::Sim);
    EXPECT_EQ(Select(0x7F10), QUARN_OK);
}

TEST_F(SelectFileTest, CardRejectingClassA0SwitchesToUiccModeForGood) {
    fake_pcsc::Script(
        {{"select in SIM mode", Hex("A0 A4 00 00 02 3F 00"), Hex("6E 00")},
         {"again in UICC mode", Hex("00 A4 00 04 02 3F 00"), Hex("61 05")},
         {"get response", Hex("00 C0 00 00 05"), Hex("62 03 82 01 78 90 00")},
         {"stays in UICC mode", Hex("00 A4 00 04 02 2F 00"), Hex("61 02")},
         {"get response", Hex("00 C0 00 00 02"), Hex("62 00 90 00")},
         {"record read too", Hex("00 B2 01 04 20"), Hex(Repeat("FF ", 32) + "90 00")}});
    ASSERT_EQ(Select(0x3F00), QUARN_OK);
    EXPECT_EQ(nimbrel::CurrentMode(), CommandMode::Uicc);
    ASSERT_EQ(Select(0x2F00), QUARN_OK);
    std::uint8_t record[0x20];
    EXPECT_EQ(nimbrel::ReadRecord(Link(handle_), 1, 4, record), QUARN_OK);
}

TEST_F(SelectFileTest, FailedExchangeAlsoSwitches) {
    fake_pcsc::FailCall(fake_pcsc::Call::Transmit, 0x80100016);
    fake_pcsc::Script({{"retry in UICC mode", Hex("00 A4 00 04 02 3F 00"), Hex("61 02")},
                       {"get response", Hex("00 C0 00 00 02"), Hex("62 00 90 00")}});
    EXPECT_EQ(Select(0x3F00), QUARN_OK);
}

TEST_F(SelectFileTest, RejectedInBothModesReturnsTheSecondResultAndStaysSwitched) {
    fake_pcsc::Script({{"SIM mode", Hex("A0 A4 00 00 02 7F 25"), Hex("94 04")},
                       {"UICC mode", Hex("00 A4 00 04 02 7F 25"), Hex("6A 82")},
                       {"next try starts in UICC mode", Hex("00 A4 00 04 02 7F 25"), Hex("6A 82")},
                       {"and switches back", Hex("A0 A4 00 00 02 7F 25"), Hex("94 04")}});
    EXPECT_EQ(Select(0x7F25), QUARN_E_BAD_ANSWER);
    EXPECT_EQ(Quarn_GetStatusWord(), 0x6A82);
    EXPECT_EQ(nimbrel::CurrentMode(), CommandMode::Uicc);
    EXPECT_EQ(Select(0x7F25), QUARN_E_BAD_ANSWER);
    EXPECT_EQ(nimbrel::CurrentMode(), CommandMode::Sim);
}

TEST_F(SelectFileTest, AcceptedAnswerWithoutDataSwitchesTheNextCommand) {
    fake_pcsc::Script({{"no data", Hex("A0 A4 00 00 02 3F 00"), Hex("90 00")},
                       {"other mode", Hex("00 A4 00 04 02 3F 00"), Hex("90 00")},
                       {"and back", Hex("A0 A4 00 00 02 3F 00"), Hex("9F 02")},
                       {"get response", Hex("A0 C0 00 00 02"), Hex("00 00 90 00")}});
    EXPECT_EQ(Select(0x3F00), QUARN_E_BAD_ANSWER);
    EXPECT_EQ(nimbrel::CurrentMode(), CommandMode::Uicc);
    EXPECT_EQ(Select(0x3F00), QUARN_E_BAD_ANSWER);
    EXPECT_EQ(nimbrel::CurrentMode(), CommandMode::Sim);
    EXPECT_EQ(Select(0x3F00), QUARN_OK);
}

TEST_F(SelectFileTest, GetResponseFollowsEveryAcceptedSw1) {
    for (const char* sw : {"91 02", "63 02", "93 02", "9E 02", "90 02"}) {
        fake_pcsc::Script({{"select", Hex("A0 A4 00 00 02 3F 00"), Hex(sw)},
                           {"get response", Hex("A0 C0 00 00 02"), Hex("AA BB 90 00")}});
        EXPECT_EQ(Select(0x3F00), QUARN_OK) << sw;
        EXPECT_EQ(answer_.data().size(), 2u) << sw;
    }
}

TEST_F(SelectFileTest, FailedGetResponseIsReturned) {
    fake_pcsc::Script({{"select", Hex("A0 A4 00 00 02 3F 00"), Hex("9F 17")},
                       {"get response", Hex("A0 C0 00 00 17"), Hex("67 00")}});
    EXPECT_EQ(Select(0x3F00), QUARN_E_BAD_ANSWER);
    EXPECT_EQ(Quarn_GetStatusWord(), 0x6700);
}

TEST_F(SelectFileTest, DisconnectReturnsToSimMode) {
    nimbrel::SetMode(CommandMode::Uicc);
    ASSERT_EQ(Quarn_DisConnect(handle_), QUARN_OK);
    handle_ = Open();
    fake_pcsc::Script({{"SIM mode again", Hex("A0 A4 00 00 02 3F 00"), Hex("9F 02")},
                       {"get response", Hex("A0 C0 00 00 02"), Hex("00 00 90 00")}});
    EXPECT_EQ(Select(0x3F00), QUARN_OK);
}

TEST_F(SelectFileTest, ModeSurvivesReconnectWithoutDisconnect) {
    nimbrel::SetMode(CommandMode::Uicc);
    handle_ = Open();
    fake_pcsc::Script({{"still UICC", Hex("00 A4 00 04 02 3F 00"), Hex("61 02")},
                       {"get response", Hex("00 C0 00 00 02"), Hex("62 00 90 00")}});
    EXPECT_EQ(Select(0x3F00), QUARN_OK);
}

TEST_F(SelectFileTest, SelectByAidUsesClass00AndLeavesUiccMode) {
    fake_pcsc::Script({{"by AID", Hex("00 A4 04 04 03 A0 00 01"), Hex("61 04")},
                       {"get response", Hex("00 C0 00 00 04"), Hex("62 02 82 00 90 00")}});
    const std::uint8_t aid[3] = {0xA0, 0x00, 0x01};
    answer_ = nimbrel::SelectByAid(Link(handle_), aid);
    EXPECT_EQ(answer_.result, QUARN_OK);
    EXPECT_EQ(answer_.data().size(), 4u);
    EXPECT_EQ(nimbrel::CurrentMode(), CommandMode::Uicc);
}

// SelectUsimApplication against the virtual USIM, with EF_DIR variations.
struct DirCase {
    const char* title;
    const char* record1; // empty = keep the profile's
    QuarnResult expected;
};

// Test names and logs show the case by its name.
void PrintTo(const DirCase& c, std::ostream* os) {
    *os << c.title;
}

class UsimApplication : public FakePcscTest, public testing::WithParamInterface<DirCase> {};

TEST_P(UsimApplication, SelectsTheApplicationNamedInEfDir) {
    simcard::CardProfile profile = Profile("usim.json");
    std::string record = GetParam().record1;
    if (!record.empty()) {
        simcard::FileNode& dir = profile.mf->children.at(0);
        ASSERT_EQ(dir.id, 0x2F00);
        Bytes bytes = Hex(record);
        std::fill(dir.content.begin(), dir.content.begin() + dir.recordLength, 0xFF);
        std::copy(bytes.begin(), bytes.end(), dir.content.begin());
    }
    simcard::VirtualCard card(std::move(profile));
    fake_pcsc::SetReaders({ReaderWithCard(card)});
    QuarnConnection handle = Open();
    EXPECT_EQ(Quarn_Is3G_UIM(handle), GetParam().expected);
    EXPECT_EQ(nimbrel::CurrentMode(), CommandMode::Uicc);
    bool selectedByAid = false;
    for (const Bytes& command : card.Received())
        selectedByAid |= command.size() > 4 && command[0] == 0x00 && command[1] == 0xA4 &&
                         command[2] == 0x04 && command[3] == 0x04;
    EXPECT_EQ(selectedByAid, GetParam().expected != QUARN_E_USIM_NOT_FOUND);
}

INSTANTIATE_TEST_SUITE_P(
    EfDir, UsimApplication,
    testing::Values(
        DirCase{"ProfileRecord", "", QUARN_OK},
        DirCase{"AidAfterLabel", "61 0E 50 04 55 53 49 4D 4F 06 A0 00 00 00 87 10", QUARN_OK},
        DirCase{"EmptyRecord", "FF FF", QUARN_E_USIM_NOT_FOUND},
        DirCase{"TemplateWithoutAid", "61 06 50 04 55 53 49 4D", QUARN_E_USIM_NOT_FOUND},
        DirCase{"AidRunsPastTemplate", "61 04 4F 10 A0 00 00 00 87 10 02 FF FF FF FF 89",
                QUARN_E_USIM_NOT_FOUND},
        DirCase{"AidRunsPastRecord",
                "61 30 50 00 50 00 50 00 50 00 50 00 50 00 50 00 50 00 50 00 50 00 50 00 50 00 "
                "50 00 50 00 4F 40",
                QUARN_E_USIM_NOT_FOUND},
        DirCase{"EmptyAid", "61 02 4F 00", QUARN_E_USIM_NOT_FOUND},
        DirCase{"UnknownAid", "61 06 4F 04 A0 00 00 09", QUARN_E_BAD_ANSWER}),
    [](const auto& info) { return std::string(info.param.title); });

class UsimOnGsmCard : public FakePcscTest {};

TEST_F(UsimOnGsmCard, GsmSimHasNoUsimApplication) {
    simcard::VirtualCard card(Profile("gsm_sim.json"));
    fake_pcsc::SetReaders({ReaderWithCard(card)});
    QuarnConnection handle = Open();
    // The MF answers after the switch back to SIM mode; EF_DIR is missing.
    EXPECT_EQ(Quarn_Is3G_UIM(handle), QUARN_E_BAD_ANSWER);
    EXPECT_EQ(Quarn_GetStatusWord(), 0x6E00);
}

// The TLV walk stops at the end of what was received.
struct TlvCase {
    const char* title;
    const char* bytes;
    std::size_t start;
    std::uint8_t tag;
    int offset; // -1 = not found
    std::size_t valueLength;
};

// Test names and logs show the case by its name.
void PrintTo(const TlvCase& c, std::ostream* os) {
    *os << c.title;
}

class TlvWalk : public testing::TestWithParam<TlvCase> {};

TEST_P(TlvWalk, FindsOnlyWholeElements) {
    Bytes bytes = Hex(GetParam().bytes);
    auto found = nimbrel::FindTlv(bytes, GetParam().start, GetParam().tag);
    if (GetParam().offset < 0) {
        EXPECT_FALSE(found.has_value());
        return;
    }
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->offset, static_cast<std::size_t>(GetParam().offset));
    EXPECT_EQ(found->value.size(), GetParam().valueLength);
}

INSTANTIATE_TEST_SUITE_P(
    Bounded, TlvWalk,
    testing::Values(TlvCase{"First", "62 05 82 03 01 02 03", 2, 0x82, 2, 3},
                    TlvCase{"AfterOthers", "62 09 83 02 3F 00 8A 01 05 82 00", 2, 0x82, 9, 0},
                    TlvCase{"Missing", "62 04 83 02 3F 00", 2, 0x82, -1, 0},
                    TlvCase{"LengthPastEnd", "62 04 83 7F 3F 00", 2, 0x82, -1, 0},
                    TlvCase{"WantedPastEnd", "62 04 82 05 3F 00", 2, 0x82, -1, 0},
                    TlvCase{"LoneTagByte", "62 01 82", 2, 0x82, -1, 0},
                    TlvCase{"StartPastEnd", "62 00", 9, 0x82, -1, 0},
                    TlvCase{"Empty", "", 2, 0x82, -1, 0}),
    [](const auto& info) { return std::string(info.param.title); });

// File geometry from SELECT answers, both forms.
struct GeometryCase {
    const char* title;
    const char* answer;
    QuarnResult expected;
    int size, recordLength, count;
};

// Test names and logs show the case by its name.
void PrintTo(const GeometryCase& c, std::ostream* os) {
    *os << c.title;
}

class Geometry : public testing::TestWithParam<GeometryCase> {};

TEST_P(Geometry, FromSelectAnswer) {
    Bytes answer = Hex(GetParam().answer);
    _FILE_INFO info{-1, -1, -1};
    ASSERT_EQ(nimbrel::FileInfoFromSelect(answer, &info), GetParam().expected);
    if (GetParam().expected != QUARN_OK) {
        EXPECT_EQ(info.fileSize, -1);
        return;
    }
    EXPECT_EQ(info.fileSize, GetParam().size);
    EXPECT_EQ(info.recordLength, GetParam().recordLength);
    EXPECT_EQ(info.recordCount, GetParam().count);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, Geometry,
    testing::Values(
        GeometryCase{"GsmLinear", "00 00 01 18 6F 3A 04 00 11 00 44 01 02 01 1C", QUARN_OK, 280, 28,
                     10},
        GeometryCase{"GsmSizeNotMultiple", "00 00 00 1F 6F 3A 04 00 11 00 44 01 02 01 1C", QUARN_OK,
                     31, 28, 1},
        GeometryCase{"GsmRecordLengthZero", "00 00 01 18 6F 3A 04 00 11 00 44 01 02 00 00",
                     QUARN_E_BAD_ANSWER, 0, 0, 0},
        GeometryCase{"GsmTruncated", "00 00 01 18 6F 3A 04 00 11 00 44 01 02 01",
                     QUARN_E_BAD_ANSWER, 0, 0, 0},
        GeometryCase{"FcpLinear", "62 0F 82 05 42 21 00 1E 14 83 02 4F 3A 80 02 02 58", QUARN_OK,
                     600, 30, 20},
        GeometryCase{"FcpDescriptorNotFirst", "62 0C 83 02 6F 3C 82 05 42 21 00 B0 0A 00", QUARN_OK,
                     1760, 176, 10},
        GeometryCase{"FcpTransparentDescriptor", "62 04 82 02 41 21", QUARN_E_BAD_ANSWER, 0, 0, 0},
        GeometryCase{"FcpWithoutDescriptor", "62 04 83 02 6F 3A", QUARN_E_BAD_ANSWER, 0, 0, 0},
        GeometryCase{"FcpDescriptorCut", "62 07 82 05 42 21 00", QUARN_E_BAD_ANSWER, 0, 0, 0},
        GeometryCase{"FcpDescriptorOutsideTemplate", "62 04 83 02 6F 3A 82 05 42 21 00 1E 14",
                     QUARN_E_BAD_ANSWER, 0, 0, 0},
        GeometryCase{"Empty", "", QUARN_E_BAD_ANSWER, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.title); });

} // namespace
