#include "core/nimbrel_binding.h"

#include "core/catalogue.h"
#include "core/messages.h"
#include "core/startup.h"

#include <QDir>
#include <QFile>

#include <dlfcn.h>

namespace brisken {
namespace {

constexpr std::array<const char*, kNimbrelFunctionCount> kNames = {"Quarn_Connect",
                                                                   "Quarn_ConnectAssignReader",
                                                                   "Quarn_DisConnect",
                                                                   "Quarn_IsCardExist",
                                                                   "Quarn_IsCDMA_RUIM",
                                                                   "Quarn_GetSIMCardInfo",
                                                                   "Quarn_GetUSIMCardInfo",
                                                                   "Quarn_GetSIMFileMapSize",
                                                                   "Quarn_OpenPhoneBook",
                                                                   "Quarn_OpenUISMPhoneBook",
                                                                   "Quarn_SelectADN",
                                                                   "Quarn_ReadPhoneBook",
                                                                   "Quarn_WritePhoneBook",
                                                                   "Quarn_OpenLastNumDialledBook",
                                                                   "Quarn_ReadLastNumDialledBook",
                                                                   "Quarn_WriteLastNumDialledBook",
                                                                   "Quarn_OpenSMSBook",
                                                                   "Quarn_OpenUSIMSMSBook",
                                                                   "Quarn_ReadSMSBook",
                                                                   "Quarn_WriteSMSBook",
                                                                   "Quarn_OpenCDMASMSBook",
                                                                   "Quarn_ReadCDMASMSBook",
                                                                   "Quarn_WriteCDMASMSBook",
                                                                   "Quarn_VerifySIMCHV",
                                                                   "Quarn_ChangeSIMCHV",
                                                                   "Quarn_EnableSIMCHV",
                                                                   "Quarn_DisableSIMCHV",
                                                                   "Quarn_UnBlockSIMCHV"};

} // namespace

const char* NimbrelFunctionName(NimbrelFunction function) {
    const auto index = static_cast<std::size_t>(function);
    return index < kNames.size() ? kNames[index] : "";
}

NimbrelBinding::NimbrelBinding(QString libraryPath) : libraryPath_(std::move(libraryPath)) {}

// The library stays loaded for the life of the process, as workers may still
// hold its functions; the handle is only dropped with the binding itself.
NimbrelBinding::~NimbrelBinding() {
    if (handle_ != nullptr) {
        ::dlclose(handle_);
    }
}

NimbrelBinding& NimbrelBinding::Instance() {
    static NimbrelBinding binding(
        QDir(ExecutableDirectory()).filePath(QString::fromLatin1(kLibraryFileName)));
    return binding;
}

bool NimbrelBinding::LoadLibrary() {
    if (loadTried_) {
        return handle_ != nullptr;
    }
    loadTried_ = true;
    // Only the absolute path: never the search path, never the current directory.
    if (!QDir::isAbsolutePath(libraryPath_)) {
        lastError_ = QStringLiteral("library path is not absolute: %1").arg(libraryPath_);
        return false;
    }
    handle_ = ::dlopen(QFile::encodeName(libraryPath_).constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* error = ::dlerror();
        lastError_ = error ? QString::fromLocal8Bit(error) : libraryPath_;
        return false;
    }
    return true;
}

void* NimbrelBinding::Resolve(NimbrelFunction function) {
    const auto index = static_cast<std::size_t>(function);
    if (index >= kNimbrelFunctionCount) {
        return nullptr;
    }
    if (void* bound = functions_[index].load(std::memory_order_acquire)) {
        return bound;
    }
    std::lock_guard lock(mutex_);
    if (!LoadLibrary()) {
        return nullptr;
    }
    ::dlerror();
    void* symbol = ::dlsym(handle_, kNames[index]);
    if (symbol == nullptr) {
        lastError_ =
            QStringLiteral("%1 not found in %2").arg(QLatin1String(kNames[index]), libraryPath_);
        return nullptr;
    }
    functions_[index].store(symbol, std::memory_order_release);
    return symbol;
}

QString NimbrelBinding::LastError() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

bool NimbrelBinding::Require(std::initializer_list<NimbrelFunction> functions, bool tellUser) {
    for (NimbrelFunction function : functions) {
        if (Resolve(function) != nullptr) {
            continue;
        }
        if (tellUser) {
            bool loaded = false;
            {
                std::lock_guard lock(mutex_);
                loaded = handle_ != nullptr;
            }
            if (loaded) {
                ShowCatalogueMessage(kMsgLibraryFunctionMissing,
                                     QLatin1String(NimbrelFunctionName(function)));
            } else {
                ShowCatalogueMessage(kMsgLibraryLoadFailed);
            }
        }
        return false;
    }
    return true;
}

QuarnResult NimbrelBinding::Connect(QuarnConnection* connectionOut) {
    auto* function =
        reinterpret_cast<decltype(&::Quarn_Connect)>(Resolve(NimbrelFunction::Connect));
    return function ? function(connectionOut) : kNotBound;
}

QuarnResult NimbrelBinding::ConnectAssignReader(QuarnConnection* connectionOut,
                                                const char* readerName) {
    auto* function = reinterpret_cast<decltype(&::Quarn_ConnectAssignReader)>(
        Resolve(NimbrelFunction::ConnectAssignReader));
    return function ? function(connectionOut, readerName) : kNotBound;
}

QuarnResult NimbrelBinding::DisConnect(QuarnConnection connection) {
    auto* function =
        reinterpret_cast<decltype(&::Quarn_DisConnect)>(Resolve(NimbrelFunction::DisConnect));
    return function ? function(connection) : kNotBound;
}

QuarnResult NimbrelBinding::IsCardExist() {
    auto* function =
        reinterpret_cast<decltype(&::Quarn_IsCardExist)>(Resolve(NimbrelFunction::IsCardExist));
    return function ? function() : kNotBound;
}

QuarnResult NimbrelBinding::IsCDMA_RUIM(QuarnConnection connection) {
    auto* function =
        reinterpret_cast<decltype(&::Quarn_IsCDMA_RUIM)>(Resolve(NimbrelFunction::IsCDMA_RUIM));
    return function ? function(connection) : kNotBound;
}

QuarnResult NimbrelBinding::GetSIMCardInfo(QuarnConnection connection, _CARD_INFO* info) {
    auto* function = reinterpret_cast<decltype(&::Quarn_GetSIMCardInfo)>(
        Resolve(NimbrelFunction::GetSIMCardInfo));
    return function ? function(connection, info) : kNotBound;
}

QuarnResult NimbrelBinding::GetUSIMCardInfo(QuarnConnection connection, _CARD_INFO* info) {
    auto* function = reinterpret_cast<decltype(&::Quarn_GetUSIMCardInfo)>(
        Resolve(NimbrelFunction::GetUSIMCardInfo));
    return function ? function(connection, info) : kNotBound;
}

QuarnResult NimbrelBinding::GetSIMFileMapSize(QuarnConnection connection, int* totalBytes) {
    auto* function = reinterpret_cast<decltype(&::Quarn_GetSIMFileMapSize)>(
        Resolve(NimbrelFunction::GetSIMFileMapSize));
    return function ? function(connection, totalBytes) : kNotBound;
}

QuarnResult NimbrelBinding::OpenPhoneBook(QuarnConnection connection, _FILE_INFO* fi) {
    auto* function =
        reinterpret_cast<decltype(&::Quarn_OpenPhoneBook)>(Resolve(NimbrelFunction::OpenPhoneBook));
    return function ? function(connection, fi) : kNotBound;
}

QuarnResult NimbrelBinding::OpenUISMPhoneBook(QuarnConnection connection,
                                              _USIM_PHONEBOOK_INFO* info) {
    auto* function = reinterpret_cast<decltype(&::Quarn_OpenUISMPhoneBook)>(
        Resolve(NimbrelFunction::OpenUISMPhoneBook));
    return function ? function(connection, info) : kNotBound;
}

QuarnResult NimbrelBinding::SelectADN(QuarnConnection connection, int fileId) {
    auto* function =
        reinterpret_cast<decltype(&::Quarn_SelectADN)>(Resolve(NimbrelFunction::SelectADN));
    return function ? function(connection, fileId) : kNotBound;
}

QuarnResult NimbrelBinding::ReadPhoneBook(QuarnConnection connection, _FILE_INFO* fi,
                                          _PHONEBOOK_ITEM* item, int record) {
    auto* function =
        reinterpret_cast<decltype(&::Quarn_ReadPhoneBook)>(Resolve(NimbrelFunction::ReadPhoneBook));
    return function ? function(connection, fi, item, record) : kNotBound;
}

QuarnResult NimbrelBinding::WritePhoneBook(QuarnConnection connection, _FILE_INFO* fi,
                                           _PHONEBOOK_ITEM* item, int record) {
    auto* function = reinterpret_cast<decltype(&::Quarn_WritePhoneBook)>(
        Resolve(NimbrelFunction::WritePhoneBook));
    return function ? function(connection, fi, item, record) : kNotBound;
}

QuarnResult NimbrelBinding::OpenLastNumDialledBook(QuarnConnection connection, _FILE_INFO* fi) {
    auto* function = reinterpret_cast<decltype(&::Quarn_OpenLastNumDialledBook)>(
        Resolve(NimbrelFunction::OpenLastNumDialledBook));
    return function ? function(connection, fi) : kNotBound;
}

QuarnResult NimbrelBinding::ReadLastNumDialledBook(QuarnConnection connection, _FILE_INFO* fi,
                                                   _PHONEBOOK_ITEM* item, int record) {
    auto* function = reinterpret_cast<decltype(&::Quarn_ReadLastNumDialledBook)>(
        Resolve(NimbrelFunction::ReadLastNumDialledBook));
    return function ? function(connection, fi, item, record) : kNotBound;
}

QuarnResult NimbrelBinding::WriteLastNumDialledBook(QuarnConnection connection, _FILE_INFO* fi,
                                                    _PHONEBOOK_ITEM* item) {
    auto* function = reinterpret_cast<decltype(&::Quarn_WriteLastNumDialledBook)>(
        Resolve(NimbrelFunction::WriteLastNumDialledBook));
    return function ? function(connection, fi, item) : kNotBound;
}

QuarnResult NimbrelBinding::OpenSMSBook(QuarnConnection connection, _FILE_INFO* fi) {
    auto* function =
        reinterpret_cast<decltype(&::Quarn_OpenSMSBook)>(Resolve(NimbrelFunction::OpenSMSBook));
    return function ? function(connection, fi) : kNotBound;
}

QuarnResult NimbrelBinding::OpenUSIMSMSBook(QuarnConnection connection, _FILE_INFO* fi) {
    auto* function = reinterpret_cast<decltype(&::Quarn_OpenUSIMSMSBook)>(
        Resolve(NimbrelFunction::OpenUSIMSMSBook));
    return function ? function(connection, fi) : kNotBound;
}

QuarnResult NimbrelBinding::ReadSMSBook(QuarnConnection connection, _FILE_INFO* fi, _SMS_ITEM* item,
                                        int record) {
    auto* function =
        reinterpret_cast<decltype(&::Quarn_ReadSMSBook)>(Resolve(NimbrelFunction::ReadSMSBook));
    return function ? function(connection, fi, item, record) : kNotBound;
}

QuarnResult NimbrelBinding::WriteSMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                         _SMS_ITEM* item, int record) {
    auto* function =
        reinterpret_cast<decltype(&::Quarn_WriteSMSBook)>(Resolve(NimbrelFunction::WriteSMSBook));
    return function ? function(connection, fi, item, record) : kNotBound;
}

