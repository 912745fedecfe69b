// A tester device wired to the simulated reader, with waits and trace lines
// recorded instead of slept and logged.
#pragma once

#include "reader_device.h"
#include "sim_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace orrick::testing {

inline std::vector<std::string> Names(std::initializer_list<const char*> names) {
    return {names.begin(), names.end()};
}

inline simreader::SimCard WriteProtectedCard() {
    simreader::SimCard card;
    card.writeProtected = true;
    return card;
}

inline simreader::SimCard InitFailCard() {
    simreader::SimCard card;
    card.initFail = true;
    return card;
}

inline simreader::SimCard CardOfBlocks(uint32_t blocks, std::filesystem::path image = {}) {
    simreader::SimCard card;
    card.blockCount = blocks;
    card.imagePath = std::move(image);
    return card;
}

class SimReaderTest : public ::testing::Test {
protected:
    SimReaderTest() : device(backend) {
        device.SetDelay([this](unsigned ms) { delays.push_back(ms); });
        device.SetTrace([this](std::string_view line) { traces.emplace_back(line); });
    }

    simreader::SimController& AddReader(simreader::Family family, std::vector<std::string> drives) {
        const size_t i = backend.AddController(std::make_unique<simreader::SimController>(family),
                                               std::move(drives));
        return backend.Controller(i);
    }

    // Identifies one drive into a fresh context.
    ReaderContext Identified(const std::string& drive) {
        ReaderContext context;
        EXPECT_TRUE(device.IdentifyReaderDrive(drive, context)) << drive;
        return context;
    }

    std::vector<ScsiRequest> SentWithOpcode(uint8_t opcode) const {
        std::vector<ScsiRequest> out;
        for (const auto& s : backend.SentRequests())
            if (s.request.opcode() == opcode)
                out.push_back(s.request);
        return out;
    }

    simreader::SimReaderBackend backend;
    ReaderDevice device;
    std::vector<unsigned> delays;
    std::vector<std::string> traces;
};

// A directory of its own for each test, removed afterwards.
class TempDir {
public:
    TempDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        path_ = std::filesystem::temp_directory_path() /
                ("orrick_test_" + std::to_string(::getpid()) + "_" + name);
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace orrick::testing
