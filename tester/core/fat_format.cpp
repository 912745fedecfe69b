#include "fat_format.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>
#include <random>
#include <vector>

namespace orrick {
namespace {

constexpr size_t kBufferBytes = 64 * 1024; // 128 sectors, the largest request
constexpr uint8_t kLabelAttribute = 0x08;
constexpr uint8_t kDeletedEntry = 0xE5;
constexpr uint32_t kFat32RootCluster = 2;
constexpr uint32_t kFat32BackupBoot = 6;
constexpr uint32_t kFat32RootZeroSectors = 64;
constexpr uint32_t kFixedRootEntries = 512;
constexpr uint32_t kFixedRootSectors = kFixedRootEntries * 32 / kSectorSize;
constexpr char kBootSectorLabel[] = "MY USB DISK";

void Put16(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutText(uint8_t* at, const char* text) {
    std::memcpy(at, text, std::strlen(text));
}

// A tiny real-mode assembler for the boot program: enough to place code and
// its messages in a sector and patch the addresses between them.
class BootCode {
public:
    BootCode(std::array<uint8_t, kSectorSize>& sector, size_t start, uint16_t loadAddress)
        : sector_(sector), at_(start), load_(loadAddress) {}

    void Bytes(std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes)
            sector_[at_++] = b;
    }
    // mov si, address of label
    void LoadSi(int label) {
        Bytes({0xBE});
        fixups_.push_back({at_, label, false});
        at_ += 2;
    }
    // call label
    void Call(int label) {
        Bytes({0xE8});
        fixups_.push_back({at_, label, true});
        at_ += 2;
    }
    // jmp to an absolute address outside this sector
    void JumpTo(uint16_t address) {
        Bytes({0xE9});
        Put16(&sector_[at_], static_cast<uint16_t>(address - (load_ + at_ + 2)));
        at_ += 2;
    }
    void Mark(int label) { labels_[label] = at_; }
    void Text(int label, const char* text) {
        Mark(label);
        PutText(&sector_[at_], text);
        at_ += std::strlen(text) + 1; // the sector is zeroed: the terminator is there
    }
    void Resolve() {
        for (const Fixup& f : fixups_) {
            const size_t target = labels_[f.label];
            const uint32_t value = f.relative ? static_cast<uint32_t>(target - (f.at + 2))
                                              : static_cast<uint32_t>(load_ + target);
            Put16(&sector_[f.at], value);
        }
    }

private:
    struct Fixup {
        size_t at;
        int label;
        bool relative;
    };
    std::array<uint8_t, kSectorSize>& sector_;
    size_t at_;
    uint16_t load_;
    std::array<size_t, 8> labels_{};
    std::vector<Fixup> fixups_;
};

enum Label { kPrint, kInvalid, kIoError, kReplace };

constexpr uint16_t kBootLoad = 0x7C00;
constexpr uint16_t kContinuationLoad = 0x7E00;

// Segments to 0, stack below the boot sector.
void EmitSetup(BootCode& code) {
    code.Bytes(
        {0xFA, 0x31, 0xC0, 0x8E, 0xD8, 0x8E, 0xC0, 0x8E, 0xD0, 0xBC, 0x00, 0x7C, 0xFB, 0xFC});
}

// Reads one sector (CHS 0/0/sector) of the boot drive (DL, as the BIOS left
// it) to 0000:buffer; carry set on a read error.
void EmitReadSector(BootCode& code, uint8_t sector, uint16_t buffer) {
    code.Bytes({0xBB, static_cast<uint8_t>(buffer), static_cast<uint8_t>(buffer >> 8), // mov bx
                0xB8, 0x01, 0x02,   // mov ax, 0201
                0xB9, sector, 0x00, // mov cx
                0xB6, 0x00,         // mov dh, 0
                0xCD, 0x13});       // int 13h
}

// "Replace the disk...", then a key, then the BIOS boot sequence again.
void EmitReplaceAndReboot(BootCode& code) {
    code.LoadSi(kReplace);
    code.Call(kPrint);
    code.Bytes({0x31, 0xC0, 0xCD, 0x16, // wait for a key
                0xCD, 0x19,             // boot again
                0xEB, 0xFE});           // should the BIOS return: stay here
}

// Teletype output of the zero-terminated text at DS:SI.
void EmitPrint(BootCode& code) {
    code.Mark(kPrint);
    code.Bytes({0xAC,             // lodsb
                0x84, 0xC0,       // test al, al
                0x74, 0x09,       // jz done
                0xB4, 0x0E,       // mov ah, 0Eh
                0xBB, 0x07, 0x00, // mov bx, 7
                0xCD, 0x10,       // int 10h
                0xEB, 0xF2,       // jmp print
                0xC3});           // done: ret
}

constexpr char kInvalidText[] = "Invalid system disk\r\n";
constexpr char kIoErrorText[] = "Disk I/O error\r\n";
constexpr char kReplaceText[] = "Replace the disk, and then press any key\r\n";

const char* MessageText(Label label) {
    return label == kInvalid ? kInvalidText : label == kIoError ? kIoErrorText : kReplaceText;
}

// Every program ends alike: print the message at SI, ask for another disk and
// boot again; then the print routine and the messages, the prompt last.
void EmitReportAndFinish(BootCode& code, std::initializer_list<Label> messages) {
    code.Call(kPrint);
    EmitReplaceAndReboot(code);
    EmitPrint(code);
    for (Label m : messages)
        code.Text(m, MessageText(m));
    code.Text(kReplace, kReplaceText);
    code.Resolve();
}

void StartSector(std::array<uint8_t, kSectorSize>& s, std::initializer_list<uint8_t> jump) {
    std::copy(jump.begin(), jump.end(), s.begin());
    PutText(&s[3], "MSWIN4.1");
    s[510] = 0x55;
    s[511] = 0xAA;
}

// FAT12/16. The volume has no operating system to start: the program reads
// its own boot sector back to tell an unreadable disk ("Disk I/O error") from
// a readable one without a system ("Invalid system disk"), asks for another
// disk and starts the BIOS boot sequence again after a key.
std::array<uint8_t, kSectorSize> MakeFat16Template() {
    std::array<uint8_t, kSectorSize> s{};
    StartSector(s, {0xEB, 0x3C, 0x90});
    s[38] = 0x29;
    BootCode code(s, 0x3E, kBootLoad);
    EmitSetup(code);
    EmitReadSector(code, 1, 0x0600);
    code.LoadSi(kInvalid);
    code.Bytes({0x73, 0x03}); // jnc: the disk answered
    code.LoadSi(kIoError);
    EmitReportAndFinish(code, {kInvalid, kIoError});
    return s;
}

// FAT32: the same program in two parts. The boot sector loads the
// continuation (sector 2) behind itself and jumps there; a read error is
// reported from the boot sector.
std::array<uint8_t, kSectorSize> MakeFat32Template() {
    std::array<uint8_t, kSectorSize> s{};
    StartSector(s, {0xEB, 0x58, 0x90});
    s[66] = 0x29;
    BootCode code(s, 0x5A, kBootLoad);
    EmitSetup(code);
    EmitReadSector(code, 3, kContinuationLoad);
    code.Bytes({0x72, 0x03}); // jc: report the read error
    code.JumpTo(kContinuationLoad);
    code.LoadSi(kIoError);
    EmitReportAndFinish(code, {kIoError});
    return s;
}

std::array<uint8_t, kSectorSize> MakeFat32Continuation() {
    std::array<uint8_t, kSectorSize> s{};
    s[510] = 0x55;
    s[511] = 0xAA;
    BootCode code(s, 0, kContinuationLoad);
    code.LoadSi(kInvalid);
    EmitReportAndFinish(code, {kInvalid});
    return s;
}

uint8_t Fat32ClusterSize(uint32_t count) {
    if (count <= 532480)
        return 1;
    if (count <= 16777216)
        return 8;
    if (count <= 33554432)
        return 16;
    if (count <= 67108864)
        return 32;
    return 64;
}

bool IsLabelCharacter(unsigned char c) {
    if (c < 0x20 || c >= 0x7F)
        return false;
    return std::strchr("\"*+,./:;<=>?[\\]|", c) == nullptr;
}

std::string Printf(const char* format, unsigned a, unsigned b = 0) {
    char text[64];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

} // namespace

uint32_t FatGeometry::FirstDataSector() const {
    return uint32_t{reservedSectors} + 2 * fatSectors;
}

uint32_t FatGeometry::ClusterCount() const {
    const uint64_t used =
        uint64_t{FirstDataSector()} + (type == FatType::Fat32 ? 0 : kFixedRootSectors);
    return used >= totalSectors ? 0
                                : static_cast<uint32_t>((totalSectors - used) / sectorsPerCluster);
}

uint32_t FatGeometry::FatEntries() const {
    const uint64_t bits = uint64_t{fatSectors} * kSectorSize * 8;
    const unsigned entryBits = type == FatType::Fat12 ? 12 : type == FatType::Fat16 ? 16 : 32;
    return static_cast<uint32_t>(std::min<uint64_t>(bits / entryBits, UINT32_MAX));
}

namespace {

uint16_t Fat16Reserved(uint32_t fatSectors) {
    return static_cast<uint16_t>(8 - 2 * (fatSectors % 4));
}

uint16_t Fat32Reserved(uint32_t fatSectors) {
    const uint32_t rest = fatSectors % 4;
    return static_cast<uint16_t>(rest == 0 ? 32 : 40 - 2 * rest);
}

// The size formulas come out one sector short for some counts, and the last
// clusters would have no FAT entry: a volume that other systems refuse to
// mount. Such a FAT grows until it covers every cluster.
void CoverEveryCluster(FatGeometry& g) {
    while (g.FatEntries() < uint64_t{g.ClusterCount()} + 2) {
        ++g.fatSectors;
        if (g.type == FatType::Fat16)
            g.reservedSectors = Fat16Reserved(g.fatSectors);
        else if (g.type == FatType::Fat32)
            g.reservedSectors = Fat32Reserved(g.fatSectors);
    }
}

} // namespace

std::optional<FatGeometry> ChooseFatGeometry(uint32_t count) {
    FatGeometry g;
    g.totalSectors = count;
    if (count >= kFat32MinSectors) {
        g.type = FatType::Fat32;
        g.sectorsPerCluster = Fat32ClusterSize(count);
        const uint32_t spc = g.sectorsPerCluster;
        if (count / spc > 4177918)
            return std::nullopt;
        g.fatSectors = (count + 128 * spc - 8) / (128 * spc + 2);
        g.reservedSectors = Fat32Reserved(g.fatSectors);
        g.rootEntries = 0;
        CoverEveryCluster(g);
        return g;
    }
    const bool fat12 = count <= kFat12MaxSectors;
    const uint32_t limit = fat12 ? 4085 : 65526;
    g.type = fat12 ? FatType::Fat12 : FatType::Fat16;
    // The smallest power of two that keeps the clusters within the type's
    // limit; a cluster ends at 64 KiB.
    uint32_t spc = 1;
    for (uint32_t l = limit; count > l && spc < 128; l *= 2)
        spc *= 2;
    if (count / spc > limit)
        return std::nullopt;
    g.sectorsPerCluster = static_cast<uint8_t>(spc);
    g.rootEntries = kFixedRootEntries;
    if (fat12) {
        g.fatSectors = (count + 256 * spc - 32) / (256 * spc + 2);
        g.reservedSectors = 1;
    } else {
        g.fatSectors = (count - 33) / (256 * spc + 2) + 1;
        g.reservedSectors = Fat16Reserved(g.fatSectors);
    }
    CoverEveryCluster(g);
    return g;
}

const std::array<uint8_t, kSectorSize>& Fat16BootTemplate() {
    static const auto kTemplate = MakeFat16Template();
    return kTemplate;
}

const std::array<uint8_t, kSectorSize>& Fat32BootTemplate() {
    static const auto kTemplate = MakeFat32Template();
    return kTemplate;
}

const std::array<uint8_t, kSectorSize>& Fat32ContinuationTemplate() {
    static const auto kTemplate = MakeFat32Continuation();
    return kTemplate;
}

BootArea BuildBootArea(const FatGeometry& g, uint32_t serial) {
    BootArea area{};
    uint8_t* b = area.data();
    const bool fat32 = g.type == FatType::Fat32;
    std::copy_n((fat32 ? Fat32BootTemplate() : Fat16BootTemplate()).begin(), kSectorSize, b);
    Put16(b + 11, kSectorSize);
    b[13] = g.sectorsPerCluster;
    Put16(b + 14, g.reservedSectors);
    b[16] = 2;
    Put16(b + 17, g.rootEntries);
    b[21] = 0xF8;
    Put16(b + 24, 63);
    Put16(b + 26, g.type == FatType::Fat12 ? 16 : 255);
    Put32(b + 28, 0);
    if (fat32) {
        Put16(b + 19, 0);
        Put16(b + 22, 0);
        Put32(b + 32, g.totalSectors);
        Put32(b + 36, g.fatSectors);
        Put16(b + 40, 0);
        Put16(b + 42, 0);
        Put32(b + 44, kFat32RootCluster);
        Put16(b + 48, 1);
        Put16(b + 50, kFat32BackupBoot);
    } else {
        const bool small = g.totalSectors < 65536;
        Put16(b + 19, small ? g.totalSectors : 0);
        Put16(b + 22, g.fatSectors);
        Put32(b + 32, small ? 0 : g.totalSectors);
    }
    const size_t ext = fat32 ? 64 : 36; // the extended parameter block
    b[ext] = 0x80;
    Put32(b + ext + 3, serial);
    PutText(b + ext + 7, kBootSectorLabel);
    PutText(b + ext + 18,
            g.type == FatType::Fat12 ? "FAT12   " : (fat32 ? "FAT32   " : "FAT16   "));

    if (fat32) {
        uint8_t* info = b + kSectorSize;
        PutText(info, "RRaA");
        PutText(info + 484, "rrAa");
        Put32(info + 488, 0xFFFFFFFF); // free clusters not counted
        Put32(info + 492, 3);          // cluster 2 holds the root directory
        info[510] = 0x55;
        info[511] = 0xAA;
        std::copy_n(Fat32ContinuationTemplate().begin(), kSectorSize, b + 2 * kSectorSize);
    }
    return area;
}

uint16_t FatTime(const LocalTime& t) {
    const int hour = std::clamp(t.hour, 0, 23);
    const int minute = std::clamp(t.minute, 0, 59);
    const int second = std::clamp(t.second, 0, 59);
    return static_cast<uint16_t>(hour * 2048 + minute * 32 + second / 2);
}

uint16_t FatDate(const LocalTime& t) {
    const int year = std::clamp(t.year, 1980, 2107);
    const int month = std::clamp(t.month, 1, 12);
    const int day = std::clamp(t.day, 1, 31);
    return static_cast<uint16_t>((year - 1980) * 512 + month * 32 + day);
}

std::string VolumeLabelName(std::string_view text) {
    std::string name;
    for (char c : text.substr(0, LabelSettings::kMaxLabel)) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 'a' && u <= 'z')
            name += static_cast<char>(u - 'a' + 'A');
        else
            name += IsLabelCharacter(u) ? c : '_';
    }
    // A label may not start with a blank (other systems drop such a label).
    const size_t start = name.find_first_not_of(' ');
    if (start == std::string::npos)
        return {};
    name.erase(0, start);
    name.resize(LabelSettings::kMaxLabel, ' ');
    return name;
}

