// The editor's message catalogue and pop-up menus in every language it carries.
//
// The texts are data compiled into the program (UTF-8). Lookup by the
// interface language, with its fallback to English, lives in the language
// module; this header only describes the tables.
#pragma once

#include <cstdint>
#include <span>

namespace brisken {

inline constexpr int kFirstMessageId = 101;
// Ids up to 179 are the original catalogue; ids from 180 on are messages added
// since, carried in every language like the rest.
inline constexpr int kLastOriginalMessageId = 179;

inline constexpr int kMenuPin = 146;          // Enable / Disable / - / Change PIN Code
inline constexpr int kMenuImportExport = 150; // Import / Export

inline constexpr int kCmdEnablePin = 32771;
inline constexpr int kCmdDisablePin = 32772;
inline constexpr int kCmdChangePin = 32773;
inline constexpr int kCmdImport = 32774;
inline constexpr int kCmdExport = 32775;

struct MenuItemText {
    int command;      // 0 marks a separator
    const char* text; // nullptr for a separator
};

struct LanguageResources {
    std::uint16_t languageId;             // Windows language identifier, e.g. 1033
    std::span<const char* const> messages; // messages[i] is id kFirstMessageId + i
    std::span<const MenuItemText> menuPin;
    std::span<const MenuItemText> menuImportExport;
};

// Highest message id carried (the same in every language).
int LastMessageId();

// The thirteen languages, English first.
std::span<const LanguageResources> AllLanguageResources();

// The resources of exactly this language identifier, or nullptr when the
// editor does not carry it (no sublanguage matching here).
const LanguageResources* FindLanguageResources(std::uint16_t languageId);

} // namespace brisken
