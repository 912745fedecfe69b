// Load through the real stack: the deployed-library binding over the built
// libnimbrel.so -> pcscd -> vpcd -> a virtual card served by this process.
// The rows are checked against the bytes of the card's own files.
#include "card_in_slot.h"
#include "core/card_load.h"
#include "core/catalogue.h"
#include "load_test_support.h"
#include "pcscd_card_support.h"

#include <QCoreApplication>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <set>

namespace brisken {
namespace {

using testing::Bytes;
using testing::EditedProfile;
using testing::ExpectedRecord;
using testing::FromAdnBytes;
using testing::Profile;

using testing::RecordingView;
using testing::ScriptedCard;
using testing::ScriptedCardLibrary;
using testing::ScriptedPrompt;

class LoadThroughPcscd : public ::testing::Test {
protected:
    LoadThroughPcscd()
        : binding_(QStringLiteral(NIMBREL_LIBRARY)), library_(binding_), trace_(ScriptedCard{}) {}

    bool Load(BookKind kind) {
        const bool done = testing::RunLoad(loader_, kind, pins_, prompt_, view_);
        if (!done) {
            for (const std::string& line : trace_.TakeLog()) {
                std::fprintf(stderr, "  %s\n", line.c_str());
            }
        }
        return done;
    }

    // Slot by slot: rows exactly where the file has occupied records.
    void ExpectPhoneRows(const CardInSlot& card, const std::vector<std::uint16_t>& path,
                         int firstSlot) {
        const Bytes& content = card.Card().Contents(path);
        const int records = static_cast<int>(content.size() / 28);
        for (int r = 1; r <= records; ++r) {
            const ExpectedRecord expected = FromAdnBytes(card.Record(path, r, 28));
            const int slot = firstSlot + r - 1;
            const auto row = std::find_if(view_.rows.begin(), view_.rows.end(),
                                          [&](const BookRow& row) { return row.slot == slot; });
            ASSERT_EQ(row == view_.rows.end(), expected.free) << "record " << r;
            if (expected.name) {
                EXPECT_EQ(row->cells[1], *expected.name) << "record " << r;
            }
        }
    }

    NimbrelBinding binding_;
    NimbrelCardLibrary library_;
    // Collects the trace lines and the view's messages.
    ScriptedCardLibrary trace_;
    RecordingView view_{trace_};
    ScriptedPrompt prompt_{trace_};
    PinRunner pins_;
    std::unique_ptr<Books> books_ = std::make_unique<Books>();
    BookLoader loader_{library_, *books_};
};

TEST_F(LoadThroughPcscd, GsmSimPhoneBookOf250Records) {
    CardInSlot card(Profile("book_gsm_sim.json"));
    ASSERT_TRUE(Load(BookKind::Phone));
    ASSERT_NO_FATAL_FAILURE(ExpectPhoneRows(card, {0x7F10, 0x6F3A}, 0));
    EXPECT_EQ(books_->phone.values.cardRecordCount, 250);
    const auto log = trace_.TakeLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "card type GSM SIM"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "status 250 / 5 / 245"), log.end());
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& l) { return l.starts_with("message"); }),
              0);
}

TEST_F(LoadThroughPcscd, UsimOfTwoFilesLastFileFirst) {
    CardInSlot card(Profile("book_usim_global.json"));
    ASSERT_TRUE(Load(BookKind::Phone));
    ASSERT_NO_FATAL_FAILURE(ExpectPhoneRows(card, {0x7F10, 0x5F3A, 0x4F3B}, 0));
    ASSERT_NO_FATAL_FAILURE(ExpectPhoneRows(card, {0x7F10, 0x5F3A, 0x4F3A}, 250));
    EXPECT_EQ(books_->phoneBookTotal, 500);
    const auto log = trace_.TakeLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "card type USIM"), log.end());
}