DirectoryEntry BuildLabelEntry(std::string_view labelName, const LocalTime& time) {
    DirectoryEntry e{};
    std::fill_n(e.begin(), 11, ' ');
    std::copy_n(labelName.begin(), std::min<size_t>(labelName.size(), 11), e.begin());
    e[11] = kLabelAttribute;
    Put16(&e[22], FatTime(time));
    Put16(&e[24], FatDate(time));
    return e;
}

uint32_t VolumeSerial(const LocalTime& time, const SerialRandom& random) {
    const std::array<uint16_t, 2> r = random(time.epochSeconds);
    return uint32_t{r[0]} * 65536 + r[1] + static_cast<uint32_t>(time.millisecond);
}

FormatEnvironment FormatEnvironment::System() {
    FormatEnvironment e;
    e.clock = [] {
        const auto now = std::chrono::system_clock::now();
        const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
        std::tm local{};
        localtime_r(&seconds, &local);
        LocalTime t;
        t.year = local.tm_year + 1900;
        t.month = local.tm_mon + 1;
        t.day = local.tm_mday;
        t.hour = local.tm_hour;
        t.minute = local.tm_min;
        t.second = local.tm_sec;
        t.millisecond = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
            1000);
        t.epochSeconds = seconds;
        return t;
    };
    e.random = [](int64_t seed) {
        std::minstd_rand engine(static_cast<std::minstd_rand::result_type>(seed));
        const auto first = static_cast<uint16_t>(engine() >> 8);
        const auto second = static_cast<uint16_t>(engine() >> 8);
        return std::array<uint16_t, 2>{first, second};
    };
    e.allocate = [](size_t bytes) {
        return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[bytes]());
    };
    return e;
}

