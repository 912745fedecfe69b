#include "session.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>

namespace orrick {

std::optional<SessionOptions> ParseSessionOptions(int argc, const char* const* argv) {
    std::map<std::string, std::string> values;
    for (int i = 1; i < argc; i += 2) {
        const std::string name = argv[i];
        const bool known = name == "--simulate" || name == "--scenario" || name == "--log-file" ||
                           name == "--settings";
        if (!known || i + 1 >= argc || values.count(name))
            return std::nullopt;
        values[name] = argv[i + 1];
    }
    if (!values.count("--simulate") || !values.count("--scenario") || !values.count("--log-file"))
        return std::nullopt;
    SessionOptions options;
    options.profile = values["--simulate"];
    options.scenario = values["--scenario"];
    options.logFile = values["--log-file"];
    if (values.count("--settings"))
        options.settings = values["--settings"];
    return options;
}

Session::Session(const SessionOptions& options, SmartCardService& smartCards, DelayFunction delay) {
    TestSettings settings;
    LabelSettings labels;
    if (options.settings) {
        // The window takes a missing file as defaults; named here it is a mistake.
        if (!std::filesystem::is_regular_file(*options.settings) ||
            !LoadSettingFile(*options.settings, settings, labels))
            throw std::runtime_error("cannot read settings " + options.settings->string());
    }
    const size_t controller = simreader::LoadReaderProfile(backend_, options.profile);
    simreader::Scenario scenario = simreader::LoadScenario(options.scenario);
    simreader::PrepareImages(scenario);
    std::string error;
    sink_ = LogSink::Open(options.logFile, error);
    if (!sink_)
        throw std::runtime_error(error);

    engine_ = std::make_unique<TestEngine>(backend_, smartCards, CardRwTest{}, std::move(delay));
    engine_->SetSettings(settings);
    engine_->SetLabelSettings(labels);
    engine_->SetLogSink(sink_.get());
    player_ = std::make_unique<simreader::ScenarioPlayer>(std::move(scenario), backend_, controller,
                                                          *engine_);
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
