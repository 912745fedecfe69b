#include "scripted_card_library.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace brisken::testing {
namespace {

ScriptedCardLibrary* activeLibrary = nullptr;
std::mutex activeMutex;

void CollectTrace(QtMsgType, const QMessageLogContext& context, const QString& message) {
    std::lock_guard lock(activeMutex);
    if (activeLibrary != nullptr && context.category != nullptr &&
        std::string(context.category) == "brisken.trace") {
        activeLibrary->Note(message.toStdString());
    }
}

std::string Code(const char* bytes, unsigned length) {
    std::string text(bytes, std::min(length, 8u));
    for (unsigned i = length; i < 8; ++i) {
        if (static_cast<unsigned char>(bytes[i]) != 0xFF) {
            return text + "(bad padding)";
        }
    }
    return text;
}

// Bytes of a card UCS2 field as hex units up to the terminator.
std::string Units(const std::uint8_t* bytes, std::size_t size) {
    std::string text;
    char unit[8];
    for (std::size_t i = 0; i + 1 < size && (bytes[i] != 0 || bytes[i + 1] != 0); i += 2) {
        std::snprintf(unit, sizeof unit, "%s%02X%02X", text.empty() ? "" : " ", bytes[i],
                      bytes[i + 1]);
        text += unit;
    }
    return text;
}

std::string PhoneLine(const _PHONEBOOK_ITEM& item) {
    std::string line = std::string(" name=") + item.name + " number=" + item.number;
    if (item.nameUcs2[0] != 0 || item.nameUcs2[1] != 0) {
        line += " ucs2=" + Units(item.nameUcs2, sizeof item.nameUcs2) +
                " length=" + std::to_string(item.nameLength);
    }
    return line;
}

// `recordLength`: the bytes of the record the library would write.
template <typename Item> std::string SmsLine(const Item& item, int recordLength) {
    std::string line = " status=" + std::to_string(item.status) + " address=" + item.address +
                       " stamp=" + item.timeStamp + " text='" + item.text + "'";
    if (item.textUcs2[0] != 0 || item.textUcs2[1] != 0) {
        line += " ucs2=" + Units(item.textUcs2, sizeof item.textUcs2);
    }
    // A record image handed over whole: its bytes up to the FF padding.
    const std::uint8_t* end =
        std::begin(item.record) + std::clamp(recordLength, 0, static_cast<int>(sizeof item.record));
    while (end != std::begin(item.record) && end[-1] == 0xFF) {
        --end;
    }
    if (std::any_of(std::begin(item.record), end, [](std::uint8_t b) { return b != 0; })) {
        line += " record=";
        for (const std::uint8_t* b = std::begin(item.record); b != end; ++b) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", *b);
            line += hex;
        }
    }
    return line;
}

constexpr QuarnResult kCardRemoved = 0x80100069u; // SCARD_W_REMOVED_CARD

} // namespace

ScriptedCardLibrary::ScriptedCardLibrary(ScriptedCard card) : card_(std::move(card)) {
    QLoggingCategory::setFilterRules(QStringLiteral("brisken.trace.debug=true"));
    std::lock_guard lock(activeMutex);
    activeLibrary = this;
    previousHandler_ = qInstallMessageHandler(CollectTrace);
}

ScriptedCardLibrary::~ScriptedCardLibrary() {
    std::lock_guard lock(activeMutex);
    qInstallMessageHandler(previousHandler_);
    activeLibrary = nullptr;
}

void ScriptedCardLibrary::Note(std::string line) {
    std::lock_guard lock(mutex_);
    log_.push_back(std::move(line));
}

std::vector<std::string> ScriptedCardLibrary::TakeLog() {
    std::lock_guard lock(mutex_);
    return std::exchange(log_, {});
}

QuarnResult ScriptedCardLibrary::Connect(QuarnConnection* connectionOut) {
    Note("Connect");
    if (card_.connectFailures > 0) {
        --card_.connectFailures;
        return QUARN_E_NO_CARD;
    }
    if (card_.connectsAllowed == 0) {
        return QUARN_E_NO_CARD;
    }
    if (card_.connectsAllowed > 0) {
        --card_.connectsAllowed;
    }
    *connectionOut = nextConnection_++;
    ++openConnections_;
    return QUARN_OK;
}

QuarnResult ScriptedCardLibrary::ConnectAssignReader(QuarnConnection* connectionOut,
                                                     const char* readerName) {
    Note(std::string("ConnectAssignReader ") + readerName);
    if (!card_.fallbackConnects || card_.connectsAllowed == 0) {
        return QUARN_E_NO_CARD;
    }
    *connectionOut = nextConnection_++;
    ++openConnections_;
    return QUARN_OK;
}

QuarnResult ScriptedCardLibrary::DisConnect(QuarnConnection) {
    Note("DisConnect");
    --openConnections_;
    return QUARN_OK;
}

QuarnResult ScriptedCardLibrary::IsCDMA_RUIM(QuarnConnection) {
    Note("IsCDMA_RUIM");
    return card_.cdma ? QUARN_OK : QUARN_E_BAD_ANSWER;
}

