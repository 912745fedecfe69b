// File-map sizes: a breadth-first walk over every directory of the card.
// Each directory is scanned for the identifiers its level may hold; found
// directories join the table and are scanned in turn.
#include "file_map.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>

#include "file_access.h"
#include "session.h"

namespace nimbrel {
namespace {

DirectoryTable g_table;

constexpr std::uint8_t kGsmTypeOfFile = 6;
constexpr std::uint8_t kGsmTypeDf = 0x02;
constexpr std::size_t kGsmFileSize = 2;
constexpr std::uint8_t kTagFileDescriptor = 0x82;
constexpr std::uint8_t kTagFileSize = 0x80;
constexpr std::uint8_t kDescriptorDf = 0x38;
constexpr std::uint8_t kDescriptorDfShareable = 0x78;
constexpr std::uint8_t kDescriptorShareable = 0x40;

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
    for (std::uint16_t i = 0; i < g_table.count; ++i)
        if (g_table.entries[i].fileId == fileId)
            return true;
    return false;
}

void StartWalk() {
    g_table.entries[0] = DirectoryEntry{fid::kMf, 0};
    g_table.count = 1;
    g_table.position = 0;
    g_table.total = 0;
}

// Selects the MF and the ancestors of the directory at `index`, top down.
// The scan that follows checks where it ended up.
void SelectPathTo(const CardLink& link, std::uint16_t index, std::FILE* trace) {
    std::uint16_t ancestors[kMaxDirectories];
    std::size_t depth = 0;
    // Parents always come earlier in the table, so this ends at the MF.
    for (std::uint16_t at = g_table.entries[index].parentIndex; at != 0 && depth < kMaxDirectories;
         at = g_table.entries[at].parentIndex)
        ancestors[depth++] = at;

    ResponseBuffer answer;
    int length = 0;
    if (trace)
        std::fprintf(trace, "%04X \n", fid::kMf);
    SelectFile(link, fid::kMf, answer, &length);
    while (depth > 0) {
        std::uint16_t fileId = g_table.entries[ancestors[--depth]].fileId;
        if (trace)
            std::fprintf(trace, "%04X \n", fileId);
        SelectFile(link, fileId, answer, &length);
    }
}

std::optional<std::uint8_t> FcpDescriptorByte(std::span<const std::uint8_t> answer) {
    if (!IsFcp(answer))
        return std::nullopt;
    std::optional<Tlv> descriptor = FindTlv(FcpBody(answer), 2, kTagFileDescriptor);
    if (!descriptor || descriptor->value.empty())
        return std::nullopt;
    return descriptor->value[0];
}

std::uint32_t FcpFileSize(std::span<const std::uint8_t> answer) {
    if (!IsFcp(answer))
        return 0;
    std::optional<Tlv> size = FindTlv(FcpBody(answer), 2, kTagFileSize);
    if (!size || size->value.size() < 2)
        return 0;
    return static_cast<std::uint32_t>((size->value[0] << 8) | size->value[1]);
}

// The exports report the total as an int. A sum beyond that (a card that
// claims tens of thousands of full-size files) stops growing just past it
// rather than wrapping, and the walk then fails instead of reporting a
// meaningless size.
constexpr std::uint32_t kTotalLimit = static_cast<std::uint32_t>(INT32_MAX);

void AddToTotal(std::uint32_t bytes) {
    const std::uint64_t sum = std::uint64_t{g_table.total} + bytes;
    g_table.total = static_cast<std::uint32_t>(std::min<std::uint64_t>(sum, kTotalLimit + 1ull));
}

QuarnResult AddDirectory(std::uint16_t fileId) {
    if (g_table.count >= kMaxDirectories)
        return QUARN_E_DIRECTORY_TABLE_FULL;
    g_table.entries[g_table.count++] = DirectoryEntry{fileId, g_table.position};
    return QUARN_OK;
}

// Takes one found file (or directory) into the table and the total.
QuarnResult Account(Walk walk, std::uint16_t directory, std::uint16_t fileId, bool firstRange,
                    std::span<const std::uint8_t> answer, std::FILE* trace) {
    if (walk == Walk::Sim) {
        // A USIM is still spoken to in the UICC command set after its card
        // information was read, and answers in FCP form: read such answers
        // by their tags, or the GSM offsets would add up meaningless sizes.
        if (IsFcp(answer)) {
            std::optional<std::uint8_t> descriptor = FcpDescriptorByte(answer);
            if (descriptor &&
                (*descriptor == kDescriptorDf || *descriptor == kDescriptorDfShareable)) {
                QuarnResult rv = AddDirectory(fileId);
                if (rv != QUARN_OK)
                    return rv;
            } else {
                AddToTotal(FcpFileSize(answer));
            }
        } else if (answer.size() > kGsmTypeOfFile && answer[kGsmTypeOfFile] == kGsmTypeDf) {
            QuarnResult rv = AddDirectory(fileId);
            if (rv != QUARN_OK)
                return rv;
        } else if (answer.size() >= kGsmFileSize + 2) {
            AddToTotal(
                static_cast<std::uint32_t>((answer[kGsmFileSize] << 8) | answer[kGsmFileSize + 1]));
        }
        // The SIM walk also counts what the card holds about each file.
        AddToTotal(static_cast<std::uint32_t>(answer.size()));
        return QUARN_OK;
    }

    if (trace)
        std::fprintf(trace, "%04x->%04x\n", directory, fileId);
    std::optional<std::uint8_t> descriptor = FcpDescriptorByte(answer);
    if (descriptor && (*descriptor == kDescriptorDf || *descriptor == kDescriptorDfShareable)) {
        QuarnResult rv = AddDirectory(fileId);
        if (rv != QUARN_OK)
            return rv;
        if (trace)
            std::fprintf(trace, "%04x AddInDFTable\n", fileId);
        return QUARN_OK;
    }
    if (trace && firstRange && descriptor && (*descriptor & kDescriptorShareable))
        std::fputs("Shareable File\n", trace);
    AddToTotal(FcpFileSize(answer));
    return QUARN_OK;
}

QuarnResult ScanDirectory(const CardLink& link, Walk walk, std::FILE* trace) {
    const std::uint16_t directory = g_table.entries[g_table.position].fileId;
    ResponseBuffer answer;
    int length = 0;
    QuarnResult rv = SelectFile(link, directory, answer, &length);
    if (rv != QUARN_OK)
        return rv;

    Ranges ranges = RangesOf(directory);
    for (int r = 0; r < ranges.count; ++r) {
        const std::uint16_t first = static_cast<std::uint16_t>(ranges.high[r] << 8);
        for (std::uint32_t low = 0; low <= 0xFF; ++low) {
            const auto fileId = static_cast<std::uint16_t>(first | low);
            if (InTable(fileId))
                continue;
            rv = SelectFile(link, fileId, answer, &length);
            if (rv == QUARN_E_BAD_ANSWER)
                continue; // no such file here
            if (rv != QUARN_OK)
                return rv;
            rv = Account(walk, directory, fileId, r == 0,
                         std::span(answer.data(), static_cast<std::size_t>(length)), trace);
            if (rv != QUARN_OK)
                return rv;
            // Back to the directory being scanned: the file may have been a DF.
            rv = SelectFile(link, directory, answer, &length);
            if (rv != QUARN_OK)
                return rv;
        }
    }
    return QUARN_OK;
}

QuarnResult WalkFileTree(const CardLink& link, Walk walk, std::uint32_t* totalBytes,
                         std::FILE* trace) {
    while (g_table.position < g_table.count) {
        if (trace)
            std::fprintf(trace,
                         "%04X's Parent DF Path: ", g_table.entries[g_table.position].fileId);
        SelectPathTo(link, g_table.position, trace);
        if (trace)
            std::fputs("\n", trace);
        QuarnResult rv = ScanDirectory(link, walk, trace);
        if (rv != QUARN_OK)
            return rv;
        ++g_table.position;
    }
    if (g_table.total > kTotalLimit)
        return QUARN_E_BAD_ANSWER;
    *totalBytes = g_table.total;
    return QUARN_OK;
}

} // namespace

