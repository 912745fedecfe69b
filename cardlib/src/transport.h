// Command transport: the single command/response exchange every card command
// goes through, the status-word rules, the command mode (SIM or UICC) and the
// process-wide module state.
//
// Layering: pcsc_binding -> transport -> file_access -> codecs and books ->
// exports. Nothing above this header talks to PC/SC directly.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "nimbrel.h"
#include "pcsc_binding.h"

namespace nimbrel {

// The card side of one open connection: what every card command needs.
struct CardLink {
    pcsc::CardHandle card = 0;
    pcsc::Protocol protocol = pcsc::Protocol::T0;
};

// SIM mode speaks GSM 11.11 (class A0, SELECT P2 00, GSM-form answers); UICC
// mode speaks TS 102 221 (class 00, SELECT P2 04 asking for the FCP template).
// Class byte and SELECT P2 always change together, so they are one value.
enum class CommandMode : std::uint8_t { Sim, Uicc };

struct ModeBytes {
    std::uint8_t cla;
    std::uint8_t selectP2;
};

constexpr ModeBytes BytesOf(CommandMode mode) {
    return mode == CommandMode::Sim ? ModeBytes{0xA0, 0x00} : ModeBytes{0x00, 0x04};
}
constexpr CommandMode OtherMode(CommandMode mode) {
    return mode == CommandMode::Sim ? CommandMode::Uicc : CommandMode::Sim;
}

// Process-wide state of the loaded library. Callers must not overlap calls.
struct ModuleState {
    CommandMode mode = CommandMode::Sim;
    std::uint16_t lastStatusWord = 0x9000;
    std::string activeReader;   // full PC/SC name chosen by the last reader search
    std::string assignedReader; // base name from Quarn_ConnectAssignReader, empty = none
};

ModuleState& State();
// Back to the state of a freshly loaded library (tests use this between cases).
void ResetModuleState();

CommandMode CurrentMode();
void SetMode(CommandMode mode);
// The automatic switch of SELECT: SIM <-> UICC.
void SwitchMode();
inline std::uint8_t ClassByte() {
    return BytesOf(CurrentMode()).cla;
}

// Largest response data any command helper hands back (a short APDU answer).
inline constexpr std::size_t kResponseCapacity = 256;
using ResponseBuffer = std::array<std::uint8_t, kResponseCapacity>;

// SW1 values that make an exchange succeed: 90 91 61 63 93 9E 9F.
bool IsAcceptedSw1(std::uint8_t sw1);

// Command-level rule of READ/UPDATE/PIN commands: exactly 9000 is success,
// any other word gives QUARN_E_STATUS_BASE + SW1SW2.
constexpr QuarnResult RequireSuccessWord(const std::uint8_t sw[2]) {
    return (sw[0] == 0x90 && sw[1] == 0x00)
               ? QUARN_OK
               : QUARN_E_STATUS_BASE + (static_cast<QuarnResult>(sw[0]) << 8) + sw[1];
}

// One command/response exchange.
//   header:   CLA INS P1 P2 P3
//   data:     P3 bytes sent after the header when hasData is true and P3 > 0;
//             without data P3 acts as Le and only the header is sent.
//   response: receives the response data (without SW1 SW2), at most
//             responseCapacity bytes; *responseLength gets their number.
//   sw:       receives SW1 SW2.
// Returns the PC/SC error unchanged when the exchange itself fails, 0 when SW1
// is accepted, QUARN_E_BAD_ANSWER otherwise. An answer shorter than SW1 SW2,
// or with more data than responseCapacity, is QUARN_E_BAD_ANSWER. The last
// status word is updated whenever a status word arrived.
QuarnResult TransmitApdu(const CardLink& link, const std::uint8_t header[5],
                         const std::uint8_t* data, bool hasData, std::uint8_t* response,
                         std::size_t responseCapacity, int* responseLength, std::uint8_t sw[2]);

} // namespace nimbrel
