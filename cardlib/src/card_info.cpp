// Card information, IMSI: what the editor shows about a card.
#include "card_info.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "file_access.h"
#include "pin.h"
#include "session.h"

namespace nimbrel {
namespace {

constexpr int kMfSelectAttempts = 3;

// A missing EF_ICCID leaves the serial number empty and is no error.
QuarnResult ReadIccid(const CardLink& link, _CARD_INFO* info) {
    std::memset(info->iccid, 0, sizeof info->iccid);
    if (!SelectFile(link, fid::kEfIccid).ok())
        return QUARN_OK;
    std::uint8_t bytes[kIccidBytes];
    std::size_t length = 0;
    QuarnResult rv = ReadBinary(link, 0, bytes, &length);
    if (rv != QUARN_OK)
        return rv;
    DecodeIccid(std::span(bytes, length), info->iccid);
    return QUARN_OK;
}

} // namespace

QuarnResult ReadPinFields(const CardLink& link, std::span<const std::uint8_t> mfAnswer,
                          _CARD_INFO* info) {
    if (IsFcp(mfAnswer)) {
        const std::optional<bool> enabled = FcpPinEnabled(mfAnswer);
        if (!enabled)
            return QUARN_E_BAD_ANSWER;
        info->pinEnabled = *enabled ? 1 : 0;
        std::uint8_t attempts = 0;
        QuarnResult rv = QueryPinAttempts(link, &attempts);
        if (rv == QUARN_E_STATUS_BASE + 0x9000) {
            // A UICC whose PIN is disabled or already verified in this card
            // session answers the empty VERIFY with 9000 and keeps its counter
            // to itself. That is a healthy card, not a failure: the PIN is not
            // blocked and the count is unknown.
            info->pinRetries = QUARN_RETRIES_UNKNOWN;
            info->pinBlocked = 0;
        } else if (rv != QUARN_OK) {
            return rv;
        } else {
            info->pinRetries = attempts;
            info->pinBlocked = attempts == 0 ? 1 : 0;
        }
        rv = QueryPukAttempts(link, &attempts);
        if (rv != QUARN_OK)
            return rv;
        info->pukRetries = attempts;
        return QUARN_OK;
    }
    return GsmPinFields(mfAnswer, info);
}

} // namespace nimbrel

using namespace nimbrel;

extern "C" {

QUARN_API QuarnResult QUARN_CALL Quarn_GetSIMCardInfo(QuarnConnection connection,
                                                      _CARD_INFO* info) {
    const CardLink* link = FindConnection(connection);
    if (!link)
        return pcsc::kInvalidHandle;
    if (!info)
        return pcsc::kInvalidParameter;
    std::memset(info, 0, sizeof *info);

    // Some cards need a second or third try right after power-up.
    Response mf;
    for (int attempt = 0; attempt < kMfSelectAttempts; ++attempt) {
        mf = SelectFile(*link, fid::kMf);
        if (mf.ok())
            break;
    }
    if (!mf.ok())
        return mf.result;
    QuarnResult rv = ReadPinFields(*link, mf.data(), info);
    if (rv != QUARN_OK)
        return rv;
    rv = ReadIccid(*link, info);
    if (rv != QUARN_OK)
        return rv;

    _FILE_INFO file{};
    rv = Quarn_OpenPhoneBook(connection, &file);
    if (rv != QUARN_OK)
        return rv;
    info->phoneBookSize = file.fileSize;
    file = _FILE_INFO{};
    rv = Quarn_OpenLastNumDialledBook(connection, &file);
    if (rv != QUARN_OK)
        return rv;
    info->lastDialledSize = file.fileSize;

    file = _FILE_INFO{};
    if (Quarn_IsCDMA_RUIM(connection) == QUARN_OK) {
        rv = Quarn_OpenCDMASMSBook(connection, &file);
        if (rv != QUARN_OK)
            return rv;
        info->smsSize = file.fileSize;
    } else {
        // A SIM without a readable EF_SMS simply has no SMS storage.
        info->smsSize = Quarn_OpenSMSBook(connection, &file) == QUARN_OK ? file.fileSize : 0;
    }
    return QUARN_OK;
}

QUARN_API QuarnResult QUARN_CALL Quarn_GetUSIMCardInfo(QuarnConnection connection,
                                                       _CARD_INFO* info) {
    const CardLink* link = FindConnection(connection);
    if (!link)
        return pcsc::kInvalidHandle;
    if (!info)
        return pcsc::kInvalidParameter;
    std::memset(info, 0, sizeof *info);

    SetMode(CommandMode::Uicc);
    const Response mf = SelectFile(*link, fid::kMf);
    if (!mf.ok()) {
        SetMode(CommandMode::Sim);
        return mf.result;
    }
    QuarnResult rv = ReadPinFields(*link, mf.data(), info);
    if (rv != QUARN_OK)
        return rv;
    rv = ReadIccid(*link, info);
    if (rv != QUARN_OK) {
        SetMode(CommandMode::Sim);
        return rv;
    }

    _USIM_PHONEBOOK_INFO phoneBook{};
    rv = Quarn_OpenUISMPhoneBook(connection, &phoneBook);
    if (rv != QUARN_OK) {
        SetMode(CommandMode::Sim);
        return rv;
    }
    _FILE_INFO sms{};
    info->smsSize = Quarn_OpenUSIMSMSBook(connection, &sms) == QUARN_OK ? sms.fileSize : 0;
    info->lastDialledSize = 0;
    // The count comes from the card: never past the table's room.
    int files =
        std::clamp<int>(phoneBook.fileCount, 0, static_cast<int>(std::size(phoneBook.files)));
    int total = 0;
    for (int i = 0; i < files; ++i)
        total += phoneBook.files[i].fileSize;
    info->phoneBookSize = total;
    return QUARN_OK;
}

QUARN_API QuarnResult QUARN_CALL Quarn_GetIMSI(QuarnConnection connection, char* imsiOut) {
    const CardLink* link = FindConnection(connection);
    if (!link)
        return pcsc::kInvalidHandle;
    if (!imsiOut)
        return pcsc::kInvalidParameter;
    QuarnResult rv = SelectPath(*link, {fid::kMf, fid::kDfGsm, fid::kEfImsi}).result;
    if (rv != QUARN_OK)
        return rv;
    std::uint8_t bytes[kImsiFileBytes];
    std::size_t length = 0;
    rv = ReadBinary(*link, 0, bytes, &length);
    if (rv != QUARN_OK)
        return rv;
    DecodeImsi(std::span(bytes, length), imsiOut);
    return QUARN_OK;
}

} // extern "C"
