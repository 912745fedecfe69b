// Slot tests on the simulated reader, through the real device layer: what one
// cycle logs, leaves on the card, and shows in the result table.
#include "sim_fixture.h"
#include "slot_tests.h"

#include <gmock/gmock.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

namespace orrick::testing {
namespace {

using simreader::Family;
using simreader::SimCard;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

constexpr uint8_t kSdFourBits = 0x40;
constexpr uint8_t kSdhcFourBits = 0x42;

SimCard Card(uint8_t mode, std::filesystem::path image = {}, uint32_t blocks = 8192) {
    SimCard card = CardOfBlocks(blocks, std::move(image));
    card.modeByte = mode;
    return card;
}

std::vector<char> FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// An image whose first blocks hold user data that must survive the test.
std::filesystem::path UserImage(const std::filesystem::path& dir, uint32_t blocks) {
    const auto path = dir / "card.img";
    std::ofstream out(path, std::ios::binary);
    for (uint32_t i = 0; i < blocks * 512; ++i)
        out.put(static_cast<char>((i * 7 + i / 512) & 0xFF));
    return path;
}

class SlotTest : public SimReaderTest {
protected:
    SlotTest()
        : checks(device, settings, [this](const std::string& t) { log.push_back(t); }),
          tester(
              device, settings, state, [this](const std::string& t) { log.push_back(t); },
              [](unsigned) {}, 20240601) {}

    simreader::SimController& Plug(Family family) {
        const bool two = family == Family::TwoSlot || family == Family::ExtendedAddress;
        simreader::SimController& r =
            AddReader(family, two ? Names({"sdb", "sdc"}) : Names({"sdb", "sdc", "sdd", "sde"}));
        device.ScanReaderDrives(table);
        EXPECT_TRUE(table[0].valid);
        tester.SetReaderKind(table[0].twoSlot, table[0].model);
        return r;
    }

    // One memory-slot cycle as the sequence runs it, then one display pass.
    SlotTester::StepOutcome Cycle() {
        device.RefreshSlotStatus(table[0]);
        const int slots = table[0].twoSlot ? 2 : kSlotCount;
        for (int slot = 0; slot < slots; ++slot) {
            tester.ShowSlotMode(slot, table[0]);
            if (tester.SlotEnabled(slot) &&
                tester.RunSlotStep(slot, table, checks) == SlotTester::StepOutcome::UsbSpeedFailed)
                return SlotTester::StepOutcome::UsbSpeedFailed;
        }
        Display();
        return SlotTester::StepOutcome::Continue;
    }

    void Display() {
        for (int slot = 0; slot < kRunSlots; ++slot) {
            tester.ShowSlotReadWrite(slot);
            tester.ShowSlotWriteProtect(slot);
            tester.ShowSlotVerdict(slot);
        }
    }

    // Slot 1 of a multi-slot reader holds an enabled SD card whose blocks carry
    // user data; `before` keeps them to compare with after the test.
    simreader::SimController& PlugUserCard() {
        userDir.emplace();
        image = UserImage(userDir->path(), 4200);
        simreader::SimController& reader = Plug(Family::MultiSlot);
        reader.InsertCard(1, Card(kSdFourBits, image, 4200));
        settings.sd = 1;
        before = FileBytes(image);
        return reader;
    }

    size_t Count(const std::string& line) const { return std::count(log.begin(), log.end(), line); }

