#include "sysfs_drives.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace orrick {
namespace {

// Reads a small sysfs attribute as a number; -1 when absent or not a number.
int ReadNumber(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in)
        return -1;
    std::string text;
    std::getline(in, text);
    if (text.empty() || text.size() > 9)
        return -1;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool PlainName(const std::string& name) {
    return !name.empty() && name.size() < 64 && name[0] != '.' &&
           name.find('/') == std::string::npos;
}

constexpr int kScsiTypeDisk = 0;
constexpr int kScsiTypeOptical = 5;

} // namespace

bool IsRemovableOrOpticalDrive(const std::filesystem::path& sysfsRoot, const std::string& name) {
    if (!PlainName(name))
        return false;
    const auto dir = sysfsRoot / "block" / name;
    const int type = ReadNumber(dir / "device" / "type");
    if (type == kScsiTypeOptical)
        return true;
    return type == kScsiTypeDisk && ReadNumber(dir / "removable") == 1;
}

bool DeviceNameLess(const std::string& a, const std::string& b) {
    // SCSI disks are "sd" + letters, optical drives "sr" + digits.
    auto split = [](const std::string& s) {
        const size_t i = std::min<size_t>(2, s.size());
        return std::pair<std::string, std::string>{s.substr(0, i), s.substr(i)};
    };
    auto [pa, sa] = split(a);
    auto [pb, sb] = split(b);
    if (pa != pb)
        return pa < pb;
    if (sa.size() != sb.size())
        return sa.size() < sb.size();
    return sa < sb;
}

std::vector<std::string> EnumerateRemovableDrives(const std::filesystem::path& sysfsRoot) {
    std::vector<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(sysfsRoot / "block", ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (IsRemovableOrOpticalDrive(sysfsRoot, name))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(), DeviceNameLess);
    return names;
}

} // namespace orrick
