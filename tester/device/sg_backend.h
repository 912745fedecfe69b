// Linux SCSI generic pass-through (SG_IO on the block device node).
#pragma once

#include "scsi_backend.h"

#include <array>
#include <filesystem>
#include <scsi/sg.h>

namespace orrick {

// Request building and result reading are kept apart from the ioctl so that
// they can be checked without hardware.
void BuildSgIoHeader(const ScsiRequest& request, sg_io_hdr_t& header,
                     std::array<uint8_t, ScsiRequest::kMaxSense>& sense);
// ioctlErrno is errno after a failed ioctl; the result keeps it.
ScsiResult ReadSgIoResult(int ioctlResult, const sg_io_hdr_t& header,
                          const std::array<uint8_t, ScsiRequest::kMaxSense>& sense,
                          int ioctlErrno = 0);

class SgIoBackend : public ScsiBackend {
public:
    explicit SgIoBackend(std::filesystem::path sysfsRoot = "/sys",
                         std::filesystem::path deviceRoot = "/dev");

    std::vector<std::string> ListDrives() override;
    bool IsRemovableOrOptical(const std::string& name) override;
    DriveHandle Open(const std::string& name) override;
    void Close(DriveHandle handle) override;
    ScsiResult Execute(DriveHandle handle, const ScsiRequest& request) override;
    std::optional<uint64_t> BlockCount(const std::string& name) override;

private:
    std::filesystem::path sysfsRoot_;
    std::filesystem::path deviceRoot_;
};

} // namespace orrick
