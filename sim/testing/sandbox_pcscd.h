// Integration-test helper: stops the sandbox's pcscd for the life of the
// object and starts it again afterwards (scripts/pcsc_sandbox.sh pcscd-stop /
// pcscd-start on the fixture's state folder). The sandbox's own cards come
// back into their readers by themselves; a test's own card must be put in
// again.
#pragma once

namespace sandbox {

class PcscdStopped {
public:
    PcscdStopped();
    // Starts the service again if the test has not.
    ~PcscdStopped();
    PcscdStopped(const PcscdStopped&) = delete;
    PcscdStopped& operator=(const PcscdStopped&) = delete;

    bool Stopped() const { return stopped_; }
    // Starts the service again; true once its readers and the sandbox's
    // cards are listed.
    bool Back();

private:
    bool stopped_ = false;
};

} // namespace sandbox
