#include "sim_reader.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace simreader {

using orrick::ScsiRequest;
using orrick::ScsiResult;
namespace scsi = orrick::scsi;

namespace {

constexpr size_t kMemorySize = 0x10000;
constexpr uint8_t kSenseMediumError = 0x03;

// Where each family keeps what the tester reads.
constexpr uint16_t kConfigBlock = 0x5000; // multi-slot configuration block
constexpr uint16_t kLunNumberAddress = 0x000E;
constexpr uint16_t kUsbSpeedAddress = 0x0002;
constexpr uint16_t kNorFlagAddress = 0x0303;
constexpr uint16_t kLittleEndianIds = 0x1008;
constexpr uint16_t kModeBytes = 0x5060;
constexpr uint8_t kStatusBlock = 0x80; // status of slot i at 0x88 + i
constexpr uint8_t kTwoSlotLuns = 0x93;
constexpr uint8_t kTwoSlotFirmware = 0xB2;
constexpr uint8_t kRomRegister = 0x24;
constexpr uint8_t kTwoSlotModes = 0xA9;
constexpr uint8_t kTwoSlotCapacity = 0xA1; // sector count of LUN n, big-endian, at 4n
constexpr uint32_t kExtIds = 0x1062;
constexpr uint32_t kExtLunLayout = 0x47F3;
constexpr uint32_t kExtLunRegister = 0x002D;
constexpr uint32_t kExtSlotLuns = 0x47F9;
constexpr uint32_t kExtSlotStatus = 0x47F5;
constexpr uint32_t kExtModes = 0x0100;
constexpr uint8_t kExtMaxLuns = 4;

bool IsMultiSlot(Family f) {
    return f == Family::MultiSlot || f == Family::MultiSlotHg || f == Family::MultiSlotExtra ||
           f == Family::MultiSlotExtraHg || f == Family::UnknownVariant;
}

uint32_t Lba(const ScsiRequest& r) {
    return (uint32_t{r.cdb[2]} << 24) | (uint32_t{r.cdb[3]} << 16) | (uint32_t{r.cdb[4]} << 8) |
           r.cdb[5];
}

} // namespace

std::optional<Family> FamilyFromName(const std::string& name) {
    static const std::pair<const char*, Family> kNames[] = {
        {"MultiSlot", Family::MultiSlot},
        {"TwoSlot", Family::TwoSlot},
        {"MultiSlotHg", Family::MultiSlotHg},
        {"MultiSlotExtra", Family::MultiSlotExtra},
        {"MultiSlotExtraHg", Family::MultiSlotExtraHg},
        {"ExtendedAddress", Family::ExtendedAddress},
        {"UnknownVariant", Family::UnknownVariant},
        {"NotReader", Family::NotReader},
    };
    for (const auto& [n, f] : kNames)
        if (name == n)
            return f;
    return std::nullopt;
}

std::string DefaultInquiryTag(Family family) {
    switch (family) {
    case Family::MultiSlot:
        return "QVXK5100";
    case Family::TwoSlot:
        return "QVXK5101";
    case Family::MultiSlotHg:
        return "QVXK5106";
    case Family::MultiSlotExtra:
        return "QVXK5120";
    case Family::MultiSlotExtraHg:
        return "QVXK5122";
    case Family::ExtendedAddress:
        return "RQ7M3210";
    case Family::UnknownVariant:
        return "QVXK5109";
    case Family::NotReader:
        return "DISK 1.0";
    }
    return {};
}

SimController::SimController(Family family)
    : family_(family), inquiryTag_(DefaultInquiryTag(family)), config_(kMemorySize),
      registers_(kMemorySize), extended_(kMemorySize) {
    slots_.resize(static_cast<size_t>(SlotCountOfFamily()));
    if (IsMultiSlot(family_)) {
        // CF, SD, SM and xD sharing one LUN, MS; no second SD or MS.
        const uint8_t luns[] = {0, 1, 2, 2, 3, orrick::kNoLun, orrick::kNoLun};
        for (int i = 0; i < 7; ++i)
            SetSlotLun(i, luns[i]);
    } else if (family_ == Family::TwoSlot) {
        SetSlotLun(0, 0);
        SetSlotLun(1, 1);
    } else if (family_ == Family::ExtendedAddress) {
        SetLunLayout(2, 2);
    }
    SetIds(0x1D6B, 0x0104);
    SetFirmware(1, 5);
    SetHighSpeed(true);
}

