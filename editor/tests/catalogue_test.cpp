#include "core/catalogue.h"

#include <QString>
#include <QStringDecoder>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace brisken {
namespace {

constexpr std::uint16_t kEnglish = 1033;

const LanguageResources& English() {
    const LanguageResources* english = FindLanguageResources(kEnglish);
    if (english == nullptr) {
        throw std::runtime_error("no English resources");
    }
    return *english;
}

std::string_view Text(const LanguageResources& language, int id) {
    const auto index = static_cast<std::size_t>(id - kFirstMessageId);
    if (id < kFirstMessageId || index >= language.messages.size() ||
        language.messages[index] == nullptr) {
        return {};
    }
    return language.messages[index];
}

// Every format directive in a text: Qt's %1..%99 and printf's %d, %s, %5.2f...
// A lone '%' counts too, so a translation cannot slip in a stray one.
std::vector<std::string> Placeholders(std::string_view text) {
    std::vector<std::string> found;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            continue;
        }
        std::size_t end = i + 1;
        if (end < text.size() && text[end] == '%') {
            found.emplace_back("%%");
            i = end;
            continue;
        }
        if (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) {
            // Qt's %1 .. %99; the catalogue uses no printf widths.
            while (end < text.size() && end < i + 3 &&
                   std::isdigit(static_cast<unsigned char>(text[end]))) {
                ++end;
            }
            found.emplace_back(text.substr(i, end - i));
            i = end - 1;
            continue;
        }
        while (end < text.size() && std::strchr("-+#.hlL", text[end]) != nullptr) {
            ++end;
        }
        if (end < text.size() && std::strchr("diouxXeEfgGcspn", text[end]) != nullptr) {
            ++end;
        }
        found.emplace_back(text.substr(i, end - i));
        i = end - 1;
    }
    std::sort(found.begin(), found.end());
    return found;
}

// Accelerator marks: a single '&' ("&&" is a literal ampersand).
int Accelerators(std::string_view text) {
    int count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                ++i;
            } else {
                ++count;
            }
        }
    }
    return count;
}

bool IsValidUtf8(std::string_view text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder(QByteArrayView(text.data(), qsizetype(text.size())));
    return !decoder.hasError() && !decoded.contains(QChar::ReplacementCharacter);
}

TEST(CatalogueTable, CarriesExactlyTheThirteenLanguagesEnglishFirst) {
    const std::vector<std::uint16_t> expected = {1033, 1028, 2052, 1049, 1031, 1040, 3082,
                                                 1036, 1041, 1043, 1055, 1029, 1045};
    std::vector<std::uint16_t> actual;
    for (const LanguageResources& language : AllLanguageResources()) {
        actual.push_back(language.languageId);
    }
    EXPECT_EQ(actual, expected);
}

TEST(CatalogueTable, FindsOnlyExactLanguageIds) {
    for (const LanguageResources& language : AllLanguageResources()) {
        EXPECT_EQ(FindLanguageResources(language.languageId), &language) << language.languageId;
    }
    // Sublanguages (Swiss German, Spanish traditional sort), 0 and junk are not carried.
    for (std::uint16_t id : {0, 2055, 1034, 3084, 1024, 0xFFFF}) {
        EXPECT_EQ(FindLanguageResources(id), nullptr) << id;
    }
}

TEST(CatalogueTable, AddedMessagesFollowTheOriginalRange) {
    EXPECT_GE(LastMessageId(), kMsgLibraryFunctionMissing);
    for (const LanguageResources& language : AllLanguageResources()) {
        EXPECT_EQ(language.messages.size(),
                  static_cast<std::size_t>(LastMessageId() - kFirstMessageId + 1))
            << language.languageId;
    }
}

struct EnglishCase {
    int id;
    const char* text;
};

class EnglishText : public ::testing::TestWithParam<EnglishCase> {};

