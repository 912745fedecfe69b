// Integration-test helper: puts a virtual card with a chosen profile into
// one of the sandbox's empty reader slots for the life of the object, and
// takes it out again (the card process is stopped by its PID).
//
// Slots of the sandbox (scripts/pcsc_sandbox.sh), ports from SANDBOX_PORT;
// their reader names are listed in sandbox_readers.txt:
//   0 Acme Card Terminal, first slot       GSM SIM of the fixture
//   1 Acme Card Terminal, second slot      empty
//   2 Generic MultiCard reader, first slot  empty
//   3 Generic MultiCard reader, second slot USIM of the fixture
#pragma once

#include <functional>
#include <string>

#include <nlohmann/json.hpp>

namespace sandbox {

std::string ReaderName(int slot);

// A profile of sim/profiles, changed by `edit`, written to a temporary file;
// returns its path.
std::string WriteProfile(const std::string& baseName,
                         const std::function<void(nlohmann::json&)>& edit);

// Waits until the slot shows (or no longer shows) a card; false on time-out.
bool WaitForCard(int slot, bool present, int timeoutMs = 10000);

class SpareCard {
public:
    SpareCard(int slot, const std::string& profilePath);
    ~SpareCard();
    SpareCard(const SpareCard&) = delete;
    SpareCard& operator=(const SpareCard&) = delete;

    bool Ready() const { return ready_; }
    // Takes the card out now (the process ends); true when the slot is empty.
    bool Remove();

private:
    int slot_;
    int pid_ = -1;
    bool ready_ = false;
};

} // namespace sandbox