FatFormatter::FatFormatter(ReaderDevice& device, LogFunction log, FormatEnvironment environment)
    : device_(device), log_(std::move(log)), environment_(std::move(environment)) {}

void FatFormatter::Log(const std::string& text) {
    if (log_)
        log_(text);
}

// A write counts only when the card took it: a SCSI error (write-protected,
// past the end of the medium) fails the format as a transport failure does.
bool FatFormatter::Write(uint32_t lba, uint8_t count, const uint8_t* data, ReaderContext& context) {
    const WriteResult result = device_.WriteSectors(
        lba, count, std::span<const uint8_t>(data, size_t{count} * kSectorSize), context);
    if ((context.errorFlags & TransportFailure) || result != WriteResult::Written) {
        Log("Write cmd error .. !!\r\n");
        context.errorFlags &= ~TransportFailure;
        return false;
    }
    return true;
}

bool FatFormatter::WriteZeros(uint32_t first, uint32_t count, const uint8_t* zeros,
                              ReaderContext& context) {
    while (count > 0) {
        const auto n = static_cast<uint8_t>(std::min<uint32_t>(count, kMaxRequestSectors));
        if (!Write(first, n, zeros, context))
            return false;
        first += n;
        count -= n;
    }
    return true;
}

bool FatFormatter::WriteLabel(const FatGeometry& g, const std::string& name,
                              ReaderContext& context) {
    const bool fat32 = g.type == FatType::Fat32;
    const uint32_t first = g.FirstDataSector();
    const auto sectors = static_cast<uint8_t>(fat32 ? g.sectorsPerCluster : kFixedRootSectors);
    const size_t bytes = size_t{sectors} * kSectorSize;
    std::unique_ptr<uint8_t[]> directory = environment_.allocate(bytes);
    if (!directory) {
        Log("Memory allocation error .. !!\r\n");
        return false;
    }
    // An entry the card answered with an error is not known to be free.
    if (!device_.ReadSectorsChecked(first, sectors, std::span<uint8_t>(directory.get(), bytes),
                                    context)) {
        Log("Read cmd error .. !!\r\n");
        context.errorFlags &= ~TransportFailure;
        return false;
    }
    uint8_t* slot = nullptr;
    for (size_t at = 0; at < bytes && !slot; at += 32) {
        uint8_t* e = directory.get() + at;
        if (e[0] != 0 && e[0] != kDeletedEntry && e[11] == kLabelAttribute)
            slot = e;
    }
    for (size_t at = 0; at < bytes && !slot; at += 32) {
        uint8_t* e = directory.get() + at;
        if (e[0] == 0 || e[0] == kDeletedEntry)
            slot = e;
    }
    if (!slot) {
        Log("Root directory full .. !!\r\n");
        return false;
    }
    const DirectoryEntry entry = BuildLabelEntry(name, environment_.clock());
    std::copy(entry.begin(), entry.end(), slot);
    return Write(first, sectors, directory.get(), context);
}

