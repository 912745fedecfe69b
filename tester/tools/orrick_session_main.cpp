// orrick-session --simulate PROFILE.json --scenario FILE.json --log-file FILE
//                [--settings FILE.INI]
//
// Runs a whole production-line session on the simulated reader, unattended,
// and exits when the scenario quits (or on SIGINT / SIGTERM).
#include "session.h"

#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <thread>

int main(int argc, char** argv) {
    const auto programStart = std::chrono::steady_clock::now();
    const auto options = orrick::ParseSessionOptions(argc, argv);
    if (!options) {
        std::fprintf(stderr, "usage: orrick-session --simulate PROFILE.json --scenario "
                             "FILE.json --log-file FILE [--settings FILE.INI]\n");
        return 2;
    }

    // Blocked before any thread starts, so that only the waiter below sees them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    orrick::PcscSmartCardService smartCards;
    std::unique_ptr<orrick::Session> session;
    try {
        session = std::make_unique<orrick::Session>(*options, smartCards);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orrick-session: %s\n", e.what());
        return 2;
    }

    std::thread signalWaiter([&] {
        int received = 0;
        sigwait(&signals, &received);
        if (received != SIGUSR1)
            session->RequestStop();
    });
    const bool quit = session->Run(programStart);
    pthread_kill(signalWaiter.native_handle(), SIGUSR1);
    signalWaiter.join();

    const bool logFailed = session->LogFailed();
    session.reset();
    if (!quit)
        std::fprintf(stderr, "orrick-session: interrupted\n");
    if (logFailed) {
        std::fprintf(stderr, "orrick-session: writing the log file failed\n");
        return 1;
    }
    return 0;
}
