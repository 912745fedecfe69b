// A backup through the real stack: Load one virtual card, Export its phone
// book as a record file, Import the file into fresh stores, Save it to a
// second card and compare the two cards' phone-book files.
#include "card_in_slot.h"
#include "core/card_load.h"
#include "core/card_save.h"
#include "core/data_files.h"
#include "core/editing.h"
#include "load_test_support.h"
#include "pcscd_card_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace brisken {
namespace {

using testing::Bytes;
using testing::EditedProfile;
using testing::FromAdnBytes;
using testing::Profile;
using testing::RecordingSaveView;
using testing::RecordingView;
using testing::ScriptedCard;
using testing::ScriptedCardLibrary;
using testing::ScriptedPrompt;

constexpr int kRecordLength = 28;
// The second card's records leave room for eleven UCS2 characters in the
// plain 80 form, which is what Save writes: the first card keeps some names
// in the compact 81 form, which holds as many in a 14-byte name field.
constexpr int kWideRecordLength = 40;

// One window's worth of stores with its own Load and Save.
struct Window {
    explicit Window(CardLibrary& library) : loader(library, *books), saver(library, *books) {}
    std::unique_ptr<Books> books = std::make_unique<Books>();
    BookLoader loader;
    BookSaver saver;
};

class FilesThroughPcscd : public ::testing::Test {
protected:
    FilesThroughPcscd()
        : binding_(QStringLiteral(NIMBREL_LIBRARY)), library_(binding_), trace_(ScriptedCard{}) {}

    bool Report(bool done) {
        if (!done) {
            for (const std::string& line : trace_.TakeLog()) {
                std::fprintf(stderr, "  %s\n", line.c_str());
            }
        }
        return done;
    }

    // The occupied records of a phone-book file, in record order.
    static std::vector<Bytes> Occupied(const CardInSlot& card,
                                       const std::vector<std::uint16_t>& path, int records,
                                       int length) {
        std::vector<Bytes> occupied;
        for (int record = 1; record <= records; ++record) {
            Bytes bytes = card.Record(path, record, length);
            if (!FromAdnBytes(bytes).free) {
                occupied.push_back(std::move(bytes));
            }
        }
        return occupied;
    }

    NimbrelBinding binding_;
    NimbrelCardLibrary library_;
    ScriptedCardLibrary trace_;
    RecordingView load_{trace_};
    RecordingSaveView save_{trace_};
    ScriptedPrompt prompt_{trace_};
    PinRunner pins_;
};

TEST_F(FilesThroughPcscd, BackupOfOneCardRestoresOntoAnother) {
    const std::vector<std::uint16_t> adn = {0x7F10, 0x6F3A};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("phone.usv"));
    std::vector<Bytes> original;
    std::vector<BookRow> loadedRows;
    {
        CardInSlot card(Profile("demo_gsm_sim.json"));
        Window first(library_);
        ASSERT_TRUE(Report(testing::RunLoad(first.loader, BookKind::Phone, pins_, prompt_, load_)));
        const Book<PhoneEntry>& book = first.books->phone;
        original = Occupied(card, adn, book.values.cardRecordCount, kRecordLength);
        loadedRows = BuildRows(book);
        const std::vector<int> order =
            ExportSlots(book, BookCapacity(book.values, first.books->phoneBookTotal), {});
        ASSERT_EQ(order.size(), original.size());
        ASSERT_EQ(WriteFileReplacing(path, WriteUsv(book.store, order)), FileResult::Ok);
    }
    ASSERT_GT(original.size(), 50u);

    // The second card: the same kind of SIM with an empty, wider phone book.
    CardInSlot card(EditedProfile("book_gsm_sim.json", [](nlohmann::json& profile) {
        for (auto& child : profile["mf"]["children"]) {
            if (child["id"] == "7F10") {
                for (auto& file : child["children"]) {
                    if (file["id"] == "6F3A") {
                        file["records"] = nlohmann::json::array();
                        file["recordLength"] = kWideRecordLength;
                    }
                }
            }
        }
    }));
    Window second(library_);
    ASSERT_TRUE(Report(testing::RunLoad(second.loader, BookKind::Phone, pins_, prompt_, load_)));
    Book<PhoneEntry>& book = second.books->phone;
    ASSERT_TRUE(BuildRows(book).empty());

