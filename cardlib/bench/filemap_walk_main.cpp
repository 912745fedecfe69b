// nimbrel-filemap-bench: the cost of the file-map walks, which is what the
// user waits for in the card-information action. Counts the SELECT commands
// each walk sends (every command passes through the SCardTransmit below on
// its way to pcsc-lite) and times whole walks. Needs a running PC/SC
// sandbox, whose default cards are the GSM SIM and the USIM profiles:
//
//   scripts/pcsc_sandbox.sh run -- build/cardlib/bench/nimbrel-filemap-bench [RUNS]
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>
#include <winscard.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "nimbrel.h"

namespace {

struct Counts {
    long commands = 0;
    long selects = 0;
};
Counts g_counts;

using TransmitFunction = LONG (*)(SCARDHANDLE, const SCARD_IO_REQUEST*, LPCBYTE, DWORD,
                                  SCARD_IO_REQUEST*, LPBYTE, LPDWORD);

TransmitFunction RealTransmit() {
    static auto real = reinterpret_cast<TransmitFunction>(dlsym(RTLD_NEXT, "SCardTransmit"));
    return real;
}

// Sends standard output to /dev/null while it lives.
class QuietStdout {
public:
    QuietStdout() {
        std::fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            close(null);
        }
    }
    ~QuietStdout() {
        std::fflush(stdout);
        if (saved_ >= 0) {
            dup2(saved_, STDOUT_FILENO);
            close(saved_);
        }
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int saved_ = -1;
};

struct Figures {
    Counts perWalk;
    int total = 0;
    double medianMs = 0;
    double minMs = 0;
};

// Runs one walk `runs` times on one connection; false on failure.
bool Measure(const char* name, bool uicc, int runs, Figures* figures) {
    QuarnConnection handle = 0;
    // The GSM SIM sits in a reader the library takes only when told; naming
    // a known reader afterwards drops that assignment again.
    QuarnResult rv = Quarn_ConnectAssignReader(&handle, uicc ? "Generic MultiCard reader 1.0"
                                                             : "Acme Card Terminal");
    if (rv != QUARN_OK) {
        std::fprintf(stderr, "%s: no card (0x%08X)\n", name, rv);
        return false;
    }
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        g_counts = Counts{};
        auto start = std::chrono::steady_clock::now();
        if (uicc) {
            // The UICC walk traces to standard output; keep the figures readable.
            QuietStdout quiet;
            rv = Quarn_GetUSIMFileMapSize(handle, &figures->total);
        } else {
            rv = Quarn_GetSIMFileMapSize(handle, &figures->total);
        }
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        if (rv != QUARN_OK) {
            std::fprintf(stderr, "%s: walk failed (0x%08X)\n", name, rv);
            Quarn_DisConnect(handle);
            return false;
        }
        figures->perWalk = g_counts;
    }
    Quarn_DisConnect(handle);
    std::sort(times.begin(), times.end());
    figures->medianMs = times[times.size() / 2];
    figures->minMs = times.front();
    return true;
}

void Print(const char* name, const Figures& f) {
    std::printf("%-22s SELECTs %6ld  commands %6ld  total %6d bytes  median %8.1f ms  min %8.1f ms"
                "  (%.1f us per command)\n",
                name, f.perWalk.selects, f.perWalk.commands, f.total, f.medianMs, f.minMs,
                1000.0 * f.medianMs / static_cast<double>(std::max(1L, f.perWalk.commands)));
}

} // namespace

extern "C" LONG SCardTransmit(SCARDHANDLE card, const SCARD_IO_REQUEST* sendPci, LPCBYTE command,
                              DWORD commandLength, SCARD_IO_REQUEST* receivePci, LPBYTE response,
                              LPDWORD responseLength) {
    ++g_counts.commands;
    if (commandLength >= 2 && command[1] == 0xA4)
        ++g_counts.selects;
    return RealTransmit()(card, sendPci, command, commandLength, receivePci, response,
                          responseLength);
}

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    if (!RealTransmit()) {
        std::fprintf(stderr, "SCardTransmit of pcsc-lite not found\n");
        return 1;
    }
    std::printf("file-map walks, %d runs each, through pcscd\n", runs);
    Figures sim;
    if (!Measure("SIM walk (GSM SIM)", false, runs, &sim))
        return 1;
    Print("SIM walk (GSM SIM)", sim);
    Figures uicc;
    if (!Measure("UICC walk (USIM)", true, runs, &uicc))
        return 1;
    Print("UICC walk (USIM)", uicc);
    return 0;
}
