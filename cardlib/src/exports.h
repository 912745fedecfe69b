// The gate of the exported functions. Export files hold only the extern "C"
// functions; each checks what it can without a card and passes through
// WithLink to an internal function. Internal code never calls an export.
#pragma once

#include "nimbrel.h"
#include "pcsc_binding.h"
#include "session.h"
#include "transport.h"

namespace nimbrel {

// Finds the connection's card link (an unknown or closed handle is
// SCARD_E_INVALID_HANDLE), checks that every pointer the caller must supply
// is set (else SCARD_E_INVALID_PARAMETER), then returns internal(link).
template <typename Internal, typename... Pointers>
QuarnResult WithLink(QuarnConnection connection, Internal internal, const Pointers*... required) {
    const CardLink* link = FindConnection(connection);
    if (!link)
        return pcsc::kInvalidHandle;
    if (((required == nullptr) || ...))
        return pcsc::kInvalidParameter;
    return internal(*link);
}

} // namespace nimbrel
