#include "card_in_slot_windows.h"

#include <windows.h>

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "card_files.h"
#include "host_shell.h"
#include "spare_card.h"

namespace {

constexpr int kSlot = 2;

std::string HostTempName(const char* suffix) {
    static int counter = 0;
    return "/tmp/card-in-slot-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++counter) + suffix;
}

// The program renames its save file into place once it is whole.
bool ReadSaved(const std::string& hostPath, nlohmann::json& saved, std::string& error) {
    const std::string path = "Z:" + hostPath;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream in(path);
        if (in) {
            saved = nlohmann::json::parse(in, nullptr, false);
            in.close();
            DeleteFileA(path.c_str());
            if (saved.is_discarded()) {
                error = "the card's saved files are not JSON";
                return false;
            }
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    error = "the card program saved no files";
    return false;
}

} // namespace

CardInSlot::CardInSlot(const std::string& profilePath)
    : pidFile_(HostTempName(".pid")), saveFile_(HostTempName(".json")) {
    const std::string card =
        std::to_string(sandbox::BasePort() + kSlot) + ":" + sandbox::HostPath(profilePath);
    if (!sandbox::RunHostShell("'" SIMCARD_VPCD_PROGRAM "' --save '" + saveFile_ + "' --card '" +
                               card + "' </dev/null >/dev/null 2>&1 & echo $! > '" + pidFile_ +
                               "'"))
        throw std::runtime_error("cannot start the card program");
    running_ = true;
    if (!sandbox::WaitForCard(kSlot, true, 20000)) {
        Remove();
        throw std::runtime_error("the card did not appear in the reader");
    }
}

CardInSlot::~CardInSlot() {
    Remove();
}

void CardInSlot::Remove() {
    if (!running_)
        return;
    running_ = false;
    // The PID file may trail the card by a moment.
    sandbox::RunHostShell("for i in 1 2 3 4 5 6 7 8 9 10; do [ -s '" + pidFile_ +
                          "' ] && break; sleep 0.1; done; kill $(cat '" + pidFile_ + "'); rm -f '" +
                          pidFile_ + "'");
    nlohmann::json saved;
    if (ReadSaved(saveFile_, saved, error_)) {
        const std::string port = std::to_string(sandbox::BasePort() + kSlot);
        if (saved.is_object() && saved.contains(port))
            files_ = saved[port];
        else
            error_ = "the saved files hold no card of port " + port;
    }
    // Later tests must not find the reader still marked as holding a card.
    sandbox::WaitForCard(kSlot, false, 20000);
}

std::vector<std::uint8_t> CardInSlot::Record(const std::vector<std::uint16_t>& path, int n,
                                             int length) const {
    if (running_)
        throw std::logic_error("the card's files are read after Remove");
    if (!error_.empty())
        throw std::runtime_error(error_);
    const simcard::Bytes file = simcard::SavedFile(files_, path);
    if (n < 1 || length < 1 || static_cast<std::size_t>(n) * length > file.size())
        throw std::out_of_range("record " + std::to_string(n) + " of " + simcard::FileKey(path) +
                                " lies outside the file");
    const auto begin = file.begin() + static_cast<std::ptrdiff_t>(n - 1) * length;
    return {begin, begin + length};
}
