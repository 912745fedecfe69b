// Exports whose operations are not built yet. Each answers
// QUARN_E_NOT_IMPLEMENTED without touching its arguments; a line goes away
// when its operation arrives.
#include "nimbrel.h"

#define NIMBREL_PENDING(name, ...)                                                                 \
    QUARN_API QuarnResult QUARN_CALL name(__VA_ARGS__) {                                           \
        return QUARN_E_NOT_IMPLEMENTED;                                                            \
    }

extern "C" {

NIMBREL_PENDING(Quarn_VerifySIMCHV, QuarnConnection, const char*, unsigned)
NIMBREL_PENDING(Quarn_EnableSIMCHV, QuarnConnection, const char*, unsigned)
NIMBREL_PENDING(Quarn_DisableSIMCHV, QuarnConnection, const char*, unsigned)
NIMBREL_PENDING(Quarn_ChangeSIMCHV, QuarnConnection, const char*, unsigned, const char*, unsigned)
NIMBREL_PENDING(Quarn_UnBlockSIMCHV, QuarnConnection, const char*, unsigned, const char*, unsigned)
NIMBREL_PENDING(Quarn_GetSIMCardInfo, QuarnConnection, _CARD_INFO*)
NIMBREL_PENDING(Quarn_GetUSIMCardInfo, QuarnConnection, _CARD_INFO*)
NIMBREL_PENDING(Quarn_GetIMSI, QuarnConnection, char*)
NIMBREL_PENDING(Quarn_GetSIMFileMapSize, QuarnConnection, int*)
NIMBREL_PENDING(Quarn_GetUSIMFileMapSize, QuarnConnection, int*)

} // extern "C"