int SimController::SlotCountOfFamily() const {
    if (IsMultiSlot(family_) || family_ == Family::ExtendedAddress)
        return orrick::kSlotCount;
    if (family_ == Family::TwoSlot)
        return 2;
    return 1; // a plain disk: its one medium
}

void SimController::SetInquiryTag(const std::string& tag) {
    std::lock_guard lock(mutex_);
    inquiryTag_ = tag.substr(0, 8);
}

void SimController::SetIds(uint16_t vendorId, uint16_t productId) {
    std::lock_guard lock(mutex_);
    const uint8_t le[4] = {uint8_t(vendorId), uint8_t(vendorId >> 8), uint8_t(productId),
                           uint8_t(productId >> 8)};
    if (family_ == Family::ExtendedAddress) {
        std::copy_n(le, 4, extended_.begin() + kExtIds);
    } else if (family_ == Family::TwoSlot || family_ == Family::MultiSlotExtra) {
        std::copy_n(le, 4, config_.begin() + kLittleEndianIds);
    } else {
        config_[kConfigBlock + 4] = le[1];
        config_[kConfigBlock + 5] = le[0];
        config_[kConfigBlock + 6] = le[3];
        config_[kConfigBlock + 7] = le[2];
    }
}

void SimController::SetFirmware(uint8_t major, uint8_t minor) {
    std::lock_guard lock(mutex_);
    if (family_ == Family::TwoSlot) {
        registers_[kTwoSlotFirmware] = minor;
        return;
    }
    config_[kConfigBlock + 252] = major;
    config_[kConfigBlock + 253] = minor;
}

void SimController::SetRomFlags(bool eeprom, bool nor) {
    std::lock_guard lock(mutex_);
    if (IsMultiSlot(family_)) {
        uint8_t& a = config_[kConfigBlock + 104];
        a = eeprom ? (a | 0x80) : (a & 0x7F);
        uint8_t& b = config_[kNorFlagAddress];
        b = nor ? (b | 1) : (b & 0xFE);
    } else {
        uint8_t& r = registers_[kRomRegister];
        r = eeprom ? (r | 1) : (r & 0xFE);
    }
}

void SimController::SetHighSpeed(bool highSpeed) {
    std::lock_guard lock(mutex_);
    uint8_t& b = config_[kUsbSpeedAddress];
    b = highSpeed ? (b | 1) : (b & 0xFE);
}

void SimController::SetSlotLun(int slot, uint8_t lun) {
    std::lock_guard lock(mutex_);
    if (slot < 0 || slot >= orrick::kSlotCount)
        return;
    if (IsMultiSlot(family_))
        config_[kConfigBlock + 16 + slot] = lun;
    else if (family_ == Family::TwoSlot && slot < 2)
        registers_[kTwoSlotLuns + slot] = lun;
    else if (family_ == Family::ExtendedAddress)
        extended_[kExtSlotLuns + static_cast<uint32_t>(slot)] = lun;
}

void SimController::SetLunLayout(uint8_t lunBase, uint8_t lunCount) {
    std::lock_guard lock(mutex_);
    // The status bytes at 0x47F5 run into the slot LUNs at 0x47F9 after four.
    lunCount = std::min<uint8_t>(lunCount, kExtMaxLuns);
    extLunCount_ = lunCount;
    extended_[kExtLunLayout] = static_cast<uint8_t>(((lunBase + lunCount) << 4) | (lunBase & 0x0F));
    for (uint8_t i = 0; i < orrick::kSlotCount; ++i)
        extended_[kExtSlotLuns + i] = i < lunCount ? i : orrick::kNoLun;
}

void SimController::SetTestModeAnswer(uint8_t firstByte) {
    std::lock_guard lock(mutex_);
    testModeAnswer_ = firstByte;
}

void SimController::PokeConfig(uint16_t address, uint8_t value) {
    std::lock_guard lock(mutex_);
    config_[address] = value;
}

void SimController::PokeRegister(uint8_t address, uint8_t value) {
    std::lock_guard lock(mutex_);
    registers_[address] = value;
}

