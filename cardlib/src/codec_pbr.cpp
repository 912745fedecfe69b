#include "codec_pbr.h"

#include <optional>

namespace nimbrel {
namespace {

constexpr uint8_t kType1Template = 0xA8;
constexpr uint8_t kType2Template = 0xA9;
constexpr uint8_t kType3Template = 0xAA;
constexpr uint8_t kAdnTag = 0xC0;

struct Tlv {
    uint8_t tag;
    std::span<const uint8_t> value;
};

// Reads one BER-TLV with a one-byte tag and a short or 0x81 length. Returns
// nothing at padding, at the end, or when the value runs past the end.
std::optional<Tlv> NextTlv(ByteCursor& in) {
    if (in.remaining() == 0 || in.Rest()[0] == 0xFF)
        return std::nullopt;
    const uint8_t tag = in.Byte();
    std::size_t length = in.Byte();
    if (length == 0x81)
        length = in.Byte();
    else if (length > 0x80)
        return std::nullopt;
    const auto value = in.Take(length);
    if (!in.ok())
        return std::nullopt;
    return Tlv{tag, value};
}

std::optional<uint16_t> FindAdn(std::span<const uint8_t> type1) {
    ByteCursor in(type1);
    while (auto entry = NextTlv(in)) {
        if (entry->tag == kAdnTag && entry->value.size() >= 2)
            return static_cast<uint16_t>(entry->value[0] << 8 | entry->value[1]);
    }
    return std::nullopt;
}

} // namespace

PbrRecord ParsePbrRecord(std::span<const uint8_t> record) {
    ByteCursor in(record);
    bool sawTemplate = false;
    while (auto entry = NextTlv(in)) {
        switch (entry->tag) {
        case kType1Template:
            if (auto id = FindAdn(entry->value))
                return {PbrRecordKind::Adn, *id};
            return {};
        case kType2Template:
        case kType3Template:
            sawTemplate = true;
            break;
        default:
            // Only the three template tags may open a record.
            if (!sawTemplate)
                return {};
            break;
        }
    }
    return sawTemplate ? PbrRecord{PbrRecordKind::NoAdn, 0} : PbrRecord{};
}

QuarnResult AppendAdnFile(_USIM_PHONEBOOK_INFO& info, uint16_t fileId, const _FILE_INFO& file) {
    if (info.fileCount < 0 || info.fileCount >= static_cast<int32_t>(kMaxAdnFiles))
        return QUARN_E_OUT_OF_RANGE;
    info.files[info.fileCount] = file;
    info.fileId[info.fileCount] = fileId;
    ++info.fileCount;
    info.totalRecords += file.recordCount;
    return QUARN_OK;
}

} // namespace nimbrel
