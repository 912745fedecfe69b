// Wendrill on scripted and virtual cards through the fake PC/SC service:
// the exact commands, the accepted status words and malformed answers.
#include <gtest/gtest.h>
#include <winscard.h>

#include <cstring>
#include <memory>
#include <string>

#include "fake_pcsc.h"
#include "profile.h"
#include "virtual_card.h"
#include "wendrill.h"

using fake_pcsc::Bytes;
using fake_pcsc::Hex;

// The scripted service answers SCardStatus only if it offers one; otherwise
// this stand-in reports a T=0 card, which is what the fake's readers are.
extern "C" FAKE_PCSC_STANDIN LONG FAKE_PCSC_CALL SCardStatus(SCARDHANDLE, LPSTR readerName,
                                                             LPDWORD readerLength, LPDWORD state,
                                                             LPDWORD protocol, LPBYTE atr,
                                                             LPDWORD atrLength) {
    static const char kName[] = "Generic MultiCard reader 1.0 00 00";
    if (readerName && readerLength && *readerLength >= sizeof kName)
        std::memcpy(readerName, kName, sizeof kName);
    if (readerLength)
        *readerLength = sizeof kName;
    if (state)
        *state = SCARD_SPECIFIC;
    if (protocol)
        *protocol = SCARD_PROTOCOL_T0;
    if (atrLength)
        *atrLength = 0;
    (void)atr;
    return SCARD_S_SUCCESS;
}

namespace {

constexpr std::uint32_t kRejected = WENDRILL_E_STATUS;

class Wendrill : public testing::Test {
protected:
    void SetUp() override { fake_pcsc::Reset(); }
    void TearDown() override {
        if (card_)
            SCardDisconnect(card_, SCARD_LEAVE_CARD);
        if (context_)
            SCardReleaseContext(context_);
        for (const std::string& error : fake_pcsc::Errors())
            ADD_FAILURE() << "fake PC/SC: " << error;
        EXPECT_EQ(fake_pcsc::PendingSteps(), 0u) << "scripted steps left unsent";
        fake_pcsc::Reset();
    }
    // Connects the caller's handle, as the tester does before calling in.
    void Connect(fake_pcsc::CardResponder responder = nullptr) {
        fake_pcsc::SetReaders({{"Generic MultiCard reader 1.0 00 00", true, 1, responder}});
        ASSERT_EQ(SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context_),
                  SCARD_S_SUCCESS);
        DWORD protocol = 0;
        ASSERT_EQ(SCardConnect(context_, "Generic MultiCard reader 1.0 00 00", SCARD_SHARE_SHARED,
                               SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card_, &protocol),
                  SCARD_S_SUCCESS);
    }
    void Insert(simcard::CardProfile profile) {
        virtual_ = std::make_unique<simcard::VirtualCard>(std::move(profile));
        Connect([this](const Bytes& c) { return virtual_->Process(c); });
    }
    static Bytes LastSent() {
        return fake_pcsc::Sent().empty() ? Bytes{} : fake_pcsc::Sent().back();
    }
    SCARDCONTEXT context_ = 0;
    SCARDHANDLE card_ = 0;
    std::unique_ptr<simcard::VirtualCard> virtual_;
};

simcard::CardProfile GsmProfile(const char* selectStatus = nullptr) {
    simcard::CardProfile profile =
        simcard::LoadProfile(std::string(SIM_PROFILE_DIR) + "/gsm_sim.json");
    // The line tests fresh cards, whose PIN is not enabled; pre-read reads
    // EF_ADN without a verification.
    profile.chv1.enabled = false;
    if (selectStatus) {
        Bytes word = Hex(selectStatus);
        profile.selectStatus = static_cast<std::uint16_t>((word[0] << 8) | word[1]);
    }
    return profile;
}

TEST_F(Wendrill, GsmSimAnswering9F1AToEachSelectPasses) {
    Bytes description(0x1A, 0x00);
    description.insert(description.end(), {0x90, 0x00});
    fake_pcsc::Script({{"select MF", Hex("A0 A4 00 00 02 3F 00"), Hex("9F 1A")},
                       {"select DF_TELECOM", Hex("A0 A4 00 00 02 7F 10"), Hex("9F 1A")},
                       {"select EF_ADN", Hex("A0 A4 00 00 02 6F 3A"), Hex("9F 1A")},
                       {"get response", Hex("A0 C0 00 00 1A"), description}});
    Connect();
    EXPECT_EQ(MultiCardRWTest(card_), WENDRILL_OK);
}

TEST_F(Wendrill, PreReadSendsTheRecordLengthOfEfAdn) {
    Insert(GsmProfile());
    ASSERT_EQ(MultiCardPreRead(card_), WENDRILL_OK);
    EXPECT_EQ(fake_pcsc::ToHex(LastSent()), "A0 B2 01 04 1C");
    EXPECT_EQ(fake_pcsc::Sent().size(), 5u);
}

