// Phone book (EF_ADN) and last-dialled list (EF_LND) under DF_TELECOM. The
// read and write of ADN records also serve the ADN files of a USIM phone
// book once SelectAdn has selected one.
#include <array>

#include "books.h"
#include "books_common.h"
#include "codec_phonebook.h"

namespace nimbrel::books {
namespace {

QuarnResult OpenDiallingFile(const CardLink& link, _FILE_INFO& fi, uint16_t file) {
    return OpenRecordFile(link, {{fid::kMf, Tries::Twice}, {fid::kDfTelecom, Tries::Once}},
                          {file, Tries::Twice}, &fi);
}

// Encodes item into a record of the file's length; nothing is sent when the
// item does not fit.
QuarnResult WriteDiallingRecord(const CardLink& link, const _FILE_INFO& fi,
                                const _PHONEBOOK_ITEM& item, uint8_t record, uint8_t mode) {
    uint8_t length = 0;
    QuarnResult rv = RecordLengthOf(fi, kDiallingTailBytes, 255, length);
    if (rv != QUARN_OK)
        return rv;
    std::array<uint8_t, 255> image;
    const EncodeResult encoded = EncodeDiallingRecord(item, std::span(image.data(), length));
    if (!encoded.ok())
        return encoded.code;
    return UpdateRecord(link, record, mode, std::span(image.data(), length));
}

} // namespace

QuarnResult OpenPhoneBook(const CardLink& link, _FILE_INFO& fi) {
    return OpenDiallingFile(link, fi, fid::kEfAdn);
}

QuarnResult OpenLastDialled(const CardLink& link, _FILE_INFO& fi) {
    return OpenDiallingFile(link, fi, fid::kEfLnd);
}

QuarnResult ReadDialling(const CardLink& link, const _FILE_INFO& fi, _PHONEBOOK_ITEM& item,
                         int record) {
    if (!ReadableRecord(fi, record))
        return QUARN_E_OUT_OF_RANGE;
    uint8_t length = 0;
    QuarnResult rv = RecordLengthOf(fi, kDiallingTailBytes, 255, length);
    if (rv != QUARN_OK)
        return rv;
    std::array<uint8_t, 255> buffer;
    const std::span<uint8_t> image(buffer.data(), length);
    rv = ReadRecord(link, static_cast<uint8_t>(record), kRecordAbsolute, image);
    if (rv != QUARN_OK)
        return rv;
    return DecodeDiallingRecord(image, item);
}

QuarnResult WriteDialling(const CardLink& link, const _FILE_INFO& fi, const _PHONEBOOK_ITEM& item,
                          int record) {
    if (!WritableRecord(record))
        return QUARN_E_OUT_OF_RANGE;
    return WriteDiallingRecord(link, fi, item, static_cast<uint8_t>(record), kRecordAbsolute);
}

QuarnResult AppendLastDialled(const CardLink& link, const _FILE_INFO& fi,
                              const _PHONEBOOK_ITEM& item) {
    // The newest entry goes before record 1 of the cyclic file; the card
    // drops the oldest.
    return WriteDiallingRecord(link, fi, item, 0x00, kRecordPrevious);
}

} // namespace nimbrel::books
