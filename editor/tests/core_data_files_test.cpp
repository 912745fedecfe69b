// The data files without the window: record images, text files, vCard and
// CSV, placing read entries into a book, and the file helpers.
#include "core/data_files.h"
#include "core/editing.h"
#include "core/language.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

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

void PutPhone(Book<PhoneEntry>& book, int slot, const char* name, const char* number,
              std::uint8_t state = ENTRY_OCCUPIED) {
    PhoneEntry& entry = book.store[static_cast<std::size_t>(slot)];
    std::strncpy(entry.narrowName, name, sizeof(entry.narrowName) - 1);
    std::strncpy(entry.number, number, sizeof(entry.number) - 1);
    entry.state = state;
}

QByteArray Bytes(const void* data, std::size_t size) {
    return QByteArray(static_cast<const char*>(data), static_cast<qsizetype>(size));
}

QString WideName(const PhoneEntry& entry) {
    return QString::fromUtf16(entry.wideName);
}

class DataFiles : public ::testing::Test {
protected:
    void SetUp() override { SetInterfaceLanguage(1033); }
    void TearDown() override { SetInterfaceLanguage(0); }
};

// --- Record images -------------------------------------------------------------------

TEST_F(DataFiles, ExportTakesLiveEntriesInSlotOrderOrListOrder) {
    auto book = EmptyBook<PhoneEntry>();
    PutPhone(*book, 0, "Anna", "111");
    PutPhone(*book, 1, "Gone", "222", ENTRY_OCCUPIED | ENTRY_DELETED);
    PutPhone(*book, 2, "", "", ENTRY_OCCUPIED); // added by New, no text yet
    PutPhone(*book, 3, "Edited", "333", ENTRY_OCCUPIED | ENTRY_CHANGED);
    PutPhone(*book, 6, "Beyond the card", "444");
    const std::vector<int> listOrder = {3, 1, 0, 2, 9};

    book->values.notLoaded = false;
    EXPECT_EQ(ExportSlots(*book, 5, std::span<const int>(listOrder)), (std::vector<int>{0, 2, 3}));
    book->values.notLoaded = true;
    EXPECT_EQ(ExportSlots(*book, 5, std::span<const int>(listOrder)), (std::vector<int>{3, 0, 2}));

    const std::vector<int> order = {3, 0};
    const QByteArray file = WriteUsv(book->store, order);
    ASSERT_EQ(file.size(), 2 * 750);
    // Byte for byte, state and spare bytes included.
    EXPECT_EQ(file.left(750), Bytes(&book->store[3], 750));
    EXPECT_EQ(file.mid(750), Bytes(&book->store[0], 750));
}

TEST_F(DataFiles, UsvRecordsComeBackAsChangedEntries) {
    auto book = EmptyBook<SmsEntry>();
    SmsEntry& sms = book->store[4];
    sms.smsStatus = 3;
    std::strcpy(sms.number, "+4915112345");
    std::strcpy(sms.timeStamp, "2401311502");
    const char16_t text[] = u"Grüße 😀";
    std::memcpy(sms.wideText, text, sizeof text);
    sms.spare1 = 0x5A;
    sms.state = ENTRY_OCCUPIED;
    const std::vector<int> order = {4};

    const SmsFileEntries read = ReadSmsUsv(WriteUsv(book->store, order));
    ASSERT_EQ(read.entries.size(), 1u);
    SmsEntry expected = sms;
    expected.state = ENTRY_OCCUPIED | ENTRY_CHANGED;
    EXPECT_EQ(std::memcmp(&read.entries[0], &expected, sizeof expected), 0);
    // The time as stored, not its display form.
    EXPECT_EQ(read.cells[0],
              (QStringList{QStringLiteral("To be read"), QStringLiteral("+4915112345"),
                           QStringLiteral("2401311502"), QString::fromUtf16(text)}));
}

