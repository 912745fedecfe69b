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

// Finds the first reader in list order that holds a card and whose base name
// is known or assigned; it becomes the active reader. QUARN_E_NO_CARD when
// there is none.
QuarnResult SearchReader();

// Searches, then connects to the active reader and enters the connection in
// the table. A full table gives SCARD_E_NO_MEMORY.
QuarnResult OpenConnection(QuarnConnection* connectionOut);

// The base name later searches accept besides the known ones.
void AssignReader(std::string_view baseName);

// Back to SIM mode, the handle leaves the table, the card handle and the
// context are closed; the first failure of those two is returned.
QuarnResult CloseConnection(QuarnConnection connection);

// The card link of a live connection, or nullptr for an unknown or closed
// handle (exports reach it through WithLink, exports.h).
const CardLink* FindConnection(QuarnConnection connection);

} // namespace nimbrel
