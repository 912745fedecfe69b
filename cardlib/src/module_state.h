// Everything the loaded library keeps between calls, in one place with one
// reset: the command mode and last status word, the reader names, the table
// of live connections and the directory table of the file-tree walks.
// Callers must not overlap calls, so none of it is locked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "nimbrel.h"
#include "pcsc_binding.h"
#include "transport.h"

namespace nimbrel {

// One open connection: its owners release the card handle, then the
// context, when the connection leaves the table.
struct Connection {
    pcsc::Context context;
    pcsc::Card card;
    CardLink link; // what card commands use; link.card is card's handle
};

// Handles count up and are never reused, so a closed handle stays unknown.
struct ConnectionTable {
    std::map<QuarnConnection, Connection> live;
    QuarnConnection next = 1;
};

// Room of the directory table, the MF included. A card with more
// directories ends the walk with QUARN_E_DIRECTORY_TABLE_FULL.
inline constexpr std::size_t kMaxDirectories = 1000;

struct DirectoryEntry {
    std::uint16_t fileId = 0;
    std::uint16_t parentIndex = 0;
};

// The table shared by both file-tree walks; each walk starts it afresh.
struct DirectoryTable {
    DirectoryEntry entries[kMaxDirectories];
    std::uint16_t count = 0;
    std::uint16_t position = 0;
    std::uint32_t total = 0;
};

struct ModuleState {
    CommandMode mode = CommandMode::Sim;
    std::uint16_t lastStatusWord = 0x9000;
    std::string activeReader;   // full PC/SC name chosen by the last reader search
    std::string assignedReader; // base name from Quarn_ConnectAssignReader, empty = none
    ConnectionTable connections;
    DirectoryTable walk;
};

ModuleState& State();

// Back to the state of a freshly loaded library: every live connection is
// closed (in handle order) and everything else starts over.
void ResetModuleState();

} // namespace nimbrel
