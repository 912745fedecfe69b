// Card information: PIN state, ICCID, IMSI. The parsers are bounded by the
// bytes the card sent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "nimbrel.h"
#include "transport.h"

namespace nimbrel {

inline constexpr std::size_t kIccidBytes = 10;
inline constexpr std::size_t kIccidCapacity = sizeof(_CARD_INFO::iccid); // 20 digits + NUL
// EF_IMSI: a length byte and at most 8 bytes of identity.
inline constexpr std::size_t kImsiFileBytes = 9;
inline constexpr std::size_t kImsiMaxLength = 8;
inline constexpr std::size_t kImsiCapacity = 16; // 15 digits + NUL

// PIN fields from the answer to SELECT MF. A GSM-form answer carries them in
// bytes 13, 18 and 19; an FCP template carries the enabled flag in its PIN
// status template (C6) and the counters are asked of the card. An answer
// without those bytes gives QUARN_E_BAD_ANSWER.
QuarnResult ReadPinFields(const CardLink& link, std::span<const std::uint8_t> mfAnswer,
                          _CARD_INFO* info);

// EF_ICCID bytes, low half first; a half above 9 ends the digits. Writes at
// most kIccidCapacity bytes, NUL included.
void DecodeIccid(std::span<const std::uint8_t> bytes, char* out);

// EF_IMSI contents: length byte L, then the first digit in the high half of
// byte 1 and two digits per byte up to byte L. L is bounded by 8 and by the
// bytes given; a half above 9 ends the digits. Writes at most kImsiCapacity
// bytes, NUL included.
void DecodeImsi(std::span<const std::uint8_t> bytes, char* out);

} // namespace nimbrel
