// SELECT answers: the GSM 11.11 form and the FCP template of TS 102 221,
// and the simple TLV walk inside them. Pure parsers, bounded by the bytes
// the card sent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "nimbrel.h"

namespace nimbrel {

// One BER-TLV element found inside a response. `offset` is the position of
// the tag byte; value() is bounded by the bytes received.
struct Tlv {
    std::size_t offset = 0;
    std::span<const std::uint8_t> value;
};

// Walks simple TLVs (one tag byte, one length byte) from `start`, skipping
// elements until `tag` is found. Stops at the end of `bytes`: a missing tag, or
// an element whose value would run past the end, gives nullopt.
std::optional<Tlv> FindTlv(std::span<const std::uint8_t> bytes, std::size_t start,
                           std::uint8_t tag);

// A SELECT answer starting with 62 is an FCP template, anything else the GSM
// 11.11 form.
inline bool IsFcp(std::span<const std::uint8_t> answer) {
    return !answer.empty() && answer[0] == 0x62;
}

// The bytes of an FCP template that are inside both the answer and the
// template's own length.
std::span<const std::uint8_t> FcpBody(std::span<const std::uint8_t> answer);

// Geometry of a record file from its SELECT answer.
//   FCP: tag 82, record length = bytes 4-5, count = byte 6, size = length x count.
//   GSM: size = bytes 2-3, record length = byte 14, count = size / length.
// A truncated answer, a missing descriptor or a GSM record length of 0 gives
// QUARN_E_BAD_ANSWER and leaves *info untouched.
QuarnResult FileInfoFromSelect(std::span<const std::uint8_t> answer, _FILE_INFO* info);

// Record length of a record file from its SELECT answer (FCP bytes 4-5 of tag
// 82, GSM byte 14); nullopt when the answer is too short or has no descriptor.
std::optional<int> RecordLengthFromSelect(std::span<const std::uint8_t> answer);

// How the file-tree walk sees one SELECT answer: a directory, or a file of
// `fileSize` bytes (0 when the answer does not tell).
struct FileEntry {
    bool directory = false;
    std::uint32_t fileSize = 0;
    bool shareable = false; // FCP descriptor's shareable bit
};

// FCP form: a directory by its descriptor byte (38 or 78), the size from tag
// 80. An answer that is no FCP template is a file of unknown size.
FileEntry FcpFileEntry(std::span<const std::uint8_t> answer);
// GSM form: a directory by type of file 02 (byte 6), the size from bytes 2-3.
FileEntry GsmFileEntry(std::span<const std::uint8_t> answer);

// PIN state of the MF's SELECT answer in the GSM form: retries from bytes 18
// and 19, enabled unless bit 8 of byte 13 is set. Fills pinEnabled,
// pinBlocked, pinRetries and pukRetries; a short answer gives
// QUARN_E_BAD_ANSWER and leaves info untouched.
QuarnResult GsmPinFields(std::span<const std::uint8_t> mfAnswer, _CARD_INFO* info);

// Whether PIN1 is enabled, from the PIN status template (C6) of an FCP
// answer; nullopt when the template is missing or too short.
std::optional<bool> FcpPinEnabled(std::span<const std::uint8_t> mfAnswer);

} // namespace nimbrel
