// libwendrill.so through pcscd: the caller connects the card handle itself,
// as the tester does, and the library walks to EF_ADN on it.
#include <gtest/gtest.h>
#include <winscard.h>

#include <cstdio>
#include <string>

#include "spare_card.h"
#include "wendrill.h"

namespace {

constexpr int kGsmSlot = 0;   // the fixture's GSM SIM
constexpr int kUsimSlot = 3;  // the fixture's USIM
constexpr int kSpareSlot = 1; // empty, for cards with odd answers

class WendrillThroughPcscd : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context_),
                  SCARD_S_SUCCESS);
    }
    void TearDown() override {
        if (card_)
            SCardDisconnect(card_, SCARD_LEAVE_CARD);
        SCardReleaseContext(context_);
        for (const std::string& path : profiles_)
            std::remove(path.c_str());
    }
    LONG Connect(int slot) {
        return SCardConnect(context_, sandbox::ReaderName(slot).c_str(), SCARD_SHARE_SHARED,
                            SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card_, &protocol_);
    }
    // The virtual GSM SIMs keep PIN1 enabled, and EF_ADN, which pre-read
    // reads, wants it verified first.
    void VerifyPin() {
        const BYTE verify[] = {0xA0, 0x20, 0x00, 0x01, 0x08, '1', '2',
                               '3',  '4',  0xFF, 0xFF, 0xFF, 0xFF};
        BYTE answer[2] = {};
        DWORD length = sizeof answer;
        const SCARD_IO_REQUEST* pci = protocol_ == SCARD_PROTOCOL_T1 ? SCARD_PCI_T1 : SCARD_PCI_T0;
        ASSERT_EQ(SCardTransmit(card_, pci, verify, sizeof verify, nullptr, answer, &length),
                  SCARD_S_SUCCESS);
        ASSERT_EQ(length, 2u);
        EXPECT_EQ(answer[0] << 8 | answer[1], 0x9000);
    }
    // The GSM SIM profile answering every SELECT with `word`.
    std::string GsmAnswering(const char* word) {
        std::string path = sandbox::WriteProfile(
            "gsm_sim.json", [word](nlohmann::json& p) { p["selectStatus"] = word; });
        profiles_.push_back(path);
        return path;
    }
    SCARDCONTEXT context_ = 0;
    SCARDHANDLE card_ = 0;
    DWORD protocol_ = 0;
    std::vector<std::string> profiles_;
};

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
