// Random and mutated card records through every decoder that takes card
// bytes, with a fixed seed so that a failure repeats. Under the sanitizer
// build this catches any read or write outside the records; the checks below
// catch fields left without their terminator.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "codec_cdma_sms.h"
#include "codec_pbr.h"
#include "codec_phonebook.h"
#include "codec_select.h"
#include "codec_sms.h"
#include "codec_test_util.h"

using namespace nimbrel;
using namespace codec_test;

namespace {

constexpr int kRounds = 4000;

class RandomRecords {
public:
    explicit RandomRecords(uint32_t seed) : rng_(seed) {}

    // Alternates pure noise with a valid seed record of which a few bytes
    // are changed, so that the walks get deep into the structures.
    std::vector<uint8_t> Next(const std::vector<std::vector<uint8_t>>& seeds,
                              std::size_t maxLength) {
        std::vector<uint8_t> bytes;
        if (Below(3) == 0 || seeds.empty()) {
            bytes.resize(Below(maxLength + 1));
            for (auto& b : bytes)
                b = Byte();
        } else {
            bytes = seeds[Below(seeds.size())];
            const std::size_t changes = 1 + Below(6);
            for (std::size_t i = 0; i < changes && !bytes.empty(); ++i)
                bytes[Below(bytes.size())] = Below(4) == 0 ? 0xFF : Byte();
            if (Below(4) == 0)
                bytes.resize(Below(bytes.size() + 1));
        }
        return bytes;
    }

private:
    std::size_t Below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_);
    }
    uint8_t Byte() { return static_cast<uint8_t>(Below(256)); }

    std::mt19937 rng_;
};

TEST(RandomRecords, DiallingDecoderStaysInsideItsFields) {
    RandomRecords random(1);
    const std::vector<std::vector<uint8_t>> seeds = {
        Padded(Hex("81 0B 08 81 82 83 84 85 86 87 88 89 8A 8B 00 FF 06 91 2143658709"), 28, 0xFF),
        Padded(Hex("82 FF 04 10 C1 C2 41 42 43 44 45 46 47 48 04 81 21 43F5"), 28, 0xFF),
        Padded(Hex("80 0041 0042 0043 0044 0045 0046 FF 04 81 21 43F5"), 28, 0xFF),
    };
    for (int i = 0; i < kRounds; ++i) {
        const auto record = random.Next(seeds, 255);
        _PHONEBOOK_ITEM item;
        std::memset(&item, 0xCC, sizeof item);
        if (DecodeDiallingRecord(record, item) != QUARN_OK) {
            ASSERT_LT(record.size(), kDiallingTailBytes);
            continue;
        }
        ASSERT_TRUE(Terminated(item.name));
        ASSERT_TRUE(Ucs2Terminated(item.nameUcs2));
        ASSERT_TRUE(Terminated(item.number));
        ASSERT_LE(std::strlen(item.number), 21u);
        ASSERT_GE(item.nameLength, 0);
        ASSERT_LE(item.nameLength, static_cast<int>(record.size() - kDiallingTailBytes));
        ASSERT_LE(item.nameLength, 241);
    }
}

TEST(RandomRecords, SmsDecoderStaysInsideItsFields) {
    RandomRecords random(2);
    const std::vector<std::vector<uint8_t>> seeds = {
        Hex("01 07 91 447758100650 04 05 91 2143F5 00 00 21117031520000 05 E8329BFD06"),
        Hex("01 00 04 03 81 21F3 00 08 21117031520000 04 0410 0411"),
        Hex("07 00 19 00 03 91 21F3 00 04 21117031520000 03 414243"),
        Padded(Hex("01 00 04 03 81 21F3 00 00 21117031520000 FF"), kSmsRecordBytes, 0xFF),
    };
    for (int i = 0; i < kRounds; ++i) {
        const auto record = random.Next(seeds, kSmsRecordBytes);
        _SMS_ITEM item;
        std::memset(&item, 0xCC, sizeof item);
        DecodeSmsRecord(record, item);
        ASSERT_TRUE(Terminated(item.address));
        ASSERT_TRUE(Terminated(item.timeStamp));
        ASSERT_TRUE(Terminated(item.text));
        ASSERT_TRUE(Ucs2Terminated(item.textUcs2));
    }
}

