#include "core/card_session.h"

#include <algorithm>
#include <cstring>

namespace brisken {

CardSession::~CardSession() {
    Disconnect();
}

QuarnResult CardSession::Connect() {
    Disconnect();
    QuarnConnection connection = 0;
    if (library_.Connect(&connection) != QUARN_OK) {
        // The name goes in a zero-filled buffer of its own, as a reader
        // name of fixed room would.
        char readerName[128] = {};
        std::memcpy(readerName, kFallbackReaderName, sizeof kFallbackReaderName);
        connection = 0;
        if (library_.ConnectAssignReader(&connection, readerName) != QUARN_OK) {
            return kConnectFailed;
        }
    }
    connection_ = connection;
    connected_ = true;
    return QUARN_OK;
}

void CardSession::Disconnect() {
    if (connected_) {
        library_.DisConnect(connection_);
        connected_ = false;
        connection_ = 0;
    }
}

IdentifyResult CardSession::Identify(bool probeRuim) {
    info_ = _CARD_INFO{};
    family_ = CardFamily::Usim;
    if (library_.GetUSIMCardInfo(connection_, &info_) == QUARN_OK) {
        return IdentifyResult::Identified;
    }
    family_ = CardFamily::Unknown;
    info_ = _CARD_INFO{};
    // The failed USIM query may have left the card in UICC mode: start over.
    Disconnect();
    if (Connect() != QUARN_OK) {
        return IdentifyResult::ConnectFailed;
    }
    if (library_.GetSIMCardInfo(connection_, &info_) != QUARN_OK) {
        Disconnect();
        return IdentifyResult::InfoFailed;
    }
    if (!probeRuim) {
        family_ = CardFamily::Unknown;
        return IdentifyResult::Identified;
    }
    family_ = library_.IsCDMA_RUIM(connection_) == QUARN_OK ? CardFamily::Ruim : CardFamily::GsmSim;
    return IdentifyResult::Identified;
}

std::string CardSession::Iccid() const {
    const char* begin = info_.iccid;
    const char* end = std::find(begin, begin + sizeof info_.iccid, '\0');
    return std::string(begin, end);
}

} // namespace brisken
