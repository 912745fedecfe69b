// EF_ADN / EF_LND records: an alpha identifier of recordLength - 14 bytes
// followed by the 14-byte dialling-number part.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "codec_common.h"

namespace nimbrel {

// Bytes after the alpha identifier: length, TON/NPI, 10 BCD bytes,
// capability identifier, extension identifier.
constexpr std::size_t kDiallingTailBytes = 14;
constexpr std::size_t kDiallingDigitBytes = 10;
constexpr std::size_t kMaxDiallingDigits = 2 * kDiallingDigitBytes;

// Most characters a name may have in an alpha field of `alphaBytes` bytes.
constexpr std::size_t MaxGsmNameChars(std::size_t alphaBytes) {
    return alphaBytes;
}
constexpr std::size_t MaxUcs2NameChars(std::size_t alphaBytes) {
    return alphaBytes == 0 ? 0 : (alphaBytes - 1) / 2;
}

// Decodes the alpha identifier into name / nameUcs2 / nameLength. Counts that
// the card gives beyond the field or beyond the item are cut to them.
void DecodeAlphaIdentifier(std::span<const uint8_t> alpha, _PHONEBOOK_ITEM& item);

// Decodes a whole record (at least 14 bytes, else QUARN_E_OUT_OF_RANGE with
// item untouched) into item.
QuarnResult DecodeDiallingRecord(std::span<const uint8_t> record, _PHONEBOOK_ITEM& item);

// Encodes item into a record of out.size() bytes (14 to 255). A UCS2 name
// goes out in the 0x80 form, or in the 0x82 form when it holds characters
// whose high byte is FF (which would end a 0x80 name). A name or number that
// does not fit the record, or a number with a character that cannot be
// dialled, fails with QUARN_E_OUT_OF_RANGE and leaves out as it was.
EncodeResult EncodeDiallingRecord(const _PHONEBOOK_ITEM& item, std::span<uint8_t> out);

} // namespace nimbrel
