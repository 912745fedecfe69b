// Card-type probes: each selects the directory only that card type carries.
#include "file_access.h"
#include "session.h"

using namespace nimbrel;

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

extern "C" {

QUARN_API QuarnResult QUARN_CALL Quarn_IsCDMA_RUIM(QuarnConnection connection) {
    const CardLink* link = FindConnection(connection);
    if (!link)
        return pcsc::kInvalidHandle;
    return Probe(*link, {fid::kMf, fid::kDfCdma, fid::kEfSms});
}

QUARN_API QuarnResult QUARN_CALL Quarn_Is3G_UIM(QuarnConnection connection) {
    const CardLink* link = FindConnection(connection);
    if (!link)
        return pcsc::kInvalidHandle;
    return SelectUsimApplication(*link);
}

QUARN_API QuarnResult QUARN_CALL Quarn_IsPHS_SIM(QuarnConnection connection) {
    const CardLink* link = FindConnection(connection);
    if (!link)
        return pcsc::kInvalidHandle;
    return Probe(*link, {fid::kMf, fid::kDfPhs});
}

} // extern "C"
