// Transmit and the status-word rules, through scripted answers.
#include <ostream>
#include <string>

#include "fake_pcsc_fixture.h"
#include "file_access.h"

using fake_pcsc::Hex;
using fake_pcsc::Step;

namespace {

class Transport : public FakePcscTest {
protected:
    QuarnResult Send(const std::string& header, const std::string& data, bool hasData,
                     int* length = nullptr) {
        auto h = Hex(header);
        auto d = Hex(data);
        const nimbrel::Command command =
            hasData ? nimbrel::Command::Sending(h[0], h[1], h[2], h[3], d)
                    : nimbrel::Command::Expecting(h[0], h[1], h[2], h[3], h[4]);
        response_ = nimbrel::Transmit(Link(handle_), command);
        sw_[0] = response_.sw1();
        sw_[1] = response_.sw2();
        if (length)
            *length = static_cast<int>(response_.data().size());
        return response_.result;
    }
    void SetUp() override {
        FakePcscTest::SetUp();
        OneScriptedReader();
        handle_ = Open();
    }
    QuarnConnection handle_ = 0;
    nimbrel::Response response_{};
    std::uint8_t sw_[2] = {0, 0};
};

struct SwCase {
    const char* answer;
    QuarnResult expected;
};

// Test names and logs show the case by its name.
void PrintTo(const SwCase& c, std::ostream* os) {
    *os << c.answer;
}

class StatusWords : public Transport, public testing::WithParamInterface<SwCase> {};

TEST_P(StatusWords, AcceptedSw1SetAndLastStatusWord) {
    auto answer = Hex(GetParam().answer);
    fake_pcsc::Script({{"status", Hex("A0 F2 00 00 00"), answer}});
    EXPECT_EQ(Send("A0 F2 00 00 00", "", false), GetParam().expected);
    std::uint16_t word = static_cast<std::uint16_t>((answer[0] << 8) | answer[1]);
    EXPECT_EQ(Quarn_GetStatusWord(), word);
    EXPECT_EQ(sw_[0], answer[0]);
    EXPECT_EQ(sw_[1], answer[1]);
}

INSTANTIATE_TEST_SUITE_P(
    Sw1, StatusWords,
    testing::Values(SwCase{"90 00", QUARN_OK}, SwCase{"91 10", QUARN_OK}, SwCase{"61 20", QUARN_OK},
                    SwCase{"63 C1", QUARN_OK}, SwCase{"93 00", QUARN_OK}, SwCase{"9E 05", QUARN_OK},
                    SwCase{"9F 17", QUARN_OK}, SwCase{"6A 82", QUARN_E_BAD_ANSWER},
                    SwCase{"6E 00", QUARN_E_BAD_ANSWER}, SwCase{"6C 1C", QUARN_E_BAD_ANSWER},
                    SwCase{"98 04", QUARN_E_BAD_ANSWER}, SwCase{"94 04", QUARN_E_BAD_ANSWER},
                    SwCase{"67 00", QUARN_E_BAD_ANSWER}, SwCase{"00 00", QUARN_E_BAD_ANSWER}));

TEST_F(Transport, CommandCarriesP3DataBytesOnlyWithData) {
    fake_pcsc::Script({{"case 3", Hex("A0 A4 00 00 02 3F 00"), Hex("9F 16")},
                       {"case 2", Hex("A0 C0 00 00 16"), Hex("90 00")},
                       {"data flag, P3 0", Hex("A0 DC 01 04 00"), Hex("90 00")}});
    EXPECT_EQ(Send("A0 A4 00 00 02", "3F 00", true), QUARN_OK);
    EXPECT_EQ(Send("A0 C0 00 00 16", "", false), QUARN_OK);
    EXPECT_EQ(Send("A0 DC 01 04 00", "", true), QUARN_OK);
}

TEST_F(Transport, ResponseDataIsSplitFromTheStatusWord) {
    fake_pcsc::Script({{"read", Hex("A0 B0 00 00 03"), Hex("11 22 33 90 00")}});
    int length = -1;
    ASSERT_EQ(Send("A0 B0 00 00 03", "", false, &length), QUARN_OK);
    ASSERT_EQ(length, 3);
    EXPECT_EQ(response_.data()[0], 0x11);
    EXPECT_EQ(response_.data()[2], 0x33);
}

TEST_F(Transport, FailureKeepsTheLastStatusWordOfTheLastAnswer) {
    fake_pcsc::Script({{"rejected", Hex("A0 A4 00 00 02 6F 3A"), Hex("94 04")},
                       {"too short", Hex("A0 F2 00 00 00"), Hex("90")},
                       {"empty", Hex("A0 F2 00 00 00"), Hex("")}});
    EXPECT_EQ(Send("A0 A4 00 00 02", "6F 3A", true), QUARN_E_BAD_ANSWER);
    EXPECT_EQ(Quarn_GetStatusWord(), 0x9404);
    EXPECT_EQ(Send("A0 F2 00 00 00", "", false), QUARN_E_BAD_ANSWER);
    EXPECT_EQ(Send("A0 F2 00 00 00", "", false), QUARN_E_BAD_ANSWER);
    EXPECT_EQ(Quarn_GetStatusWord(), 0x9404);

    fake_pcsc::FailCall(fake_pcsc::Call::Transmit, 0x80100016);
    EXPECT_EQ(Send("A0 F2 00 00 00", "", false), 0x80100016u);
    EXPECT_EQ(Quarn_GetStatusWord(), 0x9404);
}

TEST_F(Transport, StatusWordStartsAt9000) {
    EXPECT_EQ(Quarn_GetStatusWord(), 0x9000);
}

TEST_F(Transport, MoreDataThanTheCallerHasRoomForIsRejected) {
    fake_pcsc::Bytes answer(300, 0xAB);
    answer.push_back(0x90);
    answer.push_back(0x00);
    fake_pcsc::Script({{"oversized", Hex("A0 B0 00 00 00"), answer}});
    int length = -1;
    EXPECT_EQ(Send("A0 B0 00 00 00", "", false, &length), QUARN_E_BAD_ANSWER);
    EXPECT_EQ(length, 0);
}

class TransportT1 : public FakePcscTest {};

TEST_F(TransportT1, SendsWithTheNegotiatedProtocol) {
    OneScriptedReader(2); // the fake rejects a PCI that does not match
    QuarnConnection handle = Open();
    EXPECT_EQ(Link(handle).protocol, nimbrel::pcsc::Protocol::T1);
    fake_pcsc::Script({{"status", Hex("A0 F2 00 00 00"), Hex("90 00")}});
    EXPECT_EQ(
        nimbrel::Transmit(Link(handle), nimbrel::Command::Expecting(0xA0, 0xF2, 0, 0, 0)).result,
        QUARN_OK);
}

// READ/UPDATE: exactly 9000 succeeds, other accepted words become 0x7220xxxx.
struct CommandCase {
    const char* answer;
    QuarnResult expected;
};

// Test names and logs show the case by its name.
void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.answer;
}

