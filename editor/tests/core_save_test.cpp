// Save and card information against a card in the test process: the write
// calls with the records they carry, the window effects, what the stores
// keep when a write fails.
#include "core/card_information.h"
#include "core/card_save.h"
#include "core/catalogue.h"
#include "core/language.h"
#include "load_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace brisken {
namespace {

using testing::PhoneItem;
using testing::RecordingInfoView;
using testing::RecordingSaveView;
using testing::ScriptedCard;
using testing::ScriptedCardLibrary;
using testing::ScriptedPrompt;
using Log = std::vector<std::string>;

Log Writes(const Log& log) {
    Log writes;
    std::copy_if(log.begin(), log.end(), std::back_inserter(writes), [](const std::string& l) {
        return l.starts_with("Write") && !l.starts_with("WritePhoneData");
    });
    return writes;
}

Log From(const Log& log, const std::string& first) {
    return Log(std::find(log.begin(), log.end(), first), log.end());
}

template <std::size_t N> void Put(char (&field)[N], const char* text) {
    testing::CopyText(field, text);
}

template <std::size_t N> void Put(char16_t (&field)[N], const std::u16string& text) {
    std::fill(std::begin(field), std::end(field), u'\0');
    std::copy_n(text.begin(), std::min(text.size(), N - 1), field);
}

PhoneEntry Phone(const char* narrow, const std::u16string& wide, const char* number,
                 std::uint8_t state) {
    PhoneEntry entry{};
    Put(entry.narrowName, narrow);
    Put(entry.wideName, wide);
    Put(entry.number, number);
    entry.state = state;
    return entry;
}

SmsEntry Sms(std::uint8_t status, const char* number, const char* stamp, const char* narrow,
             const std::u16string& wide, std::uint8_t state) {
    SmsEntry entry{};
    entry.smsStatus = status;
    Put(entry.number, number);
    Put(entry.timeStamp, stamp);
    Put(entry.narrowText, narrow);
    Put(entry.wideText, wide);
    entry.state = state;
    return entry;
}

constexpr std::uint8_t kChanged = ENTRY_OCCUPIED | ENTRY_CHANGED;
constexpr std::uint8_t kDeleted = ENTRY_OCCUPIED | ENTRY_DELETED;

struct SaveFixture : ::testing::Test {
    void Make(ScriptedCard card) {
        saver.reset();
        prompt.reset();
        view.reset();
        library.reset();
        testing::CopyText(card.info.iccid, "8901");
        library = std::make_unique<ScriptedCardLibrary>(std::move(card));
        view = std::make_unique<RecordingSaveView>(*library);
        prompt = std::make_unique<ScriptedPrompt>(*library);
        saver = std::make_unique<BookSaver>(*library, *books);
    }
    // A card whose phone book has `records` records, and a book loaded from it.
    void MakePhoneBook(int records, ScriptedCard card = {}) {
        card.adnFiles = {std::vector<_PHONEBOOK_ITEM>(static_cast<std::size_t>(records))};
        Make(std::move(card));
        books->phone.values.notLoaded = false;
        books->phone.values.changed = true;
    }
    bool Save(BookKind kind) { return testing::RunSave(*saver, kind, pins, *prompt, *view); }

