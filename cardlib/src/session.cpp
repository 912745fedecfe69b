// Reader search and the table of live connections.
#include "session.h"

#include <vector>

#include "pcsc_binding.h"

namespace nimbrel {
namespace {

bool Matches(std::string_view base) {
    for (std::string_view known : kKnownReaders)
        if (base == known)
            return true;
    const std::string& assigned = State().assignedReader;
    return !assigned.empty() && base == assigned;
}

} // namespace

QuarnResult SearchReader() {
    pcsc::Context context;
    QuarnResult rv = pcsc::EstablishContext(&context);
    if (rv != QUARN_OK)
        return rv;

    std::vector<std::string> names;
    rv = pcsc::ListReaders(context.get(), &names);
    if (rv != QUARN_OK)
        return rv;
    std::vector<pcsc::ReaderState> readers;
    readers.reserve(names.size());
    for (std::string& name : names)
        readers.push_back(pcsc::ReaderState{std::move(name), false});
    rv = pcsc::GetCardPresence(context.get(), &readers);
    if (rv != QUARN_OK)
        return rv;
    for (const pcsc::ReaderState& reader : readers) {
        if (reader.cardPresent && Matches(BaseReaderName(reader.name))) {
            State().activeReader = reader.name;
            return QUARN_OK;
        }
    }
    return QUARN_E_NO_CARD;
}

QuarnResult OpenConnection(QuarnConnection* connectionOut) {
    QuarnResult rv = SearchReader();
    if (rv != QUARN_OK)
        return rv;
    ConnectionTable& table = State().connections;
    if (table.live.size() >= kMaxConnections)
        return pcsc::kNoMemory;

    Connection connection;
    rv = pcsc::EstablishContext(&connection.context);
    if (rv != QUARN_OK)
        return rv;
    rv = pcsc::Connect(connection.context, State().activeReader, &connection.card,
                       &connection.link.protocol);
    if (rv != QUARN_OK)
        return rv;
    connection.link.card = connection.card.get();
    const QuarnConnection handle = table.next++;
    table.live.emplace(handle, std::move(connection));
    *connectionOut = handle;
    return QUARN_OK;
}

const CardLink* FindConnection(QuarnConnection connection) {
    const auto& live = State().connections.live;
    auto found = live.find(connection);
    return found == live.end() ? nullptr : &found->second.link;
}

void AssignReader(std::string_view baseName) {
    State().assignedReader.assign(baseName);
}

QuarnResult CloseConnection(QuarnConnection connection) {
    auto& live = State().connections.live;
    auto found = live.find(connection);
    if (found == live.end())
        return pcsc::kInvalidHandle;
    SetMode(CommandMode::Sim);
    Connection closing = std::move(found->second);
    live.erase(found);
    // The handle is gone for the caller either way, so the context is
    // released even when the card handle could not be closed; both answers
    // are wanted here, so the owners close now rather than on leaving.
    QuarnResult rv = closing.card.Close();
    QuarnResult released = closing.context.Close();
    return rv != QUARN_OK ? rv : released;
}

} // namespace nimbrel
