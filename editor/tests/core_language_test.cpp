// Language table, default rule, stored choice, lookup with fallback.
#include "core/catalogue.h"
#include "core/language.h"
#include "core/settings.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace brisken;

namespace {

class LanguageTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetUserDefaultLanguageIdForTesting(0);
        SetInterfaceLanguage(0);
    }
    QString Ini() const { return dir.filePath(QStringLiteral("Brisken.ini")); }
    void WriteIni(const QByteArray& content) const {
        QFile file(Ini());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QByteArray ReadIni() const {
        QFile file(Ini());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QTemporaryDir dir;
};

// With the "default" choice: the interface language, and the language whose
// texts then show.
struct DefaultCase {
    std::uint16_t user;
    std::uint16_t interface;
    std::uint16_t shown;
};

class DefaultRuleTest : public ::testing::TestWithParam<DefaultCase> {};

TEST_P(DefaultRuleTest, ChoosesInterfaceAndTextLanguage) {
    const DefaultCase c = GetParam();
    const std::uint16_t interface = InterfaceLanguageForIndex(0, c.user);
    EXPECT_EQ(interface, c.interface);
    EXPECT_EQ(ResourceLanguage(interface, c.user), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, DefaultRuleTest,
    ::testing::Values(DefaultCase{1031, 0, 1031},    // German follows the user
                      DefaultCase{2055, 0, 1033},    // Swiss German passes, no texts: English
                      DefaultCase{1029, 1033, 1033}, // Czech is carried but not in the rule
                      DefaultCase{1045, 1033, 1033}, // Polish likewise
                      DefaultCase{3082, 0, 3082},    // Spanish, modern sort
                      DefaultCase{2058, 0, 1033},    // Mexican Spanish: rule passes, English texts
                      DefaultCase{1028, 0, 1028}, DefaultCase{2052, 0, 2052},
                      DefaultCase{4100, 1033, 1033}, // Chinese (Singapore) is not exact
                      DefaultCase{1036, 0, 1036}, DefaultCase{1043, 0, 1043},
                      DefaultCase{1055, 0, 1055}, DefaultCase{1049, 0, 1049},
                      DefaultCase{1042, 1033, 1033}, // Korean: English
                      DefaultCase{0, 1033, 1033}));

struct StoredCase {
    const char* value; // nullptr: no file at all
    std::uint16_t user;
    std::uint16_t interface;
    std::uint16_t shown;
};

class StoredChoiceTest : public LanguageTest, public ::testing::WithParamInterface<StoredCase> {};

TEST_P(StoredChoiceTest, SetsInterfaceLanguage) {
    const StoredCase c = GetParam();
    if (c.value != nullptr) {
        WriteIni(QByteArray("[Brisken]\nLanguageSelected=") + c.value + "\n");
    }
    SetUserDefaultLanguageIdForTesting(c.user);
    LoadINISetting(Ini());
    EXPECT_EQ(InterfaceLanguage(), c.interface);
    EXPECT_EQ(ResourceLanguage(InterfaceLanguage(), c.user), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Values, StoredChoiceTest,
    ::testing::Values(StoredCase{"-1", 1031, 1033, 1033}, StoredCase{"0", 1031, 0, 1031},
                      StoredCase{"0", 1029, 1033, 1033}, StoredCase{"7", 1031, 3082, 3082},
                      StoredCase{"7", 1029, 3082, 3082},
                      // 14 and above follow the user without the rule: Czech shows Czech.
                      StoredCase{"14", 1029, 0, 1029}, StoredCase{"14", 2055, 0, 1033},
                      StoredCase{"12", 1033, 1029, 1029}, StoredCase{nullptr, 1031, 0, 1031},
                      StoredCase{"abc", 1029, 1033, 1033},  // not a number: index 0
                      StoredCase{"5xyz", 1033, 1031, 1031}, // leading digits count
                      StoredCase{"99999999999999999999", 1029, 0, 1029},
                      StoredCase{"-99999999999999999999", 1031, 1033, 1033}));

TEST_F(LanguageTest, KeysAndSectionsIgnoreCaseAndBlanks) {
    WriteIni("; comment\n[other]\nLanguageSelected=3\n[brisken]\n  languageselected  =  9 \n");
    EXPECT_EQ(ReadLanguageIndex(Ini()), 9);
}

TEST_F(LanguageTest, OversizedOrBinaryFileReadsAsDefault) {
    WriteIni(QByteArray(200 * 1024, '\x01'));
    EXPECT_EQ(ReadLanguageIndex(Ini()), 0);
}

TEST_F(LanguageTest, ChoosingWritesTheIndexAndKeepsOtherContent) {
    WriteIni("[Other]\nkeep=1\n");
    SetUserDefaultLanguageIdForTesting(1033);
    ASSERT_TRUE(ApplyLanguageChoice(7, Ini()));
    EXPECT_EQ(InterfaceLanguage(), 3082);
    EXPECT_EQ(ReadLanguageIndex(Ini()), 7);
    EXPECT_TRUE(ReadIni().contains("keep = 1") || ReadIni().contains("keep=1"));
    ASSERT_TRUE(ApplyLanguageChoice(0, Ini()));
    EXPECT_EQ(ReadLanguageIndex(Ini()), 0);
    EXPECT_TRUE(ReadIni().contains("LanguageSelected"));
}

// An unclosed "[" makes a section name run over lines; writing it back would
// grow the file by a line on every write.
TEST_F(LanguageTest, RepeatedWritesOverADamagedFileLeaveItTheSame) {
    WriteIni("[Other]\nkeep=1\n[open\n\x7f=(\n");
    ASSERT_TRUE(WriteLanguageIndex(Ini(), 4));
    const QByteArray once = ReadIni();
    ASSERT_TRUE(WriteLanguageIndex(Ini(), 4));
    EXPECT_EQ(ReadIni(), once);
    EXPECT_EQ(ReadLanguageIndex(Ini()), 4);
    EXPECT_TRUE(once.contains("keep = 1") || once.contains("keep=1"));
}

TEST_F(LanguageTest, NoChoiceWritesNothingAndKeepsLanguage) {
    SetInterfaceLanguage(1036);
    EXPECT_FALSE(ApplyLanguageChoice(-1, Ini()));
    EXPECT_FALSE(QFile::exists(Ini()));
    EXPECT_EQ(InterfaceLanguage(), 1036);
}

TEST_F(LanguageTest, FailedWriteStillChangesLanguage) {
    const QString unwritable = dir.filePath(QStringLiteral("missing/dir/Brisken.ini"));
    EXPECT_FALSE(WriteLanguageIndex(unwritable, 3));
    EXPECT_TRUE(ApplyLanguageChoice(5, unwritable));
    EXPECT_EQ(InterfaceLanguage(), 1031);
}

TEST_F(LanguageTest, LookupFollowsLanguageAndFallsBackToEnglish) {
    SetInterfaceLanguage(1033);
    const QString english = Text(kMsgColumnName);
    EXPECT_EQ(english, QStringLiteral("Name"));
    EXPECT_EQ(Text(kMsgTitle), QStringLiteral("Brisken"));
    SetInterfaceLanguage(1049);
    EXPECT_NE(Text(kMsgTipLoad), QStringLiteral("Load"));
    EXPECT_EQ(Text(kMsgTitle), QStringLiteral("Brisken"));
    SetInterfaceLanguage(0);
    SetUserDefaultLanguageIdForTesting(2055);
    EXPECT_EQ(Text(kMsgTipLoad), QStringLiteral("Load"));
    SetInterfaceLanguage(0x0816); // an id the editor does not carry
    EXPECT_EQ(Text(kMsgTipLoad), QStringLiteral("Load"));
    EXPECT_TRUE(Text(99).isEmpty());
    EXPECT_TRUE(Text(LastMessageId() + 1).isEmpty());
}

TEST_F(LanguageTest, LookupCutsToCapacity) {
    SetInterfaceLanguage(1033);
    EXPECT_EQ(Text(kMsgConfirmExit, 9), QStringLiteral("You had "));
    EXPECT_TRUE(Text(kMsgConfirmExit, 1).isEmpty());
    EXPECT_TRUE(Text(kMsgConfirmExit, 0).isEmpty());
    EXPECT_EQ(Text(kMsgTitle, 100), QStringLiteral("Brisken"));
}

TEST_F(LanguageTest, MenusComeInTheInterfaceLanguage) {
    SetInterfaceLanguage(1033);
    const auto english = MenuItems(kMenuPin);
    ASSERT_EQ(english.size(), 4u);
    EXPECT_EQ(english[0].command, kCmdEnablePin);
    EXPECT_EQ(english[2].command, 0);
    EXPECT_EQ(english[3].command, kCmdChangePin);
    SetInterfaceLanguage(1031);
    const auto german = MenuItems(kMenuImportExport);
    ASSERT_EQ(german.size(), 2u);
    EXPECT_EQ(german[0].command, kCmdImport);
    EXPECT_TRUE(MenuItems(999).empty());
}

TEST(LanguageTable, FourteenEntriesInIndexOrder) {
    const auto choices = LanguageChoices();
    ASSERT_EQ(choices.size(), 14u);
    EXPECT_STREQ(choices[0].listText, "default (Windows Language Setting)");
    EXPECT_EQ(choices[3].languageId, 1033);
    EXPECT_EQ(choices[7].languageId, 3082);
    EXPECT_EQ(choices[13].languageId, 1045);
    // Every explicit entry has texts of its own.
    for (std::size_t i = 1; i < choices.size(); ++i) {
        EXPECT_NE(FindLanguageResources(choices[i].languageId), nullptr) << choices[i].listText;
    }
}

struct LocaleCase {
    const char* name;
    std::uint16_t id;
};

class LocaleIdTest : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(LocaleIdTest, MapsToWindowsLanguageId) {
    EXPECT_EQ(LanguageIdFromLocale(QLocale(QString::fromLatin1(GetParam().name))), GetParam().id);
}

INSTANTIATE_TEST_SUITE_P(Locales, LocaleIdTest,
                         ::testing::Values(LocaleCase{"de_DE", 1031}, LocaleCase{"de_CH", 2055},
                                           LocaleCase{"de_AT", 3079}, LocaleCase{"cs_CZ", 1029},
                                           LocaleCase{"pl_PL", 1045}, LocaleCase{"zh_TW", 1028},
                                           LocaleCase{"zh_CN", 2052}, LocaleCase{"zh_HK", 3076},
                                           LocaleCase{"es_ES", 3082}, LocaleCase{"es_MX", 2058},
                                           LocaleCase{"en_US", 1033}, LocaleCase{"en_GB", 2057},
                                           LocaleCase{"fr_FR", 1036}, LocaleCase{"fr_CA", 3084},
                                           LocaleCase{"ja_JP", 1041}, LocaleCase{"tr_TR", 1055},
                                           LocaleCase{"ru_RU", 1049}, LocaleCase{"nl_BE", 2067},
                                           LocaleCase{"it_IT", 1040}, LocaleCase{"C", 1033}));

} // namespace
