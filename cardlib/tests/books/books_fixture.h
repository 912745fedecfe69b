// Fixture of the book tests: a virtual card from sim/profiles behind the fake
// PC/SC service, the commands it received, and its file contents.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "fake_pcsc_fixture.h"

class BookTest : public FakePcscTest {
protected:
    void Insert(const std::string& profile) { InsertCard(Profile(profile)); }

    void InsertCard(simcard::CardProfile profile) {
        card_ = std::make_unique<simcard::VirtualCard>(std::move(profile));
        fake_pcsc::SetReaders({ReaderWithCard(*card_)});
        handle_ = Open();
    }

    // Commands the card received from now on.
    void Mark() { mark_ = card_->Received().size(); }
    std::vector<std::string> SentSinceMark() const {
        std::vector<std::string> out;
        const auto& received = card_->Received();
        for (std::size_t i = mark_; i < received.size(); ++i)
            out.push_back(fake_pcsc::ToHex(received[i]));
        return out;
    }
    // Each expected command must be a prefix of the one sent (GET RESPONSE
    // lengths depend on the card's answers and are left out).
    void ExpectSentSinceMark(const std::vector<std::string>& expected) const {
        const auto sent = SentSinceMark();
        ASSERT_EQ(sent.size(), expected.size()) << testing::PrintToString(sent);
        for (std::size_t i = 0; i < sent.size(); ++i)
            EXPECT_EQ(sent[i].substr(0, expected[i].size()), expected[i]) << "command " << i;
    }

    // Record n (1-based) of the EF at path as the card holds it now.
    fake_pcsc::Bytes CardRecord(const std::vector<std::uint16_t>& path, int n, int length) const {
        const auto& content = card_->Contents(path);
        auto begin = content.begin() + (n - 1) * length;
        return fake_pcsc::Bytes(begin, begin + length);
    }

    std::unique_ptr<simcard::VirtualCard> card_;
    QuarnConnection handle_ = 0;
    std::size_t mark_ = 0;
};

// "00 01" + "FF FF ..." up to `length` bytes.
inline fake_pcsc::Bytes PaddedHex(const std::string& hex, std::size_t length, uint8_t fill) {
    auto bytes = fake_pcsc::Hex(hex);
    bytes.resize(length, fill);
    return bytes;
}

inline std::string HexOf(const fake_pcsc::Bytes& bytes) {
    return fake_pcsc::ToHex(bytes);
}
