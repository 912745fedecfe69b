// The EF contents of a running card as JSON, so that a test can look at a
// card served by another process once that process has ended:
//   {"7F10/6F3A": "FF FF ...", "2FE2": "98 94 ...", ...}
// Keys are the file ids from the MF down (the MF omitted), in upper-case hex.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "profile.h"

namespace simcard {

class VirtualCard;

std::string FileKey(const std::vector<std::uint16_t>& path);

nlohmann::json SaveFiles(const VirtualCard& card);

// Contents of one EF of a saved card; throws std::runtime_error when the
// file is missing or its text is not hex.
Bytes SavedFile(const nlohmann::json& files, const std::vector<std::uint16_t>& path);

} // namespace simcard
