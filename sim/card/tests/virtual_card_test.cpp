// The virtual card against GSM 11.11 and TS 102 221 behaviour, the profile
// loader and the vpcd link.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>
#include <vector>

#include "card_test_util.h"
#include "profile.h"
#include "virtual_card.h"
#include "vpcd_link.h"

using simcard::Bytes;
using simcard::VirtualCard;

namespace {

using namespace simcard::testing_util;

std::string Hex(const Bytes& bytes) {
    return simcard::FormatHex(bytes);
}

class GsmSim : public testing::Test {
protected:
    VirtualCard card{Load("gsm_sim.json")};
};

TEST_F(GsmSim, SelectAnswers9FxxAndGetResponseGivesTheGsmForm) {
    EXPECT_EQ(Send(card, "A0 A4 00 00 02 3F 00"), "9F 16");
    Bytes mf = card.Process(simcard::ParseHex("A0 C0 00 00 16"));
    ASSERT_EQ(mf.size(), 22u + 2u);
    EXPECT_EQ(mf[4], 0x3F);
    EXPECT_EQ(mf[6], 0x01);  // MF
    EXPECT_EQ(mf[13], 0x13); // CHV1 enabled: bit 8 clear
    EXPECT_EQ(mf[18], 0x83); // initialised, 3 attempts
    EXPECT_EQ(mf[19], 0x8A); // unblock: 10 attempts

    EXPECT_EQ(Send(card, "A0 A4 00 00 02 7F 10"), "9F 16");
    EXPECT_EQ(Send(card, "A0 A4 00 00 02 6F 3A"), "9F 0F");
    EXPECT_EQ(Send(card, "A0 C0 00 00 0F"), "00 00 01 18 6F 3A 04 00 11 00 44 01 02 01 1C 90 00");
}

TEST_F(GsmSim, SelectionFollowsTheDirectoryRules) {
    EXPECT_EQ(Send(card, "A0 A4 00 00 02 6F 3A"), "94 04"); // EF of another DF
    EXPECT_EQ(Send(card, "A0 A4 00 00 02 7F 10"), "9F 16");
    EXPECT_EQ(Send(card, "A0 A4 00 00 02 7F 20"), "9F 16"); // sibling DF
    EXPECT_EQ(Send(card, "A0 A4 00 00 02 6F 07"), "9F 0F");
    EXPECT_EQ(Send(card, "A0 A4 00 00 02 3F 00"), "9F 16"); // MF from anywhere
    EXPECT_EQ(Send(card, "A0 A4 00 00 02 2F E2"), "9F 0F");
    EXPECT_EQ(Send(card, "A0 C0 00 00 0F"), "00 00 00 0A 2F E2 04 00 00 00 44 01 02 00 00 90 00");
}

TEST_F(GsmSim, RecordsOfALinearFile) {
    VerifyPin(card);
    Send(card, "A0 A4 00 00 02 7F 10");
    Send(card, "A0 A4 00 00 02 6F 3A");
    std::string first = Send(card, "A0 B2 01 04 1C");
    EXPECT_EQ(first.substr(0, 14), "41 6C 69 63 65");
    EXPECT_EQ(Sw(first), "90 00");
    EXPECT_EQ(Sw(Send(card, "A0 B2 00 02 1C")), "90 00");             // next: record 2
    EXPECT_EQ(Send(card, "A0 B2 00 04 1C").substr(0, 8), "42 6F 62"); // current
    EXPECT_EQ(Send(card, "A0 B2 0B 04 1C"), "94 02");
    EXPECT_EQ(Send(card, "A0 B2 01 04 1B"), "67 1C");
    EXPECT_EQ(Send(card, "A0 B0 00 00 01"), "94 08"); // binary read of a record file

    std::string record = "A0 DC 03 04 1C";
    for (int i = 0; i < 28; ++i)
        record += " 5A";
    EXPECT_EQ(Send(card, record), "90 00");
    EXPECT_EQ(card.Contents({0x7F10, 0x6F3A})[2 * 28], 0x5A);
    EXPECT_EQ(Send(card, "A0 DC 03 04 02 00 00"), "67 00");
}

TEST_F(GsmSim, CyclicFileTakesNewRecordsAtTheFront) {
    VerifyPin(card);
    Send(card, "A0 A4 00 00 02 7F 10");
    Send(card, "A0 A4 00 00 02 6F 44");
    auto update = [&](const std::string& fill) {
        std::string apdu = "A0 DC 00 03 1C";
        for (int i = 0; i < 28; ++i)
            apdu += " " + fill;
        return Send(card, apdu);
    };
    EXPECT_EQ(update("11"), "90 00");
    EXPECT_EQ(update("22"), "90 00");
    EXPECT_EQ(Send(card, "A0 B2 01 04 1C").substr(0, 2), "22");
    EXPECT_EQ(Send(card, "A0 B2 02 04 1C").substr(0, 2), "11");
    EXPECT_EQ(Send(card, "A0 B2 03 04 1C").substr(0, 2), "FF");
    EXPECT_EQ(Send(card, "A0 DC 01 04 01 00"), "6B 00"); // absolute write of a cyclic file
}

TEST_F(GsmSim, TransparentFileAndItsLimits) {
    Send(card, "A0 A4 00 00 02 2F E2");
    EXPECT_EQ(Send(card, "A0 B0 00 00 0A"), "98 94 00 10 32 54 76 98 10 F0 90 00");
    EXPECT_EQ(Send(card, "A0 B0 00 08 02"), "10 F0 90 00");
    EXPECT_EQ(Send(card, "A0 B0 00 08 03"), "67 02");
    EXPECT_EQ(Send(card, "A0 B0 00 0A 01"), "94 02");
    EXPECT_EQ(Send(card, "A0 B2 01 04 0A"), "94 08");
}

TEST_F(GsmSim, GetResponseOnlyRightAfterSelect) {
    EXPECT_EQ(Send(card, "A0 C0 00 00 16"), "6F 00");
    Send(card, "A0 A4 00 00 02 3F 00");
    EXPECT_EQ(Send(card, "A0 C0 00 00 17"), "67 16");
    Send(card, "A0 A4 00 00 02 3F 00");
    Send(card, "A0 F2 00 00 16");
    EXPECT_EQ(Send(card, "A0 C0 00 00 16"), "6F 00");
}

TEST_F(GsmSim, RejectsWhatItDoesNotSpeak) {
    EXPECT_EQ(Send(card, "00 A4 00 04 02 3F 00"), "6E 00");
    EXPECT_EQ(Send(card, "A0 12 00 00 00"), "6D 00");
    EXPECT_EQ(Send(card, "A0 A4 00 04 02 3F 00"), "6B 00");
    EXPECT_EQ(Send(card, "A0 A4"), "67 00");
    EXPECT_EQ(Send(card, "A0 A4 00 00 05 3F 00"), "67 00"); // Lc and data disagree
    EXPECT_EQ(Send(card, "A0 B2 01 04 1C"), "94 00");       // no EF selected
}

TEST_F(GsmSim, ResetKeepsMemoryAndForgetsTheSession) {
    VerifyPin(card);
    Send(card, "A0 A4 00 00 02 7F 10");
    Send(card, "A0 A4 00 00 02 6F 3A");
    std::string record = "A0 DC 01 04 1C";
    for (int i = 0; i < 28; ++i)
        record += " 33";
    ASSERT_EQ(Send(card, record), "90 00");
    card.Reset();
    EXPECT_EQ(Send(card, "A0 B2 01 04 1C"), "94 00");
    EXPECT_EQ(Send(card, "A0 A4 00 00 02 6F 3A"), "94 04"); // back at the MF
    EXPECT_EQ(card.Contents({0x7F10, 0x6F3A})[0], 0x33);
}

// Reads and updates of the protected files, in the order: ADN record, ADN
// update, LND record, SMS record, IMSI; then the ICCID, which stays open.
std::vector<std::string> GsmProtectedAnswers(VirtualCard& card) {
    std::vector<std::string> words;
    Send(card, "A0 A4 00 00 02 7F 10");
    Send(card, "A0 A4 00 00 02 6F 3A");
    words.push_back(Sw(Send(card, "A0 B2 01 04 1C")));
    words.push_back(Sw(Send(card, "A0 DC 01 04 1C" + Filled(28, "44"))));
    Send(card, "A0 A4 00 00 02 6F 44");
    words.push_back(Sw(Send(card, "A0 B2 01 04 1C")));
    Send(card, "A0 A4 00 00 02 6F 3C");
    words.push_back(Sw(Send(card, "A0 B2 01 04 B0")));
    Send(card, "A0 A4 00 00 02 7F 20");
    Send(card, "A0 A4 00 00 02 6F 07");
    words.push_back(Sw(Send(card, "A0 B0 00 00 09")));
    Send(card, "A0 A4 00 00 02 3F 00");
    Send(card, "A0 A4 00 00 02 2F E2");
    words.push_back(Sw(Send(card, "A0 B0 00 00 0A")));
    return words;
}

using Words = std::vector<std::string>;
const Words kGsmLocked = {"98 04", "98 04", "98 04", "98 04", "98 04", "90 00"};
const Words kGsmOpen = {"90 00", "90 00", "90 00", "90 00", "90 00", "90 00"};

TEST_F(GsmSim, PersonalFilesNeedTheVerifiedPinUntilTheNextReset) {
    EXPECT_EQ(GsmProtectedAnswers(card), kGsmLocked);
    EXPECT_EQ(card.Contents({0x7F10, 0x6F3A})[0], 0x41); // refused update wrote nothing

    EXPECT_EQ(Send(card, "A0 20 00 01 08 30 30 30 30 FF FF FF FF"), "98 04"); // wrong PIN
    EXPECT_EQ(GsmProtectedAnswers(card), kGsmLocked);

    EXPECT_EQ(VerifyPin(card), "90 00");
    EXPECT_EQ(GsmProtectedAnswers(card), kGsmOpen);

    card.Reset();
    EXPECT_EQ(GsmProtectedAnswers(card), kGsmLocked);
    // The vpcd power cycle is a reset as well.
    VerifyPin(card);
    simcard::Answer(card, {0x00});
    simcard::Answer(card, {0x01});
    EXPECT_EQ(GsmProtectedAnswers(card), kGsmLocked);
}

TEST(GsmSimAccess, DisabledPinOpensEverythingAndDisablingIsRemembered) {
    simcard::CardProfile profile = Load("gsm_sim.json");
    profile.chv1.enabled = false;
    VirtualCard open(profile);
    EXPECT_EQ(GsmProtectedAnswers(open), kGsmOpen);

    VirtualCard card(Load("gsm_sim.json"));
    EXPECT_EQ(Send(card, "A0 26 00 01 08 31 32 33 34 FF FF FF FF"), "90 00");
    card.Reset();
    EXPECT_EQ(GsmProtectedAnswers(card), kGsmOpen);
    EXPECT_EQ(Send(card, "A0 28 00 01 08 31 32 33 34 FF FF FF FF"), "90 00");
    card.Reset();
    EXPECT_EQ(GsmProtectedAnswers(card), kGsmLocked);
}

TEST(GsmSimAccess, ProfileSetsTheConditionPerFile) {
    nlohmann::json document = nlohmann::json::parse(R"({"atr":"3B 00","mf":{
        "id":"3F00","type":"MF","children":[{"id":"7F10","type":"DF","children":[
          {"id":"6F3A","type":"EF","structure":"linear","recordLength":2,"recordCount":1,
           "access":"ALW"},
          {"id":"6F99","type":"EF","content":"00","access":"CHV1"},
          {"id":"6F98","type":"EF","content":"00"}]}]}})");
    VirtualCard card(simcard::ParseProfile(document));
    Send(card, "A0 A4 00 00 02 7F 10");
    Send(card, "A0 A4 00 00 02 6F 3A");
    EXPECT_EQ(Send(card, "A0 B2 01 04 02"), "FF FF 90 00");
    Send(card, "A0 A4 00 00 02 6F 99");
    EXPECT_EQ(Send(card, "A0 B0 00 00 01"), "98 04");
    Send(card, "A0 A4 00 00 02 6F 98");
    EXPECT_EQ(Send(card, "A0 B0 00 00 01"), "00 90 00");
}

