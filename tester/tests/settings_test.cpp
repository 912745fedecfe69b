// Setting files, "DefaultFiles.ini" and the conversions of the settings controls.
#include "sim_fixture.h"
#include "test_settings.h"

#include <gmock/gmock.h>

#include <fstream>
#include <sstream>

namespace orrick::testing {
namespace {

using ::testing::ElementsAre;

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TestSettings Sample() {
    TestSettings s;
    s.informationCheck = 1;
    s.vid = StoreVidPid("046D");
    s.pid = StoreVidPid("c52b");
    s.firmwareMajor = 1;
    s.firmwareMinor = 5;
    s.cf = 1;
    s.cfMode = 12;
    s.sd = 1;
    s.sdWidth = 2;
    s.sm = 1;
    s.xd = 0;
    s.ms = 1;
    s.msMode = 5;
    s.sd2 = 1;
    s.sd2Width = 3;
    s.ms2 = 1;
    s.ms2Mode = 4;
    s.smartCard = 1;
    s.writeProtectTest = 1;
    s.luns = 4;
    s.codeSel = 3;
    s.usbSpeedSel = 2;
    s.showInfo = 1;
    return s;
}

TEST(SettingFileTest, SaveThenLoadGivesTheSameSettings) {
    TempDir tmp;
    const auto path = tmp.path() / "line1.ini";
    const TestSettings saved = Sample();
    const LabelSettings labels{true, "CARD A", false, "NO NAME"};
    ASSERT_TRUE(SaveSettingFile(path, saved, labels));

    TestSettings loaded;
    LabelSettings loadedLabels;
    ASSERT_TRUE(LoadSettingFile(path, loaded, loadedLabels));
    EXPECT_EQ(loaded, saved);
    EXPECT_EQ(loadedLabels, labels);
}

TEST(SettingFileTest, WritesKeysInOrderWithTheirFormats) {
    TempDir tmp;
    const auto path = tmp.path() / "line1.ini";
    TestSettings s = Sample();
    s.vid = StoreVidPid("46d");
    ASSERT_TRUE(SaveSettingFile(path, s, {true, "CARD A", false, ""}));
    EXPECT_EQ(ReadText(path), "[Orrick]\n"
                              "Information check=1\n"
                              "VID=46d\n"
                              "PID=c52b\n"
                              "FW=1.05\n"
                              "CF=1\n"
                              "CF_Sel=12\n"
                              "SD=1\n"
                              "SD_Sel=2\n"
                              "SM=1\n"
                              "xD=0\n"
                              "MS=1\n"
                              "MS_Sel=5\n"
                              "SD2=1\n"
                              "SD2_Sel=3\n"
                              "MS2=1\n"
                              "MS2_Sel=4\n"
                              "SMARTCARD=1\n"
                              "WP=1\n"
                              "LUNs=4\n"
                              "Code_Sel=3\n"
                              "USBSpeed_Sel=2\n"
                              "Show_Info=1\n"
                              "Check SD1 Label=1\n"
                              "SD1 Label=CARD A\n"
                              "Check SD2 Label=0\n"
                              "SD2 Label=\n");
}

TEST(SettingFileTest, SavingKeepsOtherSectionsOfTheFile) {
    TempDir tmp;
    const auto path = tmp.path() / "line1.ini";
    std::ofstream(path) << "[Notes]\nline=3\n[Orrick]\nCF=0\n";
    ASSERT_TRUE(SaveSettingFile(path, Sample(), {}));
    const std::string text = ReadText(path);
    EXPECT_NE(text.find("[Notes]\nline=3\n"), std::string::npos);
    EXPECT_NE(text.find("CF=1\n"), std::string::npos);
}

// An unclosed "[" makes a section name run over lines; saving it back would
// grow the file by a line on every save.
TEST(SettingFileTest, RepeatedSavesOverADamagedFileDoNotGrowIt) {
    TempDir tmp;
    const auto path = tmp.path() / "line1.ini";
    std::ofstream(path) << "[Notes]\nline=3\n[#\n_=\n";
    ASSERT_TRUE(SaveSettingFile(path, Sample(), {}));
    const std::string once = ReadText(path);
    ASSERT_TRUE(SaveSettingFile(path, Sample(), {}));
    EXPECT_EQ(ReadText(path), once);
    EXPECT_NE(once.find("[Notes]\nline=3\n"), std::string::npos);
    TestSettings loaded;
    LabelSettings labels;
    ASSERT_TRUE(LoadSettingFile(path, loaded, labels));
    EXPECT_EQ(loaded, Sample());
}

// A value cut to its width can end in blanks the file cannot keep: what was
// loaded must be what the next save and load give back.
TEST(SettingFileTest, ValuesCutToTheirWidthSurviveASaveAndLoad) {
    TempDir tmp;
    const auto path = tmp.path() / "line1.ini";
    std::ofstream(path) << "[Orrick]\nVID=46d x\nPID=1\t\t\t2\nSD1 Label=CARD A     X\n";
    TestSettings loaded;
    LabelSettings labels;
    ASSERT_TRUE(LoadSettingFile(path, loaded, labels));
    EXPECT_EQ(VidPidText(loaded.vid), "46d");
    EXPECT_EQ(VidPidText(loaded.pid), "1");
    EXPECT_EQ(labels.sd1Label, "CARD A");
    ASSERT_TRUE(SaveSettingFile(path, loaded, labels));
    TestSettings again;
    LabelSettings againLabels;
    ASSERT_TRUE(LoadSettingFile(path, again, againLabels));
    EXPECT_EQ(again, loaded);
    EXPECT_EQ(againLabels, labels);
}

TEST(SettingFileTest, KeysMatchWithoutCaseAndSurroundingBlanks) {
    TempDir tmp;
    const auto path = tmp.path() / "typed.ini";
    std::ofstream(path) << "[orrick]\r\n"
                           "  vid  =  046d  \r\n"
                           "information CHECK=1\r\n"
                           "fw = 2.1\r\n"
                           "luns=3\r\n"
                           " sd1 label = LABEL\r\n";
    TestSettings s;
    LabelSettings l;
    ASSERT_TRUE(LoadSettingFile(path, s, l));
    EXPECT_EQ(VidPidText(s.vid), "046d");
    EXPECT_EQ(s.informationCheck, 1);
    EXPECT_EQ(s.firmwareMajor, 2);
    EXPECT_EQ(s.firmwareMinor, 1);
    EXPECT_EQ(s.luns, 3);
    EXPECT_EQ(l.sd1Label, "LABEL");
}

TEST(SettingFileTest, MissingFileLoadsAsDefaults) {
    TempDir tmp;
    TestSettings s = Sample();
    LabelSettings l{true, "X", true, "Y"};
    EXPECT_FALSE(LoadSettingFile(tmp.path() / "absent.ini", s, l));
    EXPECT_EQ(s, TestSettings{});
    EXPECT_EQ(l, LabelSettings{});
}

TEST(SettingFileTest, SaveIntoAMissingFolderFailsCleanly) {
    TempDir tmp;
    EXPECT_FALSE(SaveSettingFile(tmp.path() / "no" / "such.ini", Sample(), {}));
}

struct OddFileCase {
    const char* name;
    std::string content;
    std::function<void(const TestSettings&, const LabelSettings&)> check;
};

// Test listings name the case instead of dumping its bytes.
void PrintTo(const OddFileCase& c, std::ostream* os) {
    *os << c.name;
}

class OddSettingFileTest : public ::testing::TestWithParam<OddFileCase> {};

TEST_P(OddSettingFileTest, LoadsWithoutHarm) {
    TempDir tmp;
    const auto path = tmp.path() / "odd.ini";
    std::ofstream(path, std::ios::binary) << GetParam().content;
    TestSettings s;
    LabelSettings l;
    LoadSettingFile(path, s, l);
    GetParam().check(s, l);
}

INSTANTIATE_TEST_SUITE_P(
    Untrusted, OddSettingFileTest,
    ::testing::Values(
        OddFileCase{"ComboIndexOutOfList",
                    "[Orrick]\nCF_Sel=204\nLUNs=9\nCode_Sel=5\nUSBSpeed_Sel=3\nMS2_Sel=6\n",
                    [](const TestSettings& s, const LabelSettings&) {
                        EXPECT_EQ(s.cfMode, 0);
                        EXPECT_EQ(s.luns, 0);
                        EXPECT_EQ(s.codeSel, 0);
                        EXPECT_EQ(s.usbSpeedSel, 0);
                        EXPECT_EQ(s.ms2Mode, 0);
                    }},
        OddFileCase{"HugeAndNegativeNumbers",
                    "[Orrick]\nCF=99999999999999999999999\nSD=-1\nWP=256\nSM=255\nFW=300.-2\n",
                    [](const TestSettings& s, const LabelSettings&) {
                        EXPECT_EQ(s.cf, 0);
                        EXPECT_EQ(s.sd, 0);
                        EXPECT_EQ(s.writeProtectTest, 0);
                        EXPECT_EQ(s.sm, 255);
                        EXPECT_EQ(s.firmwareMajor, 0);
                        EXPECT_EQ(s.firmwareMinor, 0);
                    }},
        OddFileCase{"LongTexts",
                    "[Orrick]\nVID=0123456789\nPID=x\nSD1 Label=" + std::string(5000, 'A') +
                        "\nCheck SD1 Label=7\n",
                    [](const TestSettings& s, const LabelSettings& l) {
                        EXPECT_EQ(VidPidText(s.vid), "0123");
                        EXPECT_EQ(VidPidText(s.pid), "x");
                        EXPECT_EQ(l.sd1Label, std::string(11, 'A'));
                        EXPECT_TRUE(l.checkSd1Label);
                    }},
        OddFileCase{
            "BinaryJunk",
            std::string("[Orrick]\n\xff\xfe\n=\n==\nSD\x01=1\nCF=1\x80\nMS\0=1\n[]\nLUNs=3\n", 45),
            [](const TestSettings& s, const LabelSettings&) {
                EXPECT_EQ(s.sd, 0);
                EXPECT_EQ(s.cf, 1);
                EXPECT_EQ(s.ms, 0);
                EXPECT_EQ(s.luns, 0);
            }},
        OddFileCase{
            "EmptyFile", "",
            [](const TestSettings& s, const LabelSettings&) { EXPECT_EQ(s, TestSettings{}); }}),
    [](const auto& info) { return std::string(info.param.name); });

struct HexCase {
    const char* stored;
    const char* shown;
};

// Test listings name the case instead of dumping its bytes.
void PrintTo(const HexCase& c, std::ostream* os) {
    *os << c.stored;
}

class VidPidDisplayTest : public ::testing::TestWithParam<HexCase> {};

TEST_P(VidPidDisplayTest, ShowsStoredTextAsFourHexDigits) {
    EXPECT_EQ(VidPidDisplayText(StoreVidPid(GetParam().stored)), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Texts, VidPidDisplayTest,
                         ::testing::Values(HexCase{"46d", "046D"}, HexCase{"046d", "046D"},
                                           HexCase{"FFFF", "FFFF"}, HexCase{"", "0000"},
                                           HexCase{"12 4", "0012"}, HexCase{"zz", "0000"},
                                           HexCase{"0A1G", "00A1"}, HexCase{"12345", "1234"}));

struct FirmwareCase {
    const char* text;
    uint8_t fileMajor, fileMinor; // as read from a setting file
    uint8_t editMajor, editMinor; // as typed into the firmware box
};

// Test listings name the case instead of dumping its bytes.
void PrintTo(const FirmwareCase& c, std::ostream* os) {
    *os << c.text;
}

class FirmwareTextTest : public ::testing::TestWithParam<FirmwareCase> {};

TEST_P(FirmwareTextTest, SplitsAtTheFirstPoint) {
    const FirmwareCase& c = GetParam();
    uint8_t major = 99, minor = 99;
    ParseFirmwareSetting(c.text, major, minor);
    EXPECT_EQ(major, c.fileMajor);
    EXPECT_EQ(minor, c.fileMinor);
    major = minor = 99;
    ParseFirmwareEdit(c.text, major, minor);
    EXPECT_EQ(major, c.editMajor);
    EXPECT_EQ(minor, c.editMinor);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FirmwareTextTest,
    ::testing::Values(FirmwareCase{"1.5", 1, 5, 1, 5}, FirmwareCase{"1.05", 1, 5, 1, 5},
                      FirmwareCase{"2", 0, 2, 2, 0}, FirmwareCase{".7", 0, 7, 0, 7},
                      FirmwareCase{"1.0512", 1, 0, 1, 51}, FirmwareCase{"1.2.3", 1, 2, 1, 2},
                      FirmwareCase{"abc", 0, 0, 0, 0}, FirmwareCase{"", 0, 0, 0, 0}));

TEST(FirmwareTextTest, PrintsMinorWithTwoDigits) {
    EXPECT_EQ(FirmwareText(1, 5), "1.05");
    EXPECT_EQ(FirmwareText(0, 123), "0.123");
    EXPECT_EQ(FirmwareText(255, 255), "255.255");
}

TEST(DecimalByteTest, ConvertsLikeADecimalFieldAndRejectsOutOfRange) {
    const std::pair<const char*, int> cases[] = {{"12", 12},
                                                 {" 7x", 7},
                                                 {"+5", 5},
                                                 {"255", 255},
                                                 {"256", 0},
                                                 {"-3", 0},
                                                 {"-0", 0},
                                                 {"", 0},
                                                 {"x1", 0},
                                                 {"0009", 9},
                                                 {"99999999999999999999", 0}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(ParseDecimalByte(text), value) << '"' << text << '"';
}

TEST(ComboListTest, ListsAndOutOfRangeIndexes) {
    EXPECT_EQ(CfModeItems().size(), 13u);
    EXPECT_STREQ(CfModeItems()[7], "PIO 6");
    EXPECT_STREQ(CfModeItems()[12], "UDMA 4");
    EXPECT_THAT(std::vector<std::string>(SdWidthItems().begin(), SdWidthItems().end()),
                ElementsAre("None", "1 bit", "4 bits", "8 bits"));
    EXPECT_THAT(std::vector<std::string>(MsModeItems().begin(), MsModeItems().end()),
                ElementsAre("None", "MS 1", "MS 4", "MS P", "HG 4", "HG 8"));
    EXPECT_EQ(LunItems().size(), 7u);
    EXPECT_STREQ(CodeItems()[4], "NOR+EEPROM");
    EXPECT_STREQ(UsbItems()[2], "High Speed");
    EXPECT_EQ(ComboText(204, UsbItems()), "None");
    EXPECT_EQ(ComboDisplayIndex(3, CodeItems()), 3u);
}

TEST(LastSettingFileTest, RemembersThePlainFileName) {
    TempDir tmp;
    EXPECT_FALSE(ReadLastSettingFile(tmp.path()).has_value());
    ASSERT_TRUE(WriteLastSettingFile(tmp.path(), "line1.ini"));
    EXPECT_EQ(ReadText(tmp.path() / "DefaultFiles.ini"),
              "[Orrick Setting]\nLastFileName=line1.ini\n");
    const auto last = ReadLastSettingFile(tmp.path());
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->name, "line1.ini");
    EXPECT_EQ(last->path, tmp.path() / "line1.ini");
}

TEST(LastSettingFileTest, RefusesNamesThatLeaveTheFolder) {
    TempDir tmp;
    for (const char* name : {"../x.ini", "/etc/passwd", "a\\b.ini", "..", ""}) {
        std::ofstream(tmp.path() / "DefaultFiles.ini")
            << "[Orrick Setting]\nLastFileName=" << name << "\n";
        EXPECT_FALSE(ReadLastSettingFile(tmp.path()).has_value()) << name;
    }
}

} // namespace
} // namespace orrick::testing
