#include "core/book_transfer.h"

#include "core/catalogue.h"
#include "core/language.h"
#include "core/trace.h"

#include <algorithm>
#include <cstring>

namespace brisken {
namespace {

constexpr int kMaxNumberDigits = 20;
constexpr std::uint8_t kSmsToBeSentStatus = 7;
constexpr std::size_t kMaxUsimFiles = std::size(_USIM_PHONEBOOK_INFO{}.fileId);

// Characters up to the first NUL, never past the field.
template <std::size_t N> std::size_t FieldLength(const char (&field)[N]) {
    return static_cast<std::size_t>(std::find(field, field + N, '\0') - field);
}

bool HasNonBlank(const char* text, std::size_t length) {
    return std::any_of(text, text + length, [](char c) { return c != ' ' && c != '\0'; });
}

// A record count from the card, kept within what the store can hold.
int Bounded(int count, int room) {
    return std::clamp(count, 0, std::max(room, 0));
}

// Walks a USIM phone book's files in the order of their slots: the last file
// first, each file's records following those before it, and adds every
// file's share to the book's total. `visit(file, firstSlot, count, selected)`
// is told whether the file could be selected; going on without that would
// reach whichever file is selected.
template <typename Visit>
void ForEachUsimFile(CardLibrary& library, const ReadRequest& request, Books& books, Visit visit) {
    const _USIM_PHONEBOOK_INFO& info = request.usimBook;
    const int files = std::clamp(info.fileCount, 0, static_cast<int>(kMaxUsimFiles));
    int nextSlot = 0;
    for (int index = files - 1; index >= 0; --index) {
        const _FILE_INFO& file = info.files[index];
        const int count = Bounded(file.recordCount, kStoreSlots - nextSlot);
        books.phoneBookTotal += count;
        const bool selected =
            library.SelectADN(request.connection, info.fileId[index] & 0xFFFF) == QUARN_OK;
        visit(file, nextSlot, count, selected);
        nextSlot += count;
    }
}

// Card UCS2 (high byte first) into the entry's UTF-16 field, up to `units`
// units or the card's terminator; the field keeps a terminator of its own.
template <std::size_t N>
void CopyUcs2(const std::uint8_t* card, std::size_t cardBytes, std::size_t units,
              char16_t (&field)[N]) {
    const std::size_t limit = std::min({units, cardBytes / 2, N - 1});
    for (std::size_t i = 0; i < limit; ++i) {
        const auto unit = static_cast<char16_t>(card[2 * i] << 8 | card[2 * i + 1]);
        if (unit == 0) {
            break;
        }
        field[i] = unit;
    }
}

// Fills `entry` from a phone-book or last-dialled item; false for a free
// record. A record holding only a UCS2 name counts as an entry: dropping it
// would let New and Save overwrite a contact the user never saw.
bool FillPhoneEntry(const _PHONEBOOK_ITEM& item, PhoneEntry& entry) {
    const std::size_t nameLength = std::min({static_cast<std::size_t>(std::max(item.nameLength, 0)),
                                             FieldLength(item.name), sizeof entry.narrowName - 1});
    const std::size_t numberLength =
        std::min(FieldLength(item.number), static_cast<std::size_t>(kMaxNumberDigits));
    PhoneEntry filled{};
    std::memcpy(filled.narrowName, item.name, nameLength);
    std::memcpy(filled.number, item.number, numberLength);
    CopyUcs2(item.nameUcs2, sizeof item.nameUcs2,
             static_cast<std::size_t>(std::max(item.nameLength, 0)), filled.wideName);
    const bool wideText = std::any_of(std::begin(filled.wideName), std::end(filled.wideName),
                                      [](char16_t u) { return u != 0 && u != u' '; });
    if (!HasNonBlank(filled.narrowName, nameLength) && !HasNonBlank(filled.number, numberLength) &&
        !wideText) {
        return false;
    }
    filled.state = ENTRY_OCCUPIED;
    entry = filled;
    return true;
}

template <typename Item> bool FillSmsEntry(const Item& item, SmsEntry& entry) {
    if (item.status == 0) {
        return false;
    }
    SmsEntry filled{};
    filled.smsStatus = item.status;
    std::memcpy(filled.number, item.address,
                std::min(FieldLength(item.address), sizeof filled.number - 1));
    const std::size_t stampLength =
        std::min(FieldLength(item.timeStamp), sizeof filled.timeStamp - 1);
    std::memcpy(filled.timeStamp, item.timeStamp, stampLength);
    std::size_t textLength = std::min(FieldLength(item.text), sizeof filled.narrowText - 1);
    // The card pads with one blank that is not part of the message.
    if (textLength > 0 && item.text[textLength - 1] == ' ') {
        --textLength;
    }
    std::memcpy(filled.narrowText, item.text, textLength);
    CopyUcs2(item.textUcs2, sizeof item.textUcs2, sizeof item.textUcs2 / 2, filled.wideText);
    filled.state = ENTRY_OCCUPIED;
    entry = filled;
    return true;
}

struct ReadTally {
    int occupied = 0;
    int unreadable = 0;
    std::stop_token stop;
};

// Records 1..count of the current file into slots first.., phone-book kind.
template <typename ReadFn>
void ReadPhoneRecords(Book<PhoneEntry>& book, int first, int count, bool traceNames,
                      ReadProgress& progress, ReadTally& tally, ReadFn read) {
    for (int record = 1; record <= count; ++record) {
        const auto slot = static_cast<std::size_t>(first + record - 1);
        _PHONEBOOK_ITEM item{};
        if (tally.stop.stop_requested() || read(&item, record) != QUARN_OK) {
            book.unreadable.set(slot);
            ++tally.unreadable;
        } else if (FillPhoneEntry(item, book.store[slot])) {
            if (traceNames) {
                qCDebug(lcTrace).noquote().nospace()
                    << '(' << tally.occupied
                    << ")Name=" << QString::fromLatin1(book.store[slot].narrowName);
            }
            ++tally.occupied;
        }
        progress.processed.fetch_add(1, std::memory_order_relaxed);
    }
}

void ReadPhoneBookFiles(CardLibrary& library, const ReadRequest& request, Books& books,
                        ReadProgress& progress, ReadTally& tally) {
    Book<PhoneEntry>& book = books.phone;
    if (!request.usim) {
        _FILE_INFO file = request.file;
        const int count = Bounded(file.recordCount, kStoreSlots);
        tally.unreadable += std::max(file.recordCount, 0) - count;
        ReadPhoneRecords(book, 0, count, true, progress, tally,
                         [&](_PHONEBOOK_ITEM* item, int record) {
                             return library.ReadPhoneBook(request.connection, &file, item, record);
                         });
        book.values.cardRecordCount = count;
        return;
    }
    ForEachUsimFile(
        library, request, books, [&](const _FILE_INFO& info, int first, int count, bool selected) {
            _FILE_INFO file = info;
            tally.unreadable += std::max(file.recordCount, 0) - count;
            if (!selected) {
                for (int slot = first; slot < first + count; ++slot) {
                    book.unreadable.set(static_cast<std::size_t>(slot));
                }
                tally.unreadable += count;
                progress.processed.fetch_add(count, std::memory_order_relaxed);
                return;
            }
            ReadPhoneRecords(
                book, first, count, true, progress, tally, [&](_PHONEBOOK_ITEM* item, int record) {
                    return library.ReadPhoneBook(request.connection, &file, item, record);
                });
        });
    // New is bounded by every file together, not by the one read last.
    book.values.cardRecordCount = books.phoneBookTotal;
}

// The bytes of a record the library reads and writes: the file's record
// length, when it is one the item can hold.
template <typename Item> std::size_t ImageLength(int recordLength) {
    return recordLength >= 1 && recordLength <= static_cast<int>(sizeof Item{}.record)
               ? static_cast<std::size_t>(recordLength)
               : 0;
}

template <typename Item, typename ReadFn>
void ReadSmsRecords(Book<SmsEntry>& book, SmsRecordImages& images, int count,
                    ReadProgress& progress, ReadTally& tally, ReadFn read) {
    const std::size_t imageLength = ImageLength<Item>(images.recordLength);
    for (int record = 1; record <= count; ++record) {
        const auto slot = static_cast<std::size_t>(record - 1);
        Item item{};
        if (tally.stop.stop_requested() || read(&item, record) != QUARN_OK) {
            book.unreadable.set(slot);
            ++tally.unreadable;
        } else if (FillSmsEntry(item, book.store[slot])) {
            images.images[slot].assign(item.record, item.record + imageLength);
            ++tally.occupied;
        }
        progress.processed.fetch_add(1, std::memory_order_relaxed);
    }
}

} // namespace

int ExpectedRecords(const ReadRequest& request) {
    if (request.kind == BookKind::Phone && request.usim) {
        const int files =
            std::clamp(request.usimBook.fileCount, 0, static_cast<int>(kMaxUsimFiles));
        int total = 0;
        for (int index = files - 1; index >= 0; --index) {
            total += Bounded(request.usimBook.files[index].recordCount, kStoreSlots - total);
        }
        return total;
    }
    return Bounded(request.file.recordCount, kStoreSlots);
}

int ReadPercent(int processed, int expected, bool finished) {
    if (expected <= 0) {
        return finished ? 100 : 0;
    }
    const long long percent = static_cast<long long>(std::max(processed, 0)) * 100 / expected;
    return static_cast<int>(std::min<long long>(percent, 100));
}

ReadOutcome ReadPhoneData(CardLibrary& library, const ReadRequest& request, Books& books,
                          ReadProgress& progress, std::stop_token stop) {
    Trace("ReadPhoneData", 0);
    ReadTally tally;
    tally.stop = std::move(stop);
    progress.busy.store(true, std::memory_order_relaxed);
    switch (request.kind) {
    case BookKind::Phone:
        books.phoneBookTotal = 0;
        books.phone.store.fill(PhoneEntry{});
        books.phone.unreadable.reset();
        ReadPhoneBookFiles(library, request, books, progress, tally);
        break;
    case BookKind::LastDialled: {
        Book<PhoneEntry>& book = books.lastDialled;
        book.store.fill(PhoneEntry{});
        book.unreadable.reset();
        _FILE_INFO file = request.file;
        const int count = Bounded(file.recordCount, kStoreSlots);
        tally.unreadable += std::max(file.recordCount, 0) - count;
        ReadPhoneRecords(
            book, 0, count, false, progress, tally, [&](_PHONEBOOK_ITEM* item, int record) {
                return library.ReadLastNumDialledBook(request.connection, &file, item, record);
            });
        book.values.cardRecordCount = count;
        break;
    }
    case BookKind::Sms: {
        Book<SmsEntry>& book = books.sms;
        book.store.fill(SmsEntry{});
        book.unreadable.reset();
        SmsRecordImages& images = books.smsImages;
        images.Reset();
        images.cdma = request.cdma;
        images.recordLength = request.file.recordLength;
        _FILE_INFO file = request.file;
        const int count = Bounded(file.recordCount, kStoreSlots);
        tally.unreadable += std::max(file.recordCount, 0) - count;
        if (request.cdma) {
            ReadSmsRecords<_CDMA_SMS_ITEM>(
                book, images, count, progress, tally, [&](_CDMA_SMS_ITEM* item, int record) {
                    return library.ReadCDMASMSBook(request.connection, &file, item, record);
                });
        } else {
            ReadSmsRecords<_SMS_ITEM>(
                book, images, count, progress, tally, [&](_SMS_ITEM* item, int record) {
                    return library.ReadSMSBook(request.connection, &file, item, record);
                });
        }
        book.values.cardRecordCount = count;
        break;
    }
    }
    progress.busy.store(false, std::memory_order_relaxed);
    Trace("ReadPhoneData", 1);
    progress.finished.store(true, std::memory_order_release);
    return {tally.occupied, tally.unreadable};
}

QString EntryName(const PhoneEntry& entry) {
    const std::size_t wideLength = static_cast<std::size_t>(
        std::find(std::begin(entry.wideName), std::end(entry.wideName), u'\0') -
        std::begin(entry.wideName));
    if (wideLength > 0) {
        return QString::fromUtf16(entry.wideName, static_cast<qsizetype>(wideLength));
    }
    return QString::fromLatin1(entry.narrowName,
                               static_cast<qsizetype>(FieldLength(entry.narrowName)));
}

QString TimeStampDisplay(const char* stored, std::size_t width) {
    const std::size_t length =
        static_cast<std::size_t>(std::find(stored, stored + width, '\0') - stored);
    if (length == 0) {
        return {};
    }
    auto part = [&](std::size_t start) {
        return length >= start + 2 ? QString::fromLatin1(stored + start, 2) : QString();
    };
    const QString year = length >= 2 ? QStringLiteral("20") + part(0) : QString();
    return QStringLiteral("%1/%2/%3 %4:%5").arg(year, part(2), part(4), part(6), part(8));
}

QString MessageDisplay(const SmsEntry& entry) {
    constexpr std::size_t kUnits = std::size(SmsEntry{}.wideText);
    char16_t units[kUnits];
    if (entry.wideText[0] != 0) {
        std::copy(std::begin(entry.wideText), std::end(entry.wideText), units);
    } else {
        for (std::size_t i = 0; i < kUnits; ++i) {
            units[i] = static_cast<unsigned char>(entry.narrowText[i]);
        }
    }
    // A concatenated message starts with its header: 05 00 03 ...
    std::size_t start = 0;
    if (units[0] == 0x0500 && (units[1] >> 8) == 0x03) {
        start = 3;
    }
    std::size_t end = start;
    while (end < kUnits && units[end] != 0) {
        ++end;
    }
    return QString::fromUtf16(units + start, static_cast<qsizetype>(end - start));
}

QString SmsStatusText(int status) {
    switch (status) {
    case 0:
        return Text(kMsgSmsUnused);
    case 1:
        return Text(kMsgSmsRead);
    case 3:
        return Text(kMsgSmsToBeRead);
    case 5:
        return Text(kMsgSmsSent);
    case 7:
        return Text(kMsgSmsToBeSent);
    default:
        return QStringLiteral("NA");
    }
}

QString StatusLine(int total, int used) {
    return QStringLiteral("%1 / %2 / %3").arg(total).arg(used).arg(total - used);
}

namespace {

// One row per slot holding an entry that is not deleted, numbered in slot
// order; `cells` gives the columns after the number.
template <typename Entry, typename Cells>
std::vector<BookRow> RowsOf(const Book<Entry>& book, Cells cells) {
    std::vector<BookRow> rows;
    for (int slot = 0; slot < kStoreSlots; ++slot) {
        const Entry& entry = book.store[static_cast<std::size_t>(slot)];
        if (entry.state == 0 || (entry.state & ENTRY_DELETED) != 0) {
            continue;
        }
        BookRow row;
        row.slot = slot;
        row.cells = QStringList{QString::number(rows.size() + 1)} + cells(entry);
        row.changed = (entry.state & ENTRY_CHANGED) != 0;
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace

std::vector<BookRow> BuildRows(const Book<PhoneEntry>& book) {
    return RowsOf(book, [](const PhoneEntry& entry) {
        return QStringList{
            EntryName(entry),
            QString::fromLatin1(entry.number, static_cast<qsizetype>(FieldLength(entry.number)))};
    });
}

std::vector<BookRow> BuildRows(const Book<SmsEntry>& book) {
    return RowsOf(book, [](const SmsEntry& entry) {
        return QStringList{
            SmsStatusText(entry.smsStatus),
            QString::fromLatin1(entry.number, static_cast<qsizetype>(FieldLength(entry.number))),
            TimeStampDisplay(entry.timeStamp, sizeof entry.timeStamp), MessageDisplay(entry)};
    });
}

// ---- Write-back ------------------------------------------------------------

namespace {

// Units up to the first NUL, never past the field.
template <std::size_t N> std::size_t UnitLength(const char16_t (&field)[N]) {
    return static_cast<std::size_t>(std::find(field, field + N, u'\0') - field);
}

// The text an entry shows: its wide form when it has one, else the 8-bit
// form. A wide text of plain ASCII goes to the card as 8-bit text, so a name
// the card held in UCS2 is not lost when only the number was edited.
struct EntryText {
    const char16_t* wide = nullptr;
    std::size_t wideLength = 0;
    const char* narrow = nullptr;
    std::size_t narrowLength = 0;
    bool NeedsUcs2() const {
        return std::any_of(wide, wide + wideLength, [](char16_t u) { return u > 127; });
    }
};

template <std::size_t W, std::size_t N>
EntryText TextOf(const char16_t (&wide)[W], const char (&narrow)[N]) {
    return {wide, UnitLength(wide), narrow, FieldLength(narrow)};
}

// Card UCS2 (high byte first) with a 16-bit terminator; false when it does
// not fit.
template <std::size_t N>
bool PutUcs2(const char16_t* units, std::size_t length, std::uint8_t (&field)[N]) {
    if (2 * length + 2 > N) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        field[2 * i] = static_cast<std::uint8_t>(units[i] >> 8);
        field[2 * i + 1] = static_cast<std::uint8_t>(units[i]);
    }
    return true;
}

// 8-bit text with its terminator; from the wide form when there is no
// narrow one (then every unit is below 128). false when it does not fit.
template <std::size_t N>
bool PutNarrow(const EntryText& text, char (&field)[N], std::size_t& length) {
    length = text.narrowLength > 0 ? text.narrowLength : text.wideLength;
    if (length + 1 > N) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        field[i] = text.narrowLength > 0 ? text.narrow[i] : static_cast<char>(text.wide[i]);
    }
    return true;
}

template <typename Item> bool FillSmsItem(const SmsEntry& entry, Item& item) {
    item = Item{};
    item.status = kSmsToBeSentStatus;
    std::memcpy(item.address, entry.number,
                std::min(FieldLength(entry.number), sizeof item.address - 1));
    std::memcpy(item.timeStamp, entry.timeStamp,
                std::min(FieldLength(entry.timeStamp), sizeof item.timeStamp - 1));
    const EntryText text = TextOf(entry.wideText, entry.narrowText);
    if (text.NeedsUcs2()) {
        return PutUcs2(text.wide, text.wideLength, item.textUcs2);
    }
    std::size_t length = 0;
    if (!PutNarrow(text, item.text, length)) {
        return false;
    }
    // The card keeps 8-bit texts at an even length; Load takes the blank off.
    if (length % 2 != 0) {
        if (length + 2 > sizeof item.text) {
            return false;
        }
        item.text[length] = ' ';
    }
    return true;
}

class RecordWriter {
public:
    RecordWriter(ReadProgress& progress, std::stop_token stop, WriteOutcome& outcome)
        : progress_(progress), stop_(std::move(stop)), outcome_(outcome) {}

    // One record or slot: `write` is called when there is something to
    // write and the card can still take it; it returns the library's result.
    template <typename Write> void Slot(int slot, bool pending, bool readable, Write write) {
        if (pending) {
            QuarnResult result = QUARN_E_BAD_ANSWER;
            if (!lost_ && readable && !stop_.stop_requested()) {
                result = write();
                lost_ = ConnectionLost(result);
            }
            if (result != QUARN_OK) {
                outcome_.failed.set(static_cast<std::size_t>(slot));
                ++outcome_.notWritten;
            }
        }
        progress_.processed.fetch_add(1, std::memory_order_relaxed);
    }
    void Skip(int count) { progress_.processed.fetch_add(count, std::memory_order_relaxed); }

private:
    ReadProgress& progress_;
    std::stop_token stop_;
    WriteOutcome& outcome_;
    bool lost_ = false;
};

bool IsToWrite(std::uint8_t state) {
    return state == (ENTRY_OCCUPIED | ENTRY_CHANGED);
}

bool IsToClear(std::uint8_t state) {
    return (state & ENTRY_DELETED) != 0;
}

// Records 1..count of the current file from slots first.., phone-book kind.
void WritePhoneRecords(CardLibrary& library, const ReadRequest& request, _FILE_INFO& file,
                       Book<PhoneEntry>& book, int first, int count, RecordWriter& writer,
                       WriteOutcome& outcome) {
    for (int record = 1; record <= count; ++record) {
        const int slot = first + record - 1;
        const auto index = static_cast<std::size_t>(slot);
        const PhoneEntry& entry = book.store[index];
        const bool clear = IsToClear(entry.state);
        writer.Slot(slot, clear || IsToWrite(entry.state), !book.unreadable.test(index), [&] {
            _PHONEBOOK_ITEM item{};
            if (!clear && !PhoneItemFor(entry, item)) {
                return QUARN_E_OUT_OF_RANGE;
            }
            const QuarnResult result =
                library.WritePhoneBook(request.connection, &file, &item, record);
            if (result == QUARN_OK && !clear) {
                ++outcome.written;
            }
            return result;
        });
    }
}

void WritePhoneBookFiles(CardLibrary& library, const ReadRequest& request, Books& books,
                         RecordWriter& writer, WriteOutcome& outcome) {
    Book<PhoneEntry>& book = books.phone;
    if (!request.usim) {
        _FILE_INFO file = request.file;
        WritePhoneRecords(library, request, file, book, 0, Bounded(file.recordCount, kStoreSlots),
                          writer, outcome);
        return;
    }
    // The same files and slots as the read.
    ForEachUsimFile(
        library, request, books, [&](const _FILE_INFO& info, int first, int count, bool selected) {
            if (!selected) {
                for (int slot = first; slot < first + count; ++slot) {
                    const std::uint8_t state = book.store[static_cast<std::size_t>(slot)].state;
                    writer.Slot(slot, IsToClear(state) || IsToWrite(state), false,
                                [] { return QUARN_OK; });
                }
                return;
            }
            _FILE_INFO file = info;
            WritePhoneRecords(library, request, file, book, first, count, writer, outcome);
        });
}

void WriteLastDialled(CardLibrary& library, const ReadRequest& request, Book<PhoneEntry>& book,
                      RecordWriter& writer, WriteOutcome& outcome) {
    _FILE_INFO file = request.file;
    for (int slot = 0; slot < kStoreSlots; ++slot) {
        const auto index = static_cast<std::size_t>(slot);
        PhoneEntry& entry = book.store[index];
        writer.Slot(slot, IsToWrite(entry.state), !book.unreadable.test(index), [&] {
            _PHONEBOOK_ITEM item{};
            if (!PhoneItemFor(entry, item)) {
                return QUARN_E_OUT_OF_RANGE;
            }
            // Each write appends to the cyclic file; an entry written once
            // must not be appended again by the next Save.
            const QuarnResult result =
                library.WriteLastNumDialledBook(request.connection, &file, &item);
            if (result == QUARN_OK) {
                entry.state = ENTRY_OCCUPIED;
                ++outcome.written;
            }
            return result;
        });
    }
}

// The library's encoder leaves the image of an item with a status other than
// free, read and to-be-sent alone: the record goes out exactly as it stands.
constexpr std::uint8_t kWriteImageUnchanged = 0xFF;

template <typename Item>
bool ImageItemFor(const SmsRecordImages& images, std::size_t slot, bool cdma, int recordLength,
                  Item& item) {
    if (images.cdma != cdma) {
        return false; // a GSM record on an R-UIM or the other way round
    }
    const std::optional<std::vector<std::uint8_t>> fitted =
        FitSmsImage(images.images[slot], cdma, recordLength);
    if (!fitted) {
        return false;
    }
    item = Item{};
    std::copy(fitted->begin(), fitted->end(), item.record);
    item.status = kWriteImageUnchanged;
    return true;
}

template <typename Item, typename WriteFn>
void WriteSmsRecords(Book<SmsEntry>& book, const SmsRecordImages& images,
                     const ReadRequest& request, int count, RecordWriter& writer,
                     WriteOutcome& outcome, WriteFn write) {
    for (int record = 1; record <= count; ++record) {
        const int slot = record - 1;
        const auto index = static_cast<std::size_t>(slot);
        const SmsEntry& entry = book.store[index];
        const bool clear = IsToClear(entry.state);
        writer.Slot(slot, clear || IsToWrite(entry.state), !book.unreadable.test(index), [&] {
            Item item{}; // status 0 with empty fields erases the record
            if (!clear && images.writeAsRead.test(index)) {
                if (!ImageItemFor(images, index, request.cdma, request.file.recordLength, item)) {
                    return QUARN_E_OUT_OF_RANGE;
                }
            } else if (!clear && !SmsItemFor(entry, item)) {
                return QUARN_E_OUT_OF_RANGE;
            }
            const QuarnResult result = write(&item, record);
            if (result == QUARN_OK && !clear) {
                ++outcome.written;
            }
            return result;
        });
    }
}

} // namespace

int ExpectedWrites(const ReadRequest& request) {
    return request.kind == BookKind::LastDialled ? kStoreSlots : ExpectedRecords(request);
}

bool ConnectionLost(QuarnResult result) {
    // PC/SC's own codes (0x8010xxxx): no card, card removed or reset, reader
    // or service gone, handle no longer valid.
    return (result & 0xFFFF0000u) == 0x80100000u;
}

bool PhoneItemFor(const PhoneEntry& entry, _PHONEBOOK_ITEM& item) {
    item = _PHONEBOOK_ITEM{};
    const std::size_t numberLength = FieldLength(entry.number);
    if (numberLength + 1 > sizeof item.number) {
        return false;
    }
    std::memcpy(item.number, entry.number, numberLength);
    const EntryText text = TextOf(entry.wideName, entry.narrowName);
    if (text.NeedsUcs2()) {
        item.nameLength = static_cast<std::int32_t>(2 * text.wideLength);
        return PutUcs2(text.wide, text.wideLength, item.nameUcs2);
    }
    std::size_t length = 0;
    if (!PutNarrow(text, item.name, length)) {
        return false;
    }
    item.nameLength = static_cast<std::int32_t>(length);
    return true;
}

bool SmsItemFor(const SmsEntry& entry, _SMS_ITEM& item) {
    return FillSmsItem(entry, item);
}

bool SmsItemFor(const SmsEntry& entry, _CDMA_SMS_ITEM& item) {
    return FillSmsItem(entry, item);
}

std::optional<std::vector<std::uint8_t>> FitSmsImage(const std::vector<std::uint8_t>& image,
                                                     bool cdma, int recordLength) {
    const std::size_t length =
        cdma ? ImageLength<_CDMA_SMS_ITEM>(recordLength) : ImageLength<_SMS_ITEM>(recordLength);
    if (length == 0 || image.empty()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> fitted(
        image.begin(), image.begin() + static_cast<long>(std::min(length, image.size())));
    fitted.resize(length, 0xFF);
    if (image.size() > length) {
        // An R-UIM record says how many of its bytes are the message; a GSM
        // one pads its message with FF.
        const bool onlyPadding =
            cdma ? image.size() >= 2 && 2u + image[1] <= length
                 : std::all_of(image.begin() + static_cast<long>(length), image.end(),
                               [](std::uint8_t b) { return b == 0xFF; });
        if (!onlyPadding) {
            return std::nullopt;
        }
    }
    return fitted;
}

WriteOutcome WritePhoneData(CardLibrary& library, const ReadRequest& request, Books& books,
                            ReadProgress& progress, std::stop_token stop) {
    Trace("WritePhoneData", 0);
    WriteOutcome outcome;
    RecordWriter writer(progress, std::move(stop), outcome);
    progress.busy.store(true, std::memory_order_relaxed);
    switch (request.kind) {
    case BookKind::Phone:
        books.phoneBookTotal = 0;
        WritePhoneBookFiles(library, request, books, writer, outcome);
        break;
    case BookKind::LastDialled:
        WriteLastDialled(library, request, books.lastDialled, writer, outcome);
        break;
    case BookKind::Sms: {
        _FILE_INFO file = request.file;
        const int count = Bounded(file.recordCount, kStoreSlots);
        if (request.cdma) {
            WriteSmsRecords<_CDMA_SMS_ITEM>(books.sms, books.smsImages, request, count, writer,
                                            outcome, [&](_CDMA_SMS_ITEM* item, int record) {
                                                return library.WriteCDMASMSBook(
                                                    request.connection, &file, item, record);
                                            });
        } else {
            WriteSmsRecords<_SMS_ITEM>(books.sms, books.smsImages, request, count, writer, outcome,
                                       [&](_SMS_ITEM* item, int record) {
                                           return library.WriteSMSBook(request.connection, &file,
                                                                       item, record);
                                       });
        }
        break;
    }
    }
    progress.busy.store(false, std::memory_order_relaxed);
    Trace("WritePhoneData", 1);
    progress.finished.store(true, std::memory_order_release);
    return outcome;
}

} // namespace brisken