TEST_F(Wendrill, PreReadOnACardAnnouncing9F1A) {
    Insert(GsmProfile("9F 1A"));
    ASSERT_EQ(MultiCardPreRead(card_), WENDRILL_OK);
    EXPECT_EQ(fake_pcsc::ToHex(fake_pcsc::Sent()[3]), "A0 C0 00 00 1A");
    EXPECT_EQ(fake_pcsc::ToHex(LastSent()), "A0 B2 01 04 1C");
}

struct WordCase {
    const char* word;
    std::uint32_t expected;
};

class SelectWord : public Wendrill, public testing::WithParamInterface<WordCase> {};

// The card answers every SELECT with one word; GET RESPONSE delivers the
// announced bytes.
TEST_P(SelectWord, DecidesTheWalk) {
    Bytes word = Hex(GetParam().word);
    Connect([word](const Bytes& c) -> Bytes {
        if (c[1] == 0xA4)
            return word;
        Bytes data(c[4], 0x00);
        data.insert(data.end(), {0x90, 0x00});
        return data;
    });
    EXPECT_EQ(MultiCardRWTest(card_), GetParam().expected);
    std::size_t commands = GetParam().expected == WENDRILL_OK ? 4 : 1;
    EXPECT_EQ(fake_pcsc::Sent().size(), commands);
}

INSTANTIATE_TEST_SUITE_P(
    Words, SelectWord,
    testing::Values(WordCase{"90 00", WENDRILL_OK}, WordCase{"9F 1A", WENDRILL_OK},
                    WordCase{"9F 00", WENDRILL_OK}, WordCase{"92 01", WENDRILL_OK},
                    WordCase{"92 00", WENDRILL_OK}, WordCase{"92 FF", WENDRILL_OK},
                    WordCase{"92 40", kRejected}, WordCase{"90 01", kRejected},
                    WordCase{"61 1A", kRejected}, WordCase{"6A 82", kRejected},
                    WordCase{"94 04", kRejected}, WordCase{"98 04", kRejected},
                    WordCase{"6E 00", kRejected}));

TEST_F(Wendrill, CardsWithFixedSelectWordsOnTheVirtualCard) {
    for (const char* word : {"92 40", "92 01"}) {
        SCOPED_TRACE(word);
        fake_pcsc::Reset();
        context_ = card_ = 0;
        Insert(GsmProfile(word));
        EXPECT_EQ(MultiCardRWTest(card_), std::string(word) == "92 40" ? kRejected : WENDRILL_OK);
    }
}

TEST_F(Wendrill, AnswersShorterThanAStatusWordAreRejected) {
    int call = 0;
    Connect([&call](const Bytes&) -> Bytes {
        ++call;
        return call == 1 ? Bytes{} : Bytes{0x9F};
    });
    EXPECT_EQ(MultiCardRWTest(card_), kRejected);
    EXPECT_EQ(MultiCardRWTest(card_), kRejected);
    EXPECT_EQ(call, 2);
}

TEST_F(Wendrill, RejectedGetResponseOrRecordFails) {
    fake_pcsc::Script({{"select MF", Hex("A0 A4 00 00 02 3F 00"), Hex("9F 16")},
                       {"select DF_TELECOM", Hex("A0 A4 00 00 02 7F 10"), Hex("9F 16")},
                       {"select EF_ADN", Hex("A0 A4 00 00 02 6F 3A"), Hex("9F 0F")},
                       {"get response", Hex("A0 C0 00 00 0F"), Hex("67 0F")}});
    Connect();
    EXPECT_EQ(MultiCardRWTest(card_), kRejected);
}

TEST_F(Wendrill, PreReadStopsWhenTheDescriptionHoldsNoRecordLength) {
    Connect([](const Bytes& c) -> Bytes {
        if (c[1] == 0xA4)
            return {0x9F, 0x0E};
        Bytes data(14, 0x00); // byte 14 is missing
        data.insert(data.end(), {0x90, 0x00});
        return data;
    });
    EXPECT_EQ(MultiCardPreRead(card_), kRejected);
    EXPECT_EQ(fake_pcsc::Sent().size(), 4u); // no READ RECORD
}

TEST_F(Wendrill, PreReadRejectsAFailedRead) {
    Insert(GsmProfile());
    // The record-length byte is 28; a card that answers the read with a
    // memory problem fails the pre-read.
    auto& card = *virtual_;
    fake_pcsc::SetReaders({{"Generic MultiCard reader 1.0 00 00", true, 1, [&card](const Bytes& c) {
                                if (c[1] == 0xB2)
                                    return Hex("92 40");
                                return card.Process(c);
                            }}});
    EXPECT_EQ(MultiCardPreRead(card_), kRejected);
    EXPECT_EQ(fake_pcsc::ToHex(LastSent()), "A0 B2 01 04 1C");
}

TEST_F(Wendrill, TransmitFailureIsReturnedUnchanged) {
    Insert(GsmProfile());
    fake_pcsc::FailCall(fake_pcsc::Call::Transmit, SCARD_W_REMOVED_CARD, 2);
    EXPECT_EQ(MultiCardRWTest(card_), static_cast<std::uint32_t>(SCARD_W_REMOVED_CARD));
    EXPECT_EQ(fake_pcsc::Sent().size(), 1u);
}

} // namespace
