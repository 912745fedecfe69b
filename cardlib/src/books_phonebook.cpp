// Phone book (EF_ADN) and last-dialled list (EF_LND) under DF_TELECOM. The
// read and write of ADN records also serve the ADN files of a USIM phone
// book once Quarn_SelectADN has selected one.
#include <array>

#include "books_common.h"
#include "codec_phonebook.h"

using namespace nimbrel;
using namespace nimbrel::books;

namespace {

QuarnResult OpenDiallingFile(QuarnConnection connection, _FILE_INFO* fi, uint16_t file) {
    const CardLink* link = FindConnection(connection);
    if (!link)
        return pcsc::kInvalidHandle;
    if (!fi)
        return pcsc::kInvalidParameter;
    return OpenRecordFile(*link, {{fid::kMf, Tries::Twice}, {fid::kDfTelecom, Tries::Once}},
                          {file, Tries::Twice}, fi);
}

// Encodes item into a record of the file's length; nothing is sent when the
// item does not fit.
QuarnResult WriteDiallingRecord(QuarnConnection connection, const _FILE_INFO* fi,
                                const _PHONEBOOK_ITEM* item, uint8_t record, uint8_t mode) {
    const CardLink* link = FindConnection(connection);
    if (!link)
        return pcsc::kInvalidHandle;
    if (!fi || !item)
        return pcsc::kInvalidParameter;
    uint8_t length = 0;
    QuarnResult rv = RecordLengthOf(*fi, kDiallingTailBytes, 255, length);
    if (rv != QUARN_OK)
        return rv;
    std::array<uint8_t, 255> image;
    const EncodeResult encoded = EncodeDiallingRecord(*item, std::span(image.data(), length));
    if (!encoded.ok())
        return encoded.code;
    return UpdateRecord(*link, record, mode, std::span(image.data(), length));
}

} // namespace

extern "C" {

QUARN_API QuarnResult QUARN_CALL Quarn_OpenPhoneBook(QuarnConnection connection, _FILE_INFO* fi) {
    return OpenDiallingFile(connection, fi, fid::kEfAdn);
}

QUARN_API QuarnResult QUARN_CALL Quarn_OpenLastNumDialledBook(QuarnConnection connection,
                                                              _FILE_INFO* fi) {
    return OpenDiallingFile(connection, fi, fid::kEfLnd);
}

QUARN_API QuarnResult QUARN_CALL Quarn_ReadPhoneBook(QuarnConnection connection, _FILE_INFO* fi,
                                                     _PHONEBOOK_ITEM* item, int record) {
    const CardLink* link = FindConnection(connection);
    if (!link)
        return pcsc::kInvalidHandle;
    if (!fi || !item)
        return pcsc::kInvalidParameter;
    if (!ReadableRecord(*fi, record))
        return QUARN_E_OUT_OF_RANGE;
    uint8_t length = 0;
    QuarnResult rv = RecordLengthOf(*fi, kDiallingTailBytes, 255, length);
    if (rv != QUARN_OK)
        return rv;
    std::array<uint8_t, 255> buffer;
    const std::span<uint8_t> image(buffer.data(), length);
    rv = ReadRecord(*link, static_cast<uint8_t>(record), kRecordAbsolute, image);
    if (rv != QUARN_OK)
        return rv;
    return DecodeDiallingRecord(image, *item);
}

QUARN_API QuarnResult QUARN_CALL Quarn_ReadLastNumDialledBook(QuarnConnection connection,
                                                              _FILE_INFO* fi, _PHONEBOOK_ITEM* item,
                                                              int record) {
    return Quarn_ReadPhoneBook(connection, fi, item, record);
}

QUARN_API QuarnResult QUARN_CALL Quarn_WritePhoneBook(QuarnConnection connection, _FILE_INFO* fi,
                                                      _PHONEBOOK_ITEM* item, int record) {
    if (!WritableRecord(record))
        return FindConnection(connection) ? QUARN_E_OUT_OF_RANGE : pcsc::kInvalidHandle;
    return WriteDiallingRecord(connection, fi, item, static_cast<uint8_t>(record), kRecordAbsolute);
}

QUARN_API QuarnResult QUARN_CALL Quarn_WriteLastNumDialledBook(QuarnConnection connection,
                                                               _FILE_INFO* fi,
                                                               _PHONEBOOK_ITEM* item) {
    // The newest entry goes before record 1 of the cyclic file; the card
    // drops the oldest.
    return WriteDiallingRecord(connection, fi, item, 0x00, kRecordPrevious);
}

} // extern "C"