TEST_F(DataFiles, UsvBlocksFollowTheViewAndAShortLastBlockIsZeroFilled) {
    EXPECT_TRUE(ReadPhoneUsv({}).entries.empty());

    // 750 + 100 bytes: the second block is a name and zeros.
    QByteArray file(850, '\0');
    std::memcpy(file.data(), "Full", 4);
    std::memcpy(file.data() + 750, "Short", 5);
    const PhoneFileEntries read = ReadPhoneUsv(file);
    ASSERT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(read.cells[1][0], QStringLiteral("Short"));
    EXPECT_EQ(read.entries[1].number[0], 0);
    EXPECT_EQ(read.entries[1].state, ENTRY_OCCUPIED | ENTRY_CHANGED);

    // Three SMS records read in the phone view: 1608 bytes make three phone
    // blocks, each either taken or counted as invalid.
    auto sms = EmptyBook<SmsEntry>();
    for (int slot = 0; slot < 3; ++slot) {
        std::strcpy(sms->store[static_cast<std::size_t>(slot)].narrowText, "hello");
        sms->store[static_cast<std::size_t>(slot)].state = ENTRY_OCCUPIED;
    }
    const std::vector<int> order = {0, 1, 2};
    const PhoneFileEntries cut = ReadPhoneUsv(WriteUsv(sms->store, order));
    EXPECT_EQ(cut.entries.size() + static_cast<std::size_t>(cut.invalid), 3u);
}

TEST_F(DataFiles, UnterminatedUsvFieldsAreNotTaken) {
    struct Case {
        const char* what;
        std::size_t offset;
        std::size_t length;
    };
    const Case phoneCases[] = {
        {"8-bit name", 0, 242}, {"wide name", 242, 484}, {"number", 726, 22}};
    for (const Case& c : phoneCases) {
        QByteArray file(3 * 750, '\0');
        std::memcpy(file.data(), "Good", 4);
        std::memset(file.data() + 750 + c.offset, 'A', c.length);
        std::memcpy(file.data() + 1500, "Also good", 9);
        const PhoneFileEntries read = ReadPhoneUsv(file);
        EXPECT_EQ(read.invalid, 1) << c.what;
        ASSERT_EQ(read.entries.size(), 2u) << c.what;
        EXPECT_EQ(read.cells[1][0], QStringLiteral("Also good")) << c.what;
        // An import stopped before the bad record never passed it.
        EXPECT_EQ(NotesFor(read, 0).invalid, 0) << c.what;
        EXPECT_EQ(NotesFor(read, 1).invalid, 1) << c.what;
    }
    const Case smsCases[] = {
        {"number", 1, 30}, {"time", 31, 16}, {"8-bit text", 47, 162}, {"wide text", 210, 324}};
    for (const Case& c : smsCases) {
        QByteArray file(536, '\0');
        std::memset(file.data() + c.offset, 'A', c.length);
        const SmsFileEntries read = ReadSmsUsv(file);
        EXPECT_EQ(read.invalid, 1) << c.what;
        EXPECT_TRUE(read.entries.empty()) << c.what;
    }
}

TEST_F(DataFiles, ImportFormatIsChosenByThePath) {
    EXPECT_EQ(ImportFormatForPath(QStringLiteral("/tmp/BACKUP.USV"), true), ImportFormat::Usv);
    EXPECT_EQ(ImportFormatForPath(QStringLiteral("a.Usv"), false), ImportFormat::Usv);
    EXPECT_EQ(ImportFormatForPath(QStringLiteral("a.usv.txt"), true), ImportFormat::Text);
    EXPECT_EQ(ImportFormatForPath(QStringLiteral("a.csv"), true), ImportFormat::Text);
    EXPECT_EQ(ImportFormatForPath(QStringLiteral("noextension"), true), ImportFormat::Text);
    EXPECT_EQ(ImportFormatForPath(QStringLiteral("c.VCF"), true), ImportFormat::VCard);
    EXPECT_EQ(ImportFormatForPath(QStringLiteral("c.vcf"), false), ImportFormat::Text);
    EXPECT_EQ(ExportFormatForPath(QStringLiteral("x.CSV"), ExportFormat::Usv), ExportFormat::Csv);
    EXPECT_EQ(ExportFormatForPath(QStringLiteral("x"), ExportFormat::VCard), ExportFormat::VCard);
}

// --- Text files --------------------------------------------------------------------------

