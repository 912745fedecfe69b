// Whole sessions as orrick-session runs them: scenario, engine, log file.
#include "engine_fixture.h"
#include "session.h"

#include <fstream>
#include <set>
#include <sstream>

namespace orrick::testing {
namespace {

std::vector<std::string> FileLines(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void Write(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path) << text;
}

TEST(SessionOptionsTest, RequiredOptionsOnceEachAndNothingElse) {
    auto parse = [](std::vector<const char*> args) {
        args.insert(args.begin(), "orrick-session");
        return ParseSessionOptions(static_cast<int>(args.size()), args.data());
    };
    const auto full = parse(
        {"--simulate", "r.json", "--scenario", "s.json", "--log-file", "l", "--settings", "t.ini"});
    ASSERT_TRUE(full);
    EXPECT_EQ(full->profile, "r.json");
    EXPECT_EQ(full->settings, std::filesystem::path("t.ini"));
    EXPECT_TRUE(parse({"--log-file", "l", "--scenario", "s.json", "--simulate", "r.json"}));
    EXPECT_FALSE(parse({"--simulate", "r.json", "--scenario", "s.json"}));
    EXPECT_FALSE(parse({"--simulate", "r.json", "--scenario", "s.json", "--log-file"}));
    EXPECT_FALSE(parse({"--simulate", "r.json", "--scenario", "s.json", "--log-file", "l",
                        "--simulate", "x.json"}));
    EXPECT_FALSE(parse(
        {"--simulate", "r.json", "--scenario", "s.json", "--log-file", "l", "--verbose", "1"}));
}

class SessionTest : public ::testing::Test {
protected:
    SessionTest() {
        options.profile = dir.path() / "reader.json";
        options.scenario = dir.path() / "scenario.json";
        options.logFile = dir.path() / "session.log";
        options.settings = dir.path() / "line.ini";
        // Every slot of a seven-slot reader: SM/xD and MS/MS2 share their LUNs.
        Write(options.profile, R"({"family": "MultiSlot", "slotLuns": [0, 1, 2, 2, 3, 4, 3],
                                   "drives": ["sdb", "sdc", "sdd", "sde", "sdf"]})");
        TestSettings settings = MemorySlots({0, 1, 2, 3, 4, 5, 6});
        EXPECT_TRUE(SaveSettingFile(*options.settings, settings, LabelSettings{}));
    }

    TempDir dir;
    SessionOptions options;
    FakeSmartCards cards; // no PC/SC reader
};

TEST_F(SessionTest, ScriptedLineSessionLogsEveryVerdict) {
    Write(options.scenario, R"({"events": [
        {"at_ms": 0,    "event": "plug"},
        {"at_ms": 300,  "event": "insert", "slot": 0, "image": "cf.img", "sectors": 8192},
        {"at_ms": 300,  "event": "insert", "slot": 1, "image": "wp.img", "sectors": 8192,
         "write_protect": true},
        {"at_ms": 300,  "event": "insert", "slot": 2, "image": "sm.img", "sectors": 4096},
        {"at_ms": 300,  "event": "insert", "slot": 4, "image": "ms.img", "sectors": 8192,
         "init_fail": true},
        {"at_ms": 300,  "event": "insert", "slot": 5, "image": "sd2.img", "sectors": 65536},
        {"at_ms": 300,  "event": "insert", "slot": 6, "image": "ms2.img", "sectors": 8192},
        {"at_ms": 4000, "event": "remove", "slot": 0},
        {"at_ms": 4000, "event": "remove", "slot": 1},
        {"at_ms": 4500, "event": "unplug"},
        {"at_ms": 5500, "event": "plug"},
        {"at_ms": 5800, "event": "insert", "slot": 1, "image": "sd.img", "sectors": 8192},
        {"at_ms": 5800, "event": "insert", "slot": 3, "image": "xd.img", "sectors": 8192},
        {"at_ms": 9500, "event": "quit"}]})");
    {
        Session session(options, cards, ShortSleep);
        EXPECT_TRUE(session.Run(std::chrono::steady_clock::now()));
        EXPECT_FALSE(session.LogFailed());
    }

    const auto lines = FileLines(options.logFile);
    // The verdicts of each reader's run, apart.
    std::vector<std::set<std::string>> runs(1);
    for (const std::string& line : lines) {
        if (line == "Device plug out !! " && !runs.back().empty())
            runs.emplace_back();
        if (line.starts_with("verdict "))
            runs.back().insert(line);
    }
    ASSERT_EQ(runs.size(), 2u) << ::testing::PrintToString(lines);
    EXPECT_EQ(runs[0],
              (std::set<std::string>{"verdict 0 Pass-(2)", "verdict 1 NG-(0)", "verdict 2 Pass-(2)",
                                     "verdict 4 NG-(0)", "verdict 5 Pass-(2)"}));
    // The SM/xD column now shows the xD card's verdict.
    EXPECT_EQ(runs[1], (std::set<std::string>{"verdict 1 Pass-(2)", "verdict 3 Pass-(2)"}));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Device Found!!"), 2);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "MS slot Card InitFail .. !!"), 1);

    // The tested cards hold what they held before (zeros) and stay for the next session.
    for (const char* name : {"cf.img", "sm.img", "sd2.img", "sd.img", "xd.img"}) {
        std::ifstream image(dir.path() / name, std::ios::binary);
        std::string content((std::istreambuf_iterator<char>(image)), {});
        EXPECT_EQ(content.find_first_not_of('\0'), std::string::npos) << name;
    }
}

