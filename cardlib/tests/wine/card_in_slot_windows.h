// CardInSlot for test programs under Wine: the card is the Linux card program
// in the first "Generic MultiCard reader 1.0" slot (vpcd port SANDBOX_PORT +
// 2), started through the host's shell. Taking it out stops the program,
// which first saves the card's files; Record reads that copy.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

class CardInSlot {
public:
    explicit CardInSlot(const std::string& profilePath);
    ~CardInSlot();
    CardInSlot(const CardInSlot&) = delete;
    CardInSlot& operator=(const CardInSlot&) = delete;

    void Remove();

    // Record n (from 1) of a record file; only after Remove. Throws when the
    // files could not be saved or the record lies outside the file.
    std::vector<std::uint8_t> Record(const std::vector<std::uint16_t>& path, int n,
                                     int length) const;

private:
    std::string pidFile_; // host paths
    std::string saveFile_;
    bool running_ = false;
    std::string error_; // why there are no saved files
    nlohmann::json files_;
};
