// The wire format of every command, as sent by the device layer, and the
// Linux SG_IO request and result built from it.
#include "sg_backend.h"
#include "sim_fixture.h"

#include <gmock/gmock.h>

#include <functional>
#include <scsi/sg.h>

namespace orrick::testing {
namespace {

using ::testing::ElementsAreArray;

struct WireCase {
    const char* name;
    std::function<void(ReaderDevice&, ReaderContext&)> send;
    std::vector<uint8_t> cdb;
    DataDirection direction;
    size_t length;
    uint32_t timeout;
    uint8_t sense;
};

// Test listings name the case instead of dumping its bytes.
void PrintTo(const WireCase& c, std::ostream* os) {
    *os << c.name;
}

class WireFormatTest : public SimReaderTest, public ::testing::WithParamInterface<WireCase> {};

TEST_P(WireFormatTest, SendsExactCommandBlock) {
    simreader::SimController& reader = AddReader(simreader::Family::MultiSlot, Names({"sdb"}));
    reader.InsertCard(0, {});
    ReaderContext context;
    ASSERT_TRUE(device.OpenReaderDrive("sdb", context));
    GetParam().send(device, context);
    device.CloseReaderDrive(context);

    const auto sent = backend.SentRequests();
    ASSERT_EQ(sent.size(), 1u);
    const ScsiRequest& r = sent[0].request;
    EXPECT_EQ(sent[0].drive, "sdb");
    EXPECT_THAT(std::vector<uint8_t>(r.cdb.begin(), r.cdb.begin() + r.cdbLength),
                ElementsAreArray(GetParam().cdb));
    EXPECT_EQ(r.direction, GetParam().direction);
    EXPECT_EQ(r.data.size(), GetParam().length);
    EXPECT_EQ(r.timeoutSeconds, GetParam().timeout);
    EXPECT_EQ(r.senseLength, GetParam().sense);
}

std::array<uint8_t, 512> g_buffer;
std::array<uint8_t, 48> g_inquiry;

INSTANTIATE_TEST_SUITE_P(
    EveryCommand, WireFormatTest,
    ::testing::Values(WireCase{"Inquiry",
                               [](ReaderDevice& d, ReaderContext& c) {
                                   d.ScsiInquiry(c, g_inquiry);
                               },
                               {0x12, 0x00, 0x00, 0x00, 0x30, 0x00},
                               DataDirection::In,
                               48,
                               2,
                               24},
                      WireCase{"SetTestMode",
                               [](ReaderDevice& d, ReaderContext& c) { d.SetTestMode(c); },
                               {0xD0, 0x00, 0x00, 0x00, 0x10, 0x00, 0x01, 0x00, 0x00, 0x00},
                               DataDirection::In,
                               80,
                               2,
                               24},
                      WireCase{"ReadControllerMemory",
                               [](ReaderDevice& d, ReaderContext& c) {
                                   d.ReadControllerMemory(0x13, 0x50FC, 0x0102, g_buffer, c);
                               },
                               {0xD2, 0x00, 0x13, 0x00, 0x50, 0xFC, 0x00, 0x01, 0x02, 0x00},
                               DataDirection::In,
                               512,
                               2,
                               0},
                      WireCase{"ReadControllerMemoryExt",
                               [](ReaderDevice& d, ReaderContext& c) {
                                   d.ReadControllerMemoryExt(0xAB47F3, 2, g_buffer, c);
                               },
                               {0xFD, 0x00, 0x00, 0x47, 0xF3, 0x00, 0xAB, 0x00, 0x02, 0x00},
                               DataDirection::In,
                               512,
                               2,
                               0},
                      WireCase{"ReadSectors",
                               [](ReaderDevice& d, ReaderContext& c) {
                                   d.ReadSectors(0x01020304, 1, g_buffer, c);
                               },
                               {0x28, 0x00, 0x01, 0x02, 0x03, 0x04, 0x00, 0x00, 0x01, 0x00},
                               DataDirection::In,
                               512,
                               2,
                               0},
                      WireCase{"WriteSectors",
                               [](ReaderDevice& d, ReaderContext& c) {
                                   d.WriteSectors(0x00001000, 1, g_buffer, c);
                               },
                               {0x2A, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x01, 0x00},
                               DataDirection::Out,
                               512,
                               4,
                               24}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SgIoHeaderTest, CarriesTheRequestUnchanged) {
    std::array<uint8_t, 1024> data{};
    const ScsiRequest write = MakeWrite10(0x00ABCDEF, 2, data);
    sg_io_hdr_t header;
    std::array<uint8_t, ScsiRequest::kMaxSense> sense;
    sense.fill(0xEE);
    BuildSgIoHeader(write, header, sense);

    EXPECT_EQ(header.interface_id, 'S');
    EXPECT_EQ(header.dxfer_direction, SG_DXFER_TO_DEV);
    ASSERT_EQ(header.cmd_len, 10);
    EXPECT_THAT(std::vector<uint8_t>(header.cmdp, header.cmdp + 10),
                ElementsAreArray({0x2A, 0x00, 0x00, 0xAB, 0xCD, 0xEF, 0x00, 0x00, 0x02, 0x00}));
    EXPECT_EQ(header.dxfer_len, 1024u);
    EXPECT_EQ(header.dxferp, data.data());
    EXPECT_EQ(header.mx_sb_len, 24);
    EXPECT_EQ(header.sbp, sense.data());
    EXPECT_EQ(sense[0], 0) << "sense area is cleared before the request";
    EXPECT_EQ(header.timeout, 4000u);

    std::array<uint8_t, 48> inquiryData{};
    BuildSgIoHeader(MakeInquiry(inquiryData), header, sense);
    EXPECT_EQ(header.dxfer_direction, SG_DXFER_FROM_DEV);
    EXPECT_EQ(header.dxfer_len, 48u);
    EXPECT_EQ(header.timeout, 2000u);
    EXPECT_EQ(header.mx_sb_len, 24);

    std::array<uint8_t, 512> memory{};
    BuildSgIoHeader(MakeReadControllerMemory(0x12, 0x80, 15, memory), header, sense);
    EXPECT_EQ(header.dxfer_len, 512u);
    EXPECT_EQ(header.mx_sb_len, 0);
}

struct SgResultCase {
    const char* name;
    int ioctlResult;
    unsigned short host, driver;
    unsigned char status;
    unsigned char senseWritten;
    uint8_t senseKeyByte;
    int resid;
    bool transportOk;
    uint8_t expectStatus, expectSense;
    uint32_t expectTransferred;
};

// Test listings name the case instead of dumping its bytes.
void PrintTo(const SgResultCase& c, std::ostream* os) {
    *os << c.name;
}

class SgResultTest : public ::testing::TestWithParam<SgResultCase> {};

TEST_P(SgResultTest, SeparatesTransportFromDeviceAnswer) {
    const SgResultCase& c = GetParam();
    sg_io_hdr_t header{};
    header.dxfer_len = 512;
    header.host_status = c.host;
    header.driver_status = c.driver;
    header.status = c.status;
    header.sb_len_wr = c.senseWritten;
    header.resid = c.resid;
    std::array<uint8_t, ScsiRequest::kMaxSense> sense{};
    sense[0] = 0x70;
    sense[2] = c.senseKeyByte;
    const ScsiResult r = ReadSgIoResult(c.ioctlResult, header, sense);
    EXPECT_EQ(r.transportOk, c.transportOk);
    if (c.transportOk) {
        EXPECT_EQ(r.scsiStatus, c.expectStatus);
        EXPECT_EQ(r.senseByte2, c.expectSense);
        EXPECT_EQ(r.transferred, c.expectTransferred);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Results, SgResultTest,
    ::testing::Values(
        SgResultCase{"Good", 0, 0, 0, 0, 0, 0, 0, true, 0, 0, 512},
        SgResultCase{"ShortTransfer", 0, 0, 0, 0, 0, 0, 100, true, 0, 0, 412},
        SgResultCase{"IoctlFailed", -1, 0, 0, 0, 0, 0, 0, false, 0, 0, 0},
        SgResultCase{"HostError", 0, 0x07, 0, 0, 0, 0, 0, false, 0, 0, 0},
        SgResultCase{"DriverTimeout", 0, 0, 0x06, 0, 0, 0, 0, false, 0, 0, 0},
        SgResultCase{"WriteProtected", 0, 0, 0x08, 0x02, 18, 0x07, 512, true, 0x02, 0x07, 0},
        SgResultCase{"CheckWithoutSense", 0, 0, 0x08, 0x02, 0, 0x07, 0, true, 0x02, 0x00, 512},
        SgResultCase{"BogusResid", 0, 0, 0, 0, 0, 0, 4096, true, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SgResultTest, KeepsTheSystemsErrorOfARefusedRequest) {
    sg_io_hdr_t header{};
    const std::array<uint8_t, ScsiRequest::kMaxSense> sense{};
    const ScsiResult gone = ReadSgIoResult(-1, header, sense, ENODEV);
    EXPECT_FALSE(gone.transportOk);
    EXPECT_EQ(gone.osError, ENODEV);
    EXPECT_TRUE(gone.DeviceGone());
    EXPECT_FALSE(ReadSgIoResult(-1, header, sense, EIO).DeviceGone());
    header.host_status = 0x07;
    EXPECT_FALSE(ReadSgIoResult(0, header, sense).DeviceGone());
    EXPECT_EQ(ReadSgIoResult(0, header, sense).osError, 0);
}

} // namespace
} // namespace orrick::testing
