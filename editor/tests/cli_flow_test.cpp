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
        switch (options.command) {
        case Command::Import:
            return RunImport(context);
        case Command::Backup:
            return RunBackup(context);
        case Command::Restore:
            return RunRestore(context);
        default:
            return -1;
        }
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

} // namespace
} // namespace brisken::cli
