// nimbrel-identify: finds a reader with a card through libnimbrel and says
// what kind of card it holds.
//
//   nimbrel-identify [READER_BASE_NAME]
//
// READER_BASE_NAME is tried through Quarn_ConnectAssignReader when no known
// reader holds a card. Exit status 0 when a card was identified.
#include <cstdio>

#include "nimbrel.h"

namespace {

const char* Meaning(QuarnResult rv) {
    switch (rv) {
    case QUARN_E_NO_READER:
        return "no reader";
    case QUARN_E_NO_CARD:
        return "no card in a known reader";
    case QUARN_E_BAD_ANSWER:
        return "card answer not accepted";
    case QUARN_E_USIM_NOT_FOUND:
        return "no USIM application";
    case QUARN_E_OUT_OF_RANGE:
        return "argument out of range";
    default:
        return (rv & 0xFFFF0000u) == 0x80100000u ? "PC/SC error" : "error";
    }
}

QuarnResult Open(const char* readerName, QuarnConnection* handle) {
    QuarnResult rv = Quarn_Connect(handle);
    if (rv != QUARN_OK && readerName != nullptr)
        rv = Quarn_ConnectAssignReader(handle, readerName);
    return rv;
}

} // namespace

int main(int argc, char** argv) {
    const char* readerName = argc > 1 ? argv[1] : nullptr;
    QuarnConnection handle = 0;
    QuarnResult rv = Open(readerName, &handle);
    if (rv != QUARN_OK) {
        std::printf("reader: none (0x%08X, %s)\n", rv, Meaning(rv));
        return 1;
    }
    std::printf("reader: found a card\n");

    const char* type = nullptr;
    if (Quarn_Is3G_UIM(handle) == QUARN_OK) {
        type = "USIM (3G UICC)";
    } else {
        // The USIM probe leaves the card in UICC mode; start over in SIM mode.
        Quarn_DisConnect(handle);
        rv = Open(readerName, &handle);
        if (rv != QUARN_OK) {
            std::printf("reader: lost the card (0x%08X, %s)\n", rv, Meaning(rv));
            return 1;
        }
        if (Quarn_IsCDMA_RUIM(handle) == QUARN_OK)
            type = "R-UIM (CDMA)";
        else if (Quarn_IsPHS_SIM(handle) == QUARN_OK)
            type = "PHS";
        else
            type = "SIM (GSM)";
    }
    std::printf("card: %s\n", type);
    Quarn_DisConnect(handle);
    return 0;
}
