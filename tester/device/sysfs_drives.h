// Drive enumeration from the kernel's sysfs tree.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace orrick {

// Block devices under ROOT/block that are removable SCSI disks or optical
// drives, sorted the way the kernel names them (sdb < sdz < sdaa, sr0 < sr10).
std::vector<std::string> EnumerateRemovableDrives(const std::filesystem::path& sysfsRoot);
bool IsRemovableOrOpticalDrive(const std::filesystem::path& sysfsRoot, const std::string& name);
// Ordering of kernel device names: letters, then a shorter suffix first.
bool DeviceNameLess(const std::string& a, const std::string& b);

} // namespace orrick
