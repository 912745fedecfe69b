// Command transport: the single command/response exchange every card command
// goes through, the status-word rules and the command mode (SIM or UICC),
// which lives in the module state (module_state.h).
//
// Layering: pcsc_binding -> transport -> file_access -> books, card info ->
// exports (exports.h). The codecs (codec_*.h) are pure and depend on none of
// them. Nothing above this header talks to PC/SC directly.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

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
constexpr QuarnResult RequireSuccessWord(std::uint16_t sw) {
    return sw == 0x9000 ? QUARN_OK : QUARN_E_STATUS_BASE + sw;
}

// One command APDU: CLA INS P1 P2 P3 and, for a command that sends data,
// those bytes (P3 is then their number). The command only views its data.
struct Command {
    std::array<std::uint8_t, 5> header{};
    std::span<const std::uint8_t> data;

    // Sends no data; P3 is the length expected back (0 = as much as comes).
    static constexpr Command Expecting(std::uint8_t cla, std::uint8_t ins, std::uint8_t p1,
                                       std::uint8_t p2, std::uint8_t le) {
        return Command{{cla, ins, p1, p2, le}, {}};
    }
    // Sends `data`, at most 255 bytes; no data sends the header alone, P3 0.
    static constexpr Command Sending(std::uint8_t cla, std::uint8_t ins, std::uint8_t p1,
                                     std::uint8_t p2, std::span<const std::uint8_t> data) {
        return Command{{cla, ins, p1, p2, static_cast<std::uint8_t>(data.size())}, data};
    }
};

// What one exchange gave: the result, the status word when one arrived, and
// the response data without SW1 SW2.
class Response {
public:
    // The PC/SC error unchanged when the exchange itself failed, 0 when SW1
    // is accepted, QUARN_E_BAD_ANSWER otherwise (also for an answer shorter
    // than SW1 SW2 or with more data than kResponseCapacity, which then
    // carries no data).
    QuarnResult result = QUARN_E_BAD_ANSWER;
    std::uint16_t sw = 0;

    bool ok() const { return result == QUARN_OK; }
    std::uint8_t sw1() const { return static_cast<std::uint8_t>(sw >> 8); }
    std::uint8_t sw2() const { return static_cast<std::uint8_t>(sw & 0xFF); }
    std::span<const std::uint8_t> data() const { return std::span(bytes_.data(), length_); }

    // Sets the data (cut to kResponseCapacity).
    void SetData(std::span<const std::uint8_t> bytes);
    void ClearData() { length_ = 0; }

private:
    ResponseBuffer bytes_;
    std::size_t length_ = 0;
};

// One command/response exchange. The last status word is updated whenever a
// status word arrived.
Response Transmit(const CardLink& link, const Command& command);

} // namespace nimbrel
