#include "core/card_library.h"

namespace brisken {

NimbrelCardLibrary::NimbrelCardLibrary() : binding_(NimbrelBinding::Instance()) {}

bool NimbrelCardLibrary::Require(std::initializer_list<NimbrelFunction> functions) {
    return binding_.Require(functions);
}

QuarnResult NimbrelCardLibrary::Connect(QuarnConnection* connectionOut) {
    return binding_.Connect(connectionOut);
}

QuarnResult NimbrelCardLibrary::ConnectAssignReader(QuarnConnection* connectionOut,
                                                    const char* readerName) {
    return binding_.ConnectAssignReader(connectionOut, readerName);
}

QuarnResult NimbrelCardLibrary::DisConnect(QuarnConnection connection) {
    return binding_.DisConnect(connection);
}

QuarnResult NimbrelCardLibrary::IsCardExist() {
    return binding_.IsCardExist();
}

QuarnResult NimbrelCardLibrary::IsCDMA_RUIM(QuarnConnection connection) {
    return binding_.IsCDMA_RUIM(connection);
}

QuarnResult NimbrelCardLibrary::GetSIMCardInfo(QuarnConnection connection, _CARD_INFO* info) {
    return binding_.GetSIMCardInfo(connection, info);
}

QuarnResult NimbrelCardLibrary::GetUSIMCardInfo(QuarnConnection connection, _CARD_INFO* info) {
    return binding_.GetUSIMCardInfo(connection, info);
}

QuarnResult NimbrelCardLibrary::GetSIMFileMapSize(QuarnConnection connection, int* totalBytes) {
    return binding_.GetSIMFileMapSize(connection, totalBytes);
}

QuarnResult NimbrelCardLibrary::OpenPhoneBook(QuarnConnection connection, _FILE_INFO* fi) {
    return binding_.OpenPhoneBook(connection, fi);
}

QuarnResult NimbrelCardLibrary::OpenUISMPhoneBook(QuarnConnection connection,
                                                  _USIM_PHONEBOOK_INFO* info) {
    return binding_.OpenUISMPhoneBook(connection, info);
}

QuarnResult NimbrelCardLibrary::SelectADN(QuarnConnection connection, int fileId) {
    return binding_.SelectADN(connection, fileId);
}

QuarnResult NimbrelCardLibrary::ReadPhoneBook(QuarnConnection connection, _FILE_INFO* fi,
                                              _PHONEBOOK_ITEM* item, int record) {
    return binding_.ReadPhoneBook(connection, fi, item, record);
}

QuarnResult NimbrelCardLibrary::WritePhoneBook(QuarnConnection connection, _FILE_INFO* fi,
                                               _PHONEBOOK_ITEM* item, int record) {
    return binding_.WritePhoneBook(connection, fi, item, record);
}

QuarnResult NimbrelCardLibrary::OpenLastNumDialledBook(QuarnConnection connection, _FILE_INFO* fi) {
    return binding_.OpenLastNumDialledBook(connection, fi);
}

QuarnResult NimbrelCardLibrary::ReadLastNumDialledBook(QuarnConnection connection, _FILE_INFO* fi,
                                                       _PHONEBOOK_ITEM* item, int record) {
    return binding_.ReadLastNumDialledBook(connection, fi, item, record);
}

QuarnResult NimbrelCardLibrary::WriteLastNumDialledBook(QuarnConnection connection, _FILE_INFO* fi,
                                                        _PHONEBOOK_ITEM* item) {
    return binding_.WriteLastNumDialledBook(connection, fi, item);
}

QuarnResult NimbrelCardLibrary::OpenSMSBook(QuarnConnection connection, _FILE_INFO* fi) {
    return binding_.OpenSMSBook(connection, fi);
}

QuarnResult NimbrelCardLibrary::OpenUSIMSMSBook(QuarnConnection connection, _FILE_INFO* fi) {
    return binding_.OpenUSIMSMSBook(connection, fi);
}

QuarnResult NimbrelCardLibrary::ReadSMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                            _SMS_ITEM* item, int record) {
    return binding_.ReadSMSBook(connection, fi, item, record);
}

QuarnResult NimbrelCardLibrary::WriteSMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                             _SMS_ITEM* item, int record) {
    return binding_.WriteSMSBook(connection, fi, item, record);
}

QuarnResult NimbrelCardLibrary::OpenCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi) {
    return binding_.OpenCDMASMSBook(connection, fi);
}

QuarnResult NimbrelCardLibrary::ReadCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                                _CDMA_SMS_ITEM* item, int record) {
    return binding_.ReadCDMASMSBook(connection, fi, item, record);
}

QuarnResult NimbrelCardLibrary::WriteCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                                 _CDMA_SMS_ITEM* item, int record) {
    return binding_.WriteCDMASMSBook(connection, fi, item, record);
}

QuarnResult NimbrelCardLibrary::VerifySIMCHV(QuarnConnection connection, const char* pin,
                                             unsigned length) {
    return binding_.VerifySIMCHV(connection, pin, length);
}

QuarnResult NimbrelCardLibrary::ChangeSIMCHV(QuarnConnection connection, const char* oldPin,
                                             unsigned oldLength, const char* newPin,
                                             unsigned newLength) {
    return binding_.ChangeSIMCHV(connection, oldPin, oldLength, newPin, newLength);
}

QuarnResult NimbrelCardLibrary::EnableSIMCHV(QuarnConnection connection, const char* pin,
                                             unsigned length) {
    return binding_.EnableSIMCHV(connection, pin, length);
}

QuarnResult NimbrelCardLibrary::DisableSIMCHV(QuarnConnection connection, const char* pin,
                                              unsigned length) {
    return binding_.DisableSIMCHV(connection, pin, length);
}

QuarnResult NimbrelCardLibrary::UnBlockSIMCHV(QuarnConnection connection, const char* puk,
                                              unsigned pukLength, const char* newPin,
                                              unsigned newLength) {
    return binding_.UnBlockSIMCHV(connection, puk, pukLength, newPin, newLength);
}

} // namespace brisken
