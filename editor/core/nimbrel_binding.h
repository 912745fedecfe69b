// The card library, loaded from the file written beside the running copy and
// bound function by function on first use. A missing library or function
// never crashes: the call answers kNotBound, and Require() lets an action find
// out before it touches the card, with a message for the user.
#pragma once

#include "core/nimbrel_functions.h"
#include "nimbrel.h"

#include <QString>

#include <array>
#include <atomic>
#include <initializer_list>
#include <mutex>

namespace brisken {

#define BRISKEN_NIMBREL_ENUM(name, parameters, arguments) name,
enum class NimbrelFunction { BRISKEN_NIMBREL_FUNCTIONS(BRISKEN_NIMBREL_ENUM) Count };
#undef BRISKEN_NIMBREL_ENUM

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

    // One call per listed function: kNotBound when it cannot be bound.
#define BRISKEN_NIMBREL_CALL(name, parameters, arguments) QuarnResult name parameters;
    BRISKEN_NIMBREL_FUNCTIONS(BRISKEN_NIMBREL_CALL)
#undef BRISKEN_NIMBREL_CALL

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
