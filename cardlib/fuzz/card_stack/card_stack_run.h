// The library's operations one after another on the card in the first known
// reader, through the exported API only, as the editor and the command-line
// tool use them. After each call the returned records are checked: strings
// end inside their fields, sizes and counts are inside their bounds. A broken
// rule is printed and aborts the process, so that a fuzzer reports it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace card_stack {

// Groups of operations, run in this order when their bit is set.
enum Group : std::uint16_t {
    kProbes = 1u << 0,        // R-UIM, USIM and PHS probes
    kSimCardInfo = 1u << 1,   // card information in SIM form
    kUsimCardInfo = 1u << 2,  // card information in USIM form
    kImsi = 1u << 3,          // IMSI
    kPhoneBook = 1u << 4,     // open, read every record, write record 1
    kLastDialled = 1u << 5,   // open, read every record, add one
    kSms = 1u << 6,           // SMS book under DF_TELECOM
    kUsimSms = 1u << 7,       // SMS book of the USIM application
    kUsimPhoneBook = 1u << 8, // EF_PBR, SelectADN, read and write each ADN file
    kCdmaSms = 1u << 9,       // R-UIM SMS book
    kPhsSms = 1u << 10,       // PHS SMS book
    kPin = 1u << 11,          // verify, enable, disable, change, unblock
    kSimFileMap = 1u << 12,   // file-map walk in SIM form
    kUsimFileMap = 1u << 13,  // file-map walk in USIM form
};
inline constexpr std::uint16_t kAllGroups = (1u << 14) - 1;
// Everything but the two walks, which send a SELECT for each identifier of
// every directory and so dwarf the rest of a session.
inline constexpr std::uint16_t kBookGroups = kAllGroups & ~(kSimFileMap | kUsimFileMap);

struct RunOptions {
    std::uint16_t groups = kAllGroups;
    // Value of every byte of the caller's records before each call, and of a
    // large area of the stack below the caller when sprayStack is set: two
    // runs that differ only in it must return the same.
    std::uint8_t fill = 0x00;
    bool sprayStack = false;
    // Most records read from one file (the library takes at most 255).
    int maxRecords = 255;
};

// What a run returned, call by call.
struct Transcript {
    std::vector<std::uint8_t> bytes;
    // Where each call's part of `bytes` starts, and the call.
    std::vector<std::pair<std::size_t, const char*>> calls;

    // The call whose part holds byte `offset`, and where its part starts
    // (its result code comes first, then what it returned).
    std::pair<std::size_t, const char*> CallAt(std::size_t offset) const {
        std::pair<std::size_t, const char*> found{0, "none"};
        for (const auto& call : calls)
            if (call.first <= offset)
                found = call;
        return found;
    }
};

// Connects, runs the groups and disconnects. The transcript receives every
// result code and every record a call returned with success. (The last
// status word is left out: it carries over from an earlier session until
// the card first answers.)
void Run(const RunOptions& options, Transcript* transcript);

} // namespace card_stack
