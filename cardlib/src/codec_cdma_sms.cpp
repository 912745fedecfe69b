#include "codec_cdma_sms.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>

#include "codec_alphabet.h"
#include "codec_bcd.h"

namespace nimbrel {
namespace {

constexpr uint8_t kParamTeleservice = 0x00;
constexpr uint8_t kParamOriginatingAddress = 0x02;
constexpr uint8_t kParamDestinationAddress = 0x04;
constexpr uint8_t kParamBearerReplyOption = 0x06;
constexpr uint8_t kParamBearerData = 0x08;
constexpr uint8_t kSubMessageIdentifier = 0x00;
constexpr uint8_t kSubUserData = 0x01;
constexpr uint8_t kSubTimeStamp = 0x03;
constexpr uint8_t kSubCallback = 0x0E;

char DtmfToChar(uint32_t code) {
    switch (code) {
    case 10:
        return '0';
    case 11:
        return '*';
    case 12:
        return '#';
    default:
        return static_cast<char>('0' + code);
    }
}

uint32_t CharToDtmf(char c) {
    if (c >= '1' && c <= '9')
        return static_cast<uint32_t>(c - '0');
    if (c == '0')
        return 10;
    if (c == '*')
        return 11;
    return 12;
}

// DTMF digits after the mode bits; an 8-bit count cut to the data and field.
template <std::size_t N>
void ReadDtmfNumber(std::span<const uint8_t> data, unsigned modeBits, char (&out)[N]) {
    BitCursor bits(data);
    if (bits.Read(1) != 0)
        return; // ASCII digits are not shown
    bits.Read(modeBits - 1);
    const std::size_t count =
        std::min<std::size_t>({bits.Read(8), bits.remainingBits() / 4, N - 1});
    if (!bits.ok())
        return;
    for (std::size_t i = 0; i < count; ++i)
        out[i] = DtmfToChar(bits.Read(4));
    out[count] = 0;
}

// How the characters of one user-data encoding are stored and shown.
enum class TextForm { Ascii7, Gsm7, Latin1, Hebrew, Ucs2 };

// Encodings 0 to 10 by how their characters are stored: octet, (extended
// protocol), 7-bit ASCII, IA5, Unicode, Shift-JIS, Korean, Latin/Hebrew,
// Latin, GSM 7-bit, GSM coding scheme (its byte decides). Shift-JIS, Korean
// and any later encoding are read as 16-bit characters.
constexpr TextForm kFormOfEncoding[] = {
    TextForm::Latin1, TextForm::Ucs2, TextForm::Ascii7, TextForm::Ascii7,
    TextForm::Ucs2,   TextForm::Ucs2, TextForm::Ucs2,   TextForm::Hebrew,
    TextForm::Latin1, TextForm::Gsm7, TextForm::Ucs2,
};

// The character set a GSM data coding scheme names: 7-bit default alphabet,
// 8-bit data, or UCS2. Reserved groups read as the default alphabet.
TextForm FormOfDcs(uint8_t dcs) {
    switch (dcs >> 4) {
    case 0xC:
    case 0xD:
        return TextForm::Gsm7;
    case 0xE:
        return TextForm::Ucs2;
    case 0xF:
        return (dcs & 0x04) ? TextForm::Latin1 : TextForm::Gsm7;
    default:
        if ((dcs >> 6) > 1)
            return TextForm::Gsm7;
        switch ((dcs >> 2) & 3) {
        case 1:
            return TextForm::Latin1;
        case 2:
            return TextForm::Ucs2;
        default:
            return TextForm::Gsm7;
        }
    }
}

// ISO 8859-8 to UCS2: the letters sit at E0-FA; the rest of the upper half
// is ISO 8859-1 except a few signs. Unassigned codes show as '?'.
uint16_t HebrewToUcs2(uint8_t c) {
    if (c >= 0xE0 && c <= 0xFA)
        return static_cast<uint16_t>(0x05D0 + (c - 0xE0));
    switch (c) {
    case 0xAA:
        return 0x00D7;
    case 0xBA:
        return 0x00F7;
    case 0xDF:
        return 0x2017;
    case 0xFD:
        return 0x200E;
    case 0xFE:
        return 0x200F;
    default:
        break;
    }
    const bool unassigned = c == 0xA1 || (c >= 0xBF && c <= 0xDE) || c >= 0xFB;
    return unassigned ? '?' : c;
}

// 7- or 8-bit characters into text, a NUL shown as a blank.
void PutTextChars(BitCursor& bits, std::size_t declared, TextForm form, unsigned width,
                  _CDMA_SMS_ITEM& item) {
    const std::size_t count =
        std::min({declared, bits.remainingBits() / width, sizeof item.text - 1});
    for (std::size_t i = 0; i < count; ++i) {
        const auto c = static_cast<uint8_t>(bits.Read(width));
        item.text[i] = static_cast<char>(form == TextForm::Gsm7 ? GsmToLatin1(c)
                                         : c == 0               ? ' '
                                                                : c);
    }
    item.text[count] = 0;
}

// 16-bit characters, or ISO 8859-8 ones converted, into textUcs2 high byte
// first.
void PutUcs2Chars(BitCursor& bits, std::size_t declared, TextForm form, _CDMA_SMS_ITEM& item) {
    const unsigned width = form == TextForm::Hebrew ? 8 : 16;
    const std::size_t count =
        std::min({declared, bits.remainingBits() / width, sizeof item.textUcs2 / 2 - 1});
    for (std::size_t i = 0; i < count; ++i) {
        const uint32_t c = bits.Read(width);
        const uint16_t ch = form == TextForm::Hebrew ? HebrewToUcs2(static_cast<uint8_t>(c))
                                                     : static_cast<uint16_t>(c);
        item.textUcs2[2 * i] = static_cast<uint8_t>(ch >> 8);
        item.textUcs2[2 * i + 1] = static_cast<uint8_t>(ch);
    }
    item.textUcs2[2 * count] = 0;
    item.textUcs2[2 * count + 1] = 0;
}

void ReadUserData(std::span<const uint8_t> data, _CDMA_SMS_ITEM& item) {
    BitCursor bits(data);
    const uint32_t encoding = bits.Read(5);
    if (encoding == kCdmaExtendedProtocol)
        return; // carries its own message type and character set
    TextForm form =
        encoding < std::size(kFormOfEncoding) ? kFormOfEncoding[encoding] : TextForm::Ucs2;
    // A GSM data coding scheme precedes the count and names the set.
    if (encoding == kCdmaGsmDcs)
        form = FormOfDcs(static_cast<uint8_t>(bits.Read(8)));
    const std::size_t declared = bits.Read(8);
    if (!bits.ok())
        return;
    switch (form) {
    case TextForm::Ascii7:
    case TextForm::Gsm7:
        PutTextChars(bits, declared, form, 7, item);
        return;
    case TextForm::Latin1:
        PutTextChars(bits, declared, form, 8, item);
        return;
    case TextForm::Hebrew:
    case TextForm::Ucs2:
        PutUcs2Chars(bits, declared, form, item);
        return;
    }
}

void ReadTimeStamp(std::span<const uint8_t> data, char (&out)[16]) {
    const std::size_t bytes = std::min(data.size(), (sizeof out - 1) / 2);
    DecodeBcd(data.first(bytes), 2 * bytes, HalfOrder::HighFirst, kOffsetDigits, out);
}

// Walks identifier/length/data entries; an entry running past the end is
// handed over cut to the end, and the walk stops there.
template <typename Visit> void WalkEntries(std::span<const uint8_t> bytes, Visit visit) {
    std::size_t pos = 0;
    while (pos + 2 <= bytes.size()) {
        const uint8_t id = bytes[pos];
        const std::size_t length = std::min<std::size_t>(bytes[pos + 1], bytes.size() - pos - 2);
        visit(id, bytes.subspan(pos + 2, length));
        pos += 2 + length;
    }
}

void ReadBearerData(std::span<const uint8_t> data, _CDMA_SMS_ITEM& item) {
    WalkEntries(data, [&](uint8_t id, std::span<const uint8_t> sub) {
        switch (id) {
        case kSubUserData:
            ReadUserData(sub, item);
            break;
        case kSubTimeStamp:
            ReadTimeStamp(sub, item.timeStamp);
            break;
        case kSubCallback:
            ReadDtmfNumber(sub, 1, item.callback);
            break;
        default:
            break;
        }
    });
}

// Writes identifier, a length placeholder and the fields `body` writes; then
// fills in the length of what the body wrote.
template <typename Body>
bool WriteEntry(std::span<uint8_t> out, std::size_t& pos, uint8_t id, Body body) {
    if (pos + 2 > out.size())
        return false;
    out[pos] = id;
    BitWriter bits(out.subspan(pos + 2));
    body(bits);
    if (!bits.ok() || bits.bytes() > 255)
        return false;
    out[pos + 1] = static_cast<uint8_t>(bits.bytes());
    pos += 2 + bits.bytes();
    return true;
}

EncodeResult EncodeNewMessage(_CDMA_SMS_ITEM& item) {
    const std::size_t addressChars = FieldLength(item.address);
    const std::size_t textChars = FieldLength(item.text);
    const std::size_t ucs2Chars = Ucs2FieldLength(item.textUcs2);
    if (addressChars >= sizeof item.address)
        return {QUARN_E_OUT_OF_RANGE, 0};
    if (textChars > 0 ? textChars >= sizeof item.text : ucs2Chars >= sizeof item.textUcs2 / 2)
        return {QUARN_E_OUT_OF_RANGE, 0};
    // 7-bit ASCII carries only the lower half of ISO 8859-1; a text with
    // accented letters goes out as 16-bit characters instead of being mangled.
    const bool ascii = textChars > 0 && std::all_of(item.text, item.text + textChars, [](char c) {
                           return static_cast<uint8_t>(c) < 0x80;
                       });

    std::array<uint8_t, kCdmaRecordBytes> image{};
    image[0] = kSmsToBeSent;
    std::size_t pos = 2;
    image[pos++] = 0x00; // point-to-point
    const std::span<uint8_t> out(image);
    bool ok = WriteEntry(out, pos, kParamTeleservice, [](BitWriter& b) { b.Write(0x1002, 16); });
    ok = ok && WriteEntry(out, pos, kParamDestinationAddress, [&](BitWriter& b) {
             b.Write(0, 1); // DTMF digits
             b.Write(0, 1); // not a data-network address
             b.Write(static_cast<uint32_t>(addressChars), 8);
             for (std::size_t i = 0; i < addressChars; ++i)
                 b.Write(CharToDtmf(item.address[i]), 4);
         });
    ok = ok && WriteEntry(out, pos, kParamBearerReplyOption, [](BitWriter& b) {
             b.Write(63, 6); // reply sequence number
             b.Write(0, 2);
         });
    // The bearer data holds subparameters; its length is filled in after them.
    const std::size_t bearerStart = pos;
    ok = ok && pos + 2 <= out.size();
    if (ok) {
        image[pos] = kParamBearerData;
        pos += 2;
    }
    ok = ok && WriteEntry(out, pos, kSubMessageIdentifier, [](BitWriter& b) {
             b.Write(1, 4);       // message type
             b.Write(0x4EBB, 16); // message identifier
             b.Write(0, 1);       // no user-data header
             b.Write(0, 3);
         });
    ok = ok && WriteEntry(out, pos, kSubUserData, [&](BitWriter& b) {
             if (ascii) {
                 b.Write(kCdmaAscii7, 5);
                 b.Write(static_cast<uint32_t>(textChars), 8);
                 for (std::size_t i = 0; i < textChars; ++i)
                     b.Write(static_cast<uint8_t>(item.text[i]), 7);
             } else if (textChars > 0) {
                 b.Write(kCdmaUnicode, 5);
                 b.Write(static_cast<uint32_t>(textChars), 8);
                 for (std::size_t i = 0; i < textChars; ++i)
                     b.Write(static_cast<uint8_t>(item.text[i]), 16);
             } else {
                 b.Write(kCdmaUnicode, 5);
                 b.Write(static_cast<uint32_t>(ucs2Chars), 8);
                 for (std::size_t i = 0; i < ucs2Chars; ++i)
                     b.Write(static_cast<uint32_t>(item.textUcs2[2 * i] << 8 |
                                                   item.textUcs2[2 * i + 1]),
                             16);
             }
         });
    if (!ok || pos - bearerStart - 2 > 255 || pos - 2 > 255)
        return {QUARN_E_OUT_OF_RANGE, 0};
    image[bearerStart + 1] = static_cast<uint8_t>(pos - bearerStart - 2);
    image[1] = static_cast<uint8_t>(pos - 2);

    for (std::size_t i = 0; i < addressChars; ++i) {
        if (CharToDtmf(item.address[i]) == 12)
            item.address[i] = '#';
    }
    std::memcpy(item.record, image.data(), image.size());
    return {QUARN_OK, pos};
}

} // namespace

void DecodeCdmaSmsRecord(std::span<const uint8_t> record, _CDMA_SMS_ITEM& item) {
    StartDecoding(record, item);
    std::memset(item.callback, 0, sizeof item.callback);
    if (item.status == kSmsFree || record.size() < 3 || record[1] < 4)
        return;

    // The message runs from byte 2 for L bytes, the type byte first.
    const std::size_t end = std::min<std::size_t>(record.size(), 2 + std::size_t{record[1]});
    WalkEntries(record.subspan(3, end - 3), [&](uint8_t id, std::span<const uint8_t> data) {
        switch (id) {
        case kParamOriginatingAddress:
        case kParamDestinationAddress:
            ReadDtmfNumber(data, 2, item.address);
            break;
        case kParamBearerData:
            ReadBearerData(data, item);
            break;
        default:
            break;
        }
    });
}

EncodeResult EncodeCdmaSmsRecord(_CDMA_SMS_ITEM& item) {
    return EncodeByStatus(item, EncodeNewMessage);
}

} // namespace nimbrel