QuarnResult NimbrelBinding::OpenCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi) {
    auto* function = reinterpret_cast<decltype(&::Quarn_OpenCDMASMSBook)>(
        Resolve(NimbrelFunction::OpenCDMASMSBook));
    return function ? function(connection, fi) : kNotBound;
}

QuarnResult NimbrelBinding::ReadCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                            _CDMA_SMS_ITEM* item, int record) {
    auto* function = reinterpret_cast<decltype(&::Quarn_ReadCDMASMSBook)>(
        Resolve(NimbrelFunction::ReadCDMASMSBook));
    return function ? function(connection, fi, item, record) : kNotBound;
}

QuarnResult NimbrelBinding::WriteCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                             _CDMA_SMS_ITEM* item, int record) {
    auto* function = reinterpret_cast<decltype(&::Quarn_WriteCDMASMSBook)>(
        Resolve(NimbrelFunction::WriteCDMASMSBook));
    return function ? function(connection, fi, item, record) : kNotBound;
}

QuarnResult NimbrelBinding::VerifySIMCHV(QuarnConnection connection, const char* pin,
                                         unsigned length) {
    auto* function =
        reinterpret_cast<decltype(&::Quarn_VerifySIMCHV)>(Resolve(NimbrelFunction::VerifySIMCHV));
    return function ? function(connection, pin, length) : kNotBound;
}