TEST_F(DataFiles, PhoneTextLines) {
    const QByteArray file = "\xEF\xBB\xBF"
                            "Anna,+491511,ignored\r\n"
                            "\r\n"
                            "No comma here\n"
                            "M\xFC"
                            "ller,0301234\n" // ISO 8859-1
                            "Ren\xC3\xA9,555\n"
                            "\xE7\x8E\x8B\xE8\x8A\xB3,666"; // no line end at the end
    const PhoneFileEntries read = ReadPhoneText(file);
    ASSERT_EQ(read.entries.size(), 5u);
    EXPECT_EQ(read.cells[0], (QStringList{QStringLiteral("Anna"), QStringLiteral("+491511")}));
    EXPECT_STREQ(read.entries[0].narrowName, "Anna");
    EXPECT_EQ(read.entries[0].wideName[0], 0);
    EXPECT_EQ(read.cells[1], (QStringList{QStringLiteral("No comma here"), QString()}));
    // A name outside ASCII lives only in the wide field.
    for (std::size_t i : {2u, 3u, 4u}) {
        EXPECT_EQ(read.entries[i].narrowName[0], 0) << i;
    }
    EXPECT_EQ(WideName(read.entries[2]), QString::fromUtf8("Müller"));
    EXPECT_EQ(WideName(read.entries[3]), QString::fromUtf8("René"));
    EXPECT_EQ(WideName(read.entries[4]), QString::fromUtf8("王芳"));
    EXPECT_STREQ(read.entries[4].number, "666");
    EXPECT_EQ(NotesFor(read, read.entries.size()).cut, 0);
    EXPECT_EQ(read.invalid, 0);
}

TEST_F(DataFiles, OverLongTextFieldsAreCutAtACharacterBoundary) {
    // 240 units of "é" and a character outside the BMP: the pair does not fit
    // in 241 units and is left out whole.
    QByteArray name;
    for (int i = 0; i < 240; ++i) {
        name += "\xC3\xA9";
    }
    name += "\xF0\x9F\x98\x80";
    QByteArray file = name + ",1234567890123456789012345\n";
    file += QByteArray(300, 'x') + ",1\n";
    const PhoneFileEntries read = ReadPhoneText(file);
    ASSERT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(NotesFor(read, 2).cut, 2);
    EXPECT_EQ(NotesFor(read, 1).cut, 1);
    EXPECT_EQ(WideName(read.entries[0]).size(), 240);
    EXPECT_EQ(read.entries[0].wideName[240], 0);
    EXPECT_STREQ(read.entries[0].number, "123456789012345678901");
    EXPECT_EQ(std::strlen(read.entries[1].narrowName), 241u);

    // A line over 510 bytes goes on as a line of its own, never inside a
    // UTF-8 sequence: 509 ASCII bytes, then "é" across the limit.
    const QByteArray longLine = QByteArray(509, 'a') + "\xC3\xA9" + "tail,7\n";
    const PhoneFileEntries split = ReadPhoneText(longLine);
    ASSERT_EQ(split.entries.size(), 2u);
    EXPECT_EQ(split.cells[1][0], QString::fromUtf8("étail"));
    EXPECT_EQ(split.cells[1][1], QStringLiteral("7"));
}

TEST_F(DataFiles, SmsTextContinuationLines) {
    const QByteArray file = "First\r\n"
                            "Second,+4930123,2401311502,Read\r\n"
                            "Stra\xDF"
                            "e,555,,\n" // ISO 8859-1, status empty but the number is not
                            "never,,,\n"
                            "completed\n";
    const SmsFileEntries read = ReadSmsText(file);
    ASSERT_EQ(read.entries.size(), 2u);
    const SmsEntry& first = read.entries[0];
    EXPECT_STREQ(first.narrowText, "First\nSecond");
    EXPECT_EQ(first.smsStatus, kSmsStatusToBeSent);
    EXPECT_STREQ(first.number, "+4930123");
    EXPECT_STREQ(first.timeStamp, "2401311502");
    EXPECT_EQ(read.cells[0],
              (QStringList{QStringLiteral("Read"), QStringLiteral("+4930123"),
                           QStringLiteral("2401311502"), QStringLiteral("First\nSecond")}));
    EXPECT_EQ(TimeStampDisplay(first.timeStamp, sizeof first.timeStamp),
              QStringLiteral("2024/01/31 15:02"));
    EXPECT_EQ(read.entries[1].narrowText[0], 0);
    EXPECT_EQ(QString::fromUtf16(read.entries[1].wideText), QString::fromUtf8("Straße"));
}

