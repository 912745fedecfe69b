// Helpers shared by the codec tests: hex vectors and item builders.
#pragma once

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "nimbrel.h"

namespace codec_test {

// "07 00 01" -> {0x07, 0x00, 0x01}; blanks are ignored.
inline std::vector<uint8_t> Hex(std::string_view text) {
    std::vector<uint8_t> out;
    int high = -1;
    for (char c : text) {
        if (c == ' ')
            continue;
        int v = (c >= '0' && c <= '9')   ? c - '0'
                : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                                         : -1;
        if (v < 0)
            throw std::invalid_argument("bad hex vector");
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    if (high >= 0)
        throw std::invalid_argument("odd hex vector");
    return out;
}

// Pads a vector with `fill` up to `size` bytes.
inline std::vector<uint8_t> Padded(std::vector<uint8_t> bytes, std::size_t size, uint8_t fill) {
    bytes.resize(size, fill);
    return bytes;
}

// UCS2 high byte first, followed by the 16-bit zero.
inline std::vector<uint8_t> Ucs2(std::u16string_view text) {
    std::vector<uint8_t> out;
    for (char16_t c : text) {
        out.push_back(static_cast<uint8_t>(c >> 8));
        out.push_back(static_cast<uint8_t>(c));
    }
    out.push_back(0);
    out.push_back(0);
    return out;
}

// Text of a UCS2 field up to its 16-bit zero.
template <std::size_t N> std::u16string Ucs2Text(const uint8_t (&field)[N]) {
    std::u16string out;
    for (std::size_t i = 0; i + 1 < N; i += 2) {
        char16_t c = static_cast<char16_t>(field[i] << 8 | field[i + 1]);
        if (c == 0)
            break;
        out.push_back(c);
    }
    return out;
}

// Copies a string into a fixed field (ISO 8859-1 bytes), terminated.
template <std::size_t N> void SetField(char (&field)[N], std::string_view value) {
    std::memset(field, 0, N);
    std::memcpy(field, value.data(), std::min(value.size(), N - 1));
}

template <std::size_t N> void SetUcs2(uint8_t (&field)[N], std::u16string_view value) {
    std::memset(field, 0, N);
    auto bytes = Ucs2(value);
    std::memcpy(field, bytes.data(), std::min(bytes.size(), N));
}

template <std::size_t N> bool Terminated(const char (&field)[N]) {
    return std::memchr(field, 0, N) != nullptr;
}

template <std::size_t N> bool Ucs2Terminated(const uint8_t (&field)[N]) {
    for (std::size_t i = 0; i + 1 < N; i += 2) {
        if (field[i] == 0 && field[i + 1] == 0)
            return true;
    }
    return false;
}

} // namespace codec_test
