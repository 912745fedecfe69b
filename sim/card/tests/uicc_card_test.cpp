// The UICC as an independent SIM tool reads it: the protocol its ATR offers
// and the answers that follow from it, STATUS, the access rules its files
// point to, the FCP's proprietary information, short file identifiers, and
// phone-book indexes that name only files the card has.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "card_test_util.h"
#include "profile.h"
#include "virtual_card.h"

using simcard::Bytes;
using simcard::VirtualCard;
using namespace simcard::testing_util;

namespace {

const std::string kSelectUsim = "00 A4 04 04 10 A0 00 00 00 87 10 02 FF FF FF FF 89 06 19 00 00";

// The data of a SELECT answer whichever way the card gives it: after 61xx
// through GET RESPONSE, or directly.
Bytes SelectData(VirtualCard& card, const std::string& select) {
    Bytes answer = card.Process(simcard::ParseHex(select));
    if (answer.size() == 2 && answer[0] == 0x61)
        answer = card.Process({0x00, 0xC0, 0x00, 0x00, answer[1]});
    if (answer.size() < 2) {
        ADD_FAILURE() << select << ": no status word";
        return {};
    }
    EXPECT_EQ(answer[answer.size() - 2], 0x90) << select;
    answer.resize(answer.size() - 2);
    return answer;
}

// Selects each file of `path` (SELECT APDUs in hex) and gives the last FCP.
Bytes FcpAt(VirtualCard& card, const std::vector<std::string>& path) {
    Bytes fcp;
    for (const std::string& select : path)
        fcp = SelectData(card, select);
    return fcp;
}

std::string ById(const char* id) {
    return std::string("00 A4 00 04 02 ") + id;
}

using Tlvs = std::vector<std::pair<std::uint8_t, Bytes>>;

// The top-level objects of a TLV run with one-byte tags and short lengths,
// up to FF padding.
Tlvs TlvList(const Bytes& bytes, std::size_t start = 0) {
    Tlvs tags;
    for (std::size_t pos = start; pos + 2 <= bytes.size();) {
        const std::size_t end = pos + 2 + bytes[pos + 1];
        if (bytes[pos] == 0xFF || end > bytes.size())
            break;
        tags.emplace_back(bytes[pos], Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(pos + 2),
                                            bytes.begin() + static_cast<std::ptrdiff_t>(end)));
        pos = end;
    }
    return tags;
}

std::map<std::uint8_t, Bytes> Tags(const Bytes& bytes, std::size_t start = 0) {
    std::map<std::uint8_t, Bytes> tags;
    for (auto& [tag, value] : TlvList(bytes, start))
        EXPECT_TRUE(tags.emplace(tag, value).second) << "tag " << int(tag) << " twice";
    return tags;
}

// The objects inside an FCP template (62).
std::map<std::uint8_t, Bytes> FcpTags(const Bytes& fcp) {
    EXPECT_EQ(fcp.at(0), 0x62);
    EXPECT_EQ(fcp.at(1) + 2u, fcp.size());
    return Tags(fcp, 2);
}

std::vector<std::string> CardProfiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(SIM_PROFILE_DIR)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() == ".json" && name.rfind("reader_", 0) != 0)
            names.push_back(name);
    }
    return names;
}

TEST(Atr, OffersT0InATdByteOrByHavingNone) {
    struct Case {
        const char* atr;
        bool t0;
    };
    for (const Case& c : {Case{"3B 02 14 50", true},        // no TD1: T=0 alone
                          Case{"3B 80 80 1F C7 D8", true},  // T=0, then global bytes
                          Case{"3B 80 01 81", false},       // T=1 alone
                          Case{"3B B0 11 00 01 A0", false}, // TA1 and TB1 before TD1
                          Case{"3B 80 81 00 01", true}})    // T=1 first, T=0 after
        EXPECT_EQ(simcard::AtrOffersT0(simcard::ParseHex(c.atr)), c.t0) << c.atr;
    EXPECT_THROW(simcard::AtrOffersT0(simcard::ParseHex("3B 80")), std::runtime_error);
    EXPECT_THROW(simcard::AtrOffersT0(simcard::ParseHex("3B 90 11")), std::runtime_error);
}

