#include "smart_card_test.h"

#include "wendrill.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace orrick {
namespace {

constexpr DWORD kReaderListBuffer = 260;
// No real list of reader names comes near this; a bigger claim is an error.
constexpr DWORD kReaderListLimit = 64 * 1024;
constexpr DWORD kStatePresent = 0x20;
constexpr unsigned kTurnPoll = 10;

// Debug lines with up to two unsigned numbers ("%x", "%u").
std::string Hex(const char* format, unsigned a, unsigned b = 0) {
    char text[128];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

// Connected card, disconnected (card left as it is) on every way out.
class CardConnection {
public:
    explicit CardConnection(SmartCardService& service) : service_(service) {}
    ~CardConnection() {
        if (connected_)
            service_.Disconnect(card_);
    }
    CardConnection(const CardConnection&) = delete;
    CardConnection& operator=(const CardConnection&) = delete;

    LONG Connect(const std::string& reader) {
        DWORD protocol = 0;
        const LONG rc = service_.Connect(reader, card_, protocol);
        connected_ = rc == SCARD_S_SUCCESS;
        return rc;
    }
    SCARDHANDLE Handle() const { return card_; }

private:
    SmartCardService& service_;
    SCARDHANDLE card_ = 0;
    bool connected_ = false;
};

bool ServiceLost(LONG rc) {
    return rc == static_cast<LONG>(SCARD_E_NO_SERVICE) ||
           rc == static_cast<LONG>(SCARD_E_SERVICE_STOPPED) ||
           rc == static_cast<LONG>(SCARD_E_INVALID_HANDLE);
}

// The context lives for one run of the smart-card thread (renewed when the
// service is lost).
class ContextGuard {
public:
    explicit ContextGuard(SmartCardService& service) : service_(service) {
        established_ = service_.EstablishContext() == SCARD_S_SUCCESS;
    }
    ~ContextGuard() { service_.ReleaseContext(); }
    ContextGuard(const ContextGuard&) = delete;
    ContextGuard& operator=(const ContextGuard&) = delete;
    bool Established() const { return established_; }

private:
    SmartCardService& service_;
    bool established_ = false;
};

} // namespace

// --- pcsc-lite ---

PcscSmartCardService::~PcscSmartCardService() {
    ReleaseContext();
}

LONG PcscSmartCardService::EstablishContext() {
    std::lock_guard lock(mutex_);
    if (established_)
        return SCARD_S_SUCCESS;
    const LONG rc = SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context_);
    established_ = rc == SCARD_S_SUCCESS;
    return rc;
}

void PcscSmartCardService::ReleaseContext() {
    std::lock_guard lock(mutex_);
    if (established_)
        SCardReleaseContext(context_);
    established_ = false;
    context_ = 0;
}

LONG PcscSmartCardService::ListReadersSize(DWORD& length) {
    std::lock_guard lock(mutex_);
    length = 0;
    if (!established_)
        return SCARD_E_INVALID_HANDLE;
    const LONG rc = SCardListReaders(context_, nullptr, nullptr, &length);
    if (rc != SCARD_S_SUCCESS)
        length = 0;
    return rc;
}

LONG PcscSmartCardService::ListReaders(char* buffer, DWORD& length) {
    std::lock_guard lock(mutex_);
    if (!established_)
        return SCARD_E_INVALID_HANDLE;
    return SCardListReaders(context_, nullptr, buffer, &length);
}

LONG PcscSmartCardService::GetStatusChange(const std::string& reader, DWORD& eventState) {
    std::lock_guard lock(mutex_);
    if (!established_)
        return SCARD_E_INVALID_HANDLE;
    SCARD_READERSTATE state{};
    state.szReader = reader.c_str();
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    const LONG rc = SCardGetStatusChange(context_, 0, &state, 1);
    eventState = state.dwEventState;
    return rc;
}

LONG PcscSmartCardService::Connect(const std::string& reader, SCARDHANDLE& card, DWORD& protocol) {
    std::lock_guard lock(mutex_);
    if (!established_)
        return SCARD_E_INVALID_HANDLE;
    return SCardConnect(context_, reader.c_str(), SCARD_SHARE_SHARED,
                        SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card, &protocol);
}

LONG PcscSmartCardService::Disconnect(SCARDHANDLE card) {
    return SCardDisconnect(card, SCARD_LEAVE_CARD);
}

// --- the test ---

SmartCardTester::SmartCardTester(SmartCardService& service, CardRwTest rwTest, SlotRunState& state,
                                 LogFunction log, DelayFunction delay)
    : service_(service), rwTest_(std::move(rwTest)), state_(state), log_(std::move(log)),
      delay_(std::move(delay)) {
    if (!rwTest_)
        rwTest_ = [](SCARDHANDLE card) { return static_cast<long>(MultiCardRWTest(card)); };
}

void SmartCardTester::Log(const std::string& text) {
    if (log_)
        log_(text);
}

void SmartCardTester::Trace(const std::string& text) {
    if (trace_)
        trace_(text);
}

