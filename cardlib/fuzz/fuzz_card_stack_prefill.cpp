// The whole-library run twice on the same card answers: first with the
// caller's records and the stack below every call filled with 0x00, then with
// 0xFF. Any difference in results, returned records or commands sent means
// the library used bytes the card never sent (or it never wrote), which a
// fixed-size buffer hides from the address checks.
#include <cstdio>
#include <vector>

#include "answer_stream.h"
#include "card_stack_run.h"

namespace {

struct Outcome {
    card_stack::Transcript transcript;
    std::vector<uint8_t> sent;
};

Outcome RunWith(const uint8_t* data, size_t size, uint8_t fill) {
    card_stack::RunOptions options;
    options.groups = static_cast<uint16_t>(data[0] | (data[1] << 8)) & card_stack::kAllGroups;
    options.fill = fill;
    options.sprayStack = true;
    answer_stream::Start(data + 2, size - 2);
    Outcome outcome;
    card_stack::Run(options, &outcome.transcript);
    outcome.sent = answer_stream::Sent();
    return outcome;
}

// Where two byte strings first differ, for the crash report.
size_t FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    return i;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return -1;
    const Outcome zeros = RunWith(data, size, 0x00);
    const Outcome ones = RunWith(data, size, 0xFF);
    if (zeros.sent != ones.sent) {
        std::fprintf(stderr, "card stack: commands differ with the fill, from byte %zu\n",
                     FirstDifference(zeros.sent, ones.sent));
        __builtin_trap();
    }
    if (zeros.transcript.bytes != ones.transcript.bytes) {
        const size_t at = FirstDifference(zeros.transcript.bytes, ones.transcript.bytes);
        const auto [start, call] = zeros.transcript.CallAt(at);
        std::fprintf(stderr,
                     "card stack: what %s returned differs with the fill: byte %zu of its "
                     "result and record\n",
                     call, at - start);
        __builtin_trap();
    }
    return 0;
}
