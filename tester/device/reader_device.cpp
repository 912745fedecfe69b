#include "reader_device.h"

#include "trace.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace orrick {

ControllerModel ModelFromInquiry(const uint8_t* inquiry, size_t size) {
    // Bytes 36..43 as text of at most 8 characters.
    if (size < 44)
        return ControllerModel::None;
    char text[9] = {};
    std::memcpy(text, inquiry + 36, 8);
    const std::string_view tag(text, std::strlen(text));
    if (tag.find("Q7M") != std::string_view::npos)
        return ControllerModel::ExtendedAddress;
    if (tag == "QVXK5122")
        return ControllerModel::MultiSlotExtraHg;
    if (tag == "QVXK5120")
        return ControllerModel::MultiSlotExtra;
    if (!tag.starts_with("QVXK"))
        return ControllerModel::None;
    switch (inquiry[43]) {
    case '0':
        return ControllerModel::MultiSlot;
    case '1':
        return ControllerModel::TwoSlot;
    case '6':
        return ControllerModel::MultiSlotHg;
    default:
        return ControllerModel::UnknownVariant;
    }
}

ReaderDevice::ReaderDevice(ScsiBackend& backend) : backend_(backend) {}

void ReaderDevice::Delay(unsigned milliseconds) {
    if (delay_)
        delay_(milliseconds);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void ReaderDevice::Trace(std::string_view line) {
    if (trace_)
        trace_(line);
    else
        TraceLine(line);
}

bool ReaderDevice::OpenReaderDrive(const std::string& name, ReaderContext& context) {
    if (context.handle != kNoHandle)
        CloseReaderDrive(context);
    context.handle = backend_.Open(name);
    return context.handle != kNoHandle;
}

void ReaderDevice::CloseReaderDrive(ReaderContext& context) {
    if (context.handle != kNoHandle)
        backend_.Close(context.handle);
    context.handle = kNoHandle;
}

ScsiResult ReaderDevice::Send(ReaderContext& context, const ScsiRequest& request) {
    const ScsiResult r = context.handle == kNoHandle ? ScsiResult::Failed(EBADF)
                                                     : backend_.Execute(context.handle, request);
    if (!r.transportOk)
        context.osError = r.osError;
    return r;
}

bool ReaderDevice::ScsiInquiry(ReaderContext& context, std::span<uint8_t, scsi::kInquirySize> out) {
    std::array<uint8_t, scsi::kInquirySize> buffer{};
    const ScsiResult r = Send(context, MakeInquiry(buffer));
    if (!r.transportOk)
        return false;
    const size_t n = std::min<size_t>(r.transferred, buffer.size());
    std::copy_n(buffer.begin(), n, out.begin());
    return true;
}

bool ReaderDevice::ReadControllerMemory(uint8_t space, uint16_t address, uint16_t length,
                                        std::span<uint8_t, scsi::kControllerReadSize> out,
                                        ReaderContext& context) {
    if (!Send(context, MakeReadControllerMemory(space, address, length, out)).transportOk) {
        context.errorFlags |= TransportFailure;
        return false;
    }
    return true;
}

bool ReaderDevice::ReadControllerMemoryExt(uint32_t address24, uint16_t length,
                                           std::span<uint8_t, scsi::kControllerReadSize> out,
                                           ReaderContext& context) {
    if (!Send(context, MakeReadControllerMemoryExt(address24, length, out)).transportOk) {
        context.errorFlags |= TransportFailure;
        return false;
    }
    return true;
}

bool ReaderDevice::SetTestMode(ReaderContext& context) {
    if (context.model == ControllerModel::ExtendedAddress)
        return false;
    std::array<uint8_t, scsi::kTestModeSize> buffer{};
    buffer[0] = 0xFF; // a device that returns no data must not count as accepted
    const ScsiResult r = Send(context, MakeSetTestMode(buffer));
    return r.transportOk && r.transferred > 0 && buffer[0] == 0;
}

bool ReaderDevice::ReadSectors(uint32_t lba, uint8_t count, std::span<uint8_t> buffer,
                               ReaderContext& context) {
    if (buffer.size() < size_t{count} * scsi::kBlockSize) {
        context.errorFlags |= TransportFailure;
        return false;
    }
    if (!Send(context, MakeRead10(lba, count, buffer)).transportOk) {
        context.errorFlags |= TransportFailure;
        return false;
    }
    return true;
}

bool ReaderDevice::ReadSectorsChecked(uint32_t lba, uint8_t count, std::span<uint8_t> buffer,
                                      ReaderContext& context) {
    if (buffer.size() < size_t{count} * scsi::kBlockSize) {
        context.errorFlags |= TransportFailure;
        return false;
    }
    const ScsiResult r = Send(context, MakeRead10(lba, count, buffer));
    if (!r.transportOk) {
        context.errorFlags |= TransportFailure;
        return false;
    }
    return r.scsiStatus == scsi::kStatusGood;
}

WriteResult ReaderDevice::WriteSectors(uint32_t lba, uint8_t count, std::span<const uint8_t> buffer,
                                       ReaderContext& context) {
    if (buffer.size() < size_t{count} * scsi::kBlockSize) {
        context.errorFlags |= TransportFailure;
        return WriteResult::TransportFailed;
    }
    // The request type carries one mutable span for both directions; an OUT
    // transfer only reads from it.
    std::span<uint8_t> data(const_cast<uint8_t*>(buffer.data()), buffer.size());
    const ScsiResult r = Send(context, MakeWrite10(lba, count, data));
    if (!r.transportOk) {
        context.errorFlags |= TransportFailure;
        return WriteResult::TransportFailed;
    }
    if (r.scsiStatus == scsi::kStatusGood)
        return WriteResult::Written;
    return r.senseByte2 == scsi::kSenseDataProtect ? WriteResult::WriteProtected
                                                   : WriteResult::Rejected;
}

bool ReaderDevice::IdentifyController(ReaderContext& context) {
    std::array<uint8_t, 49> inquiry{};
    if (!ScsiInquiry(context, std::span<uint8_t, scsi::kInquirySize>(inquiry.data(), 48)))
        return false;
    inquiry[44] = 0;
    context.model = ModelFromInquiry(inquiry.data(), inquiry.size());
    if (context.model == ControllerModel::None)
        return false;
    context.twoSlot = context.model == ControllerModel::TwoSlot;
    return true;
}

bool ReaderDevice::IdentifyReaderDrive(const std::string& name, ReaderContext& context) {
    CloseReaderDrive(context); // zeroing must not lose an open handle
    context = ReaderContext{};
    bool identified = false;
    {
        OpenDrive drive(*this, name, context);
        identified = drive && ReadIdentity(name, context);
    }
    // Only after the drive is closed: zeroing forgets the handle.
    if (!identified)
        context = ReaderContext{};
    return identified;
}

bool ReaderDevice::ReadIdentity(const std::string& name, ReaderContext& context) {
    if (!IdentifyController(context)) {
        Trace("Scsi Inquiry fail. \r\n");
        return false;
    }
    context.driveName = name;

    std::array<uint8_t, scsi::kControllerReadSize> buffer{};
    if (context.model == ControllerModel::ExtendedAddress) {
        if (!ReadRegister(extended_registers::kLunRange, buffer, context))
            return false;
        const uint8_t d = buffer[0];
        const uint8_t lunBase = d & 0x0F;
        const uint8_t lunTop = d >> 4;
        // A top below the base would wrap into a huge count.
        if (lunTop < lunBase || lunTop - lunBase > kSlotCount)
            return false;
        context.lunCount = static_cast<uint8_t>(lunTop - lunBase);
        buffer.fill(0);
        if (!ReadRegister(extended_registers::kLunNumber, buffer, context))
            return false;
        const uint8_t e = buffer[0];
        if (e < lunBase)
            return false;
        context.lunNumber = static_cast<uint8_t>(e - lunBase);
        return ParseExtendedCRData(context);
    }
    if (ReadRegister(common_registers::kLunNumber, buffer, context))
        context.lunNumber = buffer[0];
    SetTestMode(context);
    if (context.errorFlags & TransportFailure) {
        Trace("SetTestMode fail... \r\n");
        context.errorFlags = 0;
    }
    Delay(350);
    return context.twoSlot ? ParseTwoSlotCRData(context) : ParseMultiSlotCRData(context);
}

void ReaderDevice::ScanReaderDrives(ReaderTable& table) {
    for (auto& entry : table)
        entry = ReaderContext{};
    size_t next = 0;
    for (const std::string& name : backend_.ListDrives()) {
        if (next >= table.size())
            break;
        if (IdentifyReaderDrive(name, table[next]))
            ++next;
    }
}

void ReaderDevice::RefreshSlotStatus(ReaderContext& context) {
    context.errorFlags = 0;
    OpenDrive drive(*this, context);
    if (!drive) {
        // Without this the caller would go on with stale status bytes.
        context.errorFlags |= TransportFailure;
        return;
    }
    std::array<uint8_t, scsi::kControllerReadSize> buffer{};
    if (context.model == ControllerModel::ExtendedAddress) {
        ReadRegister(extended_registers::kSlotLuns, buffer, context);
        Delay(10);
        if (!(context.errorFlags & TransportFailure)) {
            buffer.fill(0);
            const bool ok = ReadRegister(extended_registers::kSlotStatus, buffer, context);
            Delay(10);
            if (ok) {
                context.slotStatus.fill(0);
                const size_t n = std::min<size_t>(context.lunCount, kSlotCount);
                std::copy_n(buffer.begin(), n, context.slotStatus.begin());
            }
        }
    } else {
        const bool ok = ReadRegister(common_registers::kSlotStatus, buffer, context);
        Delay(10);
        if (ok) {
            if (context.twoSlot) {
                context.slotStatus[0] = buffer[8];
                context.slotStatus[1] = buffer[9];
            } else {
                std::copy_n(buffer.begin() + 8, kSlotCount, context.slotStatus.begin());
            }
        }
    }
}

} // namespace orrick
