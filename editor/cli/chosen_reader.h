// The card library with every connection made through one named reader
// (--reader): Connect becomes the library's connect-by-name.
#pragma once

#include "core/card_library.h"
#include "core/card_session.h"

#include <string>

namespace brisken::cli {

class ChosenReaderLibrary final : public CardLibrary {
public:
    ChosenReaderLibrary(CardLibrary& inner, std::string readerName)
        : inner_(inner), readerName_(std::move(readerName)) {}

    bool Require(std::initializer_list<NimbrelFunction> functions) override {
        return inner_.Require(functions);
    }
    QuarnResult Connect(QuarnConnection* connectionOut) override {
        return inner_.ConnectAssignReader(connectionOut, readerName_.c_str());
    }
    // The session's fallback name would leave the chosen reader: refused.
    QuarnResult ConnectAssignReader(QuarnConnection*, const char*) override {
        return kConnectFailed;
    }
    QuarnResult DisConnect(QuarnConnection c) override { return inner_.DisConnect(c); }
    QuarnResult IsCardExist() override { return inner_.IsCardExist(); }
    QuarnResult IsCDMA_RUIM(QuarnConnection c) override { return inner_.IsCDMA_RUIM(c); }
    QuarnResult GetSIMCardInfo(QuarnConnection c, _CARD_INFO* i) override {
        return inner_.GetSIMCardInfo(c, i);
    }
    QuarnResult GetUSIMCardInfo(QuarnConnection c, _CARD_INFO* i) override {
        return inner_.GetUSIMCardInfo(c, i);
    }
    QuarnResult GetSIMFileMapSize(QuarnConnection c, int* total) override {
        return inner_.GetSIMFileMapSize(c, total);
    }
    QuarnResult OpenPhoneBook(QuarnConnection c, _FILE_INFO* fi) override {
        return inner_.OpenPhoneBook(c, fi);
    }
    QuarnResult OpenUISMPhoneBook(QuarnConnection c, _USIM_PHONEBOOK_INFO* info) override {
        return inner_.OpenUISMPhoneBook(c, info);
    }
    QuarnResult SelectADN(QuarnConnection c, int fileId) override {
        return inner_.SelectADN(c, fileId);
    }
    QuarnResult ReadPhoneBook(QuarnConnection c, _FILE_INFO* fi, _PHONEBOOK_ITEM* item,
                              int record) override {
        return inner_.ReadPhoneBook(c, fi, item, record);
    }
    QuarnResult WritePhoneBook(QuarnConnection c, _FILE_INFO* fi, _PHONEBOOK_ITEM* item,
                               int record) override {
        return inner_.WritePhoneBook(c, fi, item, record);
    }
    QuarnResult OpenLastNumDialledBook(QuarnConnection c, _FILE_INFO* fi) override {
        return inner_.OpenLastNumDialledBook(c, fi);
    }
    QuarnResult ReadLastNumDialledBook(QuarnConnection c, _FILE_INFO* fi, _PHONEBOOK_ITEM* item,
                                       int record) override {
        return inner_.ReadLastNumDialledBook(c, fi, item, record);
    }
    QuarnResult WriteLastNumDialledBook(QuarnConnection c, _FILE_INFO* fi,
                                        _PHONEBOOK_ITEM* item) override {
        return inner_.WriteLastNumDialledBook(c, fi, item);
    }
    QuarnResult OpenSMSBook(QuarnConnection c, _FILE_INFO* fi) override {
        return inner_.OpenSMSBook(c, fi);
    }
    QuarnResult OpenUSIMSMSBook(QuarnConnection c, _FILE_INFO* fi) override {
        return inner_.OpenUSIMSMSBook(c, fi);
    }
    QuarnResult ReadSMSBook(QuarnConnection c, _FILE_INFO* fi, _SMS_ITEM* item,
                            int record) override {
        return inner_.ReadSMSBook(c, fi, item, record);
    }
    QuarnResult WriteSMSBook(QuarnConnection c, _FILE_INFO* fi, _SMS_ITEM* item,
                             int record) override {
        return inner_.WriteSMSBook(c, fi, item, record);
    }
    QuarnResult OpenCDMASMSBook(QuarnConnection c, _FILE_INFO* fi) override {
        return inner_.OpenCDMASMSBook(c, fi);
    }
    QuarnResult ReadCDMASMSBook(QuarnConnection c, _FILE_INFO* fi, _CDMA_SMS_ITEM* item,
                                int record) override {
        return inner_.ReadCDMASMSBook(c, fi, item, record);
    }
    QuarnResult WriteCDMASMSBook(QuarnConnection c, _FILE_INFO* fi, _CDMA_SMS_ITEM* item,
                                 int record) override {
        return inner_.WriteCDMASMSBook(c, fi, item, record);
    }
    QuarnResult VerifySIMCHV(QuarnConnection c, const char* pin, unsigned length) override {
        return inner_.VerifySIMCHV(c, pin, length);
    }
    QuarnResult ChangeSIMCHV(QuarnConnection c, const char* oldPin, unsigned oldLength,
                             const char* newPin, unsigned newLength) override {
        return inner_.ChangeSIMCHV(c, oldPin, oldLength, newPin, newLength);
    }
    QuarnResult EnableSIMCHV(QuarnConnection c, const char* pin, unsigned length) override {
        return inner_.EnableSIMCHV(c, pin, length);
    }
    QuarnResult DisableSIMCHV(QuarnConnection c, const char* pin, unsigned length) override {
        return inner_.DisableSIMCHV(c, pin, length);
    }
    QuarnResult UnBlockSIMCHV(QuarnConnection c, const char* puk, unsigned pukLength,
                              const char* newPin, unsigned newLength) override {
        return inner_.UnBlockSIMCHV(c, puk, pukLength, newPin, newLength);
    }

private:
    CardLibrary& inner_;
    std::string readerName_;
};

} // namespace brisken::cli
