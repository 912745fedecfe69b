#include "test_engine.h"

#include "trace.h"

#include <algorithm>
#include <chrono>

namespace orrick {
namespace {

constexpr unsigned kPollMs = 10;
constexpr unsigned kReaderPollMs = 100;
constexpr unsigned kFailedRunIdleMs = 500;
constexpr unsigned kAfterCycleMs = 200;
constexpr unsigned kDisplayStepMs = 50;
constexpr int kTransportFailureLimit = 3;
constexpr int kSmSlot = 2;
constexpr int kXdSlot = 3;

// A run keeps what it started with: while its threads live, a new value waits
// for the next run.
template <typename T>
void TakeOver(bool runAlive, const T& value, T& current, std::optional<T>& pending) {
    if (runAlive) {
        pending = value;
    } else {
        current = value;
        pending.reset();
    }
}

template <typename T> void ApplyPending(T& current, std::optional<T>& pending) {
    if (pending) {
        current = *pending;
        pending.reset();
    }
}

} // namespace

TestEngine::TestEngine(ScsiBackend& backend, SmartCardService& smartCards, CardRwTest rwTest,
                       DelayFunction delay, FormatEnvironment formatEnvironment)
    : delay_(delay ? std::move(delay) : DelayFunction([](unsigned ms) {
          std::this_thread::sleep_for(std::chrono::milliseconds(ms));
      })),
      device_(backend), checks_(device_, settings_, [this](const std::string& t) { AppendLog(t); }),
      slots_(
          device_, settings_, state_, [this](const std::string& t) { AppendLog(t); }, delay_),
      formatter_(
          device_, [this](const std::string& t) { AppendLog(t); }, std::move(formatEnvironment)),
      smartCard_(
          smartCards, std::move(rwTest), state_, [this](const std::string& t) { AppendLog(t); },
          delay_) {
    device_.SetDelay(delay_);
    slots_.afterReadWritePass = [this](int slot, ReaderContext& drive) {
        formatter_.FormatSlotCard(slot, drive, labels_);
    };
    checks_.ResetLabels();
    slots_.ResetLabels();
}

TestEngine::~TestEngine() {
    Stop();
}

void TestEngine::SetSettings(const TestSettings& settings) {
    std::lock_guard lock(arrivalMutex_);
    TakeOver(ThreadsAlive(), settings, settings_, pendingSettings_);
}

void TestEngine::SetLabelSettings(const LabelSettings& labels) {
    std::lock_guard lock(arrivalMutex_);
    TakeOver(ThreadsAlive(), labels, labels_, pendingLabels_);
}

void TestEngine::SetLogSink(LogSink* sink) {
    std::lock_guard lock(verdictMutex_);
    sink_ = sink;
    logPane_.SetObserver(
        sink ? LogPane::LineObserver([sink](const std::string& line) { sink->WriteLine(line); })
             : LogPane::LineObserver{});
}

void TestEngine::SetTrace(TraceFunction trace) {
    device_.SetTrace(trace);
    smartCard_.SetTrace(trace);
    trace_ = std::move(trace);
}

void TestEngine::Trace(std::string_view line) {
    if (trace_)
        trace_(line);
    else
        TraceLine(line);
}

void TestEngine::AppendLog(const std::string& text) {
    logPane_.Append(text);
}

void TestEngine::Wait(unsigned milliseconds) {
    delay_(milliseconds);
}

ReaderTable TestEngine::TableSnapshot() const {
    std::lock_guard lock(publishedMutex_);
    return publishedTable_;
}

uint8_t TestEngine::CardStatus(int slot) const {
    return slot >= 0 && slot < kRunSlots ? state_.cardStatus[static_cast<size_t>(slot)].load() : 0;
}

uint8_t TestEngine::SlotResult(int slot) const {
    return slot >= 0 && slot < kRunSlots ? state_.slotResult[static_cast<size_t>(slot)].load() : 0;
}

// Caller holds tableMutex_.
void TestEngine::PublishTable() {
    std::lock_guard lock(publishedMutex_);
    publishedTable_ = table_;
}

void TestEngine::PublishVerdicts() {
    const SlotLabelsView view = slots_.View();
    std::lock_guard lock(verdictMutex_);
    for (int column = 0; column < kRunSlots; ++column) {
        // SM and xD share one label (the view holds it at both indices):
        // it belongs to the slot that drew it, the one holding a card.
        if (column == kXdSlot)
            continue;
        const std::string& text = view.verdict[static_cast<size_t>(column)].text;
        std::string& last = lastVerdict_[static_cast<size_t>(column)];
        if (text == last)
            continue;
        last = text;
        // A label going blank is the end of a run, not a verdict.
        if (!sink_ || text.empty())
            continue;
        int slot = column;
        if (column == kSmSlot && state_.cardStatus[kSmSlot] == 0 &&
            (state_.cardStatus[kXdSlot] != 0 || !settings_.sm))
            slot = kXdSlot;
        sink_->WriteVerdict(slot, text);
    }
}

void TestEngine::Start() {
    std::lock_guard lock(arrivalMutex_);
    bool found = false;
    {
        std::lock_guard table(tableMutex_);
        device_.ScanReaderDrives(table_);
        PublishTable();
        found = table_[0].valid != 0;
    }
    if (found && !running_)
        StartRun();
}

void TestEngine::Stop() {
    std::lock_guard lock(arrivalMutex_);
    stopRequested_ = true;
    turnFlag_ = 1; // releases a smart-card side that waits for its turn
    JoinThreads();
}

void TestEngine::JoinThreads() {
    for (std::thread* t : {&testThread_, &displayThread_, &smartCardThread_})
        if (t->joinable())
            t->join();
}

bool TestEngine::ThreadsAlive() const {
    return testThread_.joinable() || displayThread_.joinable() || smartCardThread_.joinable();
}

void TestEngine::StartRun() {
    // The previous run has ended (running_ is clear) but its threads may
    // still be on their way out.
    JoinThreads();
    ApplyPending(settings_, pendingSettings_);
    ApplyPending(labels_, pendingLabels_);
    state_.Clear();
    {
        // The display thread draws from its first step on, so it must know
        // the reader's kind before it starts: a two-slot reader has no SD2 column.
        std::lock_guard table(tableMutex_);
        slots_.SetReaderKind(table_[0].twoSlot, table_[0].model);
    }
    stopRequested_ = false;
    smartCardStart_ = false;
    failedRun_ = false;
    turnFlag_ = 1; // the smart-card side goes first
    running_ = true;
    displayActive_ = true;
    smartCardActive_ = true;
    testThread_ = std::thread(&TestEngine::TestThread, this);
    displayThread_ = std::thread(&TestEngine::DisplayThread, this);
    smartCardThread_ = std::thread(&TestEngine::SmartCardThread, this);
}

void TestEngine::OnDeviceArrival() {
    std::lock_guard lock(arrivalMutex_);
    Trace("Device plug in!\n");
    // A run that a removal has stopped is on its way out; a reader plugged in
    // meanwhile would otherwise go unnoticed, as no further event comes.
    if (running_ && stopRequested_)
        JoinThreads();
    if (running_)
        return;
    // Idle, so nothing else reads the table: scan even when entry 0 survived
    // the last run (a reader that lost only some of its drives).
    bool found = false;
    {
        std::lock_guard table(tableMutex_);
        AppendLog("Device plug in !! ");
        device_.ScanReaderDrives(table_);
        PublishTable();
        found = table_[0].valid != 0;
    }
    if (found) {
        AppendLog("Found Device !! ");
        StartRun();
    } else {
        AppendLog("No Found Device !! ");
    }
}

void TestEngine::OnDeviceRemoval() {
    std::lock_guard lock(arrivalMutex_);
    Trace("Device Remvoe Complete!!\r\n");
    // Decided from the published copy: the window thread never waits for a
    // cycle that holds the table.
    size_t gone = 0;
    for (const ReaderContext& entry : TableSnapshot())
        if (entry.valid && !device_.IsRemovableOrOptical(entry.driveName))
            ++gone;
    if (gone == 0)
        return;
    for (size_t i = 0; i < gone; ++i)
        AppendLog("Device plug out !! ");
    stopRequested_ = true;
    turnFlag_ = 1;
    checks_.BlankStatusLabels();
    // Whoever else holds the table is the test thread, which clears the
    // entries itself on its way out.
    std::unique_lock table(tableMutex_, std::try_to_lock);
    if (table.owns_lock())
        ClearVanishedEntries();
}

// Caller holds tableMutex_.
void TestEngine::ClearVanishedEntries() {
    for (ReaderContext& entry : table_)
        if (entry.valid && !device_.IsRemovableOrOptical(entry.driveName))
            entry.valid = 0;
    PublishTable();
}

bool TestEngine::IsReaderComplete() {
    std::lock_guard lock(tableMutex_);
    device_.ScanReaderDrives(table_);
    PublishTable();
    if (!table_[0].valid)
        return false;
    const auto drives = std::count_if(table_.begin(), table_.end(),
                                      [](const ReaderContext& e) { return e.valid != 0; });
    if (drives != CountDistinctLuns(table_[0]))
        return false;
    AppendLog("Device Found!!");
    return true;
}

void TestEngine::TestRun() {
    state_.ClearMemorySlots();
    bool twoSlot = false;
    {
        std::lock_guard lock(tableMutex_);
        ReaderContext& entry0 = table_[0];
        if (!running_ || stopRequested_ || !entry0.valid)
            return;
        twoSlot = entry0.twoSlot;
        slots_.SetReaderKind(entry0.twoSlot, entry0.model);
        if (OpenDrive drive(device_, entry0); drive)
            device_.SetTestMode(entry0);

        int transportFailures = 0;
        do {
            entry0.errorFlags = 0;
            if (stopRequested_)
                break;
            checks_.CheckUsbSpeed(entry0);
            if (entry0.errorFlags == 0 && !stopRequested_)
                checks_.CheckReaderInformation(entry0);
            if (entry0.errorFlags == 0 && !stopRequested_)
                checks_.CheckRom(entry0);
            if (entry0.errorFlags == 0 && !stopRequested_)
                checks_.CheckLuns(entry0);
            if ((entry0.errorFlags & TransportFailure) &&
                ++transportFailures == kTransportFailureLimit) {
                AppendLog("Please Re-Plugin Device");
                break;
            }
        } while (entry0.errorFlags & TransportFailure);
        failedRun_ = stopRequested_ || entry0.errorFlags != 0;
        PublishTable();
    }
    if (failedRun_) {
        // Nothing of a failed reader is tested, its smart-card slot included:
        // the smart-card side never starts, and the reader waits for its removal.
        state_.MarkNotTested(twoSlot);
        while (running_ && !stopRequested_)
            Wait(kFailedRunIdleMs);
        return;
    }

    // The reader passed its checks: the smart-card side takes the first turn.
    smartCardStart_ = true;
    while (running_ && !stopRequested_) {
        if (turnFlag_ != 0) {
            Wait(kPollMs);
            continue;
        }
        const CycleOutcome outcome = RunSlotCycle();
        if (outcome == CycleOutcome::Stopped)
            break;
        if (outcome == CycleOutcome::RefreshFailed) {
            // The reader did not answer; try again without spinning.
            Wait(kReaderPollMs);
            continue;
        }
        Wait(kAfterCycleMs);
        turnFlag_ = 1;
    }
}

TestEngine::CycleOutcome TestEngine::RunSlotCycle() {
    std::lock_guard lock(tableMutex_);
    ReaderContext& entry0 = table_[0];
    if (!entry0.valid)
        return CycleOutcome::RefreshFailed;
    if (OpenDrive drive(device_, entry0); drive)
        device_.SetTestMode(entry0);
    if (stopRequested_)
        return CycleOutcome::Stopped;
    device_.RefreshSlotStatus(entry0);
    if (entry0.errorFlags & TransportFailure)
        return CycleOutcome::RefreshFailed;
    const int slotCount = entry0.twoSlot ? 2 : kSlotCount;
    for (int slot = 0; slot < slotCount; ++slot) {
        if (stopRequested_)
            return CycleOutcome::Stopped;
        slots_.ShowSlotMode(slot, entry0); // also takes the reader kind from entry 0
        if (!slots_.SlotEnabled(slot))
            continue;
        if (slots_.RunSlotStep(slot, table_, checks_) == SlotTester::StepOutcome::UsbSpeedFailed)
            break;
    }
    PublishTable();
    return CycleOutcome::Done;
}

void TestEngine::TestThread() {
    while (true) {
        if (IsReaderComplete()) {
            if (!stopRequested_)
                TestRun();
            break;
        }
        if (stopRequested_)
            break;
        Wait(kReaderPollMs);
    }
    stopRequested_ = true;
    // The result table goes back to its initial look only once nothing
    // writes it any more.
    while (displayActive_ || smartCardActive_)
        Wait(kPollMs);
    {
        std::lock_guard table(tableMutex_);
        ClearVanishedEntries();
    }
    state_.Clear();
    slots_.ResetLabels();
    PublishVerdicts();
    smartCardStart_ = false;
    running_ = false;
}

void TestEngine::DisplayThread() {
    int slot = 0;
    while (running_ && !stopRequested_) {
        slots_.ShowSlotReadWrite(slot);
        slots_.ShowSlotWriteProtect(slot);
        slots_.ShowSlotVerdict(slot);
        PublishVerdicts();
        slot = (slot + 1) % kRunSlots;
        Wait(kDisplayStepMs);
    }
    displayActive_ = false;
}

void TestEngine::SmartCardThread() {
    while (!smartCardStart_ && !stopRequested_)
        Wait(kReaderPollMs);
    if (!stopRequested_)
        smartCard_.RunSmartCardTest(turnFlag_, stopRequested_);
    smartCardActive_ = false;
}

} // namespace orrick
