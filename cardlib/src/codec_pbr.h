// EF_PBR, the USIM phone-book reference file: each record lists the files of
// one part of the phone book in templates A8 (type 1: one record per entry,
// among them EF_ADN under tag C0), A9 (type 2) and AA (type 3).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "codec_common.h"

namespace nimbrel {

constexpr std::size_t kMaxAdnFiles = 15;

enum class PbrRecordKind {
    Adn,     // lists an ADN file
    NoAdn,   // only type 2 / type 3 templates: nothing to read as names
    Invalid, // not a reference record (free 0xFF record, unknown tag, A8 without C0)
};

struct PbrRecord {
    PbrRecordKind kind = PbrRecordKind::Invalid;
    uint16_t adnFileId = 0;
};

// Parses one EF_PBR record. The first template must be A8, A9 or AA; the
// record's templates are walked to the end, stopping at 0xFF padding.
PbrRecord ParsePbrRecord(std::span<const uint8_t> record);

// Appends one ADN file to the table. Fails with QUARN_E_OUT_OF_RANGE and
// leaves the table unchanged when its 15 places are taken.
QuarnResult AppendAdnFile(_USIM_PHONEBOOK_INFO& info, uint16_t fileId, const _FILE_INFO& file);

} // namespace nimbrel
