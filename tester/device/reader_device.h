// Drive access, the controller's commands, identification and the drive scan.
#pragma once

#include "controller_registers.h"
#include "reader_context.h"
#include "scsi_backend.h"

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace orrick {

enum class WriteResult : uint8_t {
    Written,
    WriteProtected,  // the card refused with a data-protect sense
    Rejected,        // any other SCSI error (no card, past the end)
    TransportFailed, // the request did not come back at all
};

using DelayFunction = std::function<void(unsigned milliseconds)>;
using TraceFunction = std::function<void(std::string_view line)>;

class ReaderDevice {
public:
    explicit ReaderDevice(ScsiBackend& backend);

    // All waits of the tester go through Delay; the window replaces the
    // default (a plain sleep) with one that keeps its events flowing.
    void SetDelay(DelayFunction delay) { delay_ = std::move(delay); }
    void SetTrace(TraceFunction trace) { trace_ = std::move(trace); }
    void Delay(unsigned milliseconds);

    ScsiBackend& Backend() { return backend_; }
    // What the system knows of the card's size behind this drive.
    std::optional<uint64_t> CardBlockCount(const ReaderContext& context) {
        return backend_.BlockCount(context.driveName);
    }
    bool IsRemovableOrOptical(const std::string& name) {
        return backend_.IsRemovableOrOptical(name);
    }

    bool OpenReaderDrive(const std::string& name, ReaderContext& context);
    void CloseReaderDrive(ReaderContext& context);

    bool ScsiInquiry(ReaderContext& context, std::span<uint8_t, scsi::kInquirySize> out);
    bool ReadControllerMemory(uint8_t space, uint16_t address, uint16_t length,
                              std::span<uint8_t, scsi::kControllerReadSize> out,
                              ReaderContext& context);
    bool ReadControllerMemoryExt(uint32_t address24, uint16_t length,
                                 std::span<uint8_t, scsi::kControllerReadSize> out,
                                 ReaderContext& context);
    // One location of the family's register map.
    bool ReadRegister(const ControllerRegister& location,
                      std::span<uint8_t, scsi::kControllerReadSize> out, ReaderContext& context) {
        return ReadControllerMemory(location.space, location.address, location.length, out,
                                    context);
    }
    bool ReadRegister(const ExtendedRegister& location,
                      std::span<uint8_t, scsi::kControllerReadSize> out, ReaderContext& context) {
        return ReadControllerMemoryExt(location.address, location.length, out, context);
    }
    bool SetTestMode(ReaderContext& context);
    bool ReadSectors(uint32_t lba, uint8_t count, std::span<uint8_t> buffer,
                     ReaderContext& context);
    // As ReadSectors, but a block the device answered with an error (bad
    // block, past the end of the card) also counts as not read; for reads
    // whose data must be trusted, such as a backup before overwriting.
    bool ReadSectorsChecked(uint32_t lba, uint8_t count, std::span<uint8_t> buffer,
                            ReaderContext& context);
    // A transport failure also sets TransportFailure in errorFlags.
    WriteResult WriteSectors(uint32_t lba, uint8_t count, std::span<const uint8_t> buffer,
                             ReaderContext& context);

    bool IdentifyController(ReaderContext& context);
    bool IdentifyReaderDrive(const std::string& name, ReaderContext& context);
    void ScanReaderDrives(ReaderTable& table);
    void RefreshSlotStatus(ReaderContext& context);

    // Configuration parse by controller family.
    bool ParseCRData(ReaderContext& context);
    bool ParseMultiSlotCRData(ReaderContext& context);
    bool ParseTwoSlotCRData(ReaderContext& context);
    bool ParseExtendedCRData(ReaderContext& context);

private:
    // The identification's reads on an open drive; false when it is not a reader.
    bool ReadIdentity(const std::string& name, ReaderContext& context);
    ScsiResult Send(ReaderContext& context, const ScsiRequest& request);
    void Trace(std::string_view line);

    ScsiBackend& backend_;
    DelayFunction delay_;
    TraceFunction trace_;
};

// Keeps one drive open for a scope: opens the context's drive (or the named
// one) and closes it on every way out, early returns included.
class [[nodiscard]] OpenDrive {
public:
    OpenDrive(ReaderDevice& device, ReaderContext& context)
        : OpenDrive(device, context.driveName, context) {}
    OpenDrive(ReaderDevice& device, const std::string& name, ReaderContext& context)
        : device_(device), context_(context), open_(device.OpenReaderDrive(name, context)) {}
    ~OpenDrive() { device_.CloseReaderDrive(context_); }
    OpenDrive(const OpenDrive&) = delete;
    OpenDrive& operator=(const OpenDrive&) = delete;

    explicit operator bool() const { return open_; }

private:
    ReaderDevice& device_;
    ReaderContext& context_;
    bool open_;
};

} // namespace orrick
