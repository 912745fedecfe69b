// The file-tree walk behind the file-map sizes: every directory of the card
// is scanned for the identifiers its level may hold, and the sizes of the
// files found are summed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "nimbrel.h"
#include "transport.h"

namespace nimbrel {

// Room of the directory table, the MF included. A card with more
// directories ends the walk with QUARN_E_DIRECTORY_TABLE_FULL.
inline constexpr std::size_t kMaxDirectories = 1000;

struct DirectoryEntry {
    std::uint16_t fileId = 0;
    std::uint16_t parentIndex = 0;
};

// Module state of the walks (shared by both); each walk starts it afresh.
struct DirectoryTable {
    DirectoryEntry entries[kMaxDirectories];
    std::uint16_t count = 0;
    std::uint16_t position = 0;
    std::uint32_t total = 0;
};

const DirectoryTable& WalkTable();

// SIM walk: GSM-form answers; a directory is type-of-file 2, and both the
// file size and the length of the SELECT answer count.
QuarnResult WalkSimFileTree(const CardLink& link, std::uint32_t* totalBytes);

// UICC walk: selects the USIM application first, reads FCP templates, counts
// only file sizes (tag 80) and writes its trace lines to `trace`.
QuarnResult WalkUiccFileTree(const CardLink& link, std::uint32_t* totalBytes, std::FILE* trace);

} // namespace nimbrel
