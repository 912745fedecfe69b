// libwendrill through pcscd on cards the test puts into a spare slot of the
// sandbox: select answers the fixture's cards do not give, and removal.
#include "wendrill_pcscd_fixture.h"

namespace {

struct WordCase {
    const char* word;
    std::uint32_t expected;
    // 92xx announces no description, so only 9Fxx leaves a record length to read.
    bool readsRecord;
};

class WendrillSelectWord : public WendrillThroughPcscd,
                           public testing::WithParamInterface<WordCase> {};

TEST_P(WendrillSelectWord, OnACardAnsweringEverySelectWithIt) {
    sandbox::SpareCard card(kSpareSlot, GsmAnswering(GetParam().word));
    ASSERT_TRUE(card.Ready());
    ASSERT_EQ(Connect(kSpareSlot), SCARD_S_SUCCESS);
    EXPECT_EQ(MultiCardRWTest(card_), GetParam().expected);
    VerifyPin();
    EXPECT_EQ(MultiCardPreRead(card_), GetParam().readsRecord ? WENDRILL_OK : WENDRILL_E_STATUS);
}

INSTANTIATE_TEST_SUITE_P(Words, WendrillSelectWord,
                         testing::Values(WordCase{"9F1A", WENDRILL_OK, true},
                                         WordCase{"9240", WENDRILL_E_STATUS, false},
                                         WordCase{"9201", WENDRILL_OK, false}),
                         [](const testing::TestParamInfo<WordCase>& info) {
                             return std::string("Sw") + info.param.word;
                         });

TEST_F(WendrillThroughPcscd, RemovedCardGivesThePcscError) {
    sandbox::SpareCard card(kSpareSlot, std::string(SIM_PROFILE_DIR) + "/gsm_sim.json");
    ASSERT_TRUE(card.Ready());
    ASSERT_EQ(Connect(kSpareSlot), SCARD_S_SUCCESS);
    ASSERT_TRUE(card.Remove());
    std::uint32_t rv = MultiCardRWTest(card_);
    EXPECT_NE(rv, WENDRILL_OK);
    EXPECT_NE(rv, WENDRILL_E_STATUS);
    EXPECT_EQ(rv & 0xFFFF0000u, 0x80100000u) << std::hex << rv;
}

} // namespace
