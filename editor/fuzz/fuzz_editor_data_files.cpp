// The editor's file import from the fuzz input. The first byte picks the
// reader (phone or SMS records, phone or SMS text lines, vCard), the rest is
// the file.
//
// Invariants: the per-entry lists line up and count invalid records in
// order; every text field an entry carries is terminated within its width;
// an entry read from a record file is written out byte for byte and read
// back the same; a phone entry exported as vCard comes back as one card with
// the same number; placing the entries into a book never goes past its
// capacity, and a placement that stops before taking anything leaves the
// book as it was.
#include "core/book_transfer.h"
#include "core/data_files.h"
#include "core/editing.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <numeric>
#include <vector>

namespace {

using namespace brisken;

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond))                                                                               \
            __builtin_trap();                                                                      \
    } while (0)

template <std::size_t N> bool Terminated(const char (&field)[N]) {
    return std::memchr(field, 0, N) != nullptr;
}
template <std::size_t N> bool Terminated(const char16_t (&field)[N]) {
    for (char16_t c : field)
        if (c == 0)
            return true;
    return false;
}

void CheckFields(const PhoneEntry& e) {
    FUZZ_CHECK(Terminated(e.narrowName) && Terminated(e.wideName) && Terminated(e.number));
}

void CheckFields(const SmsEntry& e) {
    FUZZ_CHECK(Terminated(e.number) && Terminated(e.timeStamp) && Terminated(e.narrowText) &&
               Terminated(e.wideText));
}

template <typename Entry> void CheckLists(const FileEntries<Entry>& read) {
    const size_t n = read.entries.size();
    FUZZ_CHECK(read.cells.size() == n && read.shortened.size() == n &&
               read.invalidBefore.size() == n);
    int previous = 0;
    for (size_t i = 0; i < n; ++i) {
        FUZZ_CHECK(read.invalidBefore[i] >= previous && read.invalidBefore[i] <= read.invalid);
        previous = read.invalidBefore[i];
        CheckFields(read.entries[i]);
    }
    const ImportNotes all = NotesFor(read, n);
    FUZZ_CHECK(all.invalid == read.invalid && all.cut >= 0 && all.cut <= static_cast<int>(n));
}

// One store per entry type, reused: the entries in its first slots, the
// rest cleared from the previous run.
template <typename Entry> const Store<Entry>& StoreOf(const std::vector<Entry>& entries) {
    static auto store = std::make_unique<Store<Entry>>();
    static size_t used = 0;
    std::fill_n(store->begin(), used, Entry{});
    used = std::min(entries.size(), store->size());
    std::copy_n(entries.begin(), used, store->begin());
    return *store;
}

std::vector<int> FirstSlots(size_t n) {
    std::vector<int> order(std::min<size_t>(n, kStoreSlots));
    std::iota(order.begin(), order.end(), 0);
    return order;
}

// Record files: what was read goes out and comes back byte for byte.
template <typename Entry, typename Reader>
void CheckRecordRoundTrip(const FileEntries<Entry>& read, Reader reader) {
    const Store<Entry>& store = StoreOf(read.entries);
    const std::vector<int> order = FirstSlots(read.entries.size());
    const QByteArray written = WriteUsv(store, order);
    FUZZ_CHECK(static_cast<size_t>(written.size()) == order.size() * sizeof(Entry));
    const FileEntries<Entry> back = reader(written);
    FUZZ_CHECK(back.invalid == 0 && back.entries.size() == order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        FUZZ_CHECK(read.entries[i].state == (ENTRY_OCCUPIED | ENTRY_CHANGED));
        FUZZ_CHECK(std::memcmp(&back.entries[i], &read.entries[i], sizeof(Entry)) == 0);
    }
}