void SmartCardTester::Delay(unsigned milliseconds) {
    if (delay_)
        delay_(milliseconds);
}

std::string SmartCardTester::FirstReaderName(DWORD& rememberedLength) {
    // A list longer than the usual 260 bytes is read whole; one that grew since
    // it was sized is sized again once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD length = std::clamp(rememberedLength, kReaderListBuffer, kReaderListLimit);
        std::vector<char> buffer(length + 1, '\0');
        const LONG rc = service_.ListReaders(buffer.data(), length);
        Trace(Hex("SCardListReaders ret = %x , length = %u\r\n", static_cast<unsigned>(rc),
                  static_cast<unsigned>(length)));
        if (rc == static_cast<LONG>(SCARD_E_INSUFFICIENT_BUFFER) && attempt == 0) {
            DWORD needed = 0;
            if (service_.ListReadersSize(needed) != SCARD_S_SUCCESS || needed == 0 ||
                needed > kReaderListLimit)
                return {};
            rememberedLength = needed;
            continue;
        }
        if (ServiceLost(rc)) {
            // pcscd stopped or started again: the context it gave is gone for
            // good. A new one is asked for now (and on every turn until one
            // is given), so the slot is tested again once the service is back
            // instead of staying silent for the rest of the run.
            service_.ReleaseContext();
            const LONG renewed = service_.EstablishContext();
            Trace(Hex("SCardEstablishContext again ret = %x\r\n", static_cast<unsigned>(renewed)));
            return {};
        }
        if (rc != SCARD_S_SUCCESS)
            return {};
        const size_t used = std::min<size_t>(length, buffer.size() - 1);
        return std::string(buffer.data(), strnlen(buffer.data(), used));
    }
    return {};
}

bool SmartCardTester::IsSmartCardPresent(const std::string& readerName,
                                         const std::atomic<bool>& stopRequested) {
    if (stopRequested || readerName.empty())
        return false;
    std::atomic<uint8_t>& status = state_.cardStatus[kSmartCardSlot];
    DWORD eventState = 0;
    if (service_.GetStatusChange(readerName, eventState) != SCARD_S_SUCCESS) {
        status |= smartcard::kStatusFailed;
        return false;
    }
    Trace(Hex("SCardGetStatus CurrentState= %x , SCardGetStatus EventState= %x\r\n", 0,
              static_cast<unsigned>(eventState)));
    if (eventState & kStatePresent) {
        status |= smartcard::kPresent;
        return true;
    }
    // A removed card ends the test of that insertion.
    if (status != smartcard::kNoReader)
        status = 0;
    return false;
}

void SmartCardTester::TestCard(const std::string& readerName) {
    std::atomic<uint8_t>& status = state_.cardStatus[kSmartCardSlot];
    CardConnection card(service_);
    const LONG rc = card.Connect(readerName);
    if (rc != SCARD_S_SUCCESS) {
        Trace(Hex("SCardConnect ret = %x\r\n", static_cast<unsigned>(rc)));
        status |= smartcard::kTested | smartcard::kFailed;
        Log("Smart Card Connect Fail ");
        return;
    }
    const long result = rwTest_(card.Handle());
    if (result == 0) {
        Trace(Hex("iRet Rw  SUCCESS Status=  %x\r\n", static_cast<unsigned>(result)));
        status |= smartcard::kTested | smartcard::kPassed;
        Log("Smart Card Success");
    } else {
        Trace(Hex("iRet Rw  Fail  Status=  %xr\n", static_cast<unsigned>(result)));
        status |= smartcard::kTested | smartcard::kFailed;
        Log("Smart Card Test Fail ");
    }
}

void SmartCardTester::RunSmartCardTest(std::atomic<int>& turnFlag,
                                       const std::atomic<bool>& stopRequested) {
    Trace("===== Smart Card Test Start =====\r\n");
    state_.cardStatus[kSmartCardSlot] = 0;
    state_.slotResult[kSmartCardSlot] = 0;
    ContextGuard context(service_);
    DWORD listLength = 0;
    if (context.Established())
        service_.ListReadersSize(listLength);
    Trace(Hex("SCardListReaders size = %u\r\n", static_cast<unsigned>(listLength)));

    while (!stopRequested) {
        if (turnFlag != 1) {
            Delay(kTurnPoll);
            continue;
        }
        std::atomic<uint8_t>& status = state_.cardStatus[kSmartCardSlot];
        if (status == smartcard::kNoReader) {
            // Out of the test for this run; the memory slots keep their turns.
            Delay(100);
        } else if (listLength != 0) {
            const std::string reader = FirstReaderName(listLength);
            if (!reader.empty() && IsSmartCardPresent(reader, stopRequested) &&
                !(status & smartcard::kTested)) {
                if (status & smartcard::kPresent)
                    TestCard(reader);
                Delay(200);
            }
        } else {
            Log("No SmartCard Reader");
            status = smartcard::kNoReader;
        }
        turnFlag = 0;
    }
    Trace("===== Smart Card Test End =====\r\n");
}

} // namespace orrick