    QByteArray data;
    ASSERT_EQ(ReadWholeFile(path, data), FileResult::Ok);
    const PhoneFileEntries read = ReadPhoneUsv(data);
    EXPECT_EQ(read.invalid, 0);
    const ImportPlacement placement =
        PlaceEntries<PhoneEntry>(book, read.entries, 0, BookCapacity(book.values, 0));
    EXPECT_EQ(placement.stop, ImportStop::None);
    ASSERT_EQ(placement.placed.size(), original.size());
    // The imported store shows what the first card's Load showed, packed
    // into the first records.
    const std::vector<BookRow> imported = BuildRows(book);
    ASSERT_EQ(imported.size(), loadedRows.size());
    for (std::size_t i = 0; i < imported.size(); ++i) {
        EXPECT_EQ(imported[i].slot, static_cast<int>(i));
        EXPECT_EQ(imported[i].cells.mid(1), loadedRows[i].cells.mid(1)) << i;
        EXPECT_TRUE(imported[i].changed);
    }

    trace_.TakeLog();
    ASSERT_TRUE(Report(testing::RunSave(second.saver, BookKind::Phone, pins_, prompt_, save_)));
    EXPECT_FALSE(book.values.changed);
    EXPECT_TRUE(save_.failed.none());
    const std::vector<Bytes> restored = Occupied(card, adn, 250, kWideRecordLength);
    ASSERT_EQ(restored.size(), original.size());
    constexpr int kNameBytes = kRecordLength - 14;
    for (std::size_t i = 0; i < original.size(); ++i) {
        const Bytes& from = original[i];
        const Bytes& to = restored[i];
        // Packed into the first records, in the first card's order.
        EXPECT_EQ(to, card.Record(adn, static_cast<int>(i) + 1, kWideRecordLength)) << i;
        // The number part byte for byte; the name byte for byte where the
        // first card did not use the compact form, padded out to the wider field.
        EXPECT_TRUE(std::equal(from.end() - 14, from.end(), to.end() - 14)) << i;
        if (from[0] != 0x81 && from[0] != 0x82) {
            EXPECT_TRUE(std::equal(from.begin(), from.begin() + kNameBytes, to.begin())) << i;
            EXPECT_TRUE(std::all_of(to.begin() + kNameBytes, to.end() - 14, [](std::uint8_t b) {
                return b == 0xFF;
            })) << i;
        }
    }
    // And a Load of the second card shows what the first card showed.
    ASSERT_TRUE(Report(testing::RunLoad(second.loader, BookKind::Phone, pins_, prompt_, load_)));
    const std::vector<BookRow> reloaded = BuildRows(second.books->phone);
    ASSERT_EQ(reloaded.size(), loadedRows.size());
    for (std::size_t i = 0; i < reloaded.size(); ++i) {
        EXPECT_EQ(reloaded[i].cells.mid(1), loadedRows[i].cells.mid(1)) << i;
    }
}

// A USIM book of two files is backed up whole: the second file's entries
// sit in slots after the first file's records.
TEST_F(FilesThroughPcscd, UsimBackupTakesEveryPhoneBookFile) {
    CardInSlot card(Profile("book_usim_global.json"));
    Window window(library_);
    ASSERT_TRUE(Report(testing::RunLoad(window.loader, BookKind::Phone, pins_, prompt_, load_)));
    const Book<PhoneEntry>& book = window.books->phone;
    ASSERT_EQ(window.books->phoneBookTotal, 500);
    const std::vector<BookRow> rows = BuildRows(book);
    ASSERT_TRUE(
        std::any_of(rows.begin(), rows.end(), [](const BookRow& r) { return r.slot >= 250; }));
    const std::vector<int> order =
        ExportSlots(book, BookCapacity(book.values, window.books->phoneBookTotal), {});
    const PhoneFileEntries read = ReadPhoneUsv(WriteUsv(book.store, order));
    ASSERT_EQ(read.cells.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(read.cells[i], rows[i].cells.mid(1)) << i;
    }
}

} // namespace
} // namespace brisken
