// The test sequence of a production-line session: waits for a complete
// reader, runs the reader checks, then alternates memory-slot cycles with
// smart-card turns until the reader goes away. Display-free; the window
// forwards device events and reads snapshots.
//
// Sharing of the ReaderTable: the engine's table is touched only under
// tableMutex_, by scans (arrival, the test thread's wait for a complete
// reader) and by the reader checks and slot cycles, so a scan never rewrites
// it while a cycle reads it. The window thread never waits for that lock:
// it reads a copy published after every scan and cycle, and a removal
// decides from that copy (the test thread clears vanished entries itself
// when it holds the table).
#pragma once

#include "device_events.h"
#include "fat_format.h"
#include "log_pane.h"
#include "reader_checks.h"
#include "reader_device.h"
#include "slot_state.h"
#include "slot_tests.h"
#include "smart_card_test.h"
#include "test_settings.h"

#include <array>
#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace orrick {

class TestEngine : public DeviceEvents {
public:
    // An empty delay sleeps; an empty rwTest is the pre-test library's test.
    TestEngine(ScsiBackend& backend, SmartCardService& smartCards, CardRwTest rwTest = {},
               DelayFunction delay = {},
               FormatEnvironment formatEnvironment = FormatEnvironment::System());
    ~TestEngine() override;
    TestEngine(const TestEngine&) = delete;
    TestEngine& operator=(const TestEngine&) = delete;

    // Takes effect at once when no run is active, else from the next run on:
    // a run keeps the settings it started with.
    void SetSettings(const TestSettings& settings);
    // The format options of two-slot readers, taken over as SetSettings does.
    void SetLabelSettings(const LabelSettings& labels);
    // Every log line and every verdict change also goes to the sink; set it
    // before Start. The sink must outlive the engine's threads.
    void SetLogSink(LogSink* sink);
    void SetTrace(TraceFunction trace);

    // Scans once; a reader that is already plugged in starts a run.
    void Start();
    // Ends the run and joins every thread of the engine.
    void Stop();

    void OnDeviceArrival() override;
    void OnDeviceRemoval() override;

    // Snapshots for the window.
    bool Running() const { return running_.load(); }
    const LogPane& Log() const { return logPane_; }
    SlotLabelsView SlotLabels() const { return slots_.View(); }
    ReaderCheckView StatusLabels() const { return checks_.View(); }
    ReaderTable TableSnapshot() const;
    uint8_t CardStatus(int slot) const;
    uint8_t SlotResult(int slot) const;

    void AppendLog(const std::string& text);

    // Steps of the sequence, callable on their own by the benchmark.
    bool IsReaderComplete();
    void TestRun();
    enum class CycleOutcome { Done, RefreshFailed, Stopped };
    // One memory-slot cycle over the enabled slots.
    CycleOutcome RunSlotCycle();

private:
    void StartRun();
    void JoinThreads();
    bool ThreadsAlive() const;
    void TestThread();
    void DisplayThread();
    void SmartCardThread();
    void Wait(unsigned milliseconds);
    void Trace(std::string_view line);
    void PublishTable();
    void ClearVanishedEntries();
    void PublishVerdicts();

    DelayFunction delay_;
    TraceFunction trace_; // set before Start
    ReaderDevice device_;
    TestSettings settings_;                       // read by the worker threads during a run
    std::optional<TestSettings> pendingSettings_; // guarded by arrivalMutex_
    LabelSettings labels_;                        // read by the test thread during a run
    std::optional<LabelSettings> pendingLabels_;  // guarded by arrivalMutex_
    SlotRunState state_;
    LogPane logPane_;
    ReaderChecks checks_;
    SlotTester slots_;
    FatFormatter formatter_;
    SmartCardTester smartCard_;

    // Arrival, removal, start and stop, one at a time; recursive so that a
    // handler may re-enter through a nested event.
    std::recursive_mutex arrivalMutex_;
    mutable std::mutex tableMutex_;
    ReaderTable table_;
    mutable std::mutex publishedMutex_;
    ReaderTable publishedTable_;

    std::mutex verdictMutex_;
    std::array<std::string, kRunSlots> lastVerdict_;
    LogSink* sink_ = nullptr;

    std::atomic<bool> running_{false};
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> smartCardStart_{false};
    std::atomic<int> turnFlag_{1}; // 1: smart-card side's turn, 0: memory slots'
    std::atomic<bool> failedRun_{false};
    std::atomic<bool> displayActive_{false};
    std::atomic<bool> smartCardActive_{false};

    std::thread testThread_;
    std::thread displayThread_;
    std::thread smartCardThread_;
};

} // namespace orrick
