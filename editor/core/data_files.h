// The editor's data files: ".usv" record images, the comma-separated text
// files it reads, and the vCard and CSV files it writes for other programs.
// Readers and writers work on byte buffers; placing what was read into a
// book and the file helpers sit beside them. No widgets here.
#pragma once

#include "core/card_data.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <span>
#include <vector>

namespace brisken {

// Widths of the text written into an entry from a file, terminator excluded.
inline constexpr int kFileNameWidth = 241;
inline constexpr int kFileNumberWidth = 21;
inline constexpr int kFileSmsNumberWidth = 29;
inline constexpr int kFileTimeWidth = 15;
inline constexpr int kFileMessageWidth = 161;
// Longest line the text readers take at once; the rest is a line of its own.
inline constexpr int kPhoneTextLineBytes = 510;
inline constexpr int kSmsTextLineBytes = 1022;
// Larger files are refused rather than read into memory.
inline constexpr qint64 kMaxImportFileBytes = 64 * 1024 * 1024;

// What a reader made of a file: entries in file order, each with the list
// columns that follow "No".
template <typename Entry> struct FileEntries {
    std::vector<Entry> entries;
    std::vector<QStringList> cells;
    std::vector<bool> shortened;    // a field was cut to its width
    std::vector<int> invalidBefore; // invalid records ahead of each entry
    int invalid = 0;                // records or cards that were not taken
};
using PhoneFileEntries = FileEntries<PhoneEntry>;
using SmsFileEntries = FileEntries<SmsEntry>;

// Live: occupied or changed, and not deleted.
inline bool IsLiveState(std::uint8_t state) {
    return (state & (ENTRY_OCCUPIED | ENTRY_CHANGED)) != 0 && (state & ENTRY_DELETED) == 0;
}

// --- Reading -----------------------------------------------------------------

enum class ImportFormat { Usv, Text, VCard };
// By the path alone: ".usv" in any case is a record file, ".vcf" a vCard file
// when the phone book is in view; anything else is a text file.
ImportFormat ImportFormatForPath(const QString& path, bool phoneView);

// Record images cut into blocks of the view's record size; a short last block
// is taken with zeros in its missing bytes. A block with a text field that is
// not terminated within its width is not taken.
PhoneFileEntries ReadPhoneUsv(QByteArrayView data);
SmsFileEntries ReadSmsUsv(QByteArrayView data);
// Lines "name,number[,...]".
PhoneFileEntries ReadPhoneText(QByteArrayView data);
// Lines "message,number,time,status"; a line whose last three fields are
// empty continues the message.
SmsFileEntries ReadSmsText(QByteArrayView data);
// vCard 2.1 to 4.0: FN (or N) and the first TEL of every card.
PhoneFileEntries ReadVCard(QByteArrayView data);

// Text lines: UTF-8, or ISO 8859-1 for a line that is not valid UTF-8.
QString DecodeLine(QByteArrayView line);

// --- Writing -----------------------------------------------------------------

enum class ExportFormat { Usv, VCard, Csv };
// The format a chosen path asks for by its extension, else the one of the
// filter chosen in the dialog.
ExportFormat ExportFormatForPath(const QString& path, ExportFormat chosenFilter);

// The slots Export writes, live entries only: slot order up to `capacity` for
// a book read from the card, the list's order (`rowSlots`) otherwise.
template <typename Entry>
std::vector<int> ExportSlots(const Book<Entry>& book, int capacity, std::span<const int> rowSlots) {
    std::vector<int> slotOrder;
    const auto live = [&](int slot) {
        return slot >= 0 && slot < kStoreSlots &&
               IsLiveState(book.store[static_cast<std::size_t>(slot)].state);
    };
    if (!book.values.notLoaded) {
        for (int slot = 0; slot < std::min(capacity, kStoreSlots); ++slot) {
            if (live(slot)) {
                slotOrder.push_back(slot);
            }
        }
    } else {
        for (int slot : rowSlots) {
            if (live(slot)) {
                slotOrder.push_back(slot);
            }
        }
    }
    return slotOrder;
}

// Whole entries, byte for byte.
QByteArray WriteUsv(const Store<PhoneEntry>& store, std::span<const int> slotOrder);
QByteArray WriteUsv(const Store<SmsEntry>& store, std::span<const int> slotOrder);
// One vCard 3.0 per entry with a name or number (FN, N, TEL), UTF-8, lines
// folded at 75 octets.
QByteArray WriteVCard(const Store<PhoneEntry>& store, std::span<const int> slotOrder);
// "Name,Number" and one line per entry, quoted where a field needs it.
QByteArray WritePhoneCsv(const Store<PhoneEntry>& store, std::span<const int> slotOrder);
// "Status,Number,Time,Message" with the texts the list shows.
QByteArray WriteSmsCsv(const Store<SmsEntry>& store, std::span<const int> slotOrder);

// --- Placing entries into a book ----------------------------------------------

enum class ImportStop { None, CardFull, StoreFull };

struct PlacedEntry {
    int slot = 0;
    int row = 0;    // where its list row goes (the end when beyond the list)
    int number = 0; // its "No"
};

struct ImportPlacement {
    std::vector<PlacedEntry> placed; // in file order
    ImportStop stop = ImportStop::None;
};

// Puts entries into the lowest free slots with state 3 and numbers their rows
// on from the book's next row number. A book read from the card takes no more
// rows than `capacity` and no slot beyond it; any book stops when its store is
// full. Slots the last card read could not see are never taken. The book is
// marked changed unless nothing was added and the import was stopped.
template <typename Entry>
ImportPlacement PlaceEntries(Book<Entry>& book, std::span<const Entry> entries, int rowCount,
                             int capacity) {
    ImportPlacement out;
    BookValues& values = book.values;
    if (values.nextRowNumber <= 0) {
        values.nextRowNumber = 1;
    }
    const bool loaded = !values.notLoaded;
    for (const Entry& entry : entries) {
        if (loaded && rowCount >= capacity) {
            out.stop = ImportStop::CardFull;
            break;
        }
        const int slot = FirstFreeSlot(book);
        if (slot < 0) {
            out.stop = ImportStop::StoreFull;
            break;
        }
        if (loaded && slot >= capacity) {
            out.stop = ImportStop::CardFull;
            break;
        }
        Entry& stored = book.store[static_cast<std::size_t>(slot)];
        stored = entry;
        stored.state = ENTRY_OCCUPIED | ENTRY_CHANGED;
        PlacedEntry placed;
        placed.slot = slot;
        placed.row = std::min(values.nextRowNumber - 1, rowCount);
        placed.number = values.nextRowNumber;
        ++values.nextRowNumber;
        ++rowCount;
        book.selection = Selection{placed.row, slot};
        out.placed.push_back(placed);
    }
    // Entries that went in must be saved or asked about on exit, even when
    // the import stopped early.
    if (!out.placed.empty() || out.stop == ImportStop::None) {
        values.changed = true;
    }
    return out;
}

// What to tell about an import that took the first `taken` entries read:
// invalid records up to where it stopped, and the entries it took cut short.
struct ImportNotes {
    int invalid = 0;
    int cut = 0;
};
template <typename Entry> ImportNotes NotesFor(const FileEntries<Entry>& read, std::size_t taken) {
    ImportNotes notes;
    taken = std::min(taken, read.entries.size());
    notes.cut = static_cast<int>(std::count(
        read.shortened.begin(), read.shortened.begin() + static_cast<long>(taken), true));
    notes.invalid = taken < read.entries.size() ? read.invalidBefore[taken] : read.invalid;
    return notes;
}

// --- Files ---------------------------------------------------------------------

enum class FileResult { Ok, OpenFailed, WriteFailed, TooLarge };

// The whole file, up to kMaxImportFileBytes.
FileResult ReadWholeFile(const QString& path, QByteArray& data);
// Writes a temporary file in the target's folder and renames it over the
// target, so a failed write leaves any earlier file as it was.
FileResult WriteFileReplacing(const QString& path, QByteArrayView data);

} // namespace brisken