TEST_F(SessionTest, BadInputStopsBeforeTheSessionStarts) {
    Write(options.scenario, R"({"events": [{"at_ms": 0, "event": "quit"}]})");
    auto message = [&](const SessionOptions& o) -> std::string {
        try {
            Session session(o, cards, ShortSleep);
        } catch (const std::exception& e) {
            return e.what();
        }
        return "";
    };
    EXPECT_EQ(message(options), "");

    SessionOptions o = options;
    o.settings = dir.path() / "missing.ini";
    EXPECT_NE(message(o).find("missing.ini"), std::string::npos);
    o = options;
    o.profile = dir.path() / "missing.json";
    EXPECT_NE(message(o).find("missing.json"), std::string::npos);
    o = options;
    Write(dir.path() / "bad.json", R"({"events": [{"at_ms": 0, "event": "plug", "slot": 2}]})");
    o.scenario = dir.path() / "bad.json";
    EXPECT_NE(message(o).find("unexpected \"slot\""), std::string::npos);
    o = options;
    o.logFile = dir.path();
    EXPECT_NE(message(o).find("log file"), std::string::npos);
}

// The format options of a setting file reach the cards of a two-slot reader.
TEST_F(SessionTest, TwoSlotSessionFormatsTheCardOfTheTickedSlot) {
    Write(options.profile,
          R"({"family": "TwoSlot", "slotLuns": [0, 1], "drives": ["sdb", "sdc"]})");
    TestSettings settings;
    settings.sd = 1;
    settings.sd2 = 1;
    ASSERT_TRUE(
        SaveSettingFile(*options.settings, settings, LabelSettings{false, "", true, "Line B"}));
    Write(options.scenario, R"({"events": [
        {"at_ms": 0,    "event": "plug"},
        {"at_ms": 300,  "event": "insert", "slot": 0, "image": "sd1.img", "sectors": 8192},
        {"at_ms": 300,  "event": "insert", "slot": 1, "image": "sd2.img", "sectors": 20000},
        {"at_ms": 3000, "event": "quit"}]})");
    {
        Session session(options, cards, ShortSleep);
        EXPECT_TRUE(session.Run(std::chrono::steady_clock::now()));
    }
    const auto lines = FileLines(options.logFile);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Total Sec = 20000(4e20)"), 1)
        << ::testing::PrintToString(lines);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Fmt_Process End..."), 1);

    auto content = [&](const char* name) {
        std::ifstream image(dir.path() / name, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(image)), {});
    };
    EXPECT_EQ(content("sd1.img").find_first_not_of('\0'), std::string::npos);
    const std::string sd2 = content("sd2.img");
    ASSERT_EQ(sd2.size(), 20000u * 512);
    EXPECT_EQ(sd2.substr(510, 2), "\x55\xAA");
    const size_t root = size_t{ChooseFatGeometry(20000)->FirstDataSector()} * 512;
    EXPECT_EQ(sd2.substr(root, 11), "LINE B     ");
}

} // namespace
} // namespace orrick::testing
