#include "core/language.h"

#include <QLocale>

#include <array>
#include <atomic>

namespace brisken {
namespace {

constexpr std::array<LanguageChoice, 14> kChoices = {{
    {"default (Windows Language Setting)", 0},
    {"Chinese (Traditional)", 1028},
    {"Russian", 1049},
    {"English", 1033},
    {"Chinese (Simplified)", 2052},
    {"German", 1031},
    {"Italian", 1040},
    {"Spanish", 3082},
    {"French", 1036},
    {"Japanese", 1041},
    {"Dutch", 1043},
    {"Turkish", 1055},
    {"Czech", 1029},
    {"Polish", 1045},
}};

std::atomic<std::uint16_t> interfaceLanguage{0};
std::atomic<std::uint16_t> pinnedUserLanguage{0};

const LanguageResources& English() {
    const LanguageResources* english = FindLanguageResources(kLangEnglish);
    return english ? *english : AllLanguageResources().front();
}

const LanguageResources& LookupResources() {
    const LanguageResources* found =
        FindLanguageResources(ResourceLanguage(InterfaceLanguage(), UserDefaultLanguageId()));
    return found ? *found : English();
}

const char* MessageIn(const LanguageResources& language, int id) {
    const int index = id - kFirstMessageId;
    if (index < 0 || static_cast<std::size_t>(index) >= language.messages.size()) {
        return nullptr;
    }
    return language.messages[static_cast<std::size_t>(index)];
}

} // namespace

std::span<const LanguageChoice> LanguageChoices() {
    return kChoices;
}

bool DefaultRulePasses(std::uint16_t id) {
    switch (id) {
    case 1028:
    case 1033:
    case 1049:
    case 2052:
    case 1041:
    case 1055:
        return true;
    default:
        break;
    }
    switch (id & 0x3FF) {
    case 7:  // German
    case 10: // Spanish
    case 12: // French
    case 16: // Italian
    case 19: // Dutch
        return true;
    default:
        return false;
    }
}

std::uint16_t InterfaceLanguageForIndex(int index, std::uint16_t userLanguageId) {
    if (index < 0) {
        return kLangEnglish;
    }
    if (index == 0) {
        return DefaultRulePasses(userLanguageId) ? 0 : kLangEnglish;
    }
    if (static_cast<std::size_t>(index) < kChoices.size()) {
        return kChoices[static_cast<std::size_t>(index)].languageId;
    }
    return 0;
}

std::uint16_t InterfaceLanguage() {
    return interfaceLanguage.load();
}
void SetInterfaceLanguage(std::uint16_t languageId) {
    interfaceLanguage.store(languageId);
}

std::uint16_t UserDefaultLanguageId() {
    const std::uint16_t pinned = pinnedUserLanguage.load();
    return pinned != 0 ? pinned : LanguageIdFromLocale(QLocale::system());
}

void SetUserDefaultLanguageIdForTesting(std::uint16_t languageId) {
    pinnedUserLanguage.store(languageId);
}

std::uint16_t ResourceLanguage(std::uint16_t interface, std::uint16_t userLanguageId) {
    if (interface != 0) {
        // A stored id the editor does not carry still gets readable texts.
        return FindLanguageResources(interface) ? interface : kLangEnglish;
    }
    return FindLanguageResources(userLanguageId) ? userLanguageId : kLangEnglish;
}

QString Text(int id) {
    const char* text = MessageIn(LookupResources(), id);
    if (text == nullptr) {
        text = MessageIn(English(), id);
    }
    return text ? QString::fromUtf8(text) : QString();
}

QString Text(int id, int capacity) {
    QString text = Text(id);
    if (capacity <= 0) {
        return QString();
    }
    if (text.size() > capacity - 1) {
        text.truncate(capacity - 1);
    }
    return text;
}

std::span<const MenuItemText> MenuItems(int menuId) {
    const auto pick = [menuId](const LanguageResources& language) {
        if (menuId == kMenuPin) {
            return language.menuPin;
        }
        if (menuId == kMenuImportExport) {
            return language.menuImportExport;
        }
        return std::span<const MenuItemText>();
    };
    std::span<const MenuItemText> items = pick(LookupResources());
    return items.empty() ? pick(English()) : items;
}

} // namespace brisken
