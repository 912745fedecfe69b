// Cards that answer every SELECT with one fixed status word: a memory
// problem (9240), success after an internal retry (9201), or a GSM answer
// announcing a length of the profile's choosing (9F1A).
#include <nlohmann/json.hpp>

#include "virtual_card.h"

namespace simcard {

std::optional<std::uint16_t> ParseSelectStatus(const nlohmann::json& document) {
    if (!document.contains("selectStatus"))
        return std::nullopt;
    Bytes word = ParseHex(document.at("selectStatus").get<std::string>());
    if (word.size() != 2)
        throw std::runtime_error("profile: selectStatus must be two bytes");
    return static_cast<std::uint16_t>((word[0] << 8) | word[1]);
}

Bytes VirtualCard::ForcedSelectAnswer(Bytes answer) {
    const std::uint16_t word = *profile_.selectStatus;
    const std::uint8_t sw1 = static_cast<std::uint8_t>(word >> 8);
    const std::uint8_t sw2 = static_cast<std::uint8_t>(word & 0xFF);
    // A word that announces response data makes exactly that much available
    // to GET RESPONSE: the real answer, cut or padded with zeros.
    if (sw1 == 0x9F || sw1 == 0x61)
        answer.resize(sw2 == 0 ? 256 : sw2, 0x00);
    session_.pendingResponse = std::move(answer);
    return {sw1, sw2};
}

} // namespace simcard
