// The gate of the exported functions. Export files hold only the extern "C"
// functions, each passing its arguments through Export to an internal
// function. Internal code never calls an export.
#pragma once

#include "nimbrel.h"
#include "pcsc_binding.h"
#include "pin.h"
#include "session.h"
#include "transport.h"

namespace nimbrel {
namespace gate {

// A PIN or PUK of a wrong length is refused before anything else.
inline bool BadPin(const PinText& pin) {
    return !PinLengthAllowed(pin);
}
template <typename T> bool BadPin(const T&) {
    return false;
}

// Every pointer the caller hands over must be set.
template <typename T> bool Missing(T* pointer) {
    return pointer == nullptr;
}
template <typename T> bool Missing(const T&) {
    return false;
}

// Internal functions take the caller's records by reference, and text
// buffers as they are.
template <typename T> T& Pass(T* pointer) {
    return *pointer;
}
inline char* Pass(char* text) {
    return text;
}
template <typename T> const T& Pass(const T& value) {
    return value;
}

} // namespace gate

// Checks the arguments and runs internal(link, arguments...): a PIN of a
// wrong length gives QUARN_E_BAD_PIN_LENGTH, an unknown or closed handle
// SCARD_E_INVALID_HANDLE, a null pointer SCARD_E_INVALID_PARAMETER, in that
// order; pointers reach the internal function as references.
template <typename Internal, typename... Args>
QuarnResult Export(QuarnConnection connection, Internal internal, Args... args) {
    if ((gate::BadPin(args) || ...))
        return QUARN_E_BAD_PIN_LENGTH;
    const CardLink* link = FindConnection(connection);
    if (!link)
        return pcsc::kInvalidHandle;
    if ((gate::Missing(args) || ...))
        return pcsc::kInvalidParameter;
    return internal(*link, gate::Pass(args)...);
}

} // namespace nimbrel
