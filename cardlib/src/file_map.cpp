// File-map sizes: a breadth-first walk over every directory of the card.
// Each directory is scanned for the identifiers its level may hold; found
// directories join the table and are scanned in turn.
#include "file_map.h"

#include <algorithm>
#include <cstdint>
#include <span>

#include "file_access.h"
#include "module_state.h"
#include "session.h"

namespace nimbrel {
namespace {

DirectoryTable& Table() {
    return State().walk;
}

enum class Walk { Sim, Uicc };

// High bytes of the identifiers a directory may hold, by its own level.
struct Ranges {
    std::uint8_t high[2];
    int count;
};

Ranges RangesOf(std::uint16_t directory) {
    switch (directory >> 8) {
    case 0x3F:
        return {{0x2F, 0x7F}, 2};
    case 0x7F:
        return {{0x6F, 0x5F}, 2};
    case 0x5F:
        return {{0x4F, 0x00}, 1};
    default:
        return {{0x00, 0x00}, 0};
    }
}

bool InTable(std::uint16_t fileId) {
    DirectoryTable& table = Table();
    for (std::uint16_t i = 0; i < table.count; ++i)
        if (table.entries[i].fileId == fileId)
            return true;
    return false;
}

void StartWalk() {
    DirectoryTable& table = Table();
    table.entries[0] = DirectoryEntry{fid::kMf, 0};
    table.count = 1;
    table.position = 0;
    table.total = 0;
}

// Selects the MF and the ancestors of the directory at `index`, top down.
// The scan that follows checks where it ended up.
void SelectPathTo(const CardLink& link, std::uint16_t index, std::FILE* trace) {
    DirectoryTable& table = Table();
    std::uint16_t ancestors[kMaxDirectories];
    std::size_t depth = 0;
    // Parents always come earlier in the table, so this ends at the MF.
    for (std::uint16_t at = table.entries[index].parentIndex; at != 0 && depth < kMaxDirectories;
         at = table.entries[at].parentIndex)
        ancestors[depth++] = at;

    if (trace)
        std::fprintf(trace, "%04X \n", fid::kMf);
    SelectFile(link, fid::kMf);
    while (depth > 0) {
        std::uint16_t fileId = table.entries[ancestors[--depth]].fileId;
        if (trace)
            std::fprintf(trace, "%04X \n", fileId);
        SelectFile(link, fileId);
    }
}

// The exports report the total as an int. A sum beyond that (a card that
// claims tens of thousands of full-size files) stops growing just past it
// rather than wrapping, and the walk then fails instead of reporting a
// meaningless size.
constexpr std::uint32_t kTotalLimit = static_cast<std::uint32_t>(INT32_MAX);

void AddToTotal(std::uint32_t bytes) {
    DirectoryTable& table = Table();
    const std::uint64_t sum = std::uint64_t{table.total} + bytes;
    table.total = static_cast<std::uint32_t>(std::min<std::uint64_t>(sum, kTotalLimit + 1ull));
}

QuarnResult AddDirectory(std::uint16_t fileId) {
    DirectoryTable& table = Table();
    if (table.count >= kMaxDirectories)
        return QUARN_E_DIRECTORY_TABLE_FULL;
    table.entries[table.count++] = DirectoryEntry{fileId, table.position};
    return QUARN_OK;
}

// Takes one found file (or directory) into the table and the total.
QuarnResult Account(Walk walk, std::uint16_t directory, std::uint16_t fileId, bool firstRange,
                    std::span<const std::uint8_t> answer, std::FILE* trace) {
    if (walk == Walk::Sim) {
        // A USIM is still spoken to in the UICC command set after its card
        // information was read, and answers in FCP form: read such answers
        // by their tags, or the GSM offsets would add up meaningless sizes.
        const FileEntry entry = IsFcp(answer) ? FcpFileEntry(answer) : GsmFileEntry(answer);
        if (entry.directory) {
            QuarnResult rv = AddDirectory(fileId);
            if (rv != QUARN_OK)
                return rv;
        } else {
            AddToTotal(entry.fileSize);
        }
        // The SIM walk also counts what the card holds about each file.
        AddToTotal(static_cast<std::uint32_t>(answer.size()));
        return QUARN_OK;
    }

    if (trace)
        std::fprintf(trace, "%04x->%04x\n", directory, fileId);
    const FileEntry entry = FcpFileEntry(answer);
    if (entry.directory) {
        QuarnResult rv = AddDirectory(fileId);
        if (rv != QUARN_OK)
            return rv;
        if (trace)
            std::fprintf(trace, "%04x AddInDFTable\n", fileId);
        return QUARN_OK;
    }
    if (trace && firstRange && entry.shareable)
        std::fputs("Shareable File\n", trace);
    AddToTotal(entry.fileSize);
    return QUARN_OK;
}

QuarnResult ScanDirectory(const CardLink& link, Walk walk, std::FILE* trace) {
    DirectoryTable& table = Table();
    const std::uint16_t directory = table.entries[table.position].fileId;
    QuarnResult rv = SelectFile(link, directory).result;
    if (rv != QUARN_OK)
        return rv;

    Ranges ranges = RangesOf(directory);
    for (int r = 0; r < ranges.count; ++r) {
        const std::uint16_t first = static_cast<std::uint16_t>(ranges.high[r] << 8);
        for (std::uint32_t low = 0; low <= 0xFF; ++low) {
            const auto fileId = static_cast<std::uint16_t>(first | low);
            if (InTable(fileId))
                continue;
            const Response answer = SelectFile(link, fileId);
            if (answer.result == QUARN_E_BAD_ANSWER)
                continue; // no such file here
            if (!answer.ok())
                return answer.result;
            rv = Account(walk, directory, fileId, r == 0, answer.data(), trace);
            if (rv != QUARN_OK)
                return rv;
            // Back to the directory being scanned: the file may have been a DF.
            rv = SelectFile(link, directory).result;
            if (rv != QUARN_OK)
                return rv;
        }
    }
    return QUARN_OK;
}

QuarnResult WalkFileTree(const CardLink& link, Walk walk, std::uint32_t* totalBytes,
                         std::FILE* trace) {
    DirectoryTable& table = Table();
    while (table.position < table.count) {
        if (trace)
            std::fprintf(trace, "%04X's Parent DF Path: ", table.entries[table.position].fileId);
        SelectPathTo(link, table.position, trace);
        if (trace)
            std::fputs("\n", trace);
        QuarnResult rv = ScanDirectory(link, walk, trace);
        if (rv != QUARN_OK)
            return rv;
        ++table.position;
    }
    if (table.total > kTotalLimit)
        return QUARN_E_BAD_ANSWER;
    *totalBytes = table.total;
    return QUARN_OK;
}

} // namespace

const DirectoryTable& WalkTable() {
    return Table();
}

QuarnResult WalkSimFileTree(const CardLink& link, std::uint32_t* totalBytes) {
    StartWalk();
    return WalkFileTree(link, Walk::Sim, totalBytes, nullptr);
}

QuarnResult WalkUiccFileTree(const CardLink& link, std::uint32_t* totalBytes, std::FILE* trace) {
    StartWalk();
    QuarnResult rv = SelectUsimApplication(link);
    if (rv != QUARN_OK)
        return rv;
    return WalkFileTree(link, Walk::Uicc, totalBytes, trace);
}

namespace {

// The exported sizes are int; the total is stored only when the whole walk
// succeeded.
template <typename Run> QuarnResult WalkInto(int& totalBytes, Run walk) {
    std::uint32_t total = 0;
    const QuarnResult rv = walk(&total);
    if (rv == QUARN_OK)
        totalBytes = static_cast<int>(total);
    return rv;
}

} // namespace

QuarnResult SimFileMapSize(const CardLink& link, int& totalBytes) {
    return WalkInto(totalBytes, [&](std::uint32_t* total) { return WalkSimFileTree(link, total); });
}

QuarnResult UsimFileMapSize(const CardLink& link, int& totalBytes) {
    return WalkInto(totalBytes,
                    [&](std::uint32_t* total) { return WalkUiccFileTree(link, total, stdout); });
}

} // namespace nimbrel
