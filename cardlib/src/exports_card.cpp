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
    return WithLink(connection, ProbeRuim);
}

QUARN_API QuarnResult QUARN_CALL Quarn_Is3G_UIM(QuarnConnection connection) {
    return WithLink(connection, ProbeUsim);
}

QUARN_API QuarnResult QUARN_CALL Quarn_IsPHS_SIM(QuarnConnection connection) {
    return WithLink(connection, ProbePhs);
}

// A PIN of a wrong length is refused before the handle is looked at.
QUARN_API QuarnResult QUARN_CALL Quarn_VerifySIMCHV(QuarnConnection connection, const char* pin,
                                                    unsigned length) {
    if (!PinLengthAllowed(pin, length))
        return QUARN_E_BAD_PIN_LENGTH;
    return WithLink(connection, [&](const CardLink& link) {
        return SendPin(link, PinOperation::Verify, {pin, length});
    });
}

QUARN_API QuarnResult QUARN_CALL Quarn_EnableSIMCHV(QuarnConnection connection, const char* pin,
                                                    unsigned length) {
    if (!PinLengthAllowed(pin, length))
        return QUARN_E_BAD_PIN_LENGTH;
    return WithLink(connection, [&](const CardLink& link) {
        return SendPin(link, PinOperation::Enable, {pin, length});
    });
}

QUARN_API QuarnResult QUARN_CALL Quarn_DisableSIMCHV(QuarnConnection connection, const char* pin,
                                                     unsigned length) {
    if (!PinLengthAllowed(pin, length))
        return QUARN_E_BAD_PIN_LENGTH;
    return WithLink(connection, [&](const CardLink& link) {
        return SendPin(link, PinOperation::Disable, {pin, length});
    });
}

QUARN_API QuarnResult QUARN_CALL Quarn_ChangeSIMCHV(QuarnConnection connection, const char* oldPin,
                                                    unsigned oldLength, const char* newPin,
                                                    unsigned newLength) {
    if (!PinLengthAllowed(oldPin, oldLength) || !PinLengthAllowed(newPin, newLength))
        return QUARN_E_BAD_PIN_LENGTH;
    return WithLink(connection, [&](const CardLink& link) {
        return SendPin(link, PinOperation::Change, {oldPin, oldLength}, {newPin, newLength});
    });
}

QUARN_API QuarnResult QUARN_CALL Quarn_UnBlockSIMCHV(QuarnConnection connection, const char* puk,
                                                     unsigned pukLength, const char* newPin,
                                                     unsigned newLength) {
    if (!PinLengthAllowed(puk, pukLength) || !PinLengthAllowed(newPin, newLength))
        return QUARN_E_BAD_PIN_LENGTH;
    return WithLink(connection, [&](const CardLink& link) {
        return SendPin(link, PinOperation::Unblock, {puk, pukLength}, {newPin, newLength});
    });
}

QUARN_API QuarnResult QUARN_CALL Quarn_GetSIMCardInfo(QuarnConnection connection,
                                                      _CARD_INFO* info) {
    return WithLink(
        connection, [&](const CardLink& link) { return ReadSimCardInfo(link, *info); }, info);
}

QUARN_API QuarnResult QUARN_CALL Quarn_GetUSIMCardInfo(QuarnConnection connection,
                                                       _CARD_INFO* info) {
    return WithLink(
        connection, [&](const CardLink& link) { return ReadUsimCardInfo(link, *info); }, info);
}

QUARN_API QuarnResult QUARN_CALL Quarn_GetIMSI(QuarnConnection connection, char* imsiOut) {
    return WithLink(
        connection, [&](const CardLink& link) { return ReadImsi(link, imsiOut); }, imsiOut);
}

QUARN_API QuarnResult QUARN_CALL Quarn_GetSIMFileMapSize(QuarnConnection connection,
                                                         int* totalBytes) {
    return WithLink(
        connection, [&](const CardLink& link) { return SimFileMapSize(link, totalBytes); },
        totalBytes);
}

// The UICC walk reports its progress on standard output.
QUARN_API QuarnResult QUARN_CALL Quarn_GetUSIMFileMapSize(QuarnConnection connection,
                                                          int* totalBytes) {
    return WithLink(
        connection, [&](const CardLink& link) { return UsimFileMapSize(link, totalBytes); },
        totalBytes);
}

} // extern "C"
