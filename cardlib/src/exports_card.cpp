// Exports: card type, PIN operations, card information, IMSI and the
// file-map sizes.
#include "card_info.h"
#include "card_type.h"
#include "exports.h"
#include "file_map.h"
#include "pin.h"

using namespace nimbrel;

extern "C" {

QUARN_API QuarnResult QUARN_CALL Quarn_IsCDMA_RUIM(QuarnConnection connection) {
    return Export(connection, ProbeRuim);
}

QUARN_API QuarnResult QUARN_CALL Quarn_Is3G_UIM(QuarnConnection connection) {
    return Export(connection, ProbeUsim);
}

QUARN_API QuarnResult QUARN_CALL Quarn_IsPHS_SIM(QuarnConnection connection) {
    return Export(connection, ProbePhs);
}

QUARN_API QuarnResult QUARN_CALL Quarn_VerifySIMCHV(QuarnConnection connection, const char* pin,
                                                    unsigned length) {
    return Export(connection, SendOnePin, PinOperation::Verify, PinText{pin, length});
}

QUARN_API QuarnResult QUARN_CALL Quarn_EnableSIMCHV(QuarnConnection connection, const char* pin,
                                                    unsigned length) {
    return Export(connection, SendOnePin, PinOperation::Enable, PinText{pin, length});
}

QUARN_API QuarnResult QUARN_CALL Quarn_DisableSIMCHV(QuarnConnection connection, const char* pin,
                                                     unsigned length) {
    return Export(connection, SendOnePin, PinOperation::Disable, PinText{pin, length});
}

QUARN_API QuarnResult QUARN_CALL Quarn_ChangeSIMCHV(QuarnConnection connection, const char* oldPin,
                                                    unsigned oldLength, const char* newPin,
                                                    unsigned newLength) {
    return Export(connection, SendTwoPins, PinOperation::Change, PinText{oldPin, oldLength},
                  PinText{newPin, newLength});
}

QUARN_API QuarnResult QUARN_CALL Quarn_UnBlockSIMCHV(QuarnConnection connection, const char* puk,
                                                     unsigned pukLength, const char* newPin,
                                                     unsigned newLength) {
    return Export(connection, SendTwoPins, PinOperation::Unblock, PinText{puk, pukLength},
                  PinText{newPin, newLength});
}

QUARN_API QuarnResult QUARN_CALL Quarn_GetSIMCardInfo(QuarnConnection connection,
                                                      _CARD_INFO* info) {
    return Export(connection, ReadSimCardInfo, info);
}

QUARN_API QuarnResult QUARN_CALL Quarn_GetUSIMCardInfo(QuarnConnection connection,
                                                       _CARD_INFO* info) {
    return Export(connection, ReadUsimCardInfo, info);
}

QUARN_API QuarnResult QUARN_CALL Quarn_GetIMSI(QuarnConnection connection, char* imsiOut) {
    return Export(connection, ReadImsi, imsiOut);
}

QUARN_API QuarnResult QUARN_CALL Quarn_GetSIMFileMapSize(QuarnConnection connection,
                                                         int* totalBytes) {
    return Export(connection, SimFileMapSize, totalBytes);
}

// The UICC walk reports its progress on standard output.
QUARN_API QuarnResult QUARN_CALL Quarn_GetUSIMFileMapSize(QuarnConnection connection,
                                                          int* totalBytes) {
    return Export(connection, UsimFileMapSize, totalBytes);
}

} // extern "C"
