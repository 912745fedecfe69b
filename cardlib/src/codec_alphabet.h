// GSM 7-bit default alphabet against ISO 8859-1, and septet packing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "codec_common.h"

namespace nimbrel {

// GSM default-alphabet code to ISO 8859-1. Greek capitals and the escape code
// have no ISO 8859-1 letter and keep their GSM value. Bytes of 0x80 and above
// are not septets and decode as a space.
uint8_t GsmToLatin1(uint8_t gsm);

// ISO 8859-1 to GSM default-alphabet code: the inverse of GsmToLatin1, with
// form feed and the eight bracket characters going to the escape code alone,
// 00 to 00, and every other character without a GSM letter to a space.
uint8_t Latin1ToGsm(uint8_t latin1);

// Bytes taken by `septets` packed septets.
constexpr std::size_t PackedSeptetBytes(std::size_t septets) {
    return (septets * 7 + 7) / 8;
}

// Packs the low seven bits of each input byte, first septet in the lowest
// bits. Fails with QUARN_E_OUT_OF_RANGE, writing nothing, when out is short.
EncodeResult PackSeptets(std::span<const uint8_t> septets, std::span<uint8_t> out);

// Unpacks up to `count` septets; stops early at the end of `packed` or when
// `out` is full. Returns the number of septets written.
std::size_t UnpackSeptets(std::span<const uint8_t> packed, std::size_t count,
                          std::span<uint8_t> out);

} // namespace nimbrel
