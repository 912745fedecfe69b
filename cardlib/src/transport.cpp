#include "transport.h"

#include <algorithm>
#include <cstring>

#include "platform.h"

namespace nimbrel {
namespace {

ModuleState g_state;

// Room for the longest answer a reader hands back (extended data + SW).
constexpr std::size_t kReceiveCapacity = 600;

} // namespace

ModuleState& State() {
    return g_state;
}

void ResetModuleState() {
    g_state = ModuleState{};
}

CommandMode CurrentMode() {
    return g_state.mode;
}

void SetMode(CommandMode mode) {
    g_state.mode = mode;
}

void SwitchMode() {
    g_state.mode = OtherMode(g_state.mode);
}

bool IsAcceptedSw1(std::uint8_t sw1) {
    switch (sw1) {
    case 0x90:
    case 0x91:
    case 0x61:
    case 0x63:
    case 0x93:
    case 0x9E:
    case 0x9F:
        return true;
    default:
        return false;
    }
}

QuarnResult TransmitApdu(const CardLink& link, const std::uint8_t header[5],
                         const std::uint8_t* data, bool hasData, std::uint8_t* response,
                         std::size_t responseCapacity, int* responseLength, std::uint8_t sw[2]) {
    std::uint8_t command[5 + 255];
    std::memcpy(command, header, 5);
    std::size_t commandLength = 5;
    if (hasData) {
        std::size_t dataLength = header[4];
        if (dataLength > 0 && data != nullptr)
            std::memcpy(command + 5, data, dataLength);
        else if (dataLength > 0)
            std::memset(command + 5, 0, dataLength);
        commandLength += dataLength;
    }

    std::uint8_t received[kReceiveCapacity];
    std::size_t receivedLength = sizeof received;
    QuarnResult rv =
        pcsc::Transmit(link.card, link.protocol, command, commandLength, received, &receivedLength);
    // The command may have carried a PIN block: leave no copy on the stack.
    WipeSecret(command, commandLength);
    if (rv != QUARN_OK)
        return rv;
    // Without SW1 SW2 there is no answer to judge.
    if (receivedLength < 2)
        return QUARN_E_BAD_ANSWER;

    std::size_t dataLength = receivedLength - 2;
    sw[0] = received[dataLength];
    sw[1] = received[dataLength + 1];
    g_state.lastStatusWord = static_cast<std::uint16_t>((sw[0] << 8) | sw[1]);
    if (dataLength > responseCapacity) {
        *responseLength = 0;
        return QUARN_E_BAD_ANSWER;
    }
    if (dataLength > 0)
        std::memcpy(response, received, dataLength);
    *responseLength = static_cast<int>(dataLength);
    return IsAcceptedSw1(sw[0]) ? QUARN_OK : QUARN_E_BAD_ANSWER;
}

} // namespace nimbrel
