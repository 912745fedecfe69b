// Thin binding to the platform's PC/SC service. One function per PC/SC call;
// each maps its platform result to a QuarnResult in one place. Only
// pcsc_binding.cpp includes the platform header, so a Windows build swaps that
// one file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
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

QuarnResult ReleaseContext(ContextHandle context);
// SCardDisconnect, leaving the card as it is.
QuarnResult Disconnect(CardHandle card);

// Owner of one platform handle: closes it when the owner goes, unless Close()
// already did (Close() reports the service's answer to whoever needs it).
template <QuarnResult (*CloseHandle)(std::int64_t)> class Owned {
public:
    Owned() = default;
    explicit Owned(std::int64_t handle) : handle_(handle), live_(true) {}
    ~Owned() { Close(); }
    Owned(Owned&& other) noexcept
        : handle_(other.handle_), live_(std::exchange(other.live_, false)) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = other.handle_;
            live_ = std::exchange(other.live_, false);
        }
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    std::int64_t get() const { return handle_; }
    QuarnResult Close() {
        if (!std::exchange(live_, false))
            return QUARN_OK;
        return CloseHandle(handle_);
    }

private:
    std::int64_t handle_ = 0;
    bool live_ = false;
};

using Context = Owned<ReleaseContext>;
using Card = Owned<Disconnect>;

struct ReaderState {
    std::string name;
    bool cardPresent = false;
};

// SCardEstablishContext, user scope.
QuarnResult EstablishContext(Context* context);
// SCardListReaders with no group filter, however long the list is. An empty
// list (pcsc-lite: SCARD_E_NO_READERS_AVAILABLE) gives QUARN_E_NO_READER.
QuarnResult ListReaders(ContextHandle context, std::vector<std::string>* readers);
// SCardGetStatusChange with time-out 0, every reader starting "unaware".
QuarnResult GetCardPresence(ContextHandle context, std::vector<ReaderState>* readers);
// SCardConnect, shared, T=0 or T=1.
QuarnResult Connect(const Context& context, const std::string& reader, Card* card,
                    Protocol* protocol);
// SCardTransmit with the PCI of the given protocol. *received is the capacity
// in, the received length out.
QuarnResult Transmit(CardHandle card, Protocol protocol, const std::uint8_t* command,
                     std::size_t commandLength, std::uint8_t* response, std::size_t* received);
} // namespace nimbrel::pcsc
