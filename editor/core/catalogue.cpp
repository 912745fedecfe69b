#include "core/catalogue.h"

#include "core/catalogue_languages.h"

#include <array>

namespace brisken {

int LastMessageId() {
    return catalogue::kLastId;
}

std::span<const LanguageResources> AllLanguageResources() {
    // Built on first use, so no other static initialiser can see it half made.
    static const std::array<LanguageResources, 3> all = {
        catalogue::English(),
        catalogue::German(),
        catalogue::French(),
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
