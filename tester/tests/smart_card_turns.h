// Shared by the smart-card tests against a scripted service and through
// pcscd: the memory-slot side of the turn-taking, and the reader list answer.
#pragma once

#include <winscard.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>

namespace orrick {

// Plays the memory-slot side from the smart-card tester's delay: whenever the
// turn is handed over it runs `memoryTurn` (the card may change between
// turns) and hands the turn back, until `turnLimit` smart-card turns have ended.
struct MemorySlotSide {
    void PlayMemoryTurn() {
        if (turnFlag != 0)
            return;
        if (++turnsEnded >= turnLimit) {
            stopRequested = true;
            return;
        }
        if (memoryTurn)
            memoryTurn(turnsEnded);
        turnFlag = 1;
    }

    std::function<void(int turn)> memoryTurn;
    std::atomic<int> turnFlag{1};
    std::atomic<bool> stopRequested{false};
    int turnsEnded = 0;
    int turnLimit = 0;
};

// The two-call reader list: too small a buffer gets the size it needs.
inline LONG CopyReaderList(const std::string& list, char* buffer, DWORD& length) {
    if (length < list.size()) {
        length = static_cast<DWORD>(list.size());
        return SCARD_E_INSUFFICIENT_BUFFER;
    }
    std::memcpy(buffer, list.data(), list.size());
    length = static_cast<DWORD>(list.size());
    return SCARD_S_SUCCESS;
}

} // namespace orrick
