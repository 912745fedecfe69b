#include "resources/embedded_library.h"

// NIMBREL_IMAGE_PATH is the built libnimbrel.so, copied to a fixed place by
// the build; the assembler takes its bytes whole into read-only data.
#ifndef NIMBREL_IMAGE_PATH
#error "NIMBREL_IMAGE_PATH must name the library image"
#endif

asm(".section .rodata.brisken_nimbrel,\"a\",@progbits\n"
    ".balign 16\n"
    ".globl brisken_nimbrel_image_begin\n"
    ".hidden brisken_nimbrel_image_begin\n"
    "brisken_nimbrel_image_begin:\n"
    ".incbin \"" NIMBREL_IMAGE_PATH "\"\n"
    ".globl brisken_nimbrel_image_end\n"
    ".hidden brisken_nimbrel_image_end\n"
    "brisken_nimbrel_image_end:\n"
    ".previous\n");

extern "C" const char brisken_nimbrel_image_begin[];
extern "C" const char brisken_nimbrel_image_end[];

namespace brisken {

QByteArrayView EmbeddedLibrary() {
    return QByteArrayView(brisken_nimbrel_image_begin,
                          brisken_nimbrel_image_end - brisken_nimbrel_image_begin);
}

} // namespace brisken