TEST_P(EnglishText, IsExactlyTheCatalogueText) {
    EXPECT_EQ(Text(English(), GetParam().id), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Sample, EnglishText,
    ::testing::Values(
        EnglishCase{kMsgAboutMenuItem, "&About Brisken..."}, EnglishCase{kMsgColumnNo, "No"},
        EnglishCase{kMsgSmsSent, "Send"}, EnglishCase{kMsgSmsToBeSent, "To be sent"},
        EnglishCase{kMsgReadDataFailed, "To read data is failed"},
        EnglishCase{kMsgConfirmExit, "You had updated data, are you sure to exit ?"},
        EnglishCase{kMsgTitle, "Brisken"},
        EnglishCase{kMsgPhoneBookStatus, "Phone Book Status : (Total / Used / Unused)"},
        EnglishCase{kMsgDontRemoveCard, "Please don't remove SIM card  !"},
        EnglishCase{kMsgTipPin, "Enable, disable or change PIN code"},
        EnglishCase{kMsgNeedAdministrator, "This program can only be executed with administrative "
                                           "privilege!"},
        EnglishCase{kMsgSelectLanguage, "Select Language"},
        EnglishCase{kMsgLoadLastDialedFirst, "Please load last dialed firstly."},
        EnglishCase{kMsgFiller179, "aaa"},
        EnglishCase{kMsgNotAvailable, "This function is not available yet."},
        EnglishCase{kMsgRecordsNotWritten,
                    "%1 record(s) could not be written to the card. The changes "
                    "are kept; try Save again."},
        EnglishCase{kMsgRememberedPinOtherCard,
                    "The remembered PIN was not used because a different card "
                    "is inserted."}),
    [](const auto& info) { return std::to_string(info.param.id); });

TEST(EnglishMenus, HoldTheCommandsAndTextsInOrder) {
    const LanguageResources& english = English();
    ASSERT_EQ(english.menuPin.size(), 4u);
    EXPECT_EQ(english.menuPin[0].command, kCmdEnablePin);
    EXPECT_STREQ(english.menuPin[0].text, "Enable PIN Code");
    EXPECT_EQ(english.menuPin[1].command, kCmdDisablePin);
    EXPECT_STREQ(english.menuPin[1].text, "Disable PIN Code");
    EXPECT_EQ(english.menuPin[2].command, 0);
    EXPECT_EQ(english.menuPin[2].text, nullptr);
    EXPECT_EQ(english.menuPin[3].command, kCmdChangePin);
    EXPECT_STREQ(english.menuPin[3].text, "Change PIN Code");
    ASSERT_EQ(english.menuImportExport.size(), 2u);
    EXPECT_EQ(english.menuImportExport[0].command, kCmdImport);
    EXPECT_STREQ(english.menuImportExport[0].text, "Import");
    EXPECT_EQ(english.menuImportExport[1].command, kCmdExport);
    EXPECT_STREQ(english.menuImportExport[1].text, "Export");
}

class EveryLanguage : public ::testing::TestWithParam<std::uint16_t> {
protected:
    const LanguageResources& Language() const {
        const LanguageResources* language = FindLanguageResources(GetParam());
        if (language == nullptr) {
            throw std::runtime_error("language not carried");
        }
        return *language;
    }
};

TEST_P(EveryLanguage, HasEveryTextAsCleanUtf8) {
    const LanguageResources& language = Language();
    for (int id = kFirstMessageId; id <= LastMessageId(); ++id) {
        const std::string_view text = Text(language, id);
        ASSERT_FALSE(text.empty()) << id;
        EXPECT_TRUE(IsValidUtf8(text)) << id;
        EXPECT_FALSE(std::isspace(static_cast<unsigned char>(text.front())) ||
                     std::isspace(static_cast<unsigned char>(text.back())))
            << id << ": " << text;
        EXPECT_TRUE(std::none_of(text.begin(), text.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
            << id << ": " << text;
    }
}

TEST_P(EveryLanguage, KeepsThePlaceholdersAndAcceleratorsOfEnglish) {
    const LanguageResources& language = Language();
    for (int id = kFirstMessageId; id <= LastMessageId(); ++id) {
        EXPECT_EQ(Placeholders(Text(language, id)), Placeholders(Text(English(), id)))
            << id << ": " << Text(language, id);
        EXPECT_EQ(Accelerators(Text(language, id)), Accelerators(Text(English(), id)))
            << id << ": " << Text(language, id);
    }
}

TEST_P(EveryLanguage, CountsAndNamesFillTheirPlaceholders) {
    const LanguageResources& language = Language();
    for (int id : {kMsgRecordsNotWritten, kMsgRecordsNotRead, kMsgLibraryFunctionMissing}) {
        const QString filled =
            QString::fromUtf8(Text(language, id).data()).arg(QStringLiteral("7"));
        EXPECT_FALSE(filled.contains(QLatin1Char('%'))) << id << ": " << filled.toStdString();
        EXPECT_TRUE(filled.contains(QLatin1Char('7'))) << id << ": " << filled.toStdString();
    }
}

TEST_P(EveryLanguage, MenusMatchEnglishCommandsAndSeparators) {
    const LanguageResources& language = Language();
    auto check = [](std::span<const MenuItemText> menu, std::span<const MenuItemText> english) {
        ASSERT_EQ(menu.size(), english.size());
        std::set<std::string_view> texts;
        for (std::size_t i = 0; i < menu.size(); ++i) {
            EXPECT_EQ(menu[i].command, english[i].command) << i;
            if (english[i].command == 0) {
                EXPECT_EQ(menu[i].text, nullptr) << i;
                continue;
            }
            ASSERT_NE(menu[i].text, nullptr) << i;
            EXPECT_TRUE(IsValidUtf8(menu[i].text)) << i;
            EXPECT_TRUE(texts.insert(menu[i].text).second) << "repeated: " << menu[i].text;
            EXPECT_EQ(Accelerators(menu[i].text), Accelerators(english[i].text)) << menu[i].text;
        }
    };
    check(language.menuPin, English().menuPin);
    check(language.menuImportExport, English().menuImportExport);
}

// Texts the user must tell apart in one place: the five SMS statuses share a
// selector, OK and Cancel share a dialog, the views share a radio group.
TEST_P(EveryLanguage, TextsShownSideBySideDiffer) {
    const LanguageResources& language = Language();
    const std::vector<std::vector<int>> groups = {
        {kMsgSmsUnused, kMsgSmsRead, kMsgSmsToBeRead, kMsgSmsSent, kMsgSmsToBeSent},
        {kMsgOk, kMsgCancel},
        {kMsgViewPhoneBook, kMsgViewSms, kMsgViewLastDialed},
        {kMsgTipLoad, kMsgTipSave, kMsgTipNew, kMsgTipDelete, kMsgTipClose, kMsgTipPin,
         kMsgTipUnblock, kMsgTipImportExport, kMsgSelectLanguage, kMsgTipCardInfo},
        {kMsgColumnNo, kMsgColumnName, kMsgColumnPhoneNo, kMsgColumnSmsStatus, kMsgColumnTime,
         kMsgColumnMessage},
        {kMsgInputPinLabel, kMsgPinRetriesLabel, kMsgInputPukLabel, kMsgPukRetriesLabel},
        {kMsgNewPinLabel, kMsgConfirmPinLabel},
    };
    for (const auto& group : groups) {
        std::set<std::string_view> seen;
        for (int id : group) {
            EXPECT_TRUE(seen.insert(Text(language, id)).second)
                << id << " repeats: " << Text(language, id);
        }
    }
}

TEST_P(EveryLanguage, KeepsTheProgramNameAndTheFiller) {
    EXPECT_EQ(Text(Language(), kMsgTitle), "Brisken");
    EXPECT_EQ(Text(Language(), kMsgFiller179), "aaa");
    EXPECT_NE(Text(Language(), kMsgAboutMenuItem).find("Brisken"), std::string_view::npos);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EveryLanguage,
                         ::testing::Values(1033, 1028, 2052, 1049, 1031, 1040, 3082, 1036, 1041,
                                           1043, 1055, 1029, 1045),
                         [](const auto& info) { return std::to_string(info.param); });

// Sentences every translation has to reword; one left in English means a
// table was copied and not translated.
class EveryTranslation : public EveryLanguage {};

TEST_P(EveryTranslation, RewordsTheSentences) {
    for (int id : {kMsgConnectFailed, kMsgConfirmExit, kMsgDontRemoveCard, kMsgPinsDiffer,
                   kMsgOpenFileFailed, kMsgSelectLanguage, kMsgNotAvailable, kMsgLibraryLoadFailed,
                   kMsgRecordsNotWritten, kMsgRecordsNotRead, kMsgRunDirectoryUnsafe, kMsgBusyWait,
                   kMsgFileWriteFailed, kMsgFileInvalid, kMsgRememberedPinOtherCard,
                   kMsgBookFullImportStopped, kMsgLibraryFunctionMissing, kMsgEntriesCut}) {
        EXPECT_NE(Text(Language(), id), Text(English(), id)) << id;
    }
    EXPECT_STRNE(Language().menuPin[0].text, English().menuPin[0].text);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EveryTranslation,
                         ::testing::Values(1028, 2052, 1049, 1031, 1040, 3082, 1036, 1041, 1043,
                                           1055, 1029, 1045),
                         [](const auto& info) { return std::to_string(info.param); });

} // namespace
} // namespace brisken
