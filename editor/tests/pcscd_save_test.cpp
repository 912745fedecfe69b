// Save through the real stack: Load, edit in the stores as the window does,
// Save, then the virtual card's file bytes record by record and a fresh
// Load of the same book.
#include "card_in_slot.h"
#include "core/card_information.h"
#include "core/card_load.h"
#include "core/card_save.h"
#include "core/catalogue.h"
#include "core/editing.h"
#include "core/language.h"
#include "load_test_support.h"
#include "pcscd_card_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>

namespace brisken {
namespace {

using testing::Bytes;
using testing::EditedProfile;
using testing::FromAdnBytes;
using testing::Profile;
using testing::RecordingSaveView;
using testing::RecordingView;
using testing::RuimProfile;
using testing::ScriptedCard;
using testing::ScriptedCardLibrary;
using testing::ScriptedPrompt;
using Log = std::vector<std::string>;

const std::vector<std::uint16_t> kGsmAdn = {0x7F10, 0x6F3A};

bool Has(const Log& log, const std::string& line) {
    return std::find(log.begin(), log.end(), line) != log.end();
}

class SaveThroughPcscd : public ::testing::Test {
protected:
    SaveThroughPcscd()
        : binding_(QStringLiteral(NIMBREL_LIBRARY)), library_(binding_), trace_(ScriptedCard{}) {}

    bool Load(BookKind kind) {
        return Report(testing::RunLoad(loader_, kind, pins_, prompt_, load_));
    }
    bool Save(BookKind kind) {
        return Report(testing::RunSave(saver_, kind, pins_, prompt_, save_));
    }
    bool Report(bool done) {
        if (!done) {
            for (const std::string& line : trace_.TakeLog()) {
                std::fprintf(stderr, "  %s\n", line.c_str());
            }
        }
        return done;
    }
    // New, then the fields typed, as the window does.
    int NewPhoneEntry(const QString& name, const QString& number) {
        Book<PhoneEntry>& book = books_->phone;
        const NewEntry added =
            AddPhoneEntry(book, {static_cast<int>(BuildRows(book).size()),
                                 BookCapacity(book.values, books_->phoneBookTotal), false});
        EXPECT_EQ(added.result, NewResult::Added);
        UpdatePhoneEntry(book, added.slot, PhoneField::Name, name);
        UpdatePhoneEntry(book, added.slot, PhoneField::Number, number);
        return added.slot;
    }
    // The rows a fresh Load shows, without the "No" column.
    std::vector<std::pair<int, QStringList>> Shown(const std::vector<BookRow>& rows) {
        std::vector<std::pair<int, QStringList>> shown;
        for (const BookRow& row : rows) {
            shown.emplace_back(row.slot, row.cells.mid(1));
        }
        return shown;
    }

    NimbrelBinding binding_;
    NimbrelCardLibrary library_;
    ScriptedCardLibrary trace_; // collects the trace lines and the views' messages
    RecordingView load_{trace_};
    RecordingSaveView save_{trace_};
    ScriptedPrompt prompt_{trace_};
    PinRunner pins_;
    std::unique_ptr<Books> books_ = std::make_unique<Books>();
    BookLoader loader_{library_, *books_};
    BookSaver saver_{library_, *books_};
};

TEST_F(SaveThroughPcscd, GsmPhoneBookEditsReachTheirRecordsAndNothingElse) {
    CardInSlot card(Profile("book_gsm_sim.json"));
    ASSERT_TRUE(Load(BookKind::Phone));
    const Bytes before = card.Card().Contents(kGsmAdn);
    Book<PhoneEntry>& book = books_->phone;
    const std::vector<BookRow> rows = BuildRows(book);
    ASSERT_GE(rows.size(), 3u);
    const int renamed = rows[0].slot;
    const int deleted = rows[1].slot;
    const int greek = rows[2].slot;
    ASSERT_TRUE(UpdatePhoneEntry(book, renamed, PhoneField::Name, QStringLiteral("Zed Smith")));
    ASSERT_TRUE(
        UpdatePhoneEntry(book, greek, PhoneField::Name, QString::fromUtf16(u"\u0396\u03C9\u03AE")));
    const int added = NewPhoneEntry(QStringLiteral("Neu"), QStringLiteral("+4930999"));
    // New before Delete: New would take the deleted entry's slot.
    DeleteEntry(book, deleted, 1, static_cast<int>(rows.size()));
    const auto edited = Shown(BuildRows(book));
    trace_.TakeLog();

    ASSERT_TRUE(Save(BookKind::Phone));
    const Log log = trace_.TakeLog();
    EXPECT_FALSE(std::any_of(log.begin(), log.end(),
                             [](const std::string& l) { return l.starts_with("message"); }));
    EXPECT_FALSE(book.values.changed);
    EXPECT_TRUE(save_.failed.none());
    for (int record = 1; record <= 250; ++record) {
        const int slot = record - 1;
        const Bytes bytes = card.Record(kGsmAdn, record, 28);
        if (slot == renamed) {
            EXPECT_EQ(FromAdnBytes(bytes).name, QStringLiteral("Zed Smith"));
        } else if (slot == deleted) {
            EXPECT_TRUE(FromAdnBytes(bytes).free);
            EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end() - 14,
                                    [](std::uint8_t b) { return b == 0xFF; }));
        } else if (slot == greek) {
            EXPECT_EQ(bytes[0], 0x80);
            EXPECT_EQ(FromAdnBytes(bytes).name, QString::fromUtf16(u"\u0396\u03C9\u03AE"));
        } else if (slot == added) {
            EXPECT_EQ(FromAdnBytes(bytes).name, QStringLiteral("Neu"));
        } else {
            EXPECT_EQ(bytes, Bytes(before.begin() + slot * 28, before.begin() + slot * 28 + 28))
                << "record " << record;
        }
    }

