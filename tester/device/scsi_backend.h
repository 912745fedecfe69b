// The pass-through mechanism behind the tester: one implementation per
// operating system plus the simulated reader controller.
#pragma once

#include "scsi_request.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orrick {

using DriveHandle = int;
constexpr DriveHandle kNoHandle = -1;

class ScsiBackend {
public:
    virtual ~ScsiBackend() = default;

    // Removable disks and optical drives, by device name, in name order.
    virtual std::vector<std::string> ListDrives() = 0;
    // Whether the named drive still exists as a removable disk or optical drive.
    virtual bool IsRemovableOrOptical(const std::string& name) = 0;

    virtual DriveHandle Open(const std::string& name) = 0; // kNoHandle on failure
    virtual void Close(DriveHandle handle) = 0;
    virtual ScsiResult Execute(DriveHandle handle, const ScsiRequest& request) = 0;
    // Size in 512-byte blocks of the medium in the drive, when the system knows it.
    virtual std::optional<uint64_t> BlockCount(const std::string& /*name*/) { return std::nullopt; }
};

} // namespace orrick
