// Every byte the tester takes from a reader drive, from the fuzz input: the
// drive scan with identification and the controller-data parsers, the four
// reader checks and the slot-status refresh, run through the public device
// interface against a drive that answers from the input.
//
// Input, read front to back (missing bytes read as 0):
//   drive count (low 3 bits, at most 4), then the check settings
//   (usbSpeedSel, codeSel, luns, informationCheck, VID[4], PID[4], FW major,
//   FW minor), then one answer per drive event: Open takes one byte (the
//   drive is missing when its top four bits are all set), Execute takes a
//   kind byte and what that kind needs:
//     kind % 4 == 0  GOOD: a length byte L and L data bytes
//     kind % 4 == 1  GOOD with a length byte only (no data, L reported)
//     kind % 4 == 2  CHECK CONDITION: sense byte 2
//     kind % 4 == 3  transport failure
// The drive traps on a command to a handle that is not open, a close of a
// handle that is not open, a request larger than its buffer, and a drive
// still open when the run ends.
#include "reader_checks.h"
#include "reader_device.h"
#include "test_settings.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace orrick;

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond))                                                                               \
            __builtin_trap();                                                                      \
    } while (0)

class InputBytes {
public:
    InputBytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    size_t Take(uint8_t* out, size_t n) {
        const size_t k = std::min(n, size_ - pos_);
        std::copy_n(data_ + pos_, k, out);
        pos_ += k;
        return k;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

uint32_t Big(const ScsiRequest& r, int first, int count) {
    uint32_t v = 0;
    for (int i = 0; i < count; ++i)
        v = (v << 8) | r.cdb[static_cast<size_t>(first + i)];
    return v;
}

// The transfer a command asks of the drive, from its CDB; the request's
// buffer must hold at least that much.
size_t AskedBytes(const ScsiRequest& r) {
    switch (r.opcode()) {
    case scsi::kInquiry:
        return r.cdb[4];
    case scsi::kVendorReadMemory:
    case scsi::kVendorReadMemoryExt:
        return Big(r, 7, 2);
    case scsi::kRead10:
    case scsi::kWrite10:
        return size_t{r.cdb[8]} * scsi::kBlockSize;
    default:
        return 0;
    }
}

class FuzzDrive : public ScsiBackend {
public:
    FuzzDrive(InputBytes& in, std::vector<std::string> names) : in_(in), names_(std::move(names)) {}

    std::vector<std::string> ListDrives() override { return names_; }
    bool IsRemovableOrOptical(const std::string& name) override {
        return std::find(names_.begin(), names_.end(), name) != names_.end();
    }

    DriveHandle Open(const std::string& name) override {
        const bool known = IsRemovableOrOptical(name);
        if ((in_.Byte() & 0xF0) == 0xF0 || !known)
            return kNoHandle;
        const DriveHandle h = next_++;
        open_.insert(h);
        return h;
    }

    void Close(DriveHandle handle) override { FUZZ_CHECK(open_.erase(handle) == 1); }

    ScsiResult Execute(DriveHandle handle, const ScsiRequest& r) override {
        FUZZ_CHECK(open_.count(handle) == 1);
        FUZZ_CHECK(r.cdbLength >= 6 && r.cdbLength <= r.cdb.size());
        FUZZ_CHECK(r.senseLength <= ScsiRequest::kMaxSense);
        FUZZ_CHECK(AskedBytes(r) <= r.data.size());
        FUZZ_CHECK((r.direction == DataDirection::None) == r.data.empty());
        const uint8_t kind = in_.Byte();
        switch (kind % 4) {
        case 0: {
            const size_t length = in_.Byte();
            size_t n = 0;
            if (r.direction == DataDirection::In) {
                n = in_.Take(r.data.data(), std::min(length, r.data.size()));
            }
            return ScsiResult::Good(static_cast<uint32_t>(n));
        }
        case 1:
            return ScsiResult::Good(std::min<uint32_t>(in_.Byte(), r.data.size()));
        case 2:
            return ScsiResult::CheckCondition(in_.Byte());
        default:
            return ScsiResult::Failed();
        }
    }

    size_t OpenCount() const { return open_.size(); }

private:
    InputBytes& in_;
    std::vector<std::string> names_;
    std::set<DriveHandle> open_;
    DriveHandle next_ = 3;
};

// What holds for every entry whatever the drive answered.
void CheckContext(const ReaderContext& c) {
    FUZZ_CHECK(c.handle == kNoHandle);
    FUZZ_CHECK(c.lunCount <= kSlotCount);
    const int luns = CountDistinctLuns(c);
    FUZZ_CHECK(luns >= 0 && luns <= 6);
}

TestSettings SettingsFrom(InputBytes& in) {
    TestSettings s;
    s.usbSpeedSel = in.Byte() % 4;
    s.codeSel = in.Byte() % 6;
    s.luns = in.Byte() % 8;
    s.informationCheck = in.Byte() & 1;
    for (char& c : s.vid)
        c = static_cast<char>(in.Byte());
    for (char& c : s.pid)
        c = static_cast<char>(in.Byte());
    s.firmwareMajor = in.Byte();
    s.firmwareMinor = in.Byte();
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputBytes in(data, size);
    const size_t drives = std::min<size_t>(in.Byte() & 7, 4);
    std::vector<std::string> names;
    for (size_t i = 0; i < drives; ++i)
        names.push_back(std::string("sd") + static_cast<char>('b' + i));
    const TestSettings settings = SettingsFrom(in);

    FuzzDrive drive(in, names);
    ReaderDevice device(drive);
    device.SetDelay([](unsigned) {});
    device.SetTrace([](std::string_view) {});
    std::string log;
    ReaderChecks checks(device, settings, [&](const std::string& text) {
        log += text;
        FUZZ_CHECK(log.size() < 64 * 1024);
    });

    ReaderTable table;
    device.ScanReaderDrives(table);
    FUZZ_CHECK(drive.OpenCount() == 0);
    for (ReaderContext& c : table) {
        CheckContext(c);
        if (!c.valid)
            continue;
        FUZZ_CHECK(!c.driveName.empty());
        checks.CheckUsbSpeed(c);
        checks.CheckReaderInformation(c);
        checks.CheckRom(c);
        checks.CheckLuns(c);
        CheckContext(c);
        for (int round = 0; round < 2; ++round) {
            device.RefreshSlotStatus(c);
            CheckContext(c);
        }
        if (device.OpenReaderDrive(c.driveName, c)) {
            (void)device.ParseCRData(c);
            device.CloseReaderDrive(c);
        }
        CheckContext(c);
        FUZZ_CHECK(drive.OpenCount() == 0);
    }
    // A drive that vanished between the scan and a refresh.
    ReaderContext gone;
    gone.driveName = "sdz";
    device.RefreshSlotStatus(gone);
    FUZZ_CHECK(gone.errorFlags & TransportFailure);

    const ReaderCheckView view = checks.View();
    FUZZ_CHECK(view.readVid.size() <= 4 && view.readPid.size() <= 4);
    FUZZ_CHECK(view.readFirmware.size() <= 7);
    FUZZ_CHECK(drive.OpenCount() == 0);
    return 0;
}
