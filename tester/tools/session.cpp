#include "session.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace orrick {

std::optional<ToolOptions> ParseToolOptions(int argc, const char* const* argv) {
    ToolOptions options;
    for (int i = 1; i < argc; i += 2) {
        const std::string name = argv[i];
        std::optional<std::filesystem::path>* slot = nullptr;
        if (name == "--simulate")
            slot = &options.profile;
        else if (name == "--scenario")
            slot = &options.scenario;
        else if (name == "--log-file")
            slot = &options.logFile;
        else if (name == "--settings")
            slot = &options.settings;
        if (!slot || slot->has_value() || i + 1 >= argc)
            return std::nullopt;
        *slot = std::filesystem::path(argv[i + 1]);
    }
    return options;
}

std::optional<SessionOptions> ParseSessionOptions(int argc, const char* const* argv) {
    const auto parsed = ParseToolOptions(argc, argv);
    if (!parsed || !parsed->profile || !parsed->scenario || !parsed->logFile)
        return std::nullopt;
    SessionOptions options;
    options.profile = *parsed->profile;
    options.scenario = *parsed->scenario;
    options.logFile = *parsed->logFile;
    options.settings = parsed->settings;
    return options;
}

SimulatedLine::SimulatedLine(const std::filesystem::path& profile,
                             const std::optional<std::filesystem::path>& scenario) {
    controller_ = simreader::LoadReaderProfile(backend_, profile);
    if (scenario) {
        scenario_ = simreader::LoadScenario(*scenario);
        simreader::PrepareImages(*scenario_);
    }
}

std::unique_ptr<simreader::ScenarioPlayer> SimulatedLine::MakePlayer(DeviceEvents& events) {
    if (!scenario_)
        return nullptr;
    return std::make_unique<simreader::ScenarioPlayer>(*scenario_, backend_, controller_, events);
}

void LoadNamedSettings(const std::filesystem::path& file, TestSettings& settings,
                       LabelSettings& labels) {
    // The window takes a missing remembered file as defaults; named on the
    // command line it is a mistake.
    if (!std::filesystem::is_regular_file(file) || !LoadSettingFile(file, settings, labels))
        throw std::runtime_error("cannot read settings " + file.string());
}

Session::Session(const SessionOptions& options, SmartCardService& smartCards, DelayFunction delay)
    : line_(options.profile, options.scenario) {
    TestSettings settings;
    LabelSettings labels;
    if (options.settings) {
        LoadNamedSettings(*options.settings, settings, labels);
    }
    std::string error;
    sink_ = LogSink::Open(options.logFile, error);
    if (!sink_)
        throw std::runtime_error(error);

    engine_ =
        std::make_unique<TestEngine>(line_.Backend(), smartCards, CardRwTest{}, std::move(delay));
    engine_->SetSettings(settings);
    engine_->SetLabelSettings(labels);
    engine_->SetLogSink(sink_.get());
    player_ = line_.MakePlayer(*engine_);
    player_->onProblem = [](const std::string& text) {
        std::fprintf(stderr, "orrick-session: %s\n", text.c_str());
    };
}

Session::~Session() {
    // The engine's threads end before the sink and the simulated reader go.
    if (engine_)
        engine_->Stop();
}

bool Session::Run(std::chrono::steady_clock::time_point start) {
    engine_->Start();
    const bool quit = player_->Play(start);
    engine_->Stop();
    return quit;
}

void Session::RequestStop() {
    player_->RequestStop();
}

} // namespace orrick
