// The smart-card slot test: find the reader's PC/SC reader, wait for a card,
// and run the pre-test library's read/write test on it once per insertion.
#pragma once

#include "reader_checks.h"
#include "reader_device.h"
#include "slot_state.h"

#include <winscard.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace orrick {

// The PC/SC calls the test needs, so that the unit tier can script them.
class SmartCardService {
public:
    virtual ~SmartCardService() = default;
    virtual LONG EstablishContext() = 0; // system scope
    virtual void ReleaseContext() = 0;
    // Size query of the reader multi-string (no groups, no buffer).
    virtual LONG ListReadersSize(DWORD& length) = 0;
    // Reads the multi-string into buffer; length is its size in, bytes used out.
    virtual LONG ListReaders(char* buffer, DWORD& length) = 0;
    // One status query, timeout 0, current state unaware.
    virtual LONG GetStatusChange(const std::string& reader, DWORD& eventState) = 0;
    // Shared access, T=0 or T=1.
    virtual LONG Connect(const std::string& reader, SCARDHANDLE& card, DWORD& protocol) = 0;
    // Leaves the card as it is.
    virtual LONG Disconnect(SCARDHANDLE card) = 0;
};

class PcscSmartCardService : public SmartCardService {
public:
    PcscSmartCardService() = default;
    ~PcscSmartCardService() override;
    PcscSmartCardService(const PcscSmartCardService&) = delete;
    PcscSmartCardService& operator=(const PcscSmartCardService&) = delete;

    LONG EstablishContext() override;
    // Safe from another thread while the test runs (the window's close).
    void ReleaseContext() override;
    LONG ListReadersSize(DWORD& length) override;
    LONG ListReaders(char* buffer, DWORD& length) override;
    LONG GetStatusChange(const std::string& reader, DWORD& eventState) override;
    LONG Connect(const std::string& reader, SCARDHANDLE& card, DWORD& protocol) override;
    LONG Disconnect(SCARDHANDLE card) override;

private:
    std::mutex mutex_;
    SCARDCONTEXT context_ = 0;
    bool established_ = false;
};

// The card test: 0 passed, anything else failed; the card stays connected.
using CardRwTest = std::function<long(SCARDHANDLE card)>;

class SmartCardTester {
public:
    // An empty rwTest means MultiCardRWTest of the pre-test library.
    SmartCardTester(SmartCardService& service, CardRwTest rwTest, SlotRunState& state,
                    LogFunction log, DelayFunction delay);

    void SetTrace(TraceFunction trace) { trace_ = std::move(trace); }

    // Body of the smart-card thread; returns once stopRequested is set.
    void RunSmartCardTest(std::atomic<int>& turnFlag, const std::atomic<bool>& stopRequested);
    bool IsSmartCardPresent(const std::string& readerName, const std::atomic<bool>& stopRequested);

private:
    std::string FirstReaderName(DWORD& rememberedLength);
    void TestCard(const std::string& readerName);
    void Log(const std::string& text);
    void Trace(const std::string& text);
    void Delay(unsigned milliseconds);

    SmartCardService& service_;
    CardRwTest rwTest_;
    SlotRunState& state_;
    LogFunction log_;
    DelayFunction delay_;
    TraceFunction trace_;
};

} // namespace orrick
