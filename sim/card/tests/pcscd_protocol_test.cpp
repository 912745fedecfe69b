// The virtual cards as pcscd sees them through vpcd: pcscd reads the ATR the
// card gives and negotiates the protocol from it; a client gets that
// protocol or none. Runs against the PC/SC sandbox (label pcscd): the USIM
// of the fixture in slot 3, a T=1-only USIM of the test's own in slot 2.
#include <gtest/gtest.h>

#include <winscard.h>

#include <string>

#include "card_test_util.h"
#include "profile.h"
#include "spare_card.h"

using simcard::Bytes;

namespace {

class Pcscd : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context_),
                  SCARD_S_SUCCESS);
    }
    void TearDown() override {
        if (card_)
            SCardDisconnect(card_, SCARD_LEAVE_CARD);
        SCardReleaseContext(context_);
    }

    LONG Connect(int slot, DWORD protocols) {
        return SCardConnect(context_, sandbox::ReaderName(slot).c_str(), SCARD_SHARE_SHARED,
                            protocols, &card_, &protocol_);
    }

    Bytes Atr() {
        char name[256];
        DWORD nameLength = sizeof name, state = 0, protocol = 0;
        BYTE atr[MAX_ATR_SIZE];
        DWORD atrLength = sizeof atr;
        EXPECT_EQ(SCardStatus(card_, name, &nameLength, &state, &protocol, atr, &atrLength),
                  SCARD_S_SUCCESS);
        return Bytes(atr, atr + atrLength);
    }

    // One APDU in hex over the negotiated protocol; the answer in hex.
    std::string Transmit(const std::string& apdu) {
        const Bytes command = simcard::ParseHex(apdu);
        const SCARD_IO_REQUEST* pci = protocol_ == SCARD_PROTOCOL_T1 ? SCARD_PCI_T1 : SCARD_PCI_T0;
        BYTE answer[300];
        DWORD length = sizeof answer;
        const LONG rv = SCardTransmit(card_, pci, command.data(),
                                      static_cast<DWORD>(command.size()), nullptr, answer, &length);
        if (rv != SCARD_S_SUCCESS)
            return "error " + std::to_string(rv);
        return simcard::FormatHex(Bytes(answer, answer + length));
    }

    SCARDCONTEXT context_ = 0;
    SCARDHANDLE card_ = 0;
    DWORD protocol_ = 0;
};

TEST_F(Pcscd, UsimOffersT0AndItsDataComesThroughGetResponse) {
    // A client that speaks only T=0 gets the card.
    ASSERT_EQ(Connect(3, SCARD_PROTOCOL_T0), SCARD_S_SUCCESS);
    EXPECT_EQ(protocol_, static_cast<DWORD>(SCARD_PROTOCOL_T0));
    EXPECT_EQ(Atr(), simcard::testing_util::Load("usim.json").atr);

    const std::string select = Transmit("00 A4 00 04 02 3F 00");
    ASSERT_EQ(select.substr(0, 3), "61 ");
    const std::string fcp = Transmit("00 C0 00 00 " + select.substr(3, 2));
    EXPECT_EQ(fcp.substr(0, 2), "62");
    EXPECT_EQ(simcard::testing_util::Sw(fcp), "90 00");
}

TEST_F(Pcscd, T1OnlyUsimIsReachedOverT1AndAnswersWithItsData) {
    sandbox::SpareCard spare(2, std::string(SIM_PROFILE_DIR) + "/usim_t1.json");
    ASSERT_TRUE(spare.Ready());
    EXPECT_NE(Connect(2, SCARD_PROTOCOL_T0), SCARD_S_SUCCESS);

    ASSERT_EQ(Connect(2, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1), SCARD_S_SUCCESS);
    EXPECT_EQ(protocol_, static_cast<DWORD>(SCARD_PROTOCOL_T1));
    EXPECT_EQ(Atr(), simcard::testing_util::Load("usim_t1.json").atr);
    const std::string fcp = Transmit("00 A4 00 04 02 3F 00 00");
    EXPECT_EQ(fcp.substr(0, 2), "62");
    EXPECT_EQ(simcard::testing_util::Sw(fcp), "90 00");
    EXPECT_EQ(Transmit("00 A4 00 04 02 3F 00"), "90 00");
}

} // namespace