TEST_F(DataFiles, SmsTextFieldsAreCutToTheirWidths) {
    const QByteArray file =
        QByteArray(200, 'm') + "," + QByteArray(40, '9') + "," + QByteArray(20, '1') + ",x\n";
    const SmsFileEntries read = ReadSmsText(file);
    ASSERT_EQ(read.entries.size(), 1u);
    EXPECT_EQ(NotesFor(read, 1).cut, 1);
    EXPECT_EQ(std::strlen(read.entries[0].narrowText), 161u);
    EXPECT_EQ(std::strlen(read.entries[0].number), 29u);
    EXPECT_EQ(std::strlen(read.entries[0].timeStamp), 15u);
}

TEST_F(DataFiles, LinesAreUtf8OrElseLatin1) {
    EXPECT_EQ(DecodeLine("caf\xC3\xA9"), QString::fromUtf8("café"));
    EXPECT_EQ(DecodeLine("caf\xE9"), QString::fromUtf8("café"));
    EXPECT_EQ(DecodeLine("\xC3"), QString::fromUtf8("Ã")); // a sequence cut short
    EXPECT_EQ(DecodeLine("\xED\xA0\x80"), QString::fromUtf8("í\u00A0\u0080")); // a surrogate
}

// --- vCard and CSV -------------------------------------------------------------------------

TEST_F(DataFiles, VCardEscapesFoldsAndReadsItsOwnCardsBack) {
    auto book = EmptyBook<PhoneEntry>();
    PutPhone(*book, 0, "Smith, John; Jr.", "+441234");
    PutPhone(*book, 1, "Back\\slash", "");
    const char16_t longName[] = u"Александра Константиновна Преображенская-Долгорукова 😀 王芳";
    std::memcpy(book->store[2].wideName, longName, sizeof longName);
    std::strcpy(book->store[2].number, "*31#0123");
    book->store[2].state = ENTRY_OCCUPIED;
    book->store[3].state = ENTRY_OCCUPIED; // added by New, nothing to show
    const std::vector<int> order = {0, 1, 2, 3};

    const QByteArray file = WriteVCard(book->store, order);
    EXPECT_TRUE(file.contains("FN:Smith\\, John\\; Jr.\r\n"));
    EXPECT_TRUE(file.contains("FN:Back\\\\slash\r\n"));
    EXPECT_EQ(file.count("BEGIN:VCARD\r\nVERSION:3.0\r\n"), 3);
    EXPECT_EQ(file.count("TEL:"), 2);
    for (const QByteArray& line : file.split('\n')) {
        EXPECT_LE(line.size(), 76) << line.toStdString(); // 75 octets and the CR
        EXPECT_TRUE(QString::fromUtf8(line).toUtf8() == line) << "a UTF-8 sequence was split";
    }

    const PhoneFileEntries read = ReadVCard(file);
    ASSERT_EQ(read.entries.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(EntryName(read.entries[i]), EntryName(book->store[i])) << i;
        EXPECT_STREQ(read.entries[i].number, book->store[i].number) << i;
    }
}

TEST_F(DataFiles, VCardsFromOtherPrograms) {
    const QByteArray file = "BEGIN:VCARD\n"
                            "VERSION:4.0\n"
                            "N:Müller;Jürgen;;Dr.;\n"
                            "item1.TEL;TYPE=\"cell,voice\";X-LABEL=\"a:b\":tel:+49 (30) 123-45\n"
                            "TEL:999\n"
                            "END:VCARD\n"
                            "BEGIN:vcard\r\n"
                            "FN:Long\r\n"
                            "  Name\r\n"
                            "END:VCARD\r\n"
                            "BEGIN:VCARD\r\n"
                            "NOTE:nothing a card can keep\r\n"
                            "END:VCARD\r\n";
    const PhoneFileEntries read = ReadVCard(file);
    ASSERT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(read.cells[0],
              (QStringList{QString::fromUtf8("Dr. Jürgen Müller"), QStringLiteral("+493012345")}));
    EXPECT_EQ(read.cells[1][0], QStringLiteral("Long Name"));
    EXPECT_EQ(read.invalid, 1);
}

