// The engine on the simulated reader with its real threads, a scripted PC/SC
// service, and short real sleeps for its waits.
#pragma once

#include "sim_fixture.h"
#include "sim_reader.h"
#include "smart_card_test.h"
#include "test_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace orrick::testing {

// Waits of the engine shortened tenfold, but still real sleeps.
inline void ShortSleep(unsigned ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::max(1u, ms / 10)));
}

template <typename Predicate>
bool WaitFor(Predicate done, std::chrono::seconds limit = std::chrono::seconds(30)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Order of what the two sides did, shared by the fakes below.
class SideLog {
public:
    void Add(char mark) {
        std::lock_guard lock(mutex_);
        marks_.push_back(mark);
    }
    std::string Marks() const {
        std::lock_guard lock(mutex_);
        return marks_;
    }

private:
    mutable std::mutex mutex_;
    std::string marks_;
};

// A PC/SC service with at most one reader; every call counts as smart-card
// work in progress for a moment, so that an overlapping pass-through request
// can be caught.
class FakeSmartCards : public SmartCardService {
public:
    std::atomic<bool> hasReader{false};
    std::atomic<bool> cardPresent{false};
    std::atomic<int> inCall{0};
    std::atomic<int> connects{0};
    SideLog* sideLog = nullptr; // 'L' for each reader-list read

    LONG EstablishContext() override {
        return Call([] { return SCARD_S_SUCCESS; });
    }
    void ReleaseContext() override {}
    LONG ListReadersSize(DWORD& length) override {
        return Call([&]() -> LONG {
            length = hasReader ? static_cast<DWORD>(sizeof kReader + 1) : 0;
            return hasReader ? SCARD_S_SUCCESS : SCARD_E_NO_READERS_AVAILABLE;
        });
    }
    LONG ListReaders(char* buffer, DWORD& length) override {
        if (sideLog)
            sideLog->Add('L');
        return Call([&]() -> LONG {
            if (!hasReader)
                return SCARD_E_NO_READERS_AVAILABLE;
            if (length < sizeof kReader + 1)
                return SCARD_E_INSUFFICIENT_BUFFER;
            std::memcpy(buffer, kReader, sizeof kReader);
            buffer[sizeof kReader] = '\0';
            length = sizeof kReader + 1;
            return SCARD_S_SUCCESS;
        });
    }
    LONG GetStatusChange(const std::string&, DWORD& eventState) override {
        return Call([&]() -> LONG {
            eventState = cardPresent ? SCARD_STATE_PRESENT : SCARD_STATE_EMPTY;
            return SCARD_S_SUCCESS;
        });
    }
    LONG Connect(const std::string&, SCARDHANDLE& card, DWORD& protocol) override {
        ++connects;
        return Call([&]() -> LONG {
            card = 1;
            protocol = SCARD_PROTOCOL_T1;
            return SCARD_S_SUCCESS;
        });
    }
    LONG Disconnect(SCARDHANDLE) override {
        return Call([] { return SCARD_S_SUCCESS; });
    }

    // The card test itself, as smart-card work too.
    CardRwTest RwTest(long result) {
        return [this, result](SCARDHANDLE) { return Call([result] { return result; }); };
    }

private:
    static constexpr char kReader[] = "Fake MultiCard reader 00 00";

    template <typename F> std::invoke_result_t<F> Call(F body) {
        ++inCall;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        auto result = body();
        --inCall;
        return result;
    }
};

// The simulated reader seen through a window: requests can be failed by
// content and watched as they go.
class ObservedBackend : public ScsiBackend {
public:
    explicit ObservedBackend(simreader::SimReaderBackend& sim) : sim_(sim) {}

    // Set before the engine starts; called on the engine's threads.
    std::function<bool(const ScsiRequest&)> failIf;
    std::function<void(const ScsiRequest&)> onExecute;

    std::vector<std::string> ListDrives() override { return sim_.ListDrives(); }
    bool IsRemovableOrOptical(const std::string& name) override {
        return sim_.IsRemovableOrOptical(name);
    }
    DriveHandle Open(const std::string& name) override { return sim_.Open(name); }
    void Close(DriveHandle handle) override { sim_.Close(handle); }
    ScsiResult Execute(DriveHandle handle, const ScsiRequest& request) override {
        if (onExecute)
            onExecute(request);
        if (failIf && failIf(request))
            return ScsiResult::Failed();
        return sim_.Execute(handle, request);
    }
    std::optional<uint64_t> BlockCount(const std::string& name) override {
        return sim_.BlockCount(name);
    }

private:
    simreader::SimReaderBackend& sim_;
};

inline bool IsRead(const ScsiRequest& r, uint8_t space, uint16_t address) {
    return r.opcode() == scsi::kVendorReadMemory && r.cdb[2] == space &&
           ((unsigned{r.cdb[4]} << 8) | r.cdb[5]) == address;
}

class EngineTest : public ::testing::Test {
protected:
    EngineTest() : observed(sim) {}
    ~EngineTest() override {
        if (engine)
            engine->Stop();
    }

    // The default multi-slot reader: CF, SD, SM/xD on one LUN, MS; drives sdb..sde.
    simreader::SimController& AddReader(simreader::Family family = simreader::Family::MultiSlot,
                                        std::vector<std::string> drives = {"sdb", "sdc", "sdd",
                                                                           "sde"}) {
        const size_t i = sim.AddController(std::make_unique<simreader::SimController>(family),
                                           std::move(drives));
        return sim.Controller(i);
    }

    TestEngine& MakeEngine(const TestSettings& settings, CardRwTest rwTest = {}) {
        if (!rwTest)
            rwTest = cards.RwTest(0);
        engine = std::make_unique<TestEngine>(observed, cards, std::move(rwTest), ShortSleep);
        engine->SetSettings(settings);
        return *engine;
    }

    int LogCount(const std::string& line) const {
        const auto lines = engine->Log().Lines();
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }
    bool LogHas(const std::string& line) const { return LogCount(line) > 0; }
    std::string Verdict(int slot) const {
        return engine->SlotLabels().verdict[static_cast<size_t>(slot)].text;
    }
    int SentCount(uint8_t opcode) const {
        const auto sent = sim.SentRequests();
        return static_cast<int>(std::count_if(
            sent.begin(), sent.end(), [&](const auto& s) { return s.request.opcode() == opcode; }));
    }

    simreader::SimReaderBackend sim;
    ObservedBackend observed;
    FakeSmartCards cards;
    std::unique_ptr<TestEngine> engine;
};

inline TestSettings MemorySlots(std::initializer_list<int> slots) {
    TestSettings s;
    for (int slot : slots) {
        uint8_t* const enable[] = {&s.cf, &s.sd, &s.sm, &s.xd, &s.ms, &s.sd2, &s.ms2};
        *enable[slot] = 1;
    }
    return s;
}

} // namespace orrick::testing
