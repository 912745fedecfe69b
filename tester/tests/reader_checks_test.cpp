// The four reader checks against the simulated reader: log lines, errorFlags
// bits and the status labels they leave for the window.
#include "reader_checks.h"
#include "sim_fixture.h"

#include <gmock/gmock.h>

namespace orrick::testing {
namespace {

using simreader::Family;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ReaderCheckTest : public SimReaderTest {
protected:
    ReaderCheckTest()
        : checks(device, settings, [this](const std::string& t) { log.push_back(t); }) {}

    simreader::SimController& Reader(Family family) {
        const auto drives = family == Family::TwoSlot || family == Family::ExtendedAddress
                                ? Names({"sdb", "sdc"})
                                : Names({"sdb", "sdc", "sdd", "sde"});
        simreader::SimController& r = AddReader(family, drives);
        r.SetIds(0x046D, 0xC52B);
        r.SetFirmware(1, 5);
        return r;
    }

    TestSettings settings;
    std::vector<std::string> log;
    ReaderChecks checks;
};

struct InfoCase {
    const char* name;
    const char* vid;
    const char* pid;
    uint8_t major, minor;
    const char* mismatch; // nullptr: the check passes
};

// Test listings name the case instead of dumping its bytes.
void PrintTo(const InfoCase& c, std::ostream* os) {
    *os << c.name;
}

class InformationCheckTest : public ReaderCheckTest,
                             public ::testing::WithParamInterface<InfoCase> {};

TEST_P(InformationCheckTest, ComparesIdsAndFirmware) {
    const InfoCase& c = GetParam();
    Reader(Family::MultiSlot);
    ReaderContext entry = Identified("sdb");
    settings.informationCheck = 1;
    settings.vid = StoreVidPid(c.vid);
    settings.pid = StoreVidPid(c.pid);
    settings.firmwareMajor = c.major;
    settings.firmwareMinor = c.minor;
    checks.CheckReaderInformation(entry);

    const ReaderCheckView view = checks.View();
    EXPECT_EQ(view.readVid, "046d");
    EXPECT_EQ(view.readPid, "c52b");
    EXPECT_EQ(view.readFirmware, "1.05");
    EXPECT_EQ(entry.handle, kNoHandle);
    if (!c.mismatch) {
        EXPECT_THAT(log, ElementsAre("=== Reader Information Check ===\r\n",
                                     "Check Information OK !!\r\n"));
        EXPECT_EQ(entry.errorFlags, 0u);
        EXPECT_EQ(view.pidvid.text, "");
        return;
    }
    EXPECT_THAT(log, ElementsAre("=== Reader Information Check ===\r\n", c.mismatch,
                                 "Card Reader Information Error !! \r\n"));
    EXPECT_EQ(entry.errorFlags, kInformationMismatch);
    EXPECT_EQ(view.pidvid, (StatusLabel{c.mismatch, colours::kRed}));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, InformationCheckTest,
    ::testing::Values(InfoCase{"Match", "046D", "C52B", 1, 5, nullptr},
                      InfoCase{"MatchLowerCase", "046d", "c52b", 1, 5, nullptr},
                      InfoCase{"ShortVidTextAsShown", "46d", "c52b", 1, 5, nullptr},
                      InfoCase{"WrongVid", "046E", "C52B", 1, 5, "VID, not match !\r\n"},
                      InfoCase{"WrongPid", "046D", "C52C", 1, 5, "PID, not match !\r\n"},
                      InfoCase{"MinorFifty", "046D", "C52B", 1, 50, "FW ver, not match !\r\n"},
                      InfoCase{"WrongMajor", "046D", "C52B", 2, 5, "FW ver, not match !\r\n"},
                      InfoCase{"AllWrong", "", "", 0, 0, "VID,PID,FW ver, not match !\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReaderCheckTest, InformationIsShownEvenWhenNotChecked) {
    Reader(Family::TwoSlot).SetFirmware(0, 7);
    ReaderContext entry = Identified("sdb");
    checks.CheckReaderInformation(entry);
    EXPECT_THAT(log, IsEmpty());
    EXPECT_EQ(checks.View().readFirmware, "0.07");
    EXPECT_EQ(entry.errorFlags, 0u);
}

TEST_F(ReaderCheckTest, ExtendedAddressReadersSkipTheInformationCheck) {
    Reader(Family::ExtendedAddress);
    ReaderContext entry = Identified("sdb");
    settings.informationCheck = 1;
    settings.vid = StoreVidPid("FFFF");
    backend.ClearSentRequests();
    checks.CheckReaderInformation(entry);
    EXPECT_THAT(log, IsEmpty());
    EXPECT_EQ(entry.errorFlags, 0u);
    EXPECT_EQ(checks.View().readVid, "");
    EXPECT_TRUE(backend.SentRequests().empty());
}

TEST_F(ReaderCheckTest, TransportFailureEndsTheInformationCheckSilently) {
    Reader(Family::MultiSlot);
    ReaderContext entry = Identified("sdb");
    settings.informationCheck = 1;
    backend.FailRequests({"", scsi::kVendorReadMemory, 1});
    checks.CheckReaderInformation(entry);
    EXPECT_THAT(log, IsEmpty());
    EXPECT_EQ(entry.errorFlags, TransportFailure);
    EXPECT_EQ(entry.handle, kNoHandle);
}

struct RomCase {
    const char* name;
    Family family;
    bool eeprom, nor;
    uint8_t codeSel;
    bool pass;
};

// Test listings name the case instead of dumping its bytes.
void PrintTo(const RomCase& c, std::ostream* os) {
    *os << c.name;
}

class RomCheckTest : public ReaderCheckTest, public ::testing::WithParamInterface<RomCase> {};

TEST_P(RomCheckTest, JudgesTheRomConfiguration) {
    const RomCase& c = GetParam();
    Reader(c.family).SetRomFlags(c.eeprom, c.nor);
    ReaderContext entry = Identified("sdb");
    settings.codeSel = c.codeSel;
    checks.CheckRom(entry);
    if (c.pass) {
        EXPECT_THAT(log, ElementsAre("=== CHECK ROM ===\r\n", "Check Rom OK !! \r\n"));
        EXPECT_EQ(entry.errorFlags, 0u);
        EXPECT_EQ(checks.View().err.text, "");
    } else {
        EXPECT_THAT(log, ElementsAre("=== CHECK ROM ===\r\n", "Check Rom Error !! \r\n"));
        EXPECT_EQ(entry.errorFlags, kRomCheckFailed);
        EXPECT_EQ(checks.View().err, (StatusLabel{"Check Rom Error !!", colours::kRed}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Selections, RomCheckTest,
    ::testing::Values(RomCase{"MaskOnMask", Family::MultiSlot, false, false, 1, true},
                      RomCase{"MaskOnNor", Family::MultiSlot, false, true, 1, false},
                      RomCase{"MaskEepromOnMaskEeprom", Family::MultiSlotHg, true, false, 2, true},
                      RomCase{"MaskEepromOnMask", Family::MultiSlotHg, false, false, 2, false},
                      RomCase{"NorOnNor", Family::MultiSlotExtra, false, true, 3, true},
                      RomCase{"NorOnNorEeprom", Family::MultiSlotExtra, true, true, 3, false},
                      RomCase{"NorEepromOnNorEeprom", Family::UnknownVariant, true, true, 4, true},
                      RomCase{"NorEepromOnNor", Family::UnknownVariant, false, true, 4, false},
                      RomCase{"TwoSlotMaskBitClear", Family::TwoSlot, false, false, 1, true},
                      RomCase{"TwoSlotMaskBitSet", Family::TwoSlot, true, false, 1, false},
                      RomCase{"TwoSlotEepromBitSet", Family::TwoSlot, true, false, 2, true},
                      RomCase{"TwoSlotEepromBitClear", Family::TwoSlot, false, false, 2, false},
                      RomCase{"TwoSlotNorWhateverBitClear", Family::TwoSlot, false, false, 3, true},
                      RomCase{"TwoSlotNorWhateverBitSet", Family::TwoSlot, true, false, 3, true},
                      RomCase{"TwoSlotNorEeprom", Family::TwoSlot, false, false, 4, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReaderCheckTest, RomCheckWithNoneSelectedDoesNothing) {
    Reader(Family::MultiSlot);
    ReaderContext entry = Identified("sdb");
    backend.ClearSentRequests();
    checks.CheckRom(entry);
    checks.CheckUsbSpeed(entry);
    checks.CheckLuns(entry);
    EXPECT_THAT(log, IsEmpty());
    EXPECT_TRUE(backend.SentRequests().empty());
}

TEST_F(ReaderCheckTest, RomReadFailureGivesNoVerdict) {
    Reader(Family::MultiSlot);
    ReaderContext entry = Identified("sdb");
    settings.codeSel = 1;
    backend.FailRequests({"", scsi::kVendorReadMemory, -1});
    checks.CheckRom(entry);
    EXPECT_THAT(log, ElementsAre("=== CHECK ROM ===\r\n"));
    EXPECT_EQ(entry.errorFlags, TransportFailure);
    EXPECT_EQ(checks.View().err.text, "");
}

struct LunCase {
    const char* name;
    std::array<uint8_t, 7> slotLuns;
    uint8_t expected;
    bool pass;
};

// Test listings name the case instead of dumping its bytes.
void PrintTo(const LunCase& c, std::ostream* os) {
    *os << c.name;
}

class LunCheckTest : public ReaderCheckTest, public ::testing::WithParamInterface<LunCase> {};

TEST_P(LunCheckTest, CountsDistinctLunsOfTheSlots) {
    ReaderContext entry;
    entry.valid = 1;
    entry.slotLun = GetParam().slotLuns;
    settings.luns = GetParam().expected;
    checks.CheckLuns(entry);
    if (GetParam().pass) {
        EXPECT_THAT(log, ElementsAre("=== CHECK LUNs ===\r\n", "Check LUNs OK !! \r\n"));
        EXPECT_EQ(entry.errorFlags, 0u);
    } else {
        EXPECT_THAT(log, ElementsAre("=== CHECK LUNs ===\r\n", "Check LUNs Error !! \r\n"));
        EXPECT_EQ(entry.errorFlags, kLunCountFailed);
        EXPECT_EQ(checks.View().err, (StatusLabel{"Check LUNs Error !!", colours::kRed}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, LunCheckTest,
    ::testing::Values(LunCase{"SharedLunCountsOnce", {0, 1, 2, 2, 3, 7, 7}, 4, true},
                      LunCase{"SharedLunIsNotTwo", {0, 1, 2, 2, 3, 7, 7}, 5, false},
                      LunCase{"TwoSlotsOneLun", {0, 0, 7, 7, 7, 7, 7}, 1, true},
                      LunCase{"LunSixAddsNothing", {0, 6, 7, 7, 7, 7, 7}, 1, true},
                      LunCase{"SlotSixIsNotCounted", {0, 7, 7, 7, 7, 7, 5}, 1, true},
                      LunCase{"TwoSlotUnfitted", {0, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 2, true},
                      LunCase{"AllSix", {0, 1, 2, 3, 4, 5, 7}, 6, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReaderCheckTest, LunCheckReportsAnEarlierLunFailure) {
    ReaderContext entry;
    entry.slotLun = {0, 1, 7, 7, 7, 7, 7};
    entry.errorFlags = kLunCountFailed;
    settings.luns = 2;
    checks.CheckLuns(entry);
    EXPECT_THAT(log, ElementsAre("=== CHECK LUNs ===\r\n", "Check LUNs Error !! \r\n"));
}

struct UsbCase {
    const char* name;
    bool highSpeed;
    uint8_t selection;
    bool fails;
    const char* label;
};

// Test listings name the case instead of dumping its bytes.
void PrintTo(const UsbCase& c, std::ostream* os) {
    *os << c.name;
}

class UsbSpeedTest : public ReaderCheckTest, public ::testing::WithParamInterface<UsbCase> {};

TEST_P(UsbSpeedTest, ComparesThePortSpeed) {
    const UsbCase& c = GetParam();
    Reader(Family::MultiSlot).SetHighSpeed(c.highSpeed);
    ReaderContext entry = Identified("sdb");
    settings.usbSpeedSel = c.selection;
    checks.CheckUsbSpeed(entry);
    EXPECT_EQ(entry.errorFlags, c.fails ? kUsbSpeedFailed : 0u);
    const StatusLabel dev = checks.View().dev;
    EXPECT_EQ(dev.text, c.label);
    EXPECT_EQ(dev.colour, c.fails ? colours::kRed : colours::kGoldenrod);
    EXPECT_THAT(log, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Ports, UsbSpeedTest,
    ::testing::Values(UsbCase{"HighOnHigh", true, 2, false, "High Speed mode"},
                      UsbCase{"FullOnFull", false, 1, false, "Full Speed mode"},
                      UsbCase{"HighWantedOnFullPort", false, 2, true, "USB Speed Check Fail"},
                      UsbCase{"FullWantedOnHighPort", true, 1, true, "USB Speed Check Fail"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReaderCheckTest, UsbSpeedShowsAnEarlierFailureOfTheCycle) {
    Reader(Family::TwoSlot).SetHighSpeed(true);
    ReaderContext entry = Identified("sdb");
    entry.errorFlags = kUsbSpeedFailed;
    settings.usbSpeedSel = 2;
    checks.CheckUsbSpeed(entry);
    EXPECT_EQ(checks.View().dev, (StatusLabel{"USB Speed Check Fail", colours::kRed}));
}

TEST_F(ReaderCheckTest, ChecksOfAnUnopenableDriveDoNothing) {
    Reader(Family::MultiSlot);
    ReaderContext entry = Identified("sdb");
    backend.FailOpen("sdb", true);
    settings.usbSpeedSel = 2;
    settings.codeSel = 1;
    settings.informationCheck = 1;
    checks.CheckUsbSpeed(entry);
    checks.CheckReaderInformation(entry);
    checks.CheckRom(entry);
    EXPECT_THAT(log, IsEmpty());
    EXPECT_EQ(entry.errorFlags, 0u);
}

TEST_F(ReaderCheckTest, LabelsStartInTheirColoursAndBlankOnRemoval) {
    const ReaderCheckView initial = checks.View();
    EXPECT_EQ(initial.dev.colour, colours::kGoldenrod);
    EXPECT_EQ(initial.pidvid.colour, colours::kDarkOrange);
    EXPECT_EQ(initial.err.colour, colours::kDarkOrange);
    ReaderContext entry;
    entry.slotLun = {0, 7, 7, 7, 7, 7, 7};
    settings.luns = 3;
    checks.CheckLuns(entry);
    EXPECT_EQ(checks.View().err.text, "Check LUNs Error !!");
    checks.BlankStatusLabels();
    EXPECT_EQ(checks.View().err.text, "");
}

} // namespace
} // namespace orrick::testing
