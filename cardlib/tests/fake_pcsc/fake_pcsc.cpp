#include "fake_pcsc.h"

#include <winscard.h>

#include "profile.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <set>

namespace fake_pcsc {
namespace {

struct Failure {
    Call call;
    long code;
    int remaining; // calls of that kind still to pass before it fires
};

struct State {
    std::vector<Reader> readers;
    std::vector<Step> steps;
    std::size_t nextStep = 0;
    std::vector<Failure> failures;
    std::vector<std::string> errors;
    std::vector<Bytes> sent;
    std::map<Call, int> counts;
    std::set<SCARDCONTEXT> contexts;
    std::map<SCARDHANDLE, std::size_t> cards; // handle -> reader index
    SCARDCONTEXT nextContext = 0x1000;
    SCARDHANDLE nextCard = 0x5000;
    std::string lastConnected;
};

State g;

// The most reader states one status query takes, as the platform's service.
#ifdef PCSCLITE_MAX_READERS_CONTEXTS
constexpr DWORD kMaxStates = PCSCLITE_MAX_READERS_CONTEXTS;
#else
constexpr DWORD kMaxStates = MAXIMUM_SMARTCARD_READERS;
#endif

// A reader as the platform lists it. Tests declare names as pcsc-lite shows
// them (" XX YY" suffix); Windows shows " N" instead, N counting the readers
// of one base name in list order.
std::string Listed(std::size_t index) {
    const std::string& name = g.readers[index].name;
#ifdef _WIN32
    auto hostBase = [](const std::string& n) -> std::size_t {
        auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
        std::size_t size = n.size();
        if (size < 6 || n[size - 6] != ' ' || !hex(n[size - 5]) || !hex(n[size - 4]) ||
            n[size - 3] != ' ' || !hex(n[size - 2]) || !hex(n[size - 1]))
            return std::string::npos;
        return size - 6;
    };
    std::size_t base = hostBase(name);
    if (base == std::string::npos)
        return name;
    int same = 0;
    for (std::size_t i = 0; i < index; ++i)
        if (hostBase(g.readers[i].name) == base &&
            g.readers[i].name.compare(0, base, name, 0, base) == 0)
            ++same;
    return name.substr(0, base) + " " + std::to_string(same % 10);
#else
    return name;
#endif
}

// The declared reader a listed name stands for, or readers.end(). A test
// that connects by the declared name itself is served too.
std::vector<Reader>::iterator FindListed(const char* listed) {
    if (!listed)
        return g.readers.end();
    for (std::size_t i = 0; i < g.readers.size(); ++i)
        if (Listed(i) == listed)
            return g.readers.begin() + static_cast<std::ptrdiff_t>(i);
    return std::find_if(g.readers.begin(), g.readers.end(),
                        [&](const Reader& r) { return r.name == listed; });
}

// Counts the call and tells whether a planned failure fires on it.
bool Fails(Call call, LONG* code) {
    ++g.counts[call];
    for (auto it = g.failures.begin(); it != g.failures.end(); ++it) {
        if (it->call != call)
            continue;
        if (--it->remaining == 0) {
            *code = static_cast<LONG>(it->code);
            g.failures.erase(it);
            return true;
        }
    }
    return false;
}

std::string MultiString() {
    std::string list;
    for (std::size_t i = 0; i < g.readers.size(); ++i) {
        list += Listed(i);
        list += '\0';
    }
    list += '\0';
    return list;
}

} // namespace

Bytes Hex(const std::string& text) {
    return simcard::ParseHex(text);
}

std::string ToHex(const Bytes& bytes) {
    return simcard::FormatHex(bytes);
}

void Reset() {
    g = State{};
}
void SetReaders(std::vector<Reader> readers) {
    g.readers = std::move(readers);
}
void Script(std::vector<Step> steps) {
    g.steps = std::move(steps);
    g.nextStep = 0;
}
void FailCall(Call call, long code, int nth) {
    g.failures.push_back({call, code, nth});
}
const std::vector<std::string>& Errors() {
    return g.errors;
}
std::size_t PendingSteps() {
    return g.steps.size() - g.nextStep;
}
const std::vector<Bytes>& Sent() {
    return g.sent;
}
int CallCount(Call call) {
    return g.counts[call];
}
int OpenContexts() {
    return static_cast<int>(g.contexts.size());
}
int OpenCards() {
    return static_cast<int>(g.cards.size());
}
std::string LastConnectedReader() {
    return g.lastConnected;
}

} // namespace fake_pcsc

using namespace fake_pcsc;

