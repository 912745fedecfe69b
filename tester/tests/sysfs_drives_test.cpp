// Drive enumeration over a fake sysfs tree, and the SG_IO backend's handling
// of device nodes that are missing or are not SCSI devices.
#include "sg_backend.h"
#include "sim_fixture.h"
#include "sysfs_drives.h"

#include <gmock/gmock.h>

#include <fstream>

namespace orrick::testing {
namespace {

using ::testing::ElementsAre;

class FakeSysfs : public ::testing::Test {
protected:
    void Block(const std::string& name, const char* removable, const char* type) {
        const auto dir = tmp.path() / "sys" / "block" / name;
        std::filesystem::create_directories(dir / "device");
        if (removable)
            std::ofstream(dir / "removable") << removable;
        if (type)
            std::ofstream(dir / "device" / "type") << type;
    }
    std::filesystem::path Sys() const { return tmp.path() / "sys"; }

    TempDir tmp;
};

TEST_F(FakeSysfs, ListsRemovableDisksAndOpticalDrivesInKernelNameOrder) {
    Block("sda", "0\n", "0\n"); // fixed disk
    Block("sdc", "1\n", "0\n");
    Block("sdaa", "1\n", "0\n");
    Block("sdb", "1\n", "0\n");
    Block("sr0", "1\n", "5\n");
    Block("sr10", "0\n", "5\n"); // optical counts whatever "removable" says
    Block("sr2", "1\n", "5\n");
    Block("loop0", "0\n", nullptr);
    Block("mmcblk0", "1\n", nullptr); // not reached through SCSI
    Block("sdd", "1\n", "7\n");       // optical memory device, not a disk
    Block("sde", "yes", "0\n");       // unreadable attribute
    EXPECT_THAT(EnumerateRemovableDrives(Sys()),
                ElementsAre("sdb", "sdc", "sdaa", "sr0", "sr2", "sr10"));
}

TEST_F(FakeSysfs, MissingTreeAndOddNamesGiveNothing) {
    EXPECT_TRUE(EnumerateRemovableDrives(tmp.path() / "nowhere").empty());
    Block("sdb", "1\n", "0\n");
    EXPECT_TRUE(IsRemovableOrOpticalDrive(Sys(), "sdb"));
    EXPECT_FALSE(IsRemovableOrOpticalDrive(Sys(), "sdz"));
    EXPECT_FALSE(IsRemovableOrOpticalDrive(Sys(), "../block/sdb"));
    EXPECT_FALSE(IsRemovableOrOpticalDrive(Sys(), ""));
}

TEST_F(FakeSysfs, SgBackendOpensOnlyPlainNodesAndFailsTransportOnNonScsiFiles) {
    Block("sdb", "1\n", "0\n");
    std::filesystem::create_directories(tmp.path() / "dev");
    std::ofstream(tmp.path() / "dev" / "sdb") << "not a device";
    SgIoBackend backend(Sys(), tmp.path() / "dev");
    EXPECT_THAT(backend.ListDrives(), ElementsAre("sdb"));
    EXPECT_EQ(backend.Open("sdc"), kNoHandle);
    EXPECT_EQ(backend.Open("../dev/sdb"), kNoHandle);

    const DriveHandle handle = backend.Open("sdb");
    ASSERT_NE(handle, kNoHandle);
    std::array<uint8_t, 48> data{};
    EXPECT_FALSE(backend.Execute(handle, MakeInquiry(data)).transportOk);
    backend.Close(handle);

    ReaderDevice device(backend);
    ReaderContext context;
    EXPECT_FALSE(device.IdentifyReaderDrive("sdb", context));
    EXPECT_EQ(context.handle, kNoHandle);
    EXPECT_EQ(context.valid, 0);
}

TEST_F(FakeSysfs, SgBackendCardSizeInFiveTwelveByteBlocks) {
    Block("sdb", "1\n", "0\n");
    Block("sdc", "1\n", "0\n");
    Block("sdd", "1\n", "0\n");
    const auto block = Sys() / "block";
    std::ofstream(block / "sdb" / "size") << "8192\n";
    std::ofstream(block / "sdc" / "size") << "0\n"; // no card
    std::ofstream(block / "sdd" / "size") << "65536\n";
    std::filesystem::create_directories(block / "sdd" / "queue");
    std::ofstream(block / "sdd" / "queue" / "logical_block_size") << "4096\n";
    SgIoBackend backend(Sys(), tmp.path() / "dev");
    EXPECT_EQ(backend.BlockCount("sdb"), 8192u);
    EXPECT_EQ(backend.BlockCount("sdc"), std::nullopt);
    EXPECT_EQ(backend.BlockCount("sdd"), 8192u); // the kernel counts 512-byte units
    EXPECT_EQ(backend.BlockCount("sdz"), std::nullopt);
    EXPECT_EQ(backend.BlockCount("../block/sdb"), std::nullopt);
}

} // namespace
} // namespace orrick::testing
