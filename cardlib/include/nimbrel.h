/* Nimbrel: card access library for SIM, USIM, R-UIM and PHS cards over PC/SC.
 *
 * Plain C interface. The caller allocates every record that crosses this
 * boundary; the library fills or reads it and keeps nothing of the caller's.
 * All records are packed and little-endian. 8-bit strings are ISO 8859-1 and
 * NUL-terminated; UCS2 text is stored high byte first and ends with a 16-bit
 * zero. The library has no threads and no locks: callers must not overlap
 * calls.
 */
#ifndef NIMBREL_H
#define NIMBREL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
/* The DLL's export names come from its .def file: dllexport would add
 * undecorated duplicates. */
#define QUARN_API
#define QUARN_CALL __stdcall
#else
#define QUARN_API __attribute__((visibility("default")))
#define QUARN_CALL
#endif

/* Result codes. PC/SC errors (0x8010xxxx and the like) pass through unchanged. */
typedef uint32_t QuarnResult;

#define QUARN_OK 0x00000000u
#define QUARN_E_NO_READER 0x20100002u        /* reader list empty */
#define QUARN_E_NO_CARD 0x20100003u          /* no present card in a known or assigned reader */
#define QUARN_E_BAD_ANSWER 0x20100004u       /* SW1 not accepted, or SELECT gave no data */
#define QUARN_E_NULL_READER_NAME 0x20100005u /* reader name pointer null */
#define QUARN_E_STATUS_BASE 0x72200000u      /* + SW1SW2 when 9000 was required */
#define QUARN_E_OUT_OF_RANGE 0x72206983u     /* argument out of range */
#define QUARN_E_BAD_PIN_LENGTH 0x72206708u   /* PIN or PUK length 0 or above 8 */
#define QUARN_E_USIM_NOT_FOUND 0x00006A88u   /* USIM application or phone-book structure missing */
#define QUARN_E_NOT_IMPLEMENTED 0x2010000Fu  /* export not built in this version */
#define QUARN_E_DIRECTORY_TABLE_FULL                                                               \
    0x20100006u /* card holds more directories than the walk table */

/* A connection handle names an entry of the library's table of live
 * connections; it is never an address. */
typedef unsigned long QuarnConnection;

#pragma pack(push, 1)

/* Geometry of one record-oriented elementary file. */
typedef struct _FILE_INFO {
    int32_t fileSize;
    int32_t recordLength; /* only the low byte is used as a command length */
    int32_t recordCount;
} _FILE_INFO;

/* One phone-book (EF_ADN) or last-dialled (EF_LND) entry. */
typedef struct _PHONEBOOK_ITEM {
    char name[242];        /* ISO 8859-1; empty when the name is in nameUcs2 */
    uint8_t nameUcs2[242]; /* UCS2 high byte first, 16-bit zero terminated */
    int32_t nameLength;    /* characters decoded (set by reading) */
    char number[22];       /* optional '+', then 0-9 * #, at most 20 digits */
} _PHONEBOOK_ITEM;

/* One EF_SMS record with its decoded fields. */
typedef struct _SMS_ITEM {
    uint8_t record[176]; /* raw card record image */
    uint8_t status;      /* 0 free, 1 read, 3 unread, 5 sent, 7 to be sent */
    char address[30];
    char timeStamp[16]; /* YYMMDDhhmm of a received message, else empty */
    char text[162];     /* ISO 8859-1, at most 160 characters */
    uint8_t textUcs2[162];
} _SMS_ITEM;

/* Card information. pinRetries is QUARN_RETRIES_UNKNOWN when a UICC needs no
 * verification at the moment (PIN disabled, or already verified since the
 * card was reset) and so does not tell its counter. */
#define QUARN_RETRIES_UNKNOWN (-1)
/* Card information. */
typedef struct _CARD_INFO {
    int32_t pinEnabled;
    int32_t pinBlocked;
    int32_t pinRetries;
    int32_t pukRetries;
    int32_t phoneBookSize;
    int32_t lastDialledSize;
    int32_t smsSize;
    char iccid[21];
} _CARD_INFO;

/* The phone-book files of a USIM as listed in EF_PBR. */
typedef struct _USIM_PHONEBOOK_INFO {
    _FILE_INFO files[15];
    int32_t fileId[15];
    int32_t fileCount;
    int32_t totalRecords;
} _USIM_PHONEBOOK_INFO;

/* One R-UIM SMS record with its decoded fields. */
typedef struct _CDMA_SMS_ITEM {
    uint8_t record[255];
    uint8_t status;
    char address[30];
    char timeStamp[16]; /* two characters per BCD byte, normally YYMMDDhhmmss */
    char text[162];
    uint8_t textUcs2[162];
    char callback[30];
} _CDMA_SMS_ITEM;

#pragma pack(pop)

/* Connection */
QUARN_API QuarnResult QUARN_CALL Quarn_IsCardExist(void);
QUARN_API QuarnResult QUARN_CALL Quarn_Connect(QuarnConnection* connectionOut);
QUARN_API QuarnResult QUARN_CALL Quarn_ConnectAssignReader(QuarnConnection* connectionOut,
                                                           const char* readerName);
