// Editing a book without the window: entry update, New and Delete.
#include "core/editing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace brisken;

namespace {

template <typename Entry> std::unique_ptr<Book<Entry>> EmptyBook() {
    auto book = std::make_unique<Book<Entry>>();
    book->Reset();
    return book;
}

void PutPhone(Book<PhoneEntry>& book, int slot, const char* name, const char* number) {
    PhoneEntry& entry = book.store[static_cast<std::size_t>(slot)];
    std::strncpy(entry.narrowName, name, sizeof(entry.narrowName) - 1);
    std::memcpy(entry.number, number, std::min(std::strlen(number), sizeof(entry.number)));
    entry.state = ENTRY_OCCUPIED;
}

TEST(EntryUpdate, WhatTheFieldsShowWritesNothingBack) {
    auto book = EmptyBook<PhoneEntry>();
    // A 20-digit number and an 8-bit name above 127, as a card read leaves them.
    PutPhone(*book, 3, "M\xFCller \xC5sa", "12345678901234567890");
    const PhoneEntry before = book->store[3];

    const QString name = EntryName(book->store[3]);
    const QString number = EntryNumber(book->store[3]);
    EXPECT_EQ(name, QString::fromUtf8("Müller Åsa"));
    EXPECT_EQ(number.size(), 20);
    EXPECT_GE(FieldLimitFor(kNumberFieldLimit, number), 20);

    EXPECT_FALSE(UpdatePhoneEntry(*book, 3, PhoneField::Name, name));
    EXPECT_FALSE(UpdatePhoneEntry(*book, 3, PhoneField::Number, number));
    EXPECT_EQ(std::memcmp(&before, &book->store[3], sizeof(PhoneEntry)), 0);
    EXPECT_FALSE(book->values.changed);
}

TEST(EntryUpdate, ChangedNameIsStoredNarrowAndWideAndMarked) {
    auto book = EmptyBook<PhoneEntry>();
    PutPhone(*book, 0, "Anna", "0301");

    EXPECT_TRUE(UpdatePhoneEntry(*book, 0, PhoneField::Name, QString::fromUtf8("Zoë 日本")));
    const PhoneEntry& entry = book->store[0];
    EXPECT_STREQ(entry.narrowName, "Zo\xEB ??"); // ISO 8859-1, "?" for the rest
    EXPECT_EQ(EntryName(entry), QString::fromUtf8("Zoë 日本"));
    EXPECT_EQ(entry.state, ENTRY_OCCUPIED | ENTRY_CHANGED);
    EXPECT_TRUE(book->values.changed);

    // Typing the same text again changes nothing more.
    book->values.changed = false;
    EXPECT_FALSE(UpdatePhoneEntry(*book, 0, PhoneField::Name, QString::fromUtf8("Zoë 日本")));
    EXPECT_FALSE(book->values.changed);
}

TEST(EntryUpdate, OverlongTextIsCutInsideItsFields) {
    auto book = EmptyBook<PhoneEntry>();
    PutPhone(*book, 0, "x", "1");
    // 240 letters and then a character outside the basic plane: its two
    // halves straddle the limit, so neither is kept.
    QString name(240, QLatin1Char('a'));
    name += QString::fromUtf8("😀tail");
    ASSERT_TRUE(UpdatePhoneEntry(*book, 0, PhoneField::Name, name));
    const PhoneEntry& entry = book->store[0];
    EXPECT_EQ(entry.narrowName[241], 0);
    EXPECT_EQ(entry.wideName[241], 0);
    EXPECT_EQ(EntryName(entry), QString(240, QLatin1Char('a')));

    ASSERT_TRUE(UpdatePhoneEntry(*book, 0, PhoneField::Number, QString(40, QLatin1Char('9'))));
    EXPECT_EQ(entry.number[21], 0);
    EXPECT_EQ(EntryNumber(entry).size(), 21);

    auto sms = EmptyBook<SmsEntry>();
    sms->store[2].state = ENTRY_OCCUPIED;
    ASSERT_TRUE(UpdateSmsEntry(*sms, 2, SmsField::Number, QString(35, QLatin1Char('5'))));
    EXPECT_EQ(EntryNumber(sms->store[2]).size(), kSmsNumberFieldLimit);
    ASSERT_TRUE(UpdateSmsEntry(*sms, 2, SmsField::Message, QString(200, QChar(0x4E2D))));
    EXPECT_EQ(EntryMessage(sms->store[2]).size(), kMessageFieldLimit);
    EXPECT_EQ(sms->store[2].narrowText[kMessageFieldLimit - 1], '?');
    EXPECT_EQ(sms->store[2].narrowText[kMessageFieldLimit], 0);
    EXPECT_EQ(sms->store[2].state, ENTRY_OCCUPIED | ENTRY_CHANGED);
}

TEST(EntryUpdate, SlotWithoutEntryIsLeftAlone) {
    auto book = EmptyBook<PhoneEntry>();
    EXPECT_FALSE(UpdatePhoneEntry(*book, 0, PhoneField::Name, QStringLiteral("typed")));
    PutPhone(*book, 1, "gone", "1");
    book->store[1].state |= ENTRY_DELETED;
    EXPECT_FALSE(UpdatePhoneEntry(*book, 1, PhoneField::Name, QStringLiteral("typed")));
    EXPECT_FALSE(UpdatePhoneEntry(*book, -1, PhoneField::Name, QStringLiteral("typed")));
    EXPECT_FALSE(UpdatePhoneEntry(*book, kStoreSlots, PhoneField::Name, QStringLiteral("t")));
    EXPECT_EQ(book->store[0].narrowName[0], 0);
    EXPECT_STREQ(book->store[1].narrowName, "gone");
    EXPECT_FALSE(book->values.changed);
}

TEST(NewEntry, NeverLoadedBookTakesSlotsUntilTheStoreIsFull) {
    auto book = EmptyBook<PhoneEntry>();
    for (int i = 0; i < kStoreSlots; ++i) {
        const NewEntry added = AddPhoneEntry(*book, {i, 0, false});
        ASSERT_EQ(added.result, NewResult::Added) << i;
        ASSERT_EQ(added.slot, i);
        ASSERT_EQ(added.number, i + 1);
    }
    const BookValues before = book->values;
    const NewEntry refused = AddPhoneEntry(*book, {kStoreSlots, 0, false});
    EXPECT_EQ(refused.result, NewResult::StoreFull);
    EXPECT_EQ(book->values.nextRowNumber, before.nextRowNumber);
    EXPECT_FALSE(book->values.changed);
}

TEST(NewEntry, LoadedBookIsBoundByItsCardRecords) {
    auto book = EmptyBook<PhoneEntry>();
    book->values.notLoaded = false;
    book->values.cardRecordCount = 3;
    book->values.nextRowNumber = 3;
    PutPhone(*book, 0, "a", "1");
    PutPhone(*book, 1, "b", "2");
    EXPECT_EQ(AddPhoneEntry(*book, {3, 3, false}).result, NewResult::CardFull);

    // Record 3 could not be read: it is not offered, and past the card's
    // records there is nothing to offer.
    book->unreadable.set(2);
    EXPECT_EQ(AddPhoneEntry(*book, {2, 3, false}).result, NewResult::CardFull);
    EXPECT_EQ(book->store[3].state, 0);

    book->unreadable.reset();
    const NewEntry added = AddPhoneEntry(*book, {2, 3, false});
    EXPECT_EQ(added.result, NewResult::Added);
    EXPECT_EQ(added.slot, 2);
    EXPECT_EQ(added.number, 3);
    EXPECT_EQ(book->values.nextRowNumber, 4);
}

TEST(NewEntry, UsimPhoneBookIsBoundByTheTotalOfItsFiles) {
    BookValues values;
    values.cardRecordCount = 250; // the file read last
    EXPECT_EQ(BookCapacity(values, 500), 500);
    EXPECT_EQ(BookCapacity(values, 0), 250);
}

TEST(NewEntry, ReusesTheLowestDeletedSlotEmptyAndChangedWhenItHeldText) {
    auto book = EmptyBook<PhoneEntry>();
    book->values.nextRowNumber = 5;
    for (int slot = 0; slot < 4; ++slot) {
        PutPhone(*book, slot, "n", "1");
    }
    book->store[1].state |= ENTRY_DELETED;
    book->store[2].state = ENTRY_DELETED; // deleted, and text already gone
    std::memset(book->store[2].narrowName, 0, sizeof(book->store[2].narrowName));
    std::memset(book->store[2].number, 0, sizeof(book->store[2].number));

    // After a Delete the numbering goes on, leaving a gap.
    const NewEntry first = AddPhoneEntry(*book, {3, 0, false});
    EXPECT_EQ(first.slot, 1);
    EXPECT_EQ(first.number, 5);
    EXPECT_EQ(first.row, 3); // at the end of the shorter list
    EXPECT_TRUE(first.changed);
    EXPECT_EQ(EntryName(book->store[1]), QString());
    EXPECT_EQ(book->store[1].state, ENTRY_OCCUPIED | ENTRY_CHANGED);
    EXPECT_TRUE(book->values.changed);
    EXPECT_EQ(book->selection.slot, 1);

    book->values.changed = false;
    const NewEntry second = AddPhoneEntry(*book, {4, 0, false});
    EXPECT_EQ(second.slot, 2);
    EXPECT_FALSE(second.changed);
    EXPECT_EQ(book->store[2].state, ENTRY_OCCUPIED);
    EXPECT_FALSE(book->values.changed);
}

TEST(NewEntry, SmsEntryIsToBeSentAndEmpty) {
    auto book = EmptyBook<SmsEntry>();
    SmsEntry& old = book->store[0];
    old.smsStatus = 1;
    std::strcpy(old.number, "+4930");
    std::strcpy(old.timeStamp, "2401021314");
    std::strcpy(old.narrowText, "hello");
    old.state = ENTRY_OCCUPIED | ENTRY_DELETED;

    const NewEntry added = AddSmsEntry(*book, {0, 0, false});
    ASSERT_EQ(added.result, NewResult::Added);
    EXPECT_EQ(added.slot, 0);
    EXPECT_TRUE(added.changed);
    EXPECT_EQ(old.smsStatus, kSmsStatusToBeSent);
    EXPECT_EQ(SelectorItemForStatus(old.smsStatus), kSelectorToBeSent);
    EXPECT_EQ(EntryNumber(old), QString());
    EXPECT_EQ(EntryMessage(old), QString());
    EXPECT_EQ(old.timeStamp[0], 0);
}

TEST(NewEntry, LastDialledStartsOverAtTheCyclicFilesEnd) {
    auto book = EmptyBook<PhoneEntry>();
    book->values.notLoaded = false;
    book->values.cardRecordCount = 2;
    book->values.nextRowNumber = 3;
    PutPhone(*book, 0, "a", "1");
    PutPhone(*book, 1, "b", "2");
    const NewEntry added = AddPhoneEntry(*book, {2, 2, true});
    ASSERT_EQ(added.result, NewResult::Added);
    EXPECT_EQ(added.number, 1);
    EXPECT_EQ(added.row, 0);
    EXPECT_EQ(book->store[static_cast<std::size_t>(added.slot)].state,
              ENTRY_OCCUPIED | ENTRY_CHANGED);
}

TEST(DeleteEntry, MarksTheEntryAndPicksTheNeighbour) {
    auto book = EmptyBook<SmsEntry>();
    book->store[7].state = ENTRY_OCCUPIED;
    EXPECT_EQ(DeleteEntry(*book, 7, 2, 5), 2); // the row that moved up
    EXPECT_EQ(book->store[7].state, ENTRY_OCCUPIED | ENTRY_DELETED);
    EXPECT_TRUE(book->values.changed);
    EXPECT_EQ(DeleteEntry(*book, 7, 4, 4), 3); // the last row went
    EXPECT_EQ(DeleteEntry(*book, 7, 0, 0), -1);
}

TEST(StatusSelector, MapsTheFiveCardStatuses) {
    const std::pair<int, int> pairs[] = {{0, 0}, {1, 1},  {3, 2},   {5, 3},
                                         {7, 4}, {2, -1}, {255, -1}};
    for (const auto& [status, item] : pairs) {
        EXPECT_EQ(SelectorItemForStatus(static_cast<std::uint8_t>(status)), item) << status;
    }
}

} // namespace
