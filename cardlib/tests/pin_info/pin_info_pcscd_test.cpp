// PIN operations, card information, IMSI and the file-map walks through the
// real stack: libnimbrel.so -> pcsc-lite -> pcscd -> vpcd -> virtual cards.
// Tests that change a card's PIN state use a card of their own in a spare
// slot, so the fixture's cards stay as other tests expect them.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "nimbrel.h"
#include "spare_card.h"

namespace {

constexpr int kSpareGenericSlot = 2; // the first known reader in list order

class PinInfoThroughPcscd : public testing::Test {
protected:
    void TearDown() override {
        if (handle_ != 0)
            Quarn_DisConnect(handle_);
    }
    // The fixture's GSM SIM sits in a reader the library only takes when told.
    void ConnectGsmSim() {
        ASSERT_EQ(Quarn_ConnectAssignReader(&handle_, "Acme Card Terminal"), 0u);
    }
    void ConnectFirstKnown() { ASSERT_EQ(Quarn_Connect(&handle_), 0u); }
    QuarnConnection handle_ = 0;
};

TEST_F(PinInfoThroughPcscd, ImsiAndSimFileMapOfTheGsmSim) {
    ConnectGsmSim();
    char imsi[16] = {};
    ASSERT_EQ(Quarn_VerifySIMCHV(handle_, "1234", 4), QUARN_OK); // the IMSI is CHV1-protected
    ASSERT_EQ(Quarn_GetIMSI(handle_, imsi), QUARN_OK);
    EXPECT_STREQ(imsi, "240012345678901");
    int total = -1;
    ASSERT_EQ(Quarn_GetSIMFileMapSize(handle_, &total), QUARN_OK);
    EXPECT_EQ(total, 10 + 280 + 140 + 880 + 9 + 5 * 15 + 2 * 22);
}

TEST_F(PinInfoThroughPcscd, UsimFileMapTracesTheWalkOnStandardOutput) {
    ConnectFirstKnown(); // the fixture's USIM
    int total = -1;
    testing::internal::CaptureStdout();
    QuarnResult rv = Quarn_GetUSIMFileMapSize(handle_, &total);
    std::string trace = testing::internal::GetCapturedStdout();
    ASSERT_EQ(rv, QUARN_OK) << trace;
    // The files of usim.json, with the EF_ARR of the MF and of the
    // application (96 each); 6F06 is the application's first file.
    EXPECT_EQ(total, 64 + 10 + 20 + 600 + 9 + 1760 + 2 * 96);
    EXPECT_EQ(trace.rfind("3F00's Parent DF Path: 3F00 \n\n3f00->2f00\nShareable File\n", 0), 0u);
    EXPECT_NE(trace.find("7FFF's Parent DF Path: 3F00 \n\n7fff->6f06\n"), std::string::npos)
        << trace;
}

TEST_F(PinInfoThroughPcscd, SimCardInfoOfTheGsmSim) {
    ConnectGsmSim();
    _CARD_INFO info{};
    ASSERT_EQ(Quarn_GetSIMCardInfo(handle_, &info), QUARN_OK);
    EXPECT_EQ(info.pinEnabled, 1);
    EXPECT_EQ(info.pinRetries, 3);
    EXPECT_EQ(info.pukRetries, 10);
    EXPECT_EQ(info.phoneBookSize, 280);
    EXPECT_EQ(info.smsSize, 880);
    EXPECT_STREQ(info.iccid, "8949000123456789010");
}

TEST_F(PinInfoThroughPcscd, UsimCardInfoLeavesUiccModeInForce) {
    sandbox::SpareCard card(kSpareGenericSlot, std::string(SIM_PROFILE_DIR) + "/usim.json");
    ASSERT_TRUE(card.Ready());
    ConnectFirstKnown();
    _CARD_INFO info{};
    ASSERT_EQ(Quarn_GetUSIMCardInfo(handle_, &info), QUARN_OK);
    EXPECT_EQ(info.pinRetries, 3);
    EXPECT_EQ(info.phoneBookSize, 600);
    EXPECT_STREQ(info.iccid, "8949000234567890123");
    // A wrong PIN now goes out with class 00: the card counts it down (63C2)
    // instead of refusing class A0.
    EXPECT_EQ(Quarn_VerifySIMCHV(handle_, "0000", 4), 0x722063C2u);
    EXPECT_EQ(Quarn_VerifySIMCHV(handle_, "1234", 4), QUARN_OK);
}

TEST_F(PinInfoThroughPcscd, GsmPinLifecycleOnASpareCard) {
    sandbox::SpareCard card(kSpareGenericSlot, std::string(SIM_PROFILE_DIR) + "/gsm_sim.json");
    ASSERT_TRUE(card.Ready());
    ConnectFirstKnown();
    EXPECT_EQ(Quarn_VerifySIMCHV(handle_, "123456789", 9), QUARN_E_BAD_PIN_LENGTH);
    EXPECT_EQ(Quarn_VerifySIMCHV(handle_, "0000", 4), QUARN_E_BAD_ANSWER);
    EXPECT_EQ(Quarn_GetStatusWord(), 0x9804);
    EXPECT_EQ(Quarn_VerifySIMCHV(handle_, "0000", 4), QUARN_E_BAD_ANSWER);
    EXPECT_EQ(Quarn_VerifySIMCHV(handle_, "0000", 4), QUARN_E_BAD_ANSWER);
    EXPECT_EQ(Quarn_GetStatusWord(), 0x9840);
    EXPECT_EQ(Quarn_VerifySIMCHV(handle_, "1234", 4), QUARN_E_BAD_ANSWER);
    EXPECT_EQ(Quarn_GetStatusWord(), 0x9840);
    EXPECT_EQ(Quarn_UnBlockSIMCHV(handle_, "12345678", 8, "1234", 4), QUARN_OK);
    EXPECT_EQ(Quarn_ChangeSIMCHV(handle_, "1234", 4, "567890", 6), QUARN_OK);
    EXPECT_EQ(Quarn_DisableSIMCHV(handle_, "567890", 6), QUARN_OK);
    EXPECT_EQ(Quarn_VerifySIMCHV(handle_, "567890", 6), QUARN_E_BAD_ANSWER);
    EXPECT_EQ(Quarn_GetStatusWord(), 0x9808);
    EXPECT_EQ(Quarn_EnableSIMCHV(handle_, "567890", 6), QUARN_OK);
    EXPECT_EQ(Quarn_VerifySIMCHV(handle_, "567890", 6), QUARN_OK);
}

TEST_F(PinInfoThroughPcscd, BlockedUsimReportsItsCounters) {
    std::string profile = sandbox::WriteProfile("usim.json", [](nlohmann::json& p) {
        p["chv1"]["retries"] = 0;
        p["chv1"]["unblockRetries"] = 7;
    });
    sandbox::SpareCard card(kSpareGenericSlot, profile);
    ASSERT_TRUE(card.Ready());
    ConnectFirstKnown();
    ASSERT_EQ(Quarn_Is3G_UIM(handle_), QUARN_OK);
    EXPECT_EQ(Quarn_VerifySIMCHV(handle_, "1234", 4), QUARN_E_BAD_ANSWER);
    EXPECT_EQ(Quarn_GetStatusWord(), 0x6983);
    _CARD_INFO info{};
    ASSERT_EQ(Quarn_GetUSIMCardInfo(handle_, &info), QUARN_OK);
    EXPECT_EQ(info.pinBlocked, 1);
    EXPECT_EQ(info.pinRetries, 0);
    EXPECT_EQ(info.pukRetries, 7);
    std::remove(profile.c_str());
}

} // namespace
