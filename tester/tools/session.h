// A production-line session on the simulated reader without a window: the
// scenario plays the operator, the engine tests, the log goes to a file.
#pragma once

#include "log_pane.h"
#include "scenario.h"
#include "sim_reader.h"
#include "smart_card_test.h"
#include "test_engine.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>

namespace orrick {

// The options the tester's programs share: each at most once, each with a value.
struct ToolOptions {
    std::optional<std::filesystem::path> profile;  // --simulate PROFILE.json
    std::optional<std::filesystem::path> scenario; // --scenario FILE.json
    std::optional<std::filesystem::path> logFile;  // --log-file FILE
    std::optional<std::filesystem::path> settings; // --settings FILE.ini
};
std::optional<ToolOptions> ParseToolOptions(int argc, const char* const* argv);

// The simulated reader of a profile, and the scenario that plays the
// operator on it. Throws std::runtime_error saying what is wrong.
class SimulatedLine {
public:
    SimulatedLine(const std::filesystem::path& profile,
                  const std::optional<std::filesystem::path>& scenario);

    simreader::SimReaderBackend& Backend() { return backend_; }
    bool HasScenario() const { return scenario_.has_value(); }
    // Made before the engine starts: a scenario that begins with plugging
    // the reader in takes it away first. Null without a scenario.
    std::unique_ptr<simreader::ScenarioPlayer> MakePlayer(DeviceEvents& events);

private:
    simreader::SimReaderBackend backend_;
    size_t controller_ = 0;
    std::optional<simreader::Scenario> scenario_;
};

// A setting file named on the command line must exist and be readable.
void LoadNamedSettings(const std::filesystem::path& file, TestSettings& settings,
                       LabelSettings& labels);

struct SessionOptions {
    std::filesystem::path profile;  // --simulate
    std::filesystem::path scenario; // --scenario
    std::filesystem::path logFile;  // --log-file
    std::optional<std::filesystem::path> settings;
};

// --simulate, --scenario and --log-file are required, --settings optional;
// none twice, nothing else.
std::optional<SessionOptions> ParseSessionOptions(int argc, const char* const* argv);

class Session {
public:
    // Loads everything first; throws std::runtime_error saying what is wrong.
    Session(const SessionOptions& options, SmartCardService& smartCards, DelayFunction delay = {});
    ~Session();

    // Plays the scenario from start; true when its quit event ended it.
    bool Run(std::chrono::steady_clock::time_point start);
    // Ends Run from another thread.
    void RequestStop();
    bool LogFailed() const { return sink_->Failed(); }

private:
    SimulatedLine line_;
    std::unique_ptr<LogSink> sink_;
    std::unique_ptr<TestEngine> engine_;
    std::unique_ptr<simreader::ScenarioPlayer> player_;
};

} // namespace orrick
