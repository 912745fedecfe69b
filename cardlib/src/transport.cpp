#include "transport.h"

#include <algorithm>
#include <cstring>

#include "module_state.h"
#include "platform.h"

namespace nimbrel {
namespace {

// Room for the longest answer a reader hands back (extended data + SW).
constexpr std::size_t kReceiveCapacity = 600;

} // namespace

CommandMode CurrentMode() {
    return State().mode;
}

void SetMode(CommandMode mode) {
    State().mode = mode;
}

void SwitchMode() {
    State().mode = OtherMode(State().mode);
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

void Response::SetData(std::span<const std::uint8_t> bytes) {
    length_ = std::min(bytes.size(), bytes_.size());
    if (length_ > 0)
        std::memcpy(bytes_.data(), bytes.data(), length_);
}

Response Transmit(const CardLink& link, const Command& command) {
    std::uint8_t apdu[5 + 255];
    std::memcpy(apdu, command.header.data(), command.header.size());
    const std::size_t sent = std::min<std::size_t>(command.data.size(), 255);
    if (sent > 0)
        std::memcpy(apdu + 5, command.data.data(), sent);
    const std::size_t apduLength = 5 + sent;

    Response response;
    std::uint8_t received[kReceiveCapacity];
    std::size_t receivedLength = sizeof received;
    QuarnResult rv =
        pcsc::Transmit(link.card, link.protocol, apdu, apduLength, received, &receivedLength);
    // The command may have carried a PIN block: leave no copy on the stack.
    WipeSecret(apdu, apduLength);
    if (rv != QUARN_OK) {
        response.result = rv;
        return response;
    }
    // Without SW1 SW2 there is no answer to judge.
    if (receivedLength < 2)
        return response;

    const std::size_t dataLength = receivedLength - 2;
    response.sw =
        static_cast<std::uint16_t>((received[dataLength] << 8) | received[dataLength + 1]);
    State().lastStatusWord = response.sw;
    if (dataLength > kResponseCapacity)
        return response;
    response.SetData(std::span(received, dataLength));
    response.result = IsAcceptedSw1(response.sw1()) ? QUARN_OK : QUARN_E_BAD_ANSWER;
    return response;
}

} // namespace nimbrel
