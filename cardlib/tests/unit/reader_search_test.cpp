// Reader search, connection and disconnection through the fake service.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "fake_pcsc_fixture.h"

using fake_pcsc::Call;
using fake_pcsc::Reader;

namespace {

struct SearchCase {
    const char* title;
    std::vector<Reader> readers;
    QuarnResult expected;
    std::string connected; // reader Quarn_Connect must open, when expected is 0
};

// Test names and logs show the case by its name.
void PrintTo(const SearchCase& c, std::ostream* os) {
    *os << c.title;
}

Reader R(std::string name, bool card = true) {
    return {std::move(name), card, 1, nullptr};
}

class ReaderSearch : public FakePcscTest, public testing::WithParamInterface<SearchCase> {};

TEST_P(ReaderSearch, FindsTheFirstKnownReaderHoldingACard) {
    const SearchCase& c = GetParam();
    fake_pcsc::SetReaders(c.readers);
    EXPECT_EQ(Quarn_IsCardExist(), c.expected);
    QuarnConnection handle = 0;
    EXPECT_EQ(Quarn_Connect(&handle), c.expected);
    if (c.expected == QUARN_OK) {
        EXPECT_EQ(fake_pcsc::LastConnectedReader(), c.connected);
        EXPECT_NE(handle, 0u);
        EXPECT_EQ(fake_pcsc::OpenContexts(), 1); // the session's own context only
    } else {
        EXPECT_EQ(fake_pcsc::OpenContexts(), 0);
    }
}

std::vector<Reader> ManyLongReaders() {
    // Far more than 2 KiB of names before the one that matches.
    std::vector<Reader> readers;
    for (int i = 0; i < 40; ++i)
        readers.push_back(R("Vendor reader with a rather long product name, model " +
                                std::string(50, 'x') + " " + std::to_string(i) + " 00 00",
                            true));
    readers.push_back(R("Generic MultiCard reader 1.0 28 00"));
    return readers;
}

const SearchCase kSearchCases[] = {
    {"MultiCard11",
     {R("Generic MultiCard reader 1.1 00 00")},
     QUARN_OK,
     "Generic MultiCard reader 1.1 00 00"},
    {"EachKnownName2",
     {R("Generic  Smart Card Reader Interface 00 00")},
     QUARN_OK,
     "Generic  Smart Card Reader Interface 00 00"},
    {"EachKnownName3",
     {R("Generic Smart Card Reader Interface 03 01")},
     QUARN_OK,
     "Generic Smart Card Reader Interface 03 01"},
    {"EachKnownName4",
     {R("GenericSmart Card Reader Interface 0A 0f")},
     QUARN_OK,
     "GenericSmart Card Reader Interface 0A 0f"},
    {"WithoutCardIsSkipped",
     {R("Generic MultiCard reader 1.0 00 00", false), R("Generic MultiCard reader 1.0 00 01")},
     QUARN_OK,
     "Generic MultiCard reader 1.0 00 01"},
    {"FirstInListOrderWins",
     {R("Acme Card Terminal 00 00"), R("Generic Smart Card Reader Interface 01 00"),
      R("Generic MultiCard reader 1.0 02 00")},
     QUARN_OK,
     "Generic Smart Card Reader Interface 01 00"},
    {"OnlyReaderHasNoCard", {R("Generic MultiCard reader 1.1 00 00", false)}, QUARN_E_NO_CARD, ""},
    {"UnknownReader", {R("Acme Card Terminal 00 00")}, QUARN_E_NO_CARD, ""},
    {"NameIsCaseSensitive", {R("generic multicard reader 1.0 00 00")}, QUARN_E_NO_CARD, ""},
    {"OnlyTheSuffixIsCut", {R("Generic MultiCard reader 1.0X 00 00")}, QUARN_E_NO_CARD, ""},
    {"TwoCharacterCutWouldBeWrong", {R("Generic MultiCard reader 1.0 0")}, QUARN_E_NO_CARD, ""},
    {"NameWithoutSuffixComparedWhole",
     {R("Generic MultiCard reader 1.0")},
     QUARN_OK,
     "Generic MultiCard reader 1.0"},
    {"VeryShortName",
     {R("G"), R("Generic MultiCard reader 1.0 00 00")},
     QUARN_OK,
     "Generic MultiCard reader 1.0 00 00"},
    {"ListLongerThan2048Bytes", ManyLongReaders(), QUARN_OK, "Generic MultiCard reader 1.0 28 00"},
    {"EmptyListIsNoReader", {}, QUARN_E_NO_READER, ""},
};

INSTANTIATE_TEST_SUITE_P(Readers, ReaderSearch, testing::ValuesIn(kSearchCases),
                         [](const auto& info) { return std::string(info.param.title); });

TEST(ReaderNames, CutsExactlyThePcscLiteSuffix) {
    EXPECT_EQ(nimbrel::BaseReaderName("Generic MultiCard reader 1.0 00 01"),
              "Generic MultiCard reader 1.0");
    EXPECT_EQ(nimbrel::BaseReaderName(" 00 00"), "");
    EXPECT_EQ(nimbrel::BaseReaderName("Reader 0G 00"), "Reader 0G 00");
    EXPECT_EQ(nimbrel::BaseReaderName("Reader 00-00"), "Reader 00-00");
    EXPECT_EQ(nimbrel::BaseReaderName(""), "");
}

struct FailingCall {
    const char* title;
    Call call;
    std::uint32_t code; // a PC/SC code: 32 bits, whatever the width of long
};

// Test names and logs show the case by its name.
void PrintTo(const FailingCall& c, std::ostream* os) {
    *os << c.title;
}

class ServiceFailure : public FakePcscTest, public testing::WithParamInterface<FailingCall> {};

TEST_P(ServiceFailure, PassesThePcscCodeAndLeavesNoContextOpen) {
    fake_pcsc::SetReaders({R("Generic MultiCard reader 1.0 00 00")});
    fake_pcsc::FailCall(GetParam().call, GetParam().code);
    QuarnConnection handle = 0;
    EXPECT_EQ(Quarn_Connect(&handle), static_cast<QuarnResult>(GetParam().code));
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(fake_pcsc::OpenContexts(), 0);
    EXPECT_EQ(fake_pcsc::OpenCards(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, ServiceFailure,
    testing::Values(FailingCall{"EstablishContext", Call::EstablishContext, 0x8010001D},
                    FailingCall{"ListReaders", Call::ListReaders, 0x80100017},
                    FailingCall{"GetStatusChange", Call::GetStatusChange, 0x80100009},
                    FailingCall{"Connect", Call::Connect, 0x8010000B}),
    [](const auto& info) { return std::string(info.param.title); });

class AssignedReader : public FakePcscTest {
protected:
    void SetUp() override {
        FakePcscTest::SetUp();
        fake_pcsc::SetReaders({R("Acme Card Terminal 00 00"), R(std::string(60, 'L') + " 00 00"),
                               R(std::string(61, 'M') + " 00 00")});
    }
};

TEST_F(AssignedReader, UnknownReaderAcceptedOnceAssignedAndStaysAssigned) {
    EXPECT_EQ(Quarn_IsCardExist(), QUARN_E_NO_CARD);
    QuarnConnection first = 0;
    ASSERT_EQ(Quarn_ConnectAssignReader(&first, "Acme Card Terminal"), QUARN_OK);
    EXPECT_EQ(fake_pcsc::LastConnectedReader(), "Acme Card Terminal 00 00");
    // Later searches keep accepting it.
    EXPECT_EQ(Quarn_IsCardExist(), QUARN_OK);
    QuarnConnection second = 0;
    EXPECT_EQ(Quarn_Connect(&second), QUARN_OK);
    EXPECT_NE(first, second);
}

TEST_F(AssignedReader, SixtyCharactersAcceptedSixtyOneRejectedLeavingThePreviousName) {
    QuarnConnection handle = 0;
    ASSERT_EQ(Quarn_ConnectAssignReader(&handle, std::string(60, 'L').c_str()), QUARN_OK);
    EXPECT_EQ(fake_pcsc::LastConnectedReader(), std::string(60, 'L') + " 00 00");

    int searches = fake_pcsc::CallCount(Call::ListReaders);
    EXPECT_EQ(Quarn_ConnectAssignReader(&handle, std::string(61, 'M').c_str()),
              QUARN_E_OUT_OF_RANGE);
    EXPECT_EQ(fake_pcsc::CallCount(Call::ListReaders), searches); // rejected before searching

    ASSERT_EQ(Quarn_Connect(&handle), QUARN_OK);
    EXPECT_EQ(fake_pcsc::LastConnectedReader(), std::string(60, 'L') + " 00 00");
}

TEST_F(AssignedReader, NullNameAndNullHandleOut) {
    QuarnConnection handle = 0;
    EXPECT_EQ(Quarn_ConnectAssignReader(&handle, nullptr), QUARN_E_NULL_READER_NAME);
    EXPECT_EQ(Quarn_ConnectAssignReader(nullptr, "Acme Card Terminal"), 0x80100004u);
    EXPECT_EQ(Quarn_Connect(nullptr), 0x80100004u);
    EXPECT_EQ(fake_pcsc::CallCount(Call::EstablishContext), 0);
}

TEST_F(AssignedReader, EmptyAssignedNameMatchesNothing) {
    fake_pcsc::SetReaders({R(" 00 00")});
    QuarnConnection handle = 0;
    EXPECT_EQ(Quarn_ConnectAssignReader(&handle, ""), QUARN_E_NO_CARD);
}

class Disconnect : public FakePcscTest {};

TEST_F(Disconnect, ReleasesEverythingAndForgetsTheHandle) {
    OneScriptedReader();
    QuarnConnection handle = Open();
    EXPECT_EQ(fake_pcsc::OpenCards(), 1);
    EXPECT_EQ(Quarn_DisConnect(handle), QUARN_OK);
    EXPECT_EQ(fake_pcsc::OpenCards(), 0);
    EXPECT_EQ(fake_pcsc::OpenContexts(), 0);
    EXPECT_EQ(Quarn_DisConnect(handle), 0x80100003u);
}

TEST_F(Disconnect, FailedCardDisconnectIsReportedButTheContextIsStillReleased) {
    OneScriptedReader();
    QuarnConnection handle = Open();
    fake_pcsc::FailCall(Call::Disconnect, 0x80100017);
    EXPECT_EQ(Quarn_DisConnect(handle), 0x80100017u);
    EXPECT_EQ(fake_pcsc::OpenContexts(), 0);
    EXPECT_EQ(nimbrel::FindConnection(handle), nullptr);
}

TEST_F(Disconnect, ResettingTheModuleClosesEveryLiveConnection) {
    OneScriptedReader();
    Open();
    Open();
    nimbrel::SetMode(nimbrel::CommandMode::Uicc);
    nimbrel::ResetModuleState();
    EXPECT_EQ(fake_pcsc::OpenCards(), 0);
    EXPECT_EQ(fake_pcsc::OpenContexts(), 0);
    EXPECT_EQ(nimbrel::CurrentMode(), nimbrel::CommandMode::Sim);
    // Handles start over as in a freshly loaded library.
    EXPECT_EQ(Open(), 1u);
}

TEST_F(Disconnect, HandlesAreNeverReused) {
    OneScriptedReader();
    QuarnConnection first = Open();
    ASSERT_EQ(Quarn_DisConnect(first), QUARN_OK);
    QuarnConnection second = Open();
    EXPECT_NE(first, second);
    EXPECT_EQ(Quarn_DisConnect(first), 0x80100003u);
    EXPECT_NE(nimbrel::FindConnection(second), nullptr);
}

TEST_F(Disconnect, TableHasFixedRoom) {
    OneScriptedReader();
    std::vector<QuarnConnection> handles;
    for (std::size_t i = 0; i < nimbrel::kMaxConnections; ++i)
        handles.push_back(Open());
    QuarnConnection extra = 0;
    EXPECT_EQ(Quarn_Connect(&extra), 0x80100006u);
    EXPECT_EQ(fake_pcsc::OpenContexts(), static_cast<int>(nimbrel::kMaxConnections));
    ASSERT_EQ(Quarn_DisConnect(handles.back()), QUARN_OK);
    EXPECT_EQ(Quarn_Connect(&extra), QUARN_OK);
}

} // namespace
