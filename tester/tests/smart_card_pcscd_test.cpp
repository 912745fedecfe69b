// The smart-card test through pcscd, the sandbox's virtual readers and cards,
// and the real pre-test library.
#include "sandbox_pcscd.h"
#include "slot_state.h"
#include "smart_card_test.h"
#include "smart_card_turns.h"
#include "spare_card.h"

#include <gmock/gmock.h>

#include <optional>

namespace orrick {
namespace {

using ::testing::ElementsAre;

constexpr int kSpareSlot = 1;

// The system's PC/SC service showing only one reader, so that a test can put
// the card of its choice first in the list.
class OneReaderService : public PcscSmartCardService {
public:
    explicit OneReaderService(const std::string& name) : list_(name + '\0' + '\0') {}
    LONG ListReadersSize(DWORD& length) override {
        length = static_cast<DWORD>(list_.size());
        return SCARD_S_SUCCESS;
    }
    LONG ListReaders(char* buffer, DWORD& length) override {
        return CopyReaderList(list_, buffer, length);
    }

private:
    std::string list_;
};

class SmartCardThroughPcscd : public ::testing::Test, protected MemorySlotSide {
protected:
    ~SmartCardThroughPcscd() override {
        for (const std::string& path : profiles_)
            std::remove(path.c_str());
    }

    // Runs `turns` smart-card turns; between them `memoryTurn` may change cards.
    void Run(SmartCardService& service, int turns) {
        turnLimit = turns;
        SmartCardTester tester(
            service, {}, state, [this](const std::string& t) { log.push_back(t); },
            [this](unsigned) { PlayMemoryTurn(); });
        tester.RunSmartCardTest(turnFlag, stopRequested);
    }

    std::string GsmAnswering(const char* word) {
        std::string path = sandbox::WriteProfile(
            "gsm_sim.json", [word](nlohmann::json& p) { p["selectStatus"] = word; });
        profiles_.push_back(path);
        return path;
    }

    static std::string GsmSim() { return std::string(SIM_PROFILE_DIR) + "/gsm_sim.json"; }

    SlotRunState state;
    std::vector<std::string> log;
    std::vector<std::string> profiles_;
};

TEST_F(SmartCardThroughPcscd, GsmSimInTheFirstReaderPasses) {
    PcscSmartCardService service;
    Run(service, 3);
    EXPECT_THAT(log, ElementsAre("Smart Card Success"));
    EXPECT_EQ(state.cardStatus[kSmartCardSlot],
              smartcard::kPresent | smartcard::kTested | smartcard::kPassed);
}

TEST_F(SmartCardThroughPcscd, CardRefusingTheWalkFails) {
    sandbox::SpareCard card(kSpareSlot, GsmAnswering("9240"));
    ASSERT_TRUE(card.Ready());
    OneReaderService service(sandbox::ReaderName(kSpareSlot));
    Run(service, 2);
    EXPECT_THAT(log, ElementsAre("Smart Card Test Fail "));
    EXPECT_EQ(state.cardStatus[kSmartCardSlot],
              smartcard::kPresent | smartcard::kTested | smartcard::kFailed);
}

TEST_F(SmartCardThroughPcscd, ReinsertedCardIsTestedAgain) {
    std::optional<sandbox::SpareCard> card;
    card.emplace(kSpareSlot, GsmSim());
    ASSERT_TRUE(card->Ready());
    memoryTurn = [&](int turn) {
        if (turn == 2) {
            EXPECT_TRUE(card->Remove());
            card.reset();
        } else if (turn == 3) {
            card.emplace(kSpareSlot, GsmSim());
            EXPECT_TRUE(card->Ready());
        }
    };
    OneReaderService service(sandbox::ReaderName(kSpareSlot));
    Run(service, 5);
    EXPECT_THAT(log, ElementsAre("Smart Card Success", "Smart Card Success"));
}

TEST_F(SmartCardThroughPcscd, EmptyReaderTestsNothing) {
    OneReaderService service(sandbox::ReaderName(kSpareSlot));
    Run(service, 3);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(state.cardStatus[kSmartCardSlot], 0);
}

// The service going away during a run: the turns go on without hanging, and
// once it is back the next run tests the card again.
TEST_F(SmartCardThroughPcscd, PcscdStoppedDuringARunAndTheNextRunTestsAgain) {
    std::optional<sandbox::PcscdStopped> service;
    memoryTurn = [&](int turn) {
        if (turn == 2) {
            service.emplace();
            EXPECT_TRUE(service->Stopped());
        }
    };
    PcscSmartCardService pcsc;
    Run(pcsc, 6);
    EXPECT_EQ(turnsEnded, 6);
    EXPECT_THAT(log, ElementsAre("Smart Card Success"));
    ASSERT_TRUE(service && service->Back());

    memoryTurn = nullptr;
    turnsEnded = 0;
    stopRequested = false;
    turnFlag = 1;
    log.clear();
    PcscSmartCardService again;
    Run(again, 3);
    EXPECT_THAT(log, ElementsAre("Smart Card Success"));
    EXPECT_EQ(state.cardStatus[kSmartCardSlot],
              smartcard::kPresent | smartcard::kTested | smartcard::kPassed);
}

} // namespace
} // namespace orrick
