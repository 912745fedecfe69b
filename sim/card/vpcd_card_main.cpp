// simcard-vpcd: puts virtual cards into vpcd reader slots.
//
//   simcard-vpcd [--host HOST] [--save FILE] --card PORT:PROFILE.json [--card ...]
//
// Each card connects to the vpcd slot listening on PORT and reconnects when
// the reader goes away, until the process is stopped. With --save, SIGTERM or
// SIGINT first writes the files of every card to FILE, {"PORT": {...}} in the
// form of card_files.h, for tests that look at a card after it is gone; no
// command is answered after that snapshot.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "card_files.h"
#include "profile.h"
#include "virtual_card.h"
#include "vpcd_link.h"

namespace {

struct Slot {
    std::uint16_t port = 0;
    std::string profilePath;
};

// A card and the lock that keeps a snapshot of its files whole.
struct Served {
    explicit Served(simcard::CardProfile profile) : card(std::move(profile)) {}
    std::mutex mutex;
    simcard::VirtualCard card;
};

void RunSlot(const std::string& host, const Slot& slot, Served& served) {
    for (;;) {
        int fd = simcard::ConnectToReader(host, slot.port);
        if (fd < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        {
            std::lock_guard<std::mutex> lock(served.mutex);
            served.card.Reset();
        }
        while (std::optional<simcard::Bytes> message = simcard::ReadMessage(fd)) {
            std::optional<simcard::Bytes> answer;
            {
                std::lock_guard<std::mutex> lock(served.mutex);
                answer = simcard::Answer(served.card, *message);
            }
            if (answer && !simcard::WriteMessage(fd, *answer))
                break;
        }
        close(fd);
    }
}

// Writes beside the target and renames, so a reader never sees half a file.
bool WriteSnapshot(const std::string& path, const nlohmann::json& files) {
    const std::string part = path + ".part";
    {
        std::ofstream out(part, std::ios::trunc);
        out << files.dump(1) << '\n';
        out.close();
        if (!out)
            return false;
    }
    return std::rename(part.c_str(), path.c_str()) == 0;
}

int Usage() {
    std::fprintf(stderr, "usage: simcard-vpcd [--host HOST] [--save FILE] --card PORT:PROFILE "
                         "[--card ...]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string host = "127.0.0.1";
    std::string savePath;
    std::vector<Slot> slots;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--host" && i + 1 < argc) {
            host = argv[++i];
        } else if (arg == "--save" && i + 1 < argc) {
            savePath = argv[++i];
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

    std::vector<std::unique_ptr<Served>> cards;
    try {
        for (const Slot& slot : slots)
            cards.push_back(std::make_unique<Served>(simcard::LoadProfile(slot.profilePath)));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "simcard-vpcd: %s\n", e.what());
        return 1;
    }
    // The stop signals go to the main thread alone, which waits for them.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    if (!savePath.empty())
        pthread_sigmask(SIG_BLOCK, &stop, nullptr);

    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < slots.size(); ++i)
        threads.emplace_back(RunSlot, host, slots[i], std::ref(*cards[i]));
    if (savePath.empty()) {
        for (std::thread& t : threads)
            t.join();
        return 0;
    }
    int received = 0;
    sigwait(&stop, &received);
    // The locks stay held until the process ends: a command answered after
    // the snapshot would be missing from it.
    nlohmann::json snapshot = nlohmann::json::object();
    std::vector<std::unique_lock<std::mutex>> held;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        held.emplace_back(cards[i]->mutex);
        snapshot[std::to_string(slots[i].port)] = simcard::SaveFiles(cards[i]->card);
    }
    if (!WriteSnapshot(savePath, snapshot)) {
        std::fprintf(stderr, "simcard-vpcd: cannot write %s\n", savePath.c_str());
        std::_Exit(1);
    }
    // The serving threads are blocked on their sockets or on the locks.
    std::_Exit(0);
}