TEST(RandomRecords, CdmaDecoderStaysInsideItsFields) {
    RandomRecords random(3);
    const std::vector<std::vector<uint8_t>> seeds = {
        Hex("03 28 00 00021002 02 07 02955448D159C0 08 18 0003100010 0104 10148D20 "
            "0306 211107132500 0E03 01C888"),
        Hex("07 1A 00 00021002 04 04 012A4480 0601FC 080A 000314EBB0 0103100C10"),
        Hex("01 0A 00 08 08 01 06 20127B02CBE8"),
    };
    for (int i = 0; i < kRounds; ++i) {
        const auto record = random.Next(seeds, kCdmaRecordBytes);
        _CDMA_SMS_ITEM item;
        std::memset(&item, 0xCC, sizeof item);
        DecodeCdmaSmsRecord(record, item);
        ASSERT_TRUE(Terminated(item.address));
        ASSERT_TRUE(Terminated(item.timeStamp));
        ASSERT_TRUE(Terminated(item.text));
        ASSERT_TRUE(Ucs2Terminated(item.textUcs2));
        ASSERT_TRUE(Terminated(item.callback));
    }
}

TEST(RandomRecords, PbrParserNamesOnlyWhatIsThere) {
    RandomRecords random(4);
    const std::vector<std::vector<uint8_t>> seeds = {
        Hex("A8 0F C5 03 4F0902 C0 03 4F3B03 C4 03 4F2504 A9 05 C1 03 4F2605 AA 03 C2 01 4F"),
        Hex("A9 05 C1 03 4F2605 A8 04 C0 02 4F3D"),
    };
    for (int i = 0; i < kRounds; ++i) {
        const auto record = random.Next(seeds, 255);
        const PbrRecord parsed = ParsePbrRecord(record);
        if (parsed.kind == PbrRecordKind::Adn) {
            // The identifier must be two bytes that follow a C0 tag.
            bool found = false;
            for (std::size_t j = 0; j + 3 < record.size() && !found; ++j)
                found =
                    record[j] == 0xC0 && (record[j + 2] << 8 | record[j + 3]) == parsed.adnFileId;
            ASSERT_TRUE(found);
        }
    }
}

TEST(RandomRecords, SelectAnswerGeometryIsConsistentOrRefused) {
    RandomRecords random(5);
    const std::vector<std::vector<uint8_t>> seeds = {
        Hex("62 1E 82 05 42 21 00 1C FA 83 02 4F 3A A5 03 80 01 71 8A 01 05 8B 03 6F 06 02 80 02 "
            "1B 58 88 00"),
        Hex("00 00 06 D6 6F 3A 04 00 11 FF 22 01 02 00 1C"),
        Hex("62 0B 82 02 78 21 83 02 3F 00 C6 01 90"),
    };
    for (int i = 0; i < kRounds; ++i) {
        const auto answer = random.Next(seeds, 64);
        _FILE_INFO info{-1, -1, -1};
        if (FileInfoFromSelect(answer, &info) != QUARN_OK) {
            ASSERT_EQ(info.fileSize, -1); // untouched
            continue;
        }
        ASSERT_GE(info.recordLength, 0);
        ASSERT_GE(info.recordCount, 0);
        if (IsFcp(answer)) {
            ASSERT_EQ(info.fileSize, info.recordLength * info.recordCount);
        } else {
            ASSERT_GT(info.recordLength, 0);
            ASSERT_EQ(info.recordCount, info.fileSize / info.recordLength);
        }
    }
}

} // namespace
