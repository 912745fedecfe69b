#include "answer_stream.h"

#include <winscard.h>

#include <cstring>

namespace answer_stream {
namespace {

constexpr char kReader[] = "Generic MultiCard reader 1.0 00 00";
constexpr SCARDCONTEXT kFirstContext = 0x100;
constexpr SCARDHANDLE kFirstCard = 0x500;

struct Session {
    const std::uint8_t* bytes = nullptr;
    std::size_t size = 0;
    std::size_t position = 0;
    std::vector<std::uint8_t> sent;
    std::vector<SCARDCONTEXT> contexts;
    std::vector<SCARDHANDLE> cards;
    SCARDCONTEXT nextContext = kFirstContext;
    SCARDHANDLE nextCard = kFirstCard;
};

Session g;

template <typename Handle> bool Erase(std::vector<Handle>& handles, Handle handle) {
    for (auto it = handles.begin(); it != handles.end(); ++it) {
        if (*it == handle) {
            handles.erase(it);
            return true;
        }
    }
    return false;
}

template <typename Handle> bool Holds(const std::vector<Handle>& handles, Handle handle) {
    for (Handle h : handles)
        if (h == handle)
            return true;
    return false;
}

// The next answer: false when the exchange is to fail.
bool NextAnswer(const std::uint8_t** answer, std::size_t* length) {
    if (g.position >= g.size)
        return false;
    std::size_t announced = g.bytes[g.position++];
    if (announced == kTransportError)
        return false;
    if (announced == kLongAnswer)
        announced += g.position < g.size ? g.bytes[g.position++] : 0;
    const std::size_t available = g.size - g.position;
    *length = announced < available ? announced : available;
    *answer = g.bytes + g.position;
    g.position += *length;
    return true;
}

} // namespace

void Start(const std::uint8_t* bytes, std::size_t size) {
    g = Session{};
    g.bytes = bytes;
    g.size = size;
}

const std::vector<std::uint8_t>& Sent() {
    return g.sent;
}

int OpenContexts() {
    return static_cast<int>(g.contexts.size());
}

int OpenCards() {
    return static_cast<int>(g.cards.size());
}

} // namespace answer_stream

using namespace answer_stream;

extern "C" {

LONG SCardEstablishContext(DWORD, LPCVOID, LPCVOID, LPSCARDCONTEXT context) {
    *context = g.nextContext++;
    g.contexts.push_back(*context);
    return SCARD_S_SUCCESS;
}

LONG SCardReleaseContext(SCARDCONTEXT context) {
    return Erase(g.contexts, context) ? SCARD_S_SUCCESS : SCARD_E_INVALID_HANDLE;
}

LONG SCardListReaders(SCARDCONTEXT context, LPCSTR, LPSTR readers, LPDWORD size) {
    if (!Holds(g.contexts, context))
        return SCARD_E_INVALID_HANDLE;
    const DWORD needed = sizeof kReader + 1; // the name's NUL and the list's
    if (readers == nullptr) {
        *size = needed;
        return SCARD_S_SUCCESS;
    }
    if (*size < needed) {
        *size = needed;
        return SCARD_E_INSUFFICIENT_BUFFER;
    }
    std::memcpy(readers, kReader, sizeof kReader);
    readers[sizeof kReader] = '\0';
    *size = needed;
    return SCARD_S_SUCCESS;
}

LONG SCardGetStatusChange(SCARDCONTEXT context, DWORD, SCARD_READERSTATE* states, DWORD count) {
    if (!Holds(g.contexts, context))
        return SCARD_E_INVALID_HANDLE;
    for (DWORD i = 0; i < count; ++i) {
        const bool ours = states[i].szReader && std::strcmp(states[i].szReader, kReader) == 0;
        states[i].dwEventState =
            (ours ? SCARD_STATE_PRESENT : SCARD_STATE_UNKNOWN) | SCARD_STATE_CHANGED;
    }
    return SCARD_S_SUCCESS;
}

LONG SCardConnect(SCARDCONTEXT context, LPCSTR reader, DWORD, DWORD protocols, LPSCARDHANDLE card,
                  LPDWORD active) {
    if (!Holds(g.contexts, context))
        return SCARD_E_INVALID_HANDLE;
    if (!reader || std::strcmp(reader, kReader) != 0)
        return SCARD_E_UNKNOWN_READER;
    if ((protocols & SCARD_PROTOCOL_T0) == 0)
        return SCARD_E_PROTO_MISMATCH;
    *card = g.nextCard++;
    g.cards.push_back(*card);
    *active = SCARD_PROTOCOL_T0;
    return SCARD_S_SUCCESS;
}

LONG SCardTransmit(SCARDHANDLE card, const SCARD_IO_REQUEST*, LPCBYTE command, DWORD commandLength,
                   SCARD_IO_REQUEST*, LPBYTE response, LPDWORD responseLength) {
    if (!Holds(g.cards, card))
        return SCARD_E_INVALID_HANDLE;
    // A short command APDU: header, then at most 255 bytes of data.
    if (commandLength < 5 || commandLength > 5 + 255)
        __builtin_trap();
    g.sent.push_back(static_cast<std::uint8_t>(commandLength - 5));
    g.sent.insert(g.sent.end(), command, command + commandLength);

    const std::uint8_t* answer = nullptr;
    std::size_t length = 0;
    if (!NextAnswer(&answer, &length))
        return SCARD_E_NOT_TRANSACTED;
    if (length > *responseLength)
        return SCARD_E_INSUFFICIENT_BUFFER;
    if (length > 0)
        std::memcpy(response, answer, length);
    *responseLength = static_cast<DWORD>(length);
    return SCARD_S_SUCCESS;
}

LONG SCardDisconnect(SCARDHANDLE card, DWORD) {
    return Erase(g.cards, card) ? SCARD_S_SUCCESS : SCARD_E_INVALID_HANDLE;
}

} // extern "C"
