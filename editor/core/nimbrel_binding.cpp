#include "core/nimbrel_binding.h"

#include "core/catalogue.h"
#include "core/messages.h"
#include "core/startup.h"

#include <QDir>
#include <QFile>

#include <dlfcn.h>

#include <type_traits>

namespace brisken {
namespace {

#define BRISKEN_NIMBREL_NAME(name, parameters, arguments) "Quarn_" #name,
constexpr std::array<const char*, kNimbrelFunctionCount> kNames = {
    BRISKEN_NIMBREL_FUNCTIONS(BRISKEN_NIMBREL_NAME)};
#undef BRISKEN_NIMBREL_NAME

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

// The listed signature must be the library's own: a mismatch would call
// through a wrong pointer type.
#define BRISKEN_NIMBREL_CALL(name, parameters, arguments)                                          \
    static_assert(std::is_same_v<decltype(&::Quarn_##name), QuarnResult(QUARN_CALL*) parameters>,  \
                  "Quarn_" #name " differs from its entry in the function list");                  \
    QuarnResult NimbrelBinding::name parameters {                                                  \
        auto* function =                                                                           \
            reinterpret_cast<decltype(&::Quarn_##name)>(Resolve(NimbrelFunction::name));           \
        return function ? function arguments : kNotBound;                                          \
    }
BRISKEN_NIMBREL_FUNCTIONS(BRISKEN_NIMBREL_CALL)
#undef BRISKEN_NIMBREL_CALL

} // namespace brisken
