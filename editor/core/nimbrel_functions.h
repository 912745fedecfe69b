// Every card-library function the editor calls, listed once:
//   X(Name, (parameters), (arguments))
// Name is the export without its "Quarn_" prefix. The enum of functions, the
// symbol names, the lazy binding's calls and the CardLibrary interface are
// all expanded from this list; the binding checks each signature against the
// library's header at compile time.
#pragma once

#include "nimbrel.h"

// clang-format off
#define BRISKEN_NIMBREL_FUNCTIONS(X)                                                              \
    X(Connect, (QuarnConnection* connectionOut), (connectionOut))                                 \
    X(ConnectAssignReader, (QuarnConnection* connectionOut, const char* readerName),              \
      (connectionOut, readerName))                                                                \
    X(DisConnect, (QuarnConnection connection), (connection))                                     \
    X(IsCardExist, (), ())                                                                        \
    X(IsCDMA_RUIM, (QuarnConnection connection), (connection))                                    \
    X(GetSIMCardInfo, (QuarnConnection connection, _CARD_INFO* info), (connection, info))         \
    X(GetUSIMCardInfo, (QuarnConnection connection, _CARD_INFO* info), (connection, info))        \
    X(GetSIMFileMapSize, (QuarnConnection connection, int* totalBytes), (connection, totalBytes)) \
    X(OpenPhoneBook, (QuarnConnection connection, _FILE_INFO* fi), (connection, fi))              \
    X(OpenUISMPhoneBook, (QuarnConnection connection, _USIM_PHONEBOOK_INFO* info),                \
      (connection, info))                                                                         \
    X(SelectADN, (QuarnConnection connection, int fileId), (connection, fileId))                  \
    X(ReadPhoneBook,                                                                              \
      (QuarnConnection connection, _FILE_INFO* fi, _PHONEBOOK_ITEM* item, int record),            \
      (connection, fi, item, record))                                                             \
    X(WritePhoneBook,                                                                             \
      (QuarnConnection connection, _FILE_INFO* fi, _PHONEBOOK_ITEM* item, int record),            \
      (connection, fi, item, record))                                                             \
    X(OpenLastNumDialledBook, (QuarnConnection connection, _FILE_INFO* fi), (connection, fi))     \
    X(ReadLastNumDialledBook,                                                                     \
      (QuarnConnection connection, _FILE_INFO* fi, _PHONEBOOK_ITEM* item, int record),            \
      (connection, fi, item, record))                                                             \
    X(WriteLastNumDialledBook, (QuarnConnection connection, _FILE_INFO* fi, _PHONEBOOK_ITEM* item), \
      (connection, fi, item))                                                                     \
    X(OpenSMSBook, (QuarnConnection connection, _FILE_INFO* fi), (connection, fi))                \
    X(OpenUSIMSMSBook, (QuarnConnection connection, _FILE_INFO* fi), (connection, fi))            \
    X(ReadSMSBook, (QuarnConnection connection, _FILE_INFO* fi, _SMS_ITEM* item, int record),     \
      (connection, fi, item, record))                                                             \
    X(WriteSMSBook, (QuarnConnection connection, _FILE_INFO* fi, _SMS_ITEM* item, int record),    \
      (connection, fi, item, record))                                                             \
    X(OpenCDMASMSBook, (QuarnConnection connection, _FILE_INFO* fi), (connection, fi))            \
    X(ReadCDMASMSBook,                                                                            \
      (QuarnConnection connection, _FILE_INFO* fi, _CDMA_SMS_ITEM* item, int record),             \
      (connection, fi, item, record))                                                             \
    X(WriteCDMASMSBook,                                                                           \
      (QuarnConnection connection, _FILE_INFO* fi, _CDMA_SMS_ITEM* item, int record),             \
      (connection, fi, item, record))                                                             \
    X(VerifySIMCHV, (QuarnConnection connection, const char* pin, unsigned length),               \
      (connection, pin, length))                                                                  \
    X(ChangeSIMCHV,                                                                               \
      (QuarnConnection connection, const char* oldPin, unsigned oldLength, const char* newPin,    \
       unsigned newLength),                                                                       \
      (connection, oldPin, oldLength, newPin, newLength))                                         \
    X(EnableSIMCHV, (QuarnConnection connection, const char* pin, unsigned length),               \
      (connection, pin, length))                                                                  \
    X(DisableSIMCHV, (QuarnConnection connection, const char* pin, unsigned length),              \
      (connection, pin, length))                                                                  \
    X(UnBlockSIMCHV,                                                                              \
      (QuarnConnection connection, const char* puk, unsigned pukLength, const char* newPin,       \
       unsigned newLength),                                                                       \
      (connection, puk, pukLength, newPin, newLength))
// clang-format on
