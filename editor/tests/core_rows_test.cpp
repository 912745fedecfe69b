// List rows and the display forms of time stamps and messages.
#include "core/book_transfer.h"
#include "core/language.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace brisken {
namespace {

TEST(TimeStampDisplay, PartsPresentOrEmpty) {
    const struct {
        const char* stored;
        const char* shown;
    } cases[] = {
        {"", ""},
        {"2401311542", "2024/01/31 15:42"},
        {"24013115", "2024/01/31 15:"},
        {"2", "// :"},
        {"24", "2024// :"},
        {"240131154259", "2024/01/31 15:42"},
    };
    for (const auto& c : cases) {
        char field[16] = {};
        std::memcpy(field, c.stored, std::strlen(c.stored));
        EXPECT_EQ(TimeStampDisplay(field, sizeof field), QString::fromLatin1(c.shown)) << c.stored;
    }
    // A field without terminator is read to its end only.
    char full[16];
    std::memset(full, '1', sizeof full);
    EXPECT_EQ(TimeStampDisplay(full, sizeof full), "2011/11/11 11:11");
}

TEST(MessageDisplay, SkipsConcatenationHeaderAndStopsAtTheField) {
    auto entry = std::make_unique<SmsEntry>();
    const char16_t withHeader[] = {0x0500, 0x0312, 0x0201, u'H', u'i', 0};
    std::memcpy(entry->wideText, withHeader, sizeof withHeader);
    EXPECT_EQ(MessageDisplay(*entry), "Hi");
    // The narrow text is taken byte by byte when there is no wide text.
    *entry = SmsEntry{};
    std::strcpy(entry->narrowText, "caf\xE9");
    EXPECT_EQ(MessageDisplay(*entry), QString::fromUtf16(u"caf\u00E9"));
    // 162 units without a terminator: all of them, nothing beyond.
    *entry = SmsEntry{};
    std::fill(std::begin(entry->wideText), std::end(entry->wideText), u'x');
    entry->state = 0x55; // the byte after the field
    EXPECT_EQ(MessageDisplay(*entry).size(), 162);
    const char16_t lookalike[] = {0x0500, 0x0412, u'A', 0};
    *entry = SmsEntry{};
    std::memcpy(entry->wideText, lookalike, sizeof lookalike);
    EXPECT_EQ(MessageDisplay(*entry).size(), 3);
}

TEST(BookRows, NumberedWithoutGapsOverSlotsWithGaps) {
    auto book = std::make_unique<Book<PhoneEntry>>();
    std::strcpy(book->store[2].narrowName, "M\xFCller"); // 8-bit name above 127
    std::strcpy(book->store[2].number, "12345678901234567890");
    book->store[2].state = ENTRY_OCCUPIED;
    book->store[5].wideName[0] = u'\u00C5';
    book->store[5].state = ENTRY_OCCUPIED | ENTRY_CHANGED;
    book->store[6].state = ENTRY_OCCUPIED | ENTRY_DELETED;
    book->store[1023].state = ENTRY_OCCUPIED;
    const std::vector<BookRow> rows = BuildRows(*book);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].cells,
              QStringList({"1", QString::fromUtf16(u"M\u00FCller"), "12345678901234567890"}));
    EXPECT_EQ(rows[0].slot, 2);
    EXPECT_FALSE(rows[0].changed);
    EXPECT_EQ(rows[1].cells[1], QString::fromUtf16(u"\u00C5"));
    EXPECT_TRUE(rows[1].changed);
    EXPECT_EQ(rows[2].cells[0], "3");
    EXPECT_EQ(rows[2].slot, 1023);
    EXPECT_EQ(StatusLine(250, 3), "250 / 3 / 247");
}

TEST(BookRows, SmsColumnsAndStatusTexts) {
    SetInterfaceLanguage(1033);
    auto book = std::make_unique<Book<SmsEntry>>();
    book->store[0].smsStatus = 2; // not a card status
    std::strcpy(book->store[0].number, "+4917");
    std::strcpy(book->store[0].timeStamp, "2401311542");
    std::strcpy(book->store[0].narrowText, "hello");
    book->store[0].state = ENTRY_OCCUPIED;
    const std::vector<BookRow> rows = BuildRows(*book);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].cells, QStringList({"1", "NA", "+4917", "2024/01/31 15:42", "hello"}));
    EXPECT_EQ(SmsStatusText(0), "Unused");
    EXPECT_EQ(SmsStatusText(7), "To be sent");
}

} // namespace
} // namespace brisken
