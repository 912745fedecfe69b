// Shared by the per-language tables of the catalogue; not for other code.
#pragma once

#include "core/catalogue.h"

#include <array>
#include <cstddef>

namespace brisken::catalogue {

inline constexpr int kLastId = kMsgEntriesCut;
inline constexpr std::size_t kMessageCount = kLastId - kFirstMessageId + 1;

struct Entry {
    int id;
    const char* text;
};

using MessageArray = std::array<const char*, kMessageCount>;

// Places every text at its id. The tables are written with their ids so that a
// missing, repeated or out-of-range id stops the build instead of shifting
// every later message of a language by one.
template <std::size_t N> consteval MessageArray OrderById(const Entry (&entries)[N]) {
    MessageArray ordered{};
    for (const Entry& entry : entries) {
        if (entry.id < kFirstMessageId || entry.id > kLastId) {
            throw "message id out of range";
        }
        const auto index = static_cast<std::size_t>(entry.id - kFirstMessageId);
        if (ordered[index] != nullptr) {
            throw "message id given twice";
        }
        if (entry.text == nullptr) {
            throw "message without text";
        }
        ordered[index] = entry.text;
    }
    for (const char* text : ordered) {
        if (text == nullptr) {
            throw "message id missing";
        }
    }
    return ordered;
}

LanguageResources English();
LanguageResources ChineseTraditional();
LanguageResources ChineseSimplified();
LanguageResources Russian();
LanguageResources German();
LanguageResources Italian();
LanguageResources Spanish();
LanguageResources French();
LanguageResources Japanese();
LanguageResources Dutch();
LanguageResources Turkish();
LanguageResources Czech();
LanguageResources Polish();

} // namespace brisken::catalogue
