// orrick [--simulate PROFILE.json [--scenario FILE.json]] [--log-file FILE]
//        [--settings FILE.ini]
//
// The production-line tester. Without --simulate it tests the readers
// plugged into this machine.
#include "program.h"

#include <QApplication>
#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <vector>

namespace {

int signalPipe[2] = {-1, -1};

void OnStopSignal(int) {
    const char stop = 1;
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &stop, 1);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Qt has taken its own options out of the list.
    std::vector<QByteArray> args;
    for (const QString& arg : QApplication::arguments())
        args.push_back(arg.toLocal8Bit());
    std::vector<const char*> argp;
    for (const QByteArray& arg : args)
        argp.push_back(arg.constData());
    const auto options = orrick::ParseToolOptions(static_cast<int>(argp.size()), argp.data());
    if (!options) {
        std::fprintf(stderr, "usage: orrick [--simulate PROFILE.json [--scenario FILE.json]] "
                             "[--log-file FILE] [--settings FILE.ini]\n");
        return 2;
    }
    std::unique_ptr<orrick::ui::OrrickProgram> program;
    try {
        program = std::make_unique<orrick::ui::OrrickProgram>(
            *options, QApplication::applicationDirPath().toStdString());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orrick: %s\n", e.what());
        return 2;
    }
    // SIGINT and SIGTERM close the window as Exit does: the engine stops
    // and its threads end before the program does.
    std::unique_ptr<QSocketNotifier> stopNotifier;
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        stopNotifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(stopNotifier.get(), &QSocketNotifier::activated, [&program] {
            char drain[16];
            while (read(signalPipe[0], drain, sizeof drain) > 0) {
            }
            program->Window().close();
        });
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
    }
    program->Show();
    app.exec();
    const int code = program->ExitCode();
    program.reset();
    return code;
}
