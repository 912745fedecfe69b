// The PIN exports against the virtual card's CHV state machine, in both
// command sets: counters, blocked states and the exact status words.
#include <memory>
#include <string>
#include <vector>

#include "card_info.h"
#include "fake_pcsc_fixture.h"
#include "file_access.h"
#include "pin.h"

namespace {

enum class Op { Verify, Enable, Disable, Change, Unblock };

struct ChvStep {
    Op op;
    const char* first;
    const char* second; // Change and Unblock
    QuarnResult result;
    std::uint16_t word;
};

struct Scenario {
    const char* name;
    const char* profile;
    std::vector<ChvStep> steps;
};

QuarnResult RunStep(QuarnConnection c, const ChvStep& step) {
    auto n = [](const char* s) { return static_cast<unsigned>(std::string(s).size()); };
    switch (step.op) {
    case Op::Verify:
        return Quarn_VerifySIMCHV(c, step.first, n(step.first));
    case Op::Enable:
        return Quarn_EnableSIMCHV(c, step.first, n(step.first));
    case Op::Disable:
        return Quarn_DisableSIMCHV(c, step.first, n(step.first));
    case Op::Change:
        return Quarn_ChangeSIMCHV(c, step.first, n(step.first), step.second, n(step.second));
    case Op::Unblock:
        return Quarn_UnBlockSIMCHV(c, step.first, n(step.first), step.second, n(step.second));
    }
    return 0;
}

class ChvOnCard : public FakePcscTest {
protected:
    void Insert(const char* profile) {
        card_ = std::make_unique<simcard::VirtualCard>(Profile(profile));
        fake_pcsc::SetReaders({ReaderWithCard(*card_)});
        handle_ = Open();
        if (std::string(profile) == "usim.json")
            nimbrel::SetMode(nimbrel::CommandMode::Uicc);
    }
    // PIN fields as the card information reads them from SELECT MF.
    _CARD_INFO PinFields() {
        _CARD_INFO info{};
        const nimbrel::Response answer = nimbrel::SelectFile(Link(handle_), nimbrel::fid::kMf);
        EXPECT_EQ(answer.result, QUARN_OK);
        EXPECT_EQ(nimbrel::ReadPinFields(Link(handle_), answer.data(), &info), QUARN_OK);
        return info;
    }
    std::unique_ptr<simcard::VirtualCard> card_;
    QuarnConnection handle_ = 0;
};

class ChvScenario : public ChvOnCard, public testing::WithParamInterface<Scenario> {};

TEST_P(ChvScenario, EachStepGivesItsResultAndWord) {
    Insert(GetParam().profile);
    int index = 0;
    for (const ChvStep& step : GetParam().steps) {
        SCOPED_TRACE("step " + std::to_string(index++));
        EXPECT_EQ(RunStep(handle_, step), step.result);
        EXPECT_EQ(Quarn_GetStatusWord(), step.word);
    }
}

constexpr QuarnResult kOk = QUARN_OK;
constexpr QuarnResult kRefused = QUARN_E_BAD_ANSWER;

INSTANTIATE_TEST_SUITE_P(
    Sequences, ChvScenario,
    testing::Values(Scenario{"GsmWrongPinBlocksAfterThree",
                             "gsm_sim.json",
                             {{Op::Verify, "0000", "", kRefused, 0x9804},
                              {Op::Verify, "1111", "", kRefused, 0x9804},
                              {Op::Verify, "1234", "", kOk,
                               0x9000}, // a right PIN restores the counter
                              {Op::Verify, "0000", "", kRefused, 0x9804},
                              {Op::Verify, "0000", "", kRefused, 0x9804},
                              {Op::Verify, "0000", "", kRefused, 0x9840},
                              {Op::Verify, "1234", "", kRefused, 0x9840},
                              {Op::Change, "1234", "5678", kRefused, 0x9840},
                              {Op::Unblock, "00000000", "4321", kRefused, 0x9804},
                              {Op::Unblock, "12345678", "4321", kOk, 0x9000},
                              {Op::Verify, "1234", "", kRefused, 0x9804},
                              {Op::Verify, "4321", "", kOk, 0x9000}}},
                    Scenario{"GsmDisableEnableAndContradictions",
                             "gsm_sim.json",
                             {{Op::Enable, "1234", "", kRefused, 0x9808},
                              {Op::Disable, "9999", "", kRefused, 0x9804},
                              {Op::Disable, "1234", "", kOk, 0x9000},
                              {Op::Disable, "1234", "", kRefused, 0x9808},
                              {Op::Verify, "1234", "", kRefused, 0x9808},
                              {Op::Change, "1234", "5678", kRefused, 0x9808},
                              {Op::Enable, "1234", "", kOk, 0x9000},
                              {Op::Verify, "1234", "", kOk, 0x9000}}},
                    Scenario{"GsmChangeFourToSixDigits",
                             "gsm_sim.json",
                             {{Op::Change, "1234", "567890", kOk, 0x9000},
                              {Op::Verify, "1234", "", kRefused, 0x9804},
                              {Op::Verify, "567890", "", kOk, 0x9000}}},
                    Scenario{"GsmPukBlocksAfterTen",
                             "gsm_sim.json",
                             {{Op::Unblock, "00000000", "1111", kRefused, 0x9804},
                              {Op::Unblock, "00000000", "1111", kRefused, 0x9804},
                              {Op::Unblock, "00000000", "1111", kRefused, 0x9804},
                              {Op::Unblock, "00000000", "1111", kRefused, 0x9804},
                              {Op::Unblock, "00000000", "1111", kRefused, 0x9804},
                              {Op::Unblock, "00000000", "1111", kRefused, 0x9804},
                              {Op::Unblock, "00000000", "1111", kRefused, 0x9804},
                              {Op::Unblock, "00000000", "1111", kRefused, 0x9804},
                              {Op::Unblock, "00000000", "1111", kRefused, 0x9804},
                              {Op::Unblock, "00000000", "1111", kRefused, 0x9840},
                              {Op::Unblock, "12345678", "1111", kRefused, 0x9840}}},
                    Scenario{"UiccWrongPinCountsDownThenBlocks",
                             "usim.json",
                             {{Op::Verify, "0000", "", 0x722063C2u, 0x63C2},
                              {Op::Verify, "0000", "", 0x722063C1u, 0x63C1},
                              {Op::Verify, "0000", "", 0x722063C0u, 0x63C0},
                              {Op::Verify, "1234", "", kRefused, 0x6983},
                              {Op::Unblock, "11111111", "2468", 0x722063C9u, 0x63C9},
                              {Op::Unblock, "12345678", "2468", kOk, 0x9000},
                              {Op::Verify, "2468", "", kOk, 0x9000}}},
                    Scenario{"UiccDisableAndEnable",
                             "usim.json",
                             {{Op::Disable, "1234", "", kOk, 0x9000},
                              {Op::Verify, "1234", "", kRefused, 0x6984},
                              {Op::Disable, "1234", "", kRefused, 0x6985},
                              {Op::Enable, "1234", "", kOk, 0x9000}}}),
    [](const testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

TEST_F(ChvOnCard, GsmSelectAnswerFollowsTheCounters) {
    Insert("gsm_sim.json");
    _CARD_INFO info = PinFields();
    EXPECT_EQ(info.pinEnabled, 1);
    EXPECT_EQ(info.pinRetries, 3);
    EXPECT_EQ(info.pukRetries, 10);
    for (int i = 0; i < 3; ++i)
        Quarn_VerifySIMCHV(handle_, "0000", 4);
    Quarn_UnBlockSIMCHV(handle_, "00000000", 8, "1234", 4);
    info = PinFields();
    EXPECT_EQ(info.pinRetries, 0);
    EXPECT_EQ(info.pinBlocked, 1);
    EXPECT_EQ(info.pukRetries, 9);
    ASSERT_EQ(Quarn_UnBlockSIMCHV(handle_, "12345678", 8, "1234", 4), QUARN_OK);
    ASSERT_EQ(Quarn_DisableSIMCHV(handle_, "1234", 4), QUARN_OK);
    info = PinFields();
    EXPECT_EQ(info.pinEnabled, 0);
    EXPECT_EQ(info.pinBlocked, 0);
    EXPECT_EQ(info.pukRetries, 10);
}

TEST_F(ChvOnCard, UiccAttemptsQueriesAndPinStatusTemplate) {
    Insert("usim.json");
    _CARD_INFO info = PinFields();
    EXPECT_EQ(info.pinEnabled, 1);
    EXPECT_EQ(info.pinRetries, 3);
    EXPECT_EQ(info.pukRetries, 10);
    Quarn_VerifySIMCHV(handle_, "0000", 4);
    info = PinFields();
    EXPECT_EQ(info.pinRetries, 2);

    // Once the PIN is presented the card needs no verification: the empty
    // VERIFY answers 9000, which the attempts query does not accept.
    ASSERT_EQ(Quarn_VerifySIMCHV(handle_, "1234", 4), QUARN_OK);
    std::uint8_t attempts = 0;
    EXPECT_EQ(nimbrel::QueryPinAttempts(Link(handle_), &attempts), 0x72209000u);
    EXPECT_EQ(nimbrel::QueryPukAttempts(Link(handle_), &attempts), QUARN_OK);
    EXPECT_EQ(attempts, 10);
    // ...yet the card information of a verified card must still be readable.
    info = PinFields();
    EXPECT_EQ(info.pinEnabled, 1);
    EXPECT_EQ(info.pinBlocked, 0);
    EXPECT_EQ(info.pinRetries, QUARN_RETRIES_UNKNOWN);
}

TEST_F(ChvOnCard, GsmCardRefusesTheEmptyVerify) {
    Insert("gsm_sim.json");
    std::uint8_t attempts = 0xEE;
    EXPECT_EQ(nimbrel::QueryPinAttempts(Link(handle_), &attempts), QUARN_E_BAD_ANSWER);
    EXPECT_EQ(Quarn_GetStatusWord(), 0x6700);
    EXPECT_EQ(attempts, 0xEE);
}

TEST_F(ChvOnCard, PresentedPinIsForgottenAtReset) {
    Insert("usim.json");
    ASSERT_EQ(Quarn_VerifySIMCHV(handle_, "1234", 4), QUARN_OK);
    card_->Reset();
    std::uint8_t attempts = 0;
    EXPECT_EQ(nimbrel::QueryPinAttempts(Link(handle_), &attempts), QUARN_OK);
    EXPECT_EQ(attempts, 3);
}

} // namespace
