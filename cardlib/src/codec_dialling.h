// Dialling numbers in BCD: the number part of phone-book records and the
// addresses of GSM short messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

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

} // namespace nimbrel