TEST_F(DataFiles, CsvQuotesWhereAFieldNeedsIt) {
    auto phone = EmptyBook<PhoneEntry>();
    PutPhone(*phone, 0, "Smith, John", "123");
    PutPhone(*phone, 1, "Say \"hi\"", "456");
    const char16_t name[] = u"Line\nbreak Ω";
    std::memcpy(phone->store[2].wideName, name, sizeof name);
    phone->store[2].state = ENTRY_OCCUPIED;
    const std::vector<int> order = {0, 1, 2};
    EXPECT_EQ(WritePhoneCsv(phone->store, order),
              QByteArray("Name,Number\r\n\"Smith, John\",123\r\n\"Say \"\"hi\"\"\",456\r\n"
                         "\"Line\nbreak \xCE\xA9\",\r\n"));

    auto sms = EmptyBook<SmsEntry>();
    sms->store[0].smsStatus = 1;
    std::strcpy(sms->store[0].number, "+4930");
    std::strcpy(sms->store[0].timeStamp, "2401311502");
    std::strcpy(sms->store[0].narrowText, "Hi, there");
    const std::vector<int> one = {0};
    EXPECT_EQ(WriteSmsCsv(sms->store, one),
              QByteArray("Status,Number,Time,Message\r\nRead,+4930,2024/01/31 15:02,"
                         "\"Hi, there\"\r\n"));
}

// Another program's reader agrees with ours on what the file holds.
TEST_F(DataFiles, CsvOpensInPythonsReader) {
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) {
        GTEST_SKIP() << "python3 is not installed";
    }
    auto phone = EmptyBook<PhoneEntry>();
    PutPhone(*phone, 0, "Smith, John", "123");
    PutPhone(*phone, 1, "Say \"hi\"", "+456");
    const char16_t name[] = u"Ядвига\r\nКовальская";
    std::memcpy(phone->store[2].wideName, name, sizeof name);
    phone->store[2].state = ENTRY_OCCUPIED;
    const std::vector<int> order = {0, 1, 2};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("phone.csv"));
    ASSERT_EQ(WriteFileReplacing(path, WritePhoneCsv(phone->store, order)), FileResult::Ok);

    QProcess process;
    process.start(python, {QStringLiteral("-c"),
                           QStringLiteral("import csv,json,sys\n"
                                          "with open(sys.argv[1], newline='', encoding='utf-8') "
                                          "as f: print(json.dumps(list(csv.reader(f))))"),
                           path});
    ASSERT_TRUE(process.waitForFinished(30000));
    const QString rows = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    EXPECT_EQ(rows, QString::fromUtf8(R"([["Name", "Number"], ["Smith, John", "123"], )"
                                      R"(["Say \"hi\"", "+456"], )"
                                      R"(["\u042f\u0434\u0432\u0438\u0433\u0430\r\n)"
                                      R"(\u041a\u043e\u0432\u0430\u043b\u044c\u0441\u043a\u0430)"
                                      R"(\u044f", ""]])"));
}

// Whatever a file holds, every entry a reader hands on keeps its text fields
// terminated within their widths.
TEST_F(DataFiles, ArbitraryBytesNeverGiveAnUnterminatedEntry) {
    const auto phoneOk = [](const PhoneEntry& e) {
        return std::memchr(e.narrowName, 0, sizeof e.narrowName) != nullptr &&
               std::find(std::begin(e.wideName), std::end(e.wideName), u'\0') !=
                   std::end(e.wideName) &&
               std::memchr(e.number, 0, sizeof e.number) != nullptr;
    };
    const auto smsOk = [](const SmsEntry& e) {
        return std::memchr(e.number, 0, sizeof e.number) != nullptr &&
               std::memchr(e.timeStamp, 0, sizeof e.timeStamp) != nullptr &&
               std::memchr(e.narrowText, 0, sizeof e.narrowText) != nullptr &&
               std::find(std::begin(e.wideText), std::end(e.wideText), u'\0') !=
                   std::end(e.wideText);
    };
    std::uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 16;
    };
    // Bytes drawn mostly from the characters the formats give meaning to.
    const char alphabet[] = ",,\r\n\n:;\\\"aZ9 \xC3\xA9\xF0\x9F\x98\x80\xFF\x00";
    for (int round = 0; round < 200; ++round) {
        QByteArray data(static_cast<qsizetype>(next() % 4000), '\0');
        for (char& byte : data) {
            byte = next() % 4 == 0 ? static_cast<char>(next())
                                   : alphabet[next() % (sizeof alphabet - 1)];
        }
        if (round % 3 == 0) {
            data.prepend("BEGIN:VCARD\r\nFN:");
        }
        for (const PhoneFileEntries& read :
             {ReadPhoneUsv(data), ReadPhoneText(data), ReadVCard(data)}) {
            ASSERT_EQ(read.cells.size(), read.entries.size());
            for (const PhoneEntry& entry : read.entries) {
                ASSERT_TRUE(phoneOk(entry)) << round;
            }
        }
        for (const SmsFileEntries& read : {ReadSmsUsv(data), ReadSmsText(data)}) {
            ASSERT_EQ(read.cells.size(), read.entries.size());
            for (const SmsEntry& entry : read.entries) {
                ASSERT_TRUE(smsOk(entry)) << round;
            }
        }
    }
}

