#include "core/editing.h"

#include <algorithm>
#include <cstring>

namespace brisken {
namespace {

// Stored texts are read no further than their field, terminated or not.
template <std::size_t N> QString Latin1Field(const char (&field)[N]) {
    const auto* end = static_cast<const char*>(std::memchr(field, 0, N));
    const qsizetype length = end == nullptr ? qsizetype(N) : qsizetype(end - field);
    return QString::fromLatin1(field, length);
}

template <std::size_t N> QString Utf16Field(const char16_t (&field)[N]) {
    std::size_t length = 0;
    while (length < N && field[length] != 0) {
        ++length;
    }
    return QString::fromUtf16(field, static_cast<qsizetype>(length));
}

// Writes `text` into a fixed field, cut at a character boundary so that the
// terminator always fits.
template <std::size_t N> void StoreLatin1(char (&field)[N], const QByteArray& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.constData(), std::min<std::size_t>(text.size(), N - 1));
}

template <std::size_t N> void StoreUtf16(char16_t (&field)[N], const QString& text, int limit) {
    std::memset(field, 0, sizeof(field));
    qsizetype length = std::min<qsizetype>({text.size(), qsizetype(N) - 1, qsizetype(limit)});
    // Never keep the first half of a surrogate pair without its second.
    if (length > 0 && length < text.size() && text.at(length - 1).isHighSurrogate()) {
        --length;
    }
    std::memcpy(field, text.utf16(), static_cast<std::size_t>(length) * sizeof(char16_t));
}

template <typename Entry> void MarkChanged(Book<Entry>& book, Entry& entry) {
    entry.state |= ENTRY_CHANGED;
    book.values.changed = true;
}

// The part New shares between the books: capacity, free slot, row number.
template <typename Entry> NewEntry TakeSlot(Book<Entry>& book, const NewContext& context) {
    NewEntry out;
    const bool loaded = !book.values.notLoaded;
    if (!context.lastDialled && loaded && context.rowCount >= context.capacity) {
        out.result = NewResult::CardFull;
        return out;
    }
    const int slot = FirstFreeSlot(book);
    if (slot < 0) {
        out.result = NewResult::StoreFull;
        return out;
    }
    // Free slots of a loaded book past its card records (the records in
    // between could not be read) have no record to go to.
    if (!context.lastDialled && loaded && slot >= context.capacity) {
        out.result = NewResult::CardFull;
        return out;
    }
    BookValues& values = book.values;
    if (values.nextRowNumber <= 0) {
        values.nextRowNumber = 1;
    }
    if (context.lastDialled && loaded && values.nextRowNumber > values.cardRecordCount &&
        values.cardRecordCount > 0) {
        values.nextRowNumber = 1; // the cyclic file starts over
    }
    out.slot = slot;
    out.number = values.nextRowNumber;
    out.row = std::min(values.nextRowNumber - 1, context.rowCount);
    ++values.nextRowNumber;
    Entry& entry = book.store[static_cast<std::size_t>(slot)];
    entry.state =
        context.lastDialled ? std::uint8_t(ENTRY_OCCUPIED | ENTRY_CHANGED) : ENTRY_OCCUPIED;
    if (context.lastDialled) {
        book.values.changed = true;
    }
    book.selection = Selection{out.row, slot};
    return out;
}

} // namespace

int FieldLimitFor(int typingLimit, const QString& stored) {
    return std::max(typingLimit, static_cast<int>(stored.size()));
}

QByteArray NarrowText(const QString& text, int capacity) {
    QByteArray out;
    const qsizetype length = std::min<qsizetype>(text.size(), std::max(capacity, 0));
    out.reserve(length);
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t unit = text.at(i).unicode();
        out.append(unit < 256 ? static_cast<char>(unit) : '?');
    }
    return out;
}

QString EntryNumber(const PhoneEntry& entry) {
    return Latin1Field(entry.number);
}

QString EntryNumber(const SmsEntry& entry) {
    return Latin1Field(entry.number);
}

