// Exports: phone book, last dialled, USIM phone book and the SMS books.
#include "books.h"
#include "exports.h"

using namespace nimbrel;

extern "C" {

QUARN_API QuarnResult QUARN_CALL Quarn_OpenPhoneBook(QuarnConnection connection, _FILE_INFO* fi) {
    return Export(connection, books::OpenPhoneBook, fi);
}

QUARN_API QuarnResult QUARN_CALL Quarn_OpenLastNumDialledBook(QuarnConnection connection,
                                                              _FILE_INFO* fi) {
    return Export(connection, books::OpenLastDialled, fi);
}

QUARN_API QuarnResult QUARN_CALL Quarn_ReadPhoneBook(QuarnConnection connection, _FILE_INFO* fi,
                                                     _PHONEBOOK_ITEM* item, int record) {
    return Export(connection, books::ReadDialling, fi, item, record);
}

// The last-dialled file has the phone book's record format.
QUARN_API QuarnResult QUARN_CALL Quarn_ReadLastNumDialledBook(QuarnConnection connection,
                                                              _FILE_INFO* fi, _PHONEBOOK_ITEM* item,
                                                              int record) {
    return Export(connection, books::ReadDialling, fi, item, record);
}

QUARN_API QuarnResult QUARN_CALL Quarn_WritePhoneBook(QuarnConnection connection, _FILE_INFO* fi,
                                                      _PHONEBOOK_ITEM* item, int record) {
    return Export(connection, books::WriteDialling, fi, item, record);
}

QUARN_API QuarnResult QUARN_CALL Quarn_WriteLastNumDialledBook(QuarnConnection connection,
                                                               _FILE_INFO* fi,
                                                               _PHONEBOOK_ITEM* item) {
    return Export(connection, books::AppendLastDialled, fi, item);
}

QUARN_API QuarnResult QUARN_CALL Quarn_OpenUISMPhoneBook(QuarnConnection connection,
                                                         _USIM_PHONEBOOK_INFO* info) {
    return Export(connection, books::OpenUsimPhoneBook, info);
}

QUARN_API QuarnResult QUARN_CALL Quarn_SelectADN(QuarnConnection connection, int fileId) {
    return Export(connection, books::SelectAdn, fileId);
}

QUARN_API QuarnResult QUARN_CALL Quarn_OpenSMSBook(QuarnConnection connection, _FILE_INFO* fi) {
    return Export(connection, books::OpenSmsBook, fi);
}

QUARN_API QuarnResult QUARN_CALL Quarn_OpenUSIMSMSBook(QuarnConnection connection, _FILE_INFO* fi) {
    return Export(connection, books::OpenUsimSmsBook, fi);
}

QUARN_API QuarnResult QUARN_CALL Quarn_ReadSMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                                   _SMS_ITEM* item, int record) {
    return Export(connection, books::ReadSms, fi, item, record);
}

QUARN_API QuarnResult QUARN_CALL Quarn_WriteSMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                                    _SMS_ITEM* item, int record) {
    return Export(connection, books::WriteSms, fi, item, record);
}

QUARN_API QuarnResult QUARN_CALL Quarn_OpenPHSSMSBook(QuarnConnection connection, _FILE_INFO* fi) {
    return Export(connection, books::OpenPhsSmsBook, fi);
}

// PHS messages use the GSM record format.
QUARN_API QuarnResult QUARN_CALL Quarn_ReadPHSSMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                                      _SMS_ITEM* item, int record) {
    return Export(connection, books::ReadSms, fi, item, record);
}

QUARN_API QuarnResult QUARN_CALL Quarn_WritePHSSMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                                       _SMS_ITEM* item, int record) {
    return Export(connection, books::WriteSms, fi, item, record);
}

QUARN_API QuarnResult QUARN_CALL Quarn_OpenCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi) {
    return Export(connection, books::OpenCdmaSmsBook, fi);
}

QUARN_API QuarnResult QUARN_CALL Quarn_ReadCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                                       _CDMA_SMS_ITEM* item, int record) {
    return Export(connection, books::ReadCdmaSms, fi, item, record);
}

QUARN_API QuarnResult QUARN_CALL Quarn_WriteCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                                        _CDMA_SMS_ITEM* item, int record) {
    return Export(connection, books::WriteCdmaSms, fi, item, record);
}

} // extern "C"
