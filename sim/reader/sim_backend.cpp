#include "sim_reader.h"

#include "sysfs_drives.h"

#include <algorithm>

namespace simreader {

using orrick::DriveHandle;
using orrick::ScsiRequest;
using orrick::ScsiResult;

size_t SimReaderBackend::AddController(std::unique_ptr<SimController> controller,
                                       std::vector<std::string> driveNames) {
    std::lock_guard lock(mutex_);
    controllers_.push_back(std::move(controller));
    driveNames_.push_back(std::move(driveNames));
    plugged_.push_back(true);
    return controllers_.size() - 1;
}

SimController& SimReaderBackend::Controller(size_t index) {
    std::lock_guard lock(mutex_);
    return *controllers_.at(index);
}

size_t SimReaderBackend::ControllerCount() const {
    std::lock_guard lock(mutex_);
    return controllers_.size();
}

void SimReaderBackend::Unplug(size_t index) {
    std::lock_guard lock(mutex_);
    plugged_.at(index) = false;
}

void SimReaderBackend::Replug(size_t index) {
    std::lock_guard lock(mutex_);
    plugged_.at(index) = true;
}

void SimReaderBackend::FailRequests(FailureRule rule) {
    std::lock_guard lock(mutex_);
    failures_.push_back(std::move(rule));
}

void SimReaderBackend::FailOpen(const std::string& drive, bool fail) {
    std::lock_guard lock(mutex_);
    std::erase(failOpen_, drive);
    if (fail)
        failOpen_.push_back(drive);
}

void SimReaderBackend::ClearFailures() {
    std::lock_guard lock(mutex_);
    failures_.clear();
    failOpen_.clear();
}

std::vector<SimReaderBackend::Sent> SimReaderBackend::SentRequests() const {
    std::lock_guard lock(mutex_);
    return {sent_.begin(), sent_.end()};
}

void SimReaderBackend::ClearSentRequests() {
    std::lock_guard lock(mutex_);
    sent_.clear();
}

std::optional<SimReaderBackend::Drive> SimReaderBackend::FindDrive(const std::string& name) const {
    for (size_t c = 0; c < controllers_.size(); ++c) {
        if (!plugged_[c])
            continue;
        const auto& names = driveNames_[c];
        const int luns = std::min<int>(controllers_[c]->LunCount(), static_cast<int>(names.size()));
        for (int lun = 0; lun < luns; ++lun)
            if (names[static_cast<size_t>(lun)] == name)
                return Drive{c, lun};
    }
    return std::nullopt;
}

std::vector<std::string> SimReaderBackend::ListDrives() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (size_t c = 0; c < controllers_.size(); ++c) {
        if (!plugged_[c])
            continue;
        const auto& all = driveNames_[c];
        const size_t luns =
            std::min<size_t>(static_cast<size_t>(controllers_[c]->LunCount()), all.size());
        names.insert(names.end(), all.begin(), all.begin() + static_cast<std::ptrdiff_t>(luns));
    }
    std::sort(names.begin(), names.end(), orrick::DeviceNameLess);
    return names;
}

bool SimReaderBackend::IsRemovableOrOptical(const std::string& name) {
    std::lock_guard lock(mutex_);
    return FindDrive(name).has_value();
}

DriveHandle SimReaderBackend::Open(const std::string& name) {
    std::lock_guard lock(mutex_);
    if (!FindDrive(name) || std::find(failOpen_.begin(), failOpen_.end(), name) != failOpen_.end())
        return orrick::kNoHandle;
    const DriveHandle handle = nextHandle_++;
    handles_[handle] = name;
    return handle;
}

void SimReaderBackend::Close(DriveHandle handle) {
    std::lock_guard lock(mutex_);
    handles_.erase(handle);
}

bool SimReaderBackend::ShouldFail(const std::string& drive, uint8_t opcode) {
    for (FailureRule& rule : failures_) {
        if (rule.remaining == 0)
            continue;
        if (!rule.drive.empty() && rule.drive != drive)
            continue;
        if (rule.opcode >= 0 && rule.opcode != opcode)
            continue;
        if (rule.skip > 0) {
            --rule.skip;
            continue;
        }
        if (rule.remaining > 0)
            --rule.remaining;
        return true;
    }
    return false;
}

ScsiResult SimReaderBackend::Execute(DriveHandle handle, const ScsiRequest& request) {
    std::lock_guard lock(mutex_);
    const auto it = handles_.find(handle);
    if (it == handles_.end())
        return ScsiResult::Failed(EBADF);
    const std::string& name = it->second;
    if (sent_.size() >= kSentKept)
        sent_.pop_front();
    sent_.push_back({name, request});
    // A drive that went away fails like a pulled USB device.
    const auto drive = FindDrive(name);
    if (!drive)
        return ScsiResult::Failed(ENODEV);
    if (ShouldFail(name, request.opcode()))
        return ScsiResult::Failed();
    return controllers_[drive->controller]->Execute(drive->lun, request);
}

std::optional<uint64_t> SimReaderBackend::BlockCount(const std::string& name) {
    std::lock_guard lock(mutex_);
    const auto drive = FindDrive(name);
    if (!drive)
        return std::nullopt;
    return controllers_[drive->controller]->LunBlockCount(drive->lun);
}

} // namespace simreader
