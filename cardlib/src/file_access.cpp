#include "file_access.h"

#include <algorithm>

namespace nimbrel {
namespace {

constexpr std::uint8_t kInsSelect = 0xA4;
constexpr std::uint8_t kInsGetResponse = 0xC0;
constexpr std::uint8_t kInsReadBinary = 0xB0;
constexpr std::uint8_t kInsReadRecord = 0xB2;
constexpr std::uint8_t kInsUpdateRecord = 0xDC;

constexpr std::uint8_t kApplicationTemplate = 0x61;
constexpr std::uint8_t kTagAid = 0x4F;
constexpr std::size_t kMaxAidLength = 16;

Response SendSelect(const CardLink& link, std::uint16_t fileId) {
    const ModeBytes mode = BytesOf(CurrentMode());
    const std::uint8_t id[2] = {static_cast<std::uint8_t>(fileId >> 8),
                                static_cast<std::uint8_t>(fileId & 0xFF)};
    return Transmit(link, Command::Sending(mode.cla, kInsSelect, 0x00, mode.selectP2, id));
}

Response GetResponse(const CardLink& link, std::uint8_t expected) {
    return Transmit(link, Command::Expecting(ClassByte(), kInsGetResponse, 0x00, 0x00, expected));
}

} // namespace

Response SelectFile(const CardLink& link, std::uint16_t fileId) {
    Response selected = SendSelect(link, fileId);
    if (!selected.ok()) {
        // The card may speak only the other command set: try once in it.
        SwitchMode();
        selected = SendSelect(link, fileId);
        if (!selected.ok())
            return selected;
    }
    if (selected.sw2() == 0) {
        // Accepted but no answer to fetch: this card wants the other mode.
        SwitchMode();
        Response none;
        none.result = QUARN_E_BAD_ANSWER;
        return none;
    }
    return GetResponse(link, selected.sw2());
}

Response SelectPath(const CardLink& link, std::initializer_list<std::uint16_t> path) {
    Response answer;
    for (std::uint16_t fileId : path) {
        answer = SelectFile(link, fileId);
        if (!answer.ok())
            return answer;
    }
    return answer;
}

QuarnResult ReadBinary(const CardLink& link, std::uint16_t offset, std::span<std::uint8_t> buffer,
                       std::size_t* received) {
    const Response response =
        Transmit(link, Command::Expecting(ClassByte(), kInsReadBinary,
                                          static_cast<std::uint8_t>(offset >> 8),
                                          static_cast<std::uint8_t>(offset & 0xFF),
                                          static_cast<std::uint8_t>(buffer.size() & 0xFF)));
    if (!response.ok())
        return response.result;
    const QuarnResult rv = RequireSuccessWord(response.sw);
    if (rv != QUARN_OK)
        return rv;
    const std::size_t stored = std::min(response.data().size(), buffer.size());
    std::copy_n(response.data().begin(), stored, buffer.begin());
    *received = stored;
    return QUARN_OK;
}

QuarnResult ReadRecord(const CardLink& link, std::uint8_t number, std::uint8_t mode,
                       std::span<std::uint8_t> record) {
    const Response response =
        Transmit(link, Command::Expecting(ClassByte(), kInsReadRecord, number, mode,
                                          static_cast<std::uint8_t>(record.size())));
    if (!response.ok())
        return response.result;
    const QuarnResult rv = RequireSuccessWord(response.sw);
    if (rv != QUARN_OK)
        return rv;
    // A record of another length than asked for cannot be decoded as one.
    if (response.data().size() != record.size())
        return QUARN_E_BAD_ANSWER;
    std::copy(response.data().begin(), response.data().end(), record.begin());
    return QUARN_OK;
}

QuarnResult UpdateRecord(const CardLink& link, std::uint8_t number, std::uint8_t mode,
                         std::span<const std::uint8_t> data) {
    const Response response =
        Transmit(link, Command::Sending(ClassByte(), kInsUpdateRecord, number, mode, data));
    if (!response.ok())
        return response.result;
    return RequireSuccessWord(response.sw);
}

Response SelectByAid(const CardLink& link, std::span<const std::uint8_t> aid) {
    // Selecting an application is a UICC command whatever mode we were in.
    SetMode(CommandMode::Uicc);
    Response selected = Transmit(link, Command::Sending(0x00, kInsSelect, 0x04, 0x04, aid));
    if (!selected.ok())
        return selected;
    if (selected.sw2() != 0)
        return GetResponse(link, selected.sw2());
    selected.ClearData();
    return selected;
}

QuarnResult SelectUsimApplication(const CardLink& link) {
    SetMode(CommandMode::Uicc);
    QuarnResult rv = SelectFile(link, fid::kMf).result;
    if (rv != QUARN_OK)
        return rv;
    const Response dir = SelectFile(link, fid::kEfDir);
    if (!dir.ok())
        return dir.result;

    std::optional<int> recordLength = RecordLengthFromSelect(dir.data());
    if (!recordLength || *recordLength <= 0 || *recordLength > 255)
        return QUARN_E_BAD_ANSWER;

    std::uint8_t record[255];
    const auto length = static_cast<std::size_t>(*recordLength);
    rv = ReadRecord(link, 1, kRecordAbsolute, std::span(record, length));
    if (rv != QUARN_OK)
        return rv;
    if (length < 2 || record[0] != kApplicationTemplate)
        return QUARN_E_USIM_NOT_FOUND;

    // Only the bytes inside the template belong to it.
    std::size_t templateEnd = std::min<std::size_t>(length, 2u + record[1]);
    std::optional<Tlv> aid = FindTlv(std::span(record, templateEnd), 2, kTagAid);
    if (!aid || aid->value.empty() || aid->value.size() > kMaxAidLength)
        return QUARN_E_USIM_NOT_FOUND;

    return SelectByAid(link, aid->value).result;
}

} // namespace nimbrel
