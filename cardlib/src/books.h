// The book operations behind the exports: phone book and last dialled, the
// USIM phone book, and the SMS books. Each acts on the card of one link;
// the exports have checked the handle and the pointers.
#pragma once

#include "nimbrel.h"
#include "transport.h"

namespace nimbrel::books {

// Geometry of EF_ADN / EF_LND under DF_TELECOM; zeroed when the file fails.
QuarnResult OpenPhoneBook(const CardLink& link, _FILE_INFO& fi);
QuarnResult OpenLastDialled(const CardLink& link, _FILE_INFO& fi);
// Record 1 .. fi.recordCount of the selected ADN-format file.
QuarnResult ReadDialling(const CardLink& link, const _FILE_INFO& fi, _PHONEBOOK_ITEM& item,
                         int record);
// Record 1 .. 255 (the card judges the rest); nothing is sent when the item
// does not fit the record.
QuarnResult WriteDialling(const CardLink& link, const _FILE_INFO& fi, const _PHONEBOOK_ITEM& item,
                          int record);
// The newest entry of the cyclic last-dialled file.
QuarnResult AppendLastDialled(const CardLink& link, const _FILE_INFO& fi,
                              const _PHONEBOOK_ITEM& item);

// The ADN files EF_PBR lists, from the global phone book or else the USIM
// application's own.
QuarnResult OpenUsimPhoneBook(const CardLink& link, _USIM_PHONEBOOK_INFO& info);
// Selects one of those files for ReadDialling and WriteDialling.
QuarnResult SelectAdn(const CardLink& link, int fileId);

// Geometry of EF_SMS under DF_TELECOM, the USIM application, the PHS
// directory and DF_CDMA.
QuarnResult OpenSmsBook(const CardLink& link, _FILE_INFO& fi);
QuarnResult OpenUsimSmsBook(const CardLink& link, _FILE_INFO& fi);
QuarnResult OpenPhsSmsBook(const CardLink& link, _FILE_INFO& fi);
QuarnResult OpenCdmaSmsBook(const CardLink& link, _FILE_INFO& fi);
// Read decodes the record into the item; Write encodes the item by its
// status first and refuses a message longer than the record.
QuarnResult ReadSms(const CardLink& link, const _FILE_INFO& fi, _SMS_ITEM& item, int record);
QuarnResult WriteSms(const CardLink& link, const _FILE_INFO& fi, _SMS_ITEM& item, int record);
QuarnResult ReadCdmaSms(const CardLink& link, const _FILE_INFO& fi, _CDMA_SMS_ITEM& item,
                        int record);
QuarnResult WriteCdmaSms(const CardLink& link, const _FILE_INFO& fi, _CDMA_SMS_ITEM& item,
                         int record);

} // namespace nimbrel::books
