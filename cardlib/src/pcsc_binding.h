// Thin binding to the platform's PC/SC service. One function per PC/SC call;
// each maps its platform result to a QuarnResult in one place. Only
// pcsc_binding.cpp includes the platform header, so a Windows build swaps that
// one file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "nimbrel.h"

namespace nimbrel::pcsc {

// Opaque platform handles, wide enough for pcsc-lite's 64-bit LONG.
using ContextHandle = std::int64_t;
using CardHandle = std::int64_t;

// The protocol that SCardConnect negotiated; commands are sent with it.
enum class Protocol : std::uint32_t { T0 = 1, T1 = 2 };

// PC/SC codes the library produces itself (same values on every platform).
inline constexpr QuarnResult kInvalidHandle = 0x80100003u;    // SCARD_E_INVALID_HANDLE
inline constexpr QuarnResult kInvalidParameter = 0x80100004u; // SCARD_E_INVALID_PARAMETER
inline constexpr QuarnResult kNoMemory = 0x80100006u;         // SCARD_E_NO_MEMORY

struct ReaderState {
    std::string name;
    bool cardPresent = false;
};

// SCardEstablishContext, user scope.
QuarnResult EstablishContext(ContextHandle* context);
QuarnResult ReleaseContext(ContextHandle context);
// SCardListReaders with no group filter, however long the list is. An empty
// list (pcsc-lite: SCARD_E_NO_READERS_AVAILABLE) gives QUARN_E_NO_READER.
QuarnResult ListReaders(ContextHandle context, std::vector<std::string>* readers);
// SCardGetStatusChange with time-out 0, every reader starting "unaware".
QuarnResult GetCardPresence(ContextHandle context, std::vector<ReaderState>* readers);
// SCardConnect, shared, T=0 or T=1.
QuarnResult Connect(ContextHandle context, const std::string& reader, CardHandle* card,
                    Protocol* protocol);
// SCardTransmit with the PCI of the given protocol. *received is the capacity
// in, the received length out.
QuarnResult Transmit(CardHandle card, Protocol protocol, const std::uint8_t* command,
                     std::size_t commandLength, std::uint8_t* response, std::size_t* received);
// SCardDisconnect, leaving the card as it is.
QuarnResult Disconnect(CardHandle card);

} // namespace nimbrel::pcsc
