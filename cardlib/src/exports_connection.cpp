// Exports: reader search and connections.
#include "exports.h"

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
    AssignReader(std::string_view(readerName, length));
    return OpenConnection(connectionOut);
}

QUARN_API QuarnResult QUARN_CALL Quarn_DisConnect(QuarnConnection connection) {
    return CloseConnection(connection);
}

QUARN_API unsigned short QUARN_CALL Quarn_GetStatusWord(void) {
    return State().lastStatusWord;
}

} // extern "C"
