// nimbrel-apdu-bench: what Transmit adds to a raw SCardTransmit round
// trip. Both send the same SELECT MF on the same card handle, one call of
// each in turn, and every call is timed on its own; the medians keep calls
// disturbed by other load on the machine out of the figure. Needs a
// running PC/SC sandbox:
//
//   scripts/pcsc_sandbox.sh run -- build/cardlib/bench/nimbrel-apdu-bench [PAIRS]
#include <winscard.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "nimbrel.h"
#include "session.h"
#include "transport.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Select {
    std::uint8_t header[5];
    std::uint8_t data[2];
};

class Paths {
public:
    Paths(const nimbrel::CardLink& link, const Select& select) : link_(link), select_(select) {
        std::copy(select.header, select.header + 5, command_);
        std::copy(select.data, select.data + 2, command_ + 5);
        pci_.dwProtocol =
            link.protocol == nimbrel::pcsc::Protocol::T1 ? SCARD_PROTOCOL_T1 : SCARD_PROTOCOL_T0;
        pci_.cbPciLength = sizeof pci_;
    }

    double Library() {
        auto start = Clock::now();
        const nimbrel::Response response = nimbrel::Transmit(link_, Command());
        auto took = Clock::now() - start;
        if (!response.ok())
            Fail("Transmit");
        return std::chrono::duration<double, std::micro>(took).count();
    }

    double Raw() {
        std::uint8_t response[600];
        DWORD length = sizeof response;
        auto start = Clock::now();
        LONG rv = SCardTransmit(static_cast<SCARDHANDLE>(link_.card), &pci_, command_,
                                sizeof command_, nullptr, response, &length);
        auto took = Clock::now() - start;
        if (rv != SCARD_S_SUCCESS || length < 2)
            Fail("SCardTransmit");
        return std::chrono::duration<double, std::micro>(took).count();
    }

private:
    [[noreturn]] static void Fail(const char* what) {
        std::fprintf(stderr, "%s failed\n", what);
        std::exit(1);
    }

    nimbrel::Command Command() const {
        return nimbrel::Command::Sending(select_.header[0], select_.header[1], select_.header[2],
                                         select_.header[3], select_.data);
    }

    const nimbrel::CardLink& link_;
    Select select_;
    std::uint8_t command_[7];
    SCARD_IO_REQUEST pci_{};
};

double Median(std::vector<double> values) {
    auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

double Mean(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values)
        sum += v;
    return sum / static_cast<double>(values.size());
}

} // namespace

int main(int argc, char** argv) {
    const int pairs = argc > 1 ? std::max(10, std::atoi(argv[1])) : 10000;

    QuarnConnection handle = 0;
    QuarnResult rv = Quarn_Connect(&handle);
    if (rv != QUARN_OK) {
        std::fprintf(stderr, "no card in a known reader (0x%08X)\n", rv);
        return 1;
    }
    const nimbrel::CardLink& link = *nimbrel::FindConnection(handle);

    // SELECT MF in whichever command set the card speaks.
    Select select{{0xA0, 0xA4, 0x00, 0x00, 0x02}, {0x3F, 0x00}};
    if (!nimbrel::Transmit(link, nimbrel::Command::Sending(0xA0, 0xA4, 0x00, 0x00, select.data))
             .ok())
        select = Select{{0x00, 0xA4, 0x00, 0x04, 0x02}, {0x3F, 0x00}};

    Paths paths(link, select);
    for (int i = 0; i < 200; ++i) { // warm-up
        paths.Library();
        paths.Raw();
    }
    std::vector<double> library, raw;
    library.reserve(static_cast<std::size_t>(pairs));
    raw.reserve(static_cast<std::size_t>(pairs));
    for (int i = 0; i < pairs; ++i) {
        // Alternate which path goes first so neither always follows the other.
        if (i % 2 == 0) {
            library.push_back(paths.Library());
            raw.push_back(paths.Raw());
        } else {
            raw.push_back(paths.Raw());
            library.push_back(paths.Library());
        }
    }

    const double medianLibrary = Median(library), medianRaw = Median(raw);
    std::printf("APDUs per path: %d (SELECT MF, class %02X, T=%d)\n", pairs, select.header[0],
                link.protocol == nimbrel::pcsc::Protocol::T1 ? 1 : 0);
    std::printf("Transmit:           median %8.2f us, mean %8.2f us per APDU\n", medianLibrary,
                Mean(library));
    std::printf("raw SCardTransmit:  median %8.2f us, mean %8.2f us per APDU\n", medianRaw,
                Mean(raw));
    std::printf("ratio of medians:   %.4f (library adds %+.2f %%)\n", medianLibrary / medianRaw,
                (medianLibrary / medianRaw - 1.0) * 100.0);
    Quarn_DisConnect(handle);
    return 0;
}
