// PIN commands: exact APDUs, length checks, status-word results and the
// attempts queries, through scripted card answers.
#include <functional>
#include <string>

#include "fake_pcsc_fixture.h"
#include "pin.h"

using fake_pcsc::Hex;

namespace {

class PinCommands : public FakePcscTest {
protected:
    void SetUp() override {
        FakePcscTest::SetUp();
        OneScriptedReader();
        handle_ = Open();
    }
    QuarnConnection handle_ = 0;
};

using PinCall = std::function<QuarnResult(QuarnConnection)>;

struct ApduCase {
    const char* name;
    PinCall call;
    const char* command;
};

class PinApdu : public PinCommands, public testing::WithParamInterface<ApduCase> {};

TEST_P(PinApdu, SendsTheBlocksPaddedWithFF) {
    fake_pcsc::Script({{GetParam().name, Hex(GetParam().command), Hex("90 00")}});
    EXPECT_EQ(GetParam().call(handle_), QUARN_OK);
}

INSTANTIATE_TEST_SUITE_P(
    AllFive, PinApdu,
    testing::Values(
        ApduCase{"verify4", [](QuarnConnection c) { return Quarn_VerifySIMCHV(c, "1234", 4); },
                 "A0 20 00 01 08 31 32 33 34 FF FF FF FF"},
        ApduCase{"verify8", [](QuarnConnection c) { return Quarn_VerifySIMCHV(c, "12345678", 8); },
                 "A0 20 00 01 08 31 32 33 34 35 36 37 38"},
        ApduCase{"verify1", [](QuarnConnection c) { return Quarn_VerifySIMCHV(c, "9", 1); },
                 "A0 20 00 01 08 39 FF FF FF FF FF FF FF"},
        ApduCase{"enable", [](QuarnConnection c) { return Quarn_EnableSIMCHV(c, "0000", 4); },
                 "A0 28 00 01 08 30 30 30 30 FF FF FF FF"},
        ApduCase{"disable", [](QuarnConnection c) { return Quarn_DisableSIMCHV(c, "12345", 5); },
                 "A0 26 00 01 08 31 32 33 34 35 FF FF FF"},
        ApduCase{"change",
                 [](QuarnConnection c) { return Quarn_ChangeSIMCHV(c, "1234", 4, "567890", 6); },
                 "A0 24 00 01 10 31 32 33 34 FF FF FF FF 35 36 37 38 39 30 FF FF"},
        ApduCase{"unblock",
                 [](QuarnConnection c) { return Quarn_UnBlockSIMCHV(c, "87654321", 8, "4321", 4); },
                 "A0 2C 00 00 10 38 37 36 35 34 33 32 31 34 33 32 31 FF FF FF FF"},
        // Only the given length goes out, whatever follows in the caller's buffer.
        ApduCase{"prefix", [](QuarnConnection c) { return Quarn_VerifySIMCHV(c, "123456", 2); },
                 "A0 20 00 01 08 31 32 FF FF FF FF FF FF"}),
    [](const testing::TestParamInfo<ApduCase>& info) { return std::string(info.param.name); });

TEST_F(PinCommands, UiccModeSendsClass00) {
    nimbrel::SetMode(nimbrel::CommandMode::Uicc);
    fake_pcsc::Script({{"verify", Hex("00 20 00 01 08 31 32 33 34 FF FF FF FF"), Hex("90 00")}});
    EXPECT_EQ(Quarn_VerifySIMCHV(handle_, "1234", 4), QUARN_OK);
}

struct LengthCase {
    const char* name;
    PinCall call;
};

class PinLength : public PinCommands, public testing::WithParamInterface<LengthCase> {};

TEST_P(PinLength, IsRefusedBeforeAnythingIsSent) {
    EXPECT_EQ(GetParam().call(handle_), QUARN_E_BAD_PIN_LENGTH);
    EXPECT_TRUE(fake_pcsc::Sent().empty());
}

INSTANTIATE_TEST_SUITE_P(
    ZeroNineOrMissing, PinLength,
    testing::Values(
        LengthCase{"verify9",
                   [](QuarnConnection c) { return Quarn_VerifySIMCHV(c, "123456789", 9); }},
        LengthCase{"verify0", [](QuarnConnection c) { return Quarn_VerifySIMCHV(c, "", 0); }},
        LengthCase{"verifyNull",
                   [](QuarnConnection c) { return Quarn_VerifySIMCHV(c, nullptr, 4); }},
        LengthCase{"enable9",
                   [](QuarnConnection c) { return Quarn_EnableSIMCHV(c, "123456789", 9); }},
        LengthCase{"disable0", [](QuarnConnection c) { return Quarn_DisableSIMCHV(c, "1", 0); }},
        LengthCase{
            "changeOld9",
            [](QuarnConnection c) { return Quarn_ChangeSIMCHV(c, "123456789", 9, "1234", 4); }},
        LengthCase{"changeNew0",
                   [](QuarnConnection c) { return Quarn_ChangeSIMCHV(c, "1234", 4, "", 0); }},
        LengthCase{
            "unblockPuk9",
            [](QuarnConnection c) { return Quarn_UnBlockSIMCHV(c, "123456789", 9, "1234", 4); }},
        LengthCase{"unblockHugeNew",
                   [](QuarnConnection c) {
                       return Quarn_UnBlockSIMCHV(c, "12345678", 8, "1234", 0xFFFFFFFFu);
                   }}),
    [](const testing::TestParamInfo<LengthCase>& info) { return std::string(info.param.name); });

struct WordCase {
    const char* answer;
    QuarnResult expected;
    std::uint16_t lastWord;
};

class PinAnswer : public PinCommands, public testing::WithParamInterface<WordCase> {};

TEST_P(PinAnswer, GivesTheResultAndKeepsTheExactWord) {
    fake_pcsc::Script(
        {{"verify", Hex("A0 20 00 01 08 31 32 33 34 FF FF FF FF"), Hex(GetParam().answer)}});
    EXPECT_EQ(Quarn_VerifySIMCHV(handle_, "1234", 4), GetParam().expected);
    EXPECT_EQ(Quarn_GetStatusWord(), GetParam().lastWord);
}

INSTANTIATE_TEST_SUITE_P(Words, PinAnswer,
                         testing::Values(WordCase{"90 00", QUARN_OK, 0x9000},
                                         WordCase{"98 04", QUARN_E_BAD_ANSWER, 0x9804},
                                         WordCase{"98 40", QUARN_E_BAD_ANSWER, 0x9840},
                                         WordCase{"98 08", QUARN_E_BAD_ANSWER, 0x9808},
                                         WordCase{"69 83", QUARN_E_BAD_ANSWER, 0x6983},
                                         WordCase{"63 C2", 0x722063C2u, 0x63C2},
                                         WordCase{"91 10", 0x72209110u, 0x9110},
                                         WordCase{"9F 0F", 0x72209F0Fu, 0x9F0F}));

TEST_F(PinCommands, TransportFailureIsReturnedUnchanged) {
    fake_pcsc::FailCall(fake_pcsc::Call::Transmit, 0x80100069L); // SCARD_W_REMOVED_CARD
    EXPECT_EQ(Quarn_ChangeSIMCHV(handle_, "1234", 4, "5678", 4), 0x80100069u);
}

TEST_F(PinCommands, UnknownHandleIsRefused) {
    EXPECT_EQ(Quarn_VerifySIMCHV(handle_ + 100, "1234", 4), nimbrel::pcsc::kInvalidHandle);
    EXPECT_TRUE(fake_pcsc::Sent().empty());
}

struct QueryCase {
    const char* answer;
    QuarnResult expected;
    int attempts; // -1: left untouched
};

class AttemptsQuery : public PinCommands, public testing::WithParamInterface<QueryCase> {};

TEST_P(AttemptsQuery, ReadsTheLowHalfOf63Cx) {
    fake_pcsc::Script({{"pin", Hex("A0 20 00 01 00"), Hex(GetParam().answer)},
                       {"puk", Hex("A0 2C 00 01 00"), Hex(GetParam().answer)}});
    for (auto query : {&nimbrel::QueryPinAttempts, &nimbrel::QueryPukAttempts}) {
        std::uint8_t attempts = 0xEE;
        EXPECT_EQ(query(Link(handle_), &attempts), GetParam().expected);
        EXPECT_EQ(attempts, GetParam().attempts < 0 ? 0xEE : GetParam().attempts);
    }
}

INSTANTIATE_TEST_SUITE_P(Words, AttemptsQuery,
                         testing::Values(QueryCase{"63 C3", QUARN_OK, 3},
                                         QueryCase{"63 CA", QUARN_OK, 10},
                                         QueryCase{"63 C0", QUARN_OK, 0},
                                         QueryCase{"90 00", 0x72209000u, -1},
                                         QueryCase{"63 00", 0x72206300u, -1},
                                         QueryCase{"69 83", QUARN_E_BAD_ANSWER, -1}));

} // namespace
