// One SCSI command as the tester sends it to a drive, independent of the
// operating system's pass-through mechanism.
#pragma once

#include <array>
#include <cerrno>
#include <cstdint>
#include <span>

namespace orrick {

enum class DataDirection : uint8_t { None, In, Out };

struct ScsiRequest {
    std::array<uint8_t, 16> cdb{};
    uint8_t cdbLength = 0;
    DataDirection direction = DataDirection::None;
    std::span<uint8_t> data; // the transfer length is data.size()
    uint32_t timeoutSeconds = 0;
    uint8_t senseLength = 0; // bytes of sense data wanted back (at most kMaxSense)

    static constexpr uint8_t kMaxSense = 32;
    uint8_t opcode() const { return cdb[0]; }
};

// Two stages: did the request reach the device and come back at all, and if
// so, what did the device answer.
struct ScsiResult {
    bool transportOk = false;
    uint8_t scsiStatus = 0; // 0 GOOD, 2 CHECK CONDITION, ...
    uint8_t senseByte2 = 0; // byte 2 of the sense data (sense key and flags)
    uint32_t transferred = 0;
    // errno of a request the system could not pass on; 0 when it gave none.
    int osError = 0;

    // A pulled device answers ENODEV: worth telling apart from a flaky transfer.
    bool DeviceGone() const { return !transportOk && osError == ENODEV; }

    static ScsiResult Failed(int osError = 0) { return {false, 0, 0, 0, osError}; }
    static ScsiResult Good(uint32_t n) { return {true, 0, 0, n}; }
    static ScsiResult CheckCondition(uint8_t senseByte2) { return {true, 2, senseByte2, 0}; }
};

namespace scsi {
constexpr uint8_t kInquiry = 0x12;
constexpr uint8_t kRead10 = 0x28;
constexpr uint8_t kWrite10 = 0x2A;
constexpr uint8_t kVendorTestMode = 0xD0;
constexpr uint8_t kVendorReadMemory = 0xD2;
constexpr uint8_t kVendorReadMemoryExt = 0xFD;

constexpr uint8_t kStatusGood = 0x00;
constexpr uint8_t kStatusCheckCondition = 0x02;

constexpr uint8_t kSenseNotReady = 0x02;
constexpr uint8_t kSenseIllegalRequest = 0x05;
constexpr uint8_t kSenseDataProtect = 0x07;

constexpr uint32_t kBlockSize = 512;
constexpr size_t kControllerReadSize = 512;
constexpr size_t kInquirySize = 48;
constexpr size_t kTestModeSize = 80;
} // namespace scsi

// Request builders: the exact wire format of every command the tester sends.
// The buffers must outlive the request.
ScsiRequest MakeInquiry(std::span<uint8_t, scsi::kInquirySize> out);
ScsiRequest MakeSetTestMode(std::span<uint8_t, scsi::kTestModeSize> out);
ScsiRequest MakeReadControllerMemory(uint8_t space, uint16_t address, uint16_t length,
                                     std::span<uint8_t, scsi::kControllerReadSize> out);
ScsiRequest MakeReadControllerMemoryExt(uint32_t address24, uint16_t length,
                                        std::span<uint8_t, scsi::kControllerReadSize> out);
// count is sent in one byte; the buffer holds count * 512 bytes.
ScsiRequest MakeRead10(uint32_t lba, uint8_t count, std::span<uint8_t> buffer);
ScsiRequest MakeWrite10(uint32_t lba, uint8_t count, std::span<uint8_t> buffer);

} // namespace orrick
