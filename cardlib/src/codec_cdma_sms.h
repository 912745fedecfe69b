// R-UIM SMS records: status, message length, then a point-to-point SMS
// transport message (parameters of identifier, length and data; the bearer
// data parameter holds subparameters of bit fields, most significant bit
// first).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "codec_common.h"

namespace nimbrel {

constexpr std::size_t kCdmaRecordBytes = sizeof(_CDMA_SMS_ITEM::record);

// User-data encodings of the bearer data.
enum CdmaEncoding : uint8_t {
    kCdmaOctet = 0,
    kCdmaExtendedProtocol = 1,
    kCdmaAscii7 = 2,
    kCdmaIa5 = 3,
    kCdmaUnicode = 4,
    kCdmaLatinHebrew = 7,
    kCdmaLatin = 8,
    kCdmaGsm7 = 9,
    kCdmaGsmDcs = 10,
};

// Decodes `record` into status, address, timeStamp, text, textUcs2 and
// callback, all cleared first. Lengths and counts from the card are cut to
// the message, the parameter and the item's fields. User data goes to text
// for 7-bit ASCII and IA5, the GSM alphabet (through its table), octets and
// Latin; to textUcs2 for Latin/Hebrew (converted) and every 16-bit
// encoding; a GSM data coding scheme (10) picks one of those by its byte.
// The extended protocol (1) has a layout of its own and is not shown.
void DecodeCdmaSmsRecord(std::span<const uint8_t> record, _CDMA_SMS_ITEM& item);

// Rebuilds item.record by item.status as EncodeSmsRecord does (0 erase,
// 1 unread becomes read, 7 a new message to the address, others kept). A
// character of the address that is not a DTMF digit is written as '#' and
// replaced by '#' in item.address. An unterminated address or text fails with
// QUARN_E_OUT_OF_RANGE and changes nothing. The result's length is the number
// of leading record bytes that carry content.
EncodeResult EncodeCdmaSmsRecord(_CDMA_SMS_ITEM& item);

} // namespace nimbrel
