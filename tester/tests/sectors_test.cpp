// READ(10) and WRITE(10) through the device layer: write protection, transport
// failures and card image files.
#include "sim_fixture.h"

#include <fstream>

namespace orrick::testing {
namespace {

using simreader::Family;

class SectorTest : public SimReaderTest {
protected:
    void SetUp() override {
        reader = &AddReader(Family::MultiSlot, Names({"sdb", "sdc", "sdd", "sde"}));
        context = Identified("sdc"); // LUN 1: the SD slot
        ASSERT_TRUE(device.OpenReaderDrive(context.driveName, context));
    }
    void TearDown() override { device.CloseReaderDrive(context); }

    std::array<uint8_t, 512> Pattern(uint8_t seed) {
        std::array<uint8_t, 512> p;
        for (size_t i = 0; i < p.size(); ++i)
            p[i] = static_cast<uint8_t>(seed + i * 7);
        return p;
    }

    simreader::SimController* reader = nullptr;
    ReaderContext context;
};

TEST_F(SectorTest, WriteToProtectedCardReportsProtectionNotTransport) {
    reader->InsertCard(1, WriteProtectedCard());
    const auto pattern = Pattern(1);
    EXPECT_EQ(device.WriteSectors(10, 1, pattern, context), WriteResult::WriteProtected);
    EXPECT_EQ(context.errorFlags & TransportFailure, 0u);
    EXPECT_NE(reader->CardBlock(1, 10), std::vector<uint8_t>(pattern.begin(), pattern.end()));
}

TEST_F(SectorTest, FailedWriteRequestReportsTransportAndSetsTheFlag) {
    reader->InsertCard(1, {});
    backend.FailRequests({"sdc", scsi::kWrite10, 1});
    EXPECT_EQ(device.WriteSectors(10, 1, Pattern(1), context), WriteResult::TransportFailed);
    EXPECT_NE(context.errorFlags & TransportFailure, 0u);
}

TEST_F(SectorTest, OtherScsiErrorsOnWriteAreRejected) {
    // No card in the slot: the device answers "not ready".
    EXPECT_EQ(device.WriteSectors(0, 1, Pattern(1), context), WriteResult::Rejected);
    reader->InsertCard(1, CardOfBlocks(100));
    EXPECT_EQ(device.WriteSectors(100, 1, Pattern(1), context), WriteResult::Rejected)
        << "past the last block";
    EXPECT_EQ(context.errorFlags, 0u);
}

TEST_F(SectorTest, APulledReaderIsToldFromAFailedTransfer) {
    reader->InsertCard(1, {});
    std::array<uint8_t, 512> buffer{};
    backend.FailRequests({"sdc", scsi::kRead10, 1});
    EXPECT_FALSE(device.ReadSectors(0, 1, buffer, context));
    EXPECT_EQ(context.osError, 0) << "a transfer that failed on its own";

    backend.Unplug(0);
    EXPECT_FALSE(device.ReadSectors(0, 1, buffer, context));
    EXPECT_EQ(context.errorFlags, TransportFailure);
    EXPECT_EQ(context.osError, ENODEV);
    EXPECT_EQ(device.WriteSectors(0, 1, Pattern(1), context), WriteResult::TransportFailed);
    EXPECT_EQ(context.osError, ENODEV);
}

TEST_F(SectorTest, ReadsDoNotJudgeScsiStatus) {
    std::array<uint8_t, 512> buffer{};
    EXPECT_TRUE(device.ReadSectors(0, 1, buffer, context))
        << "no card, but the request went through";
    backend.FailRequests({"sdc", scsi::kRead10, 1});
    EXPECT_FALSE(device.ReadSectors(0, 1, buffer, context));
    EXPECT_EQ(context.errorFlags, TransportFailure);
}

TEST_F(SectorTest, BufferTooSmallForTheCountIsNotSent) {
    reader->InsertCard(1, {});
    backend.ClearSentRequests();
    std::array<uint8_t, 512> buffer{};
    EXPECT_FALSE(device.ReadSectors(0, 2, buffer, context));
    EXPECT_EQ(device.WriteSectors(0, 2, buffer, context), WriteResult::TransportFailed);
    EXPECT_NE(context.errorFlags & TransportFailure, 0u);
    EXPECT_TRUE(backend.SentRequests().empty());
}

TEST_F(SectorTest, WrittenSectorsReachTheCardImageFile) {
    TempDir tmp;
    const auto image = tmp.path() / "sd.img";
    reader->InsertCard(1, CardOfBlocks(4097, image));
    ASSERT_EQ(std::filesystem::file_size(image), 4097u * 512);

    const auto pattern = Pattern(9);
    ASSERT_EQ(device.WriteSectors(4096, 1, pattern, context), WriteResult::Written);
    std::array<uint8_t, 512> back{};
    ASSERT_TRUE(device.ReadSectors(4096, 1, back, context));
    EXPECT_EQ(back, pattern);

    std::ifstream in(image, std::ios::binary);
    in.seekg(4096 * 512);
    std::array<uint8_t, 512> onDisk{};
    in.read(reinterpret_cast<char*>(onDisk.data()), onDisk.size());
    EXPECT_EQ(onDisk, pattern);
}

TEST_F(SectorTest, CardsOnAnotherLunAreNotReached) {
    reader->InsertCard(0, {}); // CF, LUN 0
    EXPECT_EQ(device.WriteSectors(0, 1, Pattern(3), context), WriteResult::Rejected);
    reader->InsertCard(1, {});
    EXPECT_EQ(device.WriteSectors(0, 1, Pattern(3), context), WriteResult::Written);
    EXPECT_EQ(reader->CardBlock(0, 0), std::vector<uint8_t>(512, 0));
}

TEST_F(SectorTest, UnpluggedReaderFailsTheOpenHandle) {
    reader->InsertCard(1, {});
    backend.Unplug(0);
    std::array<uint8_t, 512> buffer{};
    EXPECT_FALSE(device.ReadSectors(0, 1, buffer, context));
    EXPECT_FALSE(device.IsRemovableOrOptical("sdc"));
    backend.Replug(0);
    EXPECT_TRUE(device.IsRemovableOrOptical("sdc"));
}

} // namespace
} // namespace orrick::testing