TEST(StandardAccess, FollowsTheFileIds) {
    using simcard::Access;
    using simcard::StandardAccess;
    EXPECT_EQ(StandardAccess(0x2FE2, 0x3F00), Access::Always); // ICCID
    EXPECT_EQ(StandardAccess(0x2F00, 0x3F00), Access::Always); // DIR
    EXPECT_EQ(StandardAccess(0x6FAD, 0x7F20), Access::Always); // AD
    EXPECT_EQ(StandardAccess(0x4F30, 0x5F3A), Access::Always); // PBR
    EXPECT_EQ(StandardAccess(0x4F3A, 0x5F3A), Access::Chv1);   // ADN, any id the PBR names
    EXPECT_EQ(StandardAccess(0x4F11, 0x5F3A), Access::Chv1);
    EXPECT_EQ(StandardAccess(0x6F3C, 0x7F25), Access::Chv1); // R-UIM SMS
    EXPECT_EQ(StandardAccess(0x6F07, 0x7FFF), Access::Chv1); // IMSI of the USIM
}

class Usim : public testing::Test {
protected:
    VirtualCard card{Load("usim.json")};
};

TEST_F(Usim, SelectAnswers61xxWithAnFcpTemplate) {
    EXPECT_EQ(Send(card, "A0 A4 00 00 02 3F 00"), "6E 00");
    std::string select = Send(card, "00 A4 00 04 02 2F 00");
    ASSERT_EQ(select.substr(0, 2), "61");
    std::string fcp = Send(card, "00 C0 00 00 " + select.substr(3, 2));
    EXPECT_EQ(fcp.substr(0, 2), "62");
    EXPECT_NE(fcp.find("82 05 42 21 00 20 02"), std::string::npos) << fcp;
    EXPECT_EQ(Sw(fcp), "90 00");
    EXPECT_EQ(Send(card, "00 A4 00 0C 02 3F 00"), "90 00");
    EXPECT_EQ(Send(card, "00 A4 00 00 02 3F 00"), "6A 86");
    EXPECT_EQ(Send(card, "00 A4 00 04 02 6F 3A"), "6A 82");
}