TEST(ShippedProfiles, LoadAndEveryUiccButTheT1OneOffersT0) {
    int uiccs = 0;
    for (const std::string& name : CardProfiles()) {
        simcard::CardProfile profile;
        ASSERT_NO_THROW(profile = Load(name)) << name;
        EXPECT_NO_THROW(VirtualCard{profile}) << name;
        if (profile.commandSet != simcard::CommandSet::Uicc)
            continue;
        ++uiccs;
        EXPECT_EQ(profile.transmission,
                  name == "usim_t1.json" ? simcard::Transmission::T1 : simcard::Transmission::T0)
            << name;
    }
    EXPECT_GE(uiccs, 5);
}

// Every file an EF_PBR names lives in its phone-book directory, with the
// short file identifier the index gives it.
void CheckPhoneBookIndexes(const simcard::FileNode& directory, const std::string& profile,
                           int& indexes) {
    for (const simcard::FileNode& child : directory.children) {
        CheckPhoneBookIndexes(child, profile, indexes);
        if (child.kind != simcard::FileKind::Ef || child.id != 0x4F30)
            continue;
        ++indexes;
        for (int r = 0; r < child.recordCount; ++r) {
            const Bytes record(child.content.begin() + r * child.recordLength,
                               child.content.begin() + (r + 1) * child.recordLength);
            for (const auto& [templateTag, entries] : TlvList(record)) {
                EXPECT_TRUE(templateTag >= 0xA8 && templateTag <= 0xAA) << profile;
                for (const auto& [tag, reference] : TlvList(entries)) {
                    ASSERT_TRUE(reference.size() == 2 || reference.size() == 3) << profile;
                    const int id = (reference[0] << 8) | reference[1];
                    const simcard::FileNode* named = nullptr;
                    for (const simcard::FileNode& file : directory.children)
                        if (file.kind == simcard::FileKind::Ef && file.id == id)
                            named = &file;
                    ASSERT_NE(named, nullptr)
                        << profile << ": tag " << int(tag) << " names " << std::hex << id;
                    if (reference.size() == 3) {
                        EXPECT_EQ(named->sfi.value_or(0), reference[2]) << profile;
                    }
                }
            }
        }
    }
}

TEST(ShippedProfiles, PhoneBookIndexesNameOnlyFilesTheCardHas) {
    int indexes = 0;
    for (const std::string& name : CardProfiles())
        CheckPhoneBookIndexes(*Load(name).mf, name, indexes);
    EXPECT_GE(indexes, 5);
}

TEST(Transmission, T1CardAnswersWithTheDataAndNoProcedureBytes) {
    VirtualCard t0(Load("usim.json"));
    VirtualCard t1(Load("usim_t1.json"));
    // The same FCP, without the detour through GET RESPONSE.
    for (const char* id : {"3F 00", "2F 00", "7F 10"})
        EXPECT_EQ(SelectData(t1, ById(id) + " 00"), SelectData(t0, ById(id))) << id;
    EXPECT_EQ(Send(t1, ById("3F 00")), "90 00"); // no Le, no data
    EXPECT_EQ(Send(t1, "00 C0 00 00 20"), "69 85");

    Send(t1, "00 A4 00 0C 02 2F 00");
    const std::string record = Send(t1, "00 B2 01 04 00");
    EXPECT_EQ(record.size(), (32u + 2u) * 3 - 1);
    EXPECT_EQ(Sw(record), "90 00");
    EXPECT_EQ(Send(t1, "00 B2 01 04 10"), "67 00");

    Send(t1, "00 A4 00 0C 02 2F E2");
    EXPECT_EQ(Send(t1, "00 B0 00 00 00"), "98 94 00 20 43 65 87 09 21 F3 90 00");
    EXPECT_EQ(Send(t1, "00 B0 00 08 04"), "21 F3 62 82"); // the end came first
    EXPECT_EQ(Send(t1, "00 B0 00 00 02"), "98 94 90 00");

    // A whole session of commands meets no 61xx or 6Cxx.
    t1.Reset();
    for (const std::string& apdu :
         {std::string("00 20 00 01 08 31 32 33 34 FF FF FF FF"), kSelectUsim + " 00",
          ById("6F 3C") + " 00", std::string("00 B2 01 04 00"), std::string("00 B2 01 04 05"),
          ById("6F 07") + " 00", std::string("00 B0 00 00 00"), std::string("00 B0 00 00 20"),
          std::string("80 F2 00 00 00"), std::string("00 C0 00 00 00")}) {
        const std::string sw = Sw(Send(t1, apdu));
        EXPECT_NE(sw.substr(0, 2), "61") << apdu;
        EXPECT_NE(sw.substr(0, 2), "6C") << apdu;
    }
}

