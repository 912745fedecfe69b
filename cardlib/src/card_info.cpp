// Card information, IMSI: what the editor shows about a card.
#include "card_info.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "books.h"
#include "card_type.h"
#include "file_access.h"
#include "pin.h"

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

QuarnResult ReadSimCardInfo(const CardLink& link, _CARD_INFO& info) {
    info = _CARD_INFO{};

    // Some cards need a second or third try right after power-up.
    Response mf;
    for (int attempt = 0; attempt < kMfSelectAttempts; ++attempt) {
        mf = SelectFile(link, fid::kMf);
        if (mf.ok())
            break;
    }
    if (!mf.ok())
        return mf.result;
    QuarnResult rv = ReadPinFields(link, mf.data(), &info);
    if (rv != QUARN_OK)
        return rv;
    rv = ReadIccid(link, &info);
    if (rv != QUARN_OK)
        return rv;

    _FILE_INFO file{};
    rv = books::OpenPhoneBook(link, file);
    if (rv != QUARN_OK)
        return rv;
    info.phoneBookSize = file.fileSize;
    file = _FILE_INFO{};
    rv = books::OpenLastDialled(link, file);
    if (rv != QUARN_OK)
        return rv;
    info.lastDialledSize = file.fileSize;

    file = _FILE_INFO{};
    if (ProbeRuim(link) == QUARN_OK) {
        rv = books::OpenCdmaSmsBook(link, file);
        if (rv != QUARN_OK)
            return rv;
        info.smsSize = file.fileSize;
    } else {
        // A SIM without a readable EF_SMS simply has no SMS storage.
        info.smsSize = books::OpenSmsBook(link, file) == QUARN_OK ? file.fileSize : 0;
    }
    return QUARN_OK;
}

QuarnResult ReadUsimCardInfo(const CardLink& link, _CARD_INFO& info) {
    info = _CARD_INFO{};

    SetMode(CommandMode::Uicc);
    const Response mf = SelectFile(link, fid::kMf);
    if (!mf.ok()) {
        SetMode(CommandMode::Sim);
        return mf.result;
    }
    QuarnResult rv = ReadPinFields(link, mf.data(), &info);
    // Unlike the failures around it this one keeps UICC mode: callers have always found it so.
    if (rv != QUARN_OK)
        return rv;
    rv = ReadIccid(link, &info);
    if (rv != QUARN_OK) {
        SetMode(CommandMode::Sim);
        return rv;
    }

    _USIM_PHONEBOOK_INFO phoneBook{};
    rv = books::OpenUsimPhoneBook(link, phoneBook);
    if (rv != QUARN_OK) {
        SetMode(CommandMode::Sim);
        return rv;
    }
    _FILE_INFO sms{};
    info.smsSize = books::OpenUsimSmsBook(link, sms) == QUARN_OK ? sms.fileSize : 0;
    info.lastDialledSize = 0;
    // The count comes from the card: never past the table's room.
    int files =
        std::clamp<int>(phoneBook.fileCount, 0, static_cast<int>(std::size(phoneBook.files)));
    int total = 0;
    for (int i = 0; i < files; ++i)
        total += phoneBook.files[i].fileSize;
    info.phoneBookSize = total;
    return QUARN_OK;
}

QuarnResult ReadImsi(const CardLink& link, char* imsiOut) {
    QuarnResult rv = SelectPath(link, {fid::kMf, fid::kDfGsm, fid::kEfImsi}).result;
    if (rv != QUARN_OK)
        return rv;
    std::uint8_t bytes[kImsiFileBytes];
    std::size_t length = 0;
    rv = ReadBinary(link, 0, bytes, &length);
    if (rv != QUARN_OK)
        return rv;
    DecodeImsi(std::span(bytes, length), imsiOut);
    return QUARN_OK;
}

} // namespace nimbrel
