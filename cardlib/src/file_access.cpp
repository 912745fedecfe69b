#include "file_access.h"

#include <cstring>

namespace nimbrel {
namespace {

constexpr std::uint8_t kInsSelect = 0xA4;
constexpr std::uint8_t kInsGetResponse = 0xC0;
constexpr std::uint8_t kInsReadBinary = 0xB0;
constexpr std::uint8_t kInsReadRecord = 0xB2;
constexpr std::uint8_t kInsUpdateRecord = 0xDC;

constexpr std::uint8_t kApplicationTemplate = 0x61;
constexpr std::uint8_t kTagAid = 0x4F;
constexpr std::uint8_t kTagFileDescriptor = 0x82;
constexpr std::size_t kMaxAidLength = 16;

QuarnResult SendSelect(const CardLink& link, std::uint16_t fileId, std::uint8_t sw[2]) {
    ModeBytes mode = BytesOf(CurrentMode());
    const std::uint8_t header[5] = {mode.cla, kInsSelect, 0x00, mode.selectP2, 0x02};
    const std::uint8_t id[2] = {static_cast<std::uint8_t>(fileId >> 8),
                                static_cast<std::uint8_t>(fileId & 0xFF)};
    ResponseBuffer ignored;
    int length = 0;
    return TransmitApdu(link, header, id, true, ignored.data(), ignored.size(), &length, sw);
}

QuarnResult GetResponse(const CardLink& link, std::uint8_t expected, ResponseBuffer& response,
                        int* length) {
    const std::uint8_t header[5] = {ClassByte(), kInsGetResponse, 0x00, 0x00, expected};
    std::uint8_t sw[2] = {0, 0};
    return TransmitApdu(link, header, nullptr, false, response.data(), response.size(), length, sw);
}

} // namespace

QuarnResult SelectFile(const CardLink& link, std::uint16_t fileId, ResponseBuffer& response,
                       int* length) {
    std::uint8_t sw[2] = {0, 0};
    QuarnResult rv = SendSelect(link, fileId, sw);
    if (rv != QUARN_OK) {
        // The card may speak only the other command set: try once in it.
        SwitchMode();
        rv = SendSelect(link, fileId, sw);
        if (rv != QUARN_OK)
            return rv;
    }
    if (sw[1] == 0) {
        // Accepted but no answer to fetch: this card wants the other mode.
        SwitchMode();
        return QUARN_E_BAD_ANSWER;
    }
    return GetResponse(link, sw[1], response, length);
}

QuarnResult SelectPath(const CardLink& link, std::initializer_list<std::uint16_t> path,
                       ResponseBuffer& response, int* length) {
    for (std::uint16_t fileId : path) {
        QuarnResult rv = SelectFile(link, fileId, response, length);
        if (rv != QUARN_OK)
            return rv;
    }
    return QUARN_OK;
}

QuarnResult ReadBinary(const CardLink& link, std::uint16_t offset, std::uint8_t* buffer,
                       int* length) {
    const std::uint8_t header[5] = {
        ClassByte(), kInsReadBinary, static_cast<std::uint8_t>(offset >> 8),
        static_cast<std::uint8_t>(offset & 0xFF), static_cast<std::uint8_t>(*length & 0xFF)};
    std::uint8_t sw[2] = {0, 0};
    int received = 0;
    QuarnResult rv =
        TransmitApdu(link, header, nullptr, false, buffer, kResponseCapacity, &received, sw);
    if (rv != QUARN_OK)
        return rv;
    rv = RequireSuccessWord(sw);
    if (rv != QUARN_OK)
        return rv;
    *length = received;
    return QUARN_OK;
}

QuarnResult ReadRecord(const CardLink& link, std::uint8_t record, std::uint8_t mode,
                       std::uint8_t* buffer, std::uint8_t length) {
    const std::uint8_t header[5] = {ClassByte(), kInsReadRecord, record, mode, length};
    std::uint8_t sw[2] = {0, 0};
    ResponseBuffer received;
    int receivedLength = 0;
    QuarnResult rv = TransmitApdu(link, header, nullptr, false, received.data(), received.size(),
                                  &receivedLength, sw);
    if (rv != QUARN_OK)
        return rv;
    rv = RequireSuccessWord(sw);
    if (rv != QUARN_OK)
        return rv;
    // A record of another length than asked for cannot be decoded as one.
    if (receivedLength != length)
        return QUARN_E_BAD_ANSWER;
    std::memcpy(buffer, received.data(), length);
    return QUARN_OK;
}

QuarnResult UpdateRecord(const CardLink& link, std::uint8_t record, std::uint8_t mode,
                         const std::uint8_t* data, std::uint8_t length) {
    const std::uint8_t header[5] = {ClassByte(), kInsUpdateRecord, record, mode, length};
    std::uint8_t sw[2] = {0, 0};
    ResponseBuffer ignored;
    int receivedLength = 0;
    QuarnResult rv =
        TransmitApdu(link, header, data, true, ignored.data(), ignored.size(), &receivedLength, sw);
    if (rv != QUARN_OK)
        return rv;
    return RequireSuccessWord(sw);
}

QuarnResult SelectByAid(const CardLink& link, const std::uint8_t* aid, std::uint8_t aidLength,
                        ResponseBuffer& response, int* length) {
    // Selecting an application is a UICC command whatever mode we were in.
    SetMode(CommandMode::Uicc);
    const std::uint8_t header[5] = {0x00, kInsSelect, 0x04, 0x04, aidLength};
    std::uint8_t sw[2] = {0, 0};
    int ignoredLength = 0;
    QuarnResult rv =
        TransmitApdu(link, header, aid, true, response.data(), response.size(), &ignoredLength, sw);
    if (rv != QUARN_OK)
        return rv;
    *length = 0;
    if (sw[1] != 0)
        return GetResponse(link, sw[1], response, length);
    return QUARN_OK;
}

QuarnResult SelectUsimApplication(const CardLink& link) {
    SetMode(CommandMode::Uicc);
    ResponseBuffer answer;
    int answerLength = 0;
    QuarnResult rv = SelectFile(link, fid::kMf, answer, &answerLength);
    if (rv != QUARN_OK)
        return rv;
    rv = SelectFile(link, fid::kEfDir, answer, &answerLength);
    if (rv != QUARN_OK)
        return rv;

    std::optional<int> recordLength =
        RecordLengthFromSelect(std::span(answer.data(), static_cast<std::size_t>(answerLength)));
    if (!recordLength || *recordLength <= 0 || *recordLength > 255)
        return QUARN_E_BAD_ANSWER;

    std::uint8_t record[256];
    auto length = static_cast<std::uint8_t>(*recordLength);
    rv = ReadRecord(link, 1, kRecordAbsolute, record, length);
    if (rv != QUARN_OK)
        return rv;
    if (length < 2 || record[0] != kApplicationTemplate)
        return QUARN_E_USIM_NOT_FOUND;

    // Only the bytes inside the template belong to it.
    std::size_t templateEnd = std::min<std::size_t>(length, 2u + record[1]);
    std::optional<Tlv> aid = FindTlv(std::span(record, templateEnd), 2, kTagAid);
    if (!aid || aid->value.empty() || aid->value.size() > kMaxAidLength)
        return QUARN_E_USIM_NOT_FOUND;

    return SelectByAid(link, aid->value.data(), static_cast<std::uint8_t>(aid->value.size()),
                       answer, &answerLength);
}

std::optional<Tlv> FindTlv(std::span<const std::uint8_t> bytes, std::size_t start,
                           std::uint8_t tag) {
    std::size_t pos = start;
    while (pos + 2 <= bytes.size()) {
        std::size_t valueLength = bytes[pos + 1];
        std::size_t end = pos + 2 + valueLength;
        if (end > bytes.size())
            return std::nullopt;
        if (bytes[pos] == tag)
            return Tlv{pos, bytes.subspan(pos + 2, valueLength)};
        pos = end;
    }
    return std::nullopt;
}

std::span<const std::uint8_t> FcpBody(std::span<const std::uint8_t> answer) {
    if (answer.size() < 2)
        return answer;
    return answer.first(std::min<std::size_t>(answer.size(), 2u + answer[1]));
}

namespace {

// The file descriptor of an FCP answer with at least `minValue` value bytes.
std::optional<Tlv> Descriptor(std::span<const std::uint8_t> answer, std::size_t minValue) {
    std::optional<Tlv> descriptor = FindTlv(FcpBody(answer), 2, kTagFileDescriptor);
    if (!descriptor || descriptor->value.size() < minValue)
        return std::nullopt;
    return descriptor;
}

constexpr std::size_t kGsmFileSize = 2;
constexpr std::size_t kGsmRecordLength = 14;

} // namespace

std::optional<int> RecordLengthFromSelect(std::span<const std::uint8_t> answer) {
    if (IsFcp(answer)) {
        // Value bytes: descriptor, coding, record length (2).
        std::optional<Tlv> descriptor = Descriptor(answer, 4);
        if (!descriptor)
            return std::nullopt;
        return (descriptor->value[2] << 8) | descriptor->value[3];
    }
    if (answer.size() <= kGsmRecordLength)
        return std::nullopt;
    return answer[kGsmRecordLength];
}

QuarnResult FileInfoFromSelect(std::span<const std::uint8_t> answer, _FILE_INFO* info) {
    if (IsFcp(answer)) {
        // Value bytes: descriptor, coding, record length (2), record count.
        std::optional<Tlv> descriptor = Descriptor(answer, 5);
        if (!descriptor)
            return QUARN_E_BAD_ANSWER;
        int recordLength = (descriptor->value[2] << 8) | descriptor->value[3];
        int recordCount = descriptor->value[4];
        info->recordLength = recordLength;
        info->recordCount = recordCount;
        info->fileSize = recordLength * recordCount;
        return QUARN_OK;
    }
    if (answer.size() <= kGsmRecordLength)
        return QUARN_E_BAD_ANSWER;
    int fileSize = (answer[kGsmFileSize] << 8) | answer[kGsmFileSize + 1];
    int recordLength = answer[kGsmRecordLength];
    // A record file without a record length has no geometry.
    if (recordLength == 0)
        return QUARN_E_BAD_ANSWER;
    info->fileSize = fileSize;
    info->recordLength = recordLength;
    info->recordCount = fileSize / recordLength;
    return QUARN_OK;
}

} // namespace nimbrel