QString DialCharacters(QString number) {
    if (number.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
        number = number.mid(4);
    number.removeIf([](QChar c) { return c.isSpace() || QStringView(u"-.()/").contains(c); });
    return number;
}

// vCard export and import: one card per entry with a name or a dial
// character to show, in order, with its number's dial characters.
void CheckVCardRoundTrip(const PhoneFileEntries& read) {
    const Store<PhoneEntry>& store = StoreOf(read.entries);
    const std::vector<int> order = FirstSlots(read.entries.size());
    const QByteArray written = WriteVCard(store, order);
    const PhoneFileEntries back = ReadVCard(written);
    std::vector<QString> numbers;
    for (int slot : order) {
        const PhoneEntry& e = store[static_cast<size_t>(slot)];
        QString number = DialCharacters(EntryNumber(e));
        if (!EntryName(e).trimmed().isEmpty() || !number.isEmpty())
            numbers.push_back(std::move(number));
    }
    FUZZ_CHECK(back.entries.size() == numbers.size());
    for (size_t i = 0; i < numbers.size(); ++i)
        FUZZ_CHECK(EntryNumber(back.entries[i]) == numbers[i]);
}

template <typename Entry> void CheckPlacement(const FileEntries<Entry>& read, uint8_t shape) {
    static auto book = std::make_unique<Book<Entry>>();
    book->Reset();
    // A book read from a card of a few records with some taken, or one that
    // was never loaded; both with some unreadable order.
    const int capacity = shape & 0x1F;
    book->values.notLoaded = (shape & 0x80) != 0;
    book->values.nextRowNumber = capacity / 2 + 1;
    int rows = 0;
    for (int slot = 0; slot < capacity / 2; ++slot) {
        book->store[static_cast<size_t>(slot)].state = ENTRY_OCCUPIED;
        ++rows;
    }
    if (shape & 0x40)
        book->unreadable.set(static_cast<size_t>(capacity / 2));
    static auto before = std::make_unique<Book<Entry>>();
    *before = *book;

    const ImportPlacement placed = PlaceEntries<Entry>(*book, read.entries, rows, capacity);
    FUZZ_CHECK(placed.placed.size() <= read.entries.size());
    for (const PlacedEntry& p : placed.placed) {
        FUZZ_CHECK(p.slot >= 0 && p.slot < kStoreSlots);
        FUZZ_CHECK(!before->unreadable.test(static_cast<size_t>(p.slot)));
        if (!book->values.notLoaded)
            FUZZ_CHECK(p.slot < capacity);
    }
    if (!book->values.notLoaded)
        FUZZ_CHECK(rows + static_cast<int>(placed.placed.size()) <= std::max(capacity, rows));
    if (placed.placed.empty() && placed.stop != ImportStop::None) {
        FUZZ_CHECK(std::memcmp(book->store.data(), before->store.data(), sizeof book->store) == 0);
        FUZZ_CHECK(book->values.changed == before->values.changed);
    }
    const ImportNotes notes = NotesFor(read, placed.placed.size());
    FUZZ_CHECK(notes.invalid >= 0 && notes.invalid <= read.invalid);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const uint8_t pick = data[0];
    const uint8_t shape = data[1];
    const QByteArrayView file(reinterpret_cast<const char*>(data + 2),
                              static_cast<qsizetype>(size - 2));
    switch (pick % 5) {
    case 0: {
        const PhoneFileEntries read = ReadPhoneUsv(file);
        CheckLists(read);
        CheckRecordRoundTrip(read, ReadPhoneUsv);
        CheckPlacement(read, shape);
        break;
    }
    case 1: {
        const SmsFileEntries read = ReadSmsUsv(file);
        CheckLists(read);
        CheckRecordRoundTrip(read, ReadSmsUsv);
        CheckPlacement(read, shape);
        break;
    }
    case 2: {
        const PhoneFileEntries read = ReadPhoneText(file);
        CheckLists(read);
        CheckVCardRoundTrip(read);
        CheckPlacement(read, shape);
        break;
    }
    case 3: {
        const SmsFileEntries read = ReadSmsText(file);
        CheckLists(read);
        CheckPlacement(read, shape);
        break;
    }
    default: {
        const PhoneFileEntries read = ReadVCard(file);
        CheckLists(read);
        CheckVCardRoundTrip(read);
        CheckPlacement(read, shape);
        break;
    }
    }
    return 0;
}
