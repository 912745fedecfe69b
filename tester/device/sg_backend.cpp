#include "sg_backend.h"

#include "sysfs_drives.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/ioctl.h>
#include <unistd.h>

namespace orrick {
namespace {
// driver_status carries "sense data follows" beside real driver errors.
constexpr unsigned kDriverSense = 0x08;
constexpr unsigned kDriverStatusMask = 0x0F;
} // namespace

void BuildSgIoHeader(const ScsiRequest& request, sg_io_hdr_t& header,
                     std::array<uint8_t, ScsiRequest::kMaxSense>& sense) {
    std::memset(&header, 0, sizeof header);
    sense.fill(0);
    header.interface_id = 'S';
    switch (request.direction) {
    case DataDirection::In:
        header.dxfer_direction = SG_DXFER_FROM_DEV;
        break;
    case DataDirection::Out:
        header.dxfer_direction = SG_DXFER_TO_DEV;
        break;
    case DataDirection::None:
        header.dxfer_direction = SG_DXFER_NONE;
        break;
    }
    header.cmd_len = request.cdbLength;
    header.cmdp = const_cast<unsigned char*>(request.cdb.data());
    header.dxfer_len =
        request.direction == DataDirection::None ? 0 : static_cast<unsigned>(request.data.size());
    header.dxferp = request.direction == DataDirection::None ? nullptr : request.data.data();
    header.mx_sb_len = std::min<uint8_t>(request.senseLength, ScsiRequest::kMaxSense);
    header.sbp = sense.data();
    header.timeout = request.timeoutSeconds * 1000u;
}

ScsiResult ReadSgIoResult(int ioctlResult, const sg_io_hdr_t& header,
                          const std::array<uint8_t, ScsiRequest::kMaxSense>& sense,
                          int ioctlErrno) {
    if (ioctlResult < 0)
        return ScsiResult::Failed(ioctlErrno);
    if (header.host_status != 0)
        return ScsiResult::Failed();
    const unsigned driver = header.driver_status & kDriverStatusMask;
    if (driver != 0 && driver != kDriverSense)
        return ScsiResult::Failed();
    ScsiResult result;
    result.transportOk = true;
    result.scsiStatus = header.status;
    result.senseByte2 = header.sb_len_wr > 2 ? sense[2] : 0;
    const int resid = header.resid < 0 ? 0 : header.resid;
    result.transferred =
        header.dxfer_len > static_cast<unsigned>(resid) ? header.dxfer_len - resid : 0;
    return result;
}

SgIoBackend::SgIoBackend(std::filesystem::path sysfsRoot, std::filesystem::path deviceRoot)
    : sysfsRoot_(std::move(sysfsRoot)), deviceRoot_(std::move(deviceRoot)) {}

std::vector<std::string> SgIoBackend::ListDrives() {
    return EnumerateRemovableDrives(sysfsRoot_);
}

bool SgIoBackend::IsRemovableOrOptical(const std::string& name) {
    return IsRemovableOrOpticalDrive(sysfsRoot_, name);
}

std::optional<uint64_t> SgIoBackend::BlockCount(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos || name[0] == '.')
        return std::nullopt;
    // The kernel counts the size in 512-byte units whatever the medium's block size.
    std::ifstream size(sysfsRoot_ / "block" / name / "size");
    uint64_t units = 0;
    if (!(size >> units) || units == 0)
        return std::nullopt;
    std::ifstream blockSize(sysfsRoot_ / "block" / name / "queue" / "logical_block_size");
    uint64_t bytes = 512;
    if (!(blockSize >> bytes) || bytes < 512)
        bytes = 512;
    return units * 512 / bytes;
}

DriveHandle SgIoBackend::Open(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos || name[0] == '.')
        return kNoHandle;
    const auto path = deviceRoot_ / name;
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    return fd < 0 ? kNoHandle : fd;
}

void SgIoBackend::Close(DriveHandle handle) {
    if (handle >= 0)
        ::close(handle);
}

ScsiResult SgIoBackend::Execute(DriveHandle handle, const ScsiRequest& request) {
    if (handle < 0)
        return ScsiResult::Failed(EBADF);
    sg_io_hdr_t header;
    std::array<uint8_t, ScsiRequest::kMaxSense> sense;
    BuildSgIoHeader(request, header, sense);
    int rc;
    do {
        rc = ::ioctl(handle, SG_IO, &header);
    } while (rc < 0 && errno == EINTR);
    return ReadSgIoResult(rc, header, sense, rc < 0 ? errno : 0);
}

} // namespace orrick