QString EntryMessage(const SmsEntry& entry) {
    const QString wide = Utf16Field(entry.wideText);
    return wide.isEmpty() ? Latin1Field(entry.narrowText) : wide;
}

int SelectorItemForStatus(std::uint8_t status) {
    switch (status) {
    case 0:
        return 0;
    case 1:
        return 1;
    case 3:
        return 2;
    case 5:
        return 3;
    case 7:
        return 4;
    default:
        return -1;
    }
}

bool UpdatePhoneEntry(Book<PhoneEntry>& book, int slot, PhoneField field, const QString& text) {
    if (!IsLiveSlot(book, slot)) {
        return false;
    }
    PhoneEntry& entry = book.store[static_cast<std::size_t>(slot)];
    if (field == PhoneField::Name) {
        if (text == EntryName(entry)) {
            return false;
        }
        StoreLatin1(entry.narrowName, NarrowText(text, kNameFieldLimit));
        StoreUtf16(entry.wideName, text, kNameFieldLimit);
    } else {
        if (text == EntryNumber(entry)) {
            return false;
        }
        StoreLatin1(entry.number, NarrowText(text, sizeof(entry.number) - 1));
    }
    MarkChanged(book, entry);
    return true;
}

bool UpdateSmsEntry(Book<SmsEntry>& book, int slot, SmsField field, const QString& text) {
    if (!IsLiveSlot(book, slot)) {
        return false;
    }
    SmsEntry& entry = book.store[static_cast<std::size_t>(slot)];
    if (field == SmsField::Number) {
        if (text == EntryNumber(entry)) {
            return false;
        }
        StoreLatin1(entry.number, NarrowText(text, kSmsNumberFieldLimit));
    } else {
        if (text == EntryMessage(entry)) {
            return false;
        }
        StoreLatin1(entry.narrowText, NarrowText(text, kMessageFieldLimit));
        StoreUtf16(entry.wideText, text, kMessageFieldLimit);
    }
    MarkChanged(book, entry);
    return true;
}

int BookCapacity(const BookValues& values, int phoneBookTotal) {
    return phoneBookTotal > 0 ? phoneBookTotal : values.cardRecordCount;
}

NewEntry AddPhoneEntry(Book<PhoneEntry>& book, const NewContext& context) {
    NewEntry out = TakeSlot(book, context);
    if (out.result != NewResult::Added) {
        return out;
    }
    // The slot may be one whose entry was deleted: it starts empty, and when
    // it held anything the card record must be cleared by the next Save.
    PhoneEntry& entry = book.store[static_cast<std::size_t>(out.slot)];
    out.changed = !EntryName(entry).isEmpty() || !EntryNumber(entry).isEmpty();
    std::memset(entry.narrowName, 0, sizeof(entry.narrowName));
    std::memset(entry.wideName, 0, sizeof(entry.wideName));
    std::memset(entry.number, 0, sizeof(entry.number));
    if (out.changed) {
        MarkChanged(book, entry);
    }
    return out;
}

NewEntry AddSmsEntry(Book<SmsEntry>& book, const NewContext& context) {
    NewEntry out = TakeSlot(book, context);
    if (out.result != NewResult::Added) {
        return out;
    }
    SmsEntry& entry = book.store[static_cast<std::size_t>(out.slot)];
    out.changed =
        !EntryNumber(entry).isEmpty() || !EntryMessage(entry).isEmpty() || entry.timeStamp[0] != 0;
    entry.smsStatus = kSmsStatusToBeSent;
    std::memset(entry.number, 0, sizeof(entry.number));
    std::memset(entry.timeStamp, 0, sizeof(entry.timeStamp));
    std::memset(entry.narrowText, 0, sizeof(entry.narrowText));
    std::memset(entry.wideText, 0, sizeof(entry.wideText));
    if (out.changed) {
        MarkChanged(book, entry);
    }
    return out;
}

} // namespace brisken
