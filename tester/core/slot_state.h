// Per-slot run state shared by the test, display and smart-card threads, and
// the slot labels of the result table.
#pragma once

#include "reader_checks.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace orrick {

constexpr int kSmartCardSlot = 7;
constexpr int kRunSlots = 8; // memory-card slots 0..6 and the smart card

// Run_CardStatus bits of a memory-card slot.
namespace card {
constexpr uint8_t kReady = 0x01; // card seen ready in the slot
constexpr uint8_t kReadWritePassed = 0x02;
constexpr uint8_t kWriteProtected = 0x04; // logged once per insertion
constexpr uint8_t kInitFailed = 0x08;     // logged once per insertion
constexpr uint8_t kTestCompleted = 0x10;  // read/write test ran without error
constexpr uint8_t kTestFailed = 0x20;     // data mismatch or failed restore
constexpr uint8_t kNotTested = 0x80;      // reader checks failed / no smart-card reader
} // namespace card

// Run_CardStatus bits of the smart-card slot.
namespace smartcard {
constexpr uint8_t kPresent = 0x01;
constexpr uint8_t kTested = 0x02;
constexpr uint8_t kStatusFailed = 0x08;
constexpr uint8_t kPassed = 0x10;
constexpr uint8_t kFailed = 0x20;
constexpr uint8_t kNoReader = 0x80;
} // namespace smartcard

// SlotResult bits; the low seven bits are the score shown in the verdict.
namespace result {
constexpr uint8_t kModePassed = 0x01;
constexpr uint8_t kReadWritePassed = 0x02;
constexpr uint8_t kWriteProtectPassed = 0x04;
constexpr uint8_t kHasVerdict = 0x80;
constexpr uint8_t kScoreMask = 0x7F;
} // namespace result

struct SlotRunState {
    std::array<std::atomic<uint8_t>, kRunSlots> cardStatus{};
    std::array<std::atomic<uint8_t>, kRunSlots> slotResult{};

    void Clear();
    // Slots 0..6; the smart-card thread clears its own slot.
    void ClearMemorySlots();
    // A run that cannot test: every slot of the reader, the smart card included.
    void MarkNotTested(bool twoSlot);
};

struct SlotLabel {
    std::string text;
    Rgb colour;
    bool operator==(const SlotLabel&) const = default;
};

// Index = slot. SM and xD share one column: indices 2 and 3 both hold it,
// drawn by whichever of the two slots holds a card.
struct SlotLabelsView {
    std::array<SlotLabel, kRunSlots> info, readWrite, writeProtect, verdict;
};

} // namespace orrick
