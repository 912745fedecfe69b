// The SMS records of a backup as the card held them: a text file beside the
// book's ".usv" file, one line of hex digits a record in the order of the
// ".usv" records, so that a restore can write each message back with its
// status and time stamp instead of as a message to be sent.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace brisken::cli {

using RecordImage = std::vector<std::uint8_t>;

inline constexpr const char* kSmsImagesName = "sms-records.hex";

// Upper-case hex, one line a record, each ended by a line feed.
QByteArray RecordImagesText(const std::vector<RecordImage>& images);

// The images of a file that must hold `records` lines of `recordLength`
// bytes each; nullopt with `error` set when it does not, or a line is not
// hex digits.
std::optional<std::vector<RecordImage>> ParseRecordImages(const QByteArray& text, int records,
                                                          int recordLength, QString& error);

// SHA-256 of `data` in lower-case hex, as the manifest keeps it.
QString Sha256Hex(const QByteArray& data);

} // namespace brisken::cli