int FatFormatter::FormatFat(uint32_t totalSectors, std::string_view label, ReaderContext& context) {
    const std::optional<FatGeometry> geometry = ChooseFatGeometry(totalSectors);
    if (!geometry)
        return format::kTooLarge;
    const FatGeometry& g = *geometry;
    const bool fat32 = g.type == FatType::Fat32;
    const uint32_t rootSectors = fat32 ? kFat32RootZeroSectors : kFixedRootSectors;
    // A card too small for its own FATs and root directory would get a
    // volume that reaches past its end.
    if (g.fatSectors == 0 || uint64_t{g.FirstDataSector()} + rootSectors >= totalSectors) {
        Log("Capacity too small .. !!\r\n");
        return format::kFailed;
    }

    std::unique_ptr<uint8_t[]> first = environment_.allocate(kBufferBytes);
    std::unique_ptr<uint8_t[]> zeros = first ? environment_.allocate(kBufferBytes) : nullptr;
    if (!first || !zeros) {
        Log("Memory allocation error .. !!\r\n");
        return format::kFailed;
    }

    const LocalTime now = environment_.clock();
    const BootArea boot = BuildBootArea(g, VolumeSerial(now, environment_.random));
    if (fat32) {
        if (!Write(0, kBootAreaSectors, boot.data(), context) ||
            !Write(kFat32BackupBoot, kBootAreaSectors, boot.data(), context))
            return format::kFailed;
    } else if (!Write(0, 1, boot.data(), context) ||
               !WriteZeros(1, g.reservedSectors - 1u, zeros.get(), context)) {
        return format::kFailed;
    }

    // Entries 0 and 1 (media and end marks), and on FAT32 the end of the
    // root directory's chain in entry 2.
    std::fill_n(first.get(), 3 * kSectorSize, 0);
    if (g.type == FatType::Fat12) {
        std::memcpy(first.get(), "\xF8\xFF\xFF", 3);
    } else if (g.type == FatType::Fat16) {
        std::memcpy(first.get(), "\xF8\xFF\xFF\xFF", 4);
    } else {
        Put32(first.get(), 0x0FFFFFF8);
        Put32(first.get() + 4, 0x0FFFFFFF);
        Put32(first.get() + 8, 0x0FFFFFFF);
    }
    for (uint32_t fat = 0; fat < 2; ++fat) {
        uint32_t lba = g.reservedSectors + fat * g.fatSectors;
        uint32_t left = g.fatSectors;
        const uint8_t* source = first.get();
        while (left > 0) {
            const auto n = static_cast<uint8_t>(std::min<uint32_t>(left, kMaxRequestSectors));
            if (!Write(lba, n, source, context))
                return format::kFailed;
            source = zeros.get();
            lba += n;
            left -= n;
        }
    }

    if (!WriteZeros(g.FirstDataSector(), rootSectors, zeros.get(), context))
        return format::kFailed;

    const std::string name = VolumeLabelName(label);
    if (!name.empty() && !WriteLabel(g, name, context))
        return format::kFailed;
    return format::kDone;
}

