// Card answers found by feeding arbitrary answers through the whole library:
// each case is an answer that once left a returned record partly undefined or
// reached past the bytes the card sent.
#include <algorithm>
#include <cstring>
#include <string>

#include "fake_pcsc_fixture.h"

using fake_pcsc::Bytes;
using fake_pcsc::Hex;

namespace {

class CardAnswerTest : public FakePcscTest {
protected:
    void SetUp() override {
        FakePcscTest::SetUp();
        OneScriptedReader();
        handle_ = Open();
    }
    QuarnConnection handle_ = 0;
};

template <typename Item> bool TailIs(const Item& item, std::size_t from, std::uint8_t value) {
    return std::all_of(std::begin(item.record) + from, std::end(item.record),
                       [value](std::uint8_t b) { return b == value; });
}

// A card whose SMS records are shorter than the record image: the image past
// them is unused-record padding, never what the caller's item held before.
TEST_F(CardAnswerTest, ShortSmsRecordLeavesNoCallerBytesInTheImage) {
    Bytes record = Hex("01 07 91 94 71 01 67 00 00 04 0B 91 94 71 01 67 00 F0 00 00");
    record.resize(32, 0xFF);
    Bytes answer = record;
    answer.push_back(0x90);
    answer.push_back(0x00);
    fake_pcsc::Script({{"GSM record", Hex("A0 B2 01 04 20"), answer},
                       {"R-UIM record", Hex("A0 B2 01 04 20"), answer}});
    _FILE_INFO fi{32, 32, 1};

    _SMS_ITEM sms;
    std::memset(&sms, 0xAB, sizeof sms);
    ASSERT_EQ(Quarn_ReadSMSBook(handle_, &fi, &sms, 1), QUARN_OK);
    EXPECT_TRUE(std::equal(record.begin(), record.end(), sms.record));
    EXPECT_TRUE(TailIs(sms, record.size(), 0xFF));

    _CDMA_SMS_ITEM cdma;
    std::memset(&cdma, 0xAB, sizeof cdma);
    ASSERT_EQ(Quarn_ReadCDMASMSBook(handle_, &fi, &cdma, 1), QUARN_OK);
    EXPECT_TRUE(TailIs(cdma, record.size(), 0xFF));
}

// A card that claims a full-size EF under every identifier of its 7Fxx
// directories: the sizes add up past what the int result can hold, and the
// walk fails instead of reporting a wrapped, negative or meaningless total.
TEST(CardAnswerWalkTest, FileMapTotalBeyondIntIsAnErrorNotAWrappedSize) {
    fake_pcsc::Reset();
    nimbrel::ResetModuleState();
    std::uint16_t selected = 0;
    auto card = [&selected](const Bytes& command) -> Bytes {
        if (command.size() >= 7 && command[1] == 0xA4) {
            selected = static_cast<std::uint16_t>(command[5] << 8 | command[6]);
            const std::uint8_t high = selected >> 8;
            return high == 0x5F ? Hex("94 04") : Hex("9F 0F");
        }
        if (command.size() >= 2 && command[1] == 0xC0) {
            // GSM form: file size, identifier, type of file (02 DF, 04 EF).
            const bool directory = selected == 0x3F00 || (selected >> 8) == 0x7F;
            Bytes answer = Hex("00 00 FF FF");
            answer.push_back(static_cast<std::uint8_t>(selected >> 8));
            answer.push_back(static_cast<std::uint8_t>(selected));
            answer.push_back(directory ? 0x02 : 0x04);
            answer.resize(15, 0x00);
            answer.push_back(0x90);
            answer.push_back(0x00);
            return answer;
        }
        return Hex("6D 00");
    };
    fake_pcsc::SetReaders({{"Generic MultiCard reader 1.0 00 00", true, 1, card}});
    QuarnConnection handle = 0;
    ASSERT_EQ(Quarn_Connect(&handle), QUARN_OK);
    int total = -7;
    EXPECT_EQ(Quarn_GetSIMFileMapSize(handle, &total), QUARN_E_BAD_ANSWER);
    EXPECT_EQ(total, -7);
    EXPECT_GT(fake_pcsc::CallCount(fake_pcsc::Call::Transmit), 100000) << "the walk ended early";
    EXPECT_EQ(Quarn_DisConnect(handle), QUARN_OK);
    fake_pcsc::Reset();
    nimbrel::ResetModuleState();
}

} // namespace
