// Exports: phone book, last dialled, USIM phone book and the SMS books.
#include "books.h"
#include "exports.h"

using namespace nimbrel;

extern "C" {

QUARN_API QuarnResult QUARN_CALL Quarn_OpenPhoneBook(QuarnConnection connection, _FILE_INFO* fi) {
    return WithLink(
        connection, [&](const CardLink& link) { return books::OpenPhoneBook(link, *fi); }, fi);
}

QUARN_API QuarnResult QUARN_CALL Quarn_OpenLastNumDialledBook(QuarnConnection connection,
                                                              _FILE_INFO* fi) {
    return WithLink(
        connection, [&](const CardLink& link) { return books::OpenLastDialled(link, *fi); }, fi);
}

QUARN_API QuarnResult QUARN_CALL Quarn_ReadPhoneBook(QuarnConnection connection, _FILE_INFO* fi,
                                                     _PHONEBOOK_ITEM* item, int record) {
    return WithLink(
        connection,
        [&](const CardLink& link) { return books::ReadDialling(link, *fi, *item, record); }, fi,
        item);
}

// The last-dialled file has the phone book's record format.
QUARN_API QuarnResult QUARN_CALL Quarn_ReadLastNumDialledBook(QuarnConnection connection,
                                                              _FILE_INFO* fi, _PHONEBOOK_ITEM* item,
                                                              int record) {
    return WithLink(
        connection,
        [&](const CardLink& link) { return books::ReadDialling(link, *fi, *item, record); }, fi,
        item);
}

QUARN_API QuarnResult QUARN_CALL Quarn_WritePhoneBook(QuarnConnection connection, _FILE_INFO* fi,
                                                      _PHONEBOOK_ITEM* item, int record) {
    return WithLink(
        connection,
        [&](const CardLink& link) { return books::WriteDialling(link, *fi, *item, record); }, fi,
        item);
}

QUARN_API QuarnResult QUARN_CALL Quarn_WriteLastNumDialledBook(QuarnConnection connection,
                                                               _FILE_INFO* fi,
                                                               _PHONEBOOK_ITEM* item) {
    return WithLink(
        connection,
        [&](const CardLink& link) { return books::AppendLastDialled(link, *fi, *item); }, fi, item);
}

QUARN_API QuarnResult QUARN_CALL Quarn_OpenUISMPhoneBook(QuarnConnection connection,
                                                         _USIM_PHONEBOOK_INFO* info) {
    return WithLink(
        connection, [&](const CardLink& link) { return books::OpenUsimPhoneBook(link, *info); },
        info);
}

QUARN_API QuarnResult QUARN_CALL Quarn_SelectADN(QuarnConnection connection, int fileId) {
    return WithLink(connection,
                    [&](const CardLink& link) { return books::SelectAdn(link, fileId); });
}

QUARN_API QuarnResult QUARN_CALL Quarn_OpenSMSBook(QuarnConnection connection, _FILE_INFO* fi) {
    return WithLink(
        connection, [&](const CardLink& link) { return books::OpenSmsBook(link, *fi); }, fi);
}

QUARN_API QuarnResult QUARN_CALL Quarn_OpenUSIMSMSBook(QuarnConnection connection, _FILE_INFO* fi) {
    return WithLink(
        connection, [&](const CardLink& link) { return books::OpenUsimSmsBook(link, *fi); }, fi);
}

QUARN_API QuarnResult QUARN_CALL Quarn_ReadSMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                                   _SMS_ITEM* item, int record) {
    return WithLink(
        connection, [&](const CardLink& link) { return books::ReadSms(link, *fi, *item, record); },
        fi, item);
}

QUARN_API QuarnResult QUARN_CALL Quarn_WriteSMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                                    _SMS_ITEM* item, int record) {
    return WithLink(
        connection, [&](const CardLink& link) { return books::WriteSms(link, *fi, *item, record); },
        fi, item);
}

QUARN_API QuarnResult QUARN_CALL Quarn_OpenPHSSMSBook(QuarnConnection connection, _FILE_INFO* fi) {
    return WithLink(
        connection, [&](const CardLink& link) { return books::OpenPhsSmsBook(link, *fi); }, fi);
}

// PHS messages use the GSM record format.
QUARN_API QuarnResult QUARN_CALL Quarn_ReadPHSSMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                                      _SMS_ITEM* item, int record) {
    return WithLink(
        connection, [&](const CardLink& link) { return books::ReadSms(link, *fi, *item, record); },
        fi, item);
}

QUARN_API QuarnResult QUARN_CALL Quarn_WritePHSSMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                                       _SMS_ITEM* item, int record) {
    return WithLink(
        connection, [&](const CardLink& link) { return books::WriteSms(link, *fi, *item, record); },
        fi, item);
}

QUARN_API QuarnResult QUARN_CALL Quarn_OpenCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi) {
    return WithLink(
        connection, [&](const CardLink& link) { return books::OpenCdmaSmsBook(link, *fi); }, fi);
}

QUARN_API QuarnResult QUARN_CALL Quarn_ReadCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                                       _CDMA_SMS_ITEM* item, int record) {
    return WithLink(
        connection,
        [&](const CardLink& link) { return books::ReadCdmaSms(link, *fi, *item, record); }, fi,
        item);
}

QUARN_API QuarnResult QUARN_CALL Quarn_WriteCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                                        _CDMA_SMS_ITEM* item, int record) {
    return WithLink(
        connection,
        [&](const CardLink& link) { return books::WriteCdmaSms(link, *fi, *item, record); }, fi,
        item);
}

} // extern "C"
