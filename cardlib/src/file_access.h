// Card file access on top of Transmit: SELECT (with GET RESPONSE and the
// automatic SIM/UICC switch), READ BINARY, READ RECORD, UPDATE RECORD, SELECT
// by AID and selection of the USIM application. The answers are read by the
// parsers of codec_select.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "codec_select.h"
#include "nimbrel.h"
#include "transport.h"

namespace nimbrel {

// File identifiers the library selects.
namespace fid {
inline constexpr std::uint16_t kMf = 0x3F00;
inline constexpr std::uint16_t kDfTelecom = 0x7F10;
inline constexpr std::uint16_t kDfGsm = 0x7F20;
inline constexpr std::uint16_t kDfCdma = 0x7F25;
inline constexpr std::uint16_t kDfPhs = 0x7FD0;
inline constexpr std::uint16_t kDfPhonebook = 0x5F3A;
inline constexpr std::uint16_t kEfDir = 0x2F00;
inline constexpr std::uint16_t kEfIccid = 0x2FE2;
inline constexpr std::uint16_t kEfAdn = 0x6F3A;
inline constexpr std::uint16_t kEfLnd = 0x6F44;
inline constexpr std::uint16_t kEfSms = 0x6F3C;
inline constexpr std::uint16_t kEfImsi = 0x6F07;
inline constexpr std::uint16_t kEfPbr = 0x4F30;
} // namespace fid

// READ/UPDATE RECORD P2 values.
inline constexpr std::uint8_t kRecordAbsolute = 0x04;
inline constexpr std::uint8_t kRecordPrevious = 0x03; // cyclic append

// SELECT by identifier in the current mode; on a failed exchange the mode is
// switched and the SELECT sent once more (the switch persists). An accepted
// answer announcing no data (SW2 = 0) switches the mode and gives
// QUARN_E_BAD_ANSWER. Otherwise GET RESPONSE (P3 = SW2) fetches the answer,
// which is returned.
Response SelectFile(const CardLink& link, std::uint16_t fileId);

// SelectFile on each identifier in turn, each once; the first failure is
// returned. On success the answer is that of the last file, e.g.
//   Response answer = SelectPath(link, {fid::kMf, fid::kDfTelecom, fid::kEfAdn});
//   if (answer.ok()) FileInfoFromSelect(answer.data(), &info);
Response SelectPath(const CardLink& link, std::initializer_list<std::uint16_t> path);

// READ BINARY at offset, asking for as many bytes as `buffer` holds (P3 is
// the low byte of its size). On 9000 *received gets the number of bytes
// stored; a longer answer is cut to the buffer.
QuarnResult ReadBinary(const CardLink& link, std::uint16_t offset, std::span<std::uint8_t> buffer,
                       std::size_t* received);

// READ RECORD of record.size() bytes (at most 255); on 9000 exactly that many
// are stored (an answer of any other length is QUARN_E_BAD_ANSWER and stores
// nothing).
QuarnResult ReadRecord(const CardLink& link, std::uint8_t number, std::uint8_t mode,
                       std::span<std::uint8_t> record);

// UPDATE RECORD with `data` (at most 255 bytes).
QuarnResult UpdateRecord(const CardLink& link, std::uint8_t number, std::uint8_t mode,
                         std::span<const std::uint8_t> data);

// SELECT by AID (00 A4 04 04) and GET RESPONSE; leaves the library in UICC
// mode, also on failure. An accepted SELECT announcing no data gives an
// empty answer.
Response SelectByAid(const CardLink& link, std::span<const std::uint8_t> aid);

// UICC mode, MF, EF_DIR record 1 (an application template 61 holding the AID
// under 4F), SELECT by that AID. A record that is not an application template,
// or holds no usable AID, gives QUARN_E_USIM_NOT_FOUND.
QuarnResult SelectUsimApplication(const CardLink& link);

} // namespace nimbrel
