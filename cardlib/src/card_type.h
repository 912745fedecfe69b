// Card-type probes: each selects the directory only that card type carries
// and answers 0 when it is there.
#pragma once

#include "nimbrel.h"
#include "transport.h"

namespace nimbrel {

// MF, DF_CDMA, EF_SMS. A failing probe puts back the command mode in force
// before it.
QuarnResult ProbeRuim(const CardLink& link);
// The USIM application (SelectUsimApplication); leaves UICC mode.
QuarnResult ProbeUsim(const CardLink& link);
// MF, the PHS directory; a failing probe restores the mode as ProbeRuim does.
QuarnResult ProbePhs(const CardLink& link);

} // namespace nimbrel
