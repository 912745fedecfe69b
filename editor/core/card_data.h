// The editor's in-memory books: fixed stores of fixed-size entries whose byte
// images are also the records of ".usv" files, and the values kept beside
// them. Card context of the one card handled at a time.
#pragma once

#include "nimbrel.h"

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace brisken {

inline constexpr std::uint8_t ENTRY_OCCUPIED = 1;
inline constexpr std::uint8_t ENTRY_CHANGED = 2;
inline constexpr std::uint8_t ENTRY_DELETED = 4;

inline constexpr int kStoreSlots = 1024;

#pragma pack(push, 1)
struct PhoneEntry {
    char narrowName[242];
    char16_t wideName[242]; // UTF-16LE on disk
    char number[22];
    std::uint8_t state;
    std::uint8_t spare;
};

struct SmsEntry {
    std::uint8_t smsStatus;
    char number[30];
    char timeStamp[16];
    char narrowText[162];
    std::uint8_t spare1;
    char16_t wideText[162]; // UTF-16LE on disk
    std::uint8_t state;
    std::uint8_t spare2;
};
#pragma pack(pop)

static_assert(sizeof(PhoneEntry) == 750);
static_assert(offsetof(PhoneEntry, wideName) == 242);
static_assert(offsetof(PhoneEntry, number) == 726);
static_assert(offsetof(PhoneEntry, state) == 748);
static_assert(sizeof(SmsEntry) == 536);
static_assert(offsetof(SmsEntry, number) == 1);
static_assert(offsetof(SmsEntry, timeStamp) == 31);
static_assert(offsetof(SmsEntry, narrowText) == 47);
static_assert(offsetof(SmsEntry, wideText) == 210);
static_assert(offsetof(SmsEntry, state) == 534);

template <typename Entry> using Store = std::array<Entry, kStoreSlots>;

struct BookValues {
    bool notLoaded = true;
    bool changed = false;
    int nextRowNumber = 0;
    int cardRecordCount = 0;
};

struct Selection {
    int row = 0;
    int slot = 0;
};

// One book: its store, the values kept beside it and the list selection.
// `unreadable` marks slots whose card record could not be read on the last
// Load: the editor never saw them, so New must not offer them and Save must
// not write them. Kept outside the entries so their byte image is unchanged.
template <typename Entry> struct Book {
    Store<Entry> store{};
    BookValues values;
    Selection selection;
    std::bitset<kStoreSlots> unreadable;

    // Field by field: a store is too large for a temporary on the stack.
    void Reset() {
        store.fill(Entry{});
        values = BookValues{};
        selection = Selection{};
        unreadable.reset();
    }
};

// The lowest slot whose state is 0 or has ENTRY_DELETED; -1 when all are taken.
template <typename Entry> int FirstFreeSlot(const Store<Entry>& store) {
    for (int slot = 0; slot < kStoreSlots; ++slot) {
        const std::uint8_t state = store[static_cast<std::size_t>(slot)].state;
        if (state == 0 || (state & ENTRY_DELETED) != 0) {
            return slot;
        }
    }
    return -1;
}

// As above, passing over slots whose card record could not be read.
template <typename Entry> int FirstFreeSlot(const Book<Entry>& book) {
    for (int slot = 0; slot < kStoreSlots; ++slot) {
        const auto index = static_cast<std::size_t>(slot);
        const std::uint8_t state = book.store[index].state;
        if ((state == 0 || (state & ENTRY_DELETED) != 0) && !book.unreadable.test(index)) {
            return slot;
        }
    }
    return -1;
}

// The SMS records as the card held them, kept beside the SMS store: an
// entry's byte image is a ".usv" record and has no room for them. Load keeps
// the image of every message it reads. A slot marked in `writeAsRead` is
// written back from its image unchanged (status byte, time stamp, service
// centre and all) instead of being encoded from the entry as a message to be
// sent; only a restore from a backup marks slots, the window never does.
struct SmsRecordImages {
    bool cdma = false;    // R-UIM records, else GSM ones
    int recordLength = 0; // bytes of each image, as the card file's records
    std::array<std::vector<std::uint8_t>, kStoreSlots> images;
    std::bitset<kStoreSlots> writeAsRead;

    void Reset() {
        cdma = false;
        recordLength = 0;
        for (std::vector<std::uint8_t>& image : images) {
            image.clear();
        }
        writeAsRead.reset();
    }
};

struct Books {
    Book<PhoneEntry> phone;
    Book<PhoneEntry> lastDialled;
    Book<SmsEntry> sms;
    SmsRecordImages smsImages;
    int phoneBookTotal = 0; // USIM: sum over its phone-book files

    // Zeroes the stores and resets the values, as the window's start does.
    void Reset() {
        phone.Reset();
        lastDialled.Reset();
        sms.Reset();
        smsImages.Reset();
        phoneBookTotal = 0;
    }
};

} // namespace brisken
