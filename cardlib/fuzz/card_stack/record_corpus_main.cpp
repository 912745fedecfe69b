// Records seed inputs for the whole-library fuzz targets: the same operations
// run on each virtual card of a profile directory (in process, behind the
// scripted PC/SC fake), and every answer of the card is written in the
// answer stream's form. The operations check their results as they go, so a
// run over every profile is also a test that the checks hold for sound cards.
//
//   nimbrel-record-card-stack PROFILE_DIR OUT_DIR
//
// Writes OUT_DIR/<profile>-books (everything but the file-map walks) for each
// card profile and OUT_DIR/<profile>-walks (the probes and both walks) for
// the profiles named on the walk list below.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "answer_stream.h"
#include "card_stack_run.h"
#include "fake_pcsc.h"
#include "profile.h"
#include "virtual_card.h"

namespace {

namespace fs = std::filesystem;

// One card of each kind: the walks select every identifier of every
// directory, so a few of them are enough to seed that part.
const char* const kWalkProfiles[] = {"gsm_sim", "usim", "ruim", "phs"};

bool Record(simcard::CardProfile profile, std::uint16_t groups, const fs::path& out) {
    simcard::VirtualCard card(std::move(profile));
    std::vector<std::uint8_t> stream = {static_cast<std::uint8_t>(groups & 0xFF),
                                        static_cast<std::uint8_t>(groups >> 8)};
    bool fits = true;
    fake_pcsc::Reset();
    fake_pcsc::SetReaders(
        {{"Generic MultiCard reader 1.0 00 00", true, 1, [&](const fake_pcsc::Bytes& command) {
              fake_pcsc::Bytes answer = card.Process(command);
              fits = answer_stream::AppendAnswer(stream, answer) && fits;
              return answer;
          }}});
    card_stack::RunOptions options;
    options.groups = groups;
    card_stack::Run(options, nullptr);
    bool clean = fits && fake_pcsc::Errors().empty() && fake_pcsc::OpenCards() == 0 &&
                 fake_pcsc::OpenContexts() == 0;
    for (const std::string& error : fake_pcsc::Errors())
        std::fprintf(stderr, "%s: %s\n", out.filename().c_str(), error.c_str());
    std::ofstream file(out, std::ios::binary);
    file.write(reinterpret_cast<const char*>(stream.data()),
               static_cast<std::streamsize>(stream.size()));
    return clean && file.good();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PROFILE_DIR OUT_DIR\n", argv[0]);
        return 2;
    }
    // The USIM walk reports its progress on standard output.
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    const fs::path profiles = argv[1], out = argv[2];
    fs::create_directories(out);
    std::vector<fs::path> paths;
    for (const auto& entry : fs::directory_iterator(profiles))
        if (entry.path().extension() == ".json")
            paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());

    int written = 0, failed = 0;
    for (const fs::path& path : paths) {
        simcard::CardProfile profile;
        try {
            profile = simcard::LoadProfile(path.string());
        } catch (const std::exception&) {
            continue; // a reader profile, not a card
        }
        const std::string name = path.stem().string();
        std::vector<std::pair<std::uint16_t, std::string>> runs = {
            {card_stack::kBookGroups, "-books"}};
        for (const char* walk : kWalkProfiles)
            if (name == walk)
                runs.push_back(
                    {card_stack::kProbes | card_stack::kSimFileMap | card_stack::kUsimFileMap,
                     "-walks"});
        for (const auto& [groups, suffix] : runs) {
            if (Record(profile, groups, out / (name + suffix)))
                ++written;
            else
                ++failed;
        }
    }
    std::fprintf(stderr, "%d inputs recorded, %d with problems\n", written, failed);
    return failed == 0 && written > 0 ? 0 : 1;
}
