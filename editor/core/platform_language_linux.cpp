// The user's Windows-style language id derived from the POSIX locale
// (LANG / LC_* through QLocale). On Windows this file gives way to
// GetUserDefaultLangID.
#include "core/language.h"

#include <QLocale>

#include <array>
#include <utility>

namespace brisken {
namespace {

using Territory = QLocale::Territory;

struct PrimaryLanguage {
    QLocale::Language language;
    std::uint16_t primary;
};

constexpr std::array<PrimaryLanguage, 40> kPrimary = {{
    {QLocale::Arabic, 0x01},    {QLocale::Bulgarian, 0x02},
    {QLocale::Catalan, 0x03},   {QLocale::Chinese, 0x04},
    {QLocale::Czech, 0x05},     {QLocale::Danish, 0x06},
    {QLocale::German, 0x07},    {QLocale::Greek, 0x08},
    {QLocale::English, 0x09},   {QLocale::Spanish, 0x0A},
    {QLocale::Finnish, 0x0B},   {QLocale::French, 0x0C},
    {QLocale::Hebrew, 0x0D},    {QLocale::Hungarian, 0x0E},
    {QLocale::Icelandic, 0x0F}, {QLocale::Italian, 0x10},
    {QLocale::Japanese, 0x11},  {QLocale::Korean, 0x12},
    {QLocale::Dutch, 0x13},     {QLocale::NorwegianBokmal, 0x14},
    {QLocale::Polish, 0x15},    {QLocale::Portuguese, 0x16},
    {QLocale::Romanian, 0x18},  {QLocale::Russian, 0x19},
    {QLocale::Croatian, 0x1A},  {QLocale::Slovak, 0x1B},
    {QLocale::Albanian, 0x1C},  {QLocale::Swedish, 0x1D},
    {QLocale::Thai, 0x1E},      {QLocale::Turkish, 0x1F},
    {QLocale::Urdu, 0x20},      {QLocale::Indonesian, 0x21},
    {QLocale::Ukrainian, 0x22}, {QLocale::Belarusian, 0x23},
    {QLocale::Slovenian, 0x24}, {QLocale::Estonian, 0x25},
    {QLocale::Latvian, 0x26},   {QLocale::Lithuanian, 0x27},
    {QLocale::Persian, 0x29},   {QLocale::Vietnamese, 0x2A},
}};

struct Sublanguage {
    QLocale::Language language;
    Territory territory;
    std::uint16_t sub;
};

// Territories whose sublanguage is not the default (1). Chinese without a
// territory is decided by its script below.
constexpr std::array<Sublanguage, 39> kSublanguages = {{
    {QLocale::Chinese, Territory::Taiwan, 1},
    {QLocale::Chinese, Territory::China, 2},
    {QLocale::Chinese, Territory::HongKong, 3},
    {QLocale::Chinese, Territory::Singapore, 4},
    {QLocale::German, Territory::Switzerland, 2},
    {QLocale::German, Territory::Austria, 3},
    {QLocale::German, Territory::Luxembourg, 4},
    {QLocale::German, Territory::Liechtenstein, 5},
    {QLocale::English, Territory::UnitedKingdom, 2},
    {QLocale::English, Territory::Australia, 3},
    {QLocale::English, Territory::Canada, 4},
    {QLocale::English, Territory::NewZealand, 5},
    {QLocale::English, Territory::Ireland, 6},
    {QLocale::English, Territory::SouthAfrica, 7},
    {QLocale::English, Territory::India, 0x10},
    {QLocale::English, Territory::Singapore, 0x12},
    {QLocale::Spanish, Territory::Spain, 3},
    {QLocale::Spanish, Territory::Mexico, 2},
    {QLocale::Spanish, Territory::Guatemala, 4},
    {QLocale::Spanish, Territory::CostaRica, 5},
    {QLocale::Spanish, Territory::Panama, 6},
    {QLocale::Spanish, Territory::Venezuela, 8},
    {QLocale::Spanish, Territory::Colombia, 9},
    {QLocale::Spanish, Territory::Peru, 0x0A},
    {QLocale::Spanish, Territory::Argentina, 0x0B},
    {QLocale::Spanish, Territory::Ecuador, 0x0C},
    {QLocale::Spanish, Territory::Chile, 0x0D},
    {QLocale::Spanish, Territory::Uruguay, 0x0E},
    {QLocale::Spanish, Territory::UnitedStates, 0x15},
    {QLocale::French, Territory::Belgium, 2},
    {QLocale::French, Territory::Canada, 3},
    {QLocale::French, Territory::Switzerland, 4},
    {QLocale::French, Territory::Luxembourg, 5},
    {QLocale::French, Territory::Monaco, 6},
    {QLocale::Italian, Territory::Switzerland, 2},
    {QLocale::Dutch, Territory::Belgium, 2},
    {QLocale::Portuguese, Territory::Brazil, 1},
    {QLocale::Portuguese, Territory::Portugal, 2},
    {QLocale::Swedish, Territory::Finland, 2},
}};

} // namespace

std::uint16_t LanguageIdFromLocale(const QLocale& locale) {
    const QLocale::Language language = locale.language();
    if (language == QLocale::C) {
        return kLangEnglish; // the POSIX locale reads as US English
    }
    std::uint16_t primary = 0;
    for (const PrimaryLanguage& entry : kPrimary) {
        if (entry.language == language) {
            primary = entry.primary;
            break;
        }
    }
    if (primary == 0) {
        return 0;
    }
    std::uint16_t sub = 1;
    if (language == QLocale::Chinese) {
        sub = locale.script() == QLocale::TraditionalChineseScript ? 1 : 2;
    } else if (language == QLocale::Spanish) {
        sub = 3; // modern sort, as Spain's id 3082
    }
    for (const Sublanguage& entry : kSublanguages) {
        if (entry.language == language && entry.territory == locale.territory()) {
            sub = entry.sub;
            break;
        }
    }
    return static_cast<std::uint16_t>((sub << 10) | primary);
}

} // namespace brisken
