// Reading a book from the card into its store (the worker's part of Load)
// and writing it back (the worker's part of Save), the progress shared with
// the window, and the list rows and display forms built from a store.
#pragma once

#include "core/card_data.h"
#include "core/card_library.h"
#include "nimbrel.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <bitset>
#include <optional>
#include <stop_token>
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

// What the Open step found out, handed to the worker by value (for a read
// and for a write alike).
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
// card record count; for the SMS book also its record images), the
// phone-book total and `progress`. A stop request
// ends it after the record in hand; the records not read count as unreadable.
ReadOutcome ReadPhoneData(CardLibrary& library, const ReadRequest& request, Books& books,
                          ReadProgress& progress, std::stop_token stop = {});

struct WriteOutcome {
    int written = 0; // entries written; cleared records are not counted
    // Writes and clears that failed or were never tried (card gone, record
    // not read by the last Load, text too long for a card record).
    int notWritten = 0;
    std::bitset<kStoreSlots> failed; // the slots of those
};

// The count the write progress runs up to: the records of the book's files,
// or every slot of the store for the last-dialled book, whose writes append
// to a cyclic file instead of going to fixed records.
int ExpectedWrites(const ReadRequest& request);

// A result that says the card or the reader is gone, not that one record
// was refused: nothing later on this connection can succeed.
bool ConnectionLost(QuarnResult result);

// The records handed to the library for an entry. The name or text goes as
// UCS2 when it holds a character above 127, else as 8-bit text. false when
// it does not fit the record the library takes (nothing is cut).
bool PhoneItemFor(const PhoneEntry& entry, _PHONEBOOK_ITEM& item);
// An entry to be sent (status 7) carrying the entry's address and time
// stamp; an 8-bit text of odd length gets one blank so that it is even.
bool SmsItemFor(const SmsEntry& entry, _SMS_ITEM& item);
bool SmsItemFor(const SmsEntry& entry, _CDMA_SMS_ITEM& item);

// A kept SMS record image made to fill a card record of `recordLength`
// bytes: a shorter image is padded with FF, a longer one is cut only where it
// holds no message (the FF padding of a GSM record, the bytes past an R-UIM
// record's message length). nullopt when the message itself does not fit or
// the length is not one the library writes.
std::optional<std::vector<std::uint8_t>> FitSmsImage(const std::vector<std::uint8_t>& image,
                                                     bool cdma, int recordLength);

// The worker body of Save: entries in state 3 are written, deleted entries
// have their card record cleared, the rest is left alone; an SMS slot marked
// in `books.smsImages.writeAsRead` goes out as its kept image (refused when
// the image is of the other card family or does not fit); slots the last
// Load could not read are never written. Every result is examined. A
// last-dialled entry written loses ENTRY_CHANGED; other states stay as they
// are. Writes only entry states, the phone-book total and `progress`. A stop
// request or a lost card ends it; what was not written is counted.
WriteOutcome WritePhoneData(CardLibrary& library, const ReadRequest& request, Books& books,
                            ReadProgress& progress, std::stop_token stop = {});

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
