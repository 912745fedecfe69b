// The one card handled at a time: its connection and what identification
// found out about it. Every card action begins with Connect and Identify.
#pragma once

#include "core/card_library.h"
#include "nimbrel.h"

#include <string>

namespace brisken {

// The reader tried when no reader with a card is found on its own (two
// blanks after "Generic").
inline constexpr char kFallbackReaderName[] = "Generic  SmartCard Reader";

// pcsc-lite's SCARD_E_INVALID_HANDLE, the answer of a failed Connect.
inline constexpr QuarnResult kConnectFailed = 0x80100003u;

enum class CardFamily { Unknown, GsmSim, Usim, Ruim };

enum class IdentifyResult {
    Identified,
    ConnectFailed, // message 118; nothing open
    InfoFailed,    // message 119; the session is closed
};

class CardSession {
public:
    explicit CardSession(CardLibrary& library) : library_(library) {}
    // Closes a connection still open: no exit path leaks it.
    ~CardSession();
    CardSession(const CardSession&) = delete;
    CardSession& operator=(const CardSession&) = delete;

    // Quarn_Connect, then the fallback reader by name. 0 or kConnectFailed.
    QuarnResult Connect();
    // Quarn_DisConnect when connected; harmless otherwise.
    void Disconnect();

    // USIM first; otherwise reconnects and asks as a SIM, then tells an
    // R-UIM from a GSM SIM. Needs a connected session.
    IdentifyResult Identify();

    CardLibrary& Library() { return library_; }
    QuarnConnection Connection() const { return connection_; }
    bool Connected() const { return connected_; }
    bool IsUsim() const { return family_ == CardFamily::Usim; }
    bool IsCdma() const { return family_ == CardFamily::Ruim; }
    CardFamily Family() const { return family_; }
    const _CARD_INFO& Info() const { return info_; }
    // The ICCID as the card gave it, cut at its terminator or its field.
    std::string Iccid() const;

private:
    CardLibrary& library_;
    QuarnConnection connection_ = 0;
    bool connected_ = false;
    CardFamily family_ = CardFamily::Unknown;
    _CARD_INFO info_{};
};

} // namespace brisken
