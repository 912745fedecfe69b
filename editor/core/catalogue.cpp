#include "core/catalogue.h"

#include "core/catalogue_languages.h"

#include <array>

namespace brisken {

int LastMessageId() {
    return catalogue::kLastId;
}

std::span<const LanguageResources> AllLanguageResources() {
    // Built on first use, so no other static initialiser can see it half made.
    static const std::array<LanguageResources, 13> all = {
        catalogue::English(),
        catalogue::ChineseTraditional(),
        catalogue::ChineseSimplified(),
        catalogue::Russian(),
        catalogue::German(),
        catalogue::Italian(),
        catalogue::Spanish(),
        catalogue::French(),
        catalogue::Japanese(),
        catalogue::Dutch(),
        catalogue::Turkish(),
        catalogue::Czech(),
        catalogue::Polish(),
    };
    return all;
}

const LanguageResources* FindLanguageResources(std::uint16_t languageId) {
    for (const LanguageResources& language : AllLanguageResources()) {
        if (language.languageId == languageId) {
            return &language;
        }
    }
    return nullptr;
}

} // namespace brisken
