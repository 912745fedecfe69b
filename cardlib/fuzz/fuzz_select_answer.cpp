// Parsers of SELECT answers (GSM form and FCP template) and the TLV walk.
#include "codec_select.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> answer(data, size);
    _FILE_INFO info{};
    if (nimbrel::FileInfoFromSelect(answer, &info) == QUARN_OK && nimbrel::IsFcp(answer) &&
        info.fileSize != info.recordLength * info.recordCount)
        __builtin_trap();
    (void)nimbrel::RecordLengthFromSelect(answer);
    for (uint8_t tag : {0x80, 0x82, 0xC6})
        (void)nimbrel::FindTlv(nimbrel::FcpBody(answer), 2, tag);
    return 0;
}