void SimController::PokeExtended(uint32_t address, uint8_t value) {
    std::lock_guard lock(mutex_);
    if (address < extended_.size())
        extended_[address] = value;
}

void SimController::SetLunRegisterOverride(uint8_t lun, uint8_t value) {
    std::lock_guard lock(mutex_);
    lunRegisterOverride_[lun] = value;
}

void SimController::InsertCard(int slot, SimCard card) {
    std::lock_guard lock(mutex_);
    if (slot < 0 || static_cast<size_t>(slot) >= slots_.size())
        return;
    // A card image that does not exist yet starts blank at its full size.
    if (!card.imagePath.empty() && !std::filesystem::exists(card.imagePath)) {
        std::ofstream create(card.imagePath, std::ios::binary);
        create.close();
        std::error_code ec;
        std::filesystem::resize_file(card.imagePath, uint64_t{card.blockCount} * scsi::kBlockSize,
                                     ec);
    }
    slots_[slot].card = std::move(card);
    slots_[slot].memory.clear();
}

void SimController::RemoveCard(int slot) {
    std::lock_guard lock(mutex_);
    if (slot >= 0 && static_cast<size_t>(slot) < slots_.size())
        slots_[slot].card.reset();
}

bool SimController::HasCard(int slot) const {
    std::lock_guard lock(mutex_);
    return slot >= 0 && static_cast<size_t>(slot) < slots_.size() && slots_[slot].card;
}

void SimController::SetWriteProtected(int slot, bool on) {
    std::lock_guard lock(mutex_);
    if (slot >= 0 && static_cast<size_t>(slot) < slots_.size() && slots_[slot].card)
        slots_[slot].card->writeProtected = on;
}

void SimController::SetInitFail(int slot, bool on) {
    std::lock_guard lock(mutex_);
    if (slot >= 0 && static_cast<size_t>(slot) < slots_.size() && slots_[slot].card)
        slots_[slot].card->initFail = on;
}

std::vector<uint8_t> SimController::CardBlock(int slot, uint32_t lba) const {
    std::lock_guard lock(mutex_);
    std::vector<uint8_t> block(scsi::kBlockSize);
    if (slot >= 0 && static_cast<size_t>(slot) < slots_.size() && slots_[slot].card)
        ReadCardBlocks(slots_[slot], lba, block);
    return block;
}

uint8_t SimController::SlotLun(int slot) const {
    if (IsMultiSlot(family_))
        return config_[kConfigBlock + 16 + slot] & 7;
    if (family_ == Family::TwoSlot)
        return slot < 2 ? registers_[kTwoSlotLuns + slot] & 7 : orrick::kNoLun;
    if (family_ == Family::ExtendedAddress)
        return slot < extLunCount_ ? extended_[kExtSlotLuns + static_cast<uint32_t>(slot)] & 7
                                   : orrick::kNoLun;
    return 0;
}

int SimController::LunCount() const {
    std::lock_guard lock(mutex_);
    if (family_ == Family::NotReader)
        return 1;
    bool seen[8] = {};
    int count = 0;
    for (size_t i = 0; i < slots_.size(); ++i) {
        const uint8_t lun = SlotLun(static_cast<int>(i));
        if (lun != orrick::kNoLun && !seen[lun]) {
            seen[lun] = true;
            ++count;
        }
    }
    return count;
}

int SimController::SlotForLun(int lun) const {
    int first = -1;
    for (size_t i = 0; i < slots_.size(); ++i) {
        if (SlotLun(static_cast<int>(i)) != lun)
            continue;
        if (slots_[i].card)
            return static_cast<int>(i);
        if (first < 0)
            first = static_cast<int>(i);
    }
    return first;
}

std::optional<uint32_t> SimController::LunBlockCount(int lun) const {
    std::lock_guard lock(mutex_);
    const int index = SlotForLun(lun);
    if (index < 0 || !slots_[index].card)
        return std::nullopt;
    return slots_[index].card->blockCount;
}

uint8_t SimController::SlotStatusByte(int slot) const {
    if (slot < 0 || static_cast<size_t>(slot) >= slots_.size() || !slots_[slot].card)
        return 0;
    const SimCard& card = *slots_[slot].card;
    if (card.initFail)
        return 0x21;
    return card.writeProtected ? 0x07 : 0x03;
}

