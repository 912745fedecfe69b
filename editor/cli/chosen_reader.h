// The card library with every connection made through one named reader
// (--reader): Connect becomes the library's connect-by-name.
#pragma once

#include "core/card_library.h"
#include "core/card_session.h"

#include <string>

namespace brisken::cli {

class ChosenReaderLibrary final : public ForwardingCardLibrary {
public:
    ChosenReaderLibrary(CardLibrary& inner, std::string readerName)
        : ForwardingCardLibrary(inner), readerName_(std::move(readerName)) {}

    QuarnResult Connect(QuarnConnection* connectionOut) override {
        return inner_.ConnectAssignReader(connectionOut, readerName_.c_str());
    }
    // The session's fallback name would leave the chosen reader: refused.
    QuarnResult ConnectAssignReader(QuarnConnection*, const char*) override {
        return kConnectFailed;
    }

private:
    std::string readerName_;
};

} // namespace brisken::cli
