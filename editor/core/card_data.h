// The editor's in-memory books: fixed stores of fixed-size entries whose byte
// images are also the records of ".usv" files, and the values kept beside
// them. Card context of the one card handled at a time.
#pragma once

#include "nimbrel.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

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

struct Books {
    Store<PhoneEntry> phone{};
    Store<PhoneEntry> lastDialled{};
    Store<SmsEntry> sms{};
    BookValues phoneValues;
    BookValues lastDialledValues;
    BookValues smsValues;
    int phoneBookTotal = 0; // USIM: sum over its phone-book files
    Selection phoneSelection;
    Selection lastDialledSelection;
    Selection smsSelection;

    // Zeroes the stores and resets the values, as the window's start does.
    // (Field by field: the stores are too large for a temporary on the stack.)
    void Reset() {
        phone.fill(PhoneEntry{});
        lastDialled.fill(PhoneEntry{});
        sms.fill(SmsEntry{});
        phoneValues = lastDialledValues = smsValues = BookValues{};
        phoneBookTotal = 0;
        phoneSelection = lastDialledSelection = smsSelection = Selection{};
    }
};

struct CardContext {
    QuarnConnection session = 0;
    bool usim = false;
    bool cdma = false;
    _CARD_INFO cardInfo{};
    _FILE_INFO currentFile{};
    _USIM_PHONEBOOK_INFO usimPhoneBook{};
    std::atomic<bool> busy{false};
    std::atomic<int> readProgress{0};
};

} // namespace brisken
