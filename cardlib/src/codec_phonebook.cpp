#include "codec_phonebook.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "codec_alphabet.h"
#include "codec_bcd.h"

namespace nimbrel {
namespace {

constexpr std::size_t kMaxUcs2Chars = sizeof(_PHONEBOOK_ITEM::nameUcs2) / 2 - 1;
constexpr std::size_t kMaxGsmChars = sizeof(_PHONEBOOK_ITEM::name) - 1;

void PutUcs2(_PHONEBOOK_ITEM& item, std::size_t index, uint16_t ch) {
    item.nameUcs2[2 * index] = static_cast<uint8_t>(ch >> 8);
    item.nameUcs2[2 * index + 1] = static_cast<uint8_t>(ch);
}

// The 0x81 and 0x82 forms: a count, a base and one byte per character.
void DecodeBasedUcs2(std::span<const uint8_t> alpha, std::size_t headerBytes, uint16_t base,
                     _PHONEBOOK_ITEM& item) {
    const std::size_t room = alpha.size() > headerBytes ? alpha.size() - headerBytes : 0;
    const std::size_t count = std::min<std::size_t>({alpha[1], room, kMaxUcs2Chars});
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t b = alpha[headerBytes + i];
        const uint16_t ch = (b & 0x80) ? static_cast<uint16_t>(base + (b & 0x7F))
                                       : static_cast<uint16_t>(GsmToLatin1(b));
        PutUcs2(item, i, ch);
    }
    PutUcs2(item, count, 0);
    item.nameLength = static_cast<int32_t>(count);
}

uint16_t Ucs2At(const _PHONEBOOK_ITEM& item, std::size_t index) {
    return static_cast<uint16_t>(item.nameUcs2[2 * index] << 8 | item.nameUcs2[2 * index + 1]);
}

// The GSM code of a character when the default alphabet holds it exactly.
std::optional<uint8_t> ExactGsm(uint16_t ch) {
    if (ch > 0xFF)
        return std::nullopt;
    const uint8_t gsm = Latin1ToGsm(static_cast<uint8_t>(ch));
    if (GsmToLatin1(gsm) != ch)
        return std::nullopt;
    return gsm;
}

// The 0x81 and 0x82 forms hold one byte a character: GSM letters as they
// are, every other character as an offset of at most 127 from a base. 0x81
// carries the base as a byte counting 128s (so those characters share one
// aligned window below U+8000) and saves a byte; 0x82 carries the base whole.
bool EncodeBasedUcs2Alpha(const _PHONEBOOK_ITEM& item, std::size_t chars,
                          std::span<uint8_t> alpha) {
    uint16_t low = 0xFFFF;
    uint16_t high = 0;
    for (std::size_t i = 0; i < chars; ++i) {
        const uint16_t ch = Ucs2At(item, i);
        if (!ExactGsm(ch)) {
            low = std::min(low, ch);
            high = std::max(high, ch);
        }
    }
    const bool anyBased = low <= high;
    if (anyBased && high - low > 0x7F)
        return false;
    std::size_t header = 4;
    uint16_t base = anyBased ? low : 0;
    if (!anyBased || ((low >> 7) == (high >> 7) && high < 0x8000)) {
        header = 3;
        base = static_cast<uint16_t>(base & 0xFF80);
    }
    if (header + chars > alpha.size())
        return false;
    alpha[0] = header == 3 ? 0x81 : 0x82;
    alpha[1] = static_cast<uint8_t>(chars);
    if (header == 3) {
        alpha[2] = static_cast<uint8_t>(base >> 7);
    } else {
        alpha[2] = static_cast<uint8_t>(base >> 8);
        alpha[3] = static_cast<uint8_t>(base);
    }
    for (std::size_t i = 0; i < chars; ++i) {
        const uint16_t ch = Ucs2At(item, i);
        const auto gsm = ExactGsm(ch);
        alpha[header + i] = gsm ? *gsm : static_cast<uint8_t>(0x80 | (ch - base));
    }
    return true;
}

// The plain 0x80 form, two bytes a character, when the name fits it. It ends
// a name at a character whose high byte is FF (the fullwidth forms
// U+FF00-FFEF), and it holds half as many characters as the based forms: a
// name it cannot carry goes out in a based form when one holds it.
bool EncodeUcs2Alpha(const _PHONEBOOK_ITEM& item, std::size_t chars, std::span<uint8_t> alpha) {
    if (chars == 0)
        return true;
    bool highFF = false;
    for (std::size_t i = 0; i < chars; ++i)
        highFF |= (Ucs2At(item, i) >> 8) == 0xFF;
    if (!highFF && chars <= MaxUcs2NameChars(alpha.size())) {
        alpha[0] = 0x80;
        std::memcpy(&alpha[1], item.nameUcs2, 2 * chars);
        return true;
    }
    return EncodeBasedUcs2Alpha(item, chars, alpha);
}

} // namespace

