// Simulated reader controller: the controller families' configuration memory,
// registers and LUN drives, memory cards as image files, behind the same
// pass-through interface as the real drives.
#pragma once

#include "reader_device.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace simreader {

enum class Family {
    MultiSlot,
    TwoSlot,
    MultiSlotHg,
    MultiSlotExtra,
    MultiSlotExtraHg,
    ExtendedAddress,
    UnknownVariant,
    NotReader,
};

std::optional<Family> FamilyFromName(const std::string& name);
// The eight INQUIRY bytes 36..43 a controller of the family reports.
std::string DefaultInquiryTag(Family family);

// A memory card: blocks in an image file, or in memory when no file is given.
struct SimCard {
    std::filesystem::path imagePath;
    uint32_t blockCount = 8192;
    bool writeProtected = false;
    bool initFail = false;
    uint8_t modeByte = 0;        // bus width / transfer mode the reader reports
    bool dropsWrites = false;    // a faulty card: writes report success and change nothing
    uint32_t reportedBlocks = 0; // what the capacity register says; 0: blockCount
};

class SimController {
public:
    // slotCount: 7 for the multi-slot families, 2 for the two-slot ones,
    // up to 7 LUNs for the extended-address one.
    explicit SimController(Family family);

    Family family() const { return family_; }

    // Configuration, written to the addresses the family keeps it at.
    void SetInquiryTag(const std::string& tag);
    void SetIds(uint16_t vendorId, uint16_t productId);
    void SetFirmware(uint8_t major, uint8_t minor);
    void SetRomFlags(bool eeprom, bool nor);
    void SetHighSpeed(bool highSpeed);
    void SetSlotLun(int slot, uint8_t lun);
    // Extended-address controllers number their LUNs from a base.
    void SetLunLayout(uint8_t lunBase, uint8_t lunCount);
    void SetTestModeAnswer(uint8_t firstByte);

    // Raw access to the three memories, for faults the setters cannot express.
    void PokeConfig(uint16_t address, uint8_t value);
    void PokeRegister(uint8_t address, uint8_t value);
    void PokeExtended(uint32_t address, uint8_t value);
    // Overrides what the LUN register (0x002D) answers through one LUN.
    void SetLunRegisterOverride(uint8_t lun, uint8_t value);

    // Cards come and go at any time.
    void InsertCard(int slot, SimCard card);
    void RemoveCard(int slot);
    bool HasCard(int slot) const;
    void SetWriteProtected(int slot, bool on);
    void SetInitFail(int slot, bool on);
    // Reads a block of the card in a slot (what a test checks against).
    std::vector<uint8_t> CardBlock(int slot, uint32_t lba) const;

    // LUNs the controller shows as drives: one per distinct LUN serving a slot.
    int LunCount() const;
    uint8_t SlotStatusByte(int slot) const;
    // Blocks of the card a LUN's drive reaches; none without a card.
    std::optional<uint32_t> LunBlockCount(int lun) const;

    orrick::ScsiResult Execute(int lun, const orrick::ScsiRequest& request);

private:
    struct Slot {
        std::optional<SimCard> card;
        std::vector<uint8_t> memory; // image of a card without a file
    };

    int SlotCountOfFamily() const;
    uint8_t SlotLun(int slot) const;
    int SlotForLun(int lun) const;
    void SyncDynamicBytes();
    orrick::ScsiResult Inquiry(const orrick::ScsiRequest& request);
    orrick::ScsiResult ReadMemory(int lun, const orrick::ScsiRequest& request, bool extended);
    orrick::ScsiResult Transfer(int lun, const orrick::ScsiRequest& request, bool write);
    bool ReadCardBlocks(const Slot& slot, uint32_t lba, std::span<uint8_t> out) const;
    bool WriteCardBlocks(Slot& slot, uint32_t lba, std::span<const uint8_t> in);

    Family family_;
    mutable std::mutex mutex_;
    std::string inquiryTag_;
    std::vector<uint8_t> config_;    // space 0x13
    std::vector<uint8_t> registers_; // space 0x12
    std::vector<uint8_t> extended_;  // command 0xFD
    std::vector<Slot> slots_;
    std::map<uint8_t, uint8_t> lunRegisterOverride_;
    uint8_t testModeAnswer_ = 0;
    // LUNs the extended-address controller really has, whatever its layout
    // register is poked to.
    int extLunCount_ = 0;
};

// Which requests fail in transport (the pass-through itself, not the device).
struct FailureRule {
    std::string drive;  // empty: any drive
    int opcode = -1;    // -1: any command
    int remaining = -1; // -1: every matching request
    int skip = 0;       // matching requests that go through before the failures start
};

class SimReaderBackend : public orrick::ScsiBackend {
public:
    // A controller's LUN i appears as drive driveNames[i]. Returns its index.
    size_t AddController(std::unique_ptr<SimController> controller,
                         std::vector<std::string> driveNames);
    SimController& Controller(size_t index);
    size_t ControllerCount() const;
    // Unplugged controllers' drives vanish; open handles start to fail.
    void Unplug(size_t index);
    void Replug(size_t index);

    void FailRequests(FailureRule rule);
    void FailOpen(const std::string& drive, bool fail);
    void ClearFailures();
    // The latest requests sent (up to kSentKept), with the drive each went to.
    struct Sent {
        std::string drive;
        orrick::ScsiRequest request; // its data span is not valid after the call
    };
    std::vector<Sent> SentRequests() const;
    void ClearSentRequests();

    std::vector<std::string> ListDrives() override;
    bool IsRemovableOrOptical(const std::string& name) override;
    orrick::DriveHandle Open(const std::string& name) override;
    void Close(orrick::DriveHandle handle) override;
    orrick::ScsiResult Execute(orrick::DriveHandle handle,
                               const orrick::ScsiRequest& request) override;
    std::optional<uint64_t> BlockCount(const std::string& name) override;

private:
    struct Drive {
        size_t controller;
        int lun;
    };
    std::optional<Drive> FindDrive(const std::string& name) const;
    bool ShouldFail(const std::string& drive, uint8_t opcode);

    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<SimController>> controllers_;
    std::vector<std::vector<std::string>> driveNames_;
    std::vector<bool> plugged_;
    std::vector<FailureRule> failures_;
    std::vector<std::string> failOpen_;
    std::map<orrick::DriveHandle, std::string> handles_;
    orrick::DriveHandle nextHandle_ = 1;
    std::deque<Sent> sent_;
    static constexpr size_t kSentKept = 4096; // a long demo run must not grow without end
};

// Adds the controller a JSON profile describes; card image paths are taken
// relative to the profile's folder. Throws std::runtime_error on a bad profile.
size_t LoadReaderProfile(SimReaderBackend& backend, const std::filesystem::path& profile);

} // namespace simreader
