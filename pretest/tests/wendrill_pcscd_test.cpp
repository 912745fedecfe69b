// libwendrill through pcscd: the caller connects the card handle itself,
// as the tester does, and the library walks to EF_ADN on it. These cases use
// the sandbox's own cards only; wendrill_spare_card_test.cpp adds cards.
#include "wendrill_pcscd_fixture.h"

namespace {

TEST_F(WendrillThroughPcscd, GsmSimPassesBothChecks) {
    ASSERT_EQ(Connect(kGsmSlot), SCARD_S_SUCCESS);
    EXPECT_EQ(MultiCardRWTest(card_), WENDRILL_OK);
    VerifyPin();
    // The virtual card takes READ RECORD only with the record length, 28.
    EXPECT_EQ(MultiCardPreRead(card_), WENDRILL_OK);
}

TEST_F(WendrillThroughPcscd, UsimWithoutGsmClassFails) {
    ASSERT_EQ(Connect(kUsimSlot), SCARD_S_SUCCESS);
    EXPECT_EQ(MultiCardRWTest(card_), WENDRILL_E_STATUS);
}

} // namespace