// --- Placing entries ---------------------------------------------------------------------

TEST_F(DataFiles, PlacementNumbersRowsOnAndStopsAtTheCard) {
    auto book = EmptyBook<PhoneEntry>();
    PutPhone(*book, 0, "Card", "1");
    book->values.notLoaded = false;
    book->values.cardRecordCount = 4;
    book->values.nextRowNumber = 2;
    book->unreadable.set(1); // never taken: the card's record may hold a contact
    const std::vector<PhoneEntry> entries(5);

    const ImportPlacement placement =
        PlaceEntries<PhoneEntry>(*book, entries, 1, book->values.cardRecordCount);
    EXPECT_EQ(placement.stop, ImportStop::CardFull);
    ASSERT_EQ(placement.placed.size(), 2u);
    EXPECT_EQ(placement.placed[0].slot, 2);
    EXPECT_EQ(placement.placed[0].row, 1);
    EXPECT_EQ(placement.placed[0].number, 2);
    EXPECT_EQ(placement.placed[1].slot, 3);
    EXPECT_EQ(placement.placed[1].number, 3);
    EXPECT_EQ(book->store[2].state, ENTRY_OCCUPIED | ENTRY_CHANGED);
    EXPECT_EQ(book->store[1].state, 0);
    EXPECT_EQ(book->selection.slot, 3);
    // What went in must not be lost at exit.
    EXPECT_TRUE(book->values.changed);
    EXPECT_EQ(book->values.nextRowNumber, 4);
}

TEST_F(DataFiles, PlacementIntoABookNotReadStopsAtTheStore) {
    auto book = EmptyBook<SmsEntry>();
    std::vector<SmsEntry> entries(kStoreSlots + 3);
    ImportPlacement placement = PlaceEntries<SmsEntry>(*book, entries, 0, 0);
    EXPECT_EQ(placement.stop, ImportStop::StoreFull);
    EXPECT_EQ(placement.placed.size(), static_cast<std::size_t>(kStoreSlots));
    EXPECT_EQ(placement.placed.back().number, kStoreSlots);

    // An empty file still marks the book changed; one that finds the book
    // full adds nothing and leaves the flag alone.
    auto other = EmptyBook<SmsEntry>();
    PlaceEntries<SmsEntry>(*other, {}, 0, 0);
    EXPECT_TRUE(other->values.changed);
    book->values.changed = false;
    placement =
        PlaceEntries<SmsEntry>(*book, std::span<const SmsEntry>(entries).first(1), kStoreSlots, 0);
    EXPECT_EQ(placement.stop, ImportStop::StoreFull);
    EXPECT_FALSE(book->values.changed);
}

// --- Files ---------------------------------------------------------------------------------

TEST_F(DataFiles, WritingReplacesTheFileWhole) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("phone.usv"));
    ASSERT_EQ(WriteFileReplacing(path, "old contents"), FileResult::Ok);
    ASSERT_EQ(WriteFileReplacing(path, "new"), FileResult::Ok);
    QByteArray data;
    ASSERT_EQ(ReadWholeFile(path, data), FileResult::Ok);
    EXPECT_EQ(data, QByteArray("new"));
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("phone.usv")});

    // Names beyond any 8-bit code page are used as chosen.
    const QString wide = dir.filePath(QString::fromUtf8("Телефон 電話 😀.usv"));
    ASSERT_EQ(WriteFileReplacing(wide, "wide"), FileResult::Ok);
    ASSERT_EQ(ReadWholeFile(wide, data), FileResult::Ok);
    EXPECT_EQ(data, QByteArray("wide"));

    EXPECT_EQ(WriteFileReplacing(dir.filePath(QStringLiteral("missing/phone.usv")), "x"),
              FileResult::OpenFailed);
    EXPECT_EQ(ReadWholeFile(dir.filePath(QStringLiteral("none.usv")), data),
              FileResult::OpenFailed);
    EXPECT_EQ(ReadWholeFile(dir.path(), data), FileResult::OpenFailed);
}

} // namespace
