#include "scsi_request.h"

#include <initializer_list>

namespace orrick {
namespace {

ScsiRequest Build(std::initializer_list<uint8_t> cdb, DataDirection direction,
                  std::span<uint8_t> data, uint32_t timeout, uint8_t sense) {
    ScsiRequest r;
    size_t i = 0;
    for (uint8_t b : cdb)
        r.cdb[i++] = b;
    r.cdbLength = static_cast<uint8_t>(cdb.size());
    r.direction = direction;
    r.data = data;
    r.timeoutSeconds = timeout;
    r.senseLength = sense;
    return r;
}

uint8_t Byte(uint32_t v, int shift) {
    return static_cast<uint8_t>((v >> shift) & 0xFF);
}

} // namespace

ScsiRequest MakeInquiry(std::span<uint8_t, scsi::kInquirySize> out) {
    return Build({scsi::kInquiry, 0x00, 0x00, 0x00, 0x30, 0x00}, DataDirection::In, out, 2, 24);
}

ScsiRequest MakeSetTestMode(std::span<uint8_t, scsi::kTestModeSize> out) {
    // Mode value 1 as a little-endian 32-bit number in bytes 6 to 9.
    return Build({scsi::kVendorTestMode, 0x00, 0x00, 0x00, 0x10, 0x00, 0x01, 0x00, 0x00, 0x00},
                 DataDirection::In, out, 2, 24);
}

ScsiRequest MakeReadControllerMemory(uint8_t space, uint16_t address, uint16_t length,
                                     std::span<uint8_t, scsi::kControllerReadSize> out) {
    return Build({scsi::kVendorReadMemory, 0x00, space, 0x00, Byte(address, 8), Byte(address, 0),
                  0x00, Byte(length, 8), Byte(length, 0), 0x00},
                 DataDirection::In, out, 2, 0);
}

ScsiRequest MakeReadControllerMemoryExt(uint32_t address24, uint16_t length,
                                        std::span<uint8_t, scsi::kControllerReadSize> out) {
    return Build({scsi::kVendorReadMemoryExt, 0x00, 0x00, Byte(address24, 8), Byte(address24, 0),
                  0x00, Byte(address24, 16), Byte(length, 8), Byte(length, 0), 0x00},
                 DataDirection::In, out, 2, 0);
}

ScsiRequest MakeRead10(uint32_t lba, uint8_t count, std::span<uint8_t> buffer) {
    return Build({scsi::kRead10, 0x00, Byte(lba, 24), Byte(lba, 16), Byte(lba, 8), Byte(lba, 0),
                  0x00, 0x00, count, 0x00},
                 DataDirection::In, buffer.first(size_t{count} * scsi::kBlockSize), 2, 0);
}

ScsiRequest MakeWrite10(uint32_t lba, uint8_t count, std::span<uint8_t> buffer) {
    return Build({scsi::kWrite10, 0x00, Byte(lba, 24), Byte(lba, 16), Byte(lba, 8), Byte(lba, 0),
                  0x00, 0x00, count, 0x00},
                 DataDirection::Out, buffer.first(size_t{count} * scsi::kBlockSize), 4, 24);
}

} // namespace orrick