QuarnResult NimbrelBinding::ChangeSIMCHV(QuarnConnection connection, const char* oldPin,
                                         unsigned oldLength, const char* newPin,
                                         unsigned newLength) {
    auto* function =
        reinterpret_cast<decltype(&::Quarn_ChangeSIMCHV)>(Resolve(NimbrelFunction::ChangeSIMCHV));
    return function ? function(connection, oldPin, oldLength, newPin, newLength) : kNotBound;
}

QuarnResult NimbrelBinding::EnableSIMCHV(QuarnConnection connection, const char* pin,
                                         unsigned length) {
    auto* function =
        reinterpret_cast<decltype(&::Quarn_EnableSIMCHV)>(Resolve(NimbrelFunction::EnableSIMCHV));
    return function ? function(connection, pin, length) : kNotBound;
}

QuarnResult NimbrelBinding::DisableSIMCHV(QuarnConnection connection, const char* pin,
                                          unsigned length) {
    auto* function =
        reinterpret_cast<decltype(&::Quarn_DisableSIMCHV)>(Resolve(NimbrelFunction::DisableSIMCHV));
    return function ? function(connection, pin, length) : kNotBound;
}

QuarnResult NimbrelBinding::UnBlockSIMCHV(QuarnConnection connection, const char* puk,
                                          unsigned pukLength, const char* newPin,
                                          unsigned newLength) {
    auto* function =
        reinterpret_cast<decltype(&::Quarn_UnBlockSIMCHV)>(Resolve(NimbrelFunction::UnBlockSIMCHV));
    return function ? function(connection, puk, pukLength, newPin, newLength) : kNotBound;
}

} // namespace brisken