extern "C" {

LONG FAKE_PCSC_CALL SCardEstablishContext(DWORD, LPCVOID, LPCVOID, LPSCARDCONTEXT context) {
    LONG code = 0;
    if (Fails(Call::EstablishContext, &code))
        return code;
    *context = g.nextContext++;
    g.contexts.insert(*context);
    return SCARD_S_SUCCESS;
}

LONG FAKE_PCSC_CALL SCardReleaseContext(SCARDCONTEXT context) {
    LONG code = 0;
    if (Fails(Call::ReleaseContext, &code))
        return code;
    if (g.contexts.erase(context) == 0) {
        g.errors.push_back("SCardReleaseContext: unknown context");
        return SCARD_E_INVALID_HANDLE;
    }
    return SCARD_S_SUCCESS;
}

LONG FAKE_PCSC_CALL SCardListReaders(SCARDCONTEXT context, LPCSTR groups, LPSTR readers,
                                     LPDWORD size) {
    LONG code = 0;
    if (Fails(Call::ListReaders, &code))
        return code;
    if (!g.contexts.count(context))
        return SCARD_E_INVALID_HANDLE;
    if (groups != nullptr)
        g.errors.push_back("SCardListReaders: unexpected group filter");
    if (g.readers.empty())
        return SCARD_E_NO_READERS_AVAILABLE;
    std::string list = MultiString();
    if (*size == SCARD_AUTOALLOCATE) {
        g.errors.push_back("SCardListReaders: SCARD_AUTOALLOCATE is not offered here");
        return SCARD_E_INVALID_PARAMETER;
    }
    if (readers == nullptr) {
        *size = static_cast<DWORD>(list.size());
        return SCARD_S_SUCCESS;
    }
    if (*size < list.size()) {
        *size = static_cast<DWORD>(list.size());
        return SCARD_E_INSUFFICIENT_BUFFER;
    }
    std::memcpy(readers, list.data(), list.size());
    *size = static_cast<DWORD>(list.size());
    return SCARD_S_SUCCESS;
}

LONG FAKE_PCSC_CALL SCardGetStatusChange(SCARDCONTEXT context, DWORD, SCARD_READERSTATE* states,
                                         DWORD count) {
    LONG code = 0;
    if (Fails(Call::GetStatusChange, &code))
        return code;
    if (!g.contexts.count(context))
        return SCARD_E_INVALID_HANDLE;
    if (count > kMaxStates)
        return SCARD_E_INVALID_PARAMETER;
    for (DWORD i = 0; i < count; ++i) {
        auto reader = FindListed(states[i].szReader);
        if (reader == g.readers.end()) {
            states[i].dwEventState = SCARD_STATE_UNKNOWN | SCARD_STATE_CHANGED;
            continue;
        }
        states[i].dwEventState =
            (reader->cardPresent ? SCARD_STATE_PRESENT : SCARD_STATE_EMPTY) | SCARD_STATE_CHANGED;
    }
    return SCARD_S_SUCCESS;
}

LONG FAKE_PCSC_CALL SCardConnect(SCARDCONTEXT context, LPCSTR readerName, DWORD shareMode,
                                 DWORD protocols, LPSCARDHANDLE card, LPDWORD activeProtocol) {
    LONG code = 0;
    if (Fails(Call::Connect, &code))
        return code;
    if (!g.contexts.count(context))
        return SCARD_E_INVALID_HANDLE;
    if (shareMode != SCARD_SHARE_SHARED)
        g.errors.push_back("SCardConnect: share mode is not shared");
    auto reader = FindListed(readerName);
    if (reader == g.readers.end())
        return SCARD_E_UNKNOWN_READER;
    if (!reader->cardPresent)
        return SCARD_E_NO_SMARTCARD;
    if ((protocols & reader->protocol) == 0)
        return SCARD_E_PROTO_MISMATCH;
    *card = g.nextCard++;
    *activeProtocol = reader->protocol;
    g.cards[*card] = static_cast<std::size_t>(reader - g.readers.begin());
    g.lastConnected = reader->name;
    return SCARD_S_SUCCESS;
}

LONG FAKE_PCSC_CALL SCardTransmit(SCARDHANDLE card, const SCARD_IO_REQUEST* sendPci,
                                  LPCBYTE command, DWORD commandLength, SCARD_IO_REQUEST*,
                                  LPBYTE response, LPDWORD responseLength) {
    LONG code = 0;
    if (Fails(Call::Transmit, &code))
        return code;
    auto open = g.cards.find(card);
    if (open == g.cards.end()) {
        g.errors.push_back("SCardTransmit: unknown card handle");
        return SCARD_E_INVALID_HANDLE;
    }
    const Reader& reader = g.readers.at(open->second);
    if (sendPci == nullptr || sendPci->dwProtocol != reader.protocol) {
        g.errors.push_back("SCardTransmit: PCI does not match the negotiated protocol");
        return SCARD_E_PROTO_MISMATCH;
    }
    Bytes sent(command, command + commandLength);
    g.sent.push_back(sent);

    Bytes answer;
    if (g.nextStep < g.steps.size()) {
        const Step& step = g.steps[g.nextStep++];
        if (step.command != sent)
            g.errors.push_back("step '" + step.name + "': expected " + ToHex(step.command) +
                               ", got " + ToHex(sent));
        answer = step.response;
    } else if (reader.card) {
        answer = reader.card(sent);
    } else {
        g.errors.push_back("SCardTransmit: no step left for " + ToHex(sent));
        return SCARD_E_NOT_TRANSACTED;
    }
    if (answer.size() > *responseLength)
        return SCARD_E_INSUFFICIENT_BUFFER;
    if (!answer.empty())
        std::memcpy(response, answer.data(), answer.size());
    *responseLength = static_cast<DWORD>(answer.size());
    return SCARD_S_SUCCESS;
}

LONG FAKE_PCSC_CALL SCardDisconnect(SCARDHANDLE card, DWORD disposition) {
    LONG code = 0;
    if (Fails(Call::Disconnect, &code))
        return code;
    if (disposition != SCARD_LEAVE_CARD)
        g.errors.push_back("SCardDisconnect: card not left as it is");
    if (g.cards.erase(card) == 0)
        return SCARD_E_INVALID_HANDLE;
    return SCARD_S_SUCCESS;
}

} // extern "C"
