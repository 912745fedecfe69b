// The PIN runner and the PIN actions against a card in the test process.
#include "core/pin_runner.h"
#include "load_test_support.h"

#include <gtest/gtest.h>

#include <memory>

namespace brisken {
namespace {

using testing::ScriptedCard;
using testing::ScriptedCardLibrary;
using testing::ScriptedPrompt;
using Log = std::vector<std::string>;

struct PinFixture : ::testing::Test {
    void Insert(const char* iccid, int pinRetries = 3) {
        session.reset();
        library->Card().info = _CARD_INFO{};
        testing::CopyText(library->Card().info.iccid, iccid);
        library->Card().info.pinEnabled = 1;
        library->Card().info.pinRetries = pinRetries;
        library->Card().info.pukRetries = 10;
        library->Card().usim = true;
        session = std::make_unique<CardSession>(*library);
        ASSERT_EQ(session->Connect(), QUARN_OK);
        ASSERT_EQ(session->Identify(), IdentifyResult::Identified);
        library->TakeLog();
    }
    bool Run(PinOperation operation) {
        return runner.Run(operation, *session, prompt,
                          [this](int id) { library->Note("message " + std::to_string(id)); });
    }

    std::unique_ptr<ScriptedCardLibrary> library =
        std::make_unique<ScriptedCardLibrary>(ScriptedCard{});
    ScriptedPrompt prompt{*library};
    PinRunner runner;
    std::unique_ptr<CardSession> session;
};

TEST_F(PinFixture, VerifiedPinIsRememberedForTheSameCard) {
    Insert("8901");
    prompt.codes = {u"1234"};
    EXPECT_TRUE(Run(PinOperation::Verify));
    EXPECT_EQ(library->TakeLog(), Log({"ask PIN 3", "VerifySIMCHV 1234"}));
    EXPECT_TRUE(Run(PinOperation::Verify));
    EXPECT_EQ(library->TakeLog(), Log({"VerifySIMCHV 1234"}));
    // Enable and disable take the remembered PIN as it stands.
    EXPECT_TRUE(Run(PinOperation::Disable));
    EXPECT_EQ(library->TakeLog(), Log({"DisableSIMCHV 1234", "message 155"}));
    EXPECT_TRUE(Run(PinOperation::Enable));
    EXPECT_EQ(library->TakeLog(), Log({"EnableSIMCHV 1234", "message 153"}));
}

TEST_F(PinFixture, AnotherCardNeverGetsTheRememberedPin) {
    Insert("8901");
    prompt.codes = {u"1234"};
    ASSERT_TRUE(Run(PinOperation::Verify));
    Insert("8902");
    library->Card().pin = "4321";
    prompt.codes = {u"4321"};
    EXPECT_TRUE(Run(PinOperation::Verify));
    EXPECT_EQ(library->TakeLog(), Log({"message 188", "ask PIN 3", "VerifySIMCHV 4321"}));
    prompt.codes = {std::nullopt};
    Insert("8901");
    EXPECT_FALSE(Run(PinOperation::Enable));
    EXPECT_EQ(library->TakeLog(), Log({"message 188", "ask PIN 3"}));
}

TEST_F(PinFixture, CancelWrongPinAndStaleRememberedPin) {
    Insert("8901");
    prompt.codes = {std::nullopt};
    EXPECT_FALSE(Run(PinOperation::Verify));
    EXPECT_EQ(library->TakeLog(), Log({"ask PIN 3"}));

    prompt.codes = {u"0000"};
    EXPECT_FALSE(Run(PinOperation::Verify));
    EXPECT_EQ(library->TakeLog(), Log({"ask PIN 3", "VerifySIMCHV 0000", "message 124"}));
    EXPECT_FALSE(runner.HasRemembered());

    // A remembered PIN the card no longer takes costs one try, then the dialog.
    prompt.codes = {u"1234"};
    ASSERT_TRUE(Run(PinOperation::Verify));
    library->Card().pin = "5555";
    library->TakeLog();
    prompt.codes = {u"5555"};
    EXPECT_TRUE(Run(PinOperation::Verify));
    EXPECT_EQ(library->TakeLog(), Log({"VerifySIMCHV 1234", "ask PIN 3", "VerifySIMCHV 5555"}));
}

TEST_F(PinFixture, VerifyOnABlockedCardSaysSoWithoutAsking) {
    Insert("8901", 0);
    library->Card().info.pinBlocked = 1;
    ASSERT_EQ(session->Identify(), IdentifyResult::Identified);
    library->TakeLog();
    prompt.codes = {u"1234"};
    EXPECT_FALSE(Run(PinOperation::Verify));
    EXPECT_EQ(library->TakeLog(), Log({"message 146"}));
}

TEST_F(PinFixture, ChangeChecksConfirmationAndForgetsThePin) {
    Insert("8901");
    prompt.codes = {u"1234"};
    prompt.newPins = {u"1111", u"2222"};
    EXPECT_FALSE(Run(PinOperation::Change));
    EXPECT_EQ(library->TakeLog(),
              Log({"ask PIN 3", "VerifySIMCHV 1234", "ask new PIN", "message 149", "DisConnect"}));
    Insert("8901");
    // With the PIN remembered only the new-PIN dialog is shown.
    prompt.newPins = {u"1111", u"1111"};
    EXPECT_TRUE(Run(PinOperation::Change));
    EXPECT_EQ(library->TakeLog(),
              Log({"VerifySIMCHV 1234", "ask new PIN", "ChangeSIMCHV 1234 1111", "message 151"}));
    EXPECT_FALSE(runner.HasRemembered());
    EXPECT_EQ(library->Card().pin, "1111");
}

TEST_F(PinFixture, UnblockAlwaysAsksForThePuk) {
    Insert("8901", 0);
    prompt.codes = {u"1234"};
    library->Card().info.pinRetries = 3;
    Insert("8901", 3);
    ASSERT_TRUE(Run(PinOperation::Verify));
    Insert("8901", 0);
    prompt.codes = {u"87654321"};
    prompt.newPins = {u"9999", u"9999"};
    EXPECT_TRUE(Run(PinOperation::Unblock));
    EXPECT_EQ(library->TakeLog(), Log({"ask PUK 10", "ask new PIN (unblock)",
                                       "UnBlockSIMCHV 87654321 9999", "message 166"}));
    EXPECT_FALSE(runner.HasRemembered());
}

TEST_F(PinFixture, CodesAreCutToEightAndPaddedWithFF) {
    Insert("8901", -1);
    library->Card().pin = "12345678";
    prompt.codes = {u"123456789"};
    EXPECT_TRUE(Run(PinOperation::Verify));
    // An unknown retry count reaches the dialog as -1 (shown empty).
    EXPECT_EQ(library->TakeLog(), Log({"ask PIN -1", "VerifySIMCHV 12345678"}));
    SecretText text;
    text.Set(u"12345678x", 9);
    EXPECT_EQ(text.size(), 8u);
    text.Clear();
    EXPECT_EQ(text.size(), 0u);
    EXPECT_EQ(text.data()[0], 0);
}

// The window's actions: which precondition message or runner operation.
struct ActionCase {
    const char* name;
    PinAction action;
    int pinEnabled, pinBlocked, pinRetries, pukRetries;
    Log expected;
};

class PinActionTest : public ::testing::TestWithParam<ActionCase> {};

TEST_P(PinActionTest, ChecksPreconditionsInOrder) {
    const ActionCase& c = GetParam();
    ScriptedCard card;
    card.info.pinEnabled = c.pinEnabled;
    card.info.pinBlocked = c.pinBlocked;
    card.info.pinRetries = c.pinRetries;
    card.info.pukRetries = c.pukRetries;
    ScriptedCardLibrary library(card);
    ScriptedPrompt prompt(library);
    PinRunner runner;
    RunPinAction(c.action, library, runner, prompt,
                 [&](int id) { library.Note("message " + std::to_string(id)); });
    Log log = library.TakeLog();
    // Connect and identification are the same for all.
    const Log head = {"Connect", "GetUSIMCardInfo", "DisConnect", "Connect", "GetSIMCardInfo"};
    ASSERT_GE(log.size(), head.size());
    EXPECT_EQ(Log(log.begin(), log.begin() + 5), head);
    EXPECT_EQ(Log(log.begin() + 5, log.end()), c.expected);
    EXPECT_EQ(library.OpenConnections(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PinActionTest,
    ::testing::Values(
        ActionCase{"ChangeBlocked", PinAction::Change, 1, 1, 0, 10, {"message 146", "DisConnect"}},
        ActionCase{"ChangeDisabled", PinAction::Change, 0, 0, 3, 10, {"message 147", "DisConnect"}},
        ActionCase{"DisableRuns", PinAction::Disable, 1, 0, 3, 10, {"ask PIN 3", "DisConnect"}},
        ActionCase{"EnableBlocked", PinAction::Enable, 0, 1, 0, 10, {"message 146", "DisConnect"}},
        ActionCase{"EnableEnabled", PinAction::Enable, 1, 0, 3, 10, {"message 148", "DisConnect"}},
        ActionCase{
            "UnblockNotBlocked", PinAction::Unblock, 1, 0, 2, 10, {"message 159", "DisConnect"}},
        ActionCase{"UnblockNoPuk", PinAction::Unblock, 1, 1, 0, 0, {"message 160", "DisConnect"}},
        ActionCase{"UnblockRuns", PinAction::Unblock, 1, 1, 0, 7, {"ask PUK 7", "DisConnect"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PinActionConnect, ConnectFailureShows118) {
    ScriptedCard card;
    card.connectFailures = 5;
    card.fallbackConnects = false;
    ScriptedCardLibrary library(card);
    ScriptedPrompt prompt(library);
    PinRunner runner;
    RunPinAction(PinAction::Enable, library, runner, prompt,
                 [&](int id) { library.Note("message " + std::to_string(id)); });
    EXPECT_EQ(library.TakeLog(),
              Log({"Connect", "ConnectAssignReader Generic  SmartCard Reader", "message 118"}));
}

} // namespace
} // namespace brisken
