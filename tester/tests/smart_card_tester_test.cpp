// The smart-card turn loop against a scripted PC/SC service: which card is
// tested when, what is logged, and what the smart-card column shows.
#include "sim_fixture.h"
#include "slot_tests.h"
#include "smart_card_test.h"
#include "smart_card_turns.h"

#include <gmock/gmock.h>

#include <cstdlib>

namespace orrick::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

class FakeSmartCardService : public SmartCardService {
public:
    std::vector<std::string> readers{"Test Reader 00 00"};
    bool cardPresent = false;
    LONG statusResult = SCARD_S_SUCCESS;
    LONG connectResult = SCARD_S_SUCCESS;
    LONG listResult = SCARD_S_SUCCESS; // the service's answer to a list read
    int established = 0, released = 0;
    std::vector<std::string> queried; // reader names given to status queries
    std::vector<SCARDHANDLE> connected, disconnected;

    std::string MultiString() const {
        std::string list;
        for (const auto& r : readers)
            list += r + '\0';
        return list + '\0';
    }
    LONG EstablishContext() override {
        ++established;
        return SCARD_S_SUCCESS;
    }
    void ReleaseContext() override { ++released; }
    LONG ListReadersSize(DWORD& length) override {
        length = readers.empty() ? 0 : static_cast<DWORD>(MultiString().size());
        return readers.empty() ? SCARD_E_NO_READERS_AVAILABLE : SCARD_S_SUCCESS;
    }
    LONG ListReaders(char* buffer, DWORD& length) override {
        if (listResult != SCARD_S_SUCCESS)
            return listResult;
        if (readers.empty())
            return SCARD_E_NO_READERS_AVAILABLE;
        return CopyReaderList(MultiString(), buffer, length);
    }
    LONG GetStatusChange(const std::string& reader, DWORD& eventState) override {
        queried.push_back(reader);
        eventState = SCARD_STATE_CHANGED | (cardPresent ? SCARD_STATE_PRESENT : SCARD_STATE_EMPTY);
        return statusResult;
    }
    LONG Connect(const std::string&, SCARDHANDLE& card, DWORD& protocol) override {
        if (connectResult != SCARD_S_SUCCESS)
            return connectResult;
        card = 100 + connected.size();
        protocol = SCARD_PROTOCOL_T0;
        connected.push_back(card);
        return SCARD_S_SUCCESS;
    }
    LONG Disconnect(SCARDHANDLE card) override {
        disconnected.push_back(card);
        return SCARD_S_SUCCESS;
    }
};

class SmartCardTurnTest : public SimReaderTest, protected MemorySlotSide {
protected:
    SmartCardTurnTest()
        : slots(device, settings, state, nullptr, nullptr, 1),
          tester(
              service, [this](SCARDHANDLE card) { return RwTest(card); }, state,
              [this](const std::string& t) { log.push_back(t); },
              [this](unsigned ms) { OnDelay(ms); }) {
        settings.smartCard = 1;
    }

    void Run(int turns) {
        turnLimit = turns;
        tester.RunSmartCardTest(turnFlag, stopRequested);
    }

    void ShowColumn() {
        slots.ShowSlotReadWrite(kSmartCardSlot);
        slots.ShowSlotVerdict(kSmartCardSlot);
    }

    size_t Count(const std::string& line) const { return std::count(log.begin(), log.end(), line); }

    FakeSmartCardService service;
    TestSettings settings;
    SlotRunState state;
    SlotTester slots;
    std::vector<std::string> log;
    long rwResult = 0;
    std::vector<SCARDHANDLE> rwCards;
    std::vector<unsigned> delays;
    SmartCardTester tester;

private:
    long RwTest(SCARDHANDLE card) {
        rwCards.push_back(card);
        // The card is still connected while the library works on it.
        EXPECT_THAT(service.disconnected, Not(Contains(card)));
        return rwResult;
    }
    void OnDelay(unsigned ms) {
        delays.push_back(ms);
        PlayMemoryTurn();
    }
};

TEST_F(SmartCardTurnTest, CardIsTestedOncePerInsertionAndAgainAfterReinsertion) {
    service.cardPresent = true;
    memoryTurn = [this](int turn) { service.cardPresent = turn != 3; };
    Run(6);
    EXPECT_EQ(rwCards.size(), 2u);
    EXPECT_EQ(service.disconnected, service.connected);
    EXPECT_EQ(Count("Smart Card Success"), 2u);
    EXPECT_EQ(state.cardStatus[kSmartCardSlot],
              smartcard::kPresent | smartcard::kTested | smartcard::kPassed);
    EXPECT_EQ(service.established, 1);
    EXPECT_EQ(service.released, 1);
    ShowColumn();
    EXPECT_EQ(slots.View().readWrite[kSmartCardSlot], (SlotLabel{"Pass", colours::kBlue}));
    EXPECT_EQ(slots.View().verdict[kSmartCardSlot], (SlotLabel{"Pass-(2)", colours::kBlue}));
}

TEST_F(SmartCardTurnTest, AnyNonZeroResultFailsTheCard) {
    service.cardPresent = true;
    rwResult = 0x20100000;
    Run(3);
    EXPECT_THAT(log, ElementsAre("Smart Card Test Fail "));
    EXPECT_EQ(state.cardStatus[kSmartCardSlot],
              smartcard::kPresent | smartcard::kTested | smartcard::kFailed);
    ShowColumn();
    EXPECT_EQ(slots.View().readWrite[kSmartCardSlot], (SlotLabel{"Fail", colours::kRed}));
    EXPECT_EQ(slots.View().verdict[kSmartCardSlot], (SlotLabel{"NG-(0)", colours::kRed}));
}

