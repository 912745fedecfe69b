// Exports whose operations are not built yet. Each answers
// QUARN_E_NOT_IMPLEMENTED without touching its arguments; a line goes away
// when its operation arrives.
#include "nimbrel.h"

#define NIMBREL_PENDING(name, ...)                                                                 \
    QUARN_API QuarnResult QUARN_CALL name(__VA_ARGS__) {                                           \
        return QUARN_E_NOT_IMPLEMENTED;                                                            \
    }

extern "C" {

NIMBREL_PENDING(Quarn_OpenPhoneBook, QuarnConnection, _FILE_INFO*)
NIMBREL_PENDING(Quarn_ReadPhoneBook, QuarnConnection, _FILE_INFO*, _PHONEBOOK_ITEM*, int)
NIMBREL_PENDING(Quarn_WritePhoneBook, QuarnConnection, _FILE_INFO*, _PHONEBOOK_ITEM*, int)
NIMBREL_PENDING(Quarn_OpenLastNumDialledBook, QuarnConnection, _FILE_INFO*)
NIMBREL_PENDING(Quarn_ReadLastNumDialledBook, QuarnConnection, _FILE_INFO*, _PHONEBOOK_ITEM*, int)
NIMBREL_PENDING(Quarn_WriteLastNumDialledBook, QuarnConnection, _FILE_INFO*, _PHONEBOOK_ITEM*)
NIMBREL_PENDING(Quarn_OpenUISMPhoneBook, QuarnConnection, _USIM_PHONEBOOK_INFO*)
NIMBREL_PENDING(Quarn_SelectADN, QuarnConnection, int)
NIMBREL_PENDING(Quarn_OpenSMSBook, QuarnConnection, _FILE_INFO*)
NIMBREL_PENDING(Quarn_OpenUSIMSMSBook, QuarnConnection, _FILE_INFO*)
NIMBREL_PENDING(Quarn_ReadSMSBook, QuarnConnection, _FILE_INFO*, _SMS_ITEM*, int)
NIMBREL_PENDING(Quarn_WriteSMSBook, QuarnConnection, _FILE_INFO*, _SMS_ITEM*, int)
NIMBREL_PENDING(Quarn_OpenCDMASMSBook, QuarnConnection, _FILE_INFO*)
NIMBREL_PENDING(Quarn_ReadCDMASMSBook, QuarnConnection, _FILE_INFO*, _CDMA_SMS_ITEM*, int)
NIMBREL_PENDING(Quarn_WriteCDMASMSBook, QuarnConnection, _FILE_INFO*, _CDMA_SMS_ITEM*, int)
NIMBREL_PENDING(Quarn_OpenPHSSMSBook, QuarnConnection, _FILE_INFO*)
NIMBREL_PENDING(Quarn_ReadPHSSMSBook, QuarnConnection, _FILE_INFO*, _SMS_ITEM*, int)
NIMBREL_PENDING(Quarn_WritePHSSMSBook, QuarnConnection, _FILE_INFO*, _SMS_ITEM*, int)
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