TEST_F(LoadThroughPcscd, RuimSmsBook) {
    // The library's card information wants a last-dialled file, which the
    // stored R-UIM profile lacks.
    CardInSlot card(EditedProfile("book_ruim.json", [](nlohmann::json& profile) {
        for (auto& child : profile["mf"]["children"]) {
            if (child["id"] == "7F10") {
                child["children"].push_back({{"id", "6F44"},
                                             {"type", "EF"},
                                             {"name", "EF_LND"},
                                             {"structure", "cyclic"},
                                             {"recordLength", 28},
                                             {"recordCount", 5}});
            }
        }
    }));
    ASSERT_TRUE(Load(BookKind::Sms));
    const std::vector<std::uint16_t> path = {0x7F25, 0x6F3C};
    std::set<int> expected;
    for (int r = 1; r <= 10; ++r) {
        if (card.Record(path, r, 255)[0] != 0) {
            expected.insert(r - 1);
        }
    }
    std::set<int> shown;
    for (const BookRow& row : view_.rows) {
        shown.insert(row.slot);
        EXPECT_FALSE(row.cells[4].isEmpty()) << row.slot;
    }
    EXPECT_EQ(shown, expected);
    const auto log = trace_.TakeLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "card type R-UIM"), log.end());
}

// VERIFY follows the R-UIM probe on a GSM SIM; the SIM must still be spoken
// to in its own command set.
TEST_F(LoadThroughPcscd, PinEnabledCardAsksAndVerifies) {
    CardInSlot card(EditedProfile(
        "book_gsm_sim.json", [](nlohmann::json& profile) { profile["chv1"]["enabled"] = true; }));
    prompt_.codes = {u"0000", u"1234"};
    ASSERT_FALSE(loader_.Start(BookKind::Phone, pins_, prompt_, view_));
    auto log = trace_.TakeLog();
    EXPECT_EQ(log.back(), "message 124");
    ASSERT_TRUE(Load(BookKind::Phone));
    log = trace_.TakeLog();
    // The card counted the wrong code.
    EXPECT_NE(std::find(log.begin(), log.end(), "ask PIN 2"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "status 250 / 5 / 245"), log.end());
    // Verified once, the next Load on the same card asks nothing.
    ASSERT_TRUE(Load(BookKind::Phone));
    log = trace_.TakeLog();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& l) { return l.starts_with("ask"); }),
              0);
}

TEST_F(LoadThroughPcscd, PinActionsReachTheCard) {
    CardInSlot card(Profile("book_gsm_sim.json"));
    auto messages = [this](int id) { trace_.Note("message " + std::to_string(id)); };
    prompt_.codes = {u"1234", u"1234"};
    RunPinAction(PinAction::Enable, library_, pins_, prompt_, messages);
    RunPinAction(PinAction::Enable, library_, pins_, prompt_, messages);
    RunPinAction(PinAction::Disable, library_, pins_, prompt_, messages);
    const auto log = trace_.TakeLog();
    EXPECT_EQ(log, std::vector<std::string>(
                       {"ask PIN 3", "message 153", "message 148", "ask PIN 3", "message 155"}));
}

TEST_F(LoadThroughPcscd, CardTakenOutDuringTheReadIsReported) {
    auto card = std::make_unique<CardInSlot>(Profile("book_gsm_sim.json"));
    ASSERT_TRUE(loader_.Start(BookKind::Phone, pins_, prompt_, view_));
    while (!loader_.Tick(view_) && (view_.percents.empty() || view_.percents.back() < 10)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    card->Remove();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (loader_.Running() && std::chrono::steady_clock::now() < deadline) {
        loader_.Tick(view_);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_FALSE(loader_.Running());
    auto log = trace_.TakeLog();
    const auto reported = std::find_if(
        log.begin(), log.end(), [](const std::string& l) { return l.starts_with("message 183 "); });
    ASSERT_NE(reported, log.end());
    const int unread = std::stoi(reported->substr(12));
    EXPECT_GT(unread, 0);
    EXPECT_EQ(static_cast<int>(books_->phone.unreadable.count()), unread);
    // The editor goes on: the next card loads.
    card = std::make_unique<CardInSlot>(Profile("book_gsm_sim.json"));
    EXPECT_TRUE(Load(BookKind::Phone));
    EXPECT_EQ(books_->phone.unreadable.count(), 0u);
}

} // namespace
} // namespace brisken

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
