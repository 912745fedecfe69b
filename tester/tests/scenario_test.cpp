// Scenario files: parsing untrusted JSON, card images, and playing the events.
#include "scenario.h"
#include "sim_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

namespace orrick::testing {
namespace {

using simreader::ParseScenario;
using simreader::ScenarioAction;
using simreader::ScenarioError;

TEST(ScenarioTest, ParsesEventsInTimeOrderWithImagesBesideTheFile) {
    const auto s = ParseScenario(R"({"events": [
        {"at_ms": 6000, "event": "quit"},
        {"at_ms": 0, "event": "plug"},
        {"at_ms": 300, "event": "insert", "slot": 1, "image": "sd.img", "sectors": 65536},
        {"at_ms": 300, "event": "insert", "slot": 0, "image": "cards/wp.img", "sectors": 8192,
         "write_protect": true},
        {"at_ms": 3500, "event": "insert", "slot": 4, "image": "ms.img", "sectors": 8192,
         "init_fail": true},
        {"at_ms": 3000, "event": "remove", "slot": 1},
        {"at_ms": 5000, "event": "unplug"}]})",
                                 "/data/line3");
    ASSERT_EQ(s.events.size(), 7u);
    std::vector<ScenarioAction> order;
    for (const auto& e : s.events)
        order.push_back(e.action);
    EXPECT_EQ(order, (std::vector<ScenarioAction>{ScenarioAction::Plug, ScenarioAction::Insert,
                                                  ScenarioAction::Insert, ScenarioAction::Remove,
                                                  ScenarioAction::Insert, ScenarioAction::Unplug,
                                                  ScenarioAction::Quit}));
    // Equal times keep the file's order.
    EXPECT_EQ(s.events[1].slot, 1);
    EXPECT_EQ(s.events[2].image, "/data/line3/cards/wp.img");
    EXPECT_TRUE(s.events[2].writeProtect);
    EXPECT_FALSE(s.events[2].initFail);
    EXPECT_EQ(s.events[2].sectors, 8192u);
    EXPECT_TRUE(s.events[4].initFail);
}

TEST(ScenarioTest, BadInputGivesAClearError) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"events": [)", "not valid JSON"},
        {R"([])", "top level"},
        {R"({"event": []})", "\"events\""},
        {R"({"events": {}})", "\"events\""},
        {R"({"events": [7]})", "event 0: not an object"},
        {R"({"events": [{"event": "plug"}]})", "missing \"at_ms\""},
        {R"({"events": [{"at_ms": -5, "event": "plug"}]})", "negative"},
        {R"({"events": [{"at_ms": 1.5, "event": "plug"}]})", "whole number"},
        {R"({"events": [{"at_ms": "0", "event": "plug"}]})", "whole number"},
        {R"({"events": [{"at_ms": 1e300, "event": "plug"}]})", "whole number"},
        {R"({"events": [{"at_ms": 99999999999, "event": "plug"}]})", "too large"},
        {R"({"events": [{"at_ms": 0}]})", "missing \"event\""},
        {R"({"events": [{"at_ms": 0, "event": "shake"}]})", "unknown event \"shake\""},
        {R"({"events": [{"at_ms": 0, "event": 3}]})", "\"event\" must be a text"},
        {R"({"events": [{"at_ms": 0, "event": "remove"}]})", "missing \"slot\""},
        {R"({"events": [{"at_ms": 0, "event": "remove", "slot": 7}]})", "out of range"},
        {R"({"events": [{"at_ms": 0, "event": "remove", "slot": -1}]})", "out of range"},
        {R"({"events": [{"at_ms": 0, "event": "remove", "slot": 18446744073709551615}]})",
         "out of range"},
        {R"({"events": [{"at_ms": 0, "event": "remove", "slot": "1"}]})", "whole number"},
        {R"({"events": [{"at_ms": 0, "event": "insert", "slot": 1, "sectors": 8}]})",
         "missing \"image\""},
        {R"({"events": [{"at_ms": 0, "event": "insert", "slot": 1, "image": "", "sectors": 8}]})",
         "\"image\""},
        {R"({"events": [{"at_ms": 0, "event": "insert", "slot": 1, "image": "/etc/x", "sectors": 8}]})",
         "relative"},
        {R"({"events": [{"at_ms": 0, "event": "insert", "slot": 1, "image": "a.img"}]})",
         "missing \"sectors\""},
        {R"({"events": [{"at_ms": 0, "event": "insert", "slot": 1, "image": "a", "sectors": 0}]})",
         "at least 1"},
        {R"({"events": [{"at_ms": 0, "event": "insert", "slot": 1, "image": "a", "sectors": 4294967296}]})",
         "too large"},
        {R"({"events": [{"at_ms": 0, "event": "insert", "slot": 1, "image": "a", "sectors": 8,
             "write_protect": "yes"}]})",
         "true or false"},
        {R"({"events": [{"at_ms": 0, "event": "insert", "slot": 1, "image": "a", "sectors": 8,
             "writeprotect": true}]})",
         "unexpected \"writeprotect\""},
        {R"({"events": [{"at_ms": 0, "event": "plug", "slot": 1}]})", "unexpected \"slot\""},
        {R"({"events": [{"at_ms": 0, "event": "plug"}, {"at_ms": 5, "event": "bad"}]})",
         "event 1:"},
    };
    for (const auto& [json, expected] : cases) {
        try {
            ParseScenario(json, "/tmp");
            ADD_FAILURE() << "accepted: " << json;
        } catch (const ScenarioError& e) {
            EXPECT_NE(std::string(e.what()).find(expected), std::string::npos)
                << json << " -> " << e.what();
        }
    }
    EXPECT_THROW(simreader::LoadScenario("/nonexistent/scenario.json"), ScenarioError);
}

