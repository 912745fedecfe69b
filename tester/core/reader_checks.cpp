#include "reader_checks.h"

#include <strings.h>

#include <cstdio>

namespace orrick {
namespace {

using Buffer = std::array<uint8_t, scsi::kControllerReadSize>;

std::string Hex2(const std::array<uint8_t, 2>& bytes) {
    char text[8];
    std::snprintf(text, sizeof text, "%02x%02x", bytes[0], bytes[1]);
    return text;
}

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

bool IsMultiSlotFamily(const ReaderContext& context) {
    return !context.twoSlot && context.model != ControllerModel::ExtendedAddress;
}

} // namespace

int CountDistinctLuns(const ReaderContext& context) {
    std::array<bool, 6> seen{};
    for (int slot = 0; slot < 6; ++slot) {
        const uint8_t lun = context.slotLun[slot];
        if (lun < seen.size())
            seen[lun] = true;
    }
    int count = 0;
    for (bool s : seen)
        count += s ? 1 : 0;
    return count;
}

ReaderChecks::ReaderChecks(ReaderDevice& device, const TestSettings& settings, LogFunction log)
    : device_(device), settings_(settings), log_(std::move(log)) {}

void ReaderChecks::Log(const std::string& text) {
    if (log_)
        log_(text);
}

void ReaderChecks::SetDev(std::string text, Rgb colour) {
    std::lock_guard lock(mutex_);
    view_.dev = {std::move(text), colour};
}

void ReaderChecks::SetPidVid(std::string text, Rgb colour) {
    std::lock_guard lock(mutex_);
    view_.pidvid = {std::move(text), colour};
}

void ReaderChecks::SetErr(std::string text, Rgb colour) {
    std::lock_guard lock(mutex_);
    view_.err = {std::move(text), colour};
}

ReaderCheckView ReaderChecks::View() const {
    std::lock_guard lock(mutex_);
    return view_;
}

void ReaderChecks::ResetLabels() {
    std::lock_guard lock(mutex_);
    view_ = ReaderCheckView{};
}

void ReaderChecks::BlankStatusLabels() {
    std::lock_guard lock(mutex_);
    view_.dev.text.clear();
    view_.pidvid.text.clear();
    view_.err.text.clear();
}

void ReaderChecks::CheckUsbSpeed(ReaderContext& context) {
    if (settings_.usbSpeedSel == 0)
        return;
    OpenDrive drive(device_, context);
    if (!drive)
        return;
    Buffer b{};
    if (!device_.ReadRegister(common_registers::kUsbSpeed, b, context))
        return;
    const std::string measured = (b[0] & 1) ? "High Speed" : "Full Speed";
    const std::string expected = ComboText(settings_.usbSpeedSel, UsbItems());
    if (settings_.usbSpeedSel == 1 || settings_.usbSpeedSel == 2) {
        if (measured != expected)
            context.errorFlags |= kUsbSpeedFailed;
        else
            SetDev(settings_.usbSpeedSel == 1 ? "Full Speed mode" : "High Speed mode",
                   colours::kGoldenrod);
    }
    if (context.errorFlags & kUsbSpeedFailed)
        SetDev("USB Speed Check Fail", colours::kRed);
}

void ReaderChecks::CheckReaderInformation(ReaderContext& context) {
    if (context.model == ControllerModel::ExtendedAddress)
        return;
    OpenDrive drive(device_, context);
    if (!drive)
        return;
    Buffer b{};
    if (context.twoSlot) {
        if (!device_.ReadRegister(twoslot_registers::kFirmware, b, context))
            return;
        context.firmwareMajor = 0;
        context.firmwareMinor = b[0];
    } else {
        if (!device_.ReadRegister(multislot_registers::kFirmware, b, context))
            return;
        context.firmwareMajor = b[0];
        context.firmwareMinor = b[1];
    }

    const std::string vid = Hex2(context.vendorId);
    const std::string pid = Hex2(context.productId);
    {
        std::lock_guard lock(mutex_);
        view_.readVid = vid;
        view_.readPid = pid;
        view_.readFirmware = FirmwareText(context.firmwareMajor, context.firmwareMinor);
    }

    if (settings_.informationCheck) {
        Log("=== Reader Information Check ===\r\n");
        // The expected IDs in the form the window shows them ("46d" is "046D").
        std::string mismatch;
        if (!SameTextIgnoringCase(vid, VidPidDisplayText(settings_.vid)))
            mismatch += "VID,";
        if (!SameTextIgnoringCase(pid, VidPidDisplayText(settings_.pid)))
            mismatch += "PID,";
        if (context.firmwareMajor != settings_.firmwareMajor ||
            context.firmwareMinor != settings_.firmwareMinor)
            mismatch += "FW ver,";
        if (!mismatch.empty()) {
            mismatch += " not match !\r\n";
            SetPidVid(mismatch, colours::kRed);
            Log(mismatch);
            Log("Card Reader Information Error !! \r\n");
            context.errorFlags |= kInformationMismatch;
        } else {
            Log("Check Information OK !!\r\n");
        }
    }
}

void ReaderChecks::CheckRom(ReaderContext& context) {
    if (settings_.codeSel == 0)
        return;
    OpenDrive drive(device_, context);
    if (!drive)
        return;
    Log("=== CHECK ROM ===\r\n");
    bool pass = false;
    Buffer b{};
    if (IsMultiSlotFamily(context)) {
        if (!device_.ReadRegister(multislot_registers::kRomEeprom, b, context))
            return;
        context.romFlagA = b[0] & 0x80;
        b.fill(0);
        if (!device_.ReadRegister(multislot_registers::kRomNor, b, context))
            return;
        context.romFlagB = b[0] & 1;
        const bool eeprom = context.romFlagA == 0x80;
        const bool nor = context.romFlagB == 1;
        switch (settings_.codeSel) {
        case 1:
            pass = !eeprom && !nor;
            break;
        case 2:
            pass = eeprom && !nor;
            break;
        case 3:
            pass = !eeprom && nor;
            break;
        case 4:
            pass = eeprom && nor;
            break;
        default:
            pass = false;
            break;
        }
    } else {
        if (!device_.ReadRegister(twoslot_registers::kRom, b, context))
            return;
        context.romFlagA = b[0] & 1;
        context.romFlagB = 0;
        switch (settings_.codeSel) {
        case 1:
            pass = context.romFlagA == 0;
            break;
        case 2:
            pass = context.romFlagA == 1;
            break;
        default: // these controllers cannot tell NOR configurations apart
            pass = true;
            break;
        }
    }
    if (pass) {
        Log("Check Rom OK !! \r\n");
    } else {
        context.errorFlags |= kRomCheckFailed;
        SetErr("Check Rom Error !!", colours::kRed);
        Log("Check Rom Error !! \r\n");
    }
}

void ReaderChecks::CheckLuns(ReaderContext& context) {
    if (settings_.luns == 0)
        return;
    Log("=== CHECK LUNs ===\r\n");
    if (CountDistinctLuns(context) != settings_.luns)
        context.errorFlags |= kLunCountFailed;
    if (context.errorFlags & kLunCountFailed) {
        SetErr("Check LUNs Error !!", colours::kRed);
        Log("Check LUNs Error !! \r\n");
    } else {
        Log("Check LUNs OK !! \r\n");
    }
}

} // namespace orrick
