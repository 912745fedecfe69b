// What the tests through the real stack share: the stored card profiles and
// what a phone-book record of the virtual card must show.
#pragma once

#include <nlohmann/json.hpp>

#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brisken::testing {

using Bytes = std::vector<std::uint8_t>;

inline std::string Profile(const char* name) {
    return std::string(SIM_PROFILE_DIR) + "/" + name;
}

// What a phone-book record must show, from its bytes: free or not, and the
// name where it is plain ASCII letters or a UCS2 (80) name. Other forms are
// left to the codec tests.
struct ExpectedRecord {
    bool free = true;
    std::optional<QString> name;
};

inline ExpectedRecord FromAdnBytes(const Bytes& record) {
    const std::size_t alphaLength = record.size() - 14;
    ExpectedRecord expected;
    const bool alphaEmpty = std::all_of(record.begin(), record.begin() + alphaLength,
                                        [](std::uint8_t b) { return b == 0xFF; });
    const std::uint8_t numberLength = record[alphaLength];
    expected.free = alphaEmpty && (numberLength == 0xFF || numberLength <= 1);
    if (!alphaEmpty && record[0] == 0x80) {
        QString name;
        for (std::size_t i = 1; i + 1 < alphaLength; i += 2) {
            const auto unit = static_cast<char16_t>(record[i] << 8 | record[i + 1]);
            if (unit == 0xFFFF) {
                break;
            }
            name.append(QChar(unit));
        }
        expected.name = name;
    } else if (!alphaEmpty) {
        QString name;
        for (std::size_t i = 0; i < alphaLength && record[i] != 0xFF; ++i) {
            if (!std::isalnum(record[i]) && record[i] != ' ') {
                return expected;
            }
            name.append(QChar(record[i]));
        }
        expected.name = name;
    }
    return expected;
}

// A profile of sim/profiles changed by `edit`, in a temporary file.
inline std::string EditedProfile(const char* name,
                                 const std::function<void(nlohmann::json&)>& edit) {
    std::ifstream in(Profile(name));
    nlohmann::json profile = nlohmann::json::parse(in);
    edit(profile);
    const std::string path = ::testing::TempDir() + "/brisken_" + name;
    std::ofstream(path) << profile.dump();
    return path;
}

// The R-UIM profile with the last-dialled file it lacks as stored, which the
// library's card information asks for.
inline std::string RuimProfile() {
    return EditedProfile("book_ruim.json", [](nlohmann::json& profile) {
        for (auto& child : profile["mf"]["children"]) {
            if (child["id"] == "7F10") {
                child["children"].push_back({{"id", "6F44"},
                                             {"type", "EF"},
                                             {"name", "EF_LND"},
                                             {"structure", "cyclic"},
                                             {"recordLength", 28},
                                             {"recordCount", 5}});
            }
        }
    });
}

} // namespace brisken::testing