TEST_F(Usim, ApplicationSelectedByWholeOrTruncatedAid) {
    for (const char* aid :
         {"10 A0 00 00 00 87 10 02 FF FF FF FF 89 06 19 00 00", "07 A0 00 00 00 87 10 02"}) {
        card.Reset();
        std::string select = Send(card, std::string("00 A4 04 04 ") + aid);
        ASSERT_EQ(select.substr(0, 2), "61") << aid;
        std::string fcp = Send(card, "00 C0 00 00 " + select.substr(3, 2));
        EXPECT_NE(fcp.find("84 10 A0 00 00 00 87 10 02"), std::string::npos) << fcp;
        EXPECT_NE(fcp.find("C6 09 90 01 80"), std::string::npos) << fcp; // PIN1 enabled
        EXPECT_EQ(Sw(Send(card, "00 A4 00 04 02 6F 3C")), "61 1B");
        EXPECT_EQ(Sw(Send(card, "00 A4 00 04 02 7F FF")), "61 37");
    }
    EXPECT_EQ(Send(card, "00 A4 04 04 04 A0 00 00 09"), "6A 82");
}

TEST_F(Usim, WrongLengthTellsTheRightOne) {
    Send(card, "00 A4 00 0C 02 2F 00");
    EXPECT_EQ(Send(card, "00 B2 01 04 10"), "6C 20");
    EXPECT_EQ(Send(card, "00 B2 03 04 20"), "6A 83");
    EXPECT_EQ(Send(card, "00 B0 00 00 01"), "69 81");
    EXPECT_EQ(Send(card, "00 C0 00 00 10"), "69 85");
}

