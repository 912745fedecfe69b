// Hotplug of block devices on the window thread: a monitor whose descriptor
// a QSocketNotifier watches, and the notifier that turns what the monitor
// reports into arrival and removal calls. The udev monitor serves real
// readers; the simulator and the tests feed a pipe monitor instead.
#pragma once

#include "device_events.h"

#include <QSocketNotifier>

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

struct udev;
struct udev_monitor;

namespace orrick {

// One change as the kernel's device manager describes it.
struct BlockDeviceChange {
    std::string action;  // "add", "remove", "change", ...
    std::string devtype; // "disk" or "partition"
    std::string sysname; // "sdb", "sdb1"
};

enum class HotplugKind { Arrival, Removal };

// Which changes the tester reacts to: a disk or partition coming or going.
// Media changes, bindings and virtual block devices (loop, ram, zram, dm)
// never concern a card reader.
std::optional<HotplugKind> ClassifyBlockChange(const BlockDeviceChange& change);

class BlockMonitor {
public:
    virtual ~BlockMonitor() = default;
    // Readable when changes wait; stays valid for the monitor's life.
    virtual int Fd() const = 0;
    // The next waiting change, or nothing when none waits (never blocks).
    virtual std::optional<BlockDeviceChange> Receive() = 0;
};

// libudev's monitor on the block subsystem.
class UdevBlockMonitor : public BlockMonitor {
public:
    // Null with the reason in error when udev cannot be reached.
    static std::unique_ptr<UdevBlockMonitor> Open(std::string& error);
    ~UdevBlockMonitor() override;
    UdevBlockMonitor(const UdevBlockMonitor&) = delete;
    UdevBlockMonitor& operator=(const UdevBlockMonitor&) = delete;

    int Fd() const override;
    std::optional<BlockDeviceChange> Receive() override;

private:
    UdevBlockMonitor() = default;
    ::udev* udev_ = nullptr;
    ::udev_monitor* monitor_ = nullptr;
};

// Changes queued from any thread, signalled through a pipe so that they
// reach the window thread the same way udev's do. As DeviceEvents it is
// what the scenario player of the simulated reader drives.
class PipeBlockMonitor : public BlockMonitor, public DeviceEvents {
public:
    PipeBlockMonitor(); // throws std::system_error when no pipe can be made
    ~PipeBlockMonitor() override;
    PipeBlockMonitor(const PipeBlockMonitor&) = delete;
    PipeBlockMonitor& operator=(const PipeBlockMonitor&) = delete;

    void Post(BlockDeviceChange change);
    void OnDeviceArrival() override;
    void OnDeviceRemoval() override;

    int Fd() const override { return readFd_; }
    std::optional<BlockDeviceChange> Receive() override;

private:
    int readFd_ = -1;
    int writeFd_ = -1;
    std::mutex mutex_;
    std::deque<BlockDeviceChange> queue_;
};

// Lives on the window thread; calls target there for every change that
// counts. target must outlive the notifier.
class HotplugNotifier {
public:
    HotplugNotifier(std::unique_ptr<BlockMonitor> monitor, DeviceEvents& target);
    // Reads everything waiting now; the socket notifier calls it too.
    void Drain();
    BlockMonitor& Monitor() { return *monitor_; }

private:
    std::unique_ptr<BlockMonitor> monitor_;
    DeviceEvents& target_;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool draining_ = false;
};

} // namespace orrick
