// EF_SMS records: status byte, service-centre address, then an SMS-DELIVER or
// SMS-SUBMIT TPDU, padded with 0xFF to 176 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "codec_common.h"

namespace nimbrel {

constexpr std::size_t kSmsRecordBytes = sizeof(_SMS_ITEM::record);
constexpr std::size_t kMaxSmsAddressDigits = 20;
constexpr std::size_t kMaxSmsSeptets = 160;
constexpr std::size_t kMaxSmsUcs2Chars = 70;

// Decodes `record` (the bytes read from the card, usually item.record itself)
// into status, address, timeStamp, text and textUcs2. Every decoded field is
// cleared first, so nothing of an earlier record survives. Lengths taken from
// the card are cut to the record and to the item's fields.
void DecodeSmsRecord(std::span<const uint8_t> record, _SMS_ITEM& item);

// Rebuilds item.record according to item.status:
//   0: erased (00 then 0xFF); 1: an unread record becomes read, any other is
//   kept; 7: a new SMS-SUBMIT from address and text or textUcs2 (a 7-bit text
//   is converted in place to GSM codes); other values keep the image.
// The result's length is the number of leading record bytes that carry
// content (0 when the image is kept as it is): the record written to the card
// must be at least that long. An address that is not dialable or has more than
// 20 digits, a 7-bit text above 160 characters or a UCS2 text above 70
// characters fails with QUARN_E_OUT_OF_RANGE and changes nothing.
EncodeResult EncodeSmsRecord(_SMS_ITEM& item);

} // namespace nimbrel