void DecodeAlphaIdentifier(std::span<const uint8_t> alpha, _PHONEBOOK_ITEM& item) {
    std::memset(item.name, 0, sizeof item.name);
    std::memset(item.nameUcs2, 0, sizeof item.nameUcs2);
    item.nameLength = 0;
    if (alpha.empty())
        return;

    switch (alpha[0]) {
    case 0x80: {
        const std::size_t limit = std::min(MaxUcs2NameChars(alpha.size()), kMaxUcs2Chars);
        std::size_t n = 0;
        for (; n < limit && alpha[1 + 2 * n] != 0xFF; ++n)
            PutUcs2(item, n, static_cast<uint16_t>(alpha[1 + 2 * n] << 8 | alpha[2 + 2 * n]));
        PutUcs2(item, n, 0);
        item.nameLength = static_cast<int32_t>(n);
        return;
    }
    case 0x81:
        if (alpha.size() >= 3)
            DecodeBasedUcs2(alpha, 3, static_cast<uint16_t>(alpha[2] << 7), item);
        return;
    case 0x82:
        if (alpha.size() >= 4)
            DecodeBasedUcs2(alpha, 4, static_cast<uint16_t>(alpha[2] << 8 | alpha[3]), item);
        return;
    default: {
        const std::size_t limit = std::min(alpha.size(), kMaxGsmChars);
        std::size_t n = 0;
        for (; n < limit && alpha[n] != 0xFF; ++n)
            item.name[n] = static_cast<char>(GsmToLatin1(alpha[n]));
        item.nameLength = static_cast<int32_t>(n);
        return;
    }
    }
}

QuarnResult DecodeDiallingRecord(std::span<const uint8_t> record, _PHONEBOOK_ITEM& item) {
    if (record.size() < kDiallingTailBytes)
        return QUARN_E_OUT_OF_RANGE;
    const std::size_t alphaBytes = record.size() - kDiallingTailBytes;
    DecodeAlphaIdentifier(record.first(alphaBytes), item);

    // The length byte is not trusted: the digits end at the first filler.
    const auto tail = record.subspan(alphaBytes);
    std::memset(item.number, 0, sizeof item.number);
    std::size_t n = 0;
    if (tail[1] == kTonInternational)
        item.number[n++] = '+';
    DecodeBcd(tail.subspan(2, kDiallingDigitBytes), kMaxDiallingDigits, HalfOrder::LowFirst,
              kDiallingDigits, std::span(item.number + n, sizeof item.number - n));
    return QUARN_OK;
}

EncodeResult EncodeDiallingRecord(const _PHONEBOOK_ITEM& item, std::span<uint8_t> out) {
    if (out.size() < kDiallingTailBytes || out.size() > 255)
        return {QUARN_E_OUT_OF_RANGE, 0};
    const std::size_t alphaBytes = out.size() - kDiallingTailBytes;

    DialString number;
    if (ParseDialString(item.number, sizeof item.number, kMaxDiallingDigits, number) != QUARN_OK)
        return {QUARN_E_OUT_OF_RANGE, 0};

    std::array<uint8_t, 255> image;
    image.fill(0xFF);

    const std::size_t nameChars = FieldLength(item.name);
    if (nameChars > 0) {
        if (nameChars > MaxGsmNameChars(alphaBytes))
            return {QUARN_E_OUT_OF_RANGE, 0};
        for (std::size_t i = 0; i < nameChars; ++i)
            image[i] = Latin1ToGsm(static_cast<uint8_t>(item.name[i]));
    } else {
        const std::size_t ucs2Chars = Ucs2FieldLength(item.nameUcs2);
        if (ucs2Chars > kMaxUcs2Chars)
            return {QUARN_E_OUT_OF_RANGE, 0};
        if (!EncodeUcs2Alpha(item, ucs2Chars, std::span(image.data(), alphaBytes)))
            return {QUARN_E_OUT_OF_RANGE, 0};
    }

    uint8_t* tail = &image[alphaBytes];
    tail[1] = number.international ? kTonInternational : kTonUnknown;
    const EncodeResult digits =
        PackBcdDigits(number, std::span<uint8_t>(tail + 2, kDiallingDigitBytes));
    tail[0] = static_cast<uint8_t>(digits.length + 1);

    std::copy_n(image.begin(), out.size(), out.begin());
    return {QUARN_OK, out.size()};
}

} // namespace nimbrel
