// The card library as the editor's workflows see it: one member per bound
// library function, so that the workflows run against the real library in
// the program and against a scripted one in tests.
#pragma once

#include "core/nimbrel_binding.h"
#include "nimbrel.h"

#include <initializer_list>

namespace brisken {

class CardLibrary {
public:
    virtual ~CardLibrary() = default;

    // Makes sure the listed functions can be called; false (and the user has
    // been told) when the library or one of them is missing.
    virtual bool Require(std::initializer_list<NimbrelFunction> functions) = 0;

    virtual QuarnResult Connect(QuarnConnection* connectionOut) = 0;
    virtual QuarnResult ConnectAssignReader(QuarnConnection* connectionOut,
                                            const char* readerName) = 0;
    virtual QuarnResult DisConnect(QuarnConnection connection) = 0;
    virtual QuarnResult IsCardExist() = 0;
    virtual QuarnResult IsCDMA_RUIM(QuarnConnection connection) = 0;
    virtual QuarnResult GetSIMCardInfo(QuarnConnection connection, _CARD_INFO* info) = 0;
    virtual QuarnResult GetUSIMCardInfo(QuarnConnection connection, _CARD_INFO* info) = 0;
    virtual QuarnResult GetSIMFileMapSize(QuarnConnection connection, int* totalBytes) = 0;
    virtual QuarnResult OpenPhoneBook(QuarnConnection connection, _FILE_INFO* fi) = 0;
    virtual QuarnResult OpenUISMPhoneBook(QuarnConnection connection,
                                          _USIM_PHONEBOOK_INFO* info) = 0;
    virtual QuarnResult SelectADN(QuarnConnection connection, int fileId) = 0;
    virtual QuarnResult ReadPhoneBook(QuarnConnection connection, _FILE_INFO* fi,
                                      _PHONEBOOK_ITEM* item, int record) = 0;
    virtual QuarnResult WritePhoneBook(QuarnConnection connection, _FILE_INFO* fi,
                                       _PHONEBOOK_ITEM* item, int record) = 0;
    virtual QuarnResult OpenLastNumDialledBook(QuarnConnection connection, _FILE_INFO* fi) = 0;
    virtual QuarnResult ReadLastNumDialledBook(QuarnConnection connection, _FILE_INFO* fi,
                                               _PHONEBOOK_ITEM* item, int record) = 0;
    virtual QuarnResult WriteLastNumDialledBook(QuarnConnection connection, _FILE_INFO* fi,
                                                _PHONEBOOK_ITEM* item) = 0;
    virtual QuarnResult OpenSMSBook(QuarnConnection connection, _FILE_INFO* fi) = 0;
    virtual QuarnResult OpenUSIMSMSBook(QuarnConnection connection, _FILE_INFO* fi) = 0;
    virtual QuarnResult ReadSMSBook(QuarnConnection connection, _FILE_INFO* fi, _SMS_ITEM* item,
                                    int record) = 0;
    virtual QuarnResult WriteSMSBook(QuarnConnection connection, _FILE_INFO* fi, _SMS_ITEM* item,
                                     int record) = 0;
    virtual QuarnResult OpenCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi) = 0;
    virtual QuarnResult ReadCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                        _CDMA_SMS_ITEM* item, int record) = 0;
    virtual QuarnResult WriteCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                         _CDMA_SMS_ITEM* item, int record) = 0;
    virtual QuarnResult VerifySIMCHV(QuarnConnection connection, const char* pin,
                                     unsigned length) = 0;
    virtual QuarnResult ChangeSIMCHV(QuarnConnection connection, const char* oldPin,
                                     unsigned oldLength, const char* newPin,
                                     unsigned newLength) = 0;
    virtual QuarnResult EnableSIMCHV(QuarnConnection connection, const char* pin,
                                     unsigned length) = 0;
    virtual QuarnResult DisableSIMCHV(QuarnConnection connection, const char* pin,
                                      unsigned length) = 0;
    virtual QuarnResult UnBlockSIMCHV(QuarnConnection connection, const char* puk,
                                      unsigned pukLength, const char* newPin,
                                      unsigned newLength) = 0;
};

