// Card information and IMSI: the bounded decoders, the PIN fields of both
// answer forms, and the exports on virtual cards.
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "card_info.h"
#include "fake_pcsc_fixture.h"

using fake_pcsc::Hex;

namespace {

struct DigitsCase {
    const char* bytes;
    const char* digits;
};

class IccidDecoding : public testing::TestWithParam<DigitsCase> {};

TEST_P(IccidDecoding, LowHalfFirstAndStopsAtFiller) {
    char out[32];
    std::memset(out, 0x55, sizeof out);
    nimbrel::DecodeIccid(Hex(GetParam().bytes), out);
    EXPECT_STREQ(out, GetParam().digits);
    for (std::size_t i = nimbrel::kIccidCapacity; i < sizeof out; ++i)
        ASSERT_EQ(out[i], 0x55) << "wrote past the field at " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IccidDecoding,
    testing::Values(DigitsCase{"98 68 00 10 32 54 76 98 10 F1", "8986000123456789011"},
                    DigitsCase{"98 68 00 10 32 54 76 98 10 32", "89860001234567890123"},
                    DigitsCase{"98 F4 00 10 32 54 76 98 10 32", "894"},
                    DigitsCase{"98 68 00", "898600"}, DigitsCase{"", ""},
                    // More than the ten bytes of the field is never decoded.
                    DigitsCase{"11 11 11 11 11 11 11 11 11 11 22 22", "11111111111111111111"}));

class ImsiDecoding : public testing::TestWithParam<DigitsCase> {};

TEST_P(ImsiDecoding, FirstDigitFromHighHalfThenTwoPerByte) {
    char out[32];
    std::memset(out, 0x55, sizeof out);
    nimbrel::DecodeImsi(Hex(GetParam().bytes), out);
    EXPECT_STREQ(out, GetParam().digits);
    for (std::size_t i = nimbrel::kImsiCapacity; i < sizeof out; ++i)
        ASSERT_EQ(out[i], 0x55) << "wrote past 16 bytes at " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImsiDecoding,
    testing::Values(DigitsCase{"08 29 04 10 32 54 76 98 10", "240012345678901"},
                    DigitsCase{"03 29 04 10 32 54 76 98 10", "24001"},
                    // A length above 8 is cut to what the field holds.
                    DigitsCase{"0F 29 04 10 32 54 76 98 10", "240012345678901"},
                    DigitsCase{"FF 29 04 10 32 54 76 98 10", "240012345678901"},
                    // ... and to the bytes that arrived.
                    DigitsCase{"08 29 04", "240"}, DigitsCase{"00 29 04", ""}, DigitsCase{"08", ""},
                    DigitsCase{"", ""}, DigitsCase{"08 29 04 10 32 F4 76 98 10", "24001234"},
                    // The first half is taken as it is, even above 9: the
                    // identity is not lost behind it.
                    DigitsCase{"08 A9 04 10 32 54 76 98 10", ":40012345678901"},
                    DigitsCase{"02 F9 04", "?40"}));

struct GsmPinCase {
    std::uint8_t characteristics; // byte 13
    std::uint8_t chv1;            // byte 18
    std::uint8_t unblock;         // byte 19
    int enabled, blocked, retries, pukRetries;
};

class GsmPinFields : public testing::TestWithParam<GsmPinCase> {};

TEST_P(GsmPinFields, ComeFromBytes13And18And19) {
    std::vector<std::uint8_t> answer(22, 0x00);
    answer[13] = GetParam().characteristics;
    answer[18] = GetParam().chv1;
    answer[19] = GetParam().unblock;
    _CARD_INFO info{};
    // A GSM answer needs no command: no card link is used.
    ASSERT_EQ(nimbrel::ReadPinFields(nimbrel::CardLink{}, answer, &info), QUARN_OK);
    EXPECT_EQ(info.pinEnabled, GetParam().enabled);
    EXPECT_EQ(info.pinBlocked, GetParam().blocked);
    EXPECT_EQ(info.pinRetries, GetParam().retries);
    EXPECT_EQ(info.pukRetries, GetParam().pukRetries);
}

INSTANTIATE_TEST_SUITE_P(Cases, GsmPinFields,
                         testing::Values(GsmPinCase{0x13, 0x83, 0x8A, 1, 0, 3, 10},
                                         GsmPinCase{0x13, 0x80, 0x8A, 1, 1, 0, 10},
                                         GsmPinCase{0x93, 0x82, 0x80, 0, 0, 2, 0},
                                         GsmPinCase{0x80, 0x01, 0x05, 0, 0, 1, 5}));

TEST(GsmPinFieldsShort, AnswerWithoutByte19IsABadAnswer) {
    std::vector<std::uint8_t> answer(19, 0x00);
    _CARD_INFO info{};
    EXPECT_EQ(nimbrel::ReadPinFields(nimbrel::CardLink{}, answer, &info), QUARN_E_BAD_ANSWER);
}

class FcpPinFields : public FakePcscTest {
protected:
    void SetUp() override {
        FakePcscTest::SetUp();
        OneScriptedReader();
        handle_ = Open();
        nimbrel::SetMode(nimbrel::CommandMode::Uicc);
    }
    QuarnConnection handle_ = 0;
};

TEST_F(FcpPinFields, EnabledBitAndCountersFromTheCard) {
    fake_pcsc::Script({{"pin attempts", Hex("00 20 00 01 00"), Hex("63 C2")},
                       {"puk attempts", Hex("00 2C 00 01 00"), Hex("63 C9")}});
    auto answer = Hex("62 13 82 02 78 21 83 02 3F 00 C6 09 90 01 80 83 01 01 83 01 81");
    _CARD_INFO info{};
    ASSERT_EQ(nimbrel::ReadPinFields(Link(handle_), answer, &info), QUARN_OK);
    EXPECT_EQ(info.pinEnabled, 1);
    EXPECT_EQ(info.pinRetries, 2);
    EXPECT_EQ(info.pinBlocked, 0);
    EXPECT_EQ(info.pukRetries, 9);
}

TEST_F(FcpPinFields, NoAttemptsLeftIsBlocked) {
    fake_pcsc::Script({{"pin attempts", Hex("00 20 00 01 00"), Hex("63 C0")},
                       {"puk attempts", Hex("00 2C 00 01 00"), Hex("63 CA")}});
    auto answer = Hex("62 07 C6 05 90 01 00 83 01");
    _CARD_INFO info{};
    ASSERT_EQ(nimbrel::ReadPinFields(Link(handle_), answer, &info), QUARN_OK);
    EXPECT_EQ(info.pinEnabled, 0);
    EXPECT_EQ(info.pinBlocked, 1);
}

TEST_F(FcpPinFields, FailingQueryIsReturned) {
    fake_pcsc::Script({{"pin attempts", Hex("00 20 00 01 00"), Hex("91 00")}});
    auto answer = Hex("62 05 C6 03 90 01 80");
    _CARD_INFO info{};
    EXPECT_EQ(nimbrel::ReadPinFields(Link(handle_), answer, &info), 0x72209100u);
}

TEST_F(FcpPinFields, CardNeedingNoVerificationIsNotAFailure) {
    // PIN disabled (or verified earlier): the empty VERIFY answers 9000.
    fake_pcsc::Script({{"pin attempts", Hex("00 20 00 01 00"), Hex("90 00")},
                       {"puk attempts", Hex("00 2C 00 01 00"), Hex("63 CA")}});
    auto answer = Hex("62 05 C6 03 90 01 00");
    _CARD_INFO info{};
    ASSERT_EQ(nimbrel::ReadPinFields(Link(handle_), answer, &info), QUARN_OK);
    EXPECT_EQ(info.pinEnabled, 0);
    EXPECT_EQ(info.pinBlocked, 0);
    EXPECT_EQ(info.pinRetries, QUARN_RETRIES_UNKNOWN);
    EXPECT_EQ(info.pukRetries, 10);
}

TEST_F(FcpPinFields, TemplateWithoutUsablePinStatusSendsNothing) {
    _CARD_INFO info{};
    for (const char* answer : {"62 04 82 02 78 21", "62 04 C6 02 90 01", "62 0A C6 09 90 01"}) {
        EXPECT_EQ(nimbrel::ReadPinFields(Link(handle_), Hex(answer), &info), QUARN_E_BAD_ANSWER)
            << answer;
    }
    EXPECT_TRUE(fake_pcsc::Sent().empty());
}

// The exports on whole virtual cards.
class CardInfoOnCard : public FakePcscTest {
protected:
    void Insert(simcard::CardProfile profile) {
        card_ = std::make_unique<simcard::VirtualCard>(std::move(profile));
        fake_pcsc::SetReaders({ReaderWithCard(*card_)});
        handle_ = Open();
    }
    static nlohmann::json ProfileJson(const std::string& name) {
        std::ifstream in(std::string(SIM_PROFILE_DIR) + "/" + name);
        return nlohmann::json::parse(in);
    }
    static void RemoveChild(nlohmann::json& directory, const std::string& id) {
        auto& children = directory["children"];
        for (auto it = children.begin(); it != children.end(); ++it) {
            if (it->value("id", "") == id) {
                children.erase(it);
                return;
            }
        }
        FAIL() << "no child " << id;
    }
    std::unique_ptr<simcard::VirtualCard> card_;
    QuarnConnection handle_ = 0;
};

TEST_F(CardInfoOnCard, ImsiOfTheGsmSim) {
    Insert(Profile("gsm_sim.json"));
    char imsi[16];
    // The IMSI is CHV1-protected and this card's PIN is enabled.
    EXPECT_EQ(Quarn_GetIMSI(handle_, imsi), QUARN_E_BAD_ANSWER);
    ASSERT_EQ(Quarn_VerifySIMCHV(handle_, "1234", 4), QUARN_OK);
    ASSERT_EQ(Quarn_GetIMSI(handle_, imsi), QUARN_OK);
    EXPECT_STREQ(imsi, "240012345678901");
    EXPECT_EQ(Quarn_GetIMSI(handle_, nullptr), nimbrel::pcsc::kInvalidParameter);
}

TEST_F(CardInfoOnCard, SimCardInfoOfTheGsmSim) {
    Insert(Profile("gsm_sim.json"));
    _CARD_INFO info;
    std::memset(&info, 0x5A, sizeof info);
    ASSERT_EQ(Quarn_GetSIMCardInfo(handle_, &info), QUARN_OK);
    EXPECT_EQ(info.pinEnabled, 1);
    EXPECT_EQ(info.pinBlocked, 0);
    EXPECT_EQ(info.pinRetries, 3);
    EXPECT_EQ(info.pukRetries, 10);
    EXPECT_EQ(info.phoneBookSize, 28 * 10);
    EXPECT_EQ(info.lastDialledSize, 28 * 5);
    EXPECT_EQ(info.smsSize, 176 * 5);
    EXPECT_STREQ(info.iccid, "8949000123456789010");
}

TEST_F(CardInfoOnCard, SimWithoutSmsFileHasNoSmsStorage) {
    nlohmann::json profile = ProfileJson("gsm_sim.json");
    RemoveChild(profile["mf"]["children"][1], "6F3C");
    Insert(simcard::ParseProfile(profile));
    _CARD_INFO info{};
    ASSERT_EQ(Quarn_GetSIMCardInfo(handle_, &info), QUARN_OK);
    EXPECT_EQ(info.smsSize, 0);
    EXPECT_EQ(info.phoneBookSize, 28 * 10);
}

TEST_F(CardInfoOnCard, SimWithoutIccidHasAnEmptySerialNumber) {
    nlohmann::json profile = ProfileJson("gsm_sim.json");
    RemoveChild(profile["mf"], "2FE2");
    Insert(simcard::ParseProfile(profile));
    _CARD_INFO info;
    std::memset(&info, 0x5A, sizeof info);
    ASSERT_EQ(Quarn_GetSIMCardInfo(handle_, &info), QUARN_OK);
    EXPECT_STREQ(info.iccid, "");
    EXPECT_EQ(info.phoneBookSize, 28 * 10);
}

TEST_F(CardInfoOnCard, SimCardInfoFailsAfterThreeRefusedMfSelections) {
    OneScriptedReader();
    handle_ = Open();
    // Each attempt tries both modes, and the switch persists, so the
    // attempts alternate which class goes first.
    std::vector<fake_pcsc::Step> steps = {{"1a", Hex("A0 A4 00 00 02 3F 00"), Hex("6E 00")},
                                          {"1b", Hex("00 A4 00 04 02 3F 00"), Hex("6E 00")},
                                          {"2a", Hex("00 A4 00 04 02 3F 00"), Hex("6E 00")},
                                          {"2b", Hex("A0 A4 00 00 02 3F 00"), Hex("6E 00")},
                                          {"3a", Hex("A0 A4 00 00 02 3F 00"), Hex("6E 00")},
                                          {"3b", Hex("00 A4 00 04 02 3F 00"), Hex("6D 00")}};
    fake_pcsc::Script(steps);
    _CARD_INFO info{};
    EXPECT_EQ(Quarn_GetSIMCardInfo(handle_, &info), QUARN_E_BAD_ANSWER);
    EXPECT_EQ(Quarn_GetStatusWord(), 0x6D00);
}

TEST_F(CardInfoOnCard, UsimCardInfoLeavesUiccMode) {
    Insert(Profile("usim.json"));
    _CARD_INFO info{};
    ASSERT_EQ(Quarn_GetUSIMCardInfo(handle_, &info), QUARN_OK);
    EXPECT_EQ(nimbrel::CurrentMode(), nimbrel::CommandMode::Uicc);
    EXPECT_EQ(info.pinEnabled, 1);
    EXPECT_EQ(info.pinRetries, 3);
    EXPECT_EQ(info.pukRetries, 10);
    EXPECT_EQ(info.lastDialledSize, 0);
    EXPECT_EQ(info.phoneBookSize, 30 * 20);
    EXPECT_EQ(info.smsSize, 176 * 10);
    EXPECT_STREQ(info.iccid, "8949000234567890123");
}

TEST_F(CardInfoOnCard, UsimCardInfoOnAGsmSimFailsBackInSimMode) {
    Insert(Profile("gsm_sim.json"));
    _CARD_INFO info{};
    EXPECT_NE(Quarn_GetUSIMCardInfo(handle_, &info), QUARN_OK);
    EXPECT_EQ(nimbrel::CurrentMode(), nimbrel::CommandMode::Sim);
}

TEST_F(CardInfoOnCard, NullRecordIsRefused) {
    Insert(Profile("gsm_sim.json"));
    EXPECT_EQ(Quarn_GetSIMCardInfo(handle_, nullptr), nimbrel::pcsc::kInvalidParameter);
    EXPECT_EQ(Quarn_GetUSIMCardInfo(handle_, nullptr), nimbrel::pcsc::kInvalidParameter);
    EXPECT_TRUE(fake_pcsc::Sent().empty());
}

} // namespace
