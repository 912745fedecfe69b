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

// Remaining PIN1 attempts (CLA 20 00 01 00) and PUK1 attempts (CLA 2C 00 01
// 00). The card answers 63Cx with x attempts left; any other accepted word
// (9000 included) gives QUARN_E_STATUS_BASE + SW, a rejected one
// QUARN_E_BAD_ANSWER.
QuarnResult QueryPinAttempts(const CardLink& link, std::uint8_t* attempts);
QuarnResult QueryPukAttempts(const CardLink& link, std::uint8_t* attempts);

} // namespace nimbrel
