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
    simreader::SimReaderBackend backend_;
    std::unique_ptr<LogSink> sink_;
    std::unique_ptr<TestEngine> engine_;
    std::unique_ptr<simreader::ScenarioPlayer> player_;
};

} // namespace orrick
