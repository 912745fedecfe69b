// What the editor's benchmarks share: timing, and bare APDU round trips to
// the first card in a known reader for the figures they compare against.
#pragma once

#include <winscard.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace brisken::bench {

using Clock = std::chrono::steady_clock;

[[noreturn]] inline void Fail(const char* what, unsigned long code) {
    std::fprintf(stderr, "%s failed (0x%08lX)\n", what, code);
    std::exit(1);
}

inline double Milliseconds(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct RawCard {
    SCARDCONTEXT context = 0;
    SCARDHANDLE card = 0;
    SCARD_IO_REQUEST pci{};

    RawCard() {
        if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context) !=
            SCARD_S_SUCCESS) {
            Fail("SCardEstablishContext", 0);
        }
        char names[4096];
        DWORD length = sizeof names;
        if (SCardListReaders(context, nullptr, names, &length) != SCARD_S_SUCCESS) {
            Fail("SCardListReaders", 0);
        }
        for (const char* name = names; *name; name += std::strlen(name) + 1) {
            if (std::strncmp(name, "Generic MultiCard reader", 24) != 0) {
                continue;
            }
            DWORD protocol = 0;
            if (SCardConnect(context, name, SCARD_SHARE_SHARED,
                             SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card,
                             &protocol) == SCARD_S_SUCCESS) {
                pci.dwProtocol = protocol;
                pci.cbPciLength = sizeof pci;
                return;
            }
        }
        Fail("no card in a known reader", 0);
    }
    ~RawCard() {
        SCardDisconnect(card, SCARD_LEAVE_CARD);
        SCardReleaseContext(context);
    }
    void Exchange(const std::vector<BYTE>& command, DWORD expected) {
        BYTE response[300];
        DWORD length = sizeof response;
        const LONG rv =
            SCardTransmit(card, &pci, command.data(), static_cast<DWORD>(command.size()), nullptr,
                          response, &length);
        if (rv != SCARD_S_SUCCESS || (expected != 0 && length != expected)) {
            Fail("raw exchange", static_cast<unsigned long>(rv));
        }
    }
    void SelectAdn() {
        for (BYTE high : {0x3F, 0x7F, 0x6F}) {
            const BYTE low = high == 0x3F ? 0x00 : high == 0x7F ? 0x10 : 0x3A;
            Exchange({0xA0, 0xA4, 0x00, 0x00, 0x02, high, low}, 0);
        }
    }
    void UpdateRecords(int count, const std::vector<BYTE>& record) {
        std::vector<BYTE> command = {0xA0, 0xDC, 0x00, 0x04, static_cast<BYTE>(record.size())};
        command.insert(command.end(), record.begin(), record.end());
        for (int number = 1; number <= count; ++number) {
            command[2] = static_cast<BYTE>(number);
            Exchange(command, 2);
        }
    }
    void ReadRecords(int count, int recordLength) {
        for (int record = 1; record <= count; ++record) {
            Exchange({0xA0, 0xB2, static_cast<BYTE>(record), 0x04, static_cast<BYTE>(recordLength)},
                     static_cast<DWORD>(recordLength) + 2);
        }
    }
};

} // namespace brisken::bench