QUARN_API QuarnResult QUARN_CALL Quarn_DisConnect(QuarnConnection connection);
QUARN_API unsigned short QUARN_CALL Quarn_GetStatusWord(void);

/* Card type */
QUARN_API QuarnResult QUARN_CALL Quarn_IsCDMA_RUIM(QuarnConnection connection);
QUARN_API QuarnResult QUARN_CALL Quarn_Is3G_UIM(QuarnConnection connection);
QUARN_API QuarnResult QUARN_CALL Quarn_IsPHS_SIM(QuarnConnection connection);

/* Phone book and last dialled */
QUARN_API QuarnResult QUARN_CALL Quarn_OpenPhoneBook(QuarnConnection connection, _FILE_INFO* fi);
QUARN_API QuarnResult QUARN_CALL Quarn_ReadPhoneBook(QuarnConnection connection, _FILE_INFO* fi,
                                                     _PHONEBOOK_ITEM* item, int record);
QUARN_API QuarnResult QUARN_CALL Quarn_WritePhoneBook(QuarnConnection connection, _FILE_INFO* fi,
                                                      _PHONEBOOK_ITEM* item, int record);
QUARN_API QuarnResult QUARN_CALL Quarn_OpenLastNumDialledBook(QuarnConnection connection,
                                                              _FILE_INFO* fi);
QUARN_API QuarnResult QUARN_CALL Quarn_ReadLastNumDialledBook(QuarnConnection connection,
                                                              _FILE_INFO* fi, _PHONEBOOK_ITEM* item,
                                                              int record);
QUARN_API QuarnResult QUARN_CALL Quarn_WriteLastNumDialledBook(QuarnConnection connection,
                                                               _FILE_INFO* fi,
                                                               _PHONEBOOK_ITEM* item);

/* USIM phone book */
QUARN_API QuarnResult QUARN_CALL Quarn_OpenUISMPhoneBook(QuarnConnection connection,
                                                         _USIM_PHONEBOOK_INFO* info);
QUARN_API QuarnResult QUARN_CALL Quarn_SelectADN(QuarnConnection connection, int fileId);

/* SMS */
QUARN_API QuarnResult QUARN_CALL Quarn_OpenSMSBook(QuarnConnection connection, _FILE_INFO* fi);
QUARN_API QuarnResult QUARN_CALL Quarn_OpenUSIMSMSBook(QuarnConnection connection, _FILE_INFO* fi);
QUARN_API QuarnResult QUARN_CALL Quarn_ReadSMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                                   _SMS_ITEM* item, int record);
QUARN_API QuarnResult QUARN_CALL Quarn_WriteSMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                                    _SMS_ITEM* item, int record);

/* CDMA and PHS SMS */
QUARN_API QuarnResult QUARN_CALL Quarn_OpenCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi);
QUARN_API QuarnResult QUARN_CALL Quarn_ReadCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                                       _CDMA_SMS_ITEM* item, int record);
QUARN_API QuarnResult QUARN_CALL Quarn_WriteCDMASMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                                        _CDMA_SMS_ITEM* item, int record);
QUARN_API QuarnResult QUARN_CALL Quarn_OpenPHSSMSBook(QuarnConnection connection, _FILE_INFO* fi);
QUARN_API QuarnResult QUARN_CALL Quarn_ReadPHSSMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                                      _SMS_ITEM* item, int record);
QUARN_API QuarnResult QUARN_CALL Quarn_WritePHSSMSBook(QuarnConnection connection, _FILE_INFO* fi,
                                                       _SMS_ITEM* item, int record);

/* PIN (CHV1) */
QUARN_API QuarnResult QUARN_CALL Quarn_VerifySIMCHV(QuarnConnection connection, const char* pin,
                                                    unsigned length);
QUARN_API QuarnResult QUARN_CALL Quarn_EnableSIMCHV(QuarnConnection connection, const char* pin,
                                                    unsigned length);
QUARN_API QuarnResult QUARN_CALL Quarn_DisableSIMCHV(QuarnConnection connection, const char* pin,
                                                     unsigned length);
QUARN_API QuarnResult QUARN_CALL Quarn_ChangeSIMCHV(QuarnConnection connection, const char* oldPin,
                                                    unsigned oldLength, const char* newPin,
                                                    unsigned newLength);
QUARN_API QuarnResult QUARN_CALL Quarn_UnBlockSIMCHV(QuarnConnection connection, const char* puk,
                                                     unsigned pukLength, const char* newPin,
                                                     unsigned newLength);

/* Card information */
QUARN_API QuarnResult QUARN_CALL Quarn_GetSIMCardInfo(QuarnConnection connection, _CARD_INFO* info);
QUARN_API QuarnResult QUARN_CALL Quarn_GetUSIMCardInfo(QuarnConnection connection,
                                                       _CARD_INFO* info);
QUARN_API QuarnResult QUARN_CALL Quarn_GetIMSI(QuarnConnection connection, char* imsiOut);
QUARN_API QuarnResult QUARN_CALL Quarn_GetSIMFileMapSize(QuarnConnection connection,
                                                         int* totalBytes);
QUARN_API QuarnResult QUARN_CALL Quarn_GetUSIMFileMapSize(QuarnConnection connection,
                                                          int* totalBytes);

#ifdef __cplusplus
}
#endif

#endif /* NIMBREL_H */
