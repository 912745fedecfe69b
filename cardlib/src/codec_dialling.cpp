#include "codec_dialling.h"

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

} // namespace nimbrel
