// Reading the controller's configuration into a ReaderContext, one parse per family.
#include "reader_device.h"

#include <algorithm>

namespace orrick {

namespace {
using Buffer = std::array<uint8_t, scsi::kControllerReadSize>;
}

bool ReaderDevice::ParseCRData(ReaderContext& context) {
    if (context.model == ControllerModel::ExtendedAddress)
        return ParseExtendedCRData(context);
    if (context.twoSlot)
        return ParseTwoSlotCRData(context);
    return ParseMultiSlotCRData(context);
}

bool ReaderDevice::ParseMultiSlotCRData(ReaderContext& context) {
    Buffer block{};
    if (!ReadRegister(multislot_registers::kConfigBlock, block, context))
        return false;
    if (context.model == ControllerModel::MultiSlotExtra) {
        // This variant keeps its IDs little-endian at a second address.
        Buffer ids{};
        if (!ReadRegister(multislot_registers::kExtraIds, ids, context))
            return false;
        block[5] = ids[0];
        block[4] = ids[1];
        block[7] = ids[2];
        block[6] = ids[3];
        block[8] = ids[8];
        Buffer regs{};
        if (!ReadRegister(multislot_registers::kExtraSettings, regs, context))
            return false;
        std::copy_n(regs.begin(), 4, block.begin() + 12);
        block[30] = regs[4];
        block[31] = regs[5];
        block[11] = regs[21];
    }
    context.valid = 1;
    context.vendorId = {block[4], block[5]};
    context.productId = {block[6], block[7]};
    for (int i = 0; i < kSlotCount; ++i)
        context.slotLun[i] = block[16 + i] & 7;
    context.firmwareMajor = block[252];
    context.firmwareMinor = block[253];
    context.romFlagA = block[104] & 0x80;

    Buffer status{};
    if (!ReadRegister(common_registers::kSlotStatus, status, context))
        return false;
    std::copy_n(status.begin() + 8, kSlotCount, context.slotStatus.begin());
    return true;
}

bool ReaderDevice::ParseTwoSlotCRData(ReaderContext& context) {
    Buffer b{};
    if (!ReadRegister(twoslot_registers::kIds, b, context))
        return false;
    context.vendorId = {b[1], b[0]};
    context.productId = {b[3], b[2]};

    b.fill(0);
    if (!ReadRegister(twoslot_registers::kSlotLuns, b, context))
        return false;
    context.slotLun.fill(0xFF);
    context.slotLun[0] = b[0] & 7;
    context.slotLun[1] = b[1] & 7;

    b.fill(0);
    if (!ReadRegister(twoslot_registers::kFirmware, b, context))
        return false;
    context.firmwareMajor = 0;
    context.firmwareMinor = b[0];

    b.fill(0);
    if (!ReadRegister(twoslot_registers::kRom, b, context))
        return false;
    context.romFlagA = b[0] & 1;

    b.fill(0);
    if (!ReadRegister(common_registers::kSlotStatus, b, context))
        return false;
    context.slotStatus[0] = b[8];
    context.slotStatus[1] = b[9];
    context.valid = 1;
    return true;
}

bool ReaderDevice::ParseExtendedCRData(ReaderContext& context) {
    Buffer b{};
    if (!ReadRegister(extended_registers::kIds, b, context))
        return false;
    context.vendorId = {b[1], b[0]};
    context.productId = {b[3], b[2]};

    const size_t luns = std::min<size_t>(context.lunCount, kSlotCount);
    b.fill(0);
    if (!ReadRegister(extended_registers::kSlotLuns, b, context))
        return false;
    context.slotLun.fill(kNoLun);
    for (size_t i = 0; i < luns; ++i)
        context.slotLun[i] = b[i] & 7;

    b.fill(0);
    if (!ReadRegister(extended_registers::kSlotStatus, b, context))
        return false;
    context.slotStatus.fill(0);
    for (size_t i = 0; i < luns; ++i)
        context.slotStatus[i] = b[i];

    context.valid = 1;
    context.twoSlot = true;
    return true;
}

} // namespace orrick