TEST(ScenarioTest, MissingImagesAreMadeSparseAndExistingOnesKept) {
    TempDir dir;
    std::ofstream(dir.path() / "old.img") << "keep me";
    std::filesystem::create_directory(dir.path() / "dir.img");
    auto s = ParseScenario(R"({"events": [
        {"at_ms": 0, "event": "insert", "slot": 1, "image": "new.img", "sectors": 65536},
        {"at_ms": 0, "event": "insert", "slot": 2, "image": "old.img", "sectors": 8}]})",
                           dir.path());
    simreader::PrepareImages(s);
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "new.img"), 65536u * 512);
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "old.img"), 7u);

    s = ParseScenario(
        R"({"events": [{"at_ms": 0, "event": "insert", "slot": 1, "image": "dir.img", "sectors": 8}]})",
        dir.path());
    EXPECT_THROW(simreader::PrepareImages(s), ScenarioError);
    s = ParseScenario(
        R"({"events": [{"at_ms": 0, "event": "insert", "slot": 1, "image": "no/such.img", "sectors": 8}]})",
        dir.path());
    EXPECT_THROW(simreader::PrepareImages(s), ScenarioError);
}

// What the tester would see at each device event.
class RecordingEvents : public DeviceEvents {
public:
    explicit RecordingEvents(simreader::SimReaderBackend& sim) : sim_(sim) {}
    void OnDeviceArrival() override { seen.push_back("arrival " + Drives()); }
    void OnDeviceRemoval() override { seen.push_back("removal " + Drives()); }
    std::vector<std::string> seen;

private:
    std::string Drives() { return std::to_string(sim_.ListDrives().size()); }
    simreader::SimReaderBackend& sim_;
};

class ScenarioPlayerTest : public SimReaderTest {};

TEST_F(ScenarioPlayerTest, PlaysReaderAndCardEventsUntilQuit) {
    TempDir dir;
    simreader::SimController& reader =
        AddReader(simreader::Family::MultiSlot, Names({"sdb", "sdc", "sdd", "sde"}));
    auto s = ParseScenario(R"({"events": [
        {"at_ms": 0, "event": "plug"},
        {"at_ms": 10, "event": "insert", "slot": 1, "image": "sd.img", "sectors": 64,
         "write_protect": true},
        {"at_ms": 20, "event": "insert", "slot": 4, "image": "ms.img", "sectors": 64},
        {"at_ms": 30, "event": "remove", "slot": 4},
        {"at_ms": 40, "event": "unplug"},
        {"at_ms": 50, "event": "plug"},
        {"at_ms": 60, "event": "quit"},
        {"at_ms": 70, "event": "unplug"}]})",
                           dir.path());
    simreader::PrepareImages(s);
    RecordingEvents events(backend);
    simreader::ScenarioPlayer player(std::move(s), backend, 0, events);
    EXPECT_TRUE(backend.ListDrives().empty()); // the session starts by plugging it in

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(player.Play(start));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));
    // Nothing after quit is played; the unplugged reader took its cards along.
    EXPECT_EQ(events.seen, (std::vector<std::string>{"arrival 4", "removal 0", "arrival 4"}));
    EXPECT_FALSE(reader.HasCard(1));
    EXPECT_FALSE(reader.HasCard(4));
}

TEST_F(ScenarioPlayerTest, CardStateFollowsTheEvents) {
    TempDir dir;
    simreader::SimController& reader = AddReader(simreader::Family::TwoSlot, Names({"sdb", "sdc"}));
    auto s = ParseScenario(R"({"events": [
        {"at_ms": 0, "event": "insert", "slot": 0, "image": "wp.img", "sectors": 64,
         "write_protect": true},
        {"at_ms": 0, "event": "insert", "slot": 1, "image": "bad.img", "sectors": 64,
         "init_fail": true},
        {"at_ms": 0, "event": "insert", "slot": 4, "image": "ms.img", "sectors": 64}]})",
                           dir.path());
    simreader::PrepareImages(s);
    RecordingEvents events(backend);
    simreader::ScenarioPlayer player(std::move(s), backend, 0, events);
    std::vector<std::string> problems;
    player.onProblem = [&](const std::string& p) { problems.push_back(p); };

    // Without a quit the player waits after its last event until told to stop.
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        player.RequestStop();
    });
    EXPECT_FALSE(player.Play(std::chrono::steady_clock::now()));
    stopper.join();
    EXPECT_EQ(reader.SlotStatusByte(0), 0x07);
    EXPECT_EQ(reader.SlotStatusByte(1), 0x21);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("no slot 4"), std::string::npos);
    EXPECT_FALSE(backend.ListDrives().empty()); // no plug event: present throughout
}

} // namespace
} // namespace orrick::testing
