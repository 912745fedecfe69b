// Cost of the memory-slot cycle on the simulated reader with a card in each
// of the seven slots: pass-through commands and time per cycle, whether the
// cycle sends anything beyond its named commands, and the time from a card's
// insertion to its verdict with the engine's threads running.
#include "sim_reader.h"
#include "smart_card_test.h"
#include "test_engine.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// A PC/SC service with no reader: the smart-card side hands its turns back.
class NoReaderService : public orrick::SmartCardService {
public:
    LONG EstablishContext() override { return SCARD_S_SUCCESS; }
    void ReleaseContext() override {}
    LONG ListReadersSize(DWORD& length) override {
        length = 0;
        return SCARD_E_NO_READERS_AVAILABLE;
    }
    LONG ListReaders(char*, DWORD& length) override {
        length = 0;
        return SCARD_E_NO_READERS_AVAILABLE;
    }
    LONG GetStatusChange(const std::string&, DWORD&) override { return SCARD_E_READER_UNAVAILABLE; }
    LONG Connect(const std::string&, SCARDHANDLE&, DWORD&) override { return SCARD_E_NO_SMARTCARD; }
    LONG Disconnect(SCARDHANDLE) override { return SCARD_S_SUCCESS; }
};

orrick::TestSettings AllSlots() {
    orrick::TestSettings s;
    s.cf = s.sd = s.sm = s.xd = s.ms = s.sd2 = s.ms2 = 1;
    return s;
}

size_t AddReader(simreader::SimReaderBackend& backend) {
    auto controller = std::make_unique<simreader::SimController>(simreader::Family::MultiSlot);
    // SM and xD share a LUN, as do MS and MS2.
    const uint8_t luns[] = {0, 1, 2, 2, 3, 4, 3};
    for (int slot = 0; slot < 7; ++slot)
        controller->SetSlotLun(slot, luns[slot]);
    return backend.AddController(std::move(controller), {"sdb", "sdc", "sdd", "sde", "sdf"});
}

// What a cycle may send: the test mode, the status block, the mode bytes,
// and READ/WRITE of the read/write tests.
std::string Classify(const orrick::ScsiRequest& r) {
    switch (r.opcode()) {
    case orrick::scsi::kVendorTestMode:
        return "test mode (D0)";
    case orrick::scsi::kVendorReadMemory: {
        const unsigned address = (unsigned{r.cdb[4]} << 8) | r.cdb[5];
        if (r.cdb[2] == orrick::kRegisterSpace && address == 0x80)
            return "slot status (D2 12:0080)";
        if (r.cdb[2] == orrick::kConfigSpace && address == 0x5060)
            return "slot modes (D2 13:5060)";
        return "other D2";
    }
    case orrick::scsi::kRead10:
        return "READ(10)";
    case orrick::scsi::kWrite10:
        return "WRITE(10)";
    default:
        return "other";
    }
}

int CountUnnamed(const std::map<std::string, int>& counts) {
    int n = 0;
    for (const auto& [name, count] : counts)
        if (name.starts_with("other"))
            n += count;
    return n;
}

void MeasureCycles() {
    simreader::SimReaderBackend backend;
    const size_t index = AddReader(backend);
    for (int slot = 0; slot < 7; ++slot)
        backend.Controller(index).InsertCard(slot, simreader::SimCard{});
    NoReaderService service;
    unsigned long delayed = 0;
    orrick::TestEngine engine(backend, service, {}, [&](unsigned ms) { delayed += ms; });
    engine.SetSettings(AllSlots());
    if (!engine.IsReaderComplete()) {
        std::printf("reader not complete\n");
        return;
    }

    auto cycle = [&](const char* title) {
        backend.ClearSentRequests();
        delayed = 0;
        const auto t0 = Clock::now();
        engine.RunSlotCycle();
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
        std::map<std::string, int> counts;
        const auto sent = backend.SentRequests();
        for (const auto& s : sent)
            ++counts[Classify(s.request)];
        std::printf("%s: %zu commands, %.0f us of work + %lu ms of fixed waits\n", title,
                    sent.size(), us, delayed);
        for (const auto& [name, count] : counts)
            std::printf("  %-26s %d\n", name.c_str(), count);
        std::printf("  commands beyond the named ones: %d\n", CountUnnamed(counts));
    };
    cycle("first cycle (seven cards tested)");
    cycle("next cycle (cards already tested)");

    constexpr int kRounds = 200;
    backend.ClearSentRequests();
    const auto t0 = Clock::now();
    for (int i = 0; i < kRounds; ++i)
        engine.RunSlotCycle();
    const double us = std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
    std::printf("steady cycle: %.1f us of work on average over %d cycles\n", us / kRounds, kRounds);
    std::printf("each memory-slot turn also waits 200 ms after its cycle, and the smart-card\n"
                "turn between two cycles takes its own time (100 ms without a reader)\n");
}

void MeasureInsertionToVerdict() {
    simreader::SimReaderBackend backend;
    const size_t index = AddReader(backend);
    NoReaderService service;
    orrick::TestEngine engine(backend, service);
    engine.SetSettings(AllSlots());
    engine.Start();
    // Wait until the reader checks are over and the cycles run.
    const auto started = Clock::now();
    auto found = [&] {
        for (const std::string& line : engine.Log().Lines())
            if (line == "Device Found!!")
                return true;
        return false;
    };
    while (!found()) {
        if (Clock::now() - started > std::chrono::seconds(20)) {
            std::printf("run did not start\n");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    double total = 0, worst = 0;
    int measured = 0;
    for (int slot : {0, 1, 2, 4, 5}) { // slots with a verdict label of their own
        const auto t0 = Clock::now();
        backend.Controller(index).InsertCard(slot, simreader::SimCard{});
        while (!engine.SlotLabels().verdict[static_cast<size_t>(slot)].text.starts_with("Pass")) {
            if (Clock::now() - t0 > std::chrono::seconds(10))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        std::printf("slot %d: insertion to \"%s\" in %.0f ms\n", slot,
                    engine.SlotLabels().verdict[static_cast<size_t>(slot)].text.c_str(), ms);
        total += ms;
        worst = std::max(worst, ms);
        ++measured;
    }
    std::printf("insertion to verdict: %.0f ms on average, %.0f ms at worst\n", total / measured,
                worst);
    engine.Stop();
}

} // namespace

int main() {
    MeasureCycles();
    MeasureInsertionToVerdict();
    return 0;
}
