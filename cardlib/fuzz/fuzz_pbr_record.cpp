// EF_PBR record parser.
#include "codec_pbr.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)nimbrel::ParsePbrRecord({data, size});
    return 0;
}
