// The tester program from its command line: the reader (real or simulated),
// hotplug, the optional scenario and log file, and the window.
#pragma once

#include "main_window.h"
#include "session.h"

#include <QString>

#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>

namespace orrick::ui {

struct ProgramParts {
    // Null: the system's PC/SC service.
    SmartCardService* smartCards = nullptr;
    CardRwTest rwTest;
    DelayFunction delay;
    QString lockFolder;
};

class OrrickProgram {
public:
    // Throws std::runtime_error saying what is wrong with the options.
    OrrickProgram(const ToolOptions& options, const std::filesystem::path& programDir,
                  ProgramParts parts = {});
    ~OrrickProgram();
    OrrickProgram(const OrrickProgram&) = delete;
    OrrickProgram& operator=(const OrrickProgram&) = delete;

    MainWindow& Window() { return *window_; }
    // Shows the window and starts the scenario, if any.
    void Show();
    // After the event loop: 0, or 1 when the log file could not be written.
    int ExitCode() const;
    // A scenario ended with its quit event.
    bool ScenarioQuit() const { return scenarioQuit_; }

private:
    void StopScenario();

    std::unique_ptr<PcscSmartCardService> ownSmartCards_;
    std::unique_ptr<ScsiBackend> realBackend_;
    std::unique_ptr<SimulatedLine> line_;
    std::unique_ptr<LogSink> sink_;
    PipeBlockMonitor* simEvents_ = nullptr; // owned by the window's notifier
    std::unique_ptr<simreader::ScenarioPlayer> player_;
    std::thread playerThread_;
    std::atomic<bool> scenarioQuit_{false};
    std::unique_ptr<MainWindow> window_;
};

} // namespace orrick::ui