    ASSERT_TRUE(Load(BookKind::Phone));
    EXPECT_EQ(Shown(load_.rows), edited);
}

TEST_F(SaveThroughPcscd, UsimPhoneBookWritesTheFileOfEachSlot) {
    CardInSlot card(Profile("book_usim_global.json"));
    ASSERT_TRUE(Load(BookKind::Phone));
    Book<PhoneEntry>& book = books_->phone;
    // Slot 1 is the second record of the file read first (4F3B); slot 251
    // the second of 4F3A.
    ASSERT_TRUE(IsLiveSlot(book, 1));
    ASSERT_TRUE(IsLiveSlot(book, 251));
    ASSERT_TRUE(UpdatePhoneEntry(book, 1, PhoneField::Name, QStringLiteral("Second File")));
    ASSERT_TRUE(UpdatePhoneEntry(book, 251, PhoneField::Name, QStringLiteral("First File")));
    const auto edited = Shown(BuildRows(book));
    ASSERT_TRUE(Save(BookKind::Phone));
    EXPECT_EQ(FromAdnBytes(card.Record({0x7F10, 0x5F3A, 0x4F3B}, 2, 28)).name,
              QStringLiteral("Second File"));
    EXPECT_EQ(FromAdnBytes(card.Record({0x7F10, 0x5F3A, 0x4F3A}, 2, 28)).name,
              QStringLiteral("First File"));
    EXPECT_TRUE(Has(trace_.TakeLog(), "status 500 / " + std::to_string(edited.size()) + " / " +
                                          std::to_string(500 - edited.size())));
    ASSERT_TRUE(Load(BookKind::Phone));
    EXPECT_EQ(Shown(load_.rows), edited);
}

struct SmsCase {
    const char* name;
    std::string (*profile)();
    std::vector<std::uint16_t> path;
    int recordLength;
};

class SmsSave : public SaveThroughPcscd, public ::testing::WithParamInterface<SmsCase> {};

