#include <gtest/gtest.h>

#include <vector>

#include "codec_pbr.h"
#include "codec_test_util.h"

using namespace nimbrel;
using namespace codec_test;

namespace {

struct PbrVector {
    const char* name;
    const char* record;
    PbrRecordKind kind;
    uint16_t fileId;
};

void PrintTo(const PbrVector& v, std::ostream* os) {
    *os << v.name;
}

// Reference records in the layout of TS 31.102 4.4.2.1, padded with FF.
class PbrRecordTest : public ::testing::TestWithParam<PbrVector> {};

TEST_P(PbrRecordTest, Parses) {
    const auto record = Padded(Hex(GetParam().record), 64, 0xFF);
    const PbrRecord parsed = ParsePbrRecord(record);
    EXPECT_EQ(parsed.kind, GetParam().kind);
    if (parsed.kind == PbrRecordKind::Adn) {
        EXPECT_EQ(parsed.adnFileId, GetParam().fileId);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Records, PbrRecordTest,
    ::testing::Values(
        PbrVector{"type 1 with ADN first", "A8 0A C0 02 4F3A C5 02 4F09 C6 02 4F4A",
                  PbrRecordKind::Adn, 0x4F3A},
        PbrVector{"ADN with short file identifier",
                  "A8 0F C5 03 4F0902 C0 03 4F3B03 C4 03 4F2504 A9 05 C1 03 4F2605 AA 03 C2 01 4F",
                  PbrRecordKind::Adn, 0x4F3B},
        PbrVector{"long length form", "A8 81 04 C0 02 4F3C", PbrRecordKind::Adn, 0x4F3C},
        PbrVector{"type 2 first, type 1 later", "A9 05 C1 03 4F2605 A8 04 C0 02 4F3D",
                  PbrRecordKind::Adn, 0x4F3D},
        PbrVector{"type 2 only", "A9 05 C1 03 4F2605", PbrRecordKind::NoAdn, 0},
        PbrVector{"type 3 only", "AA 04 C2 02 4F4B", PbrRecordKind::NoAdn, 0},
        PbrVector{"free record", "", PbrRecordKind::Invalid, 0},
        PbrVector{"type 1 without ADN", "A8 04 C5 02 4F09", PbrRecordKind::Invalid, 0},
        PbrVector{"ADN value too short", "A8 03 C0 01 4F", PbrRecordKind::Invalid, 0},
        PbrVector{"unknown first tag", "62 04 C0 02 4F3A", PbrRecordKind::Invalid, 0},
        PbrVector{"template longer than the record", "A8 FE C0 02 4F3A", PbrRecordKind::Invalid, 0},
        PbrVector{"ADN entry longer than its template", "A8 03 C0 02 4F3A", PbrRecordKind::Invalid,
                  0},
        PbrVector{"indefinite length", "A8 80 C0 02 4F3A 0000", PbrRecordKind::Invalid, 0}));

TEST(PbrRecord, EmptyAndOneByteRecords) {
    EXPECT_EQ(ParsePbrRecord({}).kind, PbrRecordKind::Invalid);
    const std::vector<uint8_t> one{0xA8};
    EXPECT_EQ(ParsePbrRecord(one).kind, PbrRecordKind::Invalid);
}

TEST(PbrTable, HoldsFifteenFilesAndRefusesTheSixteenth) {
    _USIM_PHONEBOOK_INFO info{};
    for (int i = 0; i < 15; ++i) {
        const _FILE_INFO file{28 * (i + 1), 28, i + 1};
        ASSERT_EQ(AppendAdnFile(info, static_cast<uint16_t>(0x4F30 + i), file), QUARN_OK);
    }
    const _USIM_PHONEBOOK_INFO full = info;
    EXPECT_EQ(AppendAdnFile(info, 0x4F40, _FILE_INFO{28, 28, 1}), QUARN_E_OUT_OF_RANGE);
    EXPECT_EQ(std::memcmp(&info, &full, sizeof info), 0);
    EXPECT_EQ(info.fileCount, 15);
    EXPECT_EQ(info.totalRecords, 15 * 16 / 2);
    EXPECT_EQ(info.fileId[14], 0x4F3E);
    EXPECT_EQ(info.files[14].recordCount, 15);
}

} // namespace
