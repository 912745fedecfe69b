#include "program.h"

#include "sg_backend.h"

#include <QMetaObject>

#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace orrick::ui {

OrrickProgram::OrrickProgram(const ToolOptions& options, const std::filesystem::path& programDir,
                             ProgramParts parts) {
    if (options.scenario && !options.profile)
        throw std::runtime_error("--scenario needs --simulate");
    if (options.settings) {
        TestSettings settings;
        LabelSettings labels;
        LoadNamedSettings(*options.settings, settings, labels);
    }

    WindowOptions w;
    if (options.profile) {
        line_ = std::make_unique<SimulatedLine>(*options.profile, options.scenario);
        w.backend = &line_->Backend();
        // The simulator's plug events take the path udev's take.
        auto pipe = std::make_unique<PipeBlockMonitor>();
        simEvents_ = pipe.get();
        w.monitor = std::move(pipe);
    } else {
        realBackend_ = std::make_unique<SgIoBackend>();
        w.backend = realBackend_.get();
        std::string error;
        w.monitor = UdevBlockMonitor::Open(error);
        if (!w.monitor)
            std::fprintf(stderr, "orrick: %s; readers plugged in later are not seen\n",
                         error.c_str());
    }
    if (options.logFile) {
        std::string error;
        sink_ = LogSink::Open(*options.logFile, error);
        if (!sink_)
            throw std::runtime_error(error);
    }
    if (!parts.smartCards) {
        ownSmartCards_ = std::make_unique<PcscSmartCardService>();
        parts.smartCards = ownSmartCards_.get();
    }
    w.smartCards = parts.smartCards;
    w.rwTest = std::move(parts.rwTest);
    w.delay = std::move(parts.delay);
    w.programDir = programDir;
    w.lockFolder = parts.lockFolder;
    w.settingsFile = options.settings;
    w.logSink = sink_.get();
    // The scenario's first plug must find the reader away before anything scans.
    if (line_ && line_->HasScenario())
        player_ = line_->MakePlayer(*simEvents_);
    window_ = std::make_unique<MainWindow>(std::move(w));
    window_->onClosed = [this] { StopScenario(); };
    if (player_)
        player_->onProblem = [](const std::string& text) {
            std::fprintf(stderr, "orrick: %s\n", text.c_str());
        };
}

OrrickProgram::~OrrickProgram() {
    StopScenario();
    // The window stops the engine before the reader and the log file go.
    window_.reset();
}

void OrrickProgram::Show() {
    window_->show();
    if (window_->SecondInstance()) {
        std::fprintf(stderr, "orrick: another tester is running; this one closes\n");
        return;
    }
    if (!player_)
        return;
    const auto start = std::chrono::steady_clock::now();
    MainWindow* window = window_.get();
    playerThread_ = std::thread([this, start, window] {
        if (!player_->Play(start))
            return;
        scenarioQuit_ = true;
        QMetaObject::invokeMethod(
            window, [window] { window->close(); }, Qt::QueuedConnection);
    });
}

void OrrickProgram::StopScenario() {
    if (player_)
        player_->RequestStop();
    if (playerThread_.joinable())
        playerThread_.join();
}

int OrrickProgram::ExitCode() const {
    if (sink_ && sink_->Failed()) {
        std::fprintf(stderr, "orrick: writing the log file failed\n");
        return 1;
    }
    return 0;
}

} // namespace orrick::ui
