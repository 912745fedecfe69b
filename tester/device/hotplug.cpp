#include "hotplug.h"

#include <fcntl.h>
#include <libudev.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace orrick {

std::optional<HotplugKind> ClassifyBlockChange(const BlockDeviceChange& change) {
    if (change.devtype != "disk" && change.devtype != "partition")
        return std::nullopt;
    for (const char* virtualPrefix : {"loop", "ram", "zram", "dm-", "md", "nbd"})
        if (change.sysname.starts_with(virtualPrefix))
            return std::nullopt;
    if (change.action == "add")
        return HotplugKind::Arrival;
    if (change.action == "remove")
        return HotplugKind::Removal;
    return std::nullopt;
}

// --- udev ---

std::unique_ptr<UdevBlockMonitor> UdevBlockMonitor::Open(std::string& error) {
    std::unique_ptr<UdevBlockMonitor> m(new UdevBlockMonitor);
    m->udev_ = udev_new();
    if (!m->udev_) {
        error = "udev is not available";
        return nullptr;
    }
    m->monitor_ = udev_monitor_new_from_netlink(m->udev_, "udev");
    if (!m->monitor_) {
        error = "cannot open a udev monitor";
        return nullptr;
    }
    if (udev_monitor_filter_add_match_subsystem_devtype(m->monitor_, "block", nullptr) < 0 ||
        udev_monitor_enable_receiving(m->monitor_) < 0) {
        error = "cannot watch the block devices";
        return nullptr;
    }
    // Receive must never block the window thread.
    const int fd = udev_monitor_get_fd(m->monitor_);
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
        error = "cannot make the udev monitor non-blocking";
        return nullptr;
    }
    return m;
}

UdevBlockMonitor::~UdevBlockMonitor() {
    if (monitor_)
        udev_monitor_unref(monitor_);
    if (udev_)
        udev_unref(udev_);
}

int UdevBlockMonitor::Fd() const {
    return udev_monitor_get_fd(monitor_);
}

std::optional<BlockDeviceChange> UdevBlockMonitor::Receive() {
    udev_device* device = udev_monitor_receive_device(monitor_);
    if (!device)
        return std::nullopt;
    auto text = [](const char* s) { return s ? std::string(s) : std::string(); };
    BlockDeviceChange change{text(udev_device_get_action(device)),
                             text(udev_device_get_devtype(device)),
                             text(udev_device_get_sysname(device))};
    udev_device_unref(device);
    return change;
}

// --- pipe ---

PipeBlockMonitor::PipeBlockMonitor() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::system_error(errno, std::generic_category(), "hotplug pipe");
    readFd_ = fds[0];
    writeFd_ = fds[1];
}

PipeBlockMonitor::~PipeBlockMonitor() {
    close(readFd_);
    close(writeFd_);
}

void PipeBlockMonitor::Post(BlockDeviceChange change) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(change));
    }
    // One byte per change; a full pipe already wakes the reader, which
    // drains the whole queue, so a failed write loses nothing.
    const char wake = 1;
    [[maybe_unused]] const ssize_t written = write(writeFd_, &wake, 1);
}

void PipeBlockMonitor::OnDeviceArrival() {
    Post({"add", "disk", "sim"});
}

void PipeBlockMonitor::OnDeviceRemoval() {
    Post({"remove", "disk", "sim"});
}

std::optional<BlockDeviceChange> PipeBlockMonitor::Receive() {
    char wake[64];
    while (read(readFd_, wake, sizeof wake) > 0) {
    }
    std::lock_guard lock(mutex_);
    if (queue_.empty())
        return std::nullopt;
    BlockDeviceChange change = std::move(queue_.front());
    queue_.pop_front();
    return change;
}

// --- notifier ---

HotplugNotifier::HotplugNotifier(std::unique_ptr<BlockMonitor> monitor, DeviceEvents& target)
    : monitor_(std::move(monitor)), target_(target),
      notifier_(std::make_unique<QSocketNotifier>(monitor_->Fd(), QSocketNotifier::Read)) {
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { Drain(); });
}

void HotplugNotifier::Drain() {
    // A handler waits with the event loop turning (a scan's delays); a change
    // that comes meanwhile must wait for this loop, not start a second scan
    // inside the first.
    if (draining_)
        return;
    draining_ = true;
    notifier_->setEnabled(false);
    struct Reopen {
        HotplugNotifier& self;
        ~Reopen() {
            self.notifier_->setEnabled(true);
            self.draining_ = false;
        }
    } reopen{*this};
    while (const auto change = monitor_->Receive()) {
        const auto kind = ClassifyBlockChange(*change);
        if (kind == HotplugKind::Arrival)
            target_.OnDeviceArrival();
        else if (kind == HotplugKind::Removal)
            target_.OnDeviceRemoval();
    }
}

} // namespace orrick
