// ADN / LND record decoder, then the encoder on what it decoded.
#include <cstring>
#include <vector>

#include "codec_phonebook.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 255)
        return 0;
    _PHONEBOOK_ITEM item;
    std::memset(&item, 0xCC, sizeof item);
    if (nimbrel::DecodeDiallingRecord({data, size}, item) != QUARN_OK)
        return 0;
    if (!std::memchr(item.name, 0, sizeof item.name) ||
        !std::memchr(item.number, 0, sizeof item.number))
        __builtin_trap();
    // What was read must be writable back into a record of the same length.
    std::vector<uint8_t> out(size);
    (void)nimbrel::EncodeDiallingRecord(item, out);
    return 0;
}
