// Half-byte digits (BCD) as cards store them: dialling numbers of phone-book
// records and SMS addresses, time stamps, the ICCID and the IMSI.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "codec_common.h"

namespace nimbrel {

constexpr uint8_t kTonInternational = 0x91;
constexpr uint8_t kTonUnknown = 0x81;

// BCD code of a dialling character: 0-9, '*' and ':' give 0xA, '#' and ';'
// give 0xB; any other character gives -1.
int DialCharToBcd(char c);

// Digits of a number string after an optional leading '+'.
struct DialString {
    bool international = false;
    const char* digits = nullptr;
    std::size_t length = 0;
};

// Splits a (possibly unterminated) field into '+' and digits, checking every
// digit. Fails with QUARN_E_OUT_OF_RANGE on a character that is not dialable
// or when there are more than maxDigits digits.
QuarnResult ParseDialString(const char* field, std::size_t capacity, std::size_t maxDigits,
                            DialString& out);

// Packs the digits two to a byte, first digit in the low half, an odd last
// digit under 0xF. Returns the bytes written; fails when out is short.
EncodeResult PackBcdDigits(const DialString& number, std::span<uint8_t> out);

// What each half-byte value reads as, from 0 up; a half at or beyond the
// end of the set ends the digits.
inline constexpr std::string_view kDecimalDigits = "0123456789";
inline constexpr std::string_view kDiallingDigits = "0123456789*#";
// SMS addresses show every half, the ones above B as the characters after '9'.
inline constexpr std::string_view kAddressDigits = "0123456789*#<=>?";
// Time stamps: every half as the character 0x30 + value.
inline constexpr std::string_view kOffsetDigits = "0123456789:;<=>?";

enum class HalfOrder { LowFirst, HighFirst };

// Decodes up to `halves` half-bytes of `bytes` (fewer when the bytes run out)
// through `digits` into out, stopping at a half outside the set or when only
// the room for the NUL is left; the NUL is written after the last digit.
// Returns the number of digits written (out must not be empty).
std::size_t DecodeBcd(std::span<const uint8_t> bytes, std::size_t halves, HalfOrder order,
                      std::string_view digits, std::span<char> out);

inline constexpr std::size_t kIccidBytes = 10;
inline constexpr std::size_t kIccidCapacity = sizeof(_CARD_INFO::iccid); // 20 digits + NUL
// EF_IMSI: a length byte and at most 8 bytes of identity.
inline constexpr std::size_t kImsiFileBytes = 9;
inline constexpr std::size_t kImsiMaxLength = 8;
inline constexpr std::size_t kImsiCapacity = 16; // 15 digits + NUL

// EF_ICCID bytes, low half first; a half above 9 ends the digits. Writes
// exactly kIccidCapacity bytes, the rest NUL.
void DecodeIccid(std::span<const std::uint8_t> bytes, char* out);

// EF_IMSI contents: length byte L, then the first digit in the high half of
// byte 1 and two digits per byte up to byte L. L is bounded by 8 and by the
// bytes given. The first digit is taken as 0x30 + half whatever its value;
// after it a half above 9 ends the digits. Writes exactly kImsiCapacity
// bytes, the rest NUL.
void DecodeImsi(std::span<const std::uint8_t> bytes, char* out);

} // namespace nimbrel
