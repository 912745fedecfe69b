// Reader profiles in JSON:
// {
//   "family": "MultiSlot",            one of the Family names
//   "inquiryTag": "QVXK5100",         optional, INQUIRY bytes 36..43
//   "vendorId": "1D6B", "productId": "0104",
//   "firmware": [1, 5],
//   "eeprom": false, "nor": true, "highSpeed": true,
//   "lunBase": 2, "lunCount": 2,      extended-address controllers
//   "slotLuns": [0, 1, 2, 2, 3, 7, 7],
//   "drives": ["sdb", "sdc", "sdd", "sde"],
//   "cards": [{"slot": 1, "blocks": 8192, "image": "sd.img",
//              "writeProtected": false, "initFail": false, "mode": 64}]
// }
#include "sim_reader.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <stdexcept>

namespace simreader {
namespace {

uint16_t HexId(const nlohmann::json& value, const char* what) {
    const std::string text = value.get<std::string>();
    size_t used = 0;
    unsigned long id = 0;
    try {
        id = std::stoul(text, &used, 16);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || text.empty() || id > 0xFFFF)
        throw std::runtime_error(std::string("reader profile: bad ") + what + " \"" + text + "\"");
    return static_cast<uint16_t>(id);
}

uint8_t Byte(const nlohmann::json& value, const char* what) {
    const int n = value.get<int>();
    if (n < 0 || n > 255)
        throw std::runtime_error(std::string("reader profile: ") + what + " out of range");
    return static_cast<uint8_t>(n);
}

} // namespace

size_t LoadReaderProfile(SimReaderBackend& backend, const std::filesystem::path& profile) {
    std::ifstream in(profile);
    if (!in)
        throw std::runtime_error("reader profile: cannot read " + profile.string());
    nlohmann::json j;
    try {
        j = nlohmann::json::parse(in);
        const auto family = FamilyFromName(j.at("family").get<std::string>());
        if (!family)
            throw std::runtime_error("reader profile: unknown family");
        auto controller = std::make_unique<SimController>(*family);
        if (j.contains("inquiryTag"))
            controller->SetInquiryTag(j["inquiryTag"].get<std::string>());
        if (j.contains("vendorId") || j.contains("productId"))
            controller->SetIds(HexId(j.value("vendorId", nlohmann::json("0")), "vendorId"),
                               HexId(j.value("productId", nlohmann::json("0")), "productId"));
        if (j.contains("firmware")) {
            const auto& fw = j["firmware"];
            controller->SetFirmware(Byte(fw.at(0), "firmware"), Byte(fw.at(1), "firmware"));
        }
        controller->SetRomFlags(j.value("eeprom", false), j.value("nor", false));
        controller->SetHighSpeed(j.value("highSpeed", true));
        if (j.contains("lunCount"))
            controller->SetLunLayout(Byte(j.value("lunBase", 0), "lunBase"),
                                     Byte(j["lunCount"], "lunCount"));
        if (j.contains("slotLuns")) {
            int slot = 0;
            for (const auto& lun : j["slotLuns"])
                controller->SetSlotLun(slot++, Byte(lun, "slot LUN"));
        }
        for (const auto& c : j.value("cards", nlohmann::json::array())) {
            SimCard card;
            if (c.contains("image")) {
                std::filesystem::path image = c["image"].get<std::string>();
                card.imagePath = image.is_absolute() ? image : profile.parent_path() / image;
            }
            card.blockCount = c.value("blocks", 8192u);
            card.writeProtected = c.value("writeProtected", false);
            card.initFail = c.value("initFail", false);
            card.modeByte = Byte(c.value("mode", 0), "mode");
            controller->InsertCard(c.at("slot").get<int>(), card);
        }
        std::vector<std::string> drives = j.at("drives").get<std::vector<std::string>>();
        return backend.AddController(std::move(controller), std::move(drives));
    } catch (const nlohmann::json::exception& e) {
        throw std::runtime_error(std::string("reader profile: ") + e.what());
    }
}

} // namespace simreader