// The library deployed beside the program, through its lazy binding. A
// missing library or function answers NimbrelBinding::kNotBound, and Require
// tells the user (messages 181 and 190).
class NimbrelCardLibrary final : public CardLibrary {
public:
    NimbrelCardLibrary();
    explicit NimbrelCardLibrary(NimbrelBinding& binding) : binding_(binding) {}

    bool Require(std::initializer_list<NimbrelFunction> functions) override;

    QuarnResult Connect(QuarnConnection* connectionOut) override;
    QuarnResult ConnectAssignReader(QuarnConnection* connectionOut,
                                    const char* readerName) override;
    QuarnResult DisConnect(QuarnConnection connection) override;
    QuarnResult IsCardExist() override;
    QuarnResult IsCDMA_RUIM(QuarnConnection connection) override;
    QuarnResult GetSIMCardInfo(QuarnConnection connection, _CARD_INFO* info) override;
    QuarnResult GetUSIMCardInfo(QuarnConnection connection, _CARD_INFO* info) override;
    QuarnResult GetSIMFileMapSize(QuarnConnection connection, int* totalBytes) override;
    QuarnResult OpenPhoneBook(QuarnConnection connection, _FILE_INFO* fi) override;
    QuarnResult OpenUISMPhoneBook(QuarnConnection connection, _USIM_PHONEBOOK_INFO* info) override;
    QuarnResult SelectADN(QuarnConnection connection, int fileId) override;
    QuarnResult ReadPhoneBook(QuarnConnection connection, _FILE_INFO* fi, _PHONEBOOK_ITEM* item,
                              int record) override;
    QuarnResult WritePhoneBook(QuarnConnection connection, _FILE_INFO* fi, _PHONEBOOK_ITEM* item,
                               int record) override;
    QuarnResult OpenLastNumDialledBook(QuarnConnection connection, _FILE_INFO* fi) override;
    QuarnResult ReadLastNumDialledBook(QuarnConnection connection, _FILE_INFO* fi,
                                       _PHONEBOOK_ITEM* item, int record) override;
    QuarnResult WriteLastNumDialledBook(QuarnConnection connection, _FILE_INFO* fi,
                                        _PHONEBOOK_ITEM* item) override;
    QuarnResult OpenSMSBook(QuarnConnection connection, _FILE_INFO* fi) override;
    QuarnResult OpenUSIMSMSBook(QuarnConnection connection, _FILE_INFO* fi) override;
    QuarnResult ReadSMSBook(QuarnConnection connection, _FILE_INFO* fi, _SMS_ITEM* item,
                            int record) override;
    QuarnResult WriteSMSBook(QuarnConnection connection, _FILE_INFO* fi, _SMS_ITEM* item,
                             int record) override;
    QuarnResult OpenCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi) override;
    QuarnResult ReadCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi, _CDMA_SMS_ITEM* item,
                                int record) override;
    QuarnResult WriteCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi, _CDMA_SMS_ITEM* item,
                                 int record) override;
    QuarnResult VerifySIMCHV(QuarnConnection connection, const char* pin, unsigned length) override;
    QuarnResult ChangeSIMCHV(QuarnConnection connection, const char* oldPin, unsigned oldLength,
                             const char* newPin, unsigned newLength) override;
    QuarnResult EnableSIMCHV(QuarnConnection connection, const char* pin, unsigned length) override;
    QuarnResult DisableSIMCHV(QuarnConnection connection, const char* pin,
                              unsigned length) override;
    QuarnResult UnBlockSIMCHV(QuarnConnection connection, const char* puk, unsigned pukLength,
                              const char* newPin, unsigned newLength) override;

private:
    NimbrelBinding& binding_;
};

} // namespace brisken
