#include "spare_card.h"

#include "reader_wait.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <winscard.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

extern char** environ;

namespace sandbox {
namespace {

int BasePort() {
    const char* port = std::getenv("SANDBOX_PORT");
    return port ? std::atoi(port) : 35990;
}

} // namespace

std::string ReaderName(int slot) {
    static const char* const kNames[] = {
#include "sandbox_readers.inc"
    };
    return kNames[slot];
}

std::string WriteProfile(const std::string& baseName,
                         const std::function<void(nlohmann::json&)>& edit) {
    std::ifstream in(std::string(SIM_PROFILE_DIR) + "/" + baseName);
    nlohmann::json profile = nlohmann::json::parse(in);
    edit(profile);
    char path[] = "/tmp/spare-card-XXXXXX.json";
    int fd = mkstemps(path, 5);
    if (fd < 0)
        return {};
    close(fd);
    std::ofstream(path) << profile.dump(1);
    return path;
}

bool WaitForCard(int slot, bool present, int timeoutMs) {
    return WaitForReaderState(ReaderName(slot), present, timeoutMs);
}

SpareCard::SpareCard(int slot, const std::string& profilePath) : slot_(slot) {
    std::string card = std::to_string(BasePort() + slot) + ":" + profilePath;
    std::vector<char*> argv = {const_cast<char*>(SIMCARD_VPCD_PROGRAM), const_cast<char*>("--card"),
                               card.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, SIMCARD_VPCD_PROGRAM, nullptr, nullptr, argv.data(), environ) != 0)
        return;
    pid_ = pid;
    ready_ = WaitForCard(slot_, true);
}

bool SpareCard::Remove() {
    if (pid_ <= 0)
        return true;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WaitForCard(slot_, false);
}

SpareCard::~SpareCard() {
    Remove();
}

} // namespace sandbox