TEST_P(SmsSave, EditedDeletedAndNewMessagesReadBackAsSaved) {
    CardInSlot card(GetParam().profile());
    ASSERT_TRUE(Load(BookKind::Sms));
    Book<SmsEntry>& book = books_->sms;
    const std::vector<BookRow> rows = BuildRows(book);
    ASSERT_GE(rows.size(), 2u);
    const int edited = rows[0].slot;
    const int deleted = rows[1].slot;
    ASSERT_TRUE(UpdateSmsEntry(book, edited, SmsField::Message, QStringLiteral("Hello")));
    const NewEntry added =
        AddSmsEntry(book, {static_cast<int>(rows.size()), BookCapacity(book.values, 0), false});
    ASSERT_EQ(added.result, NewResult::Added);
    UpdateSmsEntry(book, added.slot, SmsField::Number, QStringLiteral("017012345"));
    UpdateSmsEntry(book, added.slot, SmsField::Message, QString::fromUtf16(u"Gr\u00FC\u00DFe"));
    DeleteEntry(book, deleted, 1, static_cast<int>(rows.size()));
    const std::vector<BookRow> expected = BuildRows(book);
    trace_.TakeLog();

    ASSERT_TRUE(Save(BookKind::Sms));
    EXPECT_FALSE(Has(trace_.TakeLog(), "message 182 1"));
    EXPECT_TRUE(save_.failed.none());
    EXPECT_FALSE(book.values.changed);
    EXPECT_EQ(card.Record(GetParam().path, deleted + 1, GetParam().recordLength)[0], 0x00);

    ASSERT_TRUE(Load(BookKind::Sms));
    ASSERT_EQ(load_.rows.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const BookRow& row = load_.rows[i];
        EXPECT_EQ(row.slot, expected[i].slot);
        EXPECT_EQ(row.cells[2], expected[i].cells[2]) << row.slot; // number
        EXPECT_EQ(row.cells[4], expected[i].cells[4]) << row.slot; // message
        if (row.slot == edited || row.slot == added.slot) {
            EXPECT_EQ(row.cells[1], Text(kMsgSmsToBeSent));
            EXPECT_EQ(books_->sms.store[static_cast<std::size_t>(row.slot)].smsStatus, 7);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Families, SmsSave,
    ::testing::Values(
        SmsCase{"GsmSim", [] { return Profile("book_gsm_sim.json"); }, {0x7F10, 0x6F3C}, 176},
        SmsCase{"Usim", [] { return Profile("book_usim_global.json"); }, {0x7FFF, 0x6F3C}, 176},
        SmsCase{"Ruim", RuimProfile, {0x7F25, 0x6F3C}, 255}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SaveThroughPcscd, PinEnabledCardVerifiesBeforeWriting) {
    CardInSlot card(EditedProfile(
        "book_gsm_sim.json", [](nlohmann::json& profile) { profile["chv1"]["enabled"] = true; }));
    prompt_.codes = {u"1234"};
    ASSERT_TRUE(Load(BookKind::Phone));
    // Asked again: the code verified for the Load is not kept for this test.
    pins_.Forget();
    const int slot = BuildRows(books_->phone).front().slot;
    ASSERT_TRUE(UpdatePhoneEntry(books_->phone, slot, PhoneField::Name, QStringLiteral("Pinned")));
    trace_.TakeLog();
    prompt_.codes = {u"1234"};
    ASSERT_TRUE(Save(BookKind::Phone));
    EXPECT_TRUE(Has(trace_.TakeLog(), "ask PIN 3"));
    EXPECT_EQ(FromAdnBytes(card.Record(kGsmAdn, slot + 1, 28)).name, QStringLiteral("Pinned"));
}

TEST_F(SaveThroughPcscd, CardRemovedMidSaveReportsTheUnwrittenAndLosesNoEdit) {
    auto card = std::make_unique<CardInSlot>(Profile("book_gsm_sim.json"));
    ASSERT_TRUE(Load(BookKind::Phone));
    std::vector<int> newSlots;
    for (int i = 0; i < 200; ++i) {
        newSlots.push_back(
            NewPhoneEntry(QStringLiteral("New %1").arg(i), QStringLiteral("555%1").arg(i)));
    }
    trace_.TakeLog();
    ASSERT_TRUE(saver_.Start(BookKind::Phone, pins_, prompt_, save_));
    while (!saver_.Tick(save_) && (save_.percents.empty() || save_.percents.back() < 10)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    card->Remove();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (saver_.Running() && std::chrono::steady_clock::now() < deadline) {
        saver_.Tick(save_);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_FALSE(saver_.Running());
    const Log log = trace_.TakeLog();
    const auto reported = std::find_if(
        log.begin(), log.end(), [](const std::string& l) { return l.starts_with("message 182 "); });
    ASSERT_NE(reported, log.end());
    const int unwritten = std::stoi(reported->substr(12));
    EXPECT_GT(unwritten, 0);
    EXPECT_EQ(static_cast<int>(save_.failed.count()), unwritten);
    EXPECT_TRUE(Has(log, "end write"));
    // Every edit is still in the store, marked to be written.
    const Book<PhoneEntry>& book = books_->phone;
    EXPECT_TRUE(book.values.changed);
    for (std::size_t i = 0; i < newSlots.size(); ++i) {
        const PhoneEntry& entry = book.store[static_cast<std::size_t>(newSlots[i])];
        EXPECT_EQ(entry.state, ENTRY_OCCUPIED | ENTRY_CHANGED);
        EXPECT_EQ(EntryName(entry), QStringLiteral("New %1").arg(i));
    }
    // The next card takes the Save.
    card = std::make_unique<CardInSlot>(Profile("book_gsm_sim.json"));
    ASSERT_TRUE(Save(BookKind::Phone));
    EXPECT_FALSE(books_->phone.values.changed);
}

} // namespace
} // namespace brisken

namespace brisken {
namespace {

using testing::RecordingInfoView;

class InfoThroughPcscd : public ::testing::Test {
protected:
    InfoThroughPcscd()
        : binding_(QStringLiteral(NIMBREL_LIBRARY)), library_(binding_), trace_(ScriptedCard{}) {}
    bool Run() {
        if (!info_.Start(view_)) {
            return false;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!info_.Tick(view_)) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }
    NimbrelBinding binding_;
    NimbrelCardLibrary library_;
    ScriptedCardLibrary trace_;
    RecordingInfoView view_{trace_};
    CardInformation info_{library_};
};

// The sizes a profile gives its files: record files by their records,
// transparent ones by their content; and the SELECT answers a SIM-form walk
// reads for each (15 bytes per file, 22 per directory below the MF).
struct ProfileSizes {
    int files = 0;
    int answers = 0;
    std::map<std::string, int> byId;
};

void AddSizes(const nlohmann::json& directory, ProfileSizes& sizes) {
    for (const auto& child : directory.value("children", nlohmann::json::array())) {
        if (child.value("type", "") != "EF") {
            sizes.answers += 22;
            AddSizes(child, sizes);
            continue;
        }
        int size = 0;
        if (child.contains("recordLength")) {
            size = child["recordLength"].get<int>() * child["recordCount"].get<int>();
        } else {
            const std::string content = child.value("content", "");
            size = static_cast<int>((content.size() + 1) / 3);
        }
        sizes.files += size;
        sizes.answers += 15;
        sizes.byId[child.value("id", "")] += size;
    }
}

ProfileSizes SizesOf(const char* name) {
    std::ifstream in(Profile(name));
    ProfileSizes sizes;
    AddSizes(nlohmann::json::parse(in)["mf"], sizes);
    return sizes;
}

TEST_F(InfoThroughPcscd, GsmSimSizesAreThoseOfItsProfile) {
    SetUserDefaultLanguageIdForTesting(1033);
    const ProfileSizes sizes = SizesOf("book_gsm_sim.json");
    CardInSlot card(Profile("book_gsm_sim.json"));
    ASSERT_TRUE(Run());
    EXPECT_EQ(view_.shown, CardSizesText(static_cast<std::uint32_t>(sizes.files + sizes.answers),
                                         sizes.byId.at("6F3A"), sizes.byId.at("6F3C")));
    EXPECT_TRUE(Has(trace_.TakeLog(), "card type GSM SIM"));
    SetUserDefaultLanguageIdForTesting(0);
}

TEST_F(InfoThroughPcscd, UsimPhoneBookSizeCoversBothFiles) {
    SetUserDefaultLanguageIdForTesting(1033);
    const ProfileSizes sizes = SizesOf("book_usim_global.json");
    CardInSlot card(Profile("book_usim_global.json"));
    ASSERT_TRUE(Run());
    const QStringList lines = view_.shown.split(QStringLiteral("\n\n"));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[1], QStringLiteral("Phone book size : %1 Bytes (%2 KB)")
                            .arg(sizes.byId.at("4F3A") + sizes.byId.at("4F3B"))
                            .arg((sizes.byId.at("4F3A") + sizes.byId.at("4F3B")) / 1024));
    EXPECT_EQ(lines[2], QStringLiteral("SMS size : %1 Bytes (%2 KB)")
                            .arg(sizes.byId.at("6F3C"))
                            .arg(sizes.byId.at("6F3C") / 1024));
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Total size : ")));
    EXPECT_TRUE(Has(trace_.TakeLog(), "card type USIM"));
    SetUserDefaultLanguageIdForTesting(0);
}

} // namespace
} // namespace brisken
