// Scripted stand-in for the PC/SC service, linked into unit tests instead of
// pcsc-lite. It defines the SCard* functions the library calls and:
//   - lists the readers a test declares, with or without a card;
//   - answers SCardTransmit from a script of request/response steps (a
//     command that differs from the step's is recorded with the step's name),
//     or, when no step is left, from the card responder of the reader;
//   - makes the n-th call of any SCard function fail with a chosen code;
//   - counts calls and open contexts and card handles.
// Call Reset() in every fixture's TearDown (FakePcscTest does).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// For tests that define a PC/SC function the fake lacks: the platform's
// calling convention, and a definition the fake may override (weak symbols
// do not bind reliably in Windows images, where the fake never defines it).
#ifdef _WIN32
#define FAKE_PCSC_CALL __stdcall
#define FAKE_PCSC_STANDIN
#else
#define FAKE_PCSC_CALL
#define FAKE_PCSC_STANDIN __attribute__((weak))
#endif

namespace fake_pcsc {

using Bytes = std::vector<std::uint8_t>;

// "A0 A4 00 00 02 3F 00" -> bytes.
Bytes Hex(const std::string& text);
std::string ToHex(const Bytes& bytes);

enum class Call {
    EstablishContext,
    ReleaseContext,
    ListReaders,
    GetStatusChange,
    Connect,
    Transmit,
    Disconnect,
};

using CardResponder = std::function<Bytes(const Bytes& command)>;

struct Reader {
    std::string name;
    bool cardPresent = true;
    unsigned long protocol = 1; // SCARD_PROTOCOL_T0; 2 = T=1
    CardResponder card;         // answers when the script is used up
};

struct Step {
    std::string name;
    Bytes command;
    Bytes response;
};

void Reset();
void SetReaders(std::vector<Reader> readers);
// Transmit replays these in order before asking any card responder.
void Script(std::vector<Step> steps);
// The n-th call of `call` from now on (1 = the next one) returns `code`.
void FailCall(Call call, long code, int nth = 1);

// Problems seen: script mismatches, unexpected commands, wrong PCI, bad handles.
const std::vector<std::string>& Errors();
// Steps of the script not yet consumed.
std::size_t PendingSteps();
// Every command sent to any card, in order.
const std::vector<Bytes>& Sent();
int CallCount(Call call);
int OpenContexts();
int OpenCards();
std::string LastConnectedReader();

} // namespace fake_pcsc
