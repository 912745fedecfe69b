// The sandbox helpers for test programs under Wine. The readers carry their
// Windows names, as the WinSCard bridge shows them. A spare card is the Linux
// card program, which Wine starts as a Unix process; Wine gives no handle to
// wait on or end it, so a shell records its PID and a second shell ends it.
#include <windows.h>
#include <winscard.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "host_shell.h"
#include "reader_wait.h"
#include "spare_card.h"

namespace sandbox {

int BasePort() {
    const char* port = std::getenv("SANDBOX_PORT");
    return port ? std::atoi(port) : 35990;
}

std::string HostPath(std::string path) {
    for (char& c : path)
        if (c == '\\')
            c = '/';
    if (path.size() > 2 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':')
        path.erase(0, 2);
    return path;
}

bool RunHostShell(const std::string& script) {
    std::string command = "Z:\\bin\\sh -c \"" + script + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

namespace {

std::string TempName(const char* suffix) {
    static int counter = 0;
    return "Z:/tmp/spare-card-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++counter) + suffix;
}

} // namespace

std::string ReaderName(int slot) {
    static const char* const kNames[] = {"Acme Card Terminal 0", "Acme Card Terminal 1",
                                         "Generic MultiCard reader 1.0 0",
                                         "Generic MultiCard reader 1.0 1"};
    return kNames[slot];
}

std::string WriteProfile(const std::string& baseName,
                         const std::function<void(nlohmann::json&)>& edit) {
    std::ifstream in(std::string(SIM_PROFILE_DIR) + "/" + baseName);
    nlohmann::json profile = nlohmann::json::parse(in);
    edit(profile);
    std::string path = TempName(".json");
    std::ofstream(path) << profile.dump(1);
    return path;
}

bool WaitForCard(int slot, bool present, int timeoutMs) {
    return WaitForReaderState(ReaderName(slot), present, timeoutMs);
}

// The host PID of the card in a slot, in a file of this process.
std::string PidFile(int slot) {
    return "/tmp/spare-card-" + std::to_string(GetCurrentProcessId()) + "-slot" +
           std::to_string(slot) + ".pid";
}

// pid_ here is 1 while the card runs; its host PID is in PidFile(slot_).
SpareCard::SpareCard(int slot, const std::string& profilePath) : slot_(slot) {
    std::string pidFile = PidFile(slot);
    std::string card = std::to_string(BasePort() + slot) + ":" + HostPath(profilePath);
    if (!RunHostShell("'" SIMCARD_VPCD_PROGRAM "' --card '" + card +
                      "' </dev/null >/dev/null 2>&1 & echo $! > '" + pidFile + "'"))
        return;
    pid_ = 1;
    ready_ = WaitForCard(slot_, true);
}

bool SpareCard::Remove() {
    if (pid_ <= 0)
        return true;
    const std::string pidFile = PidFile(slot_);
    // The PID file may trail the card by a moment.
    RunHostShell("for i in 1 2 3 4 5 6 7 8 9 10; do [ -s '" + pidFile +
                 "' ] && break; sleep 0.1; done; kill $(cat '" + pidFile + "'); rm -f '" + pidFile +
                 "'");
    pid_ = -1;
    return WaitForCard(slot_, false);
}

SpareCard::~SpareCard() {
    Remove();
}

} // namespace sandbox
