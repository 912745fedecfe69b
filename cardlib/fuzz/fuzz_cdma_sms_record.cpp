// R-UIM SMS record decoder, then the status-driven encoder on the result.
#include <cstring>

#include "codec_cdma_sms.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > nimbrel::kCdmaRecordBytes)
        return 0;
    _CDMA_SMS_ITEM item;
    std::memset(&item, 0xCC, sizeof item);
    std::memcpy(item.record, data, size);
    nimbrel::DecodeCdmaSmsRecord({item.record, size}, item);
    if (!std::memchr(item.address, 0, sizeof item.address) ||
        !std::memchr(item.text, 0, sizeof item.text) ||
        !std::memchr(item.callback, 0, sizeof item.callback) ||
        !std::memchr(item.timeStamp, 0, sizeof item.timeStamp))
        __builtin_trap();
    item.status = 0x07;
    (void)nimbrel::EncodeCdmaSmsRecord(item);
    return 0;
}
