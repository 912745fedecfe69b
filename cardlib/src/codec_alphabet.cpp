#include "codec_alphabet.h"

#include <array>

namespace nimbrel {
namespace {

struct Remap {
    uint8_t gsm;
    uint8_t latin1;
};

// GSM codes whose ISO 8859-1 value differs from the code itself.
constexpr Remap kRemaps[] = {
    {0x00, 0x40}, {0x01, 0xA3}, {0x02, 0x24}, {0x03, 0xA5}, {0x04, 0xE8}, {0x05, 0xE9},
    {0x06, 0xF9}, {0x07, 0xEC}, {0x08, 0xF2}, {0x09, 0xC7}, {0x0B, 0xD8}, {0x0C, 0xF8},
    {0x0E, 0xC5}, {0x0F, 0xE5}, {0x11, 0x5F}, {0x1C, 0xC6}, {0x1D, 0xE6}, {0x1E, 0xDF},
    {0x1F, 0xC9}, {0x24, 0xA4}, {0x40, 0xA1}, {0x5B, 0xC4}, {0x5C, 0xD6}, {0x5D, 0xD1},
    {0x5E, 0xDC}, {0x5F, 0xA7}, {0x60, 0xBF}, {0x7B, 0xE4}, {0x7C, 0xF6}, {0x7D, 0xF1},
    {0x7E, 0xFC}, {0x7F, 0xE0},
};

constexpr std::array<uint8_t, 128> BuildDecode() {
    std::array<uint8_t, 128> table{};
    for (unsigned i = 0; i < 128; ++i)
        table[i] = static_cast<uint8_t>(i);
    for (const Remap& r : kRemaps)
        table[r.gsm] = r.latin1;
    return table;
}

constexpr std::array<uint8_t, 128> kDecode = BuildDecode();

constexpr std::array<uint8_t, 256> BuildEncode() {
    std::array<uint8_t, 256> table{};
    for (auto& v : table)
        v = 0x20;
    for (unsigned gsm = 0; gsm < 128; ++gsm)
        table[kDecode[gsm]] = static_cast<uint8_t>(gsm);
    // Characters that only exist in the extension table: the escape code
    // alone marks them, without the extension character.
    for (uint8_t c : {0x0C, 0x5B, 0x5C, 0x5D, 0x5E, 0x7B, 0x7C, 0x7D, 0x7E})
        table[c] = 0x1B;
    table[0x00] = 0x00;
    return table;
}

constexpr std::array<uint8_t, 256> kEncode = BuildEncode();

constexpr bool DecodeIsInjective() {
    std::array<bool, 256> seen{};
    for (uint8_t v : kDecode) {
        if (seen[v])
            return false;
        seen[v] = true;
    }
    return true;
}
static_assert(DecodeIsInjective(), "each ISO 8859-1 value must come from one GSM code");

} // namespace

uint8_t GsmToLatin1(uint8_t gsm) {
    return gsm < 0x80 ? kDecode[gsm] : 0x20;
}

uint8_t Latin1ToGsm(uint8_t latin1) {
    return kEncode[latin1];
}

EncodeResult PackSeptets(std::span<const uint8_t> septets, std::span<uint8_t> out) {
    const std::size_t bytes = PackedSeptetBytes(septets.size());
    if (bytes > out.size())
        return {QUARN_E_OUT_OF_RANGE, 0};
    for (std::size_t i = 0; i < bytes; ++i)
        out[i] = 0;
    for (std::size_t i = 0; i < septets.size(); ++i) {
        const std::size_t bit = i * 7;
        const unsigned value = septets[i] & 0x7Fu;
        out[bit / 8] |= static_cast<uint8_t>(value << (bit % 8));
        if (bit % 8 > 1)
            out[bit / 8 + 1] |= static_cast<uint8_t>(value >> (8 - bit % 8));
    }
    return {QUARN_OK, bytes};
}

std::size_t UnpackSeptets(std::span<const uint8_t> packed, std::size_t count,
                          std::span<uint8_t> out) {
    std::size_t n = 0;
    for (; n < count && n < out.size(); ++n) {
        const std::size_t bit = n * 7;
        if (bit + 7 > packed.size() * 8)
            break;
        unsigned value = packed[bit / 8] >> (bit % 8);
        if (bit % 8 > 1)
            value |= static_cast<unsigned>(packed[bit / 8 + 1]) << (8 - bit % 8);
        out[n] = static_cast<uint8_t>(value & 0x7Fu);
    }
    return n;
}

} // namespace nimbrel
