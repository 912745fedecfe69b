// Interface language: the language table, the default rule and the lookup of
// texts and menus with its fallback to English.
#pragma once

#include "core/catalogue.h"

#include <QString>

#include <cstdint>
#include <span>

class QLocale;

namespace brisken {

inline constexpr std::uint16_t kLangEnglish = 1033;

struct LanguageChoice {
    const char* listText;     // shown in English in every interface language
    std::uint16_t languageId; // 0 for the default entry
};

// Index = position in the Select Language list = value in the settings file.
std::span<const LanguageChoice> LanguageChoices();

// Whether the user's language id is one the editor follows when the choice is
// "default": a few exact ids, or a few primary languages with any sublanguage.
bool DefaultRulePasses(std::uint16_t userLanguageId);

// The interface language for a stored choice: negative -> English, 0 -> the
// default rule, 1..13 -> the table, 14 and above -> 0 (follow the user).
std::uint16_t InterfaceLanguageForIndex(int index, std::uint16_t userLanguageId);

// Process-wide interface language; 0 means "the user's own language".
std::uint16_t InterfaceLanguage();
void SetInterfaceLanguage(std::uint16_t languageId);

// Windows-style language id of a locale (primary language in the low 10 bits,
// sublanguage above), 0 when the language has no such id here.
std::uint16_t LanguageIdFromLocale(const QLocale& locale);

// The user's default language id, from the system locale. Tests may pin it.
std::uint16_t UserDefaultLanguageId();
void SetUserDefaultLanguageIdForTesting(std::uint16_t languageId); // 0 restores the system's

// The resource language that a lookup uses: the interface language when it is
// carried, else for 0 the user's language when carried, else English.
std::uint16_t ResourceLanguage(std::uint16_t interfaceLanguage, std::uint16_t userLanguageId);

// Text of a catalogue id in the interface language; English when the
// language lacks it, empty for an unknown id.
QString Text(int id);
// The same, cut to capacity - 1 UTF-16 units, as the fixed buffers of dialogs take it.
QString Text(int id, int capacity);

// Items of menu 146 or 150 in the interface language (empty for another id).
std::span<const MenuItemText> MenuItems(int menuId);

} // namespace brisken
