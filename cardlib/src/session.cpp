// Reader search, connections and the connection exports.
#include "session.h"

#include <map>
#include <vector>

#include "pcsc_binding.h"

namespace nimbrel {
namespace {

struct Connection {
    pcsc::ContextHandle context = 0;
    CardLink link;
};

// Handles count up and are never reused, so a closed handle stays unknown.
struct ConnectionTable {
    std::map<QuarnConnection, Connection> live;
    QuarnConnection next = 1;
};

ConnectionTable g_connections;

bool Matches(std::string_view base) {
    for (std::string_view known : kKnownReaders)
        if (base == known)
            return true;
    const std::string& assigned = State().assignedReader;
    return !assigned.empty() && base == assigned;
}

// Finds the first reader in list order that holds a card and whose base name
// is known or assigned; it becomes the active reader.
QuarnResult SearchReader() {
    pcsc::ContextHandle context = 0;
    QuarnResult rv = pcsc::EstablishContext(&context);
    if (rv != QUARN_OK)
        return rv;

    std::vector<std::string> names;
    rv = pcsc::ListReaders(context, &names);
    if (rv != QUARN_OK) {
        pcsc::ReleaseContext(context);
        return rv;
    }
    std::vector<pcsc::ReaderState> readers;
    readers.reserve(names.size());
    for (std::string& name : names)
        readers.push_back(pcsc::ReaderState{std::move(name), false});
    rv = pcsc::GetCardPresence(context, &readers);
    if (rv != QUARN_OK) {
        pcsc::ReleaseContext(context);
        return rv;
    }
    for (const pcsc::ReaderState& reader : readers) {
        if (reader.cardPresent && Matches(BaseReaderName(reader.name))) {
            State().activeReader = reader.name;
            pcsc::ReleaseContext(context);
            return QUARN_OK;
        }
    }
    pcsc::ReleaseContext(context);
    return QUARN_E_NO_CARD;
}

QuarnResult OpenConnection(QuarnConnection* connectionOut) {
    QuarnResult rv = SearchReader();
    if (rv != QUARN_OK)
        return rv;
    if (g_connections.live.size() >= kMaxConnections)
        return pcsc::kNoMemory;

    Connection connection;
    rv = pcsc::EstablishContext(&connection.context);
    if (rv != QUARN_OK)
        return rv;
    rv = pcsc::Connect(connection.context, State().activeReader, &connection.link.card,
                       &connection.link.protocol);
    if (rv != QUARN_OK) {
        pcsc::ReleaseContext(connection.context);
        return rv;
    }
    QuarnConnection handle = g_connections.next++;
    g_connections.live.emplace(handle, connection);
    *connectionOut = handle;
    return QUARN_OK;
}

} // namespace

const CardLink* FindConnection(QuarnConnection connection) {
    auto found = g_connections.live.find(connection);
    return found == g_connections.live.end() ? nullptr : &found->second.link;
}

void DropAllConnections() {
    for (auto& [handle, connection] : g_connections.live) {
        pcsc::Disconnect(connection.link.card);
        pcsc::ReleaseContext(connection.context);
    }
    g_connections = ConnectionTable{};
}

} // namespace nimbrel

using namespace nimbrel;

extern "C" {

QUARN_API QuarnResult QUARN_CALL Quarn_IsCardExist(void) {
    return SearchReader();
}

QUARN_API QuarnResult QUARN_CALL Quarn_Connect(QuarnConnection* connectionOut) {
    if (connectionOut == nullptr)
        return pcsc::kInvalidParameter;
    return OpenConnection(connectionOut);
}

QUARN_API QuarnResult QUARN_CALL Quarn_ConnectAssignReader(QuarnConnection* connectionOut,
                                                           const char* readerName) {
    if (readerName == nullptr)
        return QUARN_E_NULL_READER_NAME;
    // Bounded look: never read past the longest name we accept.
    std::size_t length = 0;
    while (length <= kMaxAssignedName && readerName[length] != '\0')
        ++length;
    if (length > kMaxAssignedName)
        return QUARN_E_OUT_OF_RANGE;
    if (connectionOut == nullptr)
        return pcsc::kInvalidParameter;
    State().assignedReader.assign(readerName, length);
    return OpenConnection(connectionOut);
}

QUARN_API QuarnResult QUARN_CALL Quarn_DisConnect(QuarnConnection connection) {
    auto found = g_connections.live.find(connection);
    if (found == g_connections.live.end())
        return pcsc::kInvalidHandle;
    SetMode(CommandMode::Sim);
    Connection closing = found->second;
    g_connections.live.erase(found);
    // The handle is gone for the caller either way, so the context is
    // released even when the card handle could not be closed.
    QuarnResult rv = pcsc::Disconnect(closing.link.card);
    QuarnResult released = pcsc::ReleaseContext(closing.context);
    return rv != QUARN_OK ? rv : released;
}

QUARN_API unsigned short QUARN_CALL Quarn_GetStatusWord(void) {
    return State().lastStatusWord;
}

} // extern "C"
