// Card-type probes: each selects the directory only that card type carries.
#include "card_type.h"

#include "file_access.h"

namespace nimbrel {
namespace {

// A probe only asks. When the card does not have the directory, the SELECT
// fallback has switched the command set; put back the one in force before,
// or a GSM SIM would be sent its next command (a PIN verification, say) in
// the UICC set and refuse it with 6E00.
QuarnResult Probe(const CardLink& link, std::initializer_list<std::uint16_t> path) {
    const CommandMode before = CurrentMode();
    const QuarnResult result = SelectPath(link, path).result;
    if (result != QUARN_OK)
        SetMode(before);
    return result;
}

} // namespace

QuarnResult ProbeRuim(const CardLink& link) {
    return Probe(link, {fid::kMf, fid::kDfCdma, fid::kEfSms});
}

QuarnResult ProbeUsim(const CardLink& link) {
    return SelectUsimApplication(link);
}

QuarnResult ProbePhs(const CardLink& link) {
    return Probe(link, {fid::kMf, fid::kDfPhs});
}

} // namespace nimbrel
