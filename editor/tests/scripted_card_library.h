// A card library in the test process: a card described by the test, and a
// log of every library call and trace line in the order they happened.
#pragma once

#include "core/card_library.h"

#include <QLoggingCategory>
#include <QString>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace brisken::testing {

// Into a fixed field, cut so that a terminator always fits.
template <std::size_t N> void CopyText(char (&field)[N], const char* text) {
    const std::size_t length = std::min(std::strlen(text), N - 1);
    std::memcpy(field, text, length);
    field[length] = '\0';
}

inline _PHONEBOOK_ITEM PhoneItem(const char* name, const char* number) {
    _PHONEBOOK_ITEM item{};
    CopyText(item.name, name);
    CopyText(item.number, number);
    item.nameLength = static_cast<int32_t>(std::strlen(item.name));
    return item;
}

// A name the card holds in UCS2 only (high byte first).
inline _PHONEBOOK_ITEM WideItem(const std::u16string& name, const char* number) {
    _PHONEBOOK_ITEM item{};
    for (std::size_t i = 0; i < name.size(); ++i) {
        item.nameUcs2[2 * i] = static_cast<std::uint8_t>(name[i] >> 8);
        item.nameUcs2[2 * i + 1] = static_cast<std::uint8_t>(name[i]);
    }
    item.nameLength = static_cast<int32_t>(name.size());
    CopyText(item.number, number);
    return item;
}

template <typename Item>
Item SmsItem(std::uint8_t status, const char* address, const char* stamp, const char* text) {
    Item item{};
    item.status = status;
    CopyText(item.address, address);
    CopyText(item.timeStamp, stamp);
    CopyText(item.text, text);
    return item;
}

struct ScriptedCard {
    bool usim = false;
    bool cdma = false;
    int connectFailures = 0;  // Quarn_Connect fails this many times first
    int connectsAllowed = -1; // then succeeds this many times (-1: always)
    bool fallbackConnects = true;
    bool simInfoFails = false;
    bool openFails = false;
    _CARD_INFO info{};
    // Phone-book files; a GSM SIM or R-UIM uses the first only.
    std::vector<std::vector<_PHONEBOOK_ITEM>> adnFiles{{}};
    std::vector<int> fileIds;
    std::set<std::pair<int, int>> failingReads; // (file index, record)
    std::set<int> failingSelects;               // file ids
    std::vector<_PHONEBOOK_ITEM> lastDialled;
    std::vector<_SMS_ITEM> sms;
    std::vector<_CDMA_SMS_ITEM> cdmaSms;
    std::set<int> failingSmsReads; // record numbers
    int smsRecordLength = 30;
    std::string pin = "1234";
    std::string puk = "87654321";
    int pinAttempts = 3;
    int readDelayMs = 0;          // per record, to keep a read running
    std::set<int> failingWrites;  // record numbers (last-dialled: the n-th write)
    int writesBeforeRemoval = -1; // then every call answers "card removed"
    int writeDelayMs = 0;         // per record, to keep a write running
    std::uint32_t fileMapSize = 0;
    QuarnResult fileMapResult = QUARN_OK;
    int fileMapDelayMs = 0;
};

class ScriptedCardLibrary final : public CardLibrary {
public:
    explicit ScriptedCardLibrary(ScriptedCard card);
    ~ScriptedCardLibrary() override;

    ScriptedCard& Card() { return card_; }
    // Calls and trace lines so far; clears the log.
    std::vector<std::string> TakeLog();
    void Note(std::string line);
    int OpenConnections() const { return openConnections_; }

    bool Require(std::initializer_list<NimbrelFunction>) override { return true; }
    QuarnResult Connect(QuarnConnection* connectionOut) override;
    QuarnResult ConnectAssignReader(QuarnConnection* connectionOut,
                                    const char* readerName) override;
    QuarnResult DisConnect(QuarnConnection connection) override;
    QuarnResult IsCardExist() override { return QUARN_OK; }
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
    bool PinMatches(const char* pin, unsigned length, const std::string& expected);
    QuarnResult OpenFile(const char* name, std::size_t records, _FILE_INFO* fi,
                         int recordLength = 30);
    // Logs the write and answers it: a failing record, or a removed card.
    QuarnResult Written(const std::string& line, int record);
    int lastDialledWrites_ = 0;

    ScriptedCard card_;
    mutable std::mutex mutex_;
    std::vector<std::string> log_;
    int openConnections_ = 0;
    QuarnConnection nextConnection_ = 1;
    int selectedFile_ = 0;
    QtMessageHandler previousHandler_ = nullptr;
};

} // namespace brisken::testing
