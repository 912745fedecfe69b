// Where each controller family keeps what the tester reads: one table per
// family, so that an address is named once and every read states its length.
#pragma once

#include <cstdint>

namespace orrick {

// Memory spaces of the 0xD2 read.
constexpr uint8_t kConfigSpace = 0x13;
constexpr uint8_t kRegisterSpace = 0x12;

// A location of the 0xD2 read: memory space, 16-bit address, bytes wanted.
struct ControllerRegister {
    uint8_t space;
    uint16_t address;
    uint16_t length;
};

// A location of the 0xFD read of the extended-address family.
struct ExtendedRegister {
    uint32_t address;
    uint16_t length;
};

// Read the same way on every family that answers 0xD2.
namespace common_registers {
constexpr ControllerRegister kLunNumber{kConfigSpace, 0x000E, 1};
constexpr ControllerRegister kUsbSpeed{kConfigSpace, 0x0002, 1};      // bit 0: high speed
constexpr ControllerRegister kSlotStatus{kRegisterSpace, 0x0080, 15}; // slots from byte 8
} // namespace common_registers

// The multi-slot family and its Hg and Extra variants.
namespace multislot_registers {
constexpr ControllerRegister kConfigBlock{kConfigSpace, 0x5000, 256};
constexpr ControllerRegister kFirmware{kConfigSpace, 0x50FC, 2};
constexpr ControllerRegister kSlotModes{kConfigSpace, 0x5060, 8};
constexpr ControllerRegister kHgExtra{kConfigSpace, 0x5088, 20};
constexpr ControllerRegister kRomEeprom{kConfigSpace, 0x5068, 1}; // bit 7
constexpr ControllerRegister kRomNor{kConfigSpace, 0x0303, 1};    // bit 0
// The Extra variant keeps its IDs little-endian here, and more settings in registers.
constexpr ControllerRegister kExtraIds{kConfigSpace, 0x1008, 9};
constexpr ControllerRegister kExtraSettings{kRegisterSpace, 0x0020, 31};
} // namespace multislot_registers

namespace twoslot_registers {
constexpr ControllerRegister kIds{kConfigSpace, 0x1008, 4}; // little-endian
constexpr ControllerRegister kSlotLuns{kRegisterSpace, 0x0093, 2};
constexpr ControllerRegister kFirmware{kRegisterSpace, 0x00B2, 1};
constexpr ControllerRegister kRom{kRegisterSpace, 0x0024, 1}; // bit 0
constexpr ControllerRegister kSlotModes{kRegisterSpace, 0x00A9, 2};
constexpr ControllerRegister kCapacity{kRegisterSpace, 0x00A1, 8}; // two big-endian counts
} // namespace twoslot_registers

namespace extended_registers {
constexpr ExtendedRegister kLunRange{0x47F3, 1}; // low half first LUN, high half past the last
constexpr ExtendedRegister kLunNumber{0x002D, 1};
constexpr ExtendedRegister kIds{0x1062, 4}; // little-endian
constexpr ExtendedRegister kSlotLuns{0x47F9, 2};
constexpr ExtendedRegister kSlotStatus{0x47F5, 2};
constexpr ExtendedRegister kSlotModes{0x0100, 33};
} // namespace extended_registers

} // namespace orrick
