#include "codec_sms.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "codec_alphabet.h"
#include "codec_bcd.h"

namespace nimbrel {
namespace {

constexpr uint8_t kMtiDeliver = 0;
constexpr uint8_t kMtiSubmit = 1;
constexpr uint8_t kDcsGsm7 = 0x00;
constexpr uint8_t kDcs8Bit = 0x04;
constexpr uint8_t kDcsUcs2 = 0x08;

// Address field: digit count, type of address, BCD digits. The digits go to
// `out` (cut to its room); the cursor advances over the whole field.
void ReadAddress(ByteCursor& in, char* out, std::size_t capacity) {
    const std::size_t digits = in.Byte();
    const uint8_t type = in.Byte();
    const auto bcd = in.Take((digits + 1) / 2);
    if (!in.ok())
        return;
    std::size_t n = 0;
    if (type == kTonInternational)
        out[n++] = '+';
    DecodeBcd(bcd, digits, HalfOrder::LowFirst, kAddressDigits, std::span(out + n, capacity - n));
}

void ReadTimeStamp(ByteCursor& in, char (&out)[16]) {
    const auto bytes = in.Take(7);
    if (!in.ok())
        return;
    // Year, month, day, hour and minute; seconds and zone are not shown.
    DecodeBcd(bytes.first(5), 10, HalfOrder::LowFirst, kOffsetDigits, out);
}

void ReadUserData(std::span<const uint8_t> data, uint8_t dcs, std::size_t udl, _SMS_ITEM& item) {
    switch (dcs) {
    case kDcsGsm7: {
        std::array<uint8_t, sizeof item.text - 1> septets;
        const std::size_t n = UnpackSeptets(data, udl, septets);
        for (std::size_t i = 0; i < n; ++i)
            item.text[i] = static_cast<char>(GsmToLatin1(septets[i]));
        item.text[n] = 0;
        return;
    }
    case kDcs8Bit: {
        const std::size_t n = std::min({udl, data.size(), sizeof item.text - 1});
        std::memcpy(item.text, data.data(), n);
        item.text[n] = 0;
        return;
    }
    case kDcsUcs2: {
        // Whole characters only, leaving room for the 16-bit zero.
        const std::size_t n =
            std::min({udl, data.size(), sizeof item.textUcs2 - 2}) & ~std::size_t{1};
        std::memcpy(item.textUcs2, data.data(), n);
        item.textUcs2[n] = 0;
        item.textUcs2[n + 1] = 0;
        return;
    }
    default:
        return;
    }
}

// Octets of the validity period announced by the first octet of a SUBMIT.
std::size_t ValidityPeriodBytes(uint8_t firstOctet) {
    switch ((firstOctet >> 3) & 3) {
    case 0:
        return 0;
    case 2:
        return 1; // relative
    default:
        return 7; // enhanced or absolute
    }
}

EncodeResult EncodeSubmit(_SMS_ITEM& item) {
    DialString address;
    if (ParseDialString(item.address, sizeof item.address, kMaxSmsAddressDigits, address) !=
        QUARN_OK)
        return {QUARN_E_OUT_OF_RANGE, 0};
    const std::size_t textChars = FieldLength(item.text);
    const std::size_t ucs2Chars = Ucs2FieldLength(item.textUcs2);
    const bool sevenBit = textChars > 0;
    if (sevenBit ? textChars > kMaxSmsSeptets : ucs2Chars > kMaxSmsUcs2Chars)
        return {QUARN_E_OUT_OF_RANGE, 0};

    std::array<uint8_t, kSmsRecordBytes> image;
    image.fill(0xFF);
    std::size_t n = 0;
    image[n++] = kSmsToBeSent;
    image[n++] = 0x00; // no service-centre address: the phone adds its own
    image[n++] = 0x01; // SMS-SUBMIT, no validity period, no header, no reply path
    image[n++] = 0x00; // message reference
    image[n++] = static_cast<uint8_t>(address.length);
    image[n++] = address.international ? kTonInternational : kTonUnknown;
    n += PackBcdDigits(address, std::span(image).subspan(n)).length;
    image[n++] = 0x00; // protocol identifier
    if (sevenBit) {
        image[n++] = kDcsGsm7;
        image[n++] = static_cast<uint8_t>(textChars);
        std::array<uint8_t, kMaxSmsSeptets> septets;
        for (std::size_t i = 0; i < textChars; ++i) {
            const uint8_t gsm = Latin1ToGsm(static_cast<uint8_t>(item.text[i]));
            septets[i] = gsm;
            item.text[i] = static_cast<char>(gsm);
        }
        n += PackSeptets(std::span(septets).first(textChars), std::span(image).subspan(n)).length;
    } else {
        image[n++] = kDcsUcs2;
        image[n++] = static_cast<uint8_t>(2 * ucs2Chars);
        std::memcpy(&image[n], item.textUcs2, 2 * ucs2Chars);
        n += 2 * ucs2Chars;
    }
    std::memcpy(item.record, image.data(), image.size());
    return {QUARN_OK, n};
}

} // namespace

void DecodeSmsRecord(std::span<const uint8_t> record, _SMS_ITEM& item) {
    StartDecoding(record, item);
    if (item.status == kSmsFree)
        return;

    ByteCursor in(record, 1);
    const std::size_t scaLength = in.Byte();
    in.Take(scaLength);
    const uint8_t firstOctet = in.Byte();
    if (!in.ok())
        return;
    const uint8_t mti = firstOctet & 3;
    if (mti != kMtiDeliver && mti != kMtiSubmit)
        return;

    if (mti == kMtiSubmit)
        in.Byte(); // message reference
    ReadAddress(in, item.address, sizeof item.address);
    in.Byte(); // protocol identifier
    const uint8_t dcs = in.Byte();
    if (mti == kMtiDeliver)
        ReadTimeStamp(in, item.timeStamp);
    else
        in.Take(ValidityPeriodBytes(firstOctet));
    std::size_t udl = in.Byte();
    if (!in.ok())
        return;
    if (mti == kMtiSubmit && udl > kMaxSmsSeptets)
        udl = 0;
    ReadUserData(in.Rest(), dcs, udl, item);
}

EncodeResult EncodeSmsRecord(_SMS_ITEM& item) {
    return EncodeByStatus(item, EncodeSubmit);
}

} // namespace nimbrel
