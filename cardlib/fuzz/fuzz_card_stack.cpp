// Card answers through the whole library: every answer to every command comes
// from the input (see card_stack/answer_stream.h for its form), and the
// library's operations run one after another on it.
#include <cstdio>

#include "answer_stream.h"
#include "card_stack_run.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The USIM file-map walk reports its progress on standard output.
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return -1;
    card_stack::RunOptions options;
    options.groups = static_cast<uint16_t>(data[0] | (data[1] << 8)) & card_stack::kAllGroups;
    answer_stream::Start(data + 2, size - 2);
    card_stack::Run(options, nullptr);
    if (answer_stream::OpenContexts() != 0 || answer_stream::OpenCards() != 0) {
        std::fprintf(stderr, "card stack: PC/SC context or card handle left open\n");
        __builtin_trap();
    }
    return 0;
}
