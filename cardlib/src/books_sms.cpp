// SMS books: EF_SMS under DF_TELECOM, under the USIM application and under
// the PHS directory (GSM-format records), and the R-UIM EF_SMS under DF_CDMA.
#include <cstring>

#include "books.h"
#include "books_common.h"
#include "codec_cdma_sms.h"
#include "codec_sms.h"

namespace nimbrel::books {
namespace {

QuarnResult OpenSmsFile(const CardLink& link, _FILE_INFO& fi,
                        std::initializer_list<PathStep> directories, Tries fileTries) {
    return OpenRecordFile(link, directories, {fid::kEfSms, fileTries}, &fi);
}

// Read and write of both record kinds: the item holds the record image at its
// start, the codec decodes it in place or rebuilds it from the fields.
template <typename Item, std::size_t RecordBytes> struct SmsBook {
    void (*decode)(std::span<const uint8_t>, Item&);
    EncodeResult (*encode)(Item&);

    QuarnResult Read(const CardLink& link, const _FILE_INFO& fi, Item& item, int record) const {
        if (!ReadableRecord(fi, record))
            return QUARN_E_OUT_OF_RANGE;
        uint8_t length = 0;
        QuarnResult rv = RecordLengthOf(fi, 1, RecordBytes, length);
        if (rv != QUARN_OK)
            return rv;
        rv = ReadRecord(link, static_cast<uint8_t>(record), kRecordAbsolute,
                        std::span(item.record, length));
        if (rv != QUARN_OK)
            return rv;
        // A card's record may be shorter than the image: the rest reads as
        // unused record bytes, not as whatever the caller's item held.
        std::memset(item.record + length, 0xFF, RecordBytes - length);
        decode(std::span<const uint8_t>(item.record, length), item);
        return QUARN_OK;
    }

    QuarnResult Write(const CardLink& link, const _FILE_INFO& fi, Item& item, int record) const {
        if (!WritableRecord(record))
            return QUARN_E_OUT_OF_RANGE;
        uint8_t length = 0;
        QuarnResult rv = RecordLengthOf(fi, 1, RecordBytes, length);
        if (rv != QUARN_OK)
            return rv;
        const EncodeResult encoded = encode(item);
        if (!encoded.ok())
            return encoded.code;
        // A message longer than the card's record would be cut: refuse it.
        if (encoded.length > length)
            return QUARN_E_OUT_OF_RANGE;
        return UpdateRecord(link, static_cast<uint8_t>(record), kRecordAbsolute,
                            std::span(item.record, length));
    }
};

constexpr SmsBook<_SMS_ITEM, kSmsRecordBytes> kGsmSms{DecodeSmsRecord, EncodeSmsRecord};
constexpr SmsBook<_CDMA_SMS_ITEM, kCdmaRecordBytes> kCdmaSms{DecodeCdmaSmsRecord,
                                                             EncodeCdmaSmsRecord};

} // namespace

QuarnResult OpenSmsBook(const CardLink& link, _FILE_INFO& fi) {
    return OpenSmsFile(link, fi, {{fid::kMf, Tries::Once}, {fid::kDfTelecom, Tries::Once}},
                       Tries::Twice);
}

QuarnResult OpenUsimSmsBook(const CardLink& link, _FILE_INFO& fi) {
    const QuarnResult rv = SelectUsimApplication(link);
    if (rv != QUARN_OK)
        return rv;
    return OpenRecordFile(link, {}, {fid::kEfSms, Tries::Twice}, &fi);
}

QuarnResult OpenPhsSmsBook(const CardLink& link, _FILE_INFO& fi) {
    return OpenSmsFile(link, fi, {{fid::kMf, Tries::Once}, {fid::kDfPhs, Tries::Once}},
                       Tries::Once);
}

QuarnResult OpenCdmaSmsBook(const CardLink& link, _FILE_INFO& fi) {
    return OpenSmsFile(link, fi, {{fid::kMf, Tries::Once}, {fid::kDfCdma, Tries::Once}},
                       Tries::Once);
}

QuarnResult ReadSms(const CardLink& link, const _FILE_INFO& fi, _SMS_ITEM& item, int record) {
    return kGsmSms.Read(link, fi, item, record);
}

QuarnResult WriteSms(const CardLink& link, const _FILE_INFO& fi, _SMS_ITEM& item, int record) {
    return kGsmSms.Write(link, fi, item, record);
}

QuarnResult ReadCdmaSms(const CardLink& link, const _FILE_INFO& fi, _CDMA_SMS_ITEM& item,
                        int record) {
    return kCdmaSms.Read(link, fi, item, record);
}

QuarnResult WriteCdmaSms(const CardLink& link, const _FILE_INFO& fi, _CDMA_SMS_ITEM& item,
                         int record) {
    return kCdmaSms.Write(link, fi, item, record);
}

} // namespace nimbrel::books
