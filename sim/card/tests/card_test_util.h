// Helpers of the virtual card's tests: profiles by name, APDUs and answers
// in hex.
#pragma once

#include <string>

#include "profile.h"
#include "virtual_card.h"

namespace simcard::testing_util {

inline CardProfile Load(const std::string& name) {
    return LoadProfile(std::string(SIM_PROFILE_DIR) + "/" + name);
}

// Sends one APDU written in hex, answers in hex.
inline std::string Send(VirtualCard& card, const std::string& apdu) {
    return FormatHex(card.Process(ParseHex(apdu)));
}

// The status word of an answer in hex.
inline std::string Sw(const std::string& answer) {
    return answer.substr(answer.size() - 5);
}

// VERIFY of PIN "1234" in the class of the card's command set.
inline std::string VerifyPin(VirtualCard& card, const std::string& cla = "A0") {
    return Send(card, cla + " 20 00 01 08 31 32 33 34 FF FF FF FF");
}

// A whole record of `length` bytes of `fill`, for UPDATE RECORD.
inline std::string Filled(int length, const std::string& fill) {
    std::string data;
    for (int i = 0; i < length; ++i)
        data += " " + fill;
    return data;
}

} // namespace simcard::testing_util
