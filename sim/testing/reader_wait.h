// Waits for a reader of the sandbox to show a card, or to show none. Shared by
// the Linux helpers and their Windows form (reader names differ, the wait
// does not).
#pragma once

#include <winscard.h>

#include <chrono>
#include <string>
#include <thread>

namespace sandbox {

inline bool WaitForReaderState(const std::string& name, bool present, int timeoutMs) {
    SCARDCONTEXT context = 0;
    if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context) != SCARD_S_SUCCESS)
        return false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool reached = false;
    while (!reached && std::chrono::steady_clock::now() < deadline) {
        SCARD_READERSTATE state{};
        state.szReader = name.c_str();
        state.dwCurrentState = SCARD_STATE_UNAWARE;
        if (SCardGetStatusChange(context, 0, &state, 1) == SCARD_S_SUCCESS)
            reached = ((state.dwEventState & SCARD_STATE_PRESENT) != 0) == present;
        if (!reached)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    SCardReleaseContext(context);
    return reached;
}

} // namespace sandbox
