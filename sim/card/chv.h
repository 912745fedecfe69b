// Card-holder verification of PIN1 (CHV1): VERIFY, CHANGE, DISABLE, ENABLE
// and UNBLOCK as a GSM 11.11 SIM and a TS 102 221 UICC answer them, with the
// attempts counters and blocked states the card keeps across power cycles.
#pragma once

#include <cstdint>
#include <string>

#include "profile.h"

namespace simcard {

struct Command;

// Attempts a fresh or unblocked card allows (GSM 11.11 and TS 102 221).
inline constexpr int kChvMaxAttempts = 3;
inline constexpr int kUnblockMaxAttempts = 10;

// PIN1 as the card keeps it in non-volatile memory.
struct Chv1Memory {
    bool enabled = true;
    std::string pin;
    int retries = kChvMaxAttempts;
    std::string puk;
    int unblockRetries = kUnblockMaxAttempts;

    static Chv1Memory From(const ChvSetting& setting);
    bool Blocked() const { return retries == 0; }
};

bool IsChvInstruction(std::uint8_t ins);

// Runs one CHV command and gives its status word in the card's command set.
// `verified` is the session's "PIN1 presented" flag; a reset clears it.
std::uint16_t RunChvCommand(Chv1Memory& memory, bool& verified, const Command& command,
                            CommandSet commandSet);

} // namespace simcard
