// PIN (CHV1) commands: the five PIN operations and the two attempts queries
// the card information reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "nimbrel.h"
#include "platform.h"
#include "transport.h"

namespace nimbrel {

// Longest PIN or PUK a PIN block carries.
inline constexpr std::size_t kPinBlockSize = 8;

enum class PinOperation { Verify, Enable, Disable, Change, Unblock };

// A PIN or PUK of 1 to 8 characters; a null pointer is not one.
bool PinLengthAllowed(const char* digits, unsigned length);

// Sends one PIN operation on CHV1. Verify, Enable and Disable take `first`
// alone; Change takes the old then the new PIN, Unblock the PUK then the new
// PIN. Both must pass PinLengthAllowed. Exactly 9000 is success.
QuarnResult SendPin(const CardLink& link, PinOperation operation, std::string_view first,
                    std::string_view second = {});

// Remaining PIN1 attempts (CLA 20 00 01 00) and PUK1 attempts (CLA 2C 00 01
// 00). The card answers 63Cx with x attempts left; any other accepted word
// (9000 included) gives QUARN_E_STATUS_BASE + SW, a rejected one
// QUARN_E_BAD_ANSWER.
QuarnResult QueryPinAttempts(const CardLink& link, std::uint8_t* attempts);
QuarnResult QueryPukAttempts(const CardLink& link, std::uint8_t* attempts);

} // namespace nimbrel