const DirectoryTable& WalkTable() {
    return g_table;
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

} // namespace nimbrel

using namespace nimbrel;

namespace {

// Argument checks shared by both walk exports; the total is stored only when
// the whole walk succeeded.
template <typename WalkFn>
QuarnResult ExportWalk(QuarnConnection connection, int* totalBytes, WalkFn walk) {
    const CardLink* link = FindConnection(connection);
    if (!link)
        return pcsc::kInvalidHandle;
    if (!totalBytes)
        return pcsc::kInvalidParameter;
    std::uint32_t total = 0;
    QuarnResult rv = walk(*link, &total);
    if (rv == QUARN_OK)
        *totalBytes = static_cast<int>(total);
    return rv;
}

} // namespace

extern "C" {

QUARN_API QuarnResult QUARN_CALL Quarn_GetSIMFileMapSize(QuarnConnection connection,
                                                         int* totalBytes) {
    return ExportWalk(connection, totalBytes, [](const CardLink& link, std::uint32_t* total) {
        return WalkSimFileTree(link, total);
    });
}

// The UICC walk reports its progress on standard output.
QUARN_API QuarnResult QUARN_CALL Quarn_GetUSIMFileMapSize(QuarnConnection connection,
                                                          int* totalBytes) {
    return ExportWalk(connection, totalBytes, [](const CardLink& link, std::uint32_t* total) {
        return WalkUiccFileTree(link, total, stdout);
    });
}

} // extern "C"
