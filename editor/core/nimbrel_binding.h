// The card library, loaded from the file written beside the running copy and
// bound function by function on first use. A missing library or function
// never crashes: the call answers kNotBound, and Require() lets an action find
// out before it touches the card, with a message for the user.
#pragma once

#include "nimbrel.h"

#include <QString>

#include <array>
#include <atomic>
#include <initializer_list>
#include <mutex>

namespace brisken {

enum class NimbrelFunction {
    Connect,
    ConnectAssignReader,
    DisConnect,
    IsCardExist,
    IsCDMA_RUIM,
    GetSIMCardInfo,
    GetUSIMCardInfo,
    GetSIMFileMapSize,
    OpenPhoneBook,
    OpenUISMPhoneBook,
    SelectADN,
    ReadPhoneBook,
    WritePhoneBook,
    OpenLastNumDialledBook,
    ReadLastNumDialledBook,
    WriteLastNumDialledBook,
    OpenSMSBook,
    OpenUSIMSMSBook,
    ReadSMSBook,
    WriteSMSBook,
    OpenCDMASMSBook,
    ReadCDMASMSBook,
    WriteCDMASMSBook,
    VerifySIMCHV,
    ChangeSIMCHV,
    EnableSIMCHV,
    DisableSIMCHV,
    UnBlockSIMCHV,
    Count
};

inline constexpr std::size_t kNimbrelFunctionCount =
    static_cast<std::size_t>(NimbrelFunction::Count);

const char* NimbrelFunctionName(NimbrelFunction function);

class NimbrelBinding {
public:
    // The answer of a call whose function could not be bound; non-zero, as
    // every failure, and outside the library's own codes.
    static constexpr QuarnResult kNotBound = 0x2010FFFFu;

    explicit NimbrelBinding(QString libraryPath);
    ~NimbrelBinding();
    NimbrelBinding(const NimbrelBinding&) = delete;
    NimbrelBinding& operator=(const NimbrelBinding&) = delete;

    // The process-wide binding to libnimbrel.so beside the running executable.
    static NimbrelBinding& Instance();

    // Binds every listed function. On failure returns false and, when asked,
    // tells the user (message 181 or 190) so that the action can be abandoned.
    bool Require(std::initializer_list<NimbrelFunction> functions, bool tellUser = true);
    // Address of one function, loading the library on first need; nullptr
    // when the library or the function is missing.
    void* Resolve(NimbrelFunction function);
    // What went wrong last, for the trace; empty when nothing did.
    QString LastError() const;

    QuarnResult Connect(QuarnConnection* connectionOut);
    QuarnResult ConnectAssignReader(QuarnConnection* connectionOut, const char* readerName);
    QuarnResult DisConnect(QuarnConnection connection);
    QuarnResult IsCardExist();
    QuarnResult IsCDMA_RUIM(QuarnConnection connection);
    QuarnResult GetSIMCardInfo(QuarnConnection connection, _CARD_INFO* info);
    QuarnResult GetUSIMCardInfo(QuarnConnection connection, _CARD_INFO* info);
    QuarnResult GetSIMFileMapSize(QuarnConnection connection, int* totalBytes);
    QuarnResult OpenPhoneBook(QuarnConnection connection, _FILE_INFO* fi);
    QuarnResult OpenUISMPhoneBook(QuarnConnection connection, _USIM_PHONEBOOK_INFO* info);
    QuarnResult SelectADN(QuarnConnection connection, int fileId);
    QuarnResult ReadPhoneBook(QuarnConnection connection, _FILE_INFO* fi, _PHONEBOOK_ITEM* item,
                              int record);
    QuarnResult WritePhoneBook(QuarnConnection connection, _FILE_INFO* fi, _PHONEBOOK_ITEM* item,
                               int record);
    QuarnResult OpenLastNumDialledBook(QuarnConnection connection, _FILE_INFO* fi);
    QuarnResult ReadLastNumDialledBook(QuarnConnection connection, _FILE_INFO* fi,
                                       _PHONEBOOK_ITEM* item, int record);
    QuarnResult WriteLastNumDialledBook(QuarnConnection connection, _FILE_INFO* fi,
                                        _PHONEBOOK_ITEM* item);
    QuarnResult OpenSMSBook(QuarnConnection connection, _FILE_INFO* fi);
    QuarnResult OpenUSIMSMSBook(QuarnConnection connection, _FILE_INFO* fi);
    QuarnResult ReadSMSBook(QuarnConnection connection, _FILE_INFO* fi, _SMS_ITEM* item,
                            int record);
    QuarnResult WriteSMSBook(QuarnConnection connection, _FILE_INFO* fi, _SMS_ITEM* item,
                             int record);
    QuarnResult OpenCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi);
    QuarnResult ReadCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi, _CDMA_SMS_ITEM* item,
                                int record);
    QuarnResult WriteCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi, _CDMA_SMS_ITEM* item,
                                 int record);
    QuarnResult VerifySIMCHV(QuarnConnection connection, const char* pin, unsigned length);
    QuarnResult ChangeSIMCHV(QuarnConnection connection, const char* oldPin, unsigned oldLength,
                             const char* newPin, unsigned newLength);
    QuarnResult EnableSIMCHV(QuarnConnection connection, const char* pin, unsigned length);
    QuarnResult DisableSIMCHV(QuarnConnection connection, const char* pin, unsigned length);
    QuarnResult UnBlockSIMCHV(QuarnConnection connection, const char* puk, unsigned pukLength,
                              const char* newPin, unsigned newLength);

private:
    bool LoadLibrary();

    QString libraryPath_;
    mutable std::mutex mutex_;
    void* handle_ = nullptr;
    bool loadTried_ = false;
    QString lastError_;
    std::array<std::atomic<void*>, kNimbrelFunctionCount> functions_{};
};

} // namespace brisken
