// The FAT format on the simulated two-slot reader: the bytes it leaves on the
// card (golden dumps), what other systems make of the volumes, the format
// step after a read/write test, and every way it can stop early.
#include "fat_format.h"
#include "sim_fixture.h"
#include "slot_tests.h"

#include <gmock/gmock.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace orrick::testing {
namespace {

using simreader::Family;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr uint32_t kSerialHigh = 0x1234;
constexpr uint32_t kSerialLow = 0x5678;

// 17 May 2026, 10:30:44.250.
LocalTime FixedTime() {
    return LocalTime{2026, 5, 17, 10, 30, 44, 250, 1779013844};
}

FormatEnvironment FixedEnvironment() {
    FormatEnvironment e = FormatEnvironment::System();
    e.clock = FixedTime;
    e.random = [](int64_t seed) {
        EXPECT_EQ(seed, FixedTime().epochSeconds);
        return std::array<uint16_t, 2>{kSerialHigh, kSerialLow};
    };
    return e;
}

struct CommandOutput {
    int status = -1;
    std::string text; // stdout and stderr
};

// fsck.fat lives in sbin, which an ordinary user's PATH may lack.
CommandOutput RunCommand(const std::string& command) {
    CommandOutput out;
    FILE* pipe = ::popen(("PATH=\"$PATH:/usr/sbin:/sbin\" " + command + " 2>&1").c_str(), "r");
    if (!pipe)
        return out;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
        out.text.append(chunk, n);
    const int status = ::pclose(pipe);
    out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

// Text dump of the sectors of a card that are not all zero.
std::string HexDump(const std::function<std::vector<uint8_t>(uint32_t)>& sector, uint32_t count) {
    std::ostringstream out;
    char line[128];
    for (uint32_t lba = 0; lba < count; ++lba) {
        const std::vector<uint8_t> s = sector(lba);
        if (std::all_of(s.begin(), s.end(), [](uint8_t b) { return b == 0; }))
            continue;
        out << "sector " << lba << "\n";
        bool starred = false;
        for (size_t at = 0; at < s.size(); at += 16) {
            const bool same =
                at > 0 && std::equal(s.begin() + at, s.begin() + at + 16, s.begin() + at - 16);
            if (same && at + 16 < s.size()) {
                if (!starred)
                    out << "*\n";
                starred = true;
                continue;
            }
            starred = false;
            int n = std::snprintf(line, sizeof line, "%04zx ", at);
            for (size_t i = 0; i < 16; ++i)
                n += std::snprintf(line + n, sizeof line - n, " %02x", s[at + i]);
            n += std::snprintf(line + n, sizeof line - n, "  |");
            for (size_t i = 0; i < 16; ++i)
                line[n++] = (s[at + i] >= 0x20 && s[at + i] < 0x7F) ? char(s[at + i]) : '.';
            line[n++] = '|';
            line[n] = 0;
            out << line << "\n";
        }
    }
    return out.str();
}

class FatFormatTest : public SimReaderTest {
protected:
    FatFormatTest()
        : reader(AddReader(Family::TwoSlot, Names({"sdb", "sdc"}))),
          formatter(
              device, [this](const std::string& t) { log.push_back(t); }, FixedEnvironment()) {}

    // Slot 0's drive, with a card of this many sectors in the slot.
    ReaderContext& Insert(uint32_t sectors, std::filesystem::path image = {}) {
        reader.InsertCard(0, CardOfBlocks(sectors, std::move(image)));
        device.ScanReaderDrives(table);
        EXPECT_TRUE(table[0].valid && table[0].twoSlot);
        return table[0];
    }

    int Format(ReaderContext& drive, uint32_t sectors, std::string_view label) {
        EXPECT_TRUE(device.OpenReaderDrive(drive.driveName, drive));
        const int result = formatter.FormatFat(sectors, label, drive);
        device.CloseReaderDrive(drive);
        return result;
    }

    void FormatSlot(ReaderContext& drive, const LabelSettings& labels, int slot = 0) {
        ASSERT_TRUE(device.OpenReaderDrive(drive.driveName, drive));
        formatter.FormatSlotCard(slot, drive, labels);
        device.CloseReaderDrive(drive);
    }

    std::vector<uint8_t> Sector(uint32_t lba) const { return reader.CardBlock(0, lba); }

    simreader::SimController& reader;
    std::vector<std::string> log;
    FatFormatter formatter;
    ReaderTable table{};
};

// --- Golden dumps: one tier owns the bytes of the volume ---

class GoldenTest : public FatFormatTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(GoldenTest, FirstSectorsMatchTheDump) {
    const uint32_t sectors = GetParam();
    ReaderContext& drive = Insert(sectors);
    ASSERT_EQ(Format(drive, sectors, "Line 7"), format::kDone);
    const FatGeometry g = *ChooseFatGeometry(sectors);
    const uint32_t end = g.FirstDataSector() + (g.type == FatType::Fat32 ? 64 : 32);
    std::ostringstream text;
    text << "# " << sectors << " sectors: "
         << (g.type == FatType::Fat12   ? "FAT12"
             : g.type == FatType::Fat16 ? "FAT16"
                                        : "FAT32")
         << ", " << unsigned{g.sectorsPerCluster} << " sectors per cluster, " << g.reservedSectors
         << " reserved, 2 x " << g.fatSectors << " FAT sectors\n"
         << HexDump([&](uint32_t lba) { return Sector(lba); }, end);

    const std::string name = "fat_" + std::to_string(sectors) + ".txt";
    const std::filesystem::path golden = std::filesystem::path(GOLDEN_DIR) / name;
    if (std::getenv("ORRICK_UPDATE_GOLDEN")) {
        std::ofstream(golden) << text.str();
        GTEST_SKIP() << "wrote " << golden;
    }
    std::ifstream in(golden);
    ASSERT_TRUE(in) << "missing " << golden << " (ORRICK_UPDATE_GOLDEN=1 writes it)";
    const std::string expected{std::istreambuf_iterator<char>(in), {}};
    if (text.str() != expected) {
        const auto actual = std::filesystem::temp_directory_path() / ("actual_" + name);
        std::ofstream(actual) << text.str();
        FAIL() << "dump differs from " << golden << "; this run's dump is " << actual;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, GoldenTest,
                         ::testing::Values(4085u, 4096u, 4097u, 4194303u, 4194304u));

// --- Type and geometry at the boundaries ---

TEST(FatGeometryTest, TypeAndClusterSizeFollowTheSectorCount) {
    struct Case {
        uint32_t sectors;
        FatType type;
        unsigned spc;
    };
    for (const Case& c : {Case{4085, FatType::Fat12, 1}, Case{4096, FatType::Fat12, 2},
                          Case{4097, FatType::Fat16, 1}, Case{65526, FatType::Fat16, 1},
                          Case{65527, FatType::Fat16, 2}, Case{4194303, FatType::Fat16, 128},
                          Case{4194304, FatType::Fat32, 8}, Case{16777217, FatType::Fat32, 16},
                          Case{67108865, FatType::Fat32, 64}, Case{67366, FatType::Fat16, 2},
                          Case{1048840, FatType::Fat16, 32}, Case{33685564, FatType::Fat32, 32},
                          Case{67264524, FatType::Fat32, 64}}) {
        const auto g = ChooseFatGeometry(c.sectors);
        ASSERT_TRUE(g) << c.sectors;
        EXPECT_EQ(g->type, c.type) << c.sectors;
        EXPECT_EQ(g->sectorsPerCluster, c.spc) << c.sectors;
        // Every cluster of the data area has its FAT entry.
        const uint32_t clusters =
            (c.sectors - g->FirstDataSector() - (g->type == FatType::Fat32 ? 0 : 32)) /
            g->sectorsPerCluster;
        const uint32_t entryBits = c.type == FatType::Fat12   ? 12
                                   : c.type == FatType::Fat16 ? 16
                                                              : 32;
        EXPECT_GE(uint64_t{g->fatSectors} * 512 * 8 / entryBits, clusters + 2) << c.sectors;
    }
    // 64 sectors per cluster reach 4,177,918 clusters at most.
    EXPECT_TRUE(ChooseFatGeometry(4177918u * 64));
    EXPECT_FALSE(ChooseFatGeometry(4177919u * 64));
}

TEST(FatLabelTest, LabelIsUpperCaseBlankPaddedAndHoldsOnlyLabelCharacters) {
    EXPECT_EQ(VolumeLabelName("Line 7"), "LINE 7     ");
    EXPECT_EQ(VolumeLabelName("ABCDEFGHIJKLMN"), "ABCDEFGHIJK");
    EXPECT_EQ(VolumeLabelName("a.b*c?d/e\\f"), "A_B_C_D_E_F");
    EXPECT_EQ(VolumeLabelName("caf\xe9"), "CAF_       ");
    EXPECT_EQ(VolumeLabelName("  ab"), "AB         ");
    EXPECT_EQ(VolumeLabelName("   "), "");
    EXPECT_EQ(VolumeLabelName(""), "");

    const DirectoryEntry e = BuildLabelEntry(VolumeLabelName("Line 7"), FixedTime());
    EXPECT_EQ(std::string(e.begin(), e.begin() + 11), "LINE 7     ");
    EXPECT_EQ(e[11], 0x08);
    // 10:30:44 and 2026-05-17.
    EXPECT_EQ(e[22] | e[23] << 8, 10 * 2048 + 30 * 32 + 22);
    EXPECT_EQ(e[24] | e[25] << 8, 46 * 512 + 5 * 32 + 17);
    for (size_t i : {12u, 13u, 14u, 20u, 26u, 28u, 31u})
        EXPECT_EQ(e[i], 0) << i;
}

// --- What other systems make of the volumes ---

struct VolumeCase {
    uint32_t sectors;
    const char* label; // as typed
};

void PrintTo(const VolumeCase& c, std::ostream* os) {
    *os << c.sectors << " sectors, label \"" << c.label << "\"";
}

class ForeignCheckTest : public FatFormatTest, public ::testing::WithParamInterface<VolumeCase> {};

// fsck.fat -n finds nothing to mend apart from what the format keeps on
// purpose: the boot sector's fixed label beside the operator's label (or
// none) in the root directory, the FAT32 free-cluster count left unknown, and on the
// FAT16 volumes too small for FAT16 (under 4085 clusters, which fsck.fat
// reads as FAT12) the end mark of entry 1 running into cluster 2.
TEST_P(ForeignCheckTest, FsckAndMtoolsReadTheVolume) {
    const VolumeCase c = GetParam();
    TempDir dir;
    const std::string image = (dir.path() / "card.img").string();
    ReaderContext& drive = Insert(c.sectors, image);
    FormatSlot(drive, LabelSettings{true, c.label, false, ""});
    ASSERT_EQ(log.back(), "Fmt_Process End...\r\n");
    const FatGeometry g = *ChooseFatGeometry(c.sectors);
    const bool fat32 = g.type == FatType::Fat32;
    const uint32_t clusters =
        (c.sectors - g.FirstDataSector() - (fat32 ? 0 : 32)) / g.sectorsPerCluster;
    const std::string label = VolumeLabelName(c.label);

    std::vector<std::string> accepted;
    if (label.empty()) {
        accepted.push_back("Label in boot sector is 'MY USB DISK', but there is no volume label "
                           "in root directory.");
        accepted.push_back("  Auto-removing label from boot sector.");
    } else {
        std::string shown = label.substr(0, label.find_last_not_of(' ') + 1);
        accepted.push_back("Volume label '" + shown +
                           "' stored in root directory and label 'MY USB DISK' stored in boot "
                           "sector and different.");
        accepted.push_back("  Auto-copying volume label from root directory to boot sector.");
    }
    if (fat32)
        accepted.push_back("Free cluster summary uninitialized (should be " +
                           std::to_string(clusters - 1) + ")");
    if (!fat32 && g.type == FatType::Fat16 && clusters < 4085)
        accepted.push_back("Reclaimed 1 unused cluster (512 bytes).");

    const CommandOutput fsck = RunCommand("fsck.fat -n " + image);
    std::vector<std::string> remarks;
    for (const std::string& line : Lines(fsck.text)) {
        const bool usual = line.rfind("fsck.fat ", 0) == 0 ||
                           line == "Leaving filesystem unchanged." ||
                           line.rfind(image + ": ", 0) == 0;
        if (!usual)
            remarks.push_back(line);
    }
    EXPECT_EQ(remarks, accepted) << fsck.text;
    EXPECT_EQ(fsck.status, accepted.empty() ? 0 : 1) << fsck.text;
    EXPECT_THAT(fsck.text,
                HasSubstr(image + ": " + (label.empty() ? "0" : "1") + " files, " +
                          (fat32 ? "1/" : "0/") + std::to_string(clusters) + " clusters"));

    const CommandOutput info = RunCommand("minfo -i " + image + " ::");
    EXPECT_EQ(info.status, 0) << info.text;
    EXPECT_THAT(info.text, HasSubstr(std::string("disk type=\"") +
                                     (g.type == FatType::Fat12   ? "FAT12"
                                      : g.type == FatType::Fat16 ? "FAT16"
                                                                 : "FAT32") +
                                     "   \""));
    const CommandOutput dir_ = RunCommand("mdir -i " + image + " ::");
    EXPECT_EQ(dir_.status, 0) << dir_.text;
    EXPECT_THAT(dir_.text, HasSubstr("No files"));
    const CommandOutput shown = RunCommand("mlabel -s -i " + image + " ::");
    EXPECT_EQ(shown.status, 0) << shown.text;
    EXPECT_THAT(shown.text,
                HasSubstr(label.empty() ? "Volume has no label" : "Volume label is " + label));
}

INSTANTIATE_TEST_SUITE_P(Volumes, ForeignCheckTest,
                         ::testing::Values(VolumeCase{4085, "Line 7"}, VolumeCase{4096, ""},
                                           VolumeCase{4096, " ab"}, VolumeCase{4096, "x\xe9y"},
                                           VolumeCase{4097, "Line 7"}, VolumeCase{65536, "a:b.c"},
                                           VolumeCase{4194303, "SD CARD ONE"},
                                           VolumeCase{4194304, "Line 7"}, VolumeCase{67108864, ""},
                                           // sizes whose FAT had to grow by a sector
                                           VolumeCase{67366, "X"}, VolumeCase{67264524, "X"}));

// --- Stopping early ---

struct StopCase {
    const char* name;
    uint32_t sectors;
    uint8_t opcode; // the command that fails in transport
    int skip;       // requests of that command that go through first
    const char* line;
};

void PrintTo(const StopCase& c, std::ostream* os) {
    *os << c.name;
}

class TransportFailureTest : public FatFormatTest,
                             public ::testing::WithParamInterface<StopCase> {};

// The format ends at the failed request: nothing more is sent, the flag is
// cleared for the next step, and the log says which command failed.
TEST_P(TransportFailureTest, ReturnsZeroWithItsLogLineAndSendsNothingMore) {
    const StopCase c = GetParam();
    ReaderContext& drive = Insert(c.sectors);
    backend.ClearSentRequests();
    backend.FailRequests({"sdb", c.opcode, -1, c.skip});
    EXPECT_EQ(Format(drive, c.sectors, "Line 7"), format::kFailed);
    EXPECT_THAT(log, ElementsAre(c.line));
    EXPECT_EQ(drive.errorFlags & TransportFailure, 0u);
    const auto sent = SentWithOpcode(c.opcode);
    EXPECT_EQ(sent.size(), size_t(c.skip) + 1);
    EXPECT_EQ(backend.SentRequests().back().request.opcode(), c.opcode);
}

// FAT16 of 4097 sectors writes boot, rest of the reserved area, two FATs,
// root, label; FAT32 of 4194304 sectors writes two boot areas, 32 requests
// per FAT, root, label.
INSTANTIATE_TEST_SUITE_P(
    Phases, TransportFailureTest,
    ::testing::Values(
        StopCase{"Fat16Boot", 4097, scsi::kWrite10, 0, "Write cmd error .. !!\r\n"},
        StopCase{"Fat16Reserved", 4097, scsi::kWrite10, 1, "Write cmd error .. !!\r\n"},
        StopCase{"Fat16FirstFat", 4097, scsi::kWrite10, 2, "Write cmd error .. !!\r\n"},
        StopCase{"Fat16SecondFat", 4097, scsi::kWrite10, 3, "Write cmd error .. !!\r\n"},
        StopCase{"Fat16Root", 4097, scsi::kWrite10, 4, "Write cmd error .. !!\r\n"},
        StopCase{"Fat16LabelRead", 4097, scsi::kRead10, 0, "Read cmd error .. !!\r\n"},
        StopCase{"Fat16LabelWrite", 4097, scsi::kWrite10, 5, "Write cmd error .. !!\r\n"},
        StopCase{"Fat32BackupBoot", 4194304, scsi::kWrite10, 1, "Write cmd error .. !!\r\n"},
        StopCase{"Fat32LastOfSecondFat", 4194304, scsi::kWrite10, 65, "Write cmd error .. !!\r\n"},
        StopCase{"Fat32Root", 4194304, scsi::kWrite10, 66, "Write cmd error .. !!\r\n"},
        StopCase{"Fat32LabelRead", 4194304, scsi::kRead10, 0, "Read cmd error .. !!\r\n"},
        StopCase{"Fat32LabelWrite", 4194304, scsi::kWrite10, 67, "Write cmd error .. !!\r\n"}),
    [](const ::testing::TestParamInfo<StopCase>& info) { return info.param.name; });

TEST_F(FatFormatTest, RequestsStayWithin128SectorsAndCoverBothFats) {
    ReaderContext& drive = Insert(4194304);
    backend.ClearSentRequests();
    ASSERT_EQ(Format(drive, 4194304, ""), format::kDone);
    const FatGeometry g = *ChooseFatGeometry(4194304);
    uint32_t next = g.reservedSectors;
    for (const ScsiRequest& r : SentWithOpcode(scsi::kWrite10)) {
        const uint32_t lba =
            (uint32_t{r.cdb[2]} << 24) | (r.cdb[3] << 16) | (r.cdb[4] << 8) | r.cdb[5];
        EXPECT_EQ(r.cdb[7], 0);
        EXPECT_LE(r.cdb[8], 128);
        EXPECT_EQ(r.data.size(), r.cdb[8] * 512u);
        if (lba >= g.reservedSectors && lba < g.FirstDataSector()) {
            EXPECT_EQ(lba, next); // both FATs, gapless, in order
            next += r.cdb[8];
        }
    }
    EXPECT_EQ(next, g.FirstDataSector());
}

TEST_F(FatFormatTest, CardsItCannotHoldAVolumeOnAreLeftUntouched) {
    ReaderContext& drive = Insert(8192);
    backend.ClearSentRequests();
    // Too large for FAT32 with 64-sector clusters: result 3, silently.
    EXPECT_EQ(Format(drive, 4177919u * 64, "Line 7"), format::kTooLarge);
    EXPECT_TRUE(log.empty());
    // Too small for its own FATs and root directory.
    EXPECT_EQ(Format(drive, 35, "Line 7"), format::kFailed); // no data cluster
    EXPECT_THAT(log, ElementsAre("Capacity too small .. !!\r\n"));
    EXPECT_TRUE(SentWithOpcode(scsi::kWrite10).empty());
}

TEST_F(FatFormatTest, WriteProtectedCardFailsTheFormat) {
    reader.InsertCard(0, WriteProtectedCard());
    device.ScanReaderDrives(table);
    EXPECT_EQ(Format(table[0], 8192, "Line 7"), format::kFailed);
    EXPECT_THAT(log, ElementsAre("Write cmd error .. !!\r\n"));
}

TEST_F(FatFormatTest, FailedAllocationIsLoggedAndWritesNothing) {
    FormatEnvironment environment = FixedEnvironment();
    int allocations = 0;
    environment.allocate = [&](size_t) {
        ++allocations;
        return std::unique_ptr<uint8_t[]>();
    };
    FatFormatter starved(
        device, [this](const std::string& t) { log.push_back(t); }, environment);
    ReaderContext& drive = Insert(8192);
    backend.ClearSentRequests();
    ASSERT_TRUE(device.OpenReaderDrive(drive.driveName, drive));
    EXPECT_EQ(starved.FormatFat(8192, "Line 7", drive), format::kFailed);
    device.CloseReaderDrive(drive);
    EXPECT_EQ(allocations, 1);
    EXPECT_THAT(log, ElementsAre("Memory allocation error .. !!\r\n"));
    EXPECT_TRUE(SentWithOpcode(scsi::kWrite10).empty());
}

// --- The format step of a slot ---

TEST_F(FatFormatTest, SlotStepTakesTheCountOfItsLunFromTheRegister) {
    reader.InsertCard(0, CardOfBlocks(8192));
    reader.InsertCard(1, CardOfBlocks(70000));
    device.ScanReaderDrives(table);
    ASSERT_EQ(table[1].lunNumber, 1);
    FormatSlot(table[1], LabelSettings{true, "FIRST", true, "second"}, 1);
    EXPECT_THAT(log, ElementsAre("Fmt_Process ...\r\n", "nOffset = 1", "Total Sec = 70000(11170)",
                                 "Fmt_Process End...\r\n"));
    const std::vector<uint8_t> boot = reader.CardBlock(1, 0);
    EXPECT_EQ(boot[32] | boot[33] << 8 | boot[34] << 16, 70000);
    const FatGeometry g = *ChooseFatGeometry(70000);
    const std::vector<uint8_t> root = reader.CardBlock(1, g.FirstDataSector());
    EXPECT_EQ(std::string(root.begin(), root.begin() + 11), "SECOND     ");
    EXPECT_EQ(Sector(0), std::vector<uint8_t>(512)); // the other card is not touched
}

TEST_F(FatFormatTest, SlotStepDoesNothingUntickedAndStopsOnABadCount) {
    ReaderContext& drive = Insert(8192);
    backend.ClearSentRequests();
    FormatSlot(drive, LabelSettings{false, "Line 7", true, "Other"});
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(backend.SentRequests().empty());

    // No card behind LUN 1: the register says 0.
    FormatSlot(drive, LabelSettings{false, "", true, "Other"}, 1);
    EXPECT_THAT(log, ElementsAre("Fmt_Process ...\r\n", "nOffset = 1", "Total Sec = 0(0)",
                                 "Capacity zero .. !!\r\n", "Fmt_Process End...\r\n"));

    // A register that claims more than the card holds.
    log.clear();
    simreader::SimCard liar = CardOfBlocks(8192);
    liar.reportedBlocks = 16384;
    reader.InsertCard(0, liar);
    FormatSlot(drive, LabelSettings{true, "Line 7", false, ""});
    EXPECT_THAT(log, ElementsAre("Fmt_Process ...\r\n", "nOffset = 0", "Total Sec = 16384(4000)",
                                 "Capacity mismatch .. !!\r\n", "Fmt_Process End...\r\n"));

    log.clear();
    backend.FailRequests({"sdb", scsi::kVendorReadMemory, 1, 0});
    FormatSlot(drive, LabelSettings{true, "Line 7", false, ""});
    EXPECT_THAT(log, ElementsAre("Fmt_Process ...\r\n", "nOffset = 0",
                                 "Read Capacity cmd error .. !!\r\n"));
    EXPECT_EQ(drive.errorFlags & TransportFailure, 0u);
    EXPECT_TRUE(SentWithOpcode(scsi::kWrite10).empty());
}

// The whole slot step as the test sequence runs it: the read/write test
// passes, then the card is formatted with the drive still open.
TEST_F(FatFormatTest, PassedReadWriteTestOfATickedSlotLeavesAFormattedCard) {
    TestSettings settings;
    settings.sd = 1;
    settings.sd2 = 1;
    SlotRunState state;
    ReaderChecks checks(device, settings, [this](const std::string& t) { log.push_back(t); });
    SlotTester slots(
        device, settings, state, [this](const std::string& t) { log.push_back(t); },
        [](unsigned) {}, 7);
    const LabelSettings labels{true, "Line 7", false, "unused"};
    slots.afterReadWritePass = [&](int slot, ReaderContext& drive) {
        formatter.FormatSlotCard(slot, drive, labels);
    };
    reader.InsertCard(0, CardOfBlocks(8192));
    reader.InsertCard(1, CardOfBlocks(8192));
    device.ScanReaderDrives(table);
    device.RefreshSlotStatus(table[0]);
    backend.ClearSentRequests();
    for (int slot = 0; slot < 2; ++slot)
        slots.RunSlotStep(slot, table, checks);

    const auto first = std::find(log.begin(), log.end(), "Card Type = 0\r\n");
    ASSERT_NE(first, log.end());
    EXPECT_EQ(*(first + 1), "Fmt_Process ...\r\n");
    EXPECT_EQ(std::count(log.begin(), log.end(), "Fmt_Process ...\r\n"), 1);
    EXPECT_EQ(Sector(0)[510], 0x55);
    const FatGeometry g = *ChooseFatGeometry(8192);
    EXPECT_EQ(Sector(g.FirstDataSector())[0], 'L');
    // Slot 1 is unticked: its read/write test alone (pattern and restore).
    const auto sent = backend.SentRequests();
    EXPECT_EQ(std::count_if(sent.begin(), sent.end(),
                            [](const auto& s) {
                                return s.drive == "sdc" && s.request.opcode() == scsi::kWrite10;
                            }),
              2);
    EXPECT_EQ(state.cardStatus[0], card::kReady | card::kReadWritePassed | card::kTestCompleted);
}

} // namespace
} // namespace orrick::testing
