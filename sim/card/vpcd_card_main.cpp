// simcard-vpcd: puts virtual cards into vpcd reader slots.
//
//   simcard-vpcd [--host HOST] --card PORT:PROFILE.json [--card ...]
//
// Each card connects to the vpcd slot listening on PORT and reconnects when
// the reader goes away, until the process is stopped.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "profile.h"
#include "virtual_card.h"
#include "vpcd_link.h"

namespace {

struct Slot {
    std::uint16_t port = 0;
    std::string profilePath;
};

void RunSlot(const std::string& host, const Slot& slot, simcard::CardProfile profile) {
    simcard::VirtualCard card(std::move(profile));
    for (;;) {
        int fd = simcard::ConnectToReader(host, slot.port);
        if (fd < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        card.Reset();
        simcard::Serve(card, fd);
        close(fd);
    }
}

int Usage() {
    std::fprintf(stderr, "usage: simcard-vpcd [--host HOST] --card PORT:PROFILE [--card ...]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string host = "127.0.0.1";
    std::vector<Slot> slots;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--host" && i + 1 < argc) {
            host = argv[++i];
        } else if (arg == "--card" && i + 1 < argc) {
            std::string value = argv[++i];
            auto colon = value.find(':');
            if (colon == std::string::npos)
                return Usage();
            unsigned long port = std::strtoul(value.substr(0, colon).c_str(), nullptr, 0);
            if (port == 0 || port > 65535)
                return Usage();
            slots.push_back({static_cast<std::uint16_t>(port), value.substr(colon + 1)});
        } else {
            return Usage();
        }
    }
    if (slots.empty())
        return Usage();

    std::vector<simcard::CardProfile> profiles;
    try {
        for (const Slot& slot : slots)
            profiles.push_back(simcard::LoadProfile(slot.profilePath));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "simcard-vpcd: %s\n", e.what());
        return 1;
    }
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < slots.size(); ++i)
        threads.emplace_back(RunSlot, host, slots[i], std::move(profiles[i]));
    for (std::thread& t : threads)
        t.join();
    return 0;
}
