#include "codec_select.h"

#include <algorithm>

namespace nimbrel {
namespace {

constexpr std::uint8_t kTagFileDescriptor = 0x82;
constexpr std::uint8_t kTagFileSize = 0x80;
constexpr std::uint8_t kTagPinStatus = 0xC6;
constexpr std::uint8_t kDescriptorDf = 0x38;
constexpr std::uint8_t kDescriptorDfShareable = 0x78;
constexpr std::uint8_t kDescriptorShareable = 0x40;
constexpr std::uint8_t kPinEnabledBit = 0x80; // PS_DO

constexpr std::size_t kGsmFileSize = 2;
constexpr std::size_t kGsmTypeOfFile = 6;
constexpr std::uint8_t kGsmTypeDf = 0x02;
constexpr std::size_t kGsmCharacteristics = 13;
constexpr std::uint8_t kGsmPinDisabledBit = 0x80;
constexpr std::size_t kGsmRecordLength = 14;
constexpr std::size_t kGsmChv1Status = 18;
constexpr std::size_t kGsmUnblockChv1Status = 19;

// The file descriptor of an FCP answer with at least `minValue` value bytes.
std::optional<Tlv> Descriptor(std::span<const std::uint8_t> answer, std::size_t minValue) {
    std::optional<Tlv> descriptor = FindTlv(FcpBody(answer), 2, kTagFileDescriptor);
    if (!descriptor || descriptor->value.size() < minValue)
        return std::nullopt;
    return descriptor;
}

int Big16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return (bytes[at] << 8) | bytes[at + 1];
}

} // namespace

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

std::optional<int> RecordLengthFromSelect(std::span<const std::uint8_t> answer) {
    if (IsFcp(answer)) {
        // Value bytes: descriptor, coding, record length (2).
        std::optional<Tlv> descriptor = Descriptor(answer, 4);
        if (!descriptor)
            return std::nullopt;
        return Big16(descriptor->value, 2);
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
        int recordLength = Big16(descriptor->value, 2);
        int recordCount = descriptor->value[4];
        info->recordLength = recordLength;
        info->recordCount = recordCount;
        info->fileSize = recordLength * recordCount;
        return QUARN_OK;
    }
    if (answer.size() <= kGsmRecordLength)
        return QUARN_E_BAD_ANSWER;
    int fileSize = Big16(answer, kGsmFileSize);
    int recordLength = answer[kGsmRecordLength];
    // A record file without a record length has no geometry.
    if (recordLength == 0)
        return QUARN_E_BAD_ANSWER;
    info->fileSize = fileSize;
    info->recordLength = recordLength;
    info->recordCount = fileSize / recordLength;
    return QUARN_OK;
}

FileEntry FcpFileEntry(std::span<const std::uint8_t> answer) {
    FileEntry entry;
    if (!IsFcp(answer))
        return entry;
    if (std::optional<Tlv> descriptor = Descriptor(answer, 1)) {
        const std::uint8_t kind = descriptor->value[0];
        entry.directory = kind == kDescriptorDf || kind == kDescriptorDfShareable;
        entry.shareable = (kind & kDescriptorShareable) != 0;
    }
    std::optional<Tlv> size = FindTlv(FcpBody(answer), 2, kTagFileSize);
    if (size && size->value.size() >= 2)
        entry.fileSize = static_cast<std::uint32_t>(Big16(size->value, 0));
    return entry;
}

FileEntry GsmFileEntry(std::span<const std::uint8_t> answer) {
    FileEntry entry;
    if (answer.size() > kGsmTypeOfFile && answer[kGsmTypeOfFile] == kGsmTypeDf)
        entry.directory = true;
    else if (answer.size() >= kGsmFileSize + 2)
        entry.fileSize = static_cast<std::uint32_t>(Big16(answer, kGsmFileSize));
    return entry;
}

QuarnResult GsmPinFields(std::span<const std::uint8_t> mfAnswer, _CARD_INFO* info) {
    if (mfAnswer.size() <= kGsmUnblockChv1Status)
        return QUARN_E_BAD_ANSWER;
    info->pinRetries = mfAnswer[kGsmChv1Status] & 0x0F;
    info->pinBlocked = info->pinRetries == 0 ? 1 : 0;
    info->pukRetries = mfAnswer[kGsmUnblockChv1Status] & 0x0F;
    info->pinEnabled = (mfAnswer[kGsmCharacteristics] & kGsmPinDisabledBit) ? 0 : 1;
    return QUARN_OK;
}

std::optional<bool> FcpPinEnabled(std::span<const std::uint8_t> mfAnswer) {
    std::optional<Tlv> status = FindTlv(FcpBody(mfAnswer), 2, kTagPinStatus);
    // Value: PS_DO tag 90, its length, then the bit map of enabled keys.
    if (!status || status->value.size() < 3)
        return std::nullopt;
    return (status->value[2] & kPinEnabledBit) != 0;
}

} // namespace nimbrel
