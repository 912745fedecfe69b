// Card information: PIN state, ICCID, IMSI. The digits are decoded by
// codec_bcd.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "codec_bcd.h"
#include "nimbrel.h"
#include "transport.h"

namespace nimbrel {

// PIN fields from the answer to SELECT MF. A GSM-form answer carries them in
// bytes 13, 18 and 19; an FCP template carries the enabled flag in its PIN
// status template (C6) and the counters are asked of the card. An answer
// without those bytes gives QUARN_E_BAD_ANSWER.
QuarnResult ReadPinFields(const CardLink& link, std::span<const std::uint8_t> mfAnswer,
                          _CARD_INFO* info);

// Card information of a SIM or R-UIM: PIN fields of the MF (three tries at
// its SELECT), ICCID, phone-book, last-dialled and SMS sizes. info is
// cleared first and holds what was read when a step fails.
QuarnResult ReadSimCardInfo(const CardLink& link, _CARD_INFO& info);

// The same for a USIM, in UICC mode, which stays in force on success; the
// phone-book size sums the ADN files of the USIM phone book.
QuarnResult ReadUsimCardInfo(const CardLink& link, _CARD_INFO& info);

// MF, DF_GSM, EF_IMSI, then the digits into kImsiCapacity bytes at imsiOut.
QuarnResult ReadImsi(const CardLink& link, char* imsiOut);

} // namespace nimbrel
