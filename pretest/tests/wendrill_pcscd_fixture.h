// The fixture of the pre-test library's pcscd tests: a PC/SC context of its
// own, and the card handle the test connects, as the tester holds them.
#pragma once

#include <gtest/gtest.h>
#include <winscard.h>

#include <cstdio>
#include <string>
#include <vector>

#include "spare_card.h"
#include "wendrill.h"

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