TEST_F(SmartCardTurnTest, NoReaderIsLoggedOnceAndTheTurnStillComesBack) {
    service.readers.clear();
    Run(5); // ends only if every turn was handed back
    EXPECT_EQ(turnsEnded, 5);
    EXPECT_THAT(log, ElementsAre("No SmartCard Reader"));
    EXPECT_EQ(state.cardStatus[kSmartCardSlot], smartcard::kNoReader);
    EXPECT_TRUE(service.queried.empty());
    ShowColumn();
    EXPECT_EQ(slots.View().readWrite[kSmartCardSlot].text, "");
    EXPECT_EQ(slots.View().verdict[kSmartCardSlot], (SlotLabel{"NG-(0)", colours::kRed}));

    // With the column disabled there is no verdict to show.
    settings.smartCard = 0;
    slots.ResetLabels();
    ShowColumn();
    EXPECT_EQ(slots.View().verdict[kSmartCardSlot].text, "");
}

TEST_F(SmartCardTurnTest, LongReaderListIsReadWholeAndTheFirstNameUsed) {
    const std::string longName(300, 'R');
    service.readers = {longName, "Second Reader 00 00"};
    service.cardPresent = true;
    // A list that grows past its size at start is sized again.
    const std::string longerName(400, 'X');
    memoryTurn = [&](int) { service.readers.insert(service.readers.begin(), longerName); };
    Run(2);
    ASSERT_EQ(service.queried.size(), 2u);
    EXPECT_EQ(service.queried[0], longName);
    EXPECT_EQ(service.queried[1], longerName);
    EXPECT_EQ(rwCards.size(), 1u);
}

TEST_F(SmartCardTurnTest, ImplausibleReaderListSizeReadsNothing) {
    service.readers = {std::string(100 * 1024, 'R')};
    service.cardPresent = true;
    Run(2);
    EXPECT_TRUE(service.queried.empty());
    EXPECT_TRUE(log.empty());
}

TEST_F(SmartCardTurnTest, FailedConnectIsAFailedTestWithItsOwnLine) {
    service.cardPresent = true;
    service.connectResult = SCARD_E_SHARING_VIOLATION;
    Run(3);
    EXPECT_TRUE(rwCards.empty());
    EXPECT_TRUE(service.disconnected.empty());
    EXPECT_THAT(log, ElementsAre("Smart Card Connect Fail "));
    EXPECT_EQ(state.cardStatus[kSmartCardSlot],
              smartcard::kPresent | smartcard::kTested | smartcard::kFailed);
}

TEST_F(SmartCardTurnTest, FailedStatusQueryTestsNothing) {
    service.cardPresent = true;
    service.statusResult = SCARD_E_READER_UNAVAILABLE;
    Run(2);
    EXPECT_TRUE(service.connected.empty());
    EXPECT_TRUE(state.cardStatus[kSmartCardSlot] & smartcard::kStatusFailed);
}

TEST_F(SmartCardTurnTest, ReaderGoneAfterStartTestsNothingAndHandsTheTurnBack) {
    memoryTurn = [this](int) { service.readers.clear(); };
    Run(4);
    EXPECT_EQ(turnsEnded, 4);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(state.cardStatus[kSmartCardSlot], 0);
}

// A service that goes away in the middle of a run (stopped, or started again
// so that the context is unknown to it) costs the context: a new one is asked
// for, and the card put in once the service answers again is tested.
TEST_F(SmartCardTurnTest, LostServiceGivesANewContextAndTheCardIsTestedAfterIt) {
    for (LONG lost : {SCARD_E_NO_SERVICE, SCARD_E_SERVICE_STOPPED, SCARD_E_INVALID_HANDLE}) {
        SCOPED_TRACE(lost);
        service.established = service.released = 0;
        service.cardPresent = false;
        service.connected.clear();
        service.disconnected.clear();
        log.clear();
        turnsEnded = 0;
        stopRequested = false;
        turnFlag = 1;
        memoryTurn = [this, lost](int turn) {
            service.listResult = turn == 1 || turn == 2 ? lost : SCARD_S_SUCCESS;
            service.cardPresent = turn >= 3;
        };
        Run(5);
        EXPECT_EQ(turnsEnded, 5);
        EXPECT_EQ(service.established, 3); // at the start, then after each lost turn
        EXPECT_EQ(service.released, 3);
        EXPECT_EQ(service.connected.size(), 1u);
        EXPECT_THAT(log, ElementsAre("Smart Card Success"));
    }
}

// Without a PC/SC service at all the slot is out of the test, as without a reader.
TEST_F(SmartCardTurnTest, NoPcscServiceMeansNoReader) {
    ::setenv("PCSCLITE_CSOCK_NAME", "/nonexistent/orrick-test-pcscd.comm", 1);
    PcscSmartCardService pcsc;
    SmartCardTester real(
        pcsc, {}, state, [this](const std::string& t) { log.push_back(t); },
        [this](unsigned) {
            if (turnFlag == 0)
                stopRequested = true;
        });
    real.RunSmartCardTest(turnFlag, stopRequested);
    EXPECT_THAT(log, ElementsAre("No SmartCard Reader"));
    EXPECT_EQ(state.cardStatus[kSmartCardSlot], smartcard::kNoReader);
}

} // namespace
} // namespace orrick::testing
