// Load against a card in the test process: the library calls, trace lines
// and window effects in order, and what lands in the stores.
#include "core/card_load.h"
#include "load_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace brisken {
namespace {

using testing::PhoneItem;
using testing::RecordingView;
using testing::ScriptedCard;
using testing::ScriptedCardLibrary;
using testing::ScriptedPrompt;
using testing::SmsItem;
using testing::WideItem;
using Log = std::vector<std::string>;

// The timer's per-tick line comes as often as the scheduler pleases, and the
// window thread's last marker races the worker's first: both are checked
// and then set aside, so the rest can be compared exactly.
Log Settled(Log log) {
    std::erase(log, std::string("OnTimer 0"));
    const auto six = std::find(log.begin(), log.end(), "OnButtonReadsim 6");
    const auto seven = std::find(log.begin(), log.end(), "OnButtonReadsim 7");
    if (six != log.end()) {
        EXPECT_NE(seven, log.end());
        EXPECT_LT(six, seven);
        log.erase(seven);
    }
    return log;
}

Log Concat(std::initializer_list<Log> parts) {
    Log all;
    for (const Log& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

_CARD_INFO Info(const char* iccid, bool pinEnabled = false) {
    _CARD_INFO info{};
    info.pinEnabled = pinEnabled ? 1 : 0;
    info.pinRetries = 3;
    info.pukRetries = 10;
    testing::CopyText(info.iccid, iccid);
    return info;
}

const Log kSimIdentify = {"OnButtonReadsim 0", "Connect",           "GetUSIMCardInfo",
                          "DisConnect",        "Connect",           "GetSIMCardInfo",
                          "IsCDMA_RUIM",       "card type GSM SIM", "OnButtonReadsim 3",
                          "OnButtonReadsim 4", "identity 8901"};
const Log kStartRead = {"OnButtonReadsim 5", "begin read", "OnButtonReadsim 6"};

Log Completion(const std::string& rows, const std::string& status) {
    return {"stop timer",       "DisConnect", "OnTimer 1", "rows " + rows,
            "status " + status, "OnTimer 2",  "end read",  "OnTimer 3"};
}

struct LoadFixture : ::testing::Test {
    void Make(ScriptedCard card) {
        loader.reset();
        prompt.reset();
        view.reset();
        library.reset(); // one library collects the trace at a time
        library = std::make_unique<ScriptedCardLibrary>(std::move(card));
        view = std::make_unique<RecordingView>(*library);
        prompt = std::make_unique<ScriptedPrompt>(*library);
        loader = std::make_unique<BookLoader>(*library, *books);
    }
    bool Load(BookKind kind) { return testing::RunLoad(*loader, kind, pins, *prompt, *view); }

    std::unique_ptr<Books> books = std::make_unique<Books>();
    std::unique_ptr<ScriptedCardLibrary> library;
    std::unique_ptr<RecordingView> view;
    std::unique_ptr<ScriptedPrompt> prompt;
    PinRunner pins;
    std::unique_ptr<BookLoader> loader;
};

TEST_F(LoadFixture, GsmSimPhoneBookInOrderWithFreeRecordsLeftZero) {
    ScriptedCard card;
    card.info = Info("8901");
    card.adnFiles = {
        {PhoneItem("Alice", "+4930123"), PhoneItem("  ", " "), PhoneItem("Bob", "112")}};
    Make(card);
    ASSERT_TRUE(Load(BookKind::Phone));
    EXPECT_EQ(Settled(library->TakeLog()),
              Concat({kSimIdentify,
                      {"OpenPhoneBook"},
                      kStartRead,
                      {"ReadPhoneData 0", "ReadPhoneBook 1", "(0)Name=Alice", "ReadPhoneBook 2",
                       "ReadPhoneBook 3", "(1)Name=Bob", "ReadPhoneData 1"},
                      Completion("2", "3 / 2 / 1")}));
    EXPECT_STREQ(books->phone.store[0].narrowName, "Alice");
    EXPECT_STREQ(books->phone.store[0].number, "+4930123");
    EXPECT_EQ(books->phone.store[0].state, ENTRY_OCCUPIED);
    EXPECT_EQ(books->phone.store[1].state, 0);
    EXPECT_EQ(books->phone.store[1].narrowName[0], 0);
    EXPECT_EQ(books->phone.store[2].state, ENTRY_OCCUPIED);
    ASSERT_EQ(view->rows.size(), 2u);
    EXPECT_EQ(view->rows[1].cells, QStringList({"2", "Bob", "112"}));
    EXPECT_EQ(view->rows[1].slot, 2);
    EXPECT_EQ(view->selectedRow, 0);
    EXPECT_EQ(books->phone.values.nextRowNumber, 3);
    EXPECT_EQ(books->phone.values.cardRecordCount, 3);
    EXPECT_FALSE(books->phone.values.notLoaded);
    EXPECT_EQ(view->percents.back(), 100);
    EXPECT_EQ(library->OpenConnections(), 0);
}

TEST_F(LoadFixture, ConnectFallsBackToTheNamedReader) {
    ScriptedCard card;
    card.usim = true;
    card.connectFailures = 1;
    card.info = Info("8901");
    card.fileIds = {0x4F3A};
    card.adnFiles = {{}};
    Make(card);
    ASSERT_TRUE(Load(BookKind::Phone));
    const Log log = Settled(library->TakeLog());
    EXPECT_EQ(Log(log.begin(), log.begin() + 5),
              Log({"OnButtonReadsim 0", "Connect", "ConnectAssignReader Generic  SmartCard Reader",
                   "GetUSIMCardInfo", "card type USIM"}));
}

// Each failure before the worker: its message, the session closed, the
// stores as they were.
struct FailureCase {
    const char* name;
    BookKind kind;
    void (*arrange)(ScriptedCard&);
    Log expected;
};

class LoadFailure : public LoadFixture, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(LoadFailure, EndsWithItsMessageAndNothingOpen) {
    ScriptedCard card;
    card.info = Info("8901");
    GetParam().arrange(card);
    Make(card);
    books->phone.store[7].state = ENTRY_OCCUPIED;
    books->sms.store[7].state = ENTRY_OCCUPIED;
    EXPECT_FALSE(Load(GetParam().kind));
    EXPECT_EQ(library->TakeLog(), GetParam().expected);
    EXPECT_EQ(library->OpenConnections(), 0);
    EXPECT_EQ(books->phone.store[7].state, ENTRY_OCCUPIED);
    EXPECT_EQ(books->sms.store[7].state, ENTRY_OCCUPIED);
    EXPECT_TRUE(books->phone.values.notLoaded);
}

const Log kConnectTwice = {
    "OnButtonReadsim 0",   "Connect", "ConnectAssignReader Generic  SmartCard Reader",
    "OnButtonReadsim 0.1", "Connect", "ConnectAssignReader Generic  SmartCard Reader",
    "message 118"};
const Log kSimOpened = {"OnButtonReadsim 0", "Connect",           "GetUSIMCardInfo",
                        "DisConnect",        "Connect",           "GetSIMCardInfo",
                        "IsCDMA_RUIM",       "card type GSM SIM", "OnButtonReadsim 3",
                        "OnButtonReadsim 4", "identity 8901"};

INSTANTIATE_TEST_SUITE_P(
    Steps, LoadFailure,
    ::testing::Values(
        FailureCase{"NoConnection", BookKind::Phone,
                    [](ScriptedCard& c) { c.connectFailures = 2, c.fallbackConnects = false; },
                    kConnectTwice},
        FailureCase{"ReconnectAfterUsimQuery",
                    BookKind::Phone,
                    [](ScriptedCard& c) { c.connectsAllowed = 1; },
                    {"OnButtonReadsim 0", "Connect", "GetUSIMCardInfo", "DisConnect", "Connect",
                     "ConnectAssignReader Generic  SmartCard Reader", "message 118"}},
        FailureCase{"SimInfo",
                    BookKind::Sms,
                    [](ScriptedCard& c) { c.simInfoFails = true; },
                    {"OnButtonReadsim 0", "Connect", "GetUSIMCardInfo", "DisConnect", "Connect",
                     "GetSIMCardInfo", "DisConnect", "message 119"}},
        FailureCase{"OpenPhoneBook", BookKind::Phone, [](ScriptedCard& c) { c.openFails = true; },
                    Concat({kSimOpened, {"OpenPhoneBook", "message 120", "DisConnect"}})},
        FailureCase{"OpenSmsBook", BookKind::Sms, [](ScriptedCard& c) { c.openFails = true; },
                    Concat({kSimOpened, {"OpenSMSBook", "message 121", "DisConnect"}})},
        FailureCase{"OpenLastDialled", BookKind::LastDialled,
                    [](ScriptedCard& c) { c.openFails = true; },
                    Concat({kSimOpened, {"OpenLastNumDialledBook", "message 177", "DisConnect"}})},
        FailureCase{"PinCancelled",
                    BookKind::Phone,
                    [](ScriptedCard& c) { c.info.pinEnabled = 1; },
                    {"OnButtonReadsim 0", "Connect", "GetUSIMCardInfo", "DisConnect", "Connect",
                     "GetSIMCardInfo", "IsCDMA_RUIM", "card type GSM SIM", "OnButtonReadsim 3",
                     "ask PIN 3", "DisConnect"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoadFixture, UsimFilesFromTheLastWithSlotsFollowingOn) {
    ScriptedCard card;
    card.usim = true;
    card.info = Info("8901");
    card.fileIds = {0x4F3A, 0x4F3B};
    card.adnFiles.assign(2, {});
    for (int r = 0; r < 250; ++r) {
        card.adnFiles[0].push_back(PhoneItem(("A" + std::to_string(r)).c_str(), "1"));
        card.adnFiles[1].push_back(PhoneItem(("B" + std::to_string(r)).c_str(), "2"));
    }
    Make(card);
    ASSERT_TRUE(Load(BookKind::Phone));
    Log log = Settled(library->TakeLog());
    const auto second = std::find(log.begin(), log.end(), "SelectADN 4F3B");
    const auto first = std::find(log.begin(), log.end(), "SelectADN 4F3A");
    ASSERT_NE(second, log.end());
    EXPECT_LT(second, first);
    EXPECT_STREQ(books->phone.store[0].narrowName, "B0");
    EXPECT_STREQ(books->phone.store[249].narrowName, "B249");
    EXPECT_STREQ(books->phone.store[250].narrowName, "A0");
    EXPECT_STREQ(books->phone.store[499].narrowName, "A249");
    EXPECT_EQ(books->phone.store[500].state, 0);
    EXPECT_EQ(books->phoneBookTotal, 500);
    // New is bounded by both files, not by the one read last.
    EXPECT_EQ(books->phone.values.cardRecordCount, 500);
    EXPECT_NE(std::find(log.begin(), log.end(), "status 500 / 500 / 0"), log.end());
    EXPECT_EQ(view->rows[499].cells.front(), "500");
}

TEST_F(LoadFixture, UnreadableRecordsAreReportedAndKeptFromNew) {
    ScriptedCard card;
    card.usim = true;
    card.info = Info("8901");
    card.fileIds = {0x4F3A, 0x4F3B};
    card.adnFiles = {{PhoneItem("A", "1"), PhoneItem("", "")}, {PhoneItem("", ""), {}}};
    card.failingReads = {{0, 2}};
    card.failingSelects = {0x4F3B};
    Make(card);
    ASSERT_TRUE(Load(BookKind::Phone));
    const Log log = library->TakeLog();
    // The unselectable file is not read at all: its records would be another file's.
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& l) { return l.starts_with("ReadPhoneBook"); }),
              2);
    EXPECT_EQ(log.back(), "message 183 3");
    EXPECT_TRUE(books->phone.unreadable.test(0));
    EXPECT_TRUE(books->phone.unreadable.test(1));
    EXPECT_STREQ(books->phone.store[2].narrowName, "A");
    EXPECT_TRUE(books->phone.unreadable.test(3));
    EXPECT_EQ(FirstFreeSlot(books->phone), 4);
    EXPECT_EQ(FirstFreeSlot(books->phone.store), 0);
}

TEST_F(LoadFixture, RecordContentsAsStored) {
    ScriptedCard card;
    card.info = Info("8901");
    _PHONEBOOK_ITEM longNumber = PhoneItem("Long", "123456789012345678901");
    _PHONEBOOK_ITEM badLength = PhoneItem("Short", "9");
    badLength.nameLength = 100000; // the name's own terminator still bounds it
    card.adnFiles = {{longNumber, WideItem(u"\u4F60\u597D", ""), badLength, WideItem(u"  ", " ")}};
    Make(card);
    ASSERT_TRUE(Load(BookKind::Phone));
    EXPECT_STREQ(books->phone.store[0].number, "12345678901234567890");
    // A contact with only a UCS2 name is an entry, not a free record.
    EXPECT_EQ(books->phone.store[1].state, ENTRY_OCCUPIED);
    EXPECT_EQ(books->phone.store[1].wideName[0], u'\u4F60');
    EXPECT_EQ(books->phone.store[1].wideName[2], 0);
    EXPECT_EQ(view->rows[1].cells[1], QString::fromUtf16(u"\u4F60\u597D"));
    EXPECT_STREQ(books->phone.store[2].narrowName, "Short");
    EXPECT_EQ(books->phone.store[3].state, 0);
}

TEST_F(LoadFixture, SmsBooksOfEachFamily) {
    for (const bool cdma : {false, true}) {
        ScriptedCard card;
        card.cdma = cdma;
        card.info = Info("8901");
        card.sms = {SmsItem<_SMS_ITEM>(1, "+491701", "2401311542", "Hello "),
                    SmsItem<_SMS_ITEM>(0, "+49", "", "gone"),
                    SmsItem<_SMS_ITEM>(5, "112", "", "two  ")};
        card.cdmaSms = {SmsItem<_CDMA_SMS_ITEM>(3, "5550100", "240131154259", "cdma text")};
        Make(card);
        ASSERT_TRUE(Load(BookKind::Sms));
        const Log log = library->TakeLog();
        const char* open = cdma ? "OpenCDMASMSBook" : "OpenSMSBook";
        EXPECT_NE(std::find(log.begin(), log.end(), open), log.end());
        if (cdma) {
            EXPECT_STREQ(books->sms.store[0].narrowText, "cdma text");
            EXPECT_EQ(view->rows[0].cells,
                      QStringList({"1", "To be read", "5550100", "2024/01/31 15:42", "cdma text"}));
            continue;
        }
        EXPECT_STREQ(books->sms.store[0].narrowText, "Hello");
        EXPECT_EQ(books->sms.store[1].state, 0);
        EXPECT_STREQ(books->sms.store[2].narrowText, "two ");
        EXPECT_EQ(view->rows[1].cells, QStringList({"2", "Send", "112", "", "two "}));
        EXPECT_NE(std::find(log.begin(), log.end(), "status 3 / 2 / 1"), log.end());
        EXPECT_EQ(books->sms.values.nextRowNumber, 3);
    }
}

TEST_F(LoadFixture, UsimSmsAndLastDialled) {
    ScriptedCard card;
    card.usim = true;
    card.info = Info("8901");
    card.sms = {SmsItem<_SMS_ITEM>(7, "1", "", "x")};
    card.lastDialled = {PhoneItem("", "5551234"), PhoneItem("", "")};
    Make(card);
    ASSERT_TRUE(Load(BookKind::Sms));
    Log log = library->TakeLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "OpenUSIMSMSBook"), log.end());
    ASSERT_TRUE(Load(BookKind::LastDialled));
    log = library->TakeLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "status 2 / 1 / 1"), log.end());
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& l) { return l.starts_with("(0)Name"); }),
              0);
    EXPECT_EQ(books->lastDialled.values.nextRowNumber, 0);
    EXPECT_STREQ(books->lastDialled.store[0].number, "5551234");
}

