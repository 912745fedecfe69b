// The per-drive record of a reader LUN and the table of drives.
#pragma once

#include "scsi_backend.h"

#include <array>
#include <cstdint>
#include <string>

namespace orrick {

enum class ControllerModel : uint16_t {
    None = 0,
    MultiSlot,
    TwoSlot,
    MultiSlotHg,
    MultiSlotExtra,
    MultiSlotExtraHg,
    ExtendedAddress,
    UnknownVariant,
};

// errorFlags bits, shared by every check of a reader.
constexpr uint32_t kInformationMismatch = 0x02;
constexpr uint32_t kRomCheckFailed = 0x04;
constexpr uint32_t TransportFailure = 0x08;
constexpr uint32_t kLunCountFailed = 0x10;
constexpr uint32_t kUsbSpeedFailed = 0x20;

constexpr int kSlotCount = 7; // memory-card slots 0..6
constexpr uint8_t kNoLun = 7; // slotLun value of a slot that is not fitted
constexpr size_t kReaderTableSize = 26;

struct ReaderContext {
    uint8_t valid = 0;
    uint8_t lunNumber = 0;
    std::array<uint8_t, 2> vendorId{};  // high byte first
    std::array<uint8_t, 2> productId{}; // high byte first
    std::array<uint8_t, kSlotCount> slotLun{};
    std::array<uint8_t, kSlotCount> slotStatus{};
    uint32_t errorFlags = 0;
    uint8_t firmwareMajor = 0;
    uint8_t firmwareMinor = 0;
    uint8_t romFlagA = 0;
    uint8_t romFlagB = 0;
    DriveHandle handle = kNoHandle;
    std::string driveName; // device name of this LUN ("sdb")
    bool twoSlot = false;
    ControllerModel model = ControllerModel::None;
    uint8_t lunCount = 0;
    int osError = 0; // of the last request that did not get through (ENODEV: removed)
};

using ReaderTable = std::array<ReaderContext, kReaderTableSize>;

// Model from bytes 36..43 of the INQUIRY data; None when the drive is not a reader.
ControllerModel ModelFromInquiry(const uint8_t* inquiry, size_t size);

} // namespace orrick
