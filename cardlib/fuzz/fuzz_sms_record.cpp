// EF_SMS record decoder, then the status-driven encoder on the result.
#include <cstring>

#include "codec_sms.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > nimbrel::kSmsRecordBytes)
        return 0;
    _SMS_ITEM item;
    std::memset(&item, 0xCC, sizeof item);
    std::memcpy(item.record, data, size);
    nimbrel::DecodeSmsRecord({item.record, size}, item);
    if (!std::memchr(item.address, 0, sizeof item.address) ||
        !std::memchr(item.text, 0, sizeof item.text) ||
        !std::memchr(item.timeStamp, 0, sizeof item.timeStamp))
        __builtin_trap();
    item.status = nimbrel::kSmsToBeSent;
    (void)nimbrel::EncodeSmsRecord(item);
    return 0;
}