TEST_F(LoadFixture, ZeroRecordBookCompletesEmpty) {
    ScriptedCard card;
    card.usim = true;
    card.info = Info("8901");
    card.fileIds = {};
    Make(card);
    books->phone.store[3].state = ENTRY_OCCUPIED;
    ASSERT_TRUE(Load(BookKind::Phone));
    const Log log = library->TakeLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "status 0 / 0 / 0"), log.end());
    EXPECT_EQ(books->phone.store[3].state, 0);
    EXPECT_EQ(view->selectedRow, -1);
    EXPECT_EQ(view->percents.back(), 100);
}

TEST_F(LoadFixture, PinEnabledCardVerifiesBeforeReading) {
    ScriptedCard card;
    card.info = Info("8901", true);
    card.adnFiles = {{PhoneItem("A", "1")}};
    Make(card);
    prompt->codes = {u"1234"};
    ASSERT_TRUE(Load(BookKind::Phone));
    Log log = library->TakeLog();
    const auto verify = std::find(log.begin(), log.end(), "VerifySIMCHV 1234");
    ASSERT_NE(verify, log.end());
    EXPECT_LT(verify, std::find(log.begin(), log.end(), "OnButtonReadsim 4"));
    // The second Load on the same card asks nothing.
    ASSERT_TRUE(Load(BookKind::Phone));
    log = library->TakeLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), "ask PIN 3"), 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "VerifySIMCHV 1234"), 1);
}

