// FAT formatting of the SD cards of two-slot readers: a whole-card FAT12,
// FAT16 or FAT32 volume without a partition table, written through the
// drive's sector commands.
//
// The byte images (boot area, label entry) are pure functions so that they
// can be checked on their own; FatFormatter only sends them to the card.
#pragma once

#include "reader_checks.h"
#include "reader_device.h"
#include "test_settings.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace orrick {

enum class FatType { Fat12, Fat16, Fat32 };

// Results of FatFormatter::FormatFat.
namespace format {
constexpr int kFailed = 0;   // a read or write failed, or no memory; the reason is logged
constexpr int kDone = 1;     // the volume is complete
constexpr int kTooLarge = 3; // the card has too many sectors for its FAT type; nothing written
} // namespace format

struct FatGeometry {
    FatType type = FatType::Fat12;
    uint32_t totalSectors = 0;
    uint8_t sectorsPerCluster = 1;
    uint16_t reservedSectors = 1;
    uint32_t fatSectors = 0;          // one FAT
    uint16_t rootEntries = 0;         // 0 on FAT32, whose root directory is a cluster chain
    uint32_t FirstDataSector() const; // FAT12/16: the fixed root directory; FAT32: cluster 2
    uint32_t ClusterCount() const;    // clusters of the data area
    uint32_t FatEntries() const;      // entries one FAT has room for
};

constexpr uint32_t kFat12MaxSectors = 4096;
constexpr uint32_t kFat32MinSectors = 4194304;

// Type and geometry for a card of this many sectors; nothing when the card is
// too large for the type its size selects.
std::optional<FatGeometry> ChooseFatGeometry(uint32_t totalSectors);

constexpr size_t kSectorSize = 512;
constexpr size_t kBootAreaSectors = 3; // boot sector, FS information, continuation (FAT32)
using BootArea = std::array<uint8_t, kBootAreaSectors * kSectorSize>;

// The boot area as it goes to the card. FAT12/16 use only its first sector.
BootArea BuildBootArea(const FatGeometry& geometry, uint32_t serial);

// The templates the boot area starts from (fields of the parameter block zero).
const std::array<uint8_t, kSectorSize>& Fat16BootTemplate();
const std::array<uint8_t, kSectorSize>& Fat32BootTemplate();
const std::array<uint8_t, kSectorSize>& Fat32ContinuationTemplate();

struct LocalTime {
    int year = 1980; // full year
    int month = 1;   // 1..12
    int day = 1;     // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int64_t epochSeconds = 0; // seeds the serial number
};

// FAT directory time and date; values outside their fields are clamped.
uint16_t FatTime(const LocalTime& time);
uint16_t FatDate(const LocalTime& time);

// The 11 bytes of a volume label from the first 11 characters typed: upper
// case, without leading blanks, blank-padded, characters a label may not
// hold replaced by '_'. Empty when the text has nothing but blanks.
std::string VolumeLabelName(std::string_view text);

using DirectoryEntry = std::array<uint8_t, 32>;
DirectoryEntry BuildLabelEntry(std::string_view labelName, const LocalTime& time);

// The volume serial number from the time and two random numbers.
using SerialRandom = std::function<std::array<uint16_t, 2>(int64_t seedSeconds)>;
uint32_t VolumeSerial(const LocalTime& time, const SerialRandom& random);

struct FormatEnvironment {
    std::function<LocalTime()> clock;
    SerialRandom random;
    // Zeroed memory of the given size, or null when there is none.
    std::function<std::unique_ptr<uint8_t[]>(size_t bytes)> allocate;

    // Local time, a generator seeded with the seconds, operator new.
    static FormatEnvironment System();
};

class FatFormatter {
public:
    FatFormatter(ReaderDevice& device, LogFunction log,
                 FormatEnvironment environment = FormatEnvironment::System());

    // Formats sectors 0 .. totalSectors - 1 of the card behind context, whose
    // drive is open. An empty label leaves the root directory empty.
    int FormatFat(uint32_t totalSectors, std::string_view label, ReaderContext& context);

    // The format step after a passed read/write test of slot 0 or 1 of a
    // two-slot reader, when that slot's format option is ticked. The drive of
    // context is open.
    void FormatSlotCard(int slot, ReaderContext& context, const LabelSettings& labels);

    // Sectors of the largest write request.
    static constexpr uint8_t kMaxRequestSectors = 128;

private:
    bool WriteZeros(uint32_t first, uint32_t count, const uint8_t* zeros, ReaderContext& context);
    bool Write(uint32_t lba, uint8_t count, const uint8_t* data, ReaderContext& context);
    bool WriteLabel(const FatGeometry& geometry, const std::string& name, ReaderContext& context);
    void Log(const std::string& text);

    ReaderDevice& device_;
    LogFunction log_;
    FormatEnvironment environment_;
};

} // namespace orrick