TEST(UiccStatus, TakesClass80AndAnswersAsP2Asks) {
    VirtualCard card(Load("usim.json"));
    EXPECT_EQ(Send(card, "80 F2 00 01 00"), "69 85"); // no application active yet
    EXPECT_EQ(Send(card, "00 F2 00 00 00"), "6E 00");
    EXPECT_EQ(Send(card, "80 A4 00 04 02 3F 00"), "6E 00"); // class 80 is STATUS's only
    Send(card, "00 A4 04 0C 10 A0 00 00 00 87 10 02 FF FF FF FF 89 06 19 00 00");

    const std::string status = Send(card, "80 F2 00 00 00");
    EXPECT_EQ(Sw(status), "90 00");
    Bytes fcp = simcard::ParseHex(status);
    fcp.resize(fcp.size() - 2);
    EXPECT_EQ(fcp, FcpAt(card, {"00 A4 00 04 02 7F FF"}));

    EXPECT_EQ(Send(card, "80 F2 01 01 00"),
              "84 10 A0 00 00 00 87 10 02 FF FF FF FF 89 06 19 00 00 90 00");
    EXPECT_EQ(Send(card, "80 F2 00 0C 00"), "90 00");
    EXPECT_EQ(Send(card, "80 F2 03 00 00"), "6A 86");
    EXPECT_EQ(Send(card, "80 F2 00 02 00"), "6A 86");

    VirtualCard t1(Load("usim_t1.json"));
    EXPECT_EQ(Send(t1, "80 F2 00 00 00").substr(0, 2), "62");
}

// A file of usim.json: how to reach it from a reset card, and how to read it
// (nothing for directories).
struct FileCase {
    const char* name;
    std::vector<std::string> path;
    const char* read;
    std::uint16_t arr; // the EF_ARR its rule lives in
};

TEST(UiccSecurityAttributes, PointToAnArrRecordThatTheCardKeeps) {
    const std::string mf = ById("3F 00");
    const std::vector<FileCase> files = {
        {"MF", {mf}, nullptr, 0x2F06},
        {"EF_DIR", {mf, ById("2F 00")}, "00 B2 01 04 20", 0x2F06},
        {"EF_ICCID", {mf, ById("2F E2")}, "00 B0 00 00 0A", 0x2F06},
        {"DF_TELECOM", {mf, ById("7F 10")}, nullptr, 0x2F06},
        {"telecom ADN",
         {mf, ById("7F 10"), ById("5F 3A"), ById("4F 3A")},
         "00 B2 01 04 1E",
         0x2F06},
        {"ADF", {kSelectUsim}, nullptr, 0x2F06},
        {"EF_IMSI", {kSelectUsim, ById("6F 07")}, "00 B0 00 00 09", 0x6F06},
        {"EF_SMS", {kSelectUsim, ById("6F 3C")}, "00 B2 01 04 B0", 0x6F06},
        {"DF_PHONEBOOK", {kSelectUsim, ById("5F 3A")}, nullptr, 0x6F06},
        {"EF_PBR", {kSelectUsim, ById("5F 3A"), ById("4F 30")}, "00 B2 01 04 14", 0x6F06},
        {"ADN", {kSelectUsim, ById("5F 3A"), ById("4F 3A")}, "00 B2 01 04 1E", 0x6F06},
    };
    const std::map<std::uint16_t, std::vector<std::string>> arrPath = {
        {0x2F06, {mf, ById("2F 06")}}, {0x6F06, {kSelectUsim, ById("6F 06")}}};
    for (const FileCase& file : files) {
        VirtualCard card(Load("usim.json"));
        const auto tags = FcpTags(FcpAt(card, file.path));
        ASSERT_EQ(tags.count(0x8B), 1u) << file.name;
        const Bytes& reference = tags.at(0x8B);
        ASSERT_EQ(reference.size(), 3u) << file.name;
        EXPECT_EQ((reference[0] << 8) | reference[1], file.arr) << file.name;
        // Read before PIN1 is verified: the rule must say what the card does.
        const std::string read = file.read ? Sw(Send(card, file.read)) : "";

        card.Reset();
        FcpAt(card, arrPath.at(file.arr));
        char readRecord[16];
        std::snprintf(readRecord, sizeof readRecord, "00 B2 %02X 04 20", reference[2]);
        const std::string rule = Send(card, readRecord);
        ASSERT_EQ(Sw(rule), "90 00") << file.name;
        if (!file.read) {
            EXPECT_EQ(rule.substr(0, 8), "80 01 7F") << file.name; // administrative only
        } else if (read == "69 82") {
            EXPECT_EQ(rule.substr(0, 23), "80 01 03 A4 06 83 01 01") << file.name; // PIN1
        } else {
            EXPECT_EQ(read, "90 00") << file.name;
            EXPECT_EQ(rule.substr(0, 14), "80 01 03 90 00") << file.name; // always
        }
    }
}

