// The only unit that sees the platform's PC/SC header.
#include "pcsc_binding.h"

#include <winscard.h>

#include <algorithm>
#include <cstring>

namespace nimbrel::pcsc {
namespace {

QuarnResult Map(LONG rv) {
    return static_cast<QuarnResult>(rv);
}

} // namespace

QuarnResult EstablishContext(Context* context) {
    SCARDCONTEXT handle = 0;
    LONG rv = SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &handle);
    if (rv == SCARD_S_SUCCESS)
        *context = Context(static_cast<ContextHandle>(handle));
    return Map(rv);
}

QuarnResult ReleaseContext(ContextHandle context) {
    return Map(SCardReleaseContext(static_cast<SCARDCONTEXT>(context)));
}

QuarnResult ListReaders(ContextHandle context, std::vector<std::string>* readers) {
    readers->clear();
    // Ask for the size first; the list may grow between the two calls, so
    // try again a few times when it no longer fits.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        LONG rv = SCardListReaders(static_cast<SCARDCONTEXT>(context), nullptr, nullptr, &size);
        if (rv == SCARD_E_NO_READERS_AVAILABLE)
            return QUARN_E_NO_READER;
        if (rv != SCARD_S_SUCCESS)
            return Map(rv);
        if (size == 0)
            return QUARN_E_NO_READER;
        std::vector<char> multiString(size + 1, '\0');
        rv = SCardListReaders(static_cast<SCARDCONTEXT>(context), nullptr, multiString.data(),
                              &size);
        if (rv == SCARD_E_INSUFFICIENT_BUFFER)
            continue;
        if (rv == SCARD_E_NO_READERS_AVAILABLE)
            return QUARN_E_NO_READER;
        if (rv != SCARD_S_SUCCESS)
            return Map(rv);
        // A multi-string: names ended by NUL, the list by an empty name. The
        // extra NUL above bounds the walk even if the service forgot the end.
        std::size_t limit = std::min<std::size_t>(size, multiString.size() - 1);
        std::size_t pos = 0;
        while (pos < limit && multiString[pos] != '\0') {
            std::size_t length = std::strlen(multiString.data() + pos);
            readers->emplace_back(multiString.data() + pos, length);
            pos += length + 1;
        }
        return readers->empty() ? QUARN_E_NO_READER : QUARN_OK;
    }
    return Map(SCARD_E_INSUFFICIENT_BUFFER);
}

QuarnResult GetCardPresence(ContextHandle context, std::vector<ReaderState>* readers) {
    // The service takes a bounded number of states per call: pcsc-lite its
    // context limit, Windows its reader limit.
#ifdef PCSCLITE_MAX_READERS_CONTEXTS
    constexpr std::size_t kStatesPerCall = PCSCLITE_MAX_READERS_CONTEXTS;
#else
    constexpr std::size_t kStatesPerCall = MAXIMUM_SMARTCARD_READERS;
#endif
    for (std::size_t first = 0; first < readers->size(); first += kStatesPerCall) {
        std::size_t count = std::min(kStatesPerCall, readers->size() - first);
        std::vector<SCARD_READERSTATE> states(count);
        for (std::size_t i = 0; i < count; ++i) {
            states[i] = SCARD_READERSTATE{};
            states[i].szReader = (*readers)[first + i].name.c_str();
            states[i].dwCurrentState = SCARD_STATE_UNAWARE;
        }
        LONG rv = SCardGetStatusChange(static_cast<SCARDCONTEXT>(context), 0, states.data(),
                                       static_cast<DWORD>(count));
        // Time-out 0: "no change" still fills the event states.
        if (rv != SCARD_S_SUCCESS && rv != SCARD_E_TIMEOUT)
            return Map(rv);
        for (std::size_t i = 0; i < count; ++i)
            (*readers)[first + i].cardPresent = (states[i].dwEventState & SCARD_STATE_PRESENT) != 0;
    }
    return QUARN_OK;
}

QuarnResult Connect(const Context& context, const std::string& reader, Card* card,
                    Protocol* protocol) {
    SCARDHANDLE handle = 0;
    DWORD active = 0;
    LONG rv =
        SCardConnect(static_cast<SCARDCONTEXT>(context.get()), reader.c_str(), SCARD_SHARE_SHARED,
                     SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &handle, &active);
    if (rv != SCARD_S_SUCCESS)
        return Map(rv);
    *card = Card(static_cast<CardHandle>(handle));
    *protocol = (active == SCARD_PROTOCOL_T1) ? Protocol::T1 : Protocol::T0;
    return QUARN_OK;
}

QuarnResult Transmit(CardHandle card, Protocol protocol, const std::uint8_t* command,
                     std::size_t commandLength, std::uint8_t* response, std::size_t* received) {
    // The PCI of the negotiated protocol: pcsc-lite refuses a T=0 PCI on a
    // T=1 connection.
    SCARD_IO_REQUEST pci{};
    pci.dwProtocol = protocol == Protocol::T1 ? SCARD_PROTOCOL_T1 : SCARD_PROTOCOL_T0;
    pci.cbPciLength = sizeof(SCARD_IO_REQUEST);
    SCARD_IO_REQUEST receivePci = pci;
    DWORD length = static_cast<DWORD>(*received);
    LONG rv = SCardTransmit(static_cast<SCARDHANDLE>(card), &pci, command,
                            static_cast<DWORD>(commandLength), &receivePci, response, &length);
    if (rv != SCARD_S_SUCCESS)
        return Map(rv);
    *received = std::min<std::size_t>(length, *received);
    return QUARN_OK;
}

QuarnResult Disconnect(CardHandle card) {
    return Map(SCardDisconnect(static_cast<SCARDHANDLE>(card), SCARD_LEAVE_CARD));
}

} // namespace nimbrel::pcsc
