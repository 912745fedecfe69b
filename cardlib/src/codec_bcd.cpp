#include "codec_bcd.h"

#include <algorithm>
#include <cstring>

namespace nimbrel {

int DialCharToBcd(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c == '*' || c == ':')
        return 0xA;
    if (c == '#' || c == ';')
        return 0xB;
    return -1;
}

QuarnResult ParseDialString(const char* field, std::size_t capacity, std::size_t maxDigits,
                            DialString& out) {
    const void* end = std::memchr(field, 0, capacity);
    std::size_t length =
        end ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : capacity;
    out = {};
    if (length > 0 && field[0] == '+') {
        out.international = true;
        ++field;
        --length;
    }
    if (length > maxDigits)
        return QUARN_E_OUT_OF_RANGE;
    for (std::size_t i = 0; i < length; ++i) {
        if (DialCharToBcd(field[i]) < 0)
            return QUARN_E_OUT_OF_RANGE;
    }
    out.digits = field;
    out.length = length;
    return QUARN_OK;
}

EncodeResult PackBcdDigits(const DialString& number, std::span<uint8_t> out) {
    const std::size_t bytes = (number.length + 1) / 2;
    if (bytes > out.size())
        return {QUARN_E_OUT_OF_RANGE, 0};
    for (std::size_t i = 0; i < bytes; ++i) {
        const unsigned low = static_cast<unsigned>(DialCharToBcd(number.digits[2 * i]));
        const unsigned high = 2 * i + 1 < number.length
                                  ? static_cast<unsigned>(DialCharToBcd(number.digits[2 * i + 1]))
                                  : 0xFu;
        out[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return {QUARN_OK, bytes};
}

std::size_t DecodeBcd(std::span<const uint8_t> bytes, std::size_t halves, HalfOrder order,
                      std::string_view digits, std::span<char> out) {
    const std::size_t limit = std::min({halves, 2 * bytes.size(), out.size() - 1});
    std::size_t n = 0;
    for (; n < limit; ++n) {
        const uint8_t byte = bytes[n / 2];
        const bool low = (n % 2 == 0) == (order == HalfOrder::LowFirst);
        const unsigned half = low ? (byte & 0x0Fu) : (byte >> 4);
        if (half >= digits.size())
            break;
        out[n] = digits[half];
    }
    out[n] = 0;
    return n;
}

void DecodeIccid(std::span<const std::uint8_t> bytes, char* out) {
    std::memset(out, 0, kIccidCapacity);
    bytes = bytes.first(std::min(bytes.size(), kIccidBytes));
    DecodeBcd(bytes, 2 * bytes.size(), HalfOrder::LowFirst, kDecimalDigits,
              std::span(out, kIccidCapacity));
}

void DecodeImsi(std::span<const std::uint8_t> bytes, char* out) {
    std::memset(out, 0, kImsiCapacity);
    if (bytes.size() < 2)
        return;
    const std::size_t length = std::min<std::size_t>({bytes[0], kImsiMaxLength, bytes.size() - 1});
    if (length == 0)
        return;
    // The low half of byte 1 is the identity type and parity, not a digit.
    out[0] = static_cast<char>('0' + (bytes[1] >> 4));
    const auto rest = bytes.subspan(2, length - 1);
    DecodeBcd(rest, 2 * rest.size(), HalfOrder::LowFirst, kDecimalDigits,
              std::span(out + 1, kImsiCapacity - 1));
}

} // namespace nimbrel