    std::unique_ptr<Books> books = std::make_unique<Books>();
    std::unique_ptr<ScriptedCardLibrary> library;
    std::unique_ptr<RecordingSaveView> view;
    std::unique_ptr<ScriptedPrompt> prompt;
    PinRunner pins;
    std::unique_ptr<BookSaver> saver;
};

TEST_F(SaveFixture, GsmPhoneBookWritesChangedEntriesAndClearsDeletedOnes) {
    MakePhoneBook(8);
    auto& store = books->phone.store;
    store[0] = Phone("Kept", u"", "1", ENTRY_OCCUPIED);
    store[1] = Phone("Bob", u"Bob", "112", kChanged);
    store[2] = Phone("M?ller", u"M\u00FCller", "+4930", kChanged);
    store[3] = Phone("Zo\xEB", u"", "+3312", kChanged); // 8-bit from the card, number edited
    store[4] = Phone("", u"Ann", "5", kChanged);        // UCS2 on the card, plain letters
    store[5] = Phone("Gone", u"", "9", kDeleted);
    store[6] = Phone("New", u"New", "7", ENTRY_OCCUPIED | ENTRY_CHANGED | ENTRY_DELETED);
    ASSERT_TRUE(Save(BookKind::Phone));
    const Log log = library->TakeLog();
    EXPECT_EQ(Log(log.begin(), log.begin() + 8),
              Log({"Connect", "GetUSIMCardInfo", "DisConnect", "Connect", "GetSIMCardInfo",
                   "IsCDMA_RUIM", "OpenPhoneBook", "begin write"}));
    const Log expectedWrites = {
        "WritePhoneBook 2 name=Bob number=112",
        "WritePhoneBook 3 name= number=+4930 ucs2=004D 00FC 006C 006C 0065 0072 length=12",
        "WritePhoneBook 4 name=Zo\xEB number=+3312",
        "WritePhoneBook 5 name=Ann number=5",
        "WritePhoneBook 6 name= number=",
        "WritePhoneBook 7 name= number="};
    EXPECT_EQ(Writes(log), expectedWrites);
    EXPECT_EQ(From(log, "WritePhoneData 1"),
              Log({"WritePhoneData 1", "stop timer", "DisConnect", "rows drawn, 0 failed",
                   "status 8 / 5 / 3", "end write"}));
    EXPECT_EQ(saver->Outcome().written, 4);
    EXPECT_FALSE(books->phone.values.changed);
    EXPECT_EQ(view->percents.back(), 100);
    EXPECT_EQ(library->OpenConnections(), 0);

    // Entries keep their states, so the next Save writes the same again.
    EXPECT_EQ(store[1].state, kChanged);
    EXPECT_EQ(store[5].state, kDeleted);
    ASSERT_TRUE(Save(BookKind::Phone));
    EXPECT_EQ(Writes(library->TakeLog()), expectedWrites);
}

TEST_F(SaveFixture, BookNeverLoadedIsRefusedWithoutTouchingTheCard) {
    const std::pair<BookKind, const char*> cases[] = {{BookKind::Phone, "message 142"},
                                                      {BookKind::LastDialled, "message 178"},
                                                      {BookKind::Sms, "message 143"}};
    for (const auto& [kind, message] : cases) {
        Make(ScriptedCard{});
        books->phone.store[0] = Phone("A", u"A", "1", kChanged);
        books->sms.store[0] = Sms(7, "1", "", "x", u"x", kChanged);
        EXPECT_FALSE(Save(kind));
        EXPECT_EQ(library->TakeLog(), Log({message}));
    }
}

TEST_F(SaveFixture, FailuresBeforeTheWorkerCloseTheSession) {
    ScriptedCard noCard;
    noCard.connectFailures = 5;
    noCard.fallbackConnects = false;
    MakePhoneBook(3, noCard);
    EXPECT_FALSE(Save(BookKind::Phone));
    // A single attempt, not Load's second one.
    EXPECT_EQ(library->TakeLog(),
              Log({"Connect", "ConnectAssignReader Generic  SmartCard Reader", "message 118"}));

    ScriptedCard openFails;
    openFails.openFails = true;
    MakePhoneBook(3, openFails);
    books->phone.store[0] = Phone("A", u"A", "1", kChanged);
    EXPECT_FALSE(Save(BookKind::Phone));
    const Log log = library->TakeLog();
    EXPECT_EQ(Log(log.end() - 3, log.end()), Log({"OpenPhoneBook", "message 120", "DisConnect"}));
    EXPECT_EQ(library->OpenConnections(), 0);
    EXPECT_TRUE(books->phone.values.changed);

    ScriptedCard pinCard;
    pinCard.info.pinEnabled = 1;
    MakePhoneBook(3, pinCard);
    prompt->codes = {std::nullopt};
    EXPECT_FALSE(Save(BookKind::Phone));
    EXPECT_EQ(library->TakeLog().back(), "DisConnect");
    prompt->codes = {u"1234"};
    ASSERT_TRUE(Save(BookKind::Phone));
    const Log verified = library->TakeLog();
    EXPECT_LT(std::find(verified.begin(), verified.end(), "VerifySIMCHV 1234"),
              std::find(verified.begin(), verified.end(), "OpenPhoneBook"));
}

TEST_F(SaveFixture, FailedWritesAreCountedAndKeepTheirChanges) {
    ScriptedCard card;
    card.failingWrites = {2, 4};
    MakePhoneBook(5, card);
    for (int slot = 0; slot < 5; ++slot) {
        books->phone.store[static_cast<std::size_t>(slot)] = Phone("A", u"A", "1", kChanged);
    }
    books->phone.store[3].state = kDeleted; // its clear fails too
    ASSERT_TRUE(Save(BookKind::Phone));
    const Log log = library->TakeLog();
    EXPECT_EQ(Writes(log).size(), 5u); // the write goes on past a refused record
    EXPECT_EQ(From(log, "rows drawn, 2 failed"),
              Log({"rows drawn, 2 failed", "status 5 / 4 / 1", "end write", "message 182 2"}));
    EXPECT_TRUE(view->failed.test(1));
    EXPECT_TRUE(view->failed.test(3));
    EXPECT_EQ(saver->Outcome().written, 3);
    EXPECT_TRUE(books->phone.values.changed);
    EXPECT_EQ(books->phone.store[1].state, kChanged);
}

TEST_F(SaveFixture, CardRemovedMidSaveStopsWritingAndLosesNothing) {
    ScriptedCard card;
    card.writesBeforeRemoval = 1;
    MakePhoneBook(6, card);
    for (int slot : {0, 2, 4, 5}) {
        books->phone.store[static_cast<std::size_t>(slot)] = Phone("A", u"A", "1", kChanged);
    }
    ASSERT_TRUE(Save(BookKind::Phone));
    const Log log = library->TakeLog();
    // The first write after the removal tells; nothing is tried after it.
    EXPECT_EQ(Writes(log).size(), 2u);
    EXPECT_EQ(log.back(), "message 182 3");
    EXPECT_EQ(library->OpenConnections(), 0);
    EXPECT_FALSE(saver->Running());
    EXPECT_TRUE(books->phone.values.changed);
    EXPECT_EQ(view->failed.count(), 3u);
    EXPECT_FALSE(view->failed.test(0));
}

TEST_F(SaveFixture, UsimFilesInTheReadsOrderAndSlots) {
    ScriptedCard card;
    card.usim = true;
    card.fileIds = {0x4F3A, 0x4F3B, 0x4F3C};
    card.adnFiles = {std::vector<_PHONEBOOK_ITEM>(4), std::vector<_PHONEBOOK_ITEM>(3),
                     std::vector<_PHONEBOOK_ITEM>(2)};
    card.failingSelects = {0x4F3B};
    Make(card);
    books->phone.values.notLoaded = false;
    auto& store = books->phone.store;
    store[1] = Phone("C2", u"C2", "1", kChanged); // third file, record 2
    store[3] = Phone("B2", u"B2", "1", kChanged); // second file: not selectable
    store[5] = Phone("A1", u"A1", "1", kChanged); // first file, record 1
    store[8] = Phone("A4", u"A4", "1", kDeleted); // first file, record 4
    books->phone.unreadable.set(6);
    store[6] = Phone("A2", u"A2", "1", kChanged); // never seen on the card
    ASSERT_TRUE(Save(BookKind::Phone));
    const Log log = library->TakeLog();
    Log calls;
    std::copy_if(log.begin(), log.end(), std::back_inserter(calls), [](const std::string& l) {
        return (l.starts_with("Write") && !l.starts_with("WritePhoneData")) ||
               l.starts_with("Select");
    });
    EXPECT_EQ(calls, Log({"SelectADN 4F3C", "WritePhoneBook 2 name=C2 number=1", "SelectADN 4F3B",
                          "SelectADN 4F3A", "WritePhoneBook 1 name=A1 number=1",
                          "WritePhoneBook 4 name= number="}));
    EXPECT_EQ(log.back(), "message 182 2");
    EXPECT_NE(std::find(log.begin(), log.end(), "status 9 / 4 / 5"), log.end());
    EXPECT_EQ(books->phoneBookTotal, 9);
}

TEST_F(SaveFixture, SmsBooksOfEachFamily) {
    const std::tuple<bool, bool, const char*> families[] = {{false, false, "WriteSMSBook"},
                                                            {true, false, "WriteSMSBook"},
                                                            {false, true, "WriteCDMASMSBook"}};
    for (const auto& [usim, cdma, write] : families) {
        ScriptedCard card;
        card.usim = usim;
        card.cdma = cdma;
        card.sms.resize(5);
        card.cdmaSms.resize(5);
        Make(card);
        books->sms.values.notLoaded = false;
        auto& store = books->sms.store;
        store[0] = Sms(1, "+491701", "2401311542", "Hello", u"Hello", kChanged);
        store[1] = Sms(5, "112", "", "even", u"", kChanged);
        store[2] = Sms(3, "5", "", "", u"\u0416\u0443\u043A", kChanged);
        store[3] = Sms(1, "6", "24", "gone", u"", kDeleted);
        store[4] = Sms(1, "7", "24", "kept", u"", ENTRY_OCCUPIED);
        ASSERT_TRUE(Save(BookKind::Sms));
        const Log log = library->TakeLog();
        const std::string w = write;
        EXPECT_EQ(Writes(log),
                  Log({w + " 1 status=7 address=+491701 stamp=2401311542 text='Hello '",
                       w + " 2 status=7 address=112 stamp= text='even'",
                       w + " 3 status=7 address=5 stamp= text='' ucs2=0416 0443 043A",
                       w + " 4 status=0 address= stamp= text=''"}))
            << w;
        const char* open = cdma ? "OpenCDMASMSBook" : usim ? "OpenUSIMSMSBook" : "OpenSMSBook";
        EXPECT_NE(std::find(log.begin(), log.end(), open), log.end());
        EXPECT_NE(std::find(log.begin(), log.end(), "status 5 / 4 / 1"), log.end());
        // The status held in memory stays as it was.
        EXPECT_EQ(store[0].smsStatus, 1);
    }
}

TEST_F(SaveFixture, LastDialledAppendsEachChangedEntryOnce) {
    ScriptedCard card;
    card.lastDialled.resize(5);
    card.failingWrites = {2}; // the second append
    Make(card);
    books->lastDialled.values.notLoaded = false;
    auto& store = books->lastDialled.store;
    store[0] = Phone("", u"", "5551", ENTRY_OCCUPIED);
    store[1] = Phone("", u"", "5552", kChanged);
    store[3] = Phone("", u"", "5553", kDeleted);
    store[700] = Phone("", u"", "5554", kChanged);
    store[900] = Phone("", u"", "5555", kChanged);
    ASSERT_TRUE(Save(BookKind::LastDialled));
    Log log = library->TakeLog();
    EXPECT_EQ(Writes(log), Log({"WriteLastNumDialledBook name= number=5552",
                                "WriteLastNumDialledBook name= number=5554",
                                "WriteLastNumDialledBook name= number=5555"}));
    EXPECT_EQ(store[1].state, ENTRY_OCCUPIED);
    EXPECT_EQ(store[700].state, kChanged);
    EXPECT_EQ(store[900].state, ENTRY_OCCUPIED);
    EXPECT_EQ(log.back(), "message 182 1");
    ASSERT_TRUE(Save(BookKind::LastDialled));
    EXPECT_EQ(Writes(library->TakeLog()), Log({"WriteLastNumDialledBook name= number=5554"}));
    EXPECT_FALSE(books->lastDialled.values.changed);
}

TEST(WriteItems, TextsThatDoNotFitAreRefusedNotCut) {
    PhoneEntry name = Phone("", std::u16string(121, u'\u4F60'), "1", kChanged);
    _PHONEBOOK_ITEM phoneItem;
    EXPECT_FALSE(PhoneItemFor(name, phoneItem));
    Put(name.wideName, std::u16string(120, u'\u4F60'));
    EXPECT_TRUE(PhoneItemFor(name, phoneItem));
    EXPECT_EQ(phoneItem.nameLength, 240);

    _SMS_ITEM smsItem;
    const std::string odd(161, 'a');
    SmsEntry text = Sms(7, "1", "", odd.c_str(), u"", kChanged);
    EXPECT_FALSE(SmsItemFor(text, smsItem)); // no room for the blank
    Put(text.narrowText, odd.substr(0, 159).c_str());
    EXPECT_TRUE(SmsItemFor(text, smsItem));
    EXPECT_EQ(std::strlen(smsItem.text), 160u);
    SmsEntry wide = Sms(7, "1", "", "", std::u16string(81, u'\u00E9'), kChanged);
    EXPECT_FALSE(SmsItemFor(wide, smsItem));
}

// A record image: `head` and then `fill` up to `length` bytes.
std::vector<std::uint8_t> Image(std::vector<std::uint8_t> head, std::size_t length,
                                std::uint8_t fill = 0xFF) {
    head.resize(length, fill);
    return head;
}

// Load keeps each message's record as the card held it; a write sends that
// image back unchanged only for slots marked for it, and never across card
// families.
TEST(SmsRecordImages, KeptByTheReadAndWrittenBackOnlyWhereMarked) {
    for (const bool cdma : {false, true}) {
        const std::size_t length = cdma ? 255 : 176;
        ScriptedCard card;
        card.cdma = cdma;
        card.smsRecordLength = static_cast<int>(length);
        const std::vector<std::uint8_t> received = Image({0x03, 0x07, 0x91, 0x21, 0x43}, length);
        const std::vector<std::uint8_t> sent = Image({0x05, 0x00, 0x01, 0x2A}, length);
        const auto item = [&](std::uint8_t status, const std::vector<std::uint8_t>& image) {
            auto make = [&](auto sample) {
                sample = testing::SmsItem<decltype(sample)>(status, "12345", "2401311542", "Hi");
                std::copy(image.begin(), image.end(), sample.record);
                return sample;
            };
            card.sms.push_back(make(_SMS_ITEM{}));
            card.cdmaSms.push_back(make(_CDMA_SMS_ITEM{}));
        };
        item(0x03, received);
        item(0x05, sent);
        item(0x00, Image({0x00}, length));
        ScriptedCardLibrary library(card);
        auto books = std::make_unique<Books>();
        books->Reset();
        ReadRequest request;
        request.kind = BookKind::Sms;
        request.cdma = cdma;
        request.file.recordLength = static_cast<int>(length);
        request.file.recordCount = 3;
        ReadProgress progress;
        ASSERT_EQ(ReadPhoneData(library, request, *books, progress).occupied, 2);
        const SmsRecordImages& images = books->smsImages;
        EXPECT_EQ(images.cdma, cdma);
        EXPECT_EQ(images.images[0], received);
        EXPECT_EQ(images.images[1], sent);
        EXPECT_TRUE(images.images[2].empty()); // a free record is no message
        EXPECT_TRUE(images.writeAsRead.none());

        books->sms.store[0].state = kChanged;
        books->sms.store[1].state = kChanged;
        books->smsImages.writeAsRead.set(0);
        library.TakeLog();
        ReadProgress writing;
        const WriteOutcome outcome = WritePhoneData(library, request, *books, writing);
        EXPECT_EQ(outcome.written, 2);
        const std::string w = cdma ? "WriteCDMASMSBook" : "WriteSMSBook";
        // The marked slot goes out as its record, the other as the entry.
        EXPECT_EQ(Writes(library.TakeLog()),
                  Log({w + " 1 status=255 address= stamp= text='' record=0307912143",
                       w + " 2 status=7 address=12345 stamp=2401311542 text='Hi'"}))
            << w;

        books->smsImages.cdma = !cdma;
        ReadProgress again;
        const WriteOutcome refused = WritePhoneData(library, request, *books, again);
        EXPECT_EQ(refused.notWritten, 1);
        EXPECT_TRUE(refused.failed.test(0));
        EXPECT_EQ(Writes(library.TakeLog()).size(), 1u) << w;
    }
}

TEST(SmsRecordImages, FitIntoRecordsOfAnotherLength) {
    const std::vector<std::uint8_t> gsm = Image({0x01, 0x00, 0x04, 0x05}, 176);
    EXPECT_EQ(FitSmsImage(gsm, false, 176), gsm);
    // Shorter records take the message when only padding is cut; longer ones
    // are padded.
    EXPECT_EQ(FitSmsImage(gsm, false, 4), Image({0x01, 0x00, 0x04, 0x05}, 4));
    EXPECT_EQ(FitSmsImage(gsm, false, 3), std::nullopt);
    EXPECT_EQ(FitSmsImage(Image({0x01, 0x00}, 2), false, 176), Image({0x01, 0x00}, 176));
    // An R-UIM record's message ends at 2 + its length byte; the library's
    // own records pad it with zeros.
    const std::vector<std::uint8_t> ruim = Image({0x01, 0x03, 0x00, 0x00, 0x02}, 255, 0x00);
    EXPECT_EQ(FitSmsImage(ruim, true, 5), Image({0x01, 0x03, 0x00, 0x00, 0x02}, 5));
    EXPECT_EQ(FitSmsImage(ruim, true, 4), std::nullopt);
    // Lengths the library cannot write, and nothing to write.
    EXPECT_EQ(FitSmsImage(gsm, false, 0), std::nullopt);
    EXPECT_EQ(FitSmsImage(gsm, false, 177), std::nullopt);
    EXPECT_NE(FitSmsImage(ruim, true, 255), std::nullopt);
    EXPECT_EQ(FitSmsImage(ruim, true, 256), std::nullopt);
    EXPECT_EQ(FitSmsImage({}, false, 176), std::nullopt);
}

struct InfoFixture : ::testing::Test {
    void SetUp() override { SetUserDefaultLanguageIdForTesting(1033); }
    void TearDown() override { SetUserDefaultLanguageIdForTesting(0); }
    void Make(ScriptedCard card) {
        info.reset();
        view.reset();
        library.reset();
        library = std::make_unique<ScriptedCardLibrary>(std::move(card));
        view = std::make_unique<RecordingInfoView>(*library);
        info = std::make_unique<CardInformation>(*library);
    }
    bool Run() {
        if (!info->Start(*view)) {
            return false;
        }
        while (!info->Tick(*view)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    std::unique_ptr<ScriptedCardLibrary> library;
    std::unique_ptr<RecordingInfoView> view;
    std::unique_ptr<CardInformation> info;
};

TEST_F(InfoFixture, ShowsTheThreeSizesOfTheCardInformation) {
    ScriptedCard card;
    card.usim = true;
    card.fileMapSize = 20480;
    card.info.phoneBookSize = 7000;
    card.info.smsSize = 1023;
    Make(card);
    ASSERT_TRUE(Run());
    EXPECT_EQ(view->shown, "Total size : 20480 Bytes (20 KB)\n\n"
                           "Phone book size : 7000 Bytes (6 KB)\n\n"
                           "SMS size : 1023 Bytes (0 KB)");
    const Log log = library->TakeLog();
    EXPECT_EQ(Log(log.begin(), log.begin() + 6),
              Log({"OnButtonSiminfo 0", "Connect", "OnButtonSiminfo 1", "GetUSIMCardInfo",
                   "card type USIM", "OnButtonSiminfo 2"}));
    EXPECT_EQ(From(log, "stop timer"),
              Log({"stop timer", "DisConnect", "end measure, New enabled"}));
    EXPECT_EQ(view->pauses.front(), 500);
    EXPECT_EQ(view->percents.back(), 100);
    EXPECT_EQ(library->OpenConnections(), 0);
}

TEST_F(InfoFixture, FailingWalkShows119AndBarStopsAt99) {
    ScriptedCard card;
    card.fileMapResult = QUARN_E_BAD_ANSWER;
    card.fileMapDelayMs = 200;
    Make(card);
    ASSERT_TRUE(info->Start(*view));
    // More ticks than the bar has steps while the walk goes on.
    for (int tick = 0; tick < 120 && !info->Tick(*view); ++tick) {
    }
    ASSERT_TRUE(info->Running());
    EXPECT_EQ(view->percents.back(), 99);
    EXPECT_EQ(*std::max_element(view->percents.begin(), view->percents.end()), 99);
    while (!info->Tick(*view)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // The step-up to full before the answer.
    EXPECT_EQ(view->percents.back(), 100);
    const Log log = library->TakeLog();
    EXPECT_EQ(From(log, "stop timer"),
              Log({"stop timer", "message 119", "DisConnect", "end measure"}));
    EXPECT_TRUE(view->shown.isEmpty());
    EXPECT_EQ(library->OpenConnections(), 0);
}

} // namespace
} // namespace brisken