// The USIM's protected files in order: ADN of the application's phone book,
// ADN of the telecom phone book (read, then update), SMS, IMSI; then the open
// ones: EF_PBR, EF_DIR and EF_ICCID.
std::vector<std::string> UiccAnswers(VirtualCard& card) {
    std::vector<std::string> words;
    auto select = [&](const char* id) { Send(card, std::string("00 A4 00 0C 02 ") + id); };
    Send(card, "00 A4 04 0C 10 A0 00 00 00 87 10 02 FF FF FF FF 89 06 19 00 00");
    select("5F 3A");
    select("4F 3A");
    words.push_back(Sw(Send(card, "00 B2 01 04 1E")));
    select("3F 00");
    select("7F 10");
    select("5F 3A");
    select("4F 3A");
    words.push_back(Sw(Send(card, "00 B2 01 04 1E")));
    words.push_back(Sw(Send(card, "00 DC 01 04 1E" + Filled(30, "55"))));
    select("7F FF");
    select("6F 3C");
    words.push_back(Sw(Send(card, "00 B2 01 04 B0")));
    select("6F 07");
    words.push_back(Sw(Send(card, "00 B0 00 00 09")));
    select("5F 3A");
    select("4F 30");
    words.push_back(Sw(Send(card, "00 B2 01 04 14")));
    select("3F 00");
    select("2F 00");
    words.push_back(Sw(Send(card, "00 B2 01 04 20")));
    select("2F E2");
    words.push_back(Sw(Send(card, "00 B0 00 00 0A")));
    return words;
}

