// The memory-card slot tests: the mode shown in the "Info." row, the sector
// read/write test, write protection, and the per-slot verdict.
#pragma once

#include "reader_checks.h"
#include "reader_device.h"
#include "slot_state.h"
#include "test_settings.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <random>
#include <string>

namespace orrick {

// Text of a slot's mode byte; empty for slots without a mode (index above 6).
// hgExtra is consulted only for an MS slot of an HG reader reporting "HG 4"
// capability: it returns the 20 bytes at 0x5088 or false when they cannot be read.
using HgExtraRead = std::function<bool(std::array<uint8_t, 20>& out)>;
std::string FormatSlotMode(int slotKind, uint8_t mode, bool twoSlot, ControllerModel model,
                           const HgExtraRead& hgExtra = {});

class SlotTester {
public:
    enum class StepOutcome { Continue, UsbSpeedFailed };

    // seed: the pattern and block address of every read/write test come from
    // one engine seeded here; tests pass a fixed seed.
    SlotTester(ReaderDevice& device, const TestSettings& settings, SlotRunState& state,
               LogFunction log, DelayFunction delay, uint64_t seed = FreshSeed());

    static uint64_t FreshSeed();

    // entry0 is the reader's ReaderTable entry 0.
    void ShowSlotMode(int slot, ReaderContext& entry0);
    bool TestSlotReadWrite(int slot, ReaderContext& drive);
    // Everything of one enabled slot's cycle after its mode has been shown.
    // table[0] must have been refreshed by RefreshSlotStatus in this cycle.
    StepOutcome RunSlotStep(int slot, ReaderTable& table, ReaderChecks& checks);

    // Display-thread updates of the "R/W", "W/P" and verdict rows.
    void ShowSlotReadWrite(int slot);
    void ShowSlotWriteProtect(int slot);
    void ShowSlotVerdict(int slot);

    void LogSlot(int slot, const std::string& text);

    SlotLabelsView View() const;
    // The initial look of the result table.
    void ResetLabels();

    // Called after a passed read/write test with the drive still open;
    // the format step of two-slot readers hooks in here.
    std::function<void(int slot, ReaderContext&)> afterReadWritePass;

    // Set from entry 0 when a run starts (and by RunSlotStep/ShowSlotMode).
    void SetReaderKind(bool twoSlot, ControllerModel model);
    // Whether the settings test this slot on the current kind of reader.
    bool SlotEnabled(int slot) const;
    // The slot (2 SM or 3 xD) whose state the shared SM/xD column shows.
    int SmXdColumnSlot() const;

private:
    struct ExpectedMode {
        bool chosen = false; // a combo item other than "None"
        std::string text;
    };
    using LabelRow = std::array<SlotLabel, kRunSlots> SlotLabelsView::*;
    using Sector = std::array<uint8_t, 512>;

    ExpectedMode ExpectedModeOf(int slot) const;
    int ExpectedScore(int slot) const;
    bool HasReadWriteAndVerdictRows(int slot) const;
    bool HasWriteProtectRow(int slot) const;
    bool DrawsColumn(int slot) const;
    uint32_t HighestTestBlock(const ReaderContext& drive);
    bool RestoreBackup(uint32_t block, const Sector& backup, ReaderContext& drive,
                       bool patternAccepted);
    void Log(const std::string& text);
    void Delay(unsigned milliseconds);
    void SetLabel(LabelRow row, int slot, std::string text, Rgb colour);
    void BlankLabel(LabelRow row, int slot);

    ReaderDevice& device_;
    const TestSettings& settings_;
    SlotRunState& state_;
    LogFunction log_;
    DelayFunction delay_;
    std::mt19937 random_;

    mutable std::mutex mutex_;
    SlotLabelsView view_;
    std::atomic<bool> twoSlot_{false};
    std::atomic<ControllerModel> model_{ControllerModel::None};
};

} // namespace orrick
