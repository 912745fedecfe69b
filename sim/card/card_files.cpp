#include "card_files.h"

#include <cstdio>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "virtual_card.h"

namespace simcard {
namespace {

void SaveBelow(const VirtualCard& card, const FileNode& directory, std::vector<std::uint16_t>& path,
               nlohmann::json& out) {
    for (const FileNode& child : directory.children) {
        path.push_back(child.id);
        if (child.IsDirectory())
            SaveBelow(card, child, path, out);
        else
            out[FileKey(path)] = FormatHex(card.Contents(path));
        path.pop_back();
    }
}

} // namespace

std::string FileKey(const std::vector<std::uint16_t>& path) {
    std::string key;
    for (std::uint16_t id : path) {
        char part[6];
        std::snprintf(part, sizeof part, "%04X", static_cast<unsigned>(id));
        if (!key.empty())
            key += '/';
        key += part;
    }
    return key;
}

nlohmann::json SaveFiles(const VirtualCard& card) {
    nlohmann::json out = nlohmann::json::object();
    std::vector<std::uint16_t> path;
    if (card.Profile().mf)
        SaveBelow(card, *card.Profile().mf, path, out);
    return out;
}

Bytes SavedFile(const nlohmann::json& files, const std::vector<std::uint16_t>& path) {
    const std::string key = FileKey(path);
    if (!files.is_object() || !files.contains(key) || !files[key].is_string())
        throw std::runtime_error("saved card: no file " + key);
    try {
        return ParseHex(files[key].get<std::string>());
    } catch (const std::exception&) {
        throw std::runtime_error("saved card: file " + key + " is not hex");
    }
}

} // namespace simcard