TEST_F(Usim, PersonalFilesAnswer6982UntilPin1IsVerified) {
    const Words locked = {"69 82", "69 82", "69 82", "69 82", "69 82", "90 00", "90 00", "90 00"};
    const Words open(8, "90 00");
    EXPECT_EQ(UiccAnswers(card), locked);
    EXPECT_EQ(Send(card, "00 20 00 01 00"), "63 C3"); // still to be verified
    EXPECT_EQ(VerifyPin(card, "00"), "90 00");
    EXPECT_EQ(UiccAnswers(card), open);
    card.Reset();
    EXPECT_EQ(UiccAnswers(card), locked);

    simcard::CardProfile profile = Load("usim.json");
    profile.chv1.enabled = false;
    VirtualCard disabled(profile);
    EXPECT_EQ(UiccAnswers(disabled), open);
}

// Profiles that must be refused, each with the reason in the message.
struct BadProfile {
    const char* title;
    const char* json;
    const char* reason;
};

// Test names and logs show the case by its name.
void PrintTo(const BadProfile& c, std::ostream* os) {
    *os << c.title;
}

class ProfileErrors : public testing::TestWithParam<BadProfile> {};

TEST_P(ProfileErrors, AreRefusedWithAReason) {
    try {
        simcard::ParseProfile(nlohmann::json::parse(GetParam().json));
        FAIL() << "accepted";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam().reason), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Json, ProfileErrors,
    testing::Values(BadProfile{"NoAtr", R"({"mf":{"id":"3F00","type":"MF"}})", "atr"},
                    BadProfile{"OddHex", R"({"atr":"3B 0","mf":{"id":"3F00","type":"MF"}})", "odd"},
                    BadProfile{"RootNotMf", R"({"atr":"3B 00","mf":{"id":"7F10","type":"DF"}})",
                               "MF 3F00"},
                    BadProfile{"LongRecord",
                               R"({"atr":"3B 00","mf":{"id":"3F00","type":"MF","children":[
                     {"id":"6F3A","type":"EF","structure":"linear","recordLength":2,
                      "recordCount":1,"records":["01 02 03"]}]}})",
                               "longer than recordLength"},
                    BadProfile{"TooManyRecords",
                               R"({"atr":"3B 00","mf":{"id":"3F00","type":"MF","children":[
                     {"id":"6F3A","type":"EF","structure":"linear","recordLength":2,
                      "recordCount":1,"records":["01","02"]}]}})",
                               "more records"},
                    BadProfile{"ZeroRecordLength",
                               R"({"atr":"3B 00","mf":{"id":"3F00","type":"MF","children":[
                     {"id":"6F3A","type":"EF","structure":"cyclic","recordLength":0,
                      "recordCount":1}]}})",
                               "record length"},
                    BadProfile{"UnknownStructure",
                               R"({"atr":"3B 00","mf":{"id":"3F00","type":"MF","children":[
                     {"id":"6F3A","type":"EF","structure":"tree"}]}})",
                               "structure"},
                    BadProfile{"ShortFileId",
                               R"({"atr":"3B 00","mf":{"id":"3F00","type":"MF","children":[
                     {"id":"6F","type":"EF"}]}})",
                               "four hex digits"},
                    BadProfile{"LongAid",
                               R"({"atr":"3B 00","mf":{"id":"3F00","type":"MF","children":[
                     {"type":"ADF","aid":"00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10"}]}})",
                               "AID"},
                    BadProfile{"UnknownAccess",
                               R"({"atr":"3B 00","mf":{"id":"3F00","type":"MF","children":[
                     {"id":"6F3A","type":"EF","access":"ADM"}]}})",
                               "access"},
                    BadProfile{"AtrCutShort", R"({"atr":"3B 80","mf":{"id":"3F00","type":"MF"}})",
                               "past the end"},
                    BadProfile{"SfiOfADirectory",
                               R"({"atr":"3B 00","mf":{"id":"3F00","type":"MF","children":[
                     {"id":"7F10","type":"DF","sfi":"01"}]}})",
                               "sfi"},
                    BadProfile{"SfiOutOfRange",
                               R"({"atr":"3B 00","mf":{"id":"3F00","type":"MF","children":[
                     {"id":"2FE2","type":"EF","sfi":"1F"}]}})",
                               "sfi"},
                    BadProfile{"SfiTwiceInADirectory",
                               R"({"atr":"3B 00","mf":{"id":"3F00","type":"MF","children":[
                     {"id":"2FE2","type":"EF","sfi":"02"},{"id":"2F05","type":"EF","sfi":"02"}]}})",
                               "sfi used twice"}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(ShippedProfiles, AllLoad) {
    for (const char* name :
         {"gsm_sim.json", "usim.json", "ruim.json", "phs.json", "demo_gsm_sim.json",
          "demo_gsm_sim_pin.json", "demo_usim.json", "demo_ruim.json", "demo_phs.json"})
        EXPECT_NO_THROW(VirtualCard{Load(name)}) << name;
}

