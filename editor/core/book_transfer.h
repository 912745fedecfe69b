// Reading a book from the card into its store (the worker's part of Load),
// the progress shared with the window, and the list rows and display forms
// built from a store once the read is complete.
#pragma once

#include "core/card_data.h"
#include "core/card_library.h"
#include "nimbrel.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <vector>

namespace brisken {

enum class BookKind { Phone, LastDialled, Sms };

// What the worker and the window share while a book is read. The window
// reads `processed` for the bar; `finished` is stored (release) after every
// other write of the worker, so a reader that sees it (acquire) sees the
// whole store.
struct ReadProgress {
    std::atomic<int> processed{0};
    std::atomic<bool> busy{false};
    std::atomic<bool> finished{false};
};

// What the Open step found out, handed to the worker by value.
struct ReadRequest {
    BookKind kind = BookKind::Phone;
    bool usim = false;
    bool cdma = false;
    QuarnConnection connection = 0;
    _FILE_INFO file{};               // every book but a USIM phone book
    _USIM_PHONEBOOK_INFO usimBook{}; // a USIM phone book
};

struct ReadOutcome {
    int occupied = 0;
    // Records that could not be read (failed call, file not selectable) or
    // that found no room in the store.
    int unreadable = 0;
};

// The number of records the read goes through: for a USIM phone book the
// sum over its files, which may differ in size.
int ExpectedRecords(const ReadRequest& request);

// The percentage for the bar. A zero count gives 0 while the worker runs
// and 100 once it has finished; never above 100.
int ReadPercent(int processed, int expected, bool finished);

// The worker body. Writes only the requested book (store, unreadable set,
// card record count), the phone-book total and `progress`.
ReadOutcome ReadPhoneData(CardLibrary& library, const ReadRequest& request, Books& books,
                          ReadProgress& progress);

// One list row: the "No" column first, then the book's columns.
struct BookRow {
    int slot = 0;
    QStringList cells;
    bool changed = false;
};

// Rows for every slot holding an entry (not deleted), numbered from 1.
std::vector<BookRow> BuildRows(const Book<PhoneEntry>& book);
std::vector<BookRow> BuildRows(const Book<SmsEntry>& book);

// The wide name if there is one, else the 8-bit name taken byte by byte.
QString EntryName(const PhoneEntry& entry);
// "20YY/MM/DD hh:mm" from the stored digits; missing parts stay empty.
QString TimeStampDisplay(const char* stored, std::size_t width);
// The message without a concatenation header, from the wide text if it is
// not empty, else from the 8-bit text.
QString MessageDisplay(const SmsEntry& entry);
// The status word of the list and status field ("NA" for unknown values).
QString SmsStatusText(int status);
// "Total / Used / Unused".
QString StatusLine(int total, int used);

} // namespace brisken