QuarnResult ScriptedCardLibrary::GetSIMCardInfo(QuarnConnection, _CARD_INFO* info) {
    Note("GetSIMCardInfo");
    if (card_.simInfoFails) {
        return QUARN_E_BAD_ANSWER;
    }
    *info = card_.info;
    return QUARN_OK;
}

QuarnResult ScriptedCardLibrary::GetUSIMCardInfo(QuarnConnection, _CARD_INFO* info) {
    Note("GetUSIMCardInfo");
    if (!card_.usim) {
        return QUARN_E_USIM_NOT_FOUND;
    }
    *info = card_.info;
    return QUARN_OK;
}

QuarnResult ScriptedCardLibrary::OpenFile(const char* name, std::size_t records, _FILE_INFO* fi,
                                          int recordLength) {
    Note(name);
    if (card_.openFails) {
        return QUARN_E_BAD_ANSWER;
    }
    fi->recordLength = recordLength;
    fi->recordCount = static_cast<int32_t>(records);
    fi->fileSize = fi->recordLength * fi->recordCount;
    return QUARN_OK;
}

QuarnResult ScriptedCardLibrary::OpenPhoneBook(QuarnConnection, _FILE_INFO* fi) {
    return OpenFile("OpenPhoneBook", card_.adnFiles.front().size(), fi);
}

QuarnResult ScriptedCardLibrary::OpenUISMPhoneBook(QuarnConnection, _USIM_PHONEBOOK_INFO* info) {
    Note("OpenUISMPhoneBook");
    if (card_.openFails) {
        return QUARN_E_USIM_NOT_FOUND;
    }
    *info = _USIM_PHONEBOOK_INFO{};
    info->fileCount = static_cast<int32_t>(card_.fileIds.size());
    for (std::size_t i = 0; i < card_.fileIds.size() && i < 15; ++i) {
        info->fileId[i] = card_.fileIds[i];
        info->files[i].recordLength = 30;
        info->files[i].recordCount = static_cast<int32_t>(card_.adnFiles[i].size());
        info->totalRecords += info->files[i].recordCount;
    }
    return QUARN_OK;
}

QuarnResult ScriptedCardLibrary::SelectADN(QuarnConnection, int fileId) {
    char line[32];
    std::snprintf(line, sizeof line, "SelectADN %04X", static_cast<unsigned>(fileId));
    Note(line);
    if (card_.failingSelects.count(fileId) != 0) {
        return QUARN_E_BAD_ANSWER;
    }
    const auto found = std::find(card_.fileIds.begin(), card_.fileIds.end(), fileId);
    selectedFile_ = static_cast<int>(found - card_.fileIds.begin());
    return QUARN_OK;
}

QuarnResult ScriptedCardLibrary::ReadPhoneBook(QuarnConnection, _FILE_INFO*, _PHONEBOOK_ITEM* item,
                                               int record) {
    Note("ReadPhoneBook " + std::to_string(record));
    if (card_.readDelayMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(card_.readDelayMs));
    }
    const auto file = static_cast<std::size_t>(selectedFile_);
    if (file >= card_.adnFiles.size() || record < 1 ||
        static_cast<std::size_t>(record) > card_.adnFiles[file].size() ||
        card_.failingReads.count({selectedFile_, record}) != 0) {
        return QUARN_E_BAD_ANSWER;
    }
    *item = card_.adnFiles[file][static_cast<std::size_t>(record - 1)];
    return QUARN_OK;
}

QuarnResult ScriptedCardLibrary::OpenLastNumDialledBook(QuarnConnection, _FILE_INFO* fi) {
    return OpenFile("OpenLastNumDialledBook", card_.lastDialled.size(), fi);
}

QuarnResult ScriptedCardLibrary::ReadLastNumDialledBook(QuarnConnection, _FILE_INFO*,
                                                        _PHONEBOOK_ITEM* item, int record) {
    Note("ReadLastNumDialledBook " + std::to_string(record));
    *item = card_.lastDialled.at(static_cast<std::size_t>(record - 1));
    return QUARN_OK;
}

QuarnResult ScriptedCardLibrary::OpenSMSBook(QuarnConnection, _FILE_INFO* fi) {
    return OpenFile("OpenSMSBook", card_.sms.size(), fi, card_.smsRecordLength);
}

QuarnResult ScriptedCardLibrary::OpenUSIMSMSBook(QuarnConnection, _FILE_INFO* fi) {
    return OpenFile("OpenUSIMSMSBook", card_.sms.size(), fi, card_.smsRecordLength);
}

QuarnResult ScriptedCardLibrary::ReadSMSBook(QuarnConnection, _FILE_INFO*, _SMS_ITEM* item,
                                             int record) {
    Note("ReadSMSBook " + std::to_string(record));
    if (card_.failingSmsReads.count(record) != 0) {
        return QUARN_E_BAD_ANSWER;
    }
    *item = card_.sms.at(static_cast<std::size_t>(record - 1));
    return QUARN_OK;
}

