// Controller identification, the configuration parse of each family, the
// drive scan and the slot status refresh, against the simulated reader.
#include "sim_fixture.h"

#include <gmock/gmock.h>

#include <cstring>
#include <fstream>

namespace orrick::testing {
namespace {

using simreader::Family;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

struct ModelCase {
    const char* name;
    Family family;
    const char* tag; // INQUIRY bytes 36..43
    ControllerModel model;
    bool twoSlot;
};

// Test listings name the case instead of dumping its bytes.
void PrintTo(const ModelCase& c, std::ostream* os) {
    *os << c.name;
}

class ModelDetectionTest : public SimReaderTest, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(ModelDetectionTest, RecognisesTheControllerFromItsTag) {
    const ModelCase& c = GetParam();
    AddReader(c.family, Names({"sdb", "sdc", "sdd", "sde"})).SetInquiryTag(c.tag);
    ReaderContext context;
    const bool accepted = device.IdentifyReaderDrive("sdb", context);
    EXPECT_EQ(accepted, c.model != ControllerModel::None);
    EXPECT_EQ(context.handle, kNoHandle) << "the drive is closed again";
    if (!accepted) {
        EXPECT_EQ(context.valid, 0);
        EXPECT_THAT(traces, ElementsAre("Scsi Inquiry fail. \r\n"));
        return;
    }
    EXPECT_EQ(context.model, c.model);
    EXPECT_EQ(context.twoSlot, c.twoSlot);
    EXPECT_EQ(context.valid, 1);
    EXPECT_EQ(context.driveName, "sdb");
}

INSTANTIATE_TEST_SUITE_P(
    Tags, ModelDetectionTest,
    ::testing::Values(
        ModelCase{"MultiSlot", Family::MultiSlot, "QVXK5100", ControllerModel::MultiSlot, false},
        ModelCase{"TwoSlot", Family::TwoSlot, "QVXK5101", ControllerModel::TwoSlot, true},
        ModelCase{"MultiSlotHg", Family::MultiSlotHg, "QVXK5106", ControllerModel::MultiSlotHg,
                  false},
        ModelCase{"MultiSlotExtra", Family::MultiSlotExtra, "QVXK5120",
                  ControllerModel::MultiSlotExtra, false},
        ModelCase{"MultiSlotExtraHg", Family::MultiSlotExtraHg, "QVXK5122",
                  ControllerModel::MultiSlotExtraHg, false},
        ModelCase{"UnknownDigitNine", Family::UnknownVariant, "QVXK5109",
                  ControllerModel::UnknownVariant, false},
        ModelCase{"UnknownLetter", Family::UnknownVariant, "QVXK510Z",
                  ControllerModel::UnknownVariant, false},
        ModelCase{"ShortFamilyTag", Family::UnknownVariant, "QVXK", ControllerModel::UnknownVariant,
                  false},
        ModelCase{"ExtendedAtStart", Family::ExtendedAddress, "Q7M51221",
                  ControllerModel::ExtendedAddress, true},
        ModelCase{"ExtendedWinsOverFamilyTag", Family::ExtendedAddress, "QVXKQ7M1",
                  ControllerModel::ExtendedAddress, true},
        ModelCase{"ExtendedAtEnd", Family::ExtendedAddress, "ABCDEQ7M",
                  ControllerModel::ExtendedAddress, true},
        ModelCase{"NoTag", Family::NotReader, "DISK 1.0", ControllerModel::None, false},
        ModelCase{"EmptyTag", Family::NotReader, "", ControllerModel::None, false},
        ModelCase{"LowerCaseTag", Family::MultiSlot, "qvxk5100", ControllerModel::None, false},
        ModelCase{"AlmostTag", Family::MultiSlot, "QVX5100", ControllerModel::None, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ModelFromInquiryTest, TagEndsAtTheFirstZeroByte) {
    std::array<uint8_t, 49> inquiry{};
    const char tag[8] = {'Q', '7', 0, 'M', 'Q', 'V', 'X', 'K'};
    std::memcpy(&inquiry[36], tag, 8);
    EXPECT_EQ(ModelFromInquiry(inquiry.data(), inquiry.size()), ControllerModel::None);
    EXPECT_EQ(ModelFromInquiry(inquiry.data(), 40), ControllerModel::None) << "short answer";
}

TEST_F(SimReaderTest, NonReaderDrivesTakeNoTableEntry) {
    backend.AddController(std::make_unique<simreader::SimController>(Family::NotReader),
                          Names({"sdb"}));
    AddReader(Family::MultiSlot, Names({"sdc", "sdd", "sde", "sdf"}));
    backend.AddController(std::make_unique<simreader::SimController>(Family::NotReader),
                          Names({"sdg"}));
    ReaderTable table;
    device.ScanReaderDrives(table);
    std::vector<std::string> drives;
    std::vector<int> luns;
    for (const auto& entry : table) {
        if (!entry.valid)
            continue;
        drives.push_back(entry.driveName);
        luns.push_back(entry.lunNumber);
    }
    EXPECT_THAT(drives, ElementsAre("sdc", "sdd", "sde", "sdf"));
    EXPECT_THAT(luns, ElementsAre(0, 1, 2, 3));
    EXPECT_EQ(table[4].valid, 0);
    EXPECT_EQ(traces.size(), 2u) << "one inquiry failure per non-reader";
    // Every identified LUN waits for the controller's mode switch.
    EXPECT_THAT(delays, ElementsAre(350, 350, 350, 350));
}

TEST_F(SimReaderTest, ScanStartsFromAnEmptyTable) {
    ReaderTable table;
    table[5].valid = 1;
    table[5].driveName = "sdq";
    device.ScanReaderDrives(table);
    for (const auto& entry : table)
        EXPECT_EQ(entry.valid, 0);
}

TEST_F(SimReaderTest, MultiSlotParseReadsTheConfigurationBlock) {
    simreader::SimController& reader =
        AddReader(Family::MultiSlot, Names({"sdb", "sdc", "sdd", "sde"}));
    reader.SetIds(0x046D, 0xC52B);
    reader.SetFirmware(1, 5);
    reader.SetRomFlags(true, false);
    reader.InsertCard(1, {});
    reader.InsertCard(4, WriteProtectedCard());
    const ReaderContext c = Identified("sdc");
    EXPECT_EQ(c.lunNumber, 1);
    EXPECT_THAT(c.vendorId, ElementsAre(0x04, 0x6D));
    EXPECT_THAT(c.productId, ElementsAre(0xC5, 0x2B));
    EXPECT_THAT(c.slotLun, ElementsAre(0, 1, 2, 2, 3, 7, 7));
    EXPECT_THAT(c.slotStatus, ElementsAre(0, 0x03, 0, 0, 0x07, 0, 0));
    EXPECT_EQ(c.firmwareMajor, 1);
    EXPECT_EQ(c.firmwareMinor, 5);
    EXPECT_EQ(c.romFlagA, 0x80);
    EXPECT_EQ(SentWithOpcode(scsi::kVendorTestMode).size(), 1u);
}

TEST_F(SimReaderTest, MultiSlotExtraTakesItsIdsFromTheLittleEndianCopy) {
    simreader::SimController& reader =
        AddReader(Family::MultiSlotExtra, Names({"sdb", "sdc", "sdd", "sde"}));
    reader.SetIds(0x046D, 0xC52B);
    // Different IDs in the block must be overridden.
    for (uint16_t a = 0x5004; a < 0x5008; ++a)
        reader.PokeConfig(a, 0xEE);
    const ReaderContext c = Identified("sdb");
    EXPECT_EQ(c.model, ControllerModel::MultiSlotExtra);
    EXPECT_THAT(c.vendorId, ElementsAre(0x04, 0x6D));
    EXPECT_THAT(c.productId, ElementsAre(0xC5, 0x2B));
}

TEST_F(SimReaderTest, TwoSlotParseUsesRegisters) {
    simreader::SimController& reader = AddReader(Family::TwoSlot, Names({"sdb", "sdc"}));
    reader.SetIds(0x046D, 0x0A11);
    reader.SetFirmware(3, 7);
    reader.SetRomFlags(true, false);
    reader.SetSlotLun(0, 1);
    reader.SetSlotLun(1, 0);
    reader.InsertCard(1, InitFailCard());
    const ReaderContext c = Identified("sdb");
    EXPECT_TRUE(c.twoSlot);
    EXPECT_THAT(c.vendorId, ElementsAre(0x04, 0x6D));
    EXPECT_THAT(c.productId, ElementsAre(0x0A, 0x11));
    EXPECT_THAT(c.slotLun, ElementsAre(1, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF));
    EXPECT_EQ(c.firmwareMajor, 0) << "two-slot controllers report only a minor number";
    EXPECT_EQ(c.firmwareMinor, 7);
    EXPECT_EQ(c.romFlagA, 1);
    EXPECT_EQ(c.slotStatus[1], 0x21);
}

TEST_F(SimReaderTest, ExtendedAddressTakesLunsFromTheController) {
    simreader::SimController& reader = AddReader(Family::ExtendedAddress, Names({"sdb", "sdc"}));
    reader.SetLunLayout(2, 2);
    reader.SetIds(0x046D, 0x0300);
    reader.InsertCard(1, WriteProtectedCard());
    const ReaderContext c = Identified("sdc");
    EXPECT_EQ(c.model, ControllerModel::ExtendedAddress);
    EXPECT_EQ(c.lunCount, 2);
    EXPECT_EQ(c.lunNumber, 1);
    EXPECT_TRUE(c.twoSlot);
    EXPECT_THAT(c.vendorId, ElementsAre(0x04, 0x6D));
    EXPECT_THAT(c.slotLun, ElementsAre(0, 1, 7, 7, 7, 7, 7));
    EXPECT_THAT(c.slotStatus, ElementsAre(0, 0x07, 0, 0, 0, 0, 0));
    EXPECT_TRUE(SentWithOpcode(scsi::kVendorTestMode).empty());
    EXPECT_TRUE(SentWithOpcode(scsi::kVendorReadMemory).empty());
    EXPECT_TRUE(delays.empty());
}

struct LunRegisterCase {
    const char* name;
    uint8_t layout;      // 0x47F3: top nibble, base nibble
    uint8_t lunRegister; // 0x002D
    bool identified;
    uint8_t lunNumber;
};

// Test listings name the case instead of dumping its bytes.
void PrintTo(const LunRegisterCase& c, std::ostream* os) {
    *os << c.name;
}

class ExtendedLunTest : public SimReaderTest,
                        public ::testing::WithParamInterface<LunRegisterCase> {};

TEST_P(ExtendedLunTest, LunRegisterMustNotBeBelowTheBase) {
    simreader::SimController& reader = AddReader(Family::ExtendedAddress, Names({"sdb", "sdc"}));
    reader.PokeExtended(0x47F3, GetParam().layout);
    reader.SetLunRegisterOverride(0, GetParam().lunRegister);
    ReaderTable table;
    device.ScanReaderDrives(table);
    const auto entry = std::find_if(table.begin(), table.end(),
                                    [](const ReaderContext& e) { return e.driveName == "sdb"; });
    ASSERT_EQ(entry != table.end(), GetParam().identified);
    if (GetParam().identified) {
        EXPECT_EQ(entry, table.begin());
        EXPECT_EQ(entry->lunNumber, GetParam().lunNumber);
    }
}

INSTANTIATE_TEST_SUITE_P(Registers, ExtendedLunTest,
                         ::testing::Values(LunRegisterCase{"AtBase", 0x42, 2, true, 0},
                                           LunRegisterCase{"AboveBase", 0x42, 3, true, 1},
                                           LunRegisterCase{"OneBelowBase", 0x42, 1, false, 0},
                                           LunRegisterCase{"ZeroWithBaseFive", 0x75, 0, false, 0},
                                           LunRegisterCase{"TopBelowBase", 0x24, 4, false, 0},
                                           LunRegisterCase{"MoreLunsThanSlots", 0xF0, 0, false, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimReaderTest, FailedLunReadBeforeTestModeIsForgiven) {
    AddReader(Family::MultiSlot, Names({"sdb", "sdc", "sdd", "sde"}));
    backend.FailRequests({"sdc", scsi::kVendorReadMemory, 1});
    const ReaderContext c = Identified("sdc");
    EXPECT_THAT(traces, ElementsAre("SetTestMode fail... \r\n"));
    EXPECT_EQ(c.errorFlags, 0u);
    EXPECT_EQ(c.lunNumber, 0) << "the LUN number was not read";
    EXPECT_EQ(c.valid, 1);
}

TEST_F(SimReaderTest, FailedConfigurationReadFailsIdentification) {
    AddReader(Family::MultiSlot, Names({"sdb", "sdc", "sdd", "sde"}));
    // Every controller read fails: the LUN read is forgiven, the configuration read is not.
    backend.FailRequests({"", scsi::kVendorReadMemory, -1});
    ReaderContext context;
    context.lunNumber = 9;
    EXPECT_FALSE(device.IdentifyReaderDrive("sdb", context));
    EXPECT_EQ(context.valid, 0);
    EXPECT_EQ(context.handle, kNoHandle);
    EXPECT_EQ(context.lunNumber, 0) << "a failed drive leaves nothing behind";
}

TEST_F(SimReaderTest, UnopenableDriveIsSkipped) {
    AddReader(Family::MultiSlot, Names({"sdb", "sdc", "sdd", "sde"}));
    backend.FailOpen("sdb", true);
    ReaderTable table;
    device.ScanReaderDrives(table);
    EXPECT_EQ(table[0].driveName, "sdc");
    EXPECT_EQ(table[3].valid, 0);
}

TEST_F(SimReaderTest, SetTestModeNeedsAZeroFirstByte) {
    simreader::SimController& reader = AddReader(Family::MultiSlot, Names({"sdb"}));
    ReaderContext c = Identified("sdb");
    ASSERT_TRUE(device.OpenReaderDrive("sdb", c));
    EXPECT_TRUE(device.SetTestMode(c));
    reader.SetTestModeAnswer(1);
    EXPECT_FALSE(device.SetTestMode(c));
    reader.SetTestModeAnswer(0);
    backend.FailRequests({"", scsi::kVendorTestMode, 1});
    EXPECT_FALSE(device.SetTestMode(c));
    EXPECT_EQ(c.errorFlags & TransportFailure, 0u) << "SetTestMode only returns false";
    device.CloseReaderDrive(c);
}

TEST_F(SimReaderTest, RefreshFollowsCardsInAndOut) {
    simreader::SimController& reader =
        AddReader(Family::MultiSlot, Names({"sdb", "sdc", "sdd", "sde"}));
    ReaderContext c = Identified("sdb");
    reader.InsertCard(0, {});
    reader.InsertCard(3, WriteProtectedCard());
    reader.InsertCard(4, InitFailCard());
    c.errorFlags = kRomCheckFailed;
    device.RefreshSlotStatus(c);
    EXPECT_EQ(c.errorFlags, 0u);
    EXPECT_THAT(c.slotStatus, ElementsAre(0x03, 0, 0, 0x07, 0x21, 0, 0));
    EXPECT_THAT(delays, ElementsAre(350, 10));
    reader.RemoveCard(0);
    device.RefreshSlotStatus(c);
    EXPECT_EQ(c.slotStatus[0], 0);
    EXPECT_EQ(c.handle, kNoHandle);
}

TEST_F(SimReaderTest, RefreshOfTwoSlotAndExtendedReaders) {
    simreader::SimController& two = AddReader(Family::TwoSlot, Names({"sdb", "sdc"}));
    simreader::SimController& ext = AddReader(Family::ExtendedAddress, Names({"sdd", "sde"}));
    ReaderContext a = Identified("sdb");
    ReaderContext b = Identified("sdd");
    two.InsertCard(1, WriteProtectedCard());
    ext.InsertCard(0, {});
    ext.InsertCard(1, InitFailCard());
    device.RefreshSlotStatus(a);
    device.RefreshSlotStatus(b);
    EXPECT_THAT(a.slotStatus, ElementsAre(0, 0x07, 0, 0, 0, 0, 0));
    EXPECT_THAT(b.slotStatus, ElementsAre(0x03, 0x21, 0, 0, 0, 0, 0));
}

TEST_F(SimReaderTest, RefreshTransportFailureKeepsOldStatus) {
    simreader::SimController& reader =
        AddReader(Family::MultiSlot, Names({"sdb", "sdc", "sdd", "sde"}));
    reader.InsertCard(1, {});
    ReaderContext c = Identified("sdb");
    reader.RemoveCard(1);
    backend.FailRequests({"", scsi::kVendorReadMemory, 1});
    device.RefreshSlotStatus(c);
    EXPECT_EQ(c.errorFlags, TransportFailure);
    EXPECT_EQ(c.slotStatus[1], 0x03);

    backend.ClearFailures();
    backend.Unplug(0);
    device.RefreshSlotStatus(c);
    EXPECT_EQ(c.errorFlags, TransportFailure) << "a drive that cannot be opened is a failure";
}

class ProfileTest : public SimReaderTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ProfileTest, EveryShippedProfileLoadsAndIdentifiesAsItsFamily) {
    const std::filesystem::path profile =
        std::filesystem::path(READER_PROFILE_DIR) / (std::string("reader_") + GetParam() + ".json");
    simreader::LoadReaderProfile(backend, profile);
    ReaderTable table;
    device.ScanReaderDrives(table);
    const auto family = backend.Controller(0).family();
    if (family == Family::NotReader) {
        EXPECT_EQ(table[0].valid, 0);
        return;
    }
    int valid = 0;
    for (const auto& e : table)
        valid += e.valid;
    EXPECT_EQ(valid, backend.Controller(0).LunCount());
    EXPECT_THAT(table[0].vendorId, ElementsAre(0x1D, 0x6B));
}

INSTANTIATE_TEST_SUITE_P(Shipped, ProfileTest,
                         ::testing::Values("multislot", "multislot_hg", "multislot_extra",
                                           "multislot_extra_hg", "twoslot", "extended",
                                           "unknown_variant", "not_a_reader"));

TEST(ProfileErrorsTest, BadProfilesAreRejectedWithAMessage) {
    TempDir tmp;
    const std::pair<const char*, const char*> bad[] = {
        {"syntax", "{"},
        {"family", R"({"family": "Toaster", "drives": []})"},
        {"vid", R"({"family": "MultiSlot", "vendorId": "XYZ", "drives": []})"},
        {"lun", R"({"family": "MultiSlot", "slotLuns": [300], "drives": []})"},
        {"drives", R"({"family": "MultiSlot"})"},
    };
    for (const auto& [name, text] : bad) {
        const auto path = tmp.path() / (std::string(name) + ".json");
        std::ofstream(path) << text;
        simreader::SimReaderBackend backend;
        EXPECT_THROW(simreader::LoadReaderProfile(backend, path), std::runtime_error) << name;
    }
    simreader::SimReaderBackend backend;
    EXPECT_THROW(simreader::LoadReaderProfile(backend, tmp.path() / "missing.json"),
                 std::runtime_error);
}

} // namespace
} // namespace orrick::testing
