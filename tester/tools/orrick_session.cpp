// A whole production-line session on the simulated reader, without a window:
// the scenario plugs the reader and inserts cards, the engine tests them, and
// the log (with its verdict lines) goes to a file.
//
//   orrick-session --simulate PROFILE.json --scenario FILE.json --log-file FILE
//                  [--settings FILE.INI]
#include "log_pane.h"
#include "scenario.h"
#include "sim_reader.h"
#include "smart_card_test.h"
#include "test_engine.h"
#include "test_settings.h"

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;

void Usage() {
    std::fprintf(stderr, "usage: orrick-session --simulate PROFILE.json --scenario FILE.json "
                         "--log-file FILE [--settings FILE.INI]\n");
}

// Options of the form --name VALUE; false on anything else.
bool ParseOptions(int argc, char** argv, std::map<std::string, std::string>& options) {
    static const char* const kKnown[] = {"--simulate", "--scenario", "--log-file", "--settings"};
    for (int i = 1; i < argc; i += 2) {
        const std::string name = argv[i];
        if (std::find(std::begin(kKnown), std::end(kKnown), name) == std::end(kKnown) ||
            i + 1 >= argc || options.count(name))
            return false;
        options[name] = argv[i + 1];
    }
    return options.count("--simulate") && options.count("--scenario") &&
           options.count("--log-file");
}

} // namespace

int main(int argc, char** argv) {
    const auto programStart = std::chrono::steady_clock::now();
    std::map<std::string, std::string> options;
    if (!ParseOptions(argc, argv, options)) {
        Usage();
        return kExitUsage;
    }

    orrick::TestSettings settings;
    if (options.count("--settings")) {
        const std::filesystem::path path = options["--settings"];
        orrick::LabelSettings labels;
        // The window treats a missing file as defaults; named here it is a mistake.
        if (!std::filesystem::is_regular_file(path) ||
            !orrick::LoadSettingFile(path, settings, labels)) {
            std::fprintf(stderr, "orrick-session: cannot read settings %s\n", path.c_str());
            return kExitUsage;
        }
    }

    simreader::SimReaderBackend backend;
    size_t controller = 0;
    simreader::Scenario scenario;
    try {
        controller = simreader::LoadReaderProfile(backend, options["--simulate"]);
        scenario = simreader::LoadScenario(options["--scenario"]);
        simreader::PrepareImages(scenario);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orrick-session: %s\n", e.what());
        return kExitUsage;
    }

    std::string error;
    const auto sink = orrick::LogSink::Open(options["--log-file"], error);
    if (!sink) {
        std::fprintf(stderr, "orrick-session: %s\n", error.c_str());
        return kExitUsage;
    }

    // Interrupts end the session through the player, on a thread of their own.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    int status = 0;
    {
        orrick::PcscSmartCardService smartCards;
        orrick::TestEngine engine(backend, smartCards);
        engine.SetSettings(settings);
        engine.SetLogSink(sink.get());
        simreader::ScenarioPlayer player(std::move(scenario), backend, controller, engine);
        player.onProblem = [](const std::string& text) {
            std::fprintf(stderr, "orrick-session: %s\n", text.c_str());
        };

        std::thread signalWaiter([&] {
            int received = 0;
            sigwait(&signals, &received);
            if (received != SIGUSR1)
                player.RequestStop();
        });

        engine.Start();
        const bool quit = player.Play(programStart);
        engine.Stop();
        pthread_kill(signalWaiter.native_handle(), SIGUSR1);
        signalWaiter.join();
        if (!quit)
            std::fprintf(stderr, "orrick-session: interrupted\n");
    }
    if (sink->Failed()) {
        std::fprintf(stderr, "orrick-session: writing the log file failed\n");
        status = kExitFailure;
    }
    return status;
}