QuarnResult ScriptedCardLibrary::OpenCDMASMSBook(QuarnConnection, _FILE_INFO* fi) {
    return OpenFile("OpenCDMASMSBook", card_.cdmaSms.size(), fi, card_.smsRecordLength);
}

QuarnResult ScriptedCardLibrary::ReadCDMASMSBook(QuarnConnection, _FILE_INFO*, _CDMA_SMS_ITEM* item,
                                                 int record) {
    Note("ReadCDMASMSBook " + std::to_string(record));
    *item = card_.cdmaSms.at(static_cast<std::size_t>(record - 1));
    return QUARN_OK;
}

QuarnResult ScriptedCardLibrary::Written(const std::string& line, int record) {
    Note(line);
    std::this_thread::sleep_for(std::chrono::milliseconds(card_.writeDelayMs));
    if (card_.writesBeforeRemoval == 0) {
        return kCardRemoved;
    }
    if (card_.writesBeforeRemoval > 0) {
        --card_.writesBeforeRemoval;
    }
    return card_.failingWrites.count(record) != 0 ? QUARN_E_STATUS_BASE + 0x6581 : QUARN_OK;
}

QuarnResult ScriptedCardLibrary::WritePhoneBook(QuarnConnection, _FILE_INFO*, _PHONEBOOK_ITEM* item,
                                                int record) {
    return Written("WritePhoneBook " + std::to_string(record) + PhoneLine(*item), record);
}

QuarnResult ScriptedCardLibrary::WriteLastNumDialledBook(QuarnConnection, _FILE_INFO*,
                                                         _PHONEBOOK_ITEM* item) {
    return Written("WriteLastNumDialledBook" + PhoneLine(*item), ++lastDialledWrites_);
}

QuarnResult ScriptedCardLibrary::WriteSMSBook(QuarnConnection, _FILE_INFO*, _SMS_ITEM* item,
                                              int record) {
    return Written("WriteSMSBook " + std::to_string(record) + SmsLine(*item, card_.smsRecordLength),
                   record);
}

QuarnResult ScriptedCardLibrary::WriteCDMASMSBook(QuarnConnection, _FILE_INFO*,
                                                  _CDMA_SMS_ITEM* item, int record) {
    return Written("WriteCDMASMSBook " + std::to_string(record) +
                       SmsLine(*item, card_.smsRecordLength),
                   record);
}

QuarnResult ScriptedCardLibrary::GetSIMFileMapSize(QuarnConnection, int* totalBytes) {
    Note("GetSIMFileMapSize");
    std::this_thread::sleep_for(std::chrono::milliseconds(card_.fileMapDelayMs));
    *totalBytes = static_cast<int>(card_.fileMapSize);
    return card_.fileMapResult;
}

bool ScriptedCardLibrary::PinMatches(const char* pin, unsigned length,
                                     const std::string& expected) {
    return std::string(pin, std::min(length, 8u)) == expected;
}

QuarnResult ScriptedCardLibrary::VerifySIMCHV(QuarnConnection, const char* pin, unsigned length) {
    Note("VerifySIMCHV " + Code(pin, length));
    if (card_.pinAttempts == 0 || !PinMatches(pin, length, card_.pin)) {
        card_.pinAttempts = std::max(card_.pinAttempts - 1, 0);
        return QUARN_E_STATUS_BASE + 0x9804;
    }
    card_.pinAttempts = 3;
    return QUARN_OK;
}

QuarnResult ScriptedCardLibrary::ChangeSIMCHV(QuarnConnection, const char* oldPin,
                                              unsigned oldLength, const char* newPin,
                                              unsigned newLength) {
    Note("ChangeSIMCHV " + Code(oldPin, oldLength) + " " + Code(newPin, newLength));
    if (!PinMatches(oldPin, oldLength, card_.pin)) {
        return QUARN_E_STATUS_BASE + 0x9804;
    }
    card_.pin.assign(newPin, newLength);
    return QUARN_OK;
}

QuarnResult ScriptedCardLibrary::EnableSIMCHV(QuarnConnection, const char* pin, unsigned length) {
    Note("EnableSIMCHV " + Code(pin, length));
    return PinMatches(pin, length, card_.pin) ? QUARN_OK : QUARN_E_STATUS_BASE + 0x9804;
}

QuarnResult ScriptedCardLibrary::DisableSIMCHV(QuarnConnection, const char* pin, unsigned length) {
    Note("DisableSIMCHV " + Code(pin, length));
    return PinMatches(pin, length, card_.pin) ? QUARN_OK : QUARN_E_STATUS_BASE + 0x9804;
}

QuarnResult ScriptedCardLibrary::UnBlockSIMCHV(QuarnConnection, const char* puk, unsigned pukLength,
                                               const char* newPin, unsigned newLength) {
    Note("UnBlockSIMCHV " + Code(puk, pukLength) + " " + Code(newPin, newLength));
    if (!PinMatches(puk, pukLength, card_.puk)) {
        return QUARN_E_STATUS_BASE + 0x9804;
    }
    card_.pin.assign(newPin, newLength);
    card_.pinAttempts = 3;
    return QUARN_OK;
}

} // namespace brisken::testing
