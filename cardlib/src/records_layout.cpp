// The exported records are read by callers built elsewhere: their sizes and
// offsets are part of the interface and must never drift.
#include <cstddef>

#include "nimbrel.h"

static_assert(sizeof(_FILE_INFO) == 12);
static_assert(offsetof(_FILE_INFO, recordLength) == 4);
static_assert(offsetof(_FILE_INFO, recordCount) == 8);

static_assert(sizeof(_PHONEBOOK_ITEM) == 510);
static_assert(offsetof(_PHONEBOOK_ITEM, nameUcs2) == 242);
static_assert(offsetof(_PHONEBOOK_ITEM, nameLength) == 484);
static_assert(offsetof(_PHONEBOOK_ITEM, number) == 488);

static_assert(sizeof(_SMS_ITEM) == 547);
static_assert(offsetof(_SMS_ITEM, status) == 176);
static_assert(offsetof(_SMS_ITEM, address) == 177);
static_assert(offsetof(_SMS_ITEM, timeStamp) == 207);
static_assert(offsetof(_SMS_ITEM, text) == 223);
static_assert(offsetof(_SMS_ITEM, textUcs2) == 385);

static_assert(sizeof(_CARD_INFO) == 49);
static_assert(offsetof(_CARD_INFO, phoneBookSize) == 16);
static_assert(offsetof(_CARD_INFO, smsSize) == 24);
static_assert(offsetof(_CARD_INFO, iccid) == 28);

static_assert(sizeof(_USIM_PHONEBOOK_INFO) == 248);
static_assert(offsetof(_USIM_PHONEBOOK_INFO, fileId) == 45 * 4);
static_assert(offsetof(_USIM_PHONEBOOK_INFO, fileCount) == 60 * 4);
static_assert(offsetof(_USIM_PHONEBOOK_INFO, totalRecords) == 61 * 4);

static_assert(sizeof(_CDMA_SMS_ITEM) == 656);
static_assert(offsetof(_CDMA_SMS_ITEM, status) == 255);
static_assert(offsetof(_CDMA_SMS_ITEM, address) == 256);
static_assert(offsetof(_CDMA_SMS_ITEM, timeStamp) == 286);
static_assert(offsetof(_CDMA_SMS_ITEM, text) == 302);
static_assert(offsetof(_CDMA_SMS_ITEM, textUcs2) == 464);
static_assert(offsetof(_CDMA_SMS_ITEM, callback) == 626);
