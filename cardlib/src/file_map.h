// The file-tree walk behind the file-map sizes: every directory of the card
// is scanned for the identifiers its level may hold, and the sizes of the
// files found are summed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "module_state.h"
#include "nimbrel.h"
#include "transport.h"

namespace nimbrel {

// The directory table as the last walk left it.
const DirectoryTable& WalkTable();

// SIM walk: GSM-form answers; a directory is type-of-file 2, and both the
// file size and the length of the SELECT answer count.
QuarnResult WalkSimFileTree(const CardLink& link, std::uint32_t* totalBytes);

// UICC walk: selects the USIM application first, reads FCP templates, counts
// only file sizes (tag 80) and writes its trace lines to `trace`.
QuarnResult WalkUiccFileTree(const CardLink& link, std::uint32_t* totalBytes, std::FILE* trace);

// The walks as the exports give them: totalBytes is set only on success.
// The UICC walk traces to standard output.
QuarnResult SimFileMapSize(const CardLink& link, int& totalBytes);
QuarnResult UsimFileMapSize(const CardLink& link, int& totalBytes);

} // namespace nimbrel