TEST(VpcdLink, ControlsAndApdus) {
    VirtualCard card(Load("gsm_sim.json"));
    EXPECT_EQ(simcard::Answer(card, {0x04}), card.Atr());
    Send(card, "A0 A4 00 00 02 7F 10");
    EXPECT_FALSE(simcard::Answer(card, {0x02}).has_value()); // reset: back at the MF
    EXPECT_EQ(Hex(*simcard::Answer(card, simcard::ParseHex("A0 A4 00 00 02 6F 3A"))), "94 04");
    EXPECT_FALSE(simcard::Answer(card, {0x09}).has_value()); // unknown control
}

TEST(VpcdLink, FramesRoundTripAndTruncationEndsTheLink) {
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    Bytes payload(300, 0x42);
    ASSERT_TRUE(simcard::WriteMessage(fds[0], payload));
    auto received = simcard::ReadMessage(fds[1]);
    ASSERT_TRUE(received.has_value());
    EXPECT_EQ(*received, payload);

    const std::uint8_t truncated[] = {0x00, 0x05, 0xA0, 0xA4};
    ASSERT_EQ(write(fds[0], truncated, sizeof truncated), 4);
    close(fds[0]);
    EXPECT_FALSE(simcard::ReadMessage(fds[1]).has_value());
    close(fds[1]);
}

} // namespace