TEST_F(LoadFixture, LoaderGoingAwayStopsItsWorker) {
    ScriptedCard card;
    card.info = Info("8901");
    card.readDelayMs = 2;
    card.adnFiles = {std::vector<_PHONEBOOK_ITEM>(500, PhoneItem("x", "1"))};
    Make(card);
    ASSERT_TRUE(loader->Start(BookKind::Phone, pins, *prompt, *view));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    loader.reset(); // as when the window goes
    const Log log = library->TakeLog();
    const auto reads = std::count_if(log.begin(), log.end(), [](const std::string& l) {
        return l.starts_with("ReadPhoneBook");
    });
    EXPECT_GT(reads, 0);
    EXPECT_LT(reads, 500);
    // The session closes only once the worker is done with it.
    EXPECT_EQ(Log(log.end() - 2, log.end()), Log({"ReadPhoneData 1", "DisConnect"}));
    EXPECT_EQ(library->OpenConnections(), 0);
}

TEST(ReadPercent, FollowsRecordsAndFinish) {
    EXPECT_EQ(ReadPercent(0, 250, false), 0);
    EXPECT_EQ(ReadPercent(125, 250, false), 50);
    EXPECT_EQ(ReadPercent(249, 250, false), 99);
    EXPECT_EQ(ReadPercent(250, 250, true), 100);
    EXPECT_EQ(ReadPercent(300, 250, false), 100);
    EXPECT_EQ(ReadPercent(0, 0, false), 0);
    EXPECT_EQ(ReadPercent(0, 0, true), 100);
    // Two USIM files of different sizes: the sum, not count x last size.
    ReadRequest usim;
    usim.usim = true;
    usim.usimBook.fileCount = 2;
    usim.usimBook.files[0].recordCount = 100;
    usim.usimBook.files[1].recordCount = 250;
    EXPECT_EQ(ExpectedRecords(usim), 350);
    usim.usimBook.fileCount = 99; // beyond the record's room
    usim.usimBook.files[2].recordCount = -5;
    EXPECT_EQ(ExpectedRecords(usim), 350);
    usim.usimBook.files[3].recordCount = 5000; // beyond the store's room
    EXPECT_EQ(ExpectedRecords(usim), kStoreSlots);
}

} // namespace
} // namespace brisken