    TestSettings settings;
    SlotRunState state;
    std::vector<std::string> log;
    ReaderChecks checks;
    SlotTester tester;
    ReaderTable table{};
    std::optional<TempDir> userDir;
    std::filesystem::path image;
    std::vector<char> before;
};

// --- Mode decoding ---

struct ModeCase {
    const char* name;
    int kind;
    uint8_t mode;
    bool twoSlot;
    ControllerModel model;
    int extraByte; // -1: no extra read possible; else the bytes at 0x5088 with this byte's bit 6
    const char* text;
};

void PrintTo(const ModeCase& c, std::ostream* os) {
    *os << c.name;
}

class FormatSlotModeTest : public ::testing::TestWithParam<ModeCase> {};

TEST_P(FormatSlotModeTest, DecodesTheModeByte) {
    const ModeCase& c = GetParam();
    bool extraRead = false;
    HgExtraRead extra = [&](std::array<uint8_t, 20>& out) {
        extraRead = true;
        if (c.extraByte < 0)
            return false;
        out.fill(0);
        out[static_cast<size_t>(c.extraByte)] = 0x40;
        return true;
    };
    EXPECT_EQ(FormatSlotMode(c.kind, c.mode, c.twoSlot, c.model, extra), c.text);
    // Only an HG reader's MS slot reporting both bits needs the extra bytes.
    EXPECT_EQ(extraRead, (c.kind == 4 || c.kind == 6) && (c.mode & 0x0C) == 0x0C &&
                             (c.model == ControllerModel::MultiSlotHg ||
                              c.model == ControllerModel::MultiSlotExtraHg));
}

constexpr auto kMulti = ControllerModel::MultiSlot;
constexpr auto kHg = ControllerModel::MultiSlotHg;
constexpr auto kExtraHg = ControllerModel::MultiSlotExtraHg;

INSTANTIATE_TEST_SUITE_P(
    Modes, FormatSlotModeTest,
    ::testing::Values(ModeCase{"CfPio", 0, 0x0B, false, kMulti, -1, "PIO 3"},
                      ModeCase{"CfUdma", 0, 0x44, false, kMulti, -1, "UDMA 4"},
                      ModeCase{"CfOther", 0, 0x9A, false, kMulti, -1, "9A"},
                      ModeCase{"Sm", 2, 0x00, false, kMulti, -1, "SM"},
                      ModeCase{"Xd", 3, 0x80, false, kMulti, -1, "xD"},
                      ModeCase{"MsPro", 4, 0x06, false, kMulti, -1, "MS P"},
                      ModeCase{"Ms4", 4, 0x02, false, kMulti, -1, "MS 4"},
                      ModeCase{"Ms1", 6, 0x00, false, kMulti, -1, "MS 1"},
                      ModeCase{"HgBitOnPlainReader", 4, 0x08, false, kMulti, -1, "MS 1"},
                      ModeCase{"Hg8", 4, 0x08, false, kHg, -1, "HG 8"},
                      ModeCase{"Hg4", 4, 0x0C, false, kHg, 9, "HG 4"},
                      ModeCase{"Hg4RefusedByByte2", 4, 0x0C, false, kExtraHg, 2, "HG 8"},
                      ModeCase{"Ms2Hg4RefusedByByte9", 6, 0x0C, false, kHg, 9, "HG 8"},
                      ModeCase{"HgExtraUnreadable", 4, 0x0C, false, kHg, -1, "HG 8"},
                      ModeCase{"Sdhc4", 1, 0x42, false, kMulti, -1, "SDHC 4"},
                      ModeCase{"Sdhc1", 5, 0x02, false, kMulti, -1, "SDHC 1"},
                      ModeCase{"Sd8", 1, 0xC0, false, kMulti, -1, "8 bits"},
                      ModeCase{"Sd4", 5, 0x40, false, kMulti, -1, "4 bits"},
                      ModeCase{"Sd1", 1, 0x00, false, kMulti, -1, "1 bit"},
                      ModeCase{"TwoSlotFirstIsSd", 0, 0x40, true, ControllerModel::TwoSlot, -1,
                               "4 bits"},
                      ModeCase{"SmartCardHasNone", 7, 0x40, false, kMulti, -1, ""}),
    [](const ::testing::TestParamInfo<ModeCase>& info) { return info.param.name; });

// --- The read/write test ---

TEST_F(SlotTest, PassingTestLeavesTheSectorAsItWasAndShowsPass) {
    PlugUserCard();
    bool formatted = false; // formatting is for two-slot readers only
    tester.afterReadWritePass = [&](int, ReaderContext&) { formatted = true; };

    Cycle();

    EXPECT_EQ(FileBytes(image), before);
    EXPECT_FALSE(formatted);
    EXPECT_THAT(log, ElementsAre("=====R/W======", "SD slot R/W .. !!\r\n", "R/W Check OK..\r\n",
                                 "Card Type = 1\r\n"));
    EXPECT_EQ(state.cardStatus[1], card::kReady | card::kReadWritePassed | card::kTestCompleted);
    // Backup, pattern, read-back and restore all at one block in range.
    const auto reads = SentWithOpcode(scsi::kRead10);
    const auto writes = SentWithOpcode(scsi::kWrite10);
    ASSERT_EQ(reads.size(), 2u);
    ASSERT_EQ(writes.size(), 2u);
    const auto lba = [](const ScsiRequest& r) {
        return (uint32_t{r.cdb[2]} << 24) | (uint32_t{r.cdb[3]} << 16) | (r.cdb[4] << 8) | r.cdb[5];
    };
    for (const auto& r : {reads[1], writes[0], writes[1]})
        EXPECT_EQ(lba(r), lba(reads[0]));
    EXPECT_LE(lba(reads[0]), 4096u);

    const SlotLabelsView view = tester.View();
    EXPECT_EQ(view.readWrite[1], (SlotLabel{"Pass", colours::kBlue}));
    EXPECT_EQ(view.verdict[1], (SlotLabel{"Pass-(2)", colours::kBlue}));

    // Tested once per insertion: a second cycle sends no sector command.
    backend.ClearSentRequests();
    Cycle();
    EXPECT_TRUE(SentWithOpcode(scsi::kWrite10).empty());
    EXPECT_EQ(Count("R/W Check OK..\r\n"), 1u);
}

TEST_F(SlotTest, BlockAddressStaysOnASmallCard) {
    simreader::SimController& reader = Plug(Family::MultiSlot);
    reader.InsertCard(1, Card(kSdFourBits, {}, 64));
    device.RefreshSlotStatus(table[0]);
    ReaderContext& sd = table[1];
    for (uint64_t seed = 1; seed <= 20; ++seed) {
        SlotTester fresh(device, settings, state, nullptr, nullptr, seed);
        EXPECT_TRUE(fresh.TestSlotReadWrite(1, sd)) << "seed " << seed;
    }
    for (const auto& r : SentWithOpcode(scsi::kRead10))
        EXPECT_LT((r.cdb[4] << 8) | r.cdb[5], 64) << "lba beyond the card";
}

TEST_F(SlotTest, DataMismatchFailsThenRemovalGivesReadyAndTheNextCardPasses) {
    simreader::SimController& reader = Plug(Family::MultiSlot);
    SimCard faulty = Card(kSdFourBits);
    faulty.dropsWrites = true;
    reader.InsertCard(1, faulty);
    settings.sd = 1;

    Cycle();
    EXPECT_EQ(Count("R/W FAIL .. !! \r\n"), 1u);
    EXPECT_EQ(Count("SD slot , Re-Plugin the card .. !!\r\n\r\n"), 1u);
    EXPECT_THAT(log, Not(Contains("Restore Data error .. !!\r\n")));
    EXPECT_EQ(tester.View().readWrite[1], (SlotLabel{"Fail", colours::kRed}));
    EXPECT_EQ(tester.View().verdict[1], (SlotLabel{"NG-(0)", colours::kRed}));

    // Still in the slot: tried again in the next cycle.
    Cycle();
    EXPECT_EQ(Count("R/W FAIL .. !! \r\n"), 2u);

    reader.RemoveCard(1);
    Cycle();
    EXPECT_EQ(state.cardStatus[1], 0);
    EXPECT_EQ(tester.View().readWrite[1], (SlotLabel{"Ready", colours::kGreen}));

    reader.InsertCard(1, Card(kSdFourBits));
    Cycle();
    EXPECT_EQ(tester.View().readWrite[1], (SlotLabel{"Pass", colours::kBlue}));
    EXPECT_EQ(tester.View().verdict[1], (SlotLabel{"Pass-(2)", colours::kBlue}));
}

TEST_F(SlotTest, TheNextCardStartsWithoutThePointsOfTheLastOne) {
    simreader::SimController& reader = Plug(Family::MultiSlot);
    settings.sd = 1;
    settings.sdWidth = 2; // "4 bits"
    reader.InsertCard(1, Card(kSdFourBits));
    Cycle();
    EXPECT_EQ(tester.View().verdict[1], (SlotLabel{"Pass-(3)", colours::kBlue}));

    reader.RemoveCard(1);
    Cycle();
    SimCard locked = Card(0x00); // "1 bit", write-protected
    locked.writeProtected = true;
    reader.InsertCard(1, locked);
    // The step alone, as the display thread may draw right after it.
    device.RefreshSlotStatus(table[0]);
    tester.ShowSlotMode(1, table[0]);
    ASSERT_EQ(tester.RunSlotStep(1, table, checks), SlotTester::StepOutcome::Continue);
    EXPECT_EQ(state.slotResult[1], 0);
    Display();
    EXPECT_EQ(tester.View().verdict[1], (SlotLabel{"NG-(0)", colours::kRed}));
}

struct TransportCase {
    const char* name;
    uint8_t opcode;
    int skip; // requests of that command that go through first
    const char* message;
    bool patternLeftOnCard;
};

void PrintTo(const TransportCase& c, std::ostream* os) {
    *os << c.name;
}

class SlotTransportTest : public SlotTest, public ::testing::WithParamInterface<TransportCase> {};

TEST_P(SlotTransportTest, FailsTheSlotAndNeverLosesTheUsersData) {
    const TransportCase& c = GetParam();
    PlugUserCard();
    device.RefreshSlotStatus(table[0]);
    backend.FailRequests({"sdc", c.opcode, 1, c.skip});

    EXPECT_EQ(tester.RunSlotStep(1, table, checks), SlotTester::StepOutcome::Continue);
    Display();

    EXPECT_THAT(log, Contains(c.message));
    EXPECT_EQ(log.back(), "SD slot , Re-Plugin the card .. !!\r\n\r\n");
    EXPECT_FALSE(state.cardStatus[1] & card::kReadWritePassed);
    EXPECT_EQ(table[1].errorFlags & TransportFailure, 0u);
    EXPECT_EQ(table[1].handle, kNoHandle);
    if (c.patternLeftOnCard) {
        EXPECT_NE(FileBytes(image), before);
        EXPECT_EQ(tester.View().readWrite[1], (SlotLabel{"Fail", colours::kRed}));
    } else {
        EXPECT_EQ(FileBytes(image), before);
    }
    if (c.opcode == scsi::kRead10 && c.skip == 0) { // nothing to restore: nothing written
        EXPECT_TRUE(SentWithOpcode(scsi::kWrite10).empty());
    }

    // The next cycle tries again and, with the transport back, passes.
    backend.ClearFailures();
    Cycle();
    EXPECT_TRUE(state.cardStatus[1] & card::kReadWritePassed);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, SlotTransportTest,
    ::testing::Values(
        TransportCase{"Backup", scsi::kRead10, 0, "Backup Data error .. !!\r\n", false},
        TransportCase{"Write", scsi::kWrite10, 0, "Write cmd error .. !!\r\n", false},
        TransportCase{"ReadBack", scsi::kRead10, 1, "Read cmd error .. !!\r\n", false},
        TransportCase{"Restore", scsi::kWrite10, 1, "Restore Data error .. !!\r\n", true}),
    [](const ::testing::TestParamInfo<TransportCase>& info) { return info.param.name; });

TEST_F(SlotTest, CardRefusingTheWriteIsAMismatchNotALoss) {
    simreader::SimController& reader = PlugUserCard();
    device.RefreshSlotStatus(table[0]);
    reader.SetWriteProtected(1, true); // after the status said writable
    tester.RunSlotStep(1, table, checks);
    EXPECT_THAT(log, Contains("R/W FAIL .. !! \r\n"));
    EXPECT_THAT(log, Not(Contains("Restore Data error .. !!\r\n")));
    EXPECT_EQ(FileBytes(image), before);
}

TEST_F(SlotTest, BackupAnsweredWithAnErrorWritesNothing) {
    simreader::SimController& reader = Plug(Family::MultiSlot);
    reader.InsertCard(1, Card(kSdFourBits));
    settings.sd = 1;
    device.RefreshSlotStatus(table[0]);
    // Ready when the status was read, not any more when the sector is.
    reader.SetInitFail(1, true);
    tester.RunSlotStep(1, table, checks);
    EXPECT_THAT(log, Contains("Backup Data error .. !!\r\n"));
    EXPECT_TRUE(SentWithOpcode(scsi::kWrite10).empty());
}

// --- Card states ---

struct ProtectCase {
    const char* name;
    bool writeProtectTest;
    uint8_t sdWidth; // 0 None, 2 "4 bits"
    SlotLabel readWrite, writeProtect, verdict;
};

void PrintTo(const ProtectCase& c, std::ostream* os) {
    *os << c.name;
}

class WriteProtectedSdTest : public SlotTest, public ::testing::WithParamInterface<ProtectCase> {};

TEST_P(WriteProtectedSdTest, ShowsTheCardAndScoresIt) {
    const ProtectCase& c = GetParam();
    simreader::SimController& reader = Plug(Family::MultiSlot);
    SimCard card = Card(kSdFourBits);
    card.writeProtected = true;
    reader.InsertCard(1, card);
    settings.sd = 1;
    settings.writeProtectTest = c.writeProtectTest;
    settings.sdWidth = c.sdWidth;

    Cycle();
    Cycle();
    EXPECT_EQ(Count("SD slot WP .. !!\r\n\r\n"), 1u); // once per insertion
    EXPECT_TRUE(SentWithOpcode(scsi::kWrite10).empty());
    const SlotLabelsView view = tester.View();
    EXPECT_EQ(view.readWrite[1], c.readWrite);
    EXPECT_EQ(view.writeProtect[1], c.writeProtect);
    EXPECT_EQ(view.verdict[1], c.verdict);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, WriteProtectedSdTest,
    ::testing::Values(
        ProtectCase{
            "WithTest", true, 0, {"", {}}, {"WP", colours::kBlue}, {"Pass-(4)", colours::kBlue}},
        ProtectCase{"WithTestAndMode",
                    true,
                    2,
                    {"", {}},
                    {"WP", colours::kBlue},
                    {"Pass-(5)", colours::kBlue}},
        ProtectCase{
            "WithoutTest", false, 0, {"WP", colours::kRed}, {"", {}}, {"NG-(0)", colours::kRed}}),
    [](const ::testing::TestParamInfo<ProtectCase>& info) { return info.param.name; });

TEST_F(SlotTest, SdhcAgainstFourBitsFailsTheInfoRow) {
    simreader::SimController& reader = Plug(Family::MultiSlot);
    reader.InsertCard(1, Card(kSdhcFourBits));
    settings.sd = 1;
    settings.sdWidth = 2; // "4 bits"
    Cycle();              // the card is seen ready in this cycle
    Cycle();              // and its mode judged in the next
    EXPECT_EQ(tester.View().info[1], (SlotLabel{"Fail", colours::kRed}));
    EXPECT_EQ(tester.View().verdict[1], (SlotLabel{"NG-(2)", colours::kRed}));

    reader.RemoveCard(1);
    Cycle();
    reader.InsertCard(1, Card(kSdFourBits));
    Cycle();
    Cycle();
    EXPECT_EQ(tester.View().info[1], (SlotLabel{"Pass", colours::kBlue}));
    EXPECT_EQ(tester.View().verdict[1], (SlotLabel{"Pass-(3)", colours::kBlue}));
}

TEST_F(SlotTest, CfModesAgainstTheChosenMode) {
    simreader::SimController& reader = Plug(Family::MultiSlot);
    settings.cf = 1;
    settings.cfMode = 4; // "PIO 3"
    reader.InsertCard(0, Card(0x0B));
    // The first verdict drawn for the card is already the final one.
    Cycle();
    EXPECT_EQ(tester.View().info[0], (SlotLabel{"Pass", colours::kBlue}));
    EXPECT_EQ(tester.View().verdict[0], (SlotLabel{"Pass-(3)", colours::kBlue}));
    Cycle();
    EXPECT_EQ(tester.View().verdict[0], (SlotLabel{"Pass-(3)", colours::kBlue}));

    reader.RemoveCard(0);
    Cycle();
    EXPECT_EQ(tester.View().info[0].text, "");
    reader.InsertCard(0, Card(0x42)); // UDMA 2
    Cycle();
    Cycle();
    EXPECT_EQ(tester.View().info[0], (SlotLabel{"Fail", colours::kRed}));
    EXPECT_EQ(tester.View().verdict[0], (SlotLabel{"NG-(2)", colours::kRed}));

    // With no mode expected, "Show Info." shows what was negotiated.
    settings.cfMode = 0;
    settings.showInfo = 1;
    Cycle();
    EXPECT_EQ(tester.View().info[0], (SlotLabel{"UDMA 2", colours::kBlue}));
}

TEST_F(SlotTest, HgReaderReadsTheExtraBytesForHg4) {
    simreader::SimController& reader = Plug(Family::MultiSlotHg);
    settings.ms = 1;
    settings.msMode = 4; // "HG 4"
    reader.InsertCard(4, Card(0x0C));
    Cycle();
    Cycle();
    EXPECT_EQ(tester.View().info[4], (SlotLabel{"Pass", colours::kBlue}));
    EXPECT_EQ(tester.View().verdict[4], (SlotLabel{"Pass-(3)", colours::kBlue}));

    reader.PokeConfig(0x5088 + 2, 0x40); // the card cannot do 4-bit HG after all
    Cycle();
    EXPECT_EQ(tester.View().info[4], (SlotLabel{"Fail", colours::kRed}));
}

TEST_F(SlotTest, SmAndXdShareOneColumn) {
    simreader::SimController& reader = Plug(Family::MultiSlot);
    settings.sm = 1;
    settings.xd = 1;
    settings.showInfo = 1;
    Cycle();
    EXPECT_EQ(tester.View().readWrite[2], (SlotLabel{"Ready", colours::kGreen}));

    reader.InsertCard(3, Card(0x80));
    Cycle();
    Cycle();
    const SlotLabelsView view = tester.View();
    for (int slot : {2, 3}) {
        EXPECT_EQ(view.info[slot], (SlotLabel{"xD", colours::kBlue}));
        EXPECT_EQ(view.readWrite[slot], (SlotLabel{"Pass", colours::kBlue}));
        EXPECT_EQ(view.verdict[slot], (SlotLabel{"Pass-(2)", colours::kBlue}));
    }
    EXPECT_THAT(log, Contains("xD slot R/W .. !!\r\n"));

    // Only xD tested, and the run failed: the column still gives its verdict.
    settings.sm = 0;
    state.MarkNotTested(false);
    Display();
    EXPECT_EQ(tester.SmXdColumnSlot(), 3);
    EXPECT_EQ(tester.View().readWrite[2].text, "");
    EXPECT_EQ(tester.View().verdict[2], (SlotLabel{"NG-(0)", colours::kRed}));
}

TEST_F(SlotTest, InitFailIsLoggedOnceAndShown) {
    simreader::SimController& reader = Plug(Family::MultiSlot);
    SimCard card = Card(0x00);
    card.initFail = true;
    reader.InsertCard(4, card);
    settings.ms = 1;
    Cycle();
    Cycle();
    EXPECT_EQ(Count("MS slot Card InitFail .. !!\r\n\r\n"), 1u);
    EXPECT_EQ(tester.View().readWrite[4], (SlotLabel{"InitFail", colours::kRed}));
    EXPECT_EQ(tester.View().verdict[4], (SlotLabel{"NG-(0)", colours::kRed}));
}

TEST_F(SlotTest, UsbSpeedLostWhileWaitingMarksEverySlot) {
    simreader::SimController& reader = Plug(Family::MultiSlot);
    settings.sd = 1;
    settings.smartCard = 1;
    settings.usbSpeedSel = 2; // High Speed
    EXPECT_EQ(Cycle(), SlotTester::StepOutcome::Continue);
    reader.SetHighSpeed(false);
    EXPECT_EQ(Cycle(), SlotTester::StepOutcome::UsbSpeedFailed);
    for (int slot = 0; slot < kRunSlots; ++slot)
        EXPECT_EQ(state.cardStatus[slot], card::kNotTested) << slot;
    Display();
    EXPECT_EQ(tester.View().verdict[1], (SlotLabel{"NG-(0)", colours::kRed}));
    EXPECT_EQ(tester.View().verdict[7], (SlotLabel{"NG-(0)", colours::kRed}));
    EXPECT_EQ(checks.View().dev.text, "USB Speed Check Fail");
}

TEST_F(SlotTest, TwoSlotReaderTestsBothSdSlotsAndCallsTheFormatHook) {
    simreader::SimController& reader = Plug(Family::TwoSlot);
    settings.sd = 1;
    settings.sd2 = 1;
    settings.sdWidth = 2;  // "4 bits"
    settings.sd2Width = 3; // "8 bits"
    std::vector<int> hooked;
    tester.afterReadWritePass = [&](int slot, ReaderContext& drive) {
        EXPECT_NE(drive.handle, kNoHandle); // still open for the format
        hooked.push_back(slot);
    };
    reader.InsertCard(0, Card(kSdFourBits));
    reader.InsertCard(1, Card(0x80));
    Cycle();
    Cycle();
    EXPECT_THAT(hooked, ElementsAre(0, 1));
    EXPECT_THAT(log, Contains("SD slot R/W .. !!\r\n"));
    EXPECT_THAT(log, Contains("SD2 slot R/W .. !!\r\n"));
    const SlotLabelsView view = tester.View();
    EXPECT_EQ(view.info[0], (SlotLabel{"Pass", colours::kBlue}));
    EXPECT_EQ(view.info[1], (SlotLabel{"Pass", colours::kBlue}));
    EXPECT_EQ(view.verdict[0], (SlotLabel{"Pass-(3)", colours::kBlue}));
    EXPECT_EQ(view.verdict[1], (SlotLabel{"Pass-(3)", colours::kBlue}));
}

TEST_F(SlotTest, ExtendedAddressReaderDecodesItsModeBits) {
    simreader::SimController& reader = Plug(Family::ExtendedAddress);
    ASSERT_EQ(table[0].model, ControllerModel::ExtendedAddress);
    settings.sd = 1;
    settings.sd2 = 1;
    settings.showInfo = 1;
    reader.InsertCard(0, Card(kSdFourBits));
    reader.InsertCard(1, Card(0x80));
    Cycle();
    Cycle();
    const SlotLabelsView view = tester.View();
    EXPECT_EQ(view.info[0], (SlotLabel{"4 bits", colours::kBlue}));
    EXPECT_EQ(view.info[1], (SlotLabel{"8 bits", colours::kBlue}));
    EXPECT_EQ(view.verdict[0], (SlotLabel{"Pass-(2)", colours::kBlue}));
    EXPECT_EQ(view.verdict[1], (SlotLabel{"Pass-(2)", colours::kBlue}));
    EXPECT_FALSE(SentWithOpcode(scsi::kVendorReadMemoryExt).empty());
}

TEST_F(SlotTest, DisabledSlotAndUnfittedSlotStayUntouched) {
    simreader::SimController& reader = Plug(Family::MultiSlot);
    reader.InsertCard(0, Card(0x0B));
    reader.InsertCard(5, Card(kSdFourBits)); // SD2 has no LUN on this reader
    settings.sd2 = 1;
    Cycle();
    EXPECT_EQ(state.cardStatus[0], 0);
    EXPECT_EQ(state.cardStatus[5], 0);
    EXPECT_TRUE(SentWithOpcode(scsi::kWrite10).empty());
    EXPECT_EQ(tester.View().readWrite[0].text, "");
}

// --- The verdict table ---

struct VerdictCase {
    int slot;
    bool twoSlot, modeChosen, writeProtectTest;
    int passScore;
};

void PrintTo(const VerdictCase& c, std::ostream* os) {
    *os << "slot" << c.slot << (c.twoSlot ? "TwoSlot" : "") << (c.modeChosen ? "Mode" : "")
        << (c.writeProtectTest ? "Wp" : "");
}

class VerdictTest : public SlotTest, public ::testing::WithParamInterface<VerdictCase> {};

TEST_P(VerdictTest, PassesOnlyAtTheExpectedScore) {
    const VerdictCase& c = GetParam();
    tester.SetReaderKind(c.twoSlot, c.twoSlot ? ControllerModel::TwoSlot : kMulti);
    settings.cf = settings.sd = settings.sm = settings.xd = settings.ms = settings.sd2 = 1;
    settings.smartCard = 1;
    const uint8_t mode = c.modeChosen ? 1 : 0;
    settings.cfMode = settings.sdWidth = settings.msMode = settings.sd2Width = mode;
    settings.writeProtectTest = c.writeProtectTest;
    for (int n = 0; n <= 7; ++n) {
        state.slotResult[c.slot] = static_cast<uint8_t>(result::kHasVerdict | n);
        tester.ShowSlotVerdict(c.slot);
        const std::string expected =
            (n == c.passScore ? "Pass-(" : "NG-(") + std::to_string(n) + ")";
        EXPECT_EQ(tester.View().verdict[c.slot].text, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Slots, VerdictTest,
    ::testing::Values(VerdictCase{0, false, false, false, 2}, VerdictCase{0, false, true, true, 3},
                      VerdictCase{1, false, false, false, 2}, VerdictCase{1, false, true, false, 3},
                      VerdictCase{1, false, false, true, 4}, VerdictCase{1, false, true, true, 5},
                      VerdictCase{2, false, true, true, 2}, VerdictCase{3, false, true, true, 2},
                      VerdictCase{4, false, false, false, 2}, VerdictCase{4, false, true, false, 3},
                      VerdictCase{4, false, false, true, 4}, VerdictCase{4, false, true, true, 5},
                      VerdictCase{5, false, false, true, 2}, VerdictCase{5, false, true, true, 3},
                      VerdictCase{7, false, true, true, 2}, VerdictCase{0, true, false, true, 4},
                      VerdictCase{0, true, true, true, 5}, VerdictCase{0, true, true, false, 3},
                      VerdictCase{1, true, true, true, 3}, VerdictCase{7, true, false, false, 2}),
    [](const ::testing::TestParamInfo<VerdictCase>& info) {
        std::ostringstream name;
        PrintTo(info.param, &name);
        return name.str();
    });

} // namespace
} // namespace orrick::testing
