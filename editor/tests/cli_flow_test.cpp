// brisken-cli's import and restore against a card scripted in the test
// process: which records reach the card and the exit status, where the real
// card cannot easily be made to misbehave.
#include "cli/chosen_reader.h"
#include "cli/commands.h"
#include "core/data_files.h"
#include "load_test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace brisken::cli {
namespace {

using brisken::testing::PhoneItem;
using brisken::testing::ScriptedCard;
using brisken::testing::ScriptedCardLibrary;

ScriptedCard SimWith(const char* iccid, std::vector<_PHONEBOOK_ITEM> records) {
    ScriptedCard card;
    card.info.pinRetries = 3;
    card.info.pukRetries = 10;
    brisken::testing::CopyText(card.info.iccid, iccid);
    card.adnFiles = {std::move(records)};
    return card;
}

// The phone-book writes the card received, in order.
std::vector<std::string> Writes(ScriptedCardLibrary& library) {
    std::vector<std::string> writes;
    for (std::string& line : library.TakeLog()) {
        if (line.starts_with("WritePhoneBook ")) {
            writes.push_back(line.substr(15));
        }
    }
    return writes;
}
using Lines = std::vector<std::string>;

struct CliFlow : ::testing::Test {
    int Run(ScriptedCardLibrary& library, Options options) {
        Context context{library, options, console, prompt, pins, {}};
        return RunCommand(context);
    }
    QString Write(const char* name, const QByteArray& data) {
        const QString path = dir.filePath(QLatin1String(name));
        EXPECT_EQ(WriteFileReplacing(path, data), FileResult::Ok);
        return path;
    }

    QTemporaryDir dir;
    Console console{true};
    CodePrompt prompt{-1};
    PinRunner pins;
};

// --reader: every connection goes to the named reader and nowhere else; the
// other calls reach the library unchanged.
TEST(ChosenReader, ConnectsOnlyThroughTheNamedReaderAndPassesTheRestOn) {
    ScriptedCard card = SimWith("8901", {PhoneItem("Alice", "111")});
    card.fallbackConnects = true;
    ScriptedCardLibrary inner(card);
    ChosenReaderLibrary library(inner, "Desk Reader 00 00");

    QuarnConnection connection = 0;
    ASSERT_EQ(library.Connect(&connection), QUARN_OK);
    QuarnConnection other = 0;
    EXPECT_EQ(library.ConnectAssignReader(&other, "Another Reader"), kConnectFailed);
    EXPECT_EQ(other, 0u);
    EXPECT_EQ(library.IsCDMA_RUIM(connection), inner.IsCDMA_RUIM(connection));
    _FILE_INFO file{};
    ASSERT_EQ(library.OpenPhoneBook(connection, &file), QUARN_OK);
    _PHONEBOOK_ITEM item{};
    ASSERT_EQ(library.ReadPhoneBook(connection, &file, &item, 1), QUARN_OK);
    EXPECT_STREQ(item.name, "Alice");
    EXPECT_EQ(library.DisConnect(connection), QUARN_OK);
    EXPECT_EQ(inner.OpenConnections(), 0);

    const std::vector<std::string> log = inner.TakeLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "ConnectAssignReader Desk Reader 00 00");
    for (const std::string& line : log) {
        EXPECT_NE(line, "Connect") << "the library's own reader search was used";
        EXPECT_EQ(line.find("Another Reader"), std::string::npos);
    }
}

TEST_F(CliFlow, ImportGoesAroundAnUnreadableRecordAndSaysSo) {
    ScriptedCard card = SimWith("8901", {PhoneItem("Alice", "111"), PhoneItem("", ""),
                                         PhoneItem("", ""), PhoneItem("", "")});
    card.failingReads = {{0, 2}};
    ScriptedCardLibrary library(card);
    Options options;
    options.command = Command::Import;
    options.path = Write("two.txt", "Bob,222\nCarl,333\n");
    EXPECT_EQ(Run(library, options), kExitIncomplete);
    // Record 2 was never seen, so it is never written.
    EXPECT_EQ(Writes(library), (Lines{"3 name=Bob number=222", "4 name=Carl number=333"}));
}

TEST_F(CliFlow, RestorePutsEntriesBackWhereTheyWereAndClearsTheRest) {
    const QString backup = dir.filePath(QStringLiteral("backup"));
    {
        ScriptedCardLibrary first(SimWith("8901", {PhoneItem("Alice", "111"), PhoneItem("", ""),
                                                   PhoneItem("Bob", "222"), PhoneItem("", "")}));
        Options options;
        options.command = Command::Backup;
        options.path = backup;
        ASSERT_EQ(Run(first, options), kExitDone);
    }
    ScriptedCardLibrary second(SimWith("8902", {PhoneItem("Carl", "333"), PhoneItem("Dora", "444"),
                                                PhoneItem("Bob", "222"), PhoneItem("", "")}));
    Options options;
    options.command = Command::Restore;
    options.path = backup;
    options.dryRun = true;
    // Another card: refused even for a dry run, and nothing is written.
    EXPECT_EQ(Run(second, options), kExitCard);
    options.force = true;
    EXPECT_EQ(Run(second, options), kExitDone);
    EXPECT_TRUE(Writes(second).empty());
    // Bob is already in place; Dora's record is free in the backup.
    options.dryRun = false;
    EXPECT_EQ(Run(second, options), kExitDone);
    EXPECT_EQ(Writes(second), (Lines{"1 name=Alice number=111", "2 name= number="}));
}

