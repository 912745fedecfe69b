#include "slot_tests.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace orrick {
namespace {

using Buffer = std::array<uint8_t, scsi::kControllerReadSize>;
using Sector = std::array<uint8_t, scsi::kBlockSize>;

constexpr int kSm = 2;
constexpr int kXd = 3;
constexpr int kMs = 4;
constexpr int kMs2 = 6;
// Highest block the read/write test may use.
constexpr uint32_t kHighestTestBlock = 4096;

// Controller slot status bits (only the low six are meaningful).
constexpr uint8_t kStatusPresent = 0x01;
constexpr uint8_t kStatusReady = 0x02;
constexpr uint8_t kStatusWriteProtect = 0x04;
constexpr uint8_t kStatusInitFail = 0x20;

size_t ColumnIndex(int slot) {
    return static_cast<size_t>(slot == kXd ? kSm : slot);
}

bool HasAll(uint8_t value, uint8_t bits) {
    return (value & bits) == bits;
}

// value = (value & ~clear) | set, as one step against the display thread.
void Update(std::atomic<uint8_t>& value, uint8_t clear, uint8_t set) {
    uint8_t old = value.load();
    while (!value.compare_exchange_weak(old, static_cast<uint8_t>((old & ~clear) | set))) {
    }
}

std::string Printf(const char* format, int value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

bool IsHgModel(ControllerModel model) {
    return model == ControllerModel::MultiSlotHg || model == ControllerModel::MultiSlotExtraHg;
}

std::string SdWidthText(uint8_t mode) {
    if (mode & 0x02)
        return (mode & 0x40) ? "SDHC 4" : "SDHC 1";
    if (mode & 0x80)
        return "8 bits";
    return (mode & 0x40) ? "4 bits" : "1 bit";
}

} // namespace

std::string FormatSlotMode(int slotKind, uint8_t mode, bool twoSlot, ControllerModel model,
                           const HgExtraRead& hgExtra) {
    if (slotKind < 0 || slotKind >= kSlotCount)
        return {};
    if (twoSlot)
        return slotKind < 2 ? SdWidthText(mode) : std::string{};
    switch (slotKind) {
    case 0:
        if ((mode & 0xF8) == 0x08)
            return Printf("PIO %d", mode & 7);
        if ((mode & 0xF8) == 0x40)
            return Printf("UDMA %d", mode & 7);
        return Printf("%02X", mode);
    case kSm:
    case kXd:
        return (mode & 0x80) ? "xD" : "SM";
    case kMs:
    case kMs2:
        if (IsHgModel(model) && (mode & 0x08)) {
            std::array<uint8_t, 20> extra{};
            // Without the extra bytes the mode byte alone says 8-bit.
            if ((mode & 0x04) && hgExtra && hgExtra(extra) &&
                !(extra[slotKind == kMs ? 2 : 9] & 0x40))
                return "HG 4";
            return "HG 8";
        }
        if (mode & 0x04)
            return "MS P";
        return (mode & 0x02) ? "MS 4" : "MS 1";
    default: // SD and SD2
        return SdWidthText(mode);
    }
}

void SlotRunState::Clear() {
    for (int i = 0; i < kRunSlots; ++i) {
        cardStatus[i] = 0;
        slotResult[i] = 0;
    }
}

void SlotRunState::ClearMemorySlots() {
    for (int i = 0; i < kSmartCardSlot; ++i) {
        cardStatus[i] = 0;
        slotResult[i] = 0;
    }
}

void SlotRunState::MarkNotTested(bool twoSlot) {
    for (int i = 0; i < kRunSlots; ++i)
        if (!twoSlot || i < 2 || i == kSmartCardSlot)
            cardStatus[i] = card::kNotTested;
}

uint64_t SlotTester::FreshSeed() {
    std::random_device device;
    return (uint64_t{device()} << 32) | device();
}

SlotTester::SlotTester(ReaderDevice& device, const TestSettings& settings, SlotRunState& state,
                       LogFunction log, DelayFunction delay, uint64_t seed)
    : device_(device), settings_(settings), state_(state), log_(std::move(log)),
      delay_(std::move(delay)),
      random_(static_cast<std::mt19937::result_type>(seed ^ (seed >> 32))) {
    ResetLabels();
}

void SlotTester::SetReaderKind(bool twoSlot, ControllerModel model) {
    twoSlot_ = twoSlot;
    model_ = model;
}

void SlotTester::Log(const std::string& text) {
    if (log_)
        log_(text);
}

void SlotTester::Delay(unsigned milliseconds) {
    if (delay_)
        delay_(milliseconds);
}

bool SlotTester::SlotEnabled(int slot) const {
    if (slot == kSmartCardSlot)
        return settings_.smartCard != 0;
    if (twoSlot_) {
        if (slot == 0)
            return settings_.sd != 0;
        return slot == 1 && settings_.sd2 != 0;
    }
    switch (slot) {
    case 0:
        return settings_.cf != 0;
    case 1:
        return settings_.sd != 0;
    case kSm:
        return settings_.sm != 0;
    case kXd:
        return settings_.xd != 0;
    case kMs:
        return settings_.ms != 0;
    case 5:
        return settings_.sd2 != 0;
    case kMs2:
        return settings_.ms2 != 0;
    default:
        return false;
    }
}

SlotTester::ExpectedMode SlotTester::ExpectedModeOf(int slot) const {
    auto pick = [](uint8_t stored, std::span<const char* const> items) {
        return ExpectedMode{ComboDisplayIndex(stored, items) != 0, ComboText(stored, items)};
    };
    if (twoSlot_) {
        if (slot == 0)
            return pick(settings_.sdWidth, SdWidthItems());
        if (slot == 1)
            return pick(settings_.sd2Width, SdWidthItems());
        return {};
    }
    switch (slot) {
    case 0:
        return pick(settings_.cfMode, CfModeItems());
    case 1:
        return pick(settings_.sdWidth, SdWidthItems());
    case kMs:
        return pick(settings_.msMode, MsModeItems());
    case 5:
        return pick(settings_.sd2Width, SdWidthItems());
    default: // SM/xD have no expected mode, and the second MS slot's is not compared
        return {};
    }
}

// SM and xD share one column. When only one of the two is tested it owns the
// column; otherwise the one holding a card does, SM when neither does.
int SlotTester::SmXdColumnSlot() const {
    const bool sm = SlotEnabled(kSm);
    const bool xd = SlotEnabled(kXd);
    if (sm != xd)
        return sm ? kSm : kXd;
    if (state_.cardStatus[kSm] == 0 && state_.cardStatus[kXd] != 0)
        return kXd;
    return kSm;
}

bool SlotTester::DrawsColumn(int slot) const {
    if (slot != kSm && slot != kXd)
        return true;
    return !twoSlot_ && slot == SmXdColumnSlot();
}

void SlotTester::SetLabel(LabelRow row, int slot, std::string text, Rgb colour) {
    std::lock_guard lock(mutex_);
    (view_.*row)[ColumnIndex(slot)] = {std::move(text), colour};
}

void SlotTester::BlankLabel(LabelRow row, int slot) {
    std::lock_guard lock(mutex_);
    (view_.*row)[ColumnIndex(slot)].text.clear();
}

void SlotTester::ShowSlotMode(int slot, ReaderContext& entry0) {
    if (slot < 0 || slot >= kSlotCount)
        return;
    SetReaderKind(entry0.twoSlot, entry0.model);
    if (entry0.twoSlot && slot >= 2)
        return;
    std::string text;
    bool enabled = false;
    {
        OpenDrive drive(device_, entry0);
        if (!drive)
            return;
        Buffer b{};
        uint8_t mode = 0;
        if (entry0.model == ControllerModel::ExtendedAddress) {
            if (!device_.ReadRegister(extended_registers::kSlotModes, b, entry0))
                return;
            mode = slot == 0 ? static_cast<uint8_t>(b[0] & 0xC0) : static_cast<uint8_t>(b[32] << 6);
        } else if (entry0.twoSlot) {
            if (!device_.ReadRegister(twoslot_registers::kSlotModes, b, entry0))
                return;
            mode = b[static_cast<size_t>(slot)];
        } else {
            if (!device_.ReadRegister(multislot_registers::kSlotModes, b, entry0))
                return;
            mode = b[static_cast<size_t>(slot)];
        }
        enabled = SlotEnabled(slot);
        if (enabled) {
            bool extraFailed = false;
            text = FormatSlotMode(
                slot, mode, entry0.twoSlot, entry0.model, [&](std::array<uint8_t, 20>& out) {
                    Buffer extra{};
                    if (!device_.ReadRegister(multislot_registers::kHgExtra, extra, entry0)) {
                        extraFailed = true;
                        return false;
                    }
                    std::copy_n(extra.begin(), out.size(), out.begin());
                    return true;
                });
            if (extraFailed)
                return;
        }
    }
    if (!enabled) {
        if (DrawsColumn(slot))
            BlankLabel(&SlotLabelsView::info, slot);
        return;
    }
    if (!DrawsColumn(slot))
        return;

    const bool noCard = (slot == kSm || slot == kXd)
                            ? state_.cardStatus[kSm] == 0 && state_.cardStatus[kXd] == 0
                            : state_.cardStatus[slot] == 0;
    if (noCard) {
        BlankLabel(&SlotLabelsView::info, slot);
        return;
    }
    const ExpectedMode expected = ExpectedModeOf(slot);
    if (expected.chosen) {
        if (text == expected.text) {
            SetLabel(&SlotLabelsView::info, slot, "Pass", colours::kBlue);
            Update(state_.slotResult[slot], 0, result::kModePassed);
        } else {
            SetLabel(&SlotLabelsView::info, slot, "Fail", colours::kRed);
            Update(state_.slotResult[slot], result::kModePassed, 0);
        }
    } else if (settings_.showInfo) {
        SetLabel(&SlotLabelsView::info, slot, text, colours::kBlue);
    } else {
        BlankLabel(&SlotLabelsView::info, slot);
    }
}

uint32_t SlotTester::HighestTestBlock(const ReaderContext& drive) {
    const std::optional<uint64_t> blocks = device_.CardBlockCount(drive);
    if (blocks && *blocks > 0 && *blocks <= kHighestTestBlock)
        return static_cast<uint32_t>(*blocks - 1);
    return kHighestTestBlock;
}

// Puts the backed-up sector back. A card that refused the pattern with a
// SCSI error and refuses the backup the same way never held the pattern.
bool SlotTester::RestoreBackup(uint32_t block, const Sector& backup, ReaderContext& drive,
                               bool patternAccepted) {
    drive.errorFlags &= ~TransportFailure;
    const WriteResult written = device_.WriteSectors(block, 1, backup, drive);
    const bool transportFailed = drive.errorFlags & TransportFailure;
    drive.errorFlags &= ~TransportFailure;
    if (transportFailed || (written != WriteResult::Written && patternAccepted)) {
        Log("Restore Data error .. !!\r\n");
        return false;
    }
    return true;
}

bool SlotTester::TestSlotReadWrite(int slot, ReaderContext& drive) {
    if (slot < 0 || slot >= kSlotCount)
        return false;
    OpenDrive open(device_, drive);
    if (!open)
        return false;
    auto abandon = [&] {
        drive.errorFlags &= ~TransportFailure;
        return false;
    };

    Sector pattern{};
    for (auto& byte : pattern)
        byte = static_cast<uint8_t>(random_());
    const uint32_t block =
        std::uniform_int_distribution<uint32_t>(0, HighestTestBlock(drive))(random_);

    // Without a trustworthy copy of the sector nothing may be written over it.
    Sector backup{};
    if (!device_.ReadSectorsChecked(block, 1, backup, drive)) {
        Log("Backup Data error .. !!\r\n");
        return abandon();
    }
    Log("=====R/W======");
    LogSlot(slot, "R/W .. !!");

    // The result code does not decide the test (the read-back does), but it
    // tells whether the card may hold the pattern.
    const bool patternAccepted =
        device_.WriteSectors(block, 1, pattern, drive) == WriteResult::Written;
    if (drive.errorFlags & TransportFailure) {
        Log("Write cmd error .. !!\r\n");
        // The write may have reached the card before the transport failed.
        if (!RestoreBackup(block, backup, drive, true))
            Update(state_.cardStatus[slot], 0, card::kTestFailed);
        return abandon();
    }
    Sector readBack{};
    if (!device_.ReadSectors(block, 1, readBack, drive)) {
        Log("Read cmd error .. !!\r\n");
        if (!RestoreBackup(block, backup, drive, patternAccepted))
            Update(state_.cardStatus[slot], 0, card::kTestFailed);
        return abandon();
    }
    if (readBack != pattern) {
        Log("R/W FAIL .. !! \r\n");
        Update(state_.cardStatus[slot], 0, card::kTestFailed);
        RestoreBackup(block, backup, drive, patternAccepted);
        return false;
    }
    // A card left holding the test pattern has lost the user's data: that is a fail.
    if (!RestoreBackup(block, backup, drive, true)) {
        Update(state_.cardStatus[slot], 0, card::kTestFailed);
        return false;
    }
    Log("R/W Check OK..\r\n");
    Log(Printf("Card Type = %d\r\n", slot));
    if (drive.twoSlot && afterReadWritePass)
        afterReadWritePass(slot, drive);
    Update(state_.cardStatus[slot], 0, card::kTestCompleted);
    return true;
}

SlotTester::StepOutcome SlotTester::RunSlotStep(int slot, ReaderTable& table,
                                                ReaderChecks& checks) {
    if (slot < 0 || slot >= kSlotCount)
        return StepOutcome::Continue;
    ReaderContext& entry0 = table[0];
    SetReaderKind(entry0.twoSlot, entry0.model);
    const uint8_t lun = entry0.slotLun[static_cast<size_t>(slot)];
    if (lun == kNoLun)
        return StepOutcome::Continue;

    // The drive of the slot's LUN; a LUN no drive answered for gets an empty
    // record, which no test can open.
    ReaderContext missing;
    ReaderContext* drive = &missing;
    for (ReaderContext& entry : table)
        if (entry.valid && entry.lunNumber == lun) {
            drive = &entry;
            break;
        }
    if (drive != &entry0)
        drive->slotStatus = entry0.slotStatus;

    const uint8_t status = drive->slotStatus[static_cast<size_t>(slot)] & 0x3F;
    std::atomic<uint8_t>& run = state_.cardStatus[slot];
    if (HasAll(status, kStatusPresent | kStatusReady)) {
        const bool newlySeen = !(run & card::kReady);
        Update(run, 0, card::kReady);
        // The mode row was judged before the card counted as seen; judge it
        // again now, before its tests end, or the verdict would first show
        // without the mode's point ("NG-(2)" a cycle before "Pass-(3)").
        // A verdict belongs to one card: the points of the card that was
        // here before must not count for this one, not even for one display
        // pass ("NG-(2)" drawn for a write-protected card after a good one).
        if (newlySeen) {
            state_.slotResult[slot] = 0;
            ShowSlotMode(slot, entry0);
        }
        if (status & kStatusWriteProtect) {
            if (!(run & card::kWriteProtected)) {
                Update(run, 0, card::kWriteProtected);
                LogSlot(slot, "WP .. !!\r\n");
            }
        } else {
            Update(run, card::kWriteProtected, 0);
            if (!(run & card::kReadWritePassed)) {
                if (TestSlotReadWrite(slot, *drive))
                    Update(run, 0, card::kReadWritePassed);
                else
                    LogSlot(slot, ", Re-Plugin the card .. !!\r\n");
                Delay(10);
            }
        }
        return StepOutcome::Continue;
    }

    if (HasAll(status, kStatusPresent | kStatusInitFail)) {
        if (!(run & card::kInitFailed)) {
            Update(run, 0, card::kInitFailed);
            LogSlot(slot, "Card InitFail .. !!\r\n");
        }
    } else {
        run = 0; // no card, or not ready yet: the slot starts over
    }
    ShowSlotMode(slot, entry0);
    checks.CheckUsbSpeed(entry0);
    if (entry0.errorFlags & kUsbSpeedFailed) {
        state_.MarkNotTested(entry0.twoSlot);
        return StepOutcome::UsbSpeedFailed;
    }
    return StepOutcome::Continue;
}

// Every slot but the second MS one; on a two-slot reader its two slots and the
// smart card.
bool SlotTester::HasReadWriteAndVerdictRows(int slot) const {
    if (slot == kMs2)
        return false;
    return !twoSlot_ || slot < 2 || slot == kSmartCardSlot;
}

void SlotTester::ShowSlotReadWrite(int slot) {
    if (slot < 0 || slot >= kRunSlots || !HasReadWriteAndVerdictRows(slot))
        return;
    if (!DrawsColumn(slot))
        return;
    if (!SlotEnabled(slot)) {
        BlankLabel(&SlotLabelsView::readWrite, slot);
        return;
    }
    const uint8_t run = state_.cardStatus[slot];
    std::atomic<uint8_t>& verdict = state_.slotResult[slot];
    const uint8_t failed = result::kReadWritePassed; // cleared, with a verdict set
    if (run == 0) {
        SetLabel(&SlotLabelsView::readWrite, slot, "Ready", colours::kGreen);
    } else if (HasAll(run, card::kReadWritePassed | card::kTestCompleted)) {
        SetLabel(&SlotLabelsView::readWrite, slot, "Pass", colours::kBlue);
        Update(verdict, 0, result::kHasVerdict | result::kReadWritePassed);
    } else if (run & card::kTestFailed) {
        SetLabel(&SlotLabelsView::readWrite, slot, "Fail", colours::kRed);
        Update(verdict, failed, result::kHasVerdict);
    } else if (run & card::kInitFailed) {
        SetLabel(&SlotLabelsView::readWrite, slot, "InitFail", colours::kRed);
        Update(verdict, failed, result::kHasVerdict);
    } else if (run & card::kWriteProtected) {
        if (settings_.writeProtectTest)
            BlankLabel(&SlotLabelsView::readWrite, slot);
        else
            SetLabel(&SlotLabelsView::readWrite, slot, "WP", colours::kRed);
        Update(verdict, failed, result::kHasVerdict);
    } else if (run == card::kNotTested) {
        BlankLabel(&SlotLabelsView::readWrite, slot);
        Update(verdict, failed, result::kHasVerdict);
    }
}

bool SlotTester::HasWriteProtectRow(int slot) const {
    if (twoSlot_)
        return slot == 0;
    return slot == 1 || slot == kSm || slot == kXd || slot == kMs;
}

void SlotTester::ShowSlotWriteProtect(int slot) {
    if (slot < 0 || slot >= kRunSlots || !HasWriteProtectRow(slot) || !DrawsColumn(slot))
        return;
    if (!SlotEnabled(slot)) {
        BlankLabel(&SlotLabelsView::writeProtect, slot);
        return;
    }
    const uint8_t run = state_.cardStatus[slot];
    std::atomic<uint8_t>& verdict = state_.slotResult[slot];
    const bool seenReady = run & card::kReady;
    const bool protectedCard = seenReady && (run & card::kWriteProtected);
    if (!settings_.writeProtectTest) {
        BlankLabel(&SlotLabelsView::writeProtect, slot);
        if (protectedCard)
            Update(verdict, result::kWriteProtectPassed, result::kHasVerdict);
    } else if (run == 0) {
        SetLabel(&SlotLabelsView::writeProtect, slot, "Ready", colours::kGreen);
    } else if (protectedCard) {
        SetLabel(&SlotLabelsView::writeProtect, slot, "WP", colours::kBlue);
        Update(verdict, 0, result::kHasVerdict | result::kWriteProtectPassed);
    } else if (seenReady) {
        Update(verdict, result::kWriteProtectPassed, result::kHasVerdict);
    }
}

int SlotTester::ExpectedScore(int slot) const {
    const bool chosen = ExpectedModeOf(slot).chosen;
    const bool wpTest = settings_.writeProtectTest != 0;
    if (twoSlot_) {
        if (slot == 0)
            return wpTest ? (chosen ? 5 : 4) : (chosen ? 3 : 2);
        return chosen ? 3 : 2;
    }
    switch (slot) {
    case 0:
        return chosen ? 3 : 2;
    case 1:
        return wpTest ? (chosen ? 5 : 4) : (chosen ? 3 : 2);
    case kMs:
        return chosen ? (wpTest ? 5 : 3) : (wpTest ? 4 : 2);
    case 5:
        return chosen ? 3 : 2;
    default: // SM/xD and the smart card
        return 2;
    }
}

void SlotTester::ShowSlotVerdict(int slot) {
    if (slot < 0 || slot >= kRunSlots || !HasReadWriteAndVerdictRows(slot))
        return;
    if (!SlotEnabled(slot))
        return;
    const uint8_t verdict = state_.slotResult[slot];
    if (!(verdict & result::kHasVerdict))
        return;
    // The SM/xD column shows SM's verdict while xD has none and xD's while SM has none.
    if (slot == kSm || slot == kXd) {
        const int other = slot == kSm ? kXd : kSm;
        const bool otherHasVerdict =
            SlotEnabled(other) && (state_.slotResult[other] & result::kHasVerdict);
        if (otherHasVerdict && !DrawsColumn(slot))
            return;
    }
    const int n = verdict & result::kScoreMask;
    if (n == ExpectedScore(slot))
        SetLabel(&SlotLabelsView::verdict, slot, Printf("Pass-(%d)", n), colours::kBlue);
    else
        SetLabel(&SlotLabelsView::verdict, slot, Printf("NG-(%d)", n), colours::kRed);
}

void SlotTester::LogSlot(int slot, const std::string& text) {
    static const char* const kMultiSlot[kSlotCount] = {"CF", "SD", "SM", "xD", "MS", "SD2", "MS2"};
    const char* name = nullptr;
    if (twoSlot_) {
        if (slot == 0)
            name = "SD";
        else if (slot == 1)
            name = "SD2";
    } else if (slot >= 0 && slot < kSlotCount) {
        name = kMultiSlot[slot];
    }
    if (name)
        Log(std::string(name) + " slot " + text + "\r\n");
}

SlotLabelsView SlotTester::View() const {
    std::lock_guard lock(mutex_);
    SlotLabelsView copy = view_;
    for (auto row : {&SlotLabelsView::info, &SlotLabelsView::readWrite,
                     &SlotLabelsView::writeProtect, &SlotLabelsView::verdict})
        (copy.*row)[kXd] = (copy.*row)[kSm];
    return copy;
}

void SlotTester::ResetLabels() {
    std::lock_guard lock(mutex_);
    view_ = SlotLabelsView{};
    for (auto& label : view_.info)
        label.colour = colours::kRoyalBlue;
}

} // namespace orrick