void SimController::SyncDynamicBytes() {
    const auto count = static_cast<int>(slots_.size());
    auto mode = [&](int slot) -> uint8_t {
        return slot < count && slots_[slot].card ? slots_[slot].card->modeByte : 0;
    };
    if (family_ == Family::TwoSlot || family_ == Family::ExtendedAddress) {
        for (int lun = 0; lun < 2; ++lun) {
            const int slot = SlotForLun(lun);
            uint32_t blocks = 0;
            if (slot >= 0 && slots_[slot].card)
                blocks = slots_[slot].card->reportedBlocks ? slots_[slot].card->reportedBlocks
                                                           : slots_[slot].card->blockCount;
            for (int i = 0; i < 4; ++i)
                registers_[kTwoSlotCapacity + 4 * lun + i] =
                    static_cast<uint8_t>(blocks >> (24 - 8 * i));
        }
    }
    if (family_ == Family::ExtendedAddress) {
        for (int i = 0; i < extLunCount_; ++i)
            extended_[kExtSlotStatus + static_cast<uint32_t>(i)] = SlotStatusByte(i);
        extended_[kExtModes] = mode(0) & 0xC0;
        extended_[kExtModes + 32] = static_cast<uint8_t>((mode(1) >> 6) & 0x03);
        return;
    }
    for (int i = 0; i < count && i < orrick::kSlotCount; ++i)
        registers_[kStatusBlock + 8 + i] = SlotStatusByte(i);
    if (family_ == Family::TwoSlot) {
        registers_[kTwoSlotModes] = mode(0);
        registers_[kTwoSlotModes + 1] = mode(1);
    } else {
        for (int i = 0; i < count; ++i)
            config_[kModeBytes + i] = mode(i);
    }
}

ScsiResult SimController::Execute(int lun, const ScsiRequest& request) {
    std::lock_guard lock(mutex_);
    if (request.cdbLength == 0)
        return ScsiResult::CheckCondition(scsi::kSenseIllegalRequest);
    const bool reader = family_ != Family::NotReader;
    switch (request.opcode()) {
    case scsi::kInquiry:
        return Inquiry(request);
    case scsi::kRead10:
        return Transfer(lun, request, false);
    case scsi::kWrite10:
        return Transfer(lun, request, true);
    case scsi::kVendorTestMode:
        if (!reader || family_ == Family::ExtendedAddress || request.data.empty())
            break;
        std::fill(request.data.begin(), request.data.end(), 0);
        request.data[0] = testModeAnswer_;
        return ScsiResult::Good(static_cast<uint32_t>(request.data.size()));
    case scsi::kVendorReadMemory:
        if (!reader)
            break;
        return ReadMemory(lun, request, false);
    case scsi::kVendorReadMemoryExt:
        if (family_ != Family::ExtendedAddress)
            break;
        return ReadMemory(lun, request, true);
    default:
        break;
    }
    return ScsiResult::CheckCondition(scsi::kSenseIllegalRequest);
}

ScsiResult SimController::Inquiry(const ScsiRequest& request) {
    std::array<uint8_t, scsi::kInquirySize> data{};
    data[0] = 0x00; // direct-access device
    data[1] = 0x80; // removable medium
    data[2] = 0x02;
    data[3] = 0x02;
    data[4] = static_cast<uint8_t>(data.size() - 5);
    std::memcpy(&data[8], "Generic ", 8);
    std::memcpy(&data[16], family_ == Family::NotReader ? "USB Flash Disk  " : "Card Reader     ",
                16);
    std::memcpy(&data[32], "1.00", 4);
    std::memcpy(&data[36], inquiryTag_.data(), std::min<size_t>(inquiryTag_.size(), 8));
    const size_t n = std::min(request.data.size(), data.size());
    std::copy_n(data.begin(), n, request.data.begin());
    return ScsiResult::Good(static_cast<uint32_t>(n));
}

