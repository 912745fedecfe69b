// Card-type probes: each selects the directory only that card type carries.
#include "file_access.h"
#include "session.h"

using namespace nimbrel;

namespace {

QuarnResult Probe(const CardLink& link, std::initializer_list<std::uint16_t> path) {
    ResponseBuffer answer;
    int length = 0;
    return SelectPath(link, path, answer, &length);
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
