// Card sessions: the reader search and the table of live connections behind
// the opaque QuarnConnection handles.
#pragma once

#include <string>
#include <string_view>

#include "module_state.h"
#include "nimbrel.h"
#include "platform.h"
#include "transport.h"

namespace nimbrel {

// Known reader base names, in the order they are compared.
inline constexpr std::string_view kKnownReaders[] = {
    "Generic MultiCard reader 1.0",         "Generic MultiCard reader 1.1",
    "Generic  Smart Card Reader Interface", "Generic Smart Card Reader Interface",
    "GenericSmart Card Reader Interface",
};

// Longest base name Quarn_ConnectAssignReader accepts.
inline constexpr std::size_t kMaxAssignedName = 60;
// Live connections the table holds at once.
inline constexpr std::size_t kMaxConnections = 64;

// BaseReaderName (platform.h) cuts the instance suffix off a listed name.

// The card link of a live connection, or nullptr for an unknown or closed
// handle. Every export that takes a connection starts here:
//
//   const CardLink* link = FindConnection(connection);
//   if (!link) return pcsc::kInvalidHandle;
const CardLink* FindConnection(QuarnConnection connection);

} // namespace nimbrel