class CommandLevel : public Transport, public testing::WithParamInterface<CommandCase> {};

TEST_P(CommandLevel, ReadRecordReadBinaryAndUpdateRecordShareTheRule) {
    auto answer = Hex(GetParam().answer);
    fake_pcsc::Bytes record(4, 0x5A);
    record.insert(record.end(), answer.begin(), answer.end());
    fake_pcsc::Bytes binary(2, 0x5A);
    binary.insert(binary.end(), answer.begin(), answer.end());
    fake_pcsc::Script({{"read record", Hex("A0 B2 01 04 04"), record},
                       {"read binary", Hex("A0 B0 00 00 02"), binary},
                       {"update record", Hex("A0 DC 02 04 04 01 02 03 04"), answer}});
    std::uint8_t buffer[4] = {};
    EXPECT_EQ(nimbrel::ReadRecord(Link(handle_), 1, nimbrel::kRecordAbsolute, buffer),
              GetParam().expected);
    std::size_t length = 0;
    EXPECT_EQ(nimbrel::ReadBinary(Link(handle_), 0, std::span(buffer, 2), &length),
              GetParam().expected);
    const std::uint8_t data[4] = {1, 2, 3, 4};
    EXPECT_EQ(nimbrel::UpdateRecord(Link(handle_), 2, nimbrel::kRecordAbsolute, data),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Words, CommandLevel,
                         testing::Values(CommandCase{"90 00", QUARN_OK},
                                         CommandCase{"63 C1", 0x722063C1u},
                                         CommandCase{"91 20", 0x72209120u},
                                         CommandCase{"9F 0F", 0x72209F0Fu},
                                         CommandCase{"6A 83", QUARN_E_BAD_ANSWER},
                                         CommandCase{"98 04", QUARN_E_BAD_ANSWER}));

TEST_F(Transport, ReadRecordOfAnotherLengthIsRejected) {
    fake_pcsc::Script({{"short record", Hex("A0 B2 01 04 1C"), Hex("FF FF 90 00")}});
    std::uint8_t buffer[0x1C];
    std::fill(std::begin(buffer), std::end(buffer), 0xEE);
    EXPECT_EQ(nimbrel::ReadRecord(Link(handle_), 1, nimbrel::kRecordAbsolute, buffer),
              QUARN_E_BAD_ANSWER);
    EXPECT_EQ(buffer[0], 0xEE); // nothing half-copied
}

TEST_F(Transport, ReadBinaryAsksForItsBufferAndReportsTheBytesReceived) {
    fake_pcsc::Script({{"iccid", Hex("A0 B0 00 10 0A"), Hex("98 94 00 10 32 90 00")},
                       {"longer than asked", Hex("A0 B0 00 00 02"), Hex("01 02 03 90 00")}});
    std::uint8_t buffer[0x0A];
    std::size_t length = 0;
    ASSERT_EQ(nimbrel::ReadBinary(Link(handle_), 0x0010, buffer, &length), QUARN_OK);
    EXPECT_EQ(length, 5u);
    // An answer longer than the buffer is cut to it, never written past it.
    ASSERT_EQ(nimbrel::ReadBinary(Link(handle_), 0, std::span(buffer, 2), &length), QUARN_OK);
    EXPECT_EQ(length, 2u);
    EXPECT_EQ(buffer[1], 0x02);
}

} // namespace
