#include "sandbox_pcscd.h"

#include <cstdlib>
#include <string>

namespace sandbox {
namespace {

bool Sandbox(const char* action) {
    const std::string command =
        std::string(PCSC_SANDBOX_COMMAND) + " " + action + " " + PCSC_SANDBOX_STATE + " >/dev/null";
    return std::system(command.c_str()) == 0;
}

} // namespace

PcscdStopped::PcscdStopped() : stopped_(Sandbox("pcscd-stop")) {}

PcscdStopped::~PcscdStopped() {
    Back();
}

bool PcscdStopped::Back() {
    if (stopped_) {
        stopped_ = !Sandbox("pcscd-start");
    }
    return !stopped_;
}

} // namespace sandbox
