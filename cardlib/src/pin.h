// PIN (CHV1) commands: the five PIN operations and the two attempts queries
// the card information reads.
#pragma once

#include <cstddef>
#include <cstdint>

#include "nimbrel.h"
#include "platform.h"
#include "transport.h"

namespace nimbrel {

// Longest PIN or PUK a PIN block carries.
inline constexpr std::size_t kPinBlockSize = 8;

enum class PinOperation { Verify, Enable, Disable, Change, Unblock };

// A PIN or PUK as the caller hands it over.
struct PinText {
    const char* digits = nullptr;
    unsigned length = 0;
};

// 1 to 8 characters; a null pointer is no PIN.
bool PinLengthAllowed(const PinText& pin);

// Sends one PIN operation on CHV1: Verify, Enable and Disable with one PIN;
// Change with the old then the new PIN, Unblock with the PUK then the new
// PIN. A PIN failing PinLengthAllowed gives QUARN_E_BAD_PIN_LENGTH and sends
// nothing. Exactly 9000 is success.
QuarnResult SendOnePin(const CardLink& link, PinOperation operation, const PinText& pin);
QuarnResult SendTwoPins(const CardLink& link, PinOperation operation, const PinText& first,
                        const PinText& second);

// Remaining PIN1 attempts (CLA 20 00 01 00) and PUK1 attempts (CLA 2C 00 01
// 00). The card answers 63Cx with x attempts left; any other accepted word
// (9000 included) gives QUARN_E_STATUS_BASE + SW, a rejected one
// QUARN_E_BAD_ANSWER.
QuarnResult QueryPinAttempts(const CardLink& link, std::uint8_t* attempts);
QuarnResult QueryPukAttempts(const CardLink& link, std::uint8_t* attempts);

} // namespace nimbrel