TEST_F(CliFlow, DamagedBackupIsRefusedBeforeTheCardIsTouched) {
    const QString backup = dir.filePath(QStringLiteral("backup"));
    {
        ScriptedCardLibrary first(SimWith("8901", {PhoneItem("Alice", "111")}));
        Options options;
        options.command = Command::Backup;
        options.path = backup;
        ASSERT_EQ(Run(first, options), kExitDone);
    }
    // One byte short: the record file no longer matches its manifest.
    QByteArray usv;
    ASSERT_EQ(ReadWholeFile(backup + QStringLiteral("/phonebook.usv"), usv), FileResult::Ok);
    usv.chop(1);
    ASSERT_EQ(WriteFileReplacing(backup + QStringLiteral("/phonebook.usv"), usv), FileResult::Ok);
    ScriptedCardLibrary library(SimWith("8901", {PhoneItem("Carl", "333")}));
    Options options;
    options.command = Command::Restore;
    options.path = backup;
    EXPECT_EQ(Run(library, options), kExitUsage);
    EXPECT_TRUE(library.TakeLog().empty());
}

// A message as the card holds it: the record starts with `head`, FF after.
template <typename Item>
Item Message(std::uint8_t status, const char* address, std::vector<std::uint8_t> head) {
    Item item = brisken::testing::SmsItem<Item>(status, address, "2412081530", "text");
    std::fill(std::begin(item.record), std::end(item.record), 0xFF);
    std::copy(head.begin(), head.end(), item.record);
    return item;
}

ScriptedCard SmsCard(const char* iccid, bool cdma, int recordLength) {
    ScriptedCard card = SimWith(iccid, {PhoneItem("Alice", "111")});
    card.cdma = cdma;
    card.smsRecordLength = recordLength;
    return card;
}

std::string Hex41(int count) {
    std::string hex;
    for (int i = 0; i < count; ++i) {
        hex += "41";
    }
    return hex;
}

// The SMS writes the card received, in order.
Lines SmsWrites(ScriptedCardLibrary& library) {
    Lines writes;
    for (std::string& line : library.TakeLog()) {
        if (line.starts_with("WriteSMSBook ") || line.starts_with("WriteCDMASMSBook ")) {
            writes.push_back(line);
        }
    }
    return writes;
}

// A backup keeps each message's record; a restore writes it back as it was
// (status and time stamp with it) where the card's records can take it, and
// falls back to messages to be sent on a card of the other family.
TEST_F(CliFlow, RestoreWritesMessagesAsTheCardHeldThem) {
    const QString backup = dir.filePath(QStringLiteral("backup"));
    const std::vector<std::uint8_t> shortMessage = {0x01, 0x00, 0x04, 0x03, 0x91, 0x21, 0xF3};
    std::vector<std::uint8_t> longMessage = {0x05, 0x00, 0x01, 0x00};
    longMessage.resize(30, 0x41);
    {
        ScriptedCard card = SmsCard("8901", false, 176);
        card.sms = {Message<_SMS_ITEM>(1, "123", shortMessage), Message<_SMS_ITEM>(0, "", {0}),
                    Message<_SMS_ITEM>(5, "456", longMessage)};
        ScriptedCardLibrary first(card);
        Options options;
        options.command = Command::Backup;
        options.path = backup;
        ASSERT_EQ(Run(first, options), kExitDone);
    }
    Options options;
    options.command = Command::Restore;
    options.path = backup;
    options.force = true;

    // Record 1 holds another message, record 2 one the backup had free.
    ScriptedCard same = SmsCard("8902", false, 176);
    same.sms = {Message<_SMS_ITEM>(3, "999", {0x03, 0x00, 0x04}),
                Message<_SMS_ITEM>(1, "888", {0x01, 0x00, 0x04}), Message<_SMS_ITEM>(0, "", {0})};
    ScriptedCardLibrary library(same);
    EXPECT_EQ(Run(library, options), kExitDone);
    const Lines written = SmsWrites(library);
    ASSERT_EQ(written.size(), 3u);
    EXPECT_TRUE(written[0].starts_with("WriteSMSBook 1 status=255 "));
    EXPECT_TRUE(written[0].ends_with(" record=010004039121F3")) << written[0];
    EXPECT_TRUE(written[1].starts_with("WriteSMSBook 2 status=0 "));
    EXPECT_TRUE(written[2].starts_with("WriteSMSBook 3 status=255 ")) << written[2];
    EXPECT_NE(written[2].find(" record=05000100" + Hex41(26)), std::string::npos) << written[2];

    // Records of 20 bytes take the short message but not the long one.
    ScriptedCard narrow = SmsCard("8902", false, 20);
    narrow.sms.resize(3);
    ScriptedCardLibrary narrowLibrary(narrow);
    EXPECT_EQ(Run(narrowLibrary, options), kExitIncomplete);
    const Lines narrowWrites = SmsWrites(narrowLibrary);
    ASSERT_EQ(narrowWrites.size(), 1u);
    EXPECT_TRUE(narrowWrites[0].ends_with(" record=010004039121F3")) << narrowWrites[0];

    // An R-UIM keeps other records: the messages go as ones to be sent.
    ScriptedCard ruim = SmsCard("8902", true, 255);
    ruim.cdmaSms.resize(3);
    ScriptedCardLibrary ruimLibrary(ruim);
    EXPECT_EQ(Run(ruimLibrary, options), kExitDone);
    const Lines ruimWrites = SmsWrites(ruimLibrary);
    ASSERT_EQ(ruimWrites.size(), 2u);
    EXPECT_EQ(ruimWrites[0],
              "WriteCDMASMSBook 1 status=7 address=123 stamp=2412081530 text='text'");
    EXPECT_EQ(ruimWrites[1],
              "WriteCDMASMSBook 3 status=7 address=456 stamp=2412081530 text='text'");
}

} // namespace
} // namespace brisken::cli
