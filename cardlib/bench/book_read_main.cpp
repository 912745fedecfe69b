// nimbrel-book-bench: the time to read a whole book through the library
// against the same number of bare READ RECORD round trips on the same card
// handle. Each round reads the book both ways, alternating which goes first;
// the medians of the round totals give the ratio. Needs the PC/SC sandbox
// with the GSM SIM book profile (250 phone-book records, 50 messages) in the
// first known reader:
//
//   scripts/pcsc_sandbox.sh run --card 2:book_gsm_sim.json --
//   build/cardlib/bench/nimbrel-book-bench [ROUNDS]   (one command line)
#include <winscard.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "nimbrel.h"
#include "session.h"
#include "transport.h"

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(const char* what, unsigned long code) {
    std::fprintf(stderr, "%s failed (0x%08lX)\n", what, code);
    std::exit(1);
}

double Milliseconds(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// READ RECORD 1..count of the selected file, as the library would send it,
// straight through SCardTransmit.
void RawReads(const nimbrel::CardLink& link, int count, int recordLength) {
    SCARD_IO_REQUEST pci{};
    pci.dwProtocol =
        link.protocol == nimbrel::pcsc::Protocol::T1 ? SCARD_PROTOCOL_T1 : SCARD_PROTOCOL_T0;
    pci.cbPciLength = sizeof pci;
    for (int record = 1; record <= count; ++record) {
        const BYTE command[5] = {nimbrel::ClassByte(), 0xB2, static_cast<BYTE>(record), 0x04,
                                 static_cast<BYTE>(recordLength)};
        BYTE response[600];
        DWORD length = sizeof response;
        const LONG rv = SCardTransmit(static_cast<SCARDHANDLE>(link.card), &pci, command,
                                      sizeof command, nullptr, response, &length);
        if (rv != SCARD_S_SUCCESS || length != static_cast<DWORD>(recordLength) + 2)
            Fail("raw READ RECORD", static_cast<unsigned long>(rv));
    }
}

struct Book {
    const char* name;
    std::function<QuarnResult(QuarnConnection, _FILE_INFO*)> open;
    std::function<QuarnResult(QuarnConnection, _FILE_INFO*, int)> read;
};

void Measure(QuarnConnection handle, const Book& book, int rounds) {
    _FILE_INFO fi{};
    QuarnResult rv = book.open(handle, &fi);
    if (rv != QUARN_OK)
        Fail(book.name, rv);
    const nimbrel::CardLink& link = *nimbrel::FindConnection(handle);
    auto library = [&] {
        for (int record = 1; record <= fi.recordCount; ++record) {
            if (QuarnResult r = book.read(handle, &fi, record); r != QUARN_OK)
                Fail(book.name, r);
        }
    };
    auto raw = [&] { RawReads(link, fi.recordCount, fi.recordLength); };

    library(); // warm-up
    raw();
    std::vector<double> libraryTimes, rawTimes;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            libraryTimes.push_back(Milliseconds(library));
            rawTimes.push_back(Milliseconds(raw));
        } else {
            rawTimes.push_back(Milliseconds(raw));
            libraryTimes.push_back(Milliseconds(library));
        }
    }
    const double l = Median(libraryTimes), r = Median(rawTimes);
    std::printf("%s, %d records of %d bytes (median of %d rounds):\n", book.name, fi.recordCount,
                fi.recordLength, rounds);
    std::printf("  library read:           %9.3f ms\n", l);
    std::printf("  raw READ RECORD trips:  %9.3f ms\n", r);
    std::printf("  ratio library / raw:    %9.4f (%+.2f %%)\n", l / r, (l / r - 1.0) * 100.0);
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    QuarnConnection handle = 0;
    if (QuarnResult rv = Quarn_Connect(&handle); rv != QUARN_OK)
        Fail("Quarn_Connect", rv);

    _PHONEBOOK_ITEM entry;
    _SMS_ITEM message;
    const Book phoneBook{"phone book", Quarn_OpenPhoneBook,
                         [&](QuarnConnection h, _FILE_INFO* fi, int record) {
                             return Quarn_ReadPhoneBook(h, fi, &entry, record);
                         }};
    const Book smsBook{"SMS book", Quarn_OpenSMSBook,
                       [&](QuarnConnection h, _FILE_INFO* fi, int record) {
                           return Quarn_ReadSMSBook(h, fi, &message, record);
                       }};
    Measure(handle, phoneBook, rounds);
    Measure(handle, smsBook, rounds);
    Quarn_DisConnect(handle);
    return 0;
}