void FatFormatter::FormatSlotCard(int slot, ReaderContext& context, const LabelSettings& labels) {
    if (!context.twoSlot || (slot != 0 && slot != 1))
        return;
    if (!(slot == 0 ? labels.checkSd1Label : labels.checkSd2Label))
        return;
    const std::string label =
        (slot == 0 ? labels.sd1Label : labels.sd2Label).substr(0, LabelSettings::kMaxLabel);
    Log("Fmt_Process ...\r\n");
    const unsigned lun = context.slotLun[static_cast<size_t>(slot)];
    Log(Printf("nOffset = %u", lun));

    std::array<uint8_t, scsi::kControllerReadSize> capacity{};
    if (!device_.ReadRegister(twoslot_registers::kCapacity, capacity, context)) {
        Log("Read Capacity cmd error .. !!\r\n");
        context.errorFlags &= ~TransportFailure;
        return;
    }
    // Two counts come back, one per LUN; a LUN beyond them has none.
    uint32_t count = 0;
    if (lun < 2)
        for (unsigned i = 0; i < 4; ++i)
            count = (count << 8) | capacity[4 * lun + i];
    Log(Printf("Total Sec = %u(%x)", count, count));

    const std::optional<uint64_t> medium = device_.CardBlockCount(context);
    if (count == 0) {
        Log("Capacity zero .. !!\r\n");
    } else if (medium && count > *medium) {
        // A volume larger than the card would lose whatever is written past its end.
        Log("Capacity mismatch .. !!\r\n");
    } else {
        FormatFat(count, label, context);
    }
    Log("Fmt_Process End...\r\n");
}

} // namespace orrick
