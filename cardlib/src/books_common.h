// Shared steps of the book operations (phone book, last dialled, USIM phone
// book, SMS books): opening a record file along a path, and the argument
// checks of record reads and writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "file_access.h"
#include "nimbrel.h"
#include "session.h"

namespace nimbrel::books {

// How often a SELECT is sent before its failure counts: the second try runs
// in the other command mode when the first switched it.
enum class Tries { Once, Twice };

Response Select(const CardLink& link, uint16_t fileId, Tries tries);

struct PathStep {
    uint16_t fileId;
    Tries tries;
};

// Selects the directories, then the file, and fills fi with the file's
// geometry. On a failure of the file itself, or an answer without usable
// geometry, fi is zeroed; a failing directory leaves fi alone.
QuarnResult OpenRecordFile(const CardLink& link, std::initializer_list<PathStep> directories,
                           PathStep file, _FILE_INFO* fi);

// The geometry of the selected file as a command length: a record length
// outside minLength..maxLength (the records this book can hold) is refused.
QuarnResult RecordLengthOf(const _FILE_INFO& fi, std::size_t minLength, std::size_t maxLength,
                           uint8_t& length);

// Record numbers a read may ask for: 1 .. recordCount (and a one-byte P1).
bool ReadableRecord(const _FILE_INFO& fi, int record);
// Record numbers a write may name: 1 .. 255; the card judges the rest.
bool WritableRecord(int record);

} // namespace nimbrel::books
