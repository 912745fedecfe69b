// What the main window's editing does to a book, without the window: the
// texts an entry shows in its fields, the entry update from a field, New and
// Delete. The window keeps the list rows and applies what these return.
#pragma once

#include "core/book_transfer.h"
#include "core/card_data.h"

#include <QString>

namespace brisken {

// Field limits in characters: the widths of the store's fields less their
// terminator, as far as the card's own records allow.
inline constexpr int kNameFieldLimit = 241;
inline constexpr int kNumberFieldLimit = 19;
inline constexpr int kSmsNumberFieldLimit = 29;
inline constexpr int kMessageFieldLimit = 161;

// A card read keeps numbers of up to 20 characters; more than the field
// takes when typing, so a field filled from such an entry takes its length.
int FieldLimitFor(int typingLimit, const QString& stored);

// The 8-bit form of a text: ISO 8859-1, a character outside it becomes "?".
// At most `capacity` bytes.
QByteArray NarrowText(const QString& text, int capacity);

// What the fields and the list show of an entry (the name: EntryName).
QString EntryNumber(const PhoneEntry& entry);
QString EntryNumber(const SmsEntry& entry);
// The raw message: the wide text when there is one, else the 8-bit text.
QString EntryMessage(const SmsEntry& entry);

// The item of the SMS status selector for a status byte; -1 for none.
int SelectorItemForStatus(std::uint8_t status);
inline constexpr std::uint8_t kSmsStatusToBeSent = 7;
inline constexpr int kSelectorToBeSent = 4;

// A slot that holds an entry the user can edit.
template <typename Entry> bool IsLiveSlot(const Book<Entry>& book, int slot) {
    if (slot < 0 || slot >= kStoreSlots) {
        return false;
    }
    const std::uint8_t state = book.store[static_cast<std::size_t>(slot)].state;
    return (state & ENTRY_OCCUPIED) != 0 && (state & ENTRY_DELETED) == 0;
}

enum class PhoneField { Name, Number };
enum class SmsField { Number, Message };

// The entry update: the field's text against the entry in `slot`. Text equal
// to what the entry shows changes nothing and returns false. Otherwise the
// entry takes the text (cut to its field), is marked changed, the book too,
// and true is returned: the row then shows the text and turns red. A slot
// that holds no entry is left alone.
bool UpdatePhoneEntry(Book<PhoneEntry>& book, int slot, PhoneField field, const QString& text);
bool UpdateSmsEntry(Book<SmsEntry>& book, int slot, SmsField field, const QString& text);

// What New needs to know about the book beyond its store.
struct NewContext {
    int rowCount = 0; // rows of the book's list
    int capacity = 0; // card records the book has room for (USIM: the phone-book total)
    bool lastDialled = false;
};

enum class NewResult {
    Added,
    CardFull,  // the card has no record left: 122 or 123
    StoreFull, // all 1024 slots are taken
};

struct NewEntry {
    NewResult result = NewResult::Added;
    int slot = -1;
    int row = -1;         // where the row goes (at the end when beyond the list)
    int number = 0;       // its "No"
    bool changed = false; // the reused slot held text and counts as changed
};

// Takes the first free slot for a new entry and prepares its row. Slots the
// last card read could not see are never taken; a loaded book never gets a
// slot beyond its card records. Nothing changes unless the result is Added.
NewEntry AddPhoneEntry(Book<PhoneEntry>& book, const NewContext& context);
NewEntry AddSmsEntry(Book<SmsEntry>& book, const NewContext& context);

// The card records a book has room for: the phone-book total of a USIM
// (several files), else the record count of its file.
int BookCapacity(const BookValues& values, int phoneBookTotal);

// Marks the entry deleted and the book changed; returns the row to select
// next among `rowsLeft` rows (the same position, or the one before when the
// last row went), -1 when none remain.
template <typename Entry>
int DeleteEntry(Book<Entry>& book, int slot, int removedRow, int rowsLeft) {
    if (slot >= 0 && slot < kStoreSlots) {
        book.store[static_cast<std::size_t>(slot)].state |= ENTRY_DELETED;
        book.values.changed = true;
    }
    if (rowsLeft <= 0) {
        return -1;
    }
    return removedRow < rowsLeft ? removedRow : rowsLeft - 1;
}

} // namespace brisken