TEST(UiccFcp, DirectoriesCarryProprietaryInformationAndTheAdfItsFileId) {
    VirtualCard card(Load("usim.json"));
    const auto mf = FcpTags(FcpAt(card, {ById("3F 00")}));
    EXPECT_EQ(mf.at(0x83), Bytes({0x3F, 0x00}));
    ASSERT_EQ(mf.count(0xA5), 1u);
    EXPECT_EQ(Tags(mf.at(0xA5)).count(0x80), 1u); // UICC characteristics

    const auto telecom = FcpTags(FcpAt(card, {ById("7F 10")}));
    EXPECT_EQ(telecom.count(0xA5), 1u);
    EXPECT_EQ(Tags(telecom.at(0xA5)).count(0x80), 0u); // the MF's alone

    const auto adf = FcpTags(FcpAt(card, {kSelectUsim}));
    EXPECT_EQ(adf.at(0x83), Bytes({0x7F, 0xFF}));
    EXPECT_EQ(adf.at(0x84).size(), 16u);
    EXPECT_EQ(adf.count(0xA5), 1u);

    // EFs say whether they have a short file identifier.
    EXPECT_EQ(FcpTags(FcpAt(card, {ById("5F 3A"), ById("4F 3A")})).at(0x88), Bytes({0x08}));
    EXPECT_EQ(FcpTags(FcpAt(card, {ById("5F 3A"), ById("4F 30")})).at(0x88), Bytes());
}

TEST(UiccShortFileIds, ReadAndUpdateTheFileOfTheCurrentDirectory) {
    VirtualCard card(Load("usim.json"));
    EXPECT_EQ(Send(card, "00 B0 82 00 0A"), "98 94 00 20 43 65 87 09 21 F3 90 00"); // ICCID
    EXPECT_EQ(Send(card, "00 B0 82 08 02"), "21 F3 90 00");
    EXPECT_EQ(Sw(Send(card, "00 B2 01 F4 20")), "90 00"); // EF_DIR, SFI 1E
    EXPECT_EQ(Send(card, "00 B2 01 0C 1E"), "6A 82");     // the ADN is not in the MF

    Send(card, kSelectUsim);
    Send(card, "00 A4 00 0C 02 5F 3A");
    EXPECT_EQ(Send(card, "00 B2 01 0C 1E"), "69 82"); // PIN1 still guards it
    VerifyPin(card, "00");
    EXPECT_EQ(Sw(Send(card, "00 B2 01 0C 1E")), "90 00");
    // The ADN is now the current EF: the next record is its second.
    EXPECT_EQ(Send(card, "00 DC 00 02 1E" + Filled(30, "55")), "90 00");
    EXPECT_EQ(card.Contents({0x7FFF, 0x5F3A, 0x4F3A})[30], 0x55);

    Send(card, "00 A4 00 0C 02 7F FF");
    EXPECT_EQ(Send(card, "00 D6 87 00 01 09"), "90 00"); // EF_IMSI, SFI 07
    EXPECT_EQ(card.Contents({0x7FFF, 0x6F07})[0], 0x09);

    EXPECT_EQ(Send(card, "00 B0 A7 00 01"), "6A 86"); // bits 7..6 of P1 must be 0
    EXPECT_EQ(Send(card, "00 B2 01 FC 1E"), "6A 86"); // SFI 1F is reserved
    VirtualCard gsm(Load("gsm_sim.json"));
    EXPECT_EQ(Send(gsm, "A0 B0 82 00 0A"), "6B 00");
}

} // namespace