ScsiResult SimController::ReadMemory(int lun, const ScsiRequest& request, bool extended) {
    SyncDynamicBytes();
    const std::vector<uint8_t>* memory = nullptr;
    uint32_t address;
    if (extended) {
        address =
            (uint32_t{request.cdb[6]} << 16) | (uint32_t{request.cdb[3]} << 8) | request.cdb[4];
        memory = &extended_;
    } else {
        address = (uint32_t{request.cdb[4]} << 8) | request.cdb[5];
        if (request.cdb[2] == orrick::kConfigSpace)
            memory = &config_;
        else if (request.cdb[2] == orrick::kRegisterSpace)
            memory = &registers_;
        else
            return ScsiResult::CheckCondition(scsi::kSenseIllegalRequest);
    }
    // The controller always answers with a whole buffer, whatever was asked.
    std::span<uint8_t> out = request.data;
    for (size_t i = 0; i < out.size(); ++i) {
        const uint32_t a = address + static_cast<uint32_t>(i);
        out[i] = a < memory->size() ? (*memory)[a] : 0;
    }
    // Registers that answer differently through each LUN.
    auto patch = [&](uint32_t at, uint8_t value) {
        if (at >= address && at - address < out.size())
            out[at - address] = value;
    };
    if (extended) {
        const uint8_t base = extended_[kExtLunLayout] & 0x0F;
        auto over = lunRegisterOverride_.find(static_cast<uint8_t>(lun));
        patch(kExtLunRegister,
              over != lunRegisterOverride_.end() ? over->second : static_cast<uint8_t>(base + lun));
    } else if (request.cdb[2] == orrick::kConfigSpace) {
        patch(kLunNumberAddress, static_cast<uint8_t>(lun));
    }
    return ScsiResult::Good(static_cast<uint32_t>(out.size()));
}

bool SimController::ReadCardBlocks(const Slot& slot, uint32_t lba, std::span<uint8_t> out) const {
    std::fill(out.begin(), out.end(), 0);
    const SimCard& card = *slot.card;
    const uint64_t offset = uint64_t{lba} * scsi::kBlockSize;
    if (card.imagePath.empty()) {
        for (size_t i = 0; i < out.size(); ++i)
            if (offset + i < slot.memory.size())
                out[i] = slot.memory[offset + i];
        return true;
    }
    std::ifstream in(card.imagePath, std::ios::binary);
    if (!in)
        return false;
    in.seekg(static_cast<std::streamoff>(offset));
    // A short image reads as zeros past its end.
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return !in.bad();
}

bool SimController::WriteCardBlocks(Slot& slot, uint32_t lba, std::span<const uint8_t> in) {
    const SimCard& card = *slot.card;
    const uint64_t offset = uint64_t{lba} * scsi::kBlockSize;
    if (card.imagePath.empty()) {
        if (slot.memory.size() < offset + in.size())
            slot.memory.resize(offset + in.size());
        std::copy(in.begin(), in.end(), slot.memory.begin() + static_cast<std::ptrdiff_t>(offset));
        return true;
    }
    std::fstream out(card.imagePath, std::ios::binary | std::ios::in | std::ios::out);
    if (!out)
        return false;
    out.seekp(static_cast<std::streamoff>(offset));
    out.write(reinterpret_cast<const char*>(in.data()), static_cast<std::streamsize>(in.size()));
    out.flush();
    return static_cast<bool>(out);
}

ScsiResult SimController::Transfer(int lun, const ScsiRequest& request, bool write) {
    const int index = SlotForLun(lun);
    if (index < 0 || !slots_[index].card || slots_[index].card->initFail)
        return ScsiResult::CheckCondition(scsi::kSenseNotReady);
    Slot& slot = slots_[index];
    const uint32_t lba = Lba(request);
    const uint32_t count = (uint32_t{request.cdb[7]} << 8) | request.cdb[8];
    const size_t bytes = size_t{count} * scsi::kBlockSize;
    if (request.data.size() < bytes || uint64_t{lba} + count > slot.card->blockCount)
        return ScsiResult::CheckCondition(scsi::kSenseIllegalRequest);
    const std::span<uint8_t> data = request.data.first(bytes);
    if (write) {
        if (slot.card->writeProtected)
            return ScsiResult::CheckCondition(scsi::kSenseDataProtect);
        if (!slot.card->dropsWrites && !WriteCardBlocks(slot, lba, data))
            return ScsiResult::CheckCondition(kSenseMediumError);
    } else if (!ReadCardBlocks(slot, lba, data)) {
        return ScsiResult::CheckCondition(kSenseMediumError);
    }
    return ScsiResult::Good(static_cast<uint32_t>(bytes));
}

} // namespace simreader
