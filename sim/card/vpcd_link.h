// The vpcd virtual-reader link: the card is a TCP client of the reader
// driver. Every message is a 2-byte big-endian length and a payload; a
// 1-byte payload from the reader is a control code, anything longer an APDU.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "profile.h"

namespace simcard {

class VirtualCard;

enum class VpcdControl : std::uint8_t { PowerOff = 0, PowerOn = 1, Reset = 2, GetAtr = 4 };

// Connected socket to the reader driver, or -1.
int ConnectToReader(const std::string& host, std::uint16_t port);

// Reads one message; nullopt when the peer closed or the link failed.
std::optional<Bytes> ReadMessage(int fd);
bool WriteMessage(int fd, const Bytes& payload);

// The card's answer to one message from the reader: nullopt for controls
// that need no answer.
std::optional<Bytes> Answer(VirtualCard& card, const Bytes& message);

// Serves the card on a connected socket until the reader goes away.
void Serve(VirtualCard& card, int fd);

} // namespace simcard
