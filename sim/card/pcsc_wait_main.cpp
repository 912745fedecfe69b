// pcsc-wait: waits until the PC/SC service lists the wanted readers and
// cards, so that a sandbox is only declared ready when it is.
//
//   pcsc-wait --readers N --cards M [--timeout SECONDS]
//
// Exit 0 when at least N readers with at least M cards present were seen,
// 1 on time-out (the last state is printed).
#include <winscard.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Seen {
    int readers = 0;
    int cards = 0;
    std::vector<std::string> names;
};

Seen Look() {
    Seen seen;
    SCARDCONTEXT context = 0;
    if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context) != SCARD_S_SUCCESS)
        return seen;
    DWORD size = 0;
    if (SCardListReaders(context, nullptr, nullptr, &size) == SCARD_S_SUCCESS && size > 0) {
        std::vector<char> list(size + 1, '\0');
        if (SCardListReaders(context, nullptr, list.data(), &size) == SCARD_S_SUCCESS) {
            for (const char* p = list.data(); *p != '\0'; p += std::strlen(p) + 1)
                seen.names.emplace_back(p);
        }
    }
    std::vector<SCARD_READERSTATE> states(seen.names.size());
    for (std::size_t i = 0; i < states.size(); ++i) {
        states[i] = SCARD_READERSTATE{};
        states[i].szReader = seen.names[i].c_str();
        states[i].dwCurrentState = SCARD_STATE_UNAWARE;
    }
    seen.readers = static_cast<int>(states.size());
    if (!states.empty() &&
        SCardGetStatusChange(context, 0, states.data(), static_cast<DWORD>(states.size())) ==
            SCARD_S_SUCCESS) {
        for (const SCARD_READERSTATE& s : states)
            if (s.dwEventState & SCARD_STATE_PRESENT)
                ++seen.cards;
    }
    SCardReleaseContext(context);
    return seen;
}

} // namespace

int main(int argc, char** argv) {
    int wantReaders = 1, wantCards = 0;
    double timeout = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--readers") == 0)
            wantReaders = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--cards") == 0)
            wantCards = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--timeout") == 0)
            timeout = std::atof(argv[i + 1]);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout);
    Seen seen;
    for (;;) {
        seen = Look();
        if (seen.readers >= wantReaders && seen.cards >= wantCards)
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            std::fprintf(stderr, "pcsc-wait: %d readers, %d cards after %.0f s\n", seen.readers,
                         seen.cards, timeout);
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    for (const std::string& name : seen.names)
        std::printf("%s\n", name.c_str());
    return 0;
}
